// segments.cpp — segment records, location counters, segment switching (A09).
#include "directives/segments.h"

#include <cstring>

#include "driver/context.h"
#include "driver/memory.h"

namespace {

segment_rec* add_segment(asm_context& cx, const char* name, ident_node* node, segment_kind kind) {
  segment_state& s = cx.segs;
  if (s.count == s.capacity) {
    const uint16_t capacity = static_cast<uint16_t>(s.capacity + kSegmentTableStep);
    auto** table = static_cast<segment_rec**>(am_memory(cx, capacity * sizeof(segment_rec*)));
    if (s.count != 0) std::memcpy(table, s.table, s.count * sizeof(segment_rec*));
    s.table = table;
    s.capacity = capacity;
  }
  segment_rec* seg = am_new<segment_rec>(cx);
  *seg = segment_rec{};
  seg->name = name;
  seg->node = node;
  seg->number = static_cast<uint16_t>(s.count + 1);
  seg->kind = kind;
  s.table[s.count++] = seg;
  return seg;
}

}  // namespace

void reset_segments(asm_context& cx) {
  segment_state& s = cx.segs;
  s.count = 0;
  s.current = add_segment(cx, "", nullptr, SEG_ABSOLUTE);
}

segment_rec* new_segment(asm_context& cx, ident_node* node, segment_kind kind) {
  segment_rec* seg = add_segment(cx, node->name, node, kind);
  node->kind = KIND_USER_SEGMENT;
  node->keyword.data = seg;
  return seg;
}

segment_rec* find_segment(const asm_context&, const ident_node* node) { return segment_of_node(node); }

segment_rec* find_segment(asm_context& cx, std::string_view name) {
  for (ident_node* node = check_ident(cx, name.data(), name.size(), false); node != nullptr;
       node = node->same_name)
    if (segment_rec* seg = segment_of_node(node)) return seg;
  return nullptr;
}

segment_rec* absolute_segment(const asm_context& cx) { return cx.segs.count > 0 ? cx.segs.table[0] : nullptr; }

void switch_segment(asm_context& cx, segment_rec* seg) { cx.segs.current = seg; }
