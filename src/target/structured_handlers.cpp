// structured_handlers.cpp — the handlers of the structured-assembly statements
// (B05) and the nesting stack of open constructs. A handler checks first and
// then pushes or pops at most one frame and generates its lines; a statement
// that fails a check generates nothing and leaves the stack as it was.
#include <cstring>

#include "target/target_state.h"
#include "diag/diag.h"
#include "driver/block_stack.h"
#include "driver/context.h"
#include "driver/memory.h"
#include "driver/stops.h"
#include "expr/expression.h"
#include "target/operand_grammar.h"
#include "target/structured_internal.h"

namespace {

constexpr int kMaxStep = 4;
constexpr int kMaxBreakLevels = 3;

sa_frame* push_frame(asm_context& cx, int kind) {
  structured_state& st = target_of(cx).structured;
  sa_frame* f = st.free_frames;
  if (f != nullptr)
    st.free_frames = f->link;
  else
    f = am_new<sa_frame>(cx);
  char* const buf = f->limit_buf;
  const std::size_t cap = f->limit_cap;
  *f = sa_frame{};
  f->limit_buf = buf;
  f->limit_cap = cap;
  f->link = st.top;
  f->kind = kind;
  f->line = cx.source.line_no;
  st.top = f;
  ++st.depth;
  push_block(cx, block_type::structured, f->line);
  return f;
}

// Closes the innermost structured block of the block stack: blocks of other
// kinds opened inside the construct stay where they are.
void drop_structured_block(asm_context& cx) {
  std::vector<block_entry>& open = cx.blocks.open;
  for (std::size_t i = open.size(); i-- > 0;)
    if (open[i].type == block_type::structured) {
      open.erase(open.begin() + static_cast<std::ptrdiff_t>(i));
      return;
    }
}

// The innermost frame when it is of `kind`, else null.
sa_frame* top_of(asm_context& cx, int kind) {
  sa_frame* f = target_of(cx).structured.top;
  return f != nullptr && f->kind == kind ? f : nullptr;
}

// An end of a construct must close the innermost open block.
bool end_allowed(sa_parse& ps) {
  ps.cx.diag.token_column = ps.op_column;
  return check_block_end(ps.cx, block_type::structured);
}

// The frame an end or a middle part belongs to; error `number` when the
// innermost frame is of another kind (or none is open).
sa_frame* frame_for(sa_parse& ps, int kind, tgt_err number) {
  sa_frame* f = top_of(ps.cx, kind);
  if (f == nullptr) sa_error(ps.cx, ps.op_column, static_cast<int>(number));
  return f;
}

bool check_condition(sa_parse& ps, const sa_condition& c) {
  return c.flag != 0 || check_operand(ps, c.reg, c.op, false);
}

// A constant argument (the FOR step, the BREAK count): it begins with a digit
// and solves to an absolute number, else error 418. A "," would end the
// expression early and leave the rest unread: such a text is no constant.
bool solve_constant(sa_parse& ps, const sa_operand& op, long& value) {
  asm_context& cx = ps.cx;
  const std::string_view text(op.text, static_cast<std::size_t>(op.len));
  const bool digit = op.reg == SA_NO_REG && op.text[0] >= '0' && op.text[0] <= '9';
  if (digit && op.len <= kStringExpressionMax && text.find(',') == std::string_view::npos) {
    char own[kStringExpressionMax + 1];
    std::memcpy(own, op.text, static_cast<std::size_t>(op.len));
    own[op.len] = '\0';
    const int column = cx.lex.column;
    cx.lex.column = op.column - 1;  // errors in the text point into the line
    const expr_rec* e = string_to_expression(cx, own);
    cx.lex.column = column;
    if (e != nullptr && e->state == EXPR_ABSOLUTE) {
      value = e->value;
      return true;
    }
  }
  sa_error(cx, op.column, static_cast<int>(tgt_err::step_unsolvable));
  return false;
}

int digit_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return 99;
}

