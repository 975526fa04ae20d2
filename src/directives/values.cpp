// values.cpp — giving symbols values (A09): SET, VAR, ASSIGN, DEFINE, LIMIT,
// and define_value, which EQU and "=" of the target use too.
//
//   label SET expression        (VAR, ASSIGN alike)
//   label DEFINE expression
//   LIMIT expression, minimum, maximum, "message"
#include "directives/values.h"

#include "diag/diag.h"
#include "directives/directive_table.h"
#include "directives/operands.h"
#include "driver/context.h"
#include "driver/memory.h"
#include "driver/statement.h"
#include "expr/expression.h"
#include "source/lexer.h"
#include "source/symbols.h"
#include "target/target.h"

namespace {

// Two solved values are the same when state, segment and number agree.
bool same_value(const expr_rec* a, const expr_rec* b) {
  const bool solved_a = a->state == EXPR_ABSOLUTE || a->state == EXPR_RELATIVE;
  const bool solved_b = b->state == EXPR_ABSOLUTE || b->state == EXPR_RELATIVE;
  return solved_a && solved_b && a->state == b->state && a->segment == b->segment && a->value == b->value;
}

// A SET variable takes a new value as a fresh symbol: references made before
// keep the node (and value) they found, later ones find the new node.
ident_node* fresh_variable(asm_context& cx, ident_node* label) {
  char name[kMaxIdentLength + 1];
  const std::size_t length = label->length;
  for (std::size_t i = 0; i < length; ++i) name[i] = label->name[i];
  const uint32_t flags = label->label->flags & (LBL_VARIABLE | LBL_LOCAL);
  delete_node(cx, label);
  ident_node* fresh = user_node(cx, name, length);
  label_rec* rec = get_label_rec(cx, fresh);
  rec->flags |= flags;
  return fresh;
}

void mark_defined(asm_context& cx, label_rec* rec, expr_rec* value, ident_node* node) {
  rec->flags = (rec->flags & ~static_cast<uint32_t>(LBL_UNDEFINED)) | LBL_DEFINED_THIS_PASS;
  rec->value = value;
  rec->defined_at = cx.stmt.current != nullptr ? cx.stmt.current->line : nullptr;
  if (value != nullptr && value->owner == nullptr) value->owner = node;
  // The symbol's attribute bits travel with values taken from it.
  if (value != nullptr && (value->flags & kExprSymbolBits)) rec->flags |= value->flags & kExprSymbolBits;
}

// SET, VAR, ASSIGN; DEFINE (argument 1).
void do_set(asm_context& cx, const statement_call& call) {
  if (call.label == nullptr) {
    if (call.label_column == 0) user_error_at(cx, call.operation_column, gen_err::bad_label);  // else reported
    return;
  }
  expr_rec* value = parse_expression(cx);
  if (value == nullptr) return;
  call.record->kind = stmt_kind::equate;
  call.record->value = value;
  define_value(cx, call.label, call.label_column, value, call.argument ? value_kind::define : value_kind::variable);
}

// LIMIT expression, minimum, maximum, "message": checked now when the value
// is known, else when it is (after pass 1), or by the linker.
void do_limit(asm_context& cx, const statement_call& call) {
  token first = next_token(cx);
  save_or_get_token(cx, TOKEN_SAVE, first);
  expr_rec* value = parse_expression(cx);
  if (value == nullptr) return;
  int32_t bounds[2] = {0, 0};
  for (int32_t& bound : bounds) {
    if (!expect_punct(cx, ',', gen_err::comma_expected)) return;
    expr_rec* e = read_absolute_operand(cx, call.operation_column, INT32_MIN, INT32_MAX, "");
    if (e == nullptr) return;
    bound = e->value;
  }
  if (!expect_punct(cx, ',', gen_err::comma_expected)) return;
  const token text = next_token(cx);
  if (text.kind != TOK_STRING) {
    user_error_at(cx, text.column, gen_err::invalid_syntax);
    return;
  }
  value->limit_kind = kLimitBoth;
  value->limit_min = bounds[0];
  value->limit_max = bounds[1];
  value->limit_name = am_strdup(cx, text.text, text.length);
  call.record->kind = stmt_kind::range_check;
  call.record->value = value;
  if (value->state == EXPR_ABSOLUTE) {
    cx.diag.token_column = first.column;  // the report points at the value
    limit_ok(cx, value);
  }
}

//                              name      class            flags          case        handler    argument
constexpr directive_entry kValueDirectives[] = {
    {"SET",    DCLASS_ORDINARY, DIR_OWN_LABEL, UPPER_CASE, do_set,   0},
    {"VAR",    DCLASS_ORDINARY, DIR_OWN_LABEL, UPPER_CASE, do_set,   0},
    {"ASSIGN", DCLASS_ORDINARY, DIR_OWN_LABEL, UPPER_CASE, do_set,   0},
    {"DEFINE", DCLASS_ORDINARY, DIR_OWN_LABEL, UPPER_CASE, do_set,   1},
    {"LIMIT",  DCLASS_ORDINARY, 0,             UPPER_CASE, do_limit, 0},
};

}  // namespace

label_rec* define_value(asm_context& cx, ident_node* label, int column, expr_rec* value, value_kind kind) {
  if (label == nullptr || !is_user_kind(label->kind) || label->kind == KIND_USER_SEGMENT) {
    user_error_at(cx, column, gen_err::bad_label);
    return nullptr;
  }
  label_rec* rec = get_label_rec(cx, label);
  const bool variable = (rec->flags & LBL_VARIABLE) != 0;
  const bool has_value = !(rec->flags & LBL_UNDEFINED);
  if (kind == value_kind::variable || ((kind == value_kind::define || kind == value_kind::equate) && variable)) {
    if (rec->flags & (LBL_PUBLIC | LBL_EXTERN)) {
      user_error_at(cx, column, gen_err::extern_public_operation);
      return nullptr;
    }
    if (has_value && !variable) {  // SET on a constant
      user_error_at(cx, column, gen_err::duplicate_label, label->name);
      return nullptr;
    }
    if (has_value) {
      label = fresh_variable(cx, label);
      rec = label->label;
    }
    if (kind == value_kind::variable)
      rec->flags |= LBL_VARIABLE;
    else
      rec->flags &= ~static_cast<uint32_t>(LBL_VARIABLE);  // EQU makes it a constant from here on
  } else if (has_value) {
    // A second definition of a constant: the same value changes nothing.
    if (rec->value != nullptr && same_value(rec->value, value)) return rec;
    user_error_at(cx, column, gen_err::duplicate_label, label->name);
    return nullptr;
  }
  if (rec->flags & LBL_EXTERN) {
    user_error_at(cx, column, gen_err::duplicate_label, label->name);
    return nullptr;
  }
  if (kind == value_kind::define && value->state != EXPR_ABSOLUTE) {
    user_error_at(cx, column, gen_err::define_not_constant);
    return nullptr;
  }
  mark_defined(cx, rec, value, label);
  return rec;
}

void register_value_directives(asm_context& cx) { register_directives(cx, kValueDirectives); }
