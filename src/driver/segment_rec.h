// segment_rec.h — the segment record and the segment table of a module (A09),
// a type shared by the expressions, the directives, the target, the object
// writer and the listing. The operations on segments are in
// directives/segments.h.
#pragma once

#include <cstdint>

#include "source/symbols.h"

struct expr_rec;
struct statement_rec;

enum segment_kind : uint8_t {
  SEG_ABSOLUTE = 0,     // ASEG
  SEG_RELOCATABLE = 1,  // RSEG, ASEGN
  SEG_STACK = 2,
  SEG_COMMON = 3,
};

// Bits of segment_rec::flags.
enum segment_flag : uint16_t {
  SEG_IN_USE = 0x1,     // opened in this pass
  SEG_REORDER = 0x2,
  SEG_NOROOT = 0x4,     // the linker may drop the segment when nothing refers to it
  SEG_SORT = 0x8,
  SEG_HAS_START = 0x10, // start_address holds the segment's address
};

struct segment_rec {
  const char* name;
  ident_node* node;           // the segment name's symbol; null for the absolute segment
  uint16_t number;            // in the segment table, from 1; 1 is the absolute segment
  uint8_t kind;               // segment_kind
  uint8_t type;               // segment type code, 0 when none was given
  expr_rec* alignment;        // exponent of 2, or null
  uint16_t alignment_count;   // how often the alignment was set
  uint16_t flags;             // segment_flag bits
  expr_rec* start_address;    // with SEG_HAS_START: ASEGN, RSEG with an address, the first ORG
  int32_t location;           // location counter
  int32_t size[2];            // highest location reached in pass 1 and pass 2
  statement_rec* first;       // statements placed in the segment, in source order
  statement_rec* last;
};

// One past the highest address of the cores: no location counter passes it.
constexpr int64_t kAddressSpaceEnd = 0x10000;

// The segment table of the module being assembled. It grows by
// kSegmentTableStep entries at a time.
constexpr uint16_t kSegmentTableStep = 20;

struct segment_state {
  segment_rec* current = nullptr;   // the segment new statements are placed in
  segment_rec** table = nullptr;    // by number - 1
  uint16_t count = 0;
  uint16_t capacity = 0;
};

// The segment a name node stands for, or null while it names none.
inline segment_rec* segment_of_node(const ident_node* node) {
  return node != nullptr && node->kind == KIND_USER_SEGMENT
             ? static_cast<segment_rec*>(const_cast<void*>(node->keyword.data))
             : nullptr;
}

// The number an expression relative to this segment carries: 0 for absolute code.
inline uint16_t expr_segment_of(const segment_rec* seg) {
  return seg != nullptr && seg->kind != SEG_ABSOLUTE ? seg->number : 0;
}