// The value of a limit written as one constant: digits with an optional radix
// suffix (H, B, Q, O, D) or "0x", or a character constant of one plain
// character. Anything else (an expression, a malformed constant) is left to
// the generated compare, which reports what is wrong with it.
bool plain_constant(const asm_context& cx, std::string_view t, unsigned long& value) {
  if (t.size() == 3 && t[0] == '\'' && t[2] == '\'' && t[1] != '\\') {
    value = static_cast<unsigned char>(t[1]);
    return true;
  }
  int radix = cx.lex.radix;
  if (t.size() > 2 && t[0] == '0' && (t[1] == 'x' || t[1] == 'X')) {
    t.remove_prefix(2);
    radix = 16;
  } else if (!t.empty()) {
    switch (t.back()) {  // a radix letter decides, as for the lexer
      case 'H': case 'h': radix = 16; break;
      case 'D': case 'd': radix = 10; break;
      case 'B': case 'b': radix = 2; break;
      case 'Q': case 'q': case 'O': case 'o': radix = 8; break;
      default: break;
    }
    if (radix != cx.lex.radix || digit_value(t.back()) >= radix) t.remove_suffix(1);
  }
  if (t.empty() || t.size() > 16) return false;
  value = 0;
  for (char c : t) {
    const int d = digit_value(c);
    if (d >= radix) return false;
    value = value * static_cast<unsigned long>(radix) + static_cast<unsigned long>(d);
  }
  return true;
}

// Warning 400 for a number limit with which the loop never ends: the test is
// unsigned, so DOWNTO below the step wraps round, and TO within a step of the
// register's top does too.
void warn_endless(sa_parse& ps, int reg, const sa_operand& limit, int direction, int step) {
  asm_context& cx = ps.cx;
  if (limit.reg != SA_NO_REG || !limit.number) return;
  std::string_view text(limit.text, static_cast<std::size_t>(limit.len));
  if (text[0] == '#') text.remove_prefix(1);
  unsigned long v = 0;
  if (!plain_constant(cx, text, v)) return;
  // The value as the compare instruction holds it.
  const unsigned long top = get_reg_size(cx, reg) ? 0xFFFFul : 0xFFul;
  v &= top;
  const unsigned long s = static_cast<unsigned long>(step);
  const bool endless = direction == 1 ? v > top - s : v < s;
  if (endless) sa_warning(cx, limit.column, static_cast<int>(tgt_warn::number_out_of_range));
}

void keep_limit(asm_context& cx, sa_frame* f, const sa_operand& limit) {
  const std::size_t len = static_cast<std::size_t>(limit.len);
  if (f->limit_cap < len) {
    f->limit_cap = len < 64 ? 64 : len;
    f->limit_buf = static_cast<char*>(am_memory(cx, f->limit_cap));
  }
  std::memcpy(f->limit_buf, limit.text, len);
  f->loop.limit = f->limit_buf;
  f->loop.limit_len = len;
  f->loop.limit_reg = limit.reg;
  f->loop.limit_is_number = limit.number;
}

sa_operand limit_of(const sa_frame* f) {
  return sa_operand{f->loop.limit_reg, f->loop.limit, static_cast<int>(f->loop.limit_len), f->loop.limit_is_number, 0};
}

// The n-th enclosing frame with an exit label; `passed_any` tells whether
// another frame lies between it and the top.
sa_frame* exit_frame(asm_context& cx, long n, bool& passed_any) {
  passed_any = false;
  for (sa_frame* f = target_of(cx).structured.top; f != nullptr; f = f->link) {
    if (f->exit_label != 0 && --n == 0) return f;
    passed_any = true;
  }
  return nullptr;
}

void break_to(sa_parse& ps, long n) {
  bool passed_any = false;
  sa_frame* f = exit_frame(ps.cx, n, passed_any);
  if (f == nullptr) {
    sa_error(ps.cx, ps.op_column, static_cast<int>(tgt_err::nothing_to_break));
    return;
  }
  emit_branch(ps.cx, "BR", f->exit_label);
  // The case ends here for certain only when no other construct lies between.
  if (f->kind == SA_SWITCH && !passed_any) f->sw.ended_by_break = true;
}

