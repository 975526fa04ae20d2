// passes.cpp — the module loop's steps as far as the assembler has them (A03).
// Steps whose subsystem is still to come do nothing yet.
#include "driver/passes.h"

#include "directives/conditional.h"
#include "directives/macro.h"
#include "driver/context.h"
#include "listing/listing.h"
#include "expr/expression.h"
#include "expr/float_constant.h"
#include "object/writer.h"
#include "directives/segments.h"
#include "source/preprocessor.h"
#include "source/reader.h"
#include "target/target.h"
#include "driver/statement_loop.h"

void start_source(asm_context& cx) { source_start(cx); }
void start_assembly(asm_context& cx) {
  start_listing(cx);
  start_statements(cx);
  check_directive_names(cx);  // the block-ending words the skipper and the recorder look for
  register_operators(cx);  // #if conditions need them before the target's start
  start_preprocessor(cx);
}
// Everything a module owns starts afresh: floats, segments, pending
// expressions, open blocks, IF groups and expansions, the statement list;
// -D warnings are reported with the first module.
void start_module(asm_context& cx) {
  start_module_listing(cx);
  start_floats(cx);
  reset_segments(cx);
  cx.expr.reset_for_module();
  reset_blocks(cx);
  reset_conditionals(cx);
  reset_macros(cx);
  cx.stmt.reset_for_module();
  start_preprocessor_module(cx);
}

void run_pass1(asm_context& cx) {
  statement_loop(cx);
  end_preprocessor_pass(cx);
}

void complete_object_file(asm_context& cx) { object_complete_file(cx); }

