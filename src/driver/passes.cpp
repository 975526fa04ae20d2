// passes.cpp — the module loop's steps as far as the assembler has them (A03).
// Steps whose subsystem is still to come do nothing yet.
#include "driver/passes.h"

#include "driver/context.h"
#include "expr/expression.h"
#include "source/preprocessor.h"
#include "source/reader.h"
#include "driver/statement_loop.h"

void start_source(asm_context& cx) { source_start(cx); }
void start_assembly(asm_context& cx) {
  start_statements(cx);
  register_operators(cx);  // #if conditions need them before the target's start
  start_preprocessor(cx);
}
void start_module(asm_context& cx) { start_preprocessor_module(cx); }

void run_pass1(asm_context& cx) {
  statement_loop(cx);
  end_preprocessor_pass(cx);
}

// Forward references made in pass 1 are solved now that every label has its value.
void end_pass1(asm_context& cx) { resolve_unsolved(cx); }
bool run_pass2(asm_context&) { return false; }
void list_module(asm_context&) {}
void complete_object_file(asm_context&) {}

bool target_counts_cycles(const asm_context&) { return false; }
const char* target_default_warnings(const asm_context&) { return "+"; }
