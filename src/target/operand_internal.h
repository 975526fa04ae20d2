// operand_internal.h — what the operand grammar's actions call (B03): postfix
// building, operand classification and the expression-mode forms.
#pragma once

#include <cstdint>

#include "target/operand_modes.h"

struct asm_context;
struct expr_rec;
struct ident_node;

// Semantic values of the grammar.
struct b03_expr_val {
  expr_rec* e;
  ident_node* sfr;  // SFR symbol the expression refers to
};
struct b03_reg_val {
  uint16_t code;
  char name[6];     // as written, for error 417
};
struct b03_str_val {
  const char* text;
  uint32_t length;
};
struct b03_addr_val {
  b03_expr_val x;
  uint16_t prefix;
};

// Relation between two strings when it is "," rather than an operator.
constexpr int kRelationComma = -1;

// ---- Expressions ------------------------------------------------------------------
void act_number(asm_context& cx, int32_t value);
void act_label(asm_context& cx, ident_node* node);
void act_location(asm_context& cx);
void act_operator(asm_context& cx, uint16_t code, bool unary);
// SFB or SFE of a segment; `offset_pushed` when a signed offset came before.
void act_segment_bound(asm_context& cx, uint16_t code, ident_node* segment, bool offset_pushed);
void act_sizeof(asm_context& cx, ident_node* segment);
b03_expr_val act_finish(asm_context& cx);
// False (error 0 reported) for a relation other than "=", "<>", "!=" or ",".
bool act_string_compare(asm_context& cx, const b03_str_val& a, int relation, const b03_str_val& b,
                        b03_expr_val* out);

// ---- Operands ---------------------------------------------------------------------
// Each returns false after reporting error 417 for a register not allowed there.
bool act_register(asm_context& cx, const b03_reg_val& reg, operand_desc* out);
bool act_register_bit(asm_context& cx, const b03_reg_val& reg, const b03_expr_val& bit, operand_desc* out);
bool act_indirect(asm_context& cx, const b03_reg_val& reg, operand_desc* out);
bool act_indirect_bit(asm_context& cx, const b03_reg_val& reg, const b03_expr_val& bit, operand_desc* out);
bool act_based(asm_context& cx, const b03_reg_val& reg, const b03_expr_val& disp, operand_desc* out);
bool act_based_reg(asm_context& cx, const b03_reg_val& base, const b03_reg_val& index, operand_desc* out);
operand_desc act_memory_index(const b03_expr_val& x);
operand_desc act_immediate(asm_context& cx, const b03_expr_val& x, uint16_t prefix);
operand_desc act_address(asm_context& cx, const b03_addr_val& a);
operand_desc act_address_bit(asm_context& cx, const b03_addr_val& a, const b03_expr_val& bit);
operand_desc act_carry();
operand_desc act_bank(asm_context& cx, int32_t bank);
// Counts the operand and stores it; error 416 beyond the line's maximum.
void act_store_operand(asm_context& cx, const operand_desc& d);

// ---- Expression mode ----------------------------------------------------------------
void act_expression_result(asm_context& cx, expr_rec* e);
// False after error 0 (no bit equate) or 432 (PUBLIC label).
bool act_bitpair(asm_context& cx, const b03_expr_val& address, const b03_expr_val& bit);
// False after error 0 (no alignment allowed) or 49 (alignment already set).
bool act_indexed(asm_context& cx, const b03_expr_val& operand, const b03_expr_val& alignment);
