// directive_table.h — how directives are described and registered (A03): one
// constexpr row per directive name with its class, flags and handler; each
// group of directives keeps its own table and registers it at start-up.
#pragma once

#include <cstddef>
#include <cstdint>

#include "source/symbols.h"

struct asm_context;
struct statement_rec;

// What the statement loop hands a directive handler.
struct statement_call {
  ident_node* label;       // user symbol of the label field, or null
  int label_column;        // its column (for diagnostics), 0 without label
  ident_node* operation;   // node of the directive (or mnemonic, macro)
  int operation_column;
  statement_rec* record;   // the statement record of the line
  int argument;            // the directive row's argument (0 for other operations)
};

// A handler reads its operands with next_token and leaves the end of the line
// unread (or gives it back); the statement loop then checks that nothing but
// blanks and a comment follow (error 0 "Invalid syntax").
using directive_handler = void (*)(asm_context& cx, const statement_call& call);

enum directive_flag : uint16_t {
  DIR_OWN_LABEL = 0x1,       // the handler deals with the label (EQU, SET, MACRO): the loop does not define it
  DIR_NOT_CONTENT = 0x2,     // module bounds, case and listing control: no module content, opens none
};

// One directive name. `argument` lets one handler serve a family (the item
// size of DB, DW, DP and DD; the listing bit of LSTOUT, LSTCND ...); the
// handler reads it from statement_call::argument.
struct directive_entry {
  const char* name;
  int klass;                 // directive_class
  uint16_t flags;            // directive_flag bits
  keyword_case letter_case;  // UPPER_CASE but for "sfr", "sfrp" and "const"
  directive_handler handler;
  int argument = 0;
};

// Registers every row of a table; the row itself becomes the node's data.
void register_directives(asm_context& cx, const directive_entry* entries, std::size_t count);

template <std::size_t N>
void register_directives(asm_context& cx, const directive_entry (&entries)[N]) {
  register_directives(cx, entries, N);
}

// The row behind a directive node.
inline const directive_entry* directive_of(const ident_node* node) {
  return static_cast<const directive_entry*>(node->keyword.data);
}
