// operators.h — operator codes and the operator table of the expression
// language (A08): spellings, precedence classes, and what each code means.
#pragma once

#include <cstdint>

#include "expr/expression.h"

// Operator codes. The code travels into the postfix form and the object
// module, so spellings of one meaning keep their own codes (21 and 103).
enum operator_code : uint16_t {
  OP_MUL = 5,
  OP_PLUS = 7,
  OP_MINUS = 8,
  OP_DIV = 11,
  OP_SHR_SYM = 13,   // ">>", "!>"
  OP_GE_SYM = 14,    // ">="
  OP_GT_SYM = 15,    // ">"
  OP_SHL_SYM = 16,   // "<<", "!<"
  OP_LE_SYM = 17,    // "<="
  OP_LT_SYM = 18,    // "<"
  OP_NE_SYM = 19,    // "<>", "!="
  OP_EQ_SYM = 21,    // "="
  OP_LPAREN = 26,
  OP_RPAREN = 27,
  OP_LOC = 34,       // "$"
  OP_NOT = 89,
  OP_LOW = 90,
  OP_HIGH = 91,
  OP_LWRD = 92,
  OP_HWRD = 93,
  OP_DATE = 94,
  OP_SFB = 95,
  OP_SFE = 96,
  OP_MOD = 97,
  OP_SHR = 98,
  OP_SHL = 99,
  OP_AND = 100,
  OP_OR = 101,
  OP_XOR = 102,
  OP_EQ = 103,
  OP_NE = 104,
  OP_GE = 105,
  OP_LE = 106,
  OP_GT = 107,
  OP_LT = 108,
  OP_UGT = 109,
  OP_ULT = 110,
  OP_CHECK_RANGE = 117,
  OP_ERROR_TEXT = 118,
  OP_BINAND = 120,
  OP_BINOR = 121,
  OP_BINXOR = 122,
  OP_BINNOT = 123,
  OP_BYTE2 = 124,
  OP_BYTE3 = 125,
  OP_PAGE = 131,
  OP_POW = 135,
  OP_SIZEOF = 136,
};

constexpr int kOperatorCodes = 160;

// Precedence classes (also the grammar's operator tokens).
enum operator_class : uint16_t {
  CLASS_1 = 1,
  CLASS_4 = 4,
  CLASS_8 = 8,
  CLASS_16 = 16,
  CLASS_32 = 32,
  CLASS_64 = 64,
};

struct operator_entry {
  const char* spelling;
  operator_rec rec;
};

// Every spelling with its record, in registration order.
extern const operator_entry kOperatorTable[];
extern const int kOperatorCount;

// True when arithmethics knows the code; other codes stay in postfix form.
bool operator_has_arithmetic(uint16_t code, bool unary);

// Registers "_?CHECK_RANGE" and "_?ERROR_TEXT" in the symbol table (push_check, first use).
void register_check_operators(asm_context& cx);
