// diag.h — numbered errors and warnings: reporting, counting and the printer (A01).
#pragma once

struct asm_context;

struct diag_state {
  // Filled in by the diagnostics module.
};

// An error found while reading a statement (pass 1). `text` fills {s}/{q},
// `number` fills {n}/{x}. Stops the run when the message is fatal.
void user_error(asm_context& cx, int number, const char* text = nullptr, long value = 0);

// A warning found while reading a statement (pass 1); nothing happens when the
// warning is disabled.
void user_warning(asm_context& cx, int number, const char* text = nullptr, long value = 0);
