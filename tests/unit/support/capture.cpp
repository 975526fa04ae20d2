// capture.cpp — in-memory output table for in-process tests.
#include "support/capture.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>

// Handles for in-memory files are fmemopen/open_memstream streams kept by name.
struct capture_mem_file {
  std::string name;
  char* buffer = nullptr;
  size_t size = 0;
  bool writing = false;
};

namespace {

capture_table& cap_of(void* user) { return *static_cast<capture_table*>(user); }

bool is_console(capture_table& cap, qfile* file) { return file == cap.table.std_out || file == cap.table.std_err; }

int cap_print(void* user, const char* format, std::va_list args) {
  char buf[8192];
  int n = std::vsnprintf(buf, sizeof buf, format, args);
  cap_of(user).console.append(buf, n < 0 ? 0 : std::min<size_t>(n, sizeof buf - 1));
  return n;
}

int cap_print_file(void* user, qfile* file, const char* format, std::va_list args) {
  if (is_console(cap_of(user), file)) return cap_print(user, format, args);
  return std::vfprintf(file, format, args);
}

int cap_write_char(void* user, int c, qfile* file) {
  if (is_console(cap_of(user), file)) {
    cap_of(user).console += static_cast<char>(c);
    return c;
  }
  return std::putc(c, file);
}

size_t cap_block_write(void* user, const void* buffer, size_t size, size_t count, qfile* file) {
  if (is_console(cap_of(user), file)) {
    cap_of(user).console.append(static_cast<const char*>(buffer), size * count);
    return count;
  }
  return std::fwrite(buffer, size, count, file);
}

bool open_for_writing(capture_table& cap, const std::string& name) {
  for (const auto& [file, mf] : cap.open_memory)
    if (mf->writing && mf->name == name) return true;
  return false;
}

qfile* cap_open_file(void* user, const char* name, const char* mode) {
  capture_table& cap = cap_of(user);
  auto it = cap.files.find(name);
  bool write = mode[0] == 'w';
  // "x": create only; an existing file (in memory or being written) refuses.
  if (write && std::strchr(mode, 'x') != nullptr && (it != cap.files.end() || open_for_writing(cap, name)))
    return nullptr;
  if (!write && it == cap.files.end()) return std::fopen(name, mode);
  if (write && it == cap.files.end() && name[0] == '/') return std::fopen(name, mode);
  auto* mf = new capture_mem_file{name};
  qfile* f;
  if (write) {
    mf->writing = true;
    f = open_memstream(&mf->buffer, &mf->size);
  } else {
    std::string& data = it->second;
    f = fmemopen(data.empty() ? nullptr : data.data(), data.size() ? data.size() : 1, "r");
  }
  cap.open_memory[f] = mf;
  return f;
}

void cap_close_file(void* user, qfile* file) {
  capture_table& cap = cap_of(user);
  auto it = cap.open_memory.find(file);
  std::fclose(file);
  if (it == cap.open_memory.end()) return;
  capture_mem_file* mf = it->second;
  if (mf->writing) cap.files[mf->name] = std::string(mf->buffer ? mf->buffer : "", mf->size);
  std::free(mf->buffer);
  delete mf;
  cap.open_memory.erase(it);
}

int cap_remove_file(void* user, const char* name) {
  if (cap_of(user).files.erase(name) > 0) return 0;
  return std::remove(name);
}

int cap_rename_file(void* user, const char* from, const char* to) {
  capture_table& cap = cap_of(user);
  auto it = cap.files.find(from);
  if (it == cap.files.end()) return std::rename(from, to);
  std::string data = std::move(it->second);
  cap.files.erase(it);
  cap.files[to] = std::move(data);
  return 0;
}

// In-memory files are regular files whose identity is their normalized name.
file_kind cap_identify_file(void* user, const char* name, file_identity* id) {
  const std::string normal = std::filesystem::path(name).lexically_normal().string();
  for (const auto& [key, data] : cap_of(user).files) {
    if (std::filesystem::path(key).lexically_normal().string() != normal) continue;
    if (id != nullptr) *id = file_identity{file_kind::regular, ~0ULL, std::hash<std::string>{}(normal)};
    return file_kind::regular;
  }
  return standard_output_table().identify_file(name, id);
}

void* cap_allocate(void* user, size_t size) {
  capture_table& cap = cap_of(user);
  if (cap.allocations_to_fail > 0) {
    --cap.allocations_to_fail;
    return nullptr;
  }
  return std::malloc(size);
}

void cap_exit(void*, int code) { throw capture_exit{code}; }

}  // namespace

capture_table::capture_table() : table(standard_output_table()) {
  table.user = this;
  table.entries.print = cap_print;
  table.entries.print_file = cap_print_file;
  table.entries.write_char = cap_write_char;
  table.entries.block_write = cap_block_write;
  table.entries.open_file = cap_open_file;
  table.entries.close_file = cap_close_file;
  table.entries.remove_file = cap_remove_file;
  table.entries.rename_file = cap_rename_file;
  table.entries.identify_file = cap_identify_file;
  table.entries.allocate = cap_allocate;
  table.entries.exit = cap_exit;
}

capture_table::~capture_table() {
  // Files a test left open are closed so that their buffers are not lost.
  while (!open_memory.empty()) cap_close_file(this, open_memory.begin()->first);
}
