// operands.cpp — reading directive operands (A09).
#include "directives/operands.h"

#include "diag/diag.h"
#include "driver/context.h"
#include "expr/expression.h"
#include "source/lexer.h"
#include "target/target.h"

bool is_punct(const token& t, char c) { return t.kind == TOK_PUNCT && t.code == static_cast<unsigned char>(c); }

bool at_operand_end(asm_context& cx) {
  token t = next_token(cx);
  save_or_get_token(cx, TOKEN_SAVE, t);
  return t.kind == TOK_EOL || t.kind == TOK_EOF;
}

bool expect_punct(asm_context& cx, char c, gen_err missing) {
  token t = next_token(cx);
  if (is_punct(t, c)) return true;
  user_error_at(cx, t.column, missing);
  save_or_get_token(cx, TOKEN_SAVE, t);
  return false;
}

namespace {

// The operand as a number known now, or null after its error.
expr_rec* known_operand(asm_context& cx, int& column) {
  token first = next_token(cx);
  save_or_get_token(cx, TOKEN_SAVE, first);
  if (first.kind != TOK_EOL && first.kind != TOK_EOF) column = first.column;
  expr_rec* e = parse_expression(cx);
  if (e == nullptr) return nullptr;
  if (e->in_unsolved_list) mark_or_get_unsolved(cx, UNSOLVED_REMOVE, e);
  if (e->state == EXPR_UNSOLVED || e->state == EXPR_TEMPORARY) {
    user_error_at(cx, column, gen_err::forward_reference);
    return nullptr;
  }
  return e;
}

}  // namespace

expr_rec* read_absolute_operand(asm_context& cx, int column, int32_t min, int32_t max, const char* range) {
  expr_rec* e = known_operand(cx, column);
  if (e == nullptr) return nullptr;
  if (e->state != EXPR_ABSOLUTE) {
    user_error_at(cx, column, gen_err::must_be_absolute);
    return nullptr;
  }
  if (e->value < min || e->value > max) {
    user_error_at(cx, column, gen_err::value_out_of_range, range);
    return nullptr;
  }
  return e;
}

bool read_location_operand(asm_context& cx, int column, int32_t* value) {
  expr_rec* e = known_operand(cx, column);
  if (e == nullptr) return false;
  const bool here = e->state == EXPR_RELATIVE && cx.segs.current != nullptr && e->segment == cx.segs.current->number;
  if (e->state != EXPR_ABSOLUTE && !here) {
    user_error_at(cx, column, gen_err::must_be_absolute);
    return false;
  }
  if (e->value < 0) {
    user_error_at(cx, column, gen_err::negative_result);
    return false;
  }
  *value = e->value;
  return true;
}
