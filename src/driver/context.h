// context.h — one assembler run's state (A03): the bound output table, the
// arena, and one state record per subsystem. Two contexts never share state.
#pragma once

#include "cfi/cfi_state.h"
#include "driver/command_line.h"
#include "driver/driver_state.h"
#include "driver/memory.h"
#include "driver/output_table.h"
#include "driver/pass2.h"
#include "driver/statement_loop.h"
#include "target/target.h"
#include "diag/diag.h"
#include "listing/listing.h"
#include "driver/block_stack.h"
#include "driver/segment_rec.h"
#include "expr/expr_state.h"
#include "expr/soft_float.h"
#include "directives/conditional.h"
#include "directives/macro.h"
#include "directives/modules.h"
#include "object/writer.h"
#include "source/lexer.h"
#include "source/preprocessor.h"
#include "source/reader.h"
#include "source/symbols.h"

struct asm_context {
  const output_table* out;  // bound once at start
  memory_state mem;         // arena for long-lived records        (A05)
  driver_state driver;      // options, files, counters            (A03)
  command_line_state cmdline;  // option table and argument list    (A03)
  diag_state diag;          // diagnostics printer state           (A01)
  listing_state listing;    // the list file's pages and lines      (A01)
  source_state source;      // reader, include files, source stack (A05, A06)
  symbol_state symbols;     // keywords and user symbols            (A07)
  lexer_state lex;          // tokens of the current line           (A05)
  preprocessor_state pre;   // #define symbols, #if groups, expansions (A02)
  statement_state stmt;     // the pass-1 statement loop            (A03)
  module_state module;      // the open module                      (A09)
  expr_state expr;          // expressions, the unsolved list        (A08)
  float_state floats;       // the float package, started per module (G03)
  segment_state segs;       // segments and the current location    (A09)
  block_stack blocks;       // open macro, repeat, IF and structured blocks (A12)
  cond_state cond;          // the condition stack of IF ... ENDIF  (A12)
  macro_state macros;       // macros, repeat blocks, expansions    (A10, M10)
  pass2_state pass2;        // the code of each statement in pass 2 (A03)
  cfi_state cfi;            // CFI blocks of the module, the last module's call-frame model
  object_state object;      // the object writer's spool and module records (A23)
  target_state* target = nullptr;  // the target's own state (B00), made by target_attach

  explicit asm_context(const output_table& table) : out(&table) {
    mem.out = &table;
    target_attach(*this);
  }
  ~asm_context() { target_release(target); }
  asm_context(const asm_context&) = delete;
  asm_context& operator=(const asm_context&) = delete;
};
