// symbol_directives.h — PUBLIC, EXTERN, PUBWEAK, REQUIRE, RTMODEL, RADIX,
// FUNCTION, ARGFRAME, LOCFRAME, FUNCALL, SYMBOL, BLOCK, OVERLOAD (A09).
#pragma once

struct asm_context;

void register_symbol_directives(asm_context& cx);
