// block_stack.cpp — open macro, repeat, conditional and structured blocks (A12).
#include "directives/block_stack.h"

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

}  // namespace

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

bool check_block_end(asm_context& cx, block_type end) {
  const block_type open = top_block(cx).type;
  if (open == end) return true;
  if (open == block_type::none)
    user_error(cx, kBlockEndErrors[static_cast<int>(end)].end_without_block);
  else
    user_error(cx, kBlockEndErrors[static_cast<int>(open)].end_expected);
  return false;
}
