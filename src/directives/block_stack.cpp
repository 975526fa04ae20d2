// block_stack.cpp — open macro, repeat, conditional and structured blocks (A12).
#include "directives/block_stack.h"

#include "driver/context.h"

void push_block(asm_context& cx, block_type type, long start_line) {
  cx.blocks.open.push_back(block_entry{type, start_line});
}

block_entry top_block(const asm_context& cx) {
  return cx.blocks.open.empty() ? block_entry{} : cx.blocks.open.back();
}

void pop_block(asm_context& cx) {
  if (!cx.blocks.open.empty()) cx.blocks.open.pop_back();
}

int block_depth(const asm_context& cx) { return static_cast<int>(cx.blocks.open.size()); }

void reset_blocks(asm_context& cx) { cx.blocks.open.clear(); }
