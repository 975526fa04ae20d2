// segment_support.h — segments for tests that need one with a given number:
// unnamed segments fill the numbers below it; number 1 names the absolute one.
#pragma once

#include <string>

#include "directives/segments.h"
#include "driver/context.h"
#include "driver/memory.h"

inline segment_rec* make_test_segment(asm_context& cx, ident_node* node, uint16_t number, uint8_t kind) {
  if (cx.segs.count == 0) reset_segments(cx);
  if (number == 1) {
    segment_rec* abs = cx.segs.table[0];
    abs->name = node->name;
    abs->node = node;
    abs->kind = kind;
    node->kind = KIND_USER_SEGMENT;
    node->keyword.data = abs;
    return abs;
  }
  while (cx.segs.count + 1 < number) {  // fillers with names of their own, outside any table
    ident_node* filler = am_new<ident_node>(cx);
    *filler = ident_node{};
    filler->name = "?FILL";
    filler->kind = KIND_USER;
    new_segment(cx, filler, SEG_RELOCATABLE);
  }
  return new_segment(cx, node, static_cast<segment_kind>(kind));
}
