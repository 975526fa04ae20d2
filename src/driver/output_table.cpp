// output_table.cpp — standard bindings of the console and file operations (A03).
// This is the one file of the assembler that calls the C library's stdio,
// allocation and exit functions directly.
#include "driver/output_table.h"

#include <cstdlib>

#include <sys/stat.h>

namespace {

void std_count_notification(void*, int, int) {}
void std_formatted_message(void*, int, const char* format, std::va_list args) {
  // Without an IDE agent there is nobody to receive the note; format it anyway
  // so that a bad format is found in the same place in both modes.
  char text[1025];
  std::vsnprintf(text, sizeof text, format, args);
}
void std_progress_hook(void*, int) {}
void std_second_hook(void*, long) {}
void std_exit(void*, int code) {
  std::fflush(nullptr);
  std::exit(code);
}
void std_close_file(void*, qfile* file) { std::fclose(file); }
qfile* std_open_file(void*, const char* name, const char* mode) {
  // Text and binary modes are the same on this host; keep the mode letters anyway.
  return std::fopen(name, mode);
}
void* std_allocate(void*, std::size_t size) { return std::malloc(size); }
int std_read_char(void*, qfile* file) { return std::getc(file); }
int std_write_char(void*, int c, qfile* file) { return std::putc(c, file); }
int std_print(void*, const char* format, std::va_list args) { return std::vfprintf(stdout, format, args); }
int std_print_file(void*, qfile* file, const char* format, std::va_list args) {
  return std::vfprintf(file, format, args);
}
std::size_t std_block_read(void*, void* buffer, std::size_t size, std::size_t count, qfile* file) {
  return std::fread(buffer, size, count, file);
}
std::size_t std_block_write(void*, const void* buffer, std::size_t size, std::size_t count, qfile* file) {
  return std::fwrite(buffer, size, count, file);
}
int std_seek_file(void*, qfile* file, long offset, int whence) { return std::fseek(file, offset, whence); }
long std_tell_file(void*, qfile* file) { return std::ftell(file); }
int std_flush_file(void*, qfile* file) { return std::fflush(file); }
int std_remove_file(void*, const char* name) { return std::remove(name); }
int std_rename_file(void*, const char* from, const char* to) { return std::rename(from, to); }
file_kind std_identify_file(void*, const char* name, file_identity* id) {
  struct stat st {};
  file_identity found;
  if (::stat(name, &st) == 0) {
    found.kind = S_ISREG(st.st_mode)   ? file_kind::regular
                 : S_ISDIR(st.st_mode) ? file_kind::directory
                                       : file_kind::other;
    found.device = static_cast<unsigned long long>(st.st_dev);
    found.inode = static_cast<unsigned long long>(st.st_ino);
  }
  if (id != nullptr) *id = found;
  return found.kind;
}

}  // namespace

output_table standard_output_table() {
  const output_entries entries{std_count_notification, std_formatted_message, std_progress_hook,
                               std_second_hook,        std_exit,              std_close_file,
                               std_open_file,          std_allocate,          std_read_char,
                               std_write_char,         std_print,             std_print_file,
                               std_block_read,         std_block_write,       std_seek_file,
                               std_tell_file,          std_flush_file,        std_remove_file,
                               std_rename_file,        std_identify_file};
  return output_table{entries, nullptr, stdin, stdout, stderr};
}

output_table g_output_table = standard_output_table();

int out_print(const output_table& out, const char* format, ...) {
  std::va_list args;
  va_start(args, format);
  int n = out.print(format, args);
  va_end(args);
  return n;
}

int out_print_file(const output_table& out, qfile* file, const char* format, ...) {
  std::va_list args;
  va_start(args, format);
  int n = out.print_file(file, format, args);
  va_end(args);
  return n;
}

void out_message(const output_table& out, int kind, const char* format, ...) {
  std::va_list args;
  va_start(args, format);
  out.formatted_message(kind, format, args);
  va_end(args);
}
