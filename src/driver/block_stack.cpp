// block_stack.cpp — open macro, repeat, conditional and structured blocks (A12).
#include "driver/block_stack.h"

#include "driver/context.h"

void push_block(asm_context& cx, block_type type, long start_line) {
  cx.blocks.open.push_back(block_entry{type, start_line});
}

block_entry top_block(const asm_context& cx) { return cx.blocks.open.empty() ? block_entry{} : cx.blocks.open.back(); }

void pop_block(asm_context& cx) {
  if (!cx.blocks.open.empty()) cx.blocks.open.pop_back();
}

int block_depth(const asm_context& cx) { return static_cast<int>(cx.blocks.open.size()); }

int blocks_of_type(const asm_context& cx, block_type type) {
  int n = 0;
  for (const block_entry& e : cx.blocks.open) n += e.type == type;
  return n;
}

block_counts cut_blocks(asm_context& cx, int depth) {
  block_counts cut;
  if (depth < 0) depth = 0;
  while (block_depth(cx) > depth) {
    ++cut.of[static_cast<int>(cx.blocks.open.back().type)];
    cx.blocks.open.pop_back();
  }
  for (int t = 0; t < kBlockTypes; ++t)
    if (cut.of[t] != 0 && cx.blocks.on_cut[t] != nullptr) cx.blocks.on_cut[t](cx, cut.of[t]);
  return cut;
}

block_counts blocks_above(const asm_context& cx, int depth) {
  block_counts n;
  for (std::size_t i = depth > 0 ? static_cast<std::size_t>(depth) : 0; i < cx.blocks.open.size(); ++i)
    ++n.of[static_cast<int>(cx.blocks.open[i].type)];
  return n;
}

void reset_blocks(asm_context& cx) { cx.blocks.reset_for_module(); }
