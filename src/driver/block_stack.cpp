// block_stack.cpp — open macro, repeat, conditional and structured blocks (A12).
#include "driver/block_stack.h"

#include "diag/diag.h"
#include "driver/context.h"

namespace {

// Per block type: the error of its end when no block is open, and the error
// of any other end while it is the innermost block.
struct block_end_errors {
  gen_err end_without_block;
  gen_err end_expected;
};
constexpr block_end_errors kBlockEndErrors[] = {
    /* none        */ {gen_err::invalid_syntax, gen_err::invalid_syntax},
    /* macro       */ {gen_err::endm_outside_macro, gen_err::macro_end_expected},
    /* repeat      */ {gen_err::endr_without_start, gen_err::repeat_end_expected},
    /* conditional */ {gen_err::endif_without_if, gen_err::cond_end_expected},
    /* structured  */ {gen_err::structured_end_misplaced, gen_err::structured_end_expected},
};
static_assert(std::size(kBlockEndErrors) == kBlockTypes, "one row per block type");

}  // namespace

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

bool check_block_end(asm_context& cx, block_type end) {
  const block_type open = top_block(cx).type;
  if (open == end) return true;
  if (open == block_type::none)
    user_error(cx, kBlockEndErrors[static_cast<int>(end)].end_without_block);
  else
    user_error(cx, kBlockEndErrors[static_cast<int>(open)].end_expected);
  return false;
}
