// conditional.cpp — IF, ELSE, ELSEIF (ELIF) and ENDIF (A12: cond_else,
// cond_elif, cond_endif): the condition stack and its transitions. Every IF
// opens a conditional block of the block stack at its line, so that crossed
// ends (an ENDIF inside a macro expansion whose IF is outside) are reported
// where they stand.
//
//   IF expression        ELSE        ELSEIF expression (ELIF)        ENDIF
#include "directives/conditional.h"

#include "diag/diag.h"
#include "directives/directive_table.h"
#include "driver/block_stack.h"
#include "driver/context.h"
#include "driver/statement.h"
#include "driver/statement_loop.h"
#include "source/char_source.h"
#include "source/lexer.h"
#include "target/target.h"

namespace {

// What ELSE and ELSEIF do in each state.
enum class cond_action : uint8_t {
  error58,   // error 58 "ELSE without IF" (ELSEIF: the rest of the line is ignored)
  nothing,   // ELSE: nothing; ELSEIF: the rest of the line is ignored
  to_done,   // the chosen branch ends: state 5 (ELSEIF: its expression is not evaluated)
  to_else,   // ELSE after no branch was chosen: state 3
  evaluate,  // ELSEIF after no branch was chosen: state 2 when its expression is non-zero
};

struct cond_transition {
  cond_action on_else;
  cond_action on_elseif;
};

// clang-format off
constexpr cond_transition kTransitions[] = {
    //                        ELSE                  ELSEIF
    /* 0 no IF open     */ {cond_action::error58, cond_action::error58},
    /* 1 unbalanced     */ {cond_action::nothing, cond_action::nothing},
    /* 2 branch taken   */ {cond_action::to_done, cond_action::to_done},
    /* 3 in ELSE        */ {cond_action::error58, cond_action::error58},
    /* 4 seeking        */ {cond_action::to_else, cond_action::evaluate},
    /* 5 done, skipping */ {cond_action::error58, cond_action::error58},
};
// clang-format on
static_assert(std::size(kTransitions) == COND_DONE + 1, "one row per state");

long line_of(const statement_call& call) {
  return call.record != nullptr && call.record->line != nullptr ? call.record->line->line_no : 0;
}

// The handed-back mark is cleared before any handler looks at the state.
uint8_t take_state(asm_context& cx) {
  cx.cond.hand_back = 0;
  return cond_current(cx);
}

// ELSEIF's ignored operands: read as characters, so that nothing in them is
// reported.
void ignore_rest_of_line(asm_context& cx) {
  if (cx.lex.at_line_start && cx.lex.backup_count == 0) return;
  token t;
  while (save_or_get_token(cx, TOKEN_GET, t))
    if (t.kind == TOK_EOL || t.kind == TOK_EOF) {
      cx.lex.at_line_start = true;
      return;
    }
  skip_line(cx);
  cx.lex.at_line_start = true;
  cx.lex.column = 0;
}

// The condition of IF or ELSEIF: non-zero is true. A value not known in this
// pass is error 54 (once for the line) and a relocatable one error 53; they,
// and a bad operand, count as 0.
bool condition_value(asm_context& cx) {
  int32_t value = 0;
  const int column = cx.lex.column + 1;
  switch (parse_absolute_expression(cx, &value)) {
    case expr_outcome::absolute: return value != 0;
    case expr_outcome::syntax_error: return false;
    case expr_outcome::relocatable: user_error_at(cx, column, gen_err::must_be_absolute); return false;
    case expr_outcome::not_known: user_error_at(cx, column, gen_err::forward_reference); return false;
  }
  return false;
}

// ELSE and ELSEIF belong to the innermost block: an ELSE after a block opened
// inside the IF (a structured block, a macro expansion) is a crossed block.
bool inside_own_block(asm_context& cx, uint8_t state) {
  if (state < COND_TAKEN) return true;
  return check_block_end(cx, block_type::conditional);
}

void do_if(asm_context& cx, const statement_call& call) {
  take_state(cx);
  push_block(cx, block_type::conditional, line_of(call));
  ++cx.cond.if_depth;
  // A bad operand still opens the block, so that its ENDIF pairs up.
  cx.cond.stack.push_back(cond_entry{COND_SEEKING, false, false});
  if (condition_value(cx)) cx.cond.stack.back().state = COND_TAKEN;
  refresh_line_mode(cx);
}

void do_else(asm_context& cx, const statement_call& call) {
  const uint8_t state = take_state(cx);
  if (!inside_own_block(cx, state)) return;
  switch (kTransitions[state].on_else) {
    case cond_action::error58: user_error_at(cx, call.operation_column, gen_err::else_without_if); return;
    case cond_action::nothing: return;
    case cond_action::to_done:
    case cond_action::evaluate: cx.cond.stack.back().state = COND_DONE; break;
    case cond_action::to_else: cx.cond.stack.back().state = COND_ELSE; break;
  }
  cx.cond.stack.back().else_seen = true;
  refresh_line_mode(cx);
}

void do_elseif(asm_context& cx, const statement_call& call) {
  const uint8_t state = take_state(cx);
  if (!inside_own_block(cx, state)) {
    ignore_rest_of_line(cx);
    return;
  }
  switch (kTransitions[state].on_elseif) {
    case cond_action::error58:
      user_error_at(cx, call.operation_column, gen_err::else_without_if);
      ignore_rest_of_line(cx);
      return;
    case cond_action::nothing:
      ignore_rest_of_line(cx);
      return;
    case cond_action::to_done:
    case cond_action::to_else:
      cx.cond.stack.back().state = COND_DONE;
      ignore_rest_of_line(cx);
      break;
    case cond_action::evaluate: {
      // Evaluated as in an assembled branch; false (or bad) keeps seeking.
      cx.cond.stack.back().state = COND_TAKEN;
      const bool taken = condition_value(cx);
      cx.cond.stack.back().state = taken ? COND_TAKEN : COND_SEEKING;
      break;
    }
  }
  refresh_line_mode(cx);
}

void do_endif(asm_context& cx, const statement_call&) {
  const uint8_t state = take_state(cx);
  if (state == COND_UNBALANCED) return;
  if (!check_block_end(cx, block_type::conditional)) return;  // 59, or 78, 79, 81 for a crossed block
  pop_block(cx);
  if (cx.cond.if_depth > 0) --cx.cond.if_depth;
  if (cx.cond.stack.empty()) {
    user_error(cx, gen_err::cond_unbalanced);
    cx.cond.unbalanced = true;
  } else {
    cx.cond.stack.pop_back();
  }
  refresh_line_mode(cx);
}

//                             name      class          flags            case        handler
constexpr directive_entry kConditionalDirectives[] = {
    {"IF",     DCLASS_IF,     DIR_NOT_CONTENT, UPPER_CASE, do_if},
    {"ELSE",   DCLASS_ELSE,   DIR_NOT_CONTENT, UPPER_CASE, do_else},
    {"ELSEIF", DCLASS_ELSEIF, DIR_NOT_CONTENT, UPPER_CASE, do_elseif},
    {"ELIF",   DCLASS_ELSEIF, DIR_NOT_CONTENT, UPPER_CASE, do_elseif},
    {"ENDIF",  DCLASS_ENDIF,  DIR_NOT_CONTENT, UPPER_CASE, do_endif},
};

}  // namespace