// The switch a CASE belongs to, or null after an error.
sa_frame* begin_case(sa_parse& ps) {
  sa_frame* f = frame_for(ps, SA_SWITCH, tgt_err::case_outside_switch);
  if (f == nullptr) return nullptr;
  if (f->sw.default_seen) {
    sa_error(ps.cx, ps.op_column, static_cast<int>(tgt_err::case_after_default));
    return nullptr;
  }
  return f;
}

// Into the case: a jump over the test when the previous case falls through,
// the previous case's no-match label, and the label of the next test.
void enter_case(asm_context& cx, sa_frame* f, long& body) {
  body = 0;
  if (!f->sw.ended_by_break) {
    body = new_label(cx);
    emit_branch(cx, "BR", body);
  }
  if (f->sw.pending_label != 0) emit_label_line(cx, f->sw.pending_label);
  f->sw.pending_label = new_label(cx);
}

void finish_case(asm_context& cx, sa_frame* f, long body) {
  if (body != 0) emit_label_line(cx, body);
  f->sw.ended_by_break = false;
}

}  // namespace

void sa_error(asm_context& cx, int column, int number, const char* text) {
  user_error_at(cx, column, error_id{number}, text);
}

void sa_warning(asm_context& cx, int column, int number) { user_warning_at(cx, column, warning_id{number}); }

void pop_stack(asm_context& cx) {
  if (pop_frame(cx)) drop_structured_block(cx);
}

bool pop_frame(asm_context& cx) {
  structured_state& st = target_of(cx).structured;
  sa_frame* f = st.top;
  if (f == nullptr) {
    internal_error(cx, "pop_stack_B05", "nothing to pop");
    return false;
  }
  st.top = f->link;
  f->link = st.free_frames;
  st.free_frames = f;
  --st.depth;
  return true;
}

// IFS condition
void handle_if(sa_parse& ps, const sa_condition& c) {
  if (!check_condition(ps, c)) return;
  sa_frame* f = push_frame(ps.cx, SA_IFS);
  f->ifs.false_label = new_label(ps.cx);
  f->ifs.end_label = new_label(ps.cx);
  emit_condition(ps.cx, c, f->ifs.false_label);
}

// ELSEIFS condition
void handle_elseif(sa_parse& ps, const sa_condition& c) {
  sa_frame* f = frame_for(ps, SA_IFS, tgt_err::elseif_without_if);
  if (f == nullptr) return;
  if (f->ifs.else_seen) {
    sa_error(ps.cx, ps.op_column, static_cast<int>(tgt_err::elseif_after_else));
    return;
  }
  if (!check_condition(ps, c)) return;
  emit_branch(ps.cx, "BR", f->ifs.end_label);
  emit_label_line(ps.cx, f->ifs.false_label);
  f->ifs.false_label = new_label(ps.cx);
  f->ifs.else_or_elseif_seen = true;
  emit_condition(ps.cx, c, f->ifs.false_label);
}

// ELSES
void handle_else(sa_parse& ps) {
  sa_frame* f = frame_for(ps, SA_IFS, tgt_err::else_without_if);
  if (f == nullptr) return;
  if (f->ifs.else_seen) {
    sa_error(ps.cx, ps.op_column, static_cast<int>(tgt_err::else_twice));
    return;
  }
  emit_branch(ps.cx, "BR", f->ifs.end_label);
  emit_label_line(ps.cx, f->ifs.false_label);
  f->ifs.else_seen = true;
  f->ifs.else_or_elseif_seen = true;
}

// ENDIFS
void handle_endif(sa_parse& ps) {
  if (!end_allowed(ps)) return;
  sa_frame* f = frame_for(ps, SA_IFS, tgt_err::then_without_if);
  if (f == nullptr) return;
  if (f->ifs.else_or_elseif_seen) emit_label_line(ps.cx, f->ifs.end_label);
  if (!f->ifs.else_seen) emit_label_line(ps.cx, f->ifs.false_label);
  pop_stack(ps.cx);
}

