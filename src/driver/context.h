// context.h — one assembler run's state (A03): the bound output table, the
// arena, and one state record per subsystem. Two contexts never share state.
#pragma once

#include "driver/command_line.h"
#include "driver/driver_state.h"
#include "driver/memory.h"
#include "driver/output_table.h"
#include "diag/diag.h"
#include "directives/block_stack.h"
#include "directives/segments.h"
#include "expr/expr_state.h"
#include "directives/modules.h"
#include "source/lexer.h"
#include "source/preprocessor.h"
#include "source/reader.h"
#include "source/statement_loop.h"
#include "source/symbols.h"
#include "target/operand_grammar.h"
#include "target/structured.h"

struct asm_context {
  const output_table* out;  // bound once at start
  memory_state mem;         // arena for long-lived records        (A05)
  driver_state driver;      // options, files, counters            (A03)
  command_line_state cmdline;  // option table and argument list    (A03)
  diag_state diag;          // diagnostics printer state           (A01)
  source_state source;      // reader, include files, source stack (A05, A06)
  symbol_state symbols;     // keywords and user symbols            (A07)
  lexer_state lex;          // tokens of the current line           (A05)
  preprocessor_state pre;   // #define symbols, #if groups, expansions (A02)
  statement_state stmt;     // the pass-1 statement loop            (A03)
  module_state module;      // the open module                      (A09)
  expr_state expr;          // expressions, the unsolved list        (A08)
  segment_state segs;       // segments and the current location    (A09)
  operand_parse_state parse;  // one run of the operand grammar      (B03)
  block_stack blocks;       // open macro, repeat, IF and structured blocks (A12)
  structured_state structured;  // open structured constructs, generated lines (B05)

  explicit asm_context(const output_table& table) : out(&table) { mem.out = &table; }
  asm_context(const asm_context&) = delete;
  asm_context& operator=(const asm_context&) = delete;
};
