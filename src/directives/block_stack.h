// block_stack.h — the stack of open blocks shared by macro recording, repeat
// blocks, conditional assembly and structured assembly (A12). Block ends are
// checked against its top; diagnostics name the line where the innermost began.
#pragma once

#include <vector>

struct asm_context;

enum class block_type : int { none = 0, macro = 1, repeat = 2, conditional = 3, structured = 4 };

struct block_entry {
  block_type type = block_type::none;
  long start_line = 0;  // line of the directive that opened the block
};

struct block_stack {
  std::vector<block_entry> open;  // innermost last
};

// Opens a block that began at `start_line`.
void push_block(asm_context& cx, block_type type, long start_line);

// The innermost open block; type none when no block is open.
block_entry top_block(const asm_context& cx);

// Closes the innermost block; nothing happens when none is open.
void pop_block(asm_context& cx);

int block_depth(const asm_context& cx);

// Checks a block end of type `end` against the innermost open block. When that
// block is of another type, the error is reported at the current column:
// with no block open the end's own (37, 68, 59, 82), else the open block's
// (78, 79, 80, 81, with the block note); the stack is left as it is and the
// result is false.
bool check_block_end(asm_context& cx, block_type end);

// Every pass starts with no open block.
void reset_blocks(asm_context& cx);
