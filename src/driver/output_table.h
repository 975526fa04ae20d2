// output_table.h — the table of console and file operations that every part of
// the assembler goes through (A03). It is bound to the standard library before
// the program entry runs; the IDE agent wraps it to capture all output.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdio>

using qfile = std::FILE;

// What a file name refers to, for the checks that keep a run from replacing
// a file it read: the kind, and the identity (device and inode) of the file.
enum class file_kind : int { missing = 0, regular, directory, other };
struct file_identity {
  file_kind kind = file_kind::missing;
  unsigned long long device = 0;
  unsigned long long inode = 0;
};
inline bool same_file(const file_identity& a, const file_identity& b) {
  return a.kind != file_kind::missing && b.kind != file_kind::missing && a.device == b.device &&
         a.inode == b.inode;
}

// The entries. Each receives the table's user pointer first, so that a
// replacement (the IDE agent, a test capture) finds its own state without a
// global of its own.
struct output_entries {
  // 1: error and warning counts changed (IDE mode only; does nothing by default).
  void (*count_notification)(void* user, int errors, int warnings);
  // 2: a formatted note for the IDE (kind 0 = internal error); at most 1024 characters.
  void (*formatted_message)(void* user, int kind, const char* format, std::va_list args);
  // 3: progress note (5 before, 6 after pass 1 in IDE mode).
  void (*progress_hook)(void* user, int note);
  // 4: a second hook, unused by the assembler itself.
  void (*second_hook)(void* user, long value);
  // 5: end the process with the code; does not return.
  void (*exit)(void* user, int code);
  // 6, 7: close and open a file; open returns nullptr on failure.
  void (*close_file)(void* user, qfile* file);
  qfile* (*open_file)(void* user, const char* name, const char* mode);
  // 8: memory from the system; nullptr on failure.
  void* (*allocate)(void* user, std::size_t size);
  // 9, 10: one character in or out; read returns EOF at the end.
  int (*read_char)(void* user, qfile* file);
  int (*write_char)(void* user, int c, qfile* file);
  // 11, 12: formatted output to standard output or to a file.
  int (*print)(void* user, const char* format, std::va_list args);
  int (*print_file)(void* user, qfile* file, const char* format, std::va_list args);
  // 13, 14: block transfer.
  std::size_t (*block_read)(void* user, void* buffer, std::size_t size, std::size_t count, qfile* file);
  std::size_t (*block_write)(void* user, const void* buffer, std::size_t size, std::size_t count,
                             qfile* file);
  // 15-17: positioning, position and flush of an open file.
  int (*seek_file)(void* user, qfile* file, long offset, int whence);
  long (*tell_file)(void* user, qfile* file);
  int (*flush_file)(void* user, qfile* file);
  // 18: delete a file by name.
  int (*remove_file)(void* user, const char* name);
  // 19: give a file a new name, replacing a file of that name; 0 on success.
  int (*rename_file)(void* user, const char* from, const char* to);
  // 20: what a name refers to (symbolic links followed); the kind is also returned.
  file_kind (*identify_file)(void* user, const char* name, file_identity* id);
};

struct output_table {
  output_entries entries;
  void* user;  // handed to every entry

  // The standard streams as handles for the entries above (not entries themselves).
  qfile* std_in;
  qfile* std_out;
  qfile* std_err;

  // Calls through the entries with the user pointer.
  void count_notification(int errors, int warnings) const { entries.count_notification(user, errors, warnings); }
  void formatted_message(int kind, const char* format, std::va_list args) const {
    entries.formatted_message(user, kind, format, args);
  }
  void progress_hook(int note) const { entries.progress_hook(user, note); }
  void second_hook(long value) const { entries.second_hook(user, value); }
  void exit(int code) const { entries.exit(user, code); }
  void close_file(qfile* file) const { entries.close_file(user, file); }
  qfile* open_file(const char* name, const char* mode) const { return entries.open_file(user, name, mode); }
  void* allocate(std::size_t size) const { return entries.allocate(user, size); }
  int read_char(qfile* file) const { return entries.read_char(user, file); }
  int write_char(int c, qfile* file) const { return entries.write_char(user, c, file); }
  int print(const char* format, std::va_list args) const { return entries.print(user, format, args); }
  int print_file(qfile* file, const char* format, std::va_list args) const {
    return entries.print_file(user, file, format, args);
  }
  std::size_t block_read(void* buffer, std::size_t size, std::size_t count, qfile* file) const {
    return entries.block_read(user, buffer, size, count, file);
  }
  std::size_t block_write(const void* buffer, std::size_t size, std::size_t count, qfile* file) const {
    return entries.block_write(user, buffer, size, count, file);
  }
  int seek_file(qfile* file, long offset, int whence) const { return entries.seek_file(user, file, offset, whence); }
  long tell_file(qfile* file) const { return entries.tell_file(user, file); }
  int flush_file(qfile* file) const { return entries.flush_file(user, file); }
  int remove_file(const char* name) const { return entries.remove_file(user, name); }
  int rename_file(const char* from, const char* to) const { return entries.rename_file(user, from, to); }
  file_kind identify_file(const char* name, file_identity* id) const { return entries.identify_file(user, name, id); }
};

// The table bound to the standard library; the only mutable global of the program.
extern output_table g_output_table;

// A table holding the standard bindings (used to bind g_output_table and by tests).
output_table standard_output_table();

// Variadic front ends to entries 11 and 12.
int out_print(const output_table& out, const char* format, ...) __attribute__((format(printf, 2, 3)));
int out_print_file(const output_table& out, qfile* file, const char* format, ...)
    __attribute__((format(printf, 3, 4)));
void out_message(const output_table& out, int kind, const char* format, ...)
    __attribute__((format(printf, 3, 4)));
