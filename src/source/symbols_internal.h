// symbols_internal.h — what the symbol table's own files share (A07): arena
// records with pointer alignment and the insertion of a node into its chain.
#pragma once

#include <cstddef>

#include "source/symbols.h"

// Arena memory aligned to `align` (the pool itself guarantees only 4).
void* arena_alloc(asm_context& cx, std::size_t size, std::size_t align);

// A new node of `kind` named `name`, placed in the chain of its name so that
// the node a lookup takes stays first (defines, keywords, user symbols,
// preprocessor directives).
ident_node* insert_node(asm_context& cx, const char* name, std::size_t length, ident_kind kind);