// WHILE condition
void handle_while(sa_parse& ps, const sa_condition& c) {
  if (!check_condition(ps, c)) return;
  sa_frame* f = push_frame(ps.cx, SA_WHILE);
  f->continue_label = new_label(ps.cx);
  f->exit_label = new_label(ps.cx);
  if (c.flag != 0) {
    emit_branch(ps.cx, opposite_branch(ps.cx, c.flag), f->exit_label, f->continue_label);
    return;
  }
  emit_label_line(ps.cx, f->continue_label);
  emit_condition(ps.cx, c, f->exit_label);
}

// ENDW
void handle_endw(sa_parse& ps) {
  if (!end_allowed(ps)) return;
  sa_frame* f = frame_for(ps, SA_WHILE, tgt_err::wend_without_while);
  if (f == nullptr) return;
  emit_branch(ps.cx, "BR", f->continue_label);
  emit_label_line(ps.cx, f->exit_label);
  pop_stack(ps.cx);
}

// REPEAT
void handle_repeat(sa_parse& ps) {
  sa_frame* f = push_frame(ps.cx, SA_REPEAT);
  f->continue_label = new_label(ps.cx);
  f->exit_label = new_label(ps.cx);
  emit_label_line(ps.cx, f->continue_label);
}

// UNTIL condition: back to the top while the condition is false.
void handle_until(sa_parse& ps, const sa_condition& c) {
  if (!end_allowed(ps)) return;
  sa_frame* f = frame_for(ps, SA_REPEAT, tgt_err::until_without_repeat);
  if (f == nullptr || !check_condition(ps, c)) return;
  emit_condition(ps.cx, c, f->continue_label);
  emit_label_line(ps.cx, f->exit_label);
  pop_stack(ps.cx);
}

// SWITCH register
void handle_switch(sa_parse& ps, const sa_operand& selector) {
  sa_frame* f = push_frame(ps.cx, SA_SWITCH);
  f->exit_label = new_label(ps.cx);
  f->sw.selector = selector.reg;
  f->sw.pending_label = 0;
  f->sw.ended_by_break = true;
}

// CASE value
void handle_case(sa_parse& ps, const sa_operand& value) {
  long body = 0;
  sa_frame* f = begin_case(ps);
  if (f == nullptr || !check_operand(ps, f->sw.selector, value, false)) return;
  enter_case(ps.cx, f, body);
  emit_compare(ps.cx, f->sw.selector, value);
  emit_branch(ps.cx, "BNZ", f->sw.pending_label);
  finish_case(ps.cx, f, body);
}

// CASE low..high
void handle_casein(sa_parse& ps, const sa_operand& low, const sa_operand& high) {
  long body = 0;
  sa_frame* f = begin_case(ps);
  if (f == nullptr || !check_operand(ps, f->sw.selector, low, false) ||
      !check_operand(ps, f->sw.selector, high, false))
    return;
  asm_context& cx = ps.cx;
  enter_case(cx, f, body);
  emit_compare(cx, f->sw.selector, low);
  emit_branch(cx, "BC", f->sw.pending_label);
  emit_compare(cx, f->sw.selector, high);
  const long t1 = new_label(cx);
  const long t2 = new_label(cx);
  emit_branch(cx, "BNZ", t1);
  emit_branch(cx, "BR", t2);
  emit_branch(cx, "BNC", f->sw.pending_label, t1);
  emit_label_line(cx, t2);
  finish_case(cx, f, body);
}

// DEFAULT
void handle_default(sa_parse& ps) {
  sa_frame* f = frame_for(ps, SA_SWITCH, tgt_err::default_outside_switch);
  if (f == nullptr) return;
  if (f->sw.default_seen) {
    sa_error(ps.cx, ps.op_column, static_cast<int>(tgt_err::multiple_default));
    return;
  }
  if (f->sw.pending_label != 0) emit_label_line(ps.cx, f->sw.pending_label);
  f->sw.pending_label = 0;
  f->sw.default_seen = true;
}

