// predefined_78k0.h — the 78K0 target's predefined preprocessor symbols and
// the numbers behind __TID__ and __CORE__ (B00).
#pragma once

struct asm_context;

// Core number of the selected processor option, compared in sources with
// __78K0_BASIC__ (0), __78K0__ (1), __78K0S__ (2) and __78K0R__ (3).
int target_core_number(const asm_context& cx);

// __TID__: (processor number + 480) * 16 + core number.
long target_identifier(const asm_context& cx);

// Defines __QASM__ ... __VER__ in their order, the way -D does.
void define_target_symbols(asm_context& cx);
