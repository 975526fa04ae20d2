// link_test_support.h — qlink run in-process on files held in memory, and its
// Intel HEX read back into bytes by address, for the link tests.
#pragma once

#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "link/linker.h"
#include "support/capture.h"

struct link_run_result {
  int exit = -1;
  std::string console;
  std::map<std::string, std::string> files;
};

inline link_run_result run_qlink(const std::map<std::string, std::string>& inputs, std::vector<std::string> args) {
  capture_table cap;
  for (const auto& [name, bytes] : inputs) cap.files[name] = bytes;
  cap.files["stale.hex"] = "old";
  args.insert(args.begin(), "qlink");
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  link_run_result r;
  r.exit = qlink_run(cap.table, static_cast<int>(argv.size()), argv.data());
  r.console = cap.console;
  r.files = cap.files;
  return r;
}

// Intel HEX back to bytes by address; every line's checksum is verified.
struct hex_image {
  std::map<uint32_t, uint8_t> bytes;
  bool has_start = false;
  uint32_t start = 0;
  bool ended = false;
  std::string fault;
};

inline hex_image parse_hex(const std::string& text) {
  hex_image img;
  uint32_t upper = 0;
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t eol = text.find('\n', pos);
    const std::string line = text.substr(pos, eol - pos);
    pos = eol == std::string::npos ? text.size() : eol + 1;
    if (line.size() < 11 || line[0] != ':') return img.fault = "bad line " + line, img;
    std::vector<uint8_t> b;
    for (std::size_t i = 1; i + 1 < line.size(); i += 2) b.push_back(static_cast<uint8_t>(std::stoul(line.substr(i, 2), nullptr, 16)));
    unsigned sum = 0;
    for (uint8_t x : b) sum += x;
    if ((sum & 0xFF) != 0 || b.size() != b[0] + 5u) return img.fault = "bad checksum or count " + line, img;
    const uint32_t address = upper + (b[1] << 8 | b[2]);
    switch (b[3]) {
      case 0: for (unsigned i = 0; i < b[0]; ++i) img.bytes[address + i] = b[4 + i]; break;
      case 1: img.ended = true; break;
      case 4: upper = static_cast<uint32_t>(b[4] << 8 | b[5]) << 16; break;
      case 5: img.has_start = true, img.start = static_cast<uint32_t>(b[4] << 24 | b[5] << 16 | b[6] << 8 | b[7]); break;
      default: return img.fault = "record type " + std::to_string(b[3]), img;
    }
  }
  return img;
}

inline std::string bytes_at(const hex_image& img, uint32_t address, unsigned n) {
  std::string s;
  char buf[4];
  for (unsigned i = 0; i < n; ++i) {
    auto it = img.bytes.find(address + i);
    if (it == img.bytes.end()) {
      s += s.empty() ? "--" : " --";
      continue;
    }
    std::snprintf(buf, sizeof buf, s.empty() ? "%02X" : " %02X", it->second);
    s += buf;
  }
  return s;
}
