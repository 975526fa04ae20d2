// segments.h — segment records and the current segment (A09). The expressions
// need a segment's number and kind, the location counter for "$" and the
// alignment slot of the segment directives.
#pragma once

#include <cstdint>

struct expr_rec;
struct ident_node;

enum segment_kind : uint8_t {
  SEG_ABSOLUTE = 0,     // ASEG
  SEG_RELOCATABLE = 1,  // RSEG, ASEGN
  SEG_STACK = 2,
  SEG_COMMON = 3,
};

struct segment_rec {
  const char* name;
  ident_node* node;          // the segment name's symbol
  uint16_t number;           // in the segment table, from 1; 1 is the absolute segment
  uint8_t kind;              // segment_kind
  uint8_t type;              // segment type code, 0 when none was given
  expr_rec* alignment;       // exponent of 2, or null
  uint16_t alignment_count;  // how often the alignment was set
  int32_t location;          // location counter
};

struct segment_state {
  segment_rec* current = nullptr;
  segment_rec** table = nullptr;  // by number - 1
  uint16_t count = 0;
};

// The segment named by `node`, or null while none of that name is declared.
inline segment_rec* find_segment_of(const segment_state& segs, const ident_node* node) {
  for (uint16_t i = 0; i < segs.count; ++i)
    if (segs.table[i] != nullptr && segs.table[i]->node == node) return segs.table[i];
  return nullptr;
}

// The number an expression relative to this segment carries: 0 for absolute code.
inline uint16_t expr_segment_of(const segment_rec* seg) {
  return seg != nullptr && seg->kind != SEG_ABSOLUTE ? seg->number : 0;
}
