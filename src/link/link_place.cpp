// link_place.cpp — qlink's second stage: the parts that the roots reach are kept
// (a NOROOT part nothing refers to is dropped), fixed parts stay at their
// addresses, and the others go first fit into the ranges of their -Z option.
#include "link/linker.h"
#include "object/tool_io.h"

#include <algorithm>
#include <cstdio>

#include "object/quill_format.h"

namespace {

uint64_t align_up(uint64_t v, unsigned exponent) {
  const uint64_t step = uint64_t{1} << exponent;
  return (v + step - 1) & ~(step - 1);
}

// Marks the parts that roots reach: parts without NOROOT, and every part or
// symbol referred to from a kept part or from the absolute segment. A NOROOT
// part that nothing kept refers to (a PUBWEAK default that a strong definition
// replaced, say) is dropped, at a fixed address too.
void mark_kept(link_state& st) {
  std::vector<std::vector<uint32_t>> edges(st.parts.size());
  std::vector<uint32_t> work;
  auto keep = [&](uint32_t p) {
    if (p == kNoPart || st.parts[p].kept) return;
    st.parts[p].kept = true;
    work.push_back(p);
  };
  auto symbol_part = [&](std::string_view name) {
    auto it = st.by_name.find(name);
    return it == st.by_name.end() ? kNoPart : st.symbols[it->second].part;
  };
  for (const link_module& lm : st.modules) {
    if (!lm.loaded) continue;
    for (const auto& [from, to] : lm.part_edges) {
      if (from == kNoPart) keep(to);
      else edges[from].push_back(to);
    }
    for (const auto& [from, name] : lm.to_symbols) {
      if (from == kNoPart) keep(symbol_part(name));
      else edges[from].push_back(symbol_part(name));
    }
  }
  for (uint32_t p = 0; p < st.parts.size(); ++p) {
    const link_part& part = st.parts[p];
    if (st.modules[part.module].loaded && part.root()) keep(p);
  }
  while (!work.empty()) {
    const uint32_t p = work.back();
    work.pop_back();
    for (uint32_t to : edges[p]) keep(to);
  }
}

// Occupied addresses as disjoint intervals [start, end).
class occupancy {
 public:
  void add(uint64_t start, uint64_t end) {
    if (start >= end) return;
    auto it = used_.upper_bound(start);
    if (it != used_.begin()) {
      auto prev = std::prev(it);
      if (prev->second >= start) {
        start = prev->first;
        end = std::max(end, prev->second);
        it = used_.erase(prev);
      }
    }
    while (it != used_.end() && it->first <= end) {
      end = std::max(end, it->second);
      it = used_.erase(it);
    }
    used_[start] = end;
  }
  // First address >= lo, aligned, where `size` bytes fit below hi + 1; false if none.
  bool first_fit(uint64_t lo, uint64_t hi, uint64_t size, unsigned align, uint64_t* at) const {
    uint64_t cand = align_up(lo, align);
    for (;;) {
      if (cand + size > hi + 1) return false;
      auto it = used_.upper_bound(cand);
      if (it != used_.begin() && std::prev(it)->second > cand) {
        cand = align_up(std::prev(it)->second, align);
        continue;
      }
      if (it != used_.end() && it->first < cand + size) {
        cand = align_up(it->second, align);
        continue;
      }
      *at = cand;
      return true;
    }
  }

 private:
  std::map<uint64_t, uint64_t> used_;
};

// A relocatable unit: one part, or all parts of one COMMON name.
struct unit {
  std::vector<uint32_t> parts;
  uint64_t size = 0;
  unsigned align = 0;
  std::size_t zone = 0;    // first -Z option that names it
  bool by_name = false;
};

std::string range_text(const link_zone& z) {
  std::string s;
  for (const auto& [lo, hi] : z.ranges) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%s%04X-%04X", s.empty() ? "" : ",", lo, hi);
    s += buf;
  }
  return s;
}

