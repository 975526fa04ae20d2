// segments.h — segments of a module and the location counter (A09): the table
// of segment records, finding a segment by its name, switching the current
// segment, and the reset at the start of each module.
#pragma once

#include <string_view>

#include "driver/segment_rec.h"

struct asm_context;

// Empties the table and opens the absolute segment (number 1) at location 0
// as the current segment: a module starts as if ASEG had been written.
void reset_segments(asm_context& cx);

// A new segment of `kind` named by `node` (a user symbol, which becomes the
// segment's name node), with the next number, at location 0.
segment_rec* new_segment(asm_context& cx, ident_node* node, segment_kind kind);

// The segment named by `node`, or null while none of that name is declared.
segment_rec* find_segment(const asm_context& cx, const ident_node* node);
// The segment of this name (as the symbol table finds names), or null.
segment_rec* find_segment(asm_context& cx, std::string_view name);

// The absolute segment of the module.
segment_rec* absolute_segment(const asm_context& cx);

// Makes `seg` the current segment; its location counter is where it was left.
void switch_segment(asm_context& cx, segment_rec* seg);