uint8_t cond_current(const asm_context& cx) {
  const cond_state& c = cx.cond;
  if (!c.stack.empty()) return c.stack.back().state;
  return c.unbalanced ? COND_UNBALANCED : COND_NONE;
}

bool cond_skipping(const asm_context& cx) {
  const uint8_t s = cond_current(cx);
  return s == COND_SEEKING || s == COND_DONE;
}

int cond_skip_depth(const asm_context& cx) {
  int depth = 1;
  for (auto it = cx.cond.stack.rbegin(); it != cx.cond.stack.rend() && it->while_skipping; ++it) ++depth;
  return depth;
}

void cond_blocks_cut(asm_context& cx, int count) {
  cond_state& c = cx.cond;
  for (; count > 0 && !c.stack.empty(); --count) {
    c.stack.pop_back();
    if (c.if_depth > 0) --c.if_depth;
  }
  c.macro_depth = 0;
  refresh_line_mode(cx);
}

void reset_conditionals(asm_context& cx) { cx.cond.reset_for_module(); }

void register_conditional_directives(asm_context& cx) {
  register_directives(cx, kConditionalDirectives);
  cx.blocks.on_cut[static_cast<int>(block_type::conditional)] = cond_blocks_cut;
  cx.stmt.skip_line = skip_conditional_line;
}
