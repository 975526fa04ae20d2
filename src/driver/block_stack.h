// block_stack.h — the stack of open blocks shared by macro recording, repeat
// blocks, conditional assembly and structured assembly (A12). It is the one
// record of block nesting: block ends are checked against its top, include
// files compare its depth at their start and end, and diagnostics name the
// line where the innermost block began.
#pragma once

#include <vector>

struct asm_context;

enum class block_type : int { none = 0, macro = 1, repeat = 2, conditional = 3, structured = 4 };
constexpr int kBlockTypes = 5;

struct block_entry {
  block_type type = block_type::none;
  long start_line = 0;  // line of the directive that opened the block
};

// Called for each type when blocks of that type were cut off (an include file
// ended with them open), so the module owning them can drop its own records.
using block_cut_hook = void (*)(asm_context& cx, int count);

struct block_stack {
  std::vector<block_entry> open;  // innermost last
  block_cut_hook on_cut[kBlockTypes] = {};

  // Every pass and every module starts with no open block.
  void reset_for_module() { open.clear(); }
};

// Opens a block that began at `start_line`.
void push_block(asm_context& cx, block_type type, long start_line);

// The innermost open block; type none when no block is open.
block_entry top_block(const asm_context& cx);

// Closes the innermost block; nothing happens when none is open.
void pop_block(asm_context& cx);

int block_depth(const asm_context& cx);

// Open blocks of one type.
int blocks_of_type(const asm_context& cx, block_type type);

// Closes every block above `depth`; returns how many of each type were closed
// (indexed by block_type) and tells the owners through their cut hooks.
struct block_counts {
  int of[kBlockTypes] = {};
};
block_counts cut_blocks(asm_context& cx, int depth);
// What cut_blocks would close, without closing it.
block_counts blocks_above(const asm_context& cx, int depth);

// Checks a block end of type `end` against the innermost open block. When that
// block is of another type, the error is reported at the current column:
// with no block open the end's own (37, 68, 59, 82), else the open block's
// (78, 79, 80, 81, with the block note); the stack is left as it is and the
// result is false.
bool check_block_end(asm_context& cx, block_type end);

// Every pass starts with no open block.
void reset_blocks(asm_context& cx);
