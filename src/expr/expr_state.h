// expr_state.h — one run's expression state (A08): the list being built, the
// list of unsolved expressions, the element pool and the folding scratch.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "expr/expression.h"

// One value on the folding stack: what the subtree ending here folded to.
struct fold_slot {
  operand_value v;
  postfix_elem* first;  // first element of the subtree
};

// One entry of the typing stack.
struct type_slot {
  uint32_t terms;
  ident_node* base;
};

struct expr_state {
  postfix_list* building = nullptr;   // list the push functions append to
  postfix_elem* building_end = nullptr;  // its end element, filled by the next push

  // Arena carving: records come from 8-aligned chunks; elements and lists that
  // folding gave back are reused.
  unsigned char* chunk = nullptr;
  std::size_t chunk_left = 0;
  postfix_elem* free_elems = nullptr;
  postfix_list* free_lists = nullptr;   // lists of expressions that were solved
  undef_entry* free_undef = nullptr;

  // List of unsolved expressions and its iteration cursor.
  postfix_list* unsolved_first = nullptr;
  postfix_list* unsolved_last = nullptr;
  postfix_list* unsolved_cursor = nullptr;

  const postfix_elem* find_cursor = nullptr;  // find_label's resume point

  bool check_operators_registered = false;    // "_?CHECK_RANGE", "_?ERROR_TEXT"
  bool resolving = false;                     // re-solving after pass 1

  // Scratch stacks, kept between calls so folding does not allocate.
  std::vector<fold_slot> fold_stack;
  std::vector<type_slot> type_stack;

  // A module starts with no expression waiting to be solved; records of the
  // previous module stay in the arena, unreferenced.
  void reset_for_module() {
    building = nullptr;
    building_end = nullptr;
    unsolved_first = unsolved_last = unsolved_cursor = nullptr;
    find_cursor = nullptr;
    resolving = false;
  }
};
