// link_output.cpp — qlink's last stage: the placed bytes as Intel HEX or as a raw
// binary image, and the map of segments and symbols.
#include <algorithm>
#include <cstdio>

#include "link/linker.h"
#include "object/tool_io.h"
#include "object/quill_format.h"

namespace {

// The placed bytes as contiguous blocks in address order.
struct block {
  uint32_t address;
  std::string bytes;
};

std::vector<block> blocks_of(const link_state& st) {
  std::vector<block> out;
  for (const link_run& r : st.runs) {  // sorted by address
    const char* data = st.image.data() + r.at;
    if (!out.empty()) {
      block& b = out.back();
      const uint64_t end = uint64_t{b.address} + b.bytes.size();
      if (r.address <= end) {
        const uint64_t skip = end - r.address;  // overlaid bytes of one COMMON group
        const uint64_t keep = std::min<uint64_t>(skip, r.length);
        b.bytes.replace(b.bytes.size() - skip, keep, data, keep);
        if (r.length > skip) b.bytes.append(data + skip, r.length - skip);
        continue;
      }
    }
    out.push_back({r.address, std::string(data, r.length)});
  }
  return out;
}

void hex_byte(std::string& out, unsigned b) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  out += kDigits[(b >> 4) & 0xF];
  out += kDigits[b & 0xF];
}

// One record: ':', count, address, type, data, checksum (the two's complement
// of the sum of the bytes before it), newline.
void hex_record(std::string& out, unsigned type, uint32_t address, const uint8_t* data, unsigned n) {
  unsigned sum = n + ((address >> 8) & 0xFF) + (address & 0xFF) + type;
  out += ':';
  hex_byte(out, n);
  hex_byte(out, (address >> 8) & 0xFF);
  hex_byte(out, address & 0xFF);
  hex_byte(out, type);
  for (unsigned i = 0; i < n; ++i) {
    hex_byte(out, data[i]);
    sum += data[i];
  }
  hex_byte(out, (0x100 - (sum & 0xFF)) & 0xFF);
  out += '\n';
}

}  // namespace

std::string link_intel_hex(const link_state& st) {
  std::string out;
  uint32_t upper = 0;
  for (const block& b : blocks_of(st)) {
    const auto* data = reinterpret_cast<const uint8_t*>(b.bytes.data());
    uint64_t i = 0;
    while (i < b.bytes.size()) {
      const uint64_t address = b.address + i;
      if ((address >> 16) != upper) {
        upper = static_cast<uint32_t>(address >> 16);
        const uint8_t ext[2] = {static_cast<uint8_t>(upper >> 8), static_cast<uint8_t>(upper)};
        hex_record(out, 4, 0, ext, 2);
      }
      // 16 bytes a line, never across a 64 KiB boundary.
      const uint64_t room = 0x10000 - (address & 0xFFFF);
      const unsigned n = static_cast<unsigned>(std::min<uint64_t>({16, b.bytes.size() - i, room}));
      hex_record(out, 0, static_cast<uint32_t>(address), data + i, n);
      i += n;
    }
  }
  if (st.has_start) {
    const uint8_t s[4] = {static_cast<uint8_t>(st.start >> 24), static_cast<uint8_t>(st.start >> 16),
                          static_cast<uint8_t>(st.start >> 8), static_cast<uint8_t>(st.start)};
    hex_record(out, 5, 0, s, 4);
  }
  hex_record(out, 1, 0, nullptr, 0);
  return out;
}

bool link_binary(link_state& st, std::string& out) {
  const std::vector<block> blocks = blocks_of(st);
  out.clear();
  if (blocks.empty()) return true;
  const uint64_t low = blocks.front().address;
  uint64_t high = 0;
  for (const block& b : blocks) high = std::max<uint64_t>(high, b.address + b.bytes.size());
  if (high - low > kImageLimit) {
    char text[160];
    std::snprintf(text, sizeof text, "binary image from 0x%llX to 0x%llX spans %llu bytes, more than %llu",
                  static_cast<unsigned long long>(low), static_cast<unsigned long long>(high),
                  static_cast<unsigned long long>(high - low), static_cast<unsigned long long>(kImageLimit));
    st.error(text);
    return false;
  }
  out.assign(high - low, static_cast<char>(st.options.fill));
  for (const block& b : blocks) out.replace(b.address - low, b.bytes.size(), b.bytes);
  return true;
}

std::string link_map_text(const link_state& st) {
  std::string out = "SEGMENTS\n";
  tool_appendf(out, "  %-20s %-8s %-8s %-8s %-8s %s\n", "name", "type", "start", "end", "size", "module");
  for (uint32_t p = 0; p < st.parts.size(); ++p) {
    const link_part& part = st.parts[p];
    if (!st.modules[part.module].loaded) continue;
    const char* type = quill_segment_type_name(part.type());
    const std::string module(st.modules[part.module].m->name);
    if (!part.placed) {
      tool_appendf(out, "  %-20.*s %-8s %-8s %-8s %08llX %s (dropped)\n", static_cast<int>(part.name.size()),
               part.name.data(), type ? type : "?", "-", "-", static_cast<unsigned long long>(part.size),
               module.c_str());
      continue;
    }
    const uint64_t end = part.size ? part.base + part.size - 1 : part.base;
    tool_appendf(out, "  %-20.*s %-8s %08X %08llX %08llX %s\n", static_cast<int>(part.name.size()), part.name.data(),
             type ? type : "?", part.base, static_cast<unsigned long long>(end),
             static_cast<unsigned long long>(part.size), module.c_str());
  }
  // The symbols of dropped parts have no address: they are left out.
  std::vector<const link_symbol*> symbols;
  for (const link_symbol& s : st.symbols)
    if (s.part == kNoPart || st.parts[s.part].placed) symbols.push_back(&s);
  std::sort(symbols.begin(), symbols.end(), [](const link_symbol* a, const link_symbol* b) { return a->name < b->name; });
  auto list = [&](const char* title) {
    out += title;
    for (const link_symbol* s : symbols)
      tool_appendf(out, "  %-24.*s %08X %s%s\n", static_cast<int>(s->name.size()), s->name.data(), s->address,
               std::string(st.modules[s->module].m->name).c_str(), s->weak ? " (weak)" : "");
  };
  list("\nSYMBOLS BY NAME\n");
  std::stable_sort(symbols.begin(), symbols.end(),
                   [](const link_symbol* a, const link_symbol* b) { return a->address < b->address; });
  list("\nSYMBOLS BY ADDRESS\n");
  if (st.has_start) tool_appendf(out, "\nSTART ADDRESS %08X\n", st.start);
  return out;
}
