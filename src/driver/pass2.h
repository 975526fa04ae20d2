// pass2.h — the end of pass 1 and pass 2 of a module (A03).
#pragma once

#include "driver/code_sink.h"

struct asm_context;
struct statement_rec;

// Called with each statement's code once pass 2 has made it: the object
// writer's entry. Statements are given in segment order, a segment's in
// source order.
using statement_code_hook = void (*)(asm_context& cx, statement_rec* record, const code_sink& code);

struct pass2_state {
  code_sink sink;                              // reused for every statement
  statement_code_hook statement_done = nullptr;
};

// After pass 1: blocks still open (errors 60, 57), forward references solved,
// overlapping absolute code (error 90).
void end_pass1(asm_context& cx);

// Pass 2: warning 17 and false for a module without content; otherwise the
// declaration checks (67, 64, 101), the numbers of referenced externals and
// every statement's code. True when the module has content.
bool run_pass2(asm_context& cx);
