// equates.cpp — EQU and "=" (B00): a label gets the value of an expression,
// which may be a bit equate "address.bit" (a bit symbol the bit instructions
// take as their operand).
#include "diag/diag.h"
#include "directives/directive_table.h"
#include "directives/values.h"
#include "driver/context.h"
#include "driver/statement.h"
#include "expr/expression.h"
#include "source/lexer.h"
#include "target/instruction.h"
#include "target/target_state.h"

namespace {

// label EQU expression | label EQU address.bit; label = expression
void do_equ(asm_context& cx, const statement_call& call) {
  if (call.label == nullptr) {
    // A bad name in the label field has had its error 41 already.
    if (call.label_column == 0) user_error_at(cx, call.operation_column, gen_err::bad_label);
    skip_tokens_to_end_of_line(cx);
    return;
  }
  expr_rec* value = nullptr;
  init_parse(cx, nullptr, 0, &value, PARSE_BIT_EQUATE, call.label);
  if (yyparse(cx) != PARSE_OK || value == nullptr) return;
  label_rec* rec = define_value(cx, call.label, call.label_column, value, value_kind::equate);
  if (rec == nullptr) return;
  if (value->flags & kExprBitSymbol) rec->flags |= LBL_BIT_EQUATE;
  call.record->kind = stmt_kind::equate;
  call.record->value = value;
}

// clang-format off
constexpr directive_entry kEquateDirectives[] = {
    // name   class            flags          case        handler
    {"EQU",   DCLASS_ORDINARY, DIR_OWN_LABEL, UPPER_CASE, do_equ},
    {"=",     DCLASS_ORDINARY, DIR_OWN_LABEL, UPPER_CASE, do_equ},
};
// clang-format on

}  // namespace

void register_equate_directives(asm_context& cx) { register_directives(cx, kEquateDirectives); }
