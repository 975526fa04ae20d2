// float_constant.h — the float package as the assembler uses it (G03): started
// for each module with the assembler's allocator and reporters, and the value
// of a floating constant as the lexer read it.
#pragma once

#include <string_view>

#include "expr/soft_float.h"

struct asm_context;

// Starts the package for a module; a failure is the internal error
// "init_floats G03 failed".
void start_floats(asm_context& cx);

// The value of a floating constant's text (digits, a point, digits, an
// optional exponent); false when the text is no such constant.
bool float_constant(asm_context& cx, std::string_view text, soft_float& value);
