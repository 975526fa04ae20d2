// passes.h — the seams of the module loop (A03): what the driver calls into the
// subsystems at each step of a run. Each is defined where its subsystem lives.
#pragma once

#include "driver/pass2.h"

struct asm_context;

// Start-up: the source reader and the predefined symbols.
void start_source(asm_context& cx);
// Once per run before the first module: listing, segment keywords, target.
void start_assembly(asm_context& cx);
// Once per module before pass 1: floating point, segments, listing page.
void start_module(asm_context& cx);
// Pass 1: every statement of the module up to ENDMOD or END.
void run_pass1(asm_context& cx);
// The module's listing lines and symbol tables.
void list_module(asm_context& cx);
// The object file's closing records, once any module produced output.
void complete_object_file(asm_context& cx);

