// operand_grammar.h — the operand grammar's entry points and run state (B03):
// one LALR(1) parse per instruction line's operand field, or per expression
// that a directive has parsed.
#pragma once

#include <cstdint>

#include "source/lexer.h"
#include "target/operand_modes.h"

struct asm_context;
struct segment_rec;

// Mode flags of init_parse.
enum parse_flag : uint32_t {
  PARSE_BIT_EQUATE = 0x1,  // the line defines a bit equate: "address.bit" is its value
  PARSE_ALIGNMENT = 0x2,   // the segment directive takes "(alignment)" after the operand
  PARSE_QUIET_SFR = 0x4,   // no warning 16 for SFR expressions
};

// Results of yyparse.
enum parse_result : int { PARSE_OK = 0, PARSE_FAILED = 1, PARSE_STACK_FULL = 2 };

constexpr int kParserStackDepth = 200;
constexpr int kStringExpressionMax = 118;  // string_to_expression's buffer, without the ","

struct operand_parse_state {
  // Set by init_parse.
  operand_desc* operands = nullptr;
  int max_operands = 0;
  expr_rec** target = nullptr;         // expression mode: where the expression goes
  uint32_t flags = 0;
  ident_node* equate_label = nullptr;  // the label a bit equate defines
  segment_rec* align_segment = nullptr;

  // One run.
  int count = 0;                       // operands stored
  uint16_t prefix = 0;                 // prefix mask of the operand being read
  bool blank_seen = false;             // the first blank was delivered
  bool exprmode_sent = false;
  bool end_seen = false;               // the token that ended the field was read
  bool failed = false;                 // an error was reported
  bool pending_saddr = false;          // a SADDR suffix for the operand being read
  int want_segname = 0;                // tokens after SFB/SFE/SIZEOF that may name the segment
  token end_token;                     // given back after the run
  expr_rec* current = nullptr;         // expression being built
  expr_rec* last = nullptr;            // the last complete expression
  int operand_column[2] = {0, 0};      // where the first and second operand begin
  int depth = 0;                       // open "(" and "[" of the field
  bool after_comma = false;            // a "," outside brackets was the last token

  // string_to_expression's private input.
  char text[kStringExpressionMax + 2] = {};
  int text_pos = 0;
  int text_len = 0;
};

// Registers the register names in the symbol table (start-up).
void register_registers(asm_context& cx);
// Registers the registers and the expression operators in the symbol table.
void register_operand_keywords(asm_context& cx);

// Prepares one run: `operands` receives up to `max_operands` descriptors; with
// `expression` set the run is in expression mode and the expression goes there.
void init_parse(asm_context& cx, operand_desc* operands, int max_operands, expr_rec** expression,
                uint32_t flags, ident_node* equate_label = nullptr, segment_rec* align_segment = nullptr);

// Runs the parser on the tokens that follow; returns a parse_result. The
// token that ended the field (end of line, or "," in expression mode) is left
// unread; after a syntax error the rest of the field is skipped up to it.
int yyparse(asm_context& cx);
