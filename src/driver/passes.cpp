// passes.cpp — the module loop's steps as far as the assembler has them (A03).
// Steps whose subsystem is still to come do nothing yet; pass 1 then sees a
// source without statements as one module that ends the program.
#include "driver/passes.h"

#include "driver/context.h"

void start_source(asm_context&) {}
void start_assembly(asm_context&) {}
void start_module(asm_context&) {}

void run_pass1(asm_context& cx) {
  cx.driver.module_ended = 1;
  cx.driver.program_ended = 1;
}

void end_pass1(asm_context&) {}
bool run_pass2(asm_context&) { return false; }
void list_module(asm_context&) {}
void complete_object_file(asm_context&) {}

bool target_counts_cycles(const asm_context&) { return false; }
const char* target_default_warnings(const asm_context&) { return "+"; }
