// tool_io.cpp — file and console helpers of qdump and qlink over the output-function table.
#include "object/tool_io.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>

bool tool_read_file(const output_table& out, const char* name, std::string& bytes) {
  qfile* f = out.open_file(name, "rb");
  if (f == nullptr) return false;
  bytes.clear();
  char buf[65536];
  for (;;) {
    const std::size_t n = out.block_read(buf, 1, sizeof buf, f);
    bytes.append(buf, n);
    if (n < sizeof buf) break;
  }
  out.close_file(f);
  return true;
}

bool tool_write_file(const output_table& out, const char* name, std::string_view bytes) {
  qfile* f = out.open_file(name, "wb");
  if (f == nullptr) return false;
  const std::size_t n = bytes.empty() ? 0 : out.block_write(bytes.data(), 1, bytes.size(), f);
  const bool flushed = out.flush_file(f) == 0;
  out.close_file(f);
  return n == bytes.size() && flushed;
}

void tool_print(const output_table& out, std::string_view text) {
  if (!text.empty()) out.block_write(text.data(), 1, text.size(), out.std_out);
}

void tool_appendf(std::string& out, const char* format, ...) {
  char buf[512];
  va_list args;
  va_start(args, format);
  const int n = std::vsnprintf(buf, sizeof buf, format, args);
  va_end(args);
  if (n > 0) out.append(buf, std::min<std::size_t>(static_cast<std::size_t>(n), sizeof buf - 1));
}

std::string tool_hex(uint64_t value) {
  char buf[24];
  std::snprintf(buf, sizeof buf, "0x%llX", static_cast<unsigned long long>(value));
  return buf;
}