// ENDS
void handle_ends(sa_parse& ps) {
  if (!end_allowed(ps)) return;
  sa_frame* f = frame_for(ps, SA_SWITCH, tgt_err::ends_without_switch);
  if (f == nullptr) return;
  if (f->sw.pending_label != 0) emit_label_line(ps.cx, f->sw.pending_label);
  emit_label_line(ps.cx, f->exit_label);
  pop_stack(ps.cx);
}

// FOR register = start TO|DOWNTO limit [STEP|BY n]
void handle_for(sa_parse& ps, const sa_operand& reg_op, const sa_mark& relation, const sa_operand& init,
                int direction, const sa_operand& limit, const sa_operand* step) {
  asm_context& cx = ps.cx;
  if (relation.code != SA_REL_EQ) {
    sa_error(cx, relation.column, static_cast<int>(gen_err::invalid_syntax));
    return;
  }
  const int reg = reg_op.reg;
  if (!check_operand(ps, reg, init, true) || !check_operand(ps, reg, limit, false)) return;
  long step_value = 1;
  if (step != nullptr) {
    if (!solve_constant(ps, *step, step_value)) return;
    const tgt_err bad = step_value < 0 ? tgt_err::negative_step
                        : step_value == 0 ? tgt_err::zero_step
                                          : tgt_err::step_too_large;
    if (step_value < 1 || step_value > kMaxStep) {
      sa_error(cx, step->column, static_cast<int>(bad));
      return;
    }
  }
  warn_endless(ps, reg, limit, direction, static_cast<int>(step_value));
  sa_frame* f = push_frame(cx, SA_FOR);
  f->loop.body_label = new_label(cx);
  f->loop.test_label = new_label(cx);
  f->continue_label = new_label(cx);
  f->exit_label = new_label(cx);
  f->loop.step = static_cast<int>(step_value);
  f->loop.direction = direction;
  f->loop.loop_reg = reg;
  keep_limit(cx, f, limit);
  emit_load(cx, reg, init);
  emit_branch(cx, "BR", f->loop.test_label);
  emit_label_line(cx, f->loop.body_label);
}

// ENDF: the step, the test, the loop branch.
void handle_endf(sa_parse& ps) {
  if (!end_allowed(ps)) return;
  sa_frame* f = frame_for(ps, SA_FOR, tgt_err::endf_without_for);
  if (f == nullptr) return;
  asm_context& cx = ps.cx;
  const int reg = f->loop.loop_reg;
  const bool word = get_reg_size(cx, reg) != 0;
  const char* step = f->loop.direction == 1 ? (word ? "INCW" : "INC") : (word ? "DECW" : "DEC");
  for (int i = 0; i < f->loop.step; ++i) emit_line(cx, register_name(reg), i == 0 ? f->continue_label : 0, step, nullptr);
  emit_label_line(cx, f->loop.test_label);
  emit_compare(cx, reg, limit_of(f));
  if (f->loop.direction == 1) {
    emit_branch(cx, "BC", f->loop.body_label);
    emit_branch(cx, "BZ", f->loop.body_label);
  } else {
    emit_branch(cx, "BNC", f->loop.body_label);
  }
  emit_label_line(cx, f->exit_label);
  pop_stack(cx);
}

// BREAK
void handle_break(sa_parse& ps) { break_to(ps, 1); }

// BREAK n
void handle_break_n(sa_parse& ps, const sa_operand& count) {
  long n = 0;
  if (!solve_constant(ps, count, n)) return;
  if (n < 1 || n > kMaxBreakLevels) {
    sa_error(ps.cx, count.column, static_cast<int>(tgt_err::bad_break_argument));
    return;
  }
  break_to(ps, n);
}

// CONTINUE
void handle_continue(sa_parse& ps) {
  for (sa_frame* f = target_of(ps.cx).structured.top; f != nullptr; f = f->link)
    if (f->continue_label != 0) {
      emit_branch(ps.cx, "BR", f->continue_label);
      return;
    }
  sa_error(ps.cx, ps.op_column, static_cast<int>(tgt_err::nothing_to_continue));
}
