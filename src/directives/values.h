// values.h — giving symbols values (A09): EQU and "=" (whose directive the
// target registers, so that it can read bit equates), SET, VAR, ASSIGN,
// DEFINE, and LIMIT.
#pragma once

struct asm_context;
struct expr_rec;
struct ident_node;
struct label_rec;

// How a value directive treats its label.
enum class value_kind : int {
  equate,    // EQU, "=": a fixed value
  variable,  // SET, VAR, ASSIGN: a value that may be changed later
  define,    // DEFINE: a fixed value that must be a constant
};

// Gives `label` the value `value` (column: where the label stands, for
// diagnostics). EQU on a SET variable acts as SET and makes it a constant;
// EQU on a symbol that already has a value keeps it when the value is the
// same and reports error 42 otherwise; SET on a PUBLIC or EXTERN symbol is
// error 62. Returns the label's record, or null after an error.
label_rec* define_value(asm_context& cx, ident_node* label, int column, expr_rec* value, value_kind kind);

// Registers SET, VAR, ASSIGN, DEFINE and LIMIT.
void register_value_directives(asm_context& cx);
