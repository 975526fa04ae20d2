// diag.cpp — reporting of numbered diagnostics (A01).
#include "diag/diag.h"

#include "driver/context.h"
#include "driver/stops.h"

// Provisional printer until the message tables land: prints the number only.
void user_error(asm_context& cx, int number, const char* text, long value) {
  ++cx.driver.module_errors;
  out_print(*cx.out, "Error[%d]: %s %ld\n", number, text ? text : "", value);
}

void user_warning(asm_context& cx, int number, const char* text, long value) {
  ++cx.driver.module_warnings;
  out_print(*cx.out, "Warning[%d]: %s %ld\n", number, text ? text : "", value);
}
