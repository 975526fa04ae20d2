// float_constant.cpp — the float package's start per module and the values of
// floating constants (G03).
#include "expr/float_constant.h"

#include "diag/diag.h"
#include "driver/context.h"
#include "driver/memory.h"
#include "driver/stops.h"

namespace {

// The package reports like any other part of the assembler.
void* fp_memory(void* user, size_t size) { return am_memory(*static_cast<asm_context*>(user), size); }
void fp_internal(void* user, const char* function, const char* text) {
  internal_error(*static_cast<asm_context*>(user), function, text);
}

}  // namespace

void start_floats(asm_context& cx) {
  if (!init_floats(cx.floats, fp_memory, fp_internal, fp_warnings, &cx))
    internal_error(cx, "init_floats G03", "init_floats G03 failed");
}

bool float_constant(asm_context& cx, std::string_view text, soft_float& value) {
  if (cx.floats.error == nullptr) start_floats(cx);
  value = soft_float{};
  return decimal_to_float(cx.floats, text, value);
}
