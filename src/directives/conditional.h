// conditional.h — conditional assembly (A12): IF, ELSE, ELSEIF (ELIF) and
// ENDIF select which lines are assembled. Each open IF is one entry of the
// condition stack and one conditional block of the shared block stack; while
// a branch is not taken, the skipper (conditional_skip.cpp) reads the lines
// and hands back only the directives that end or switch the skipped part.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "directives/conditional_words.h"

struct asm_context;
struct statement_rec;
enum class line_result : uint8_t;

// States of a condition entry; the state of the top entry is the current one.
enum cond_code : uint8_t {
  COND_NONE = 0,        // no IF open: lines are assembled
  COND_UNBALANCED = 1,  // an entry was expected and none was there (error 57): assembled as 0
  COND_TAKEN = 2,       // in the IF or ELSEIF branch that was chosen
  COND_ELSE = 3,        // in the ELSE branch, no branch chosen before
  COND_SEEKING = 4,     // skipping; no branch chosen yet
  COND_DONE = 5,        // skipping; a branch was chosen, or the group lies in skipped lines
};

// Marks a directive line the skipper handed back for normal processing;
// every handler clears it before it looks at the state.
constexpr uint8_t kCondHandedBack = 128;

struct cond_entry {
  uint8_t state = COND_NONE;
  bool else_seen = false;       // this group's ELSE was met: a second one is error 58
  bool while_skipping = false;  // opened by the skipper inside skipped lines
};

struct cond_state {
  std::vector<cond_entry> stack;  // innermost last
  bool unbalanced = false;        // state 1 while the stack is empty
  uint8_t hand_back = 0;          // kCondHandedBack while a handed-back line is processed
  int if_depth = 0;               // IF directives open (ENDIF lowers it, never below 0)
  int macro_depth = 0;            // MACRO ... ENDM nesting met while skipping
  class_word_table class_words;   // the block directive names, for the skipper

  // Every module starts with no IF open.
  void reset_for_module() {
    stack.clear();
    unbalanced = false;
    hand_back = 0;
    if_depth = 0;
    macro_depth = 0;
  }
};

// The current state: the top entry's, else 0 (or 1 after error 57).
uint8_t cond_current(const asm_context& cx);

// True while lines are skipped (states 4 and 5).
bool cond_skipping(const asm_context& cx);

// Skipped groups opened by the skipper inside the skipped part, plus one: 1
// while the skipped part itself is read.
int cond_skip_depth(const asm_context& cx);

// IF, ELSE, ELSEIF, ELIF, ENDIF; the end-of-include hook of conditional blocks.
void register_conditional_directives(asm_context& cx);

// Module start: no IF open.
void reset_conditionals(asm_context& cx);

// The statement loop's hook for a line read while skipping. `record` is the
// line's statement record, or null when skipped lines are not listed; `line`
// is the line's text (without its newline) with nothing of it read yet.
line_result skip_conditional_line(asm_context& cx, statement_rec* record, std::string_view line);

// End of the input while skipping: error 57 (or 76, 4 when no IF is open)
// and the run stops, but under -c! where the open blocks are closed.
void skipping_at_end_of_input(asm_context& cx);

// Blocks of the block stack cut off above an expansion or include file: their
// condition entries go with them.
void cond_blocks_cut(asm_context& cx, int count);