// The -Z options that apply to a part: those naming its segment, else those
// naming its type word when no -Z names the segment.
std::vector<std::size_t> zones_for(const link_state& st, const link_part& p) {
  std::vector<std::size_t> z;
  for (std::size_t i = 0; i < st.options.zones.size(); ++i)
    if (st.options.zones[i].name == p.name) z.push_back(i);
  if (!z.empty()) return z;
  const char* type = quill_segment_type_name(p.type());
  for (std::size_t i = 0; type && i < st.options.zones.size(); ++i)
    if (st.options.zones[i].name == type) z.push_back(i);
  return z;
}

bool place_unit(link_state& st, occupancy& used, const unit& u) {
  const link_part& first = st.parts[u.parts.front()];
  const std::vector<std::size_t> zones = zones_for(st, first);
  if (zones.empty()) {
    st.error(st.part_name(u.parts.front()) + " (" + std::to_string(u.size) +
             " bytes) has no -Z option for its name or its type " +
             (quill_segment_type_name(first.type()) ? quill_segment_type_name(first.type()) : "?"));
    return false;
  }
  uint64_t at = 0;
  bool found = false;
  for (std::size_t z : zones) {
    for (const auto& [lo, hi] : st.options.zones[z].ranges)
      if (used.first_fit(lo, hi, u.size, u.align, &at)) {
        found = true;
        break;
      }
    if (found) break;
  }
  if (!found) {
    std::string ranges;
    for (std::size_t z : zones) ranges += (ranges.empty() ? "" : " ") + range_text(st.options.zones[z]);
    st.error(st.part_name(u.parts.front()) + " does not fit its ranges " + ranges + ": " + std::to_string(u.size) +
             " bytes needed with alignment " + std::to_string(1u << u.align));
    return false;
  }
  used.add(at, at + u.size);
  for (uint32_t p : u.parts) {
    st.parts[p].base = static_cast<uint32_t>(at);
    st.parts[p].placed = true;
  }
  return true;
}

}  // namespace

bool link_place(link_state& st) {
  mark_kept(st);
  occupancy used;
  for (const link_module& lm : st.modules)
    if (lm.loaded)
      for (const auto& [address, length] : lm.absolute_spans) used.add(address, address + length);
  std::vector<unit> units;
  std::unordered_map<std::string_view, std::size_t> commons;
  for (uint32_t p = 0; p < st.parts.size(); ++p) {
    link_part& part = st.parts[p];
    if (!part.kept) continue;
    if (part.fixed) {
      if (part.address + part.size > 0x100000000ull) {
        st.error(st.part_name(p) + " at " + tool_hex(part.address) + " runs past the 32-bit address space");
        continue;
      }
      part.base = part.address;
      part.placed = true;
      used.add(part.base, part.base + part.size);
      continue;
    }
    std::size_t slot = units.size();
    if (part.kind() == QK_COMMON) {
      auto [it, fresh] = commons.try_emplace(part.name, units.size());
      slot = it->second;
      if (fresh) units.emplace_back();
      part.common = units[slot].parts.empty() ? p : units[slot].parts.front();
    } else {
      units.emplace_back();
    }
    unit& u = units[slot];
    u.parts.push_back(p);
    u.size = std::max(u.size, part.size);
    u.align = std::max(u.align, part.align());
  }
  for (unit& u : units) {
    const std::vector<std::size_t> z = zones_for(st, st.parts[u.parts.front()]);
    u.zone = z.empty() ? st.options.zones.size() : z.front();
  }
  std::stable_sort(units.begin(), units.end(), [](const unit& a, const unit& b) { return a.zone < b.zone; });
  const int before = st.errors;
  for (const unit& u : units) place_unit(st, used, u);
  for (link_symbol& s : st.symbols) s.address = s.part == kNoPart ? s.value : st.parts[s.part].base + s.value;
  for (const link_part& p : st.parts) {
    if (!p.placed) continue;
    auto [it, fresh] = st.extents.try_emplace(p.name, p.base, p.base + p.size);
    if (!fresh) {
      it->second.first = std::min<uint64_t>(it->second.first, p.base);
      it->second.second = std::max<uint64_t>(it->second.second, p.base + p.size);
    }
  }
  return st.errors == before;
}
