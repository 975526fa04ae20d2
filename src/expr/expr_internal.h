// expr_internal.h — helpers shared by the expression files (A08): carving
// records from the arena and walking a postfix chain.
#pragma once

#include <cstddef>

#include "expr/expression.h"

struct asm_context;

// Zeroed, 8-aligned memory from the arena.
void* expr_alloc(asm_context& cx, std::size_t size);
// A zeroed element, from the elements folding gave back when there are any.
postfix_elem* new_elem(asm_context& cx);
// Gives an element back for reuse (it must be unlinked).
void free_elem(asm_context& cx, postfix_elem* elem);

// The end element of a list.
postfix_elem* list_end(postfix_list* list);
// Appends an element before the end element of `list`.
postfix_elem* append_elem(asm_context& cx, postfix_list* list, postfix_elem* end);
// Drops every element of a list (the expression no longer needs it).
void drop_list(asm_context& cx, postfix_list* list);

// Links a list into the unsolved list, or takes it out (no errors when absent).
void link_unsolved(asm_context& cx, expr_rec* expr);
void unlink_unsolved(asm_context& cx, expr_rec* expr);

// Turns a solved expression back into a one-constant postfix list keeping its segment.
void reopen_expression(asm_context& cx, expr_rec* expr);
