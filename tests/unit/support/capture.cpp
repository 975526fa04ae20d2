// capture.cpp — in-memory output table for in-process tests.
#include "support/capture.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <stdexcept>

namespace {

capture_table* active = nullptr;

// Handles for in-memory files are fmemopen/open_memstream streams kept by name.
struct mem_file {
  std::string name;
  char* buffer = nullptr;
  size_t size = 0;
  bool writing = false;
};
std::map<qfile*, mem_file*> mem_files;

void append_console(const char* text, size_t n) { active->console.append(text, n); }

int cap_print(const char* format, std::va_list args) {
  char buf[8192];
  int n = std::vsnprintf(buf, sizeof buf, format, args);
  append_console(buf, n < 0 ? 0 : std::min<size_t>(n, sizeof buf - 1));
  return n;
}

int cap_print_file(qfile* file, const char* format, std::va_list args) {
  if (file == active->table.std_out || file == active->table.std_err) return cap_print(format, args);
  return std::vfprintf(file, format, args);
}

int cap_write_char(int c, qfile* file) {
  if (file == active->table.std_out || file == active->table.std_err) {
    char ch = static_cast<char>(c);
    append_console(&ch, 1);
    return c;
  }
  return std::putc(c, file);
}

size_t cap_block_write(const void* buffer, size_t size, size_t count, qfile* file) {
  if (file == active->table.std_out || file == active->table.std_err) {
    append_console(static_cast<const char*>(buffer), size * count);
    return count;
  }
  return std::fwrite(buffer, size, count, file);
}

bool open_for_writing(const std::string& name) {
  for (const auto& [file, mf] : mem_files)
    if (mf->writing && mf->name == name) return true;
  return false;
}

qfile* cap_open_file(const char* name, const char* mode) {
  auto it = active->files.find(name);
  bool write = mode[0] == 'w';
  // "x": create only; an existing file (in memory or being written) refuses.
  if (write && std::strchr(mode, 'x') != nullptr && (it != active->files.end() || open_for_writing(name)))
    return nullptr;
  if (!write && it == active->files.end()) return std::fopen(name, mode);
  if (write && it == active->files.end() && name[0] == '/') return std::fopen(name, mode);
  auto* mf = new mem_file{name};
  qfile* f;
  if (write) {
    mf->writing = true;
    f = open_memstream(&mf->buffer, &mf->size);
  } else {
    std::string& data = it->second;
    f = fmemopen(data.empty() ? nullptr : data.data(), data.size() ? data.size() : 1, "r");
  }
  mem_files[f] = mf;
  return f;
}

void cap_close_file(qfile* file) {
  auto it = mem_files.find(file);
  std::fclose(file);
  if (it == mem_files.end()) return;
  mem_file* mf = it->second;
  if (mf->writing) active->files[mf->name] = std::string(mf->buffer ? mf->buffer : "", mf->size);
  std::free(mf->buffer);
  delete mf;
  mem_files.erase(it);
}

int cap_remove_file(const char* name) {
  if (active->files.erase(name) > 0) return 0;
  return std::remove(name);
}

int cap_rename_file(const char* from, const char* to) {
  auto it = active->files.find(from);
  if (it == active->files.end()) return std::rename(from, to);
  std::string data = std::move(it->second);
  active->files.erase(it);
  active->files[to] = std::move(data);
  return 0;
}

// In-memory files are regular files whose identity is their normalized name.
file_kind cap_identify_file(const char* name, file_identity* id) {
  const std::string normal = std::filesystem::path(name).lexically_normal().string();
  for (const auto& [key, data] : active->files) {
    if (std::filesystem::path(key).lexically_normal().string() != normal) continue;
    if (id != nullptr) *id = file_identity{file_kind::regular, ~0ULL, std::hash<std::string>{}(normal)};
    return file_kind::regular;
  }
  return standard_output_table().identify_file(name, id);
}

void* cap_allocate(size_t size) {
  if (active->allocations_to_fail > 0) {
    --active->allocations_to_fail;
    return nullptr;
  }
  return std::malloc(size);
}

void cap_exit(int code) { throw std::runtime_error("exit entry called with " + std::to_string(code)); }

}  // namespace

capture_table::capture_table() : table(standard_output_table()) {
  if (active != nullptr) throw std::logic_error("one capture_table at a time");
  active = this;
  table.print = cap_print;
  table.print_file = cap_print_file;
  table.write_char = cap_write_char;
  table.block_write = cap_block_write;
  table.open_file = cap_open_file;
  table.close_file = cap_close_file;
  table.remove_file = cap_remove_file;
  table.rename_file = cap_rename_file;
  table.identify_file = cap_identify_file;
  table.allocate = cap_allocate;
  table.exit = cap_exit;
}

capture_table::~capture_table() { active = nullptr; }
