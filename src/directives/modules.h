// modules.h — module bounds (A09): which module is open, NAME and MODULE
// starting one, ENDMOD and END ending it, and the case directives.
#pragma once

#include <cstdint>
#include <vector>

struct asm_context;
struct expr_rec;
struct ident_node;
struct statement_rec;

// RTMODEL key and value, in source order.
struct rtmodel_entry {
  const char* key;
  const char* value;
};

// One ARGFRAME or LOCFRAME entry of a function.
struct frame_entry {
  uint16_t segment;  // segment number
  int32_t size;
  uint16_t type;     // 0 STACK, 1 STATIC
};

// A label named by FUNCTION, with its frames.
struct function_rec {
  ident_node* label;
  int32_t attributes;
  int number;                          // function number, -1 until the object needs one
  std::vector<frame_entry> arg_frames; // ARGFRAME, in order
  std::vector<frame_entry> loc_frames; // LOCFRAME, in order
};

// FUNCALL caller,callee, with its statement.
struct call_edge {
  statement_rec* statement;
  ident_node* caller;
  ident_node* callee;  // null for an indirect call
};

struct module_state {
  bool open = false;          // a module is open
  bool named = false;         // NAME, PROGRAM, MODULE or LIBRARY named it
  bool has_content = false;   // it holds a label or a statement that is module content
  bool library = false;       // MODULE or LIBRARY: loaded only when referenced
  const char* name = nullptr; // arena copy; null: the base name of the source
  int begun = 0;              // modules begun in this source

  expr_rec* numeric_operand = nullptr;     // NAME name, expression
  expr_rec* start_address = nullptr;       // the operand of END or ENDMOD
  statement_rec* end_statement = nullptr;  // the END or ENDMOD line, for its diagnostics
  std::vector<rtmodel_entry> rtmodel;
  std::vector<ident_node*> externals;      // EXTERN, in declaration order
  std::vector<ident_node*> publics;        // PUBLIC and PUBWEAK, in declaration order
  std::vector<ident_node*> required;       // REQUIRE
  std::vector<function_rec> functions;     // FUNCTION, in order
  int current_function = -1;               // the function ARGFRAME and LOCFRAME describe
  std::vector<call_edge> calls;            // FUNCALL, in order
  std::vector<ident_node*> debug_symbols;  // labels of SYMBOL and BLOCK, in order

  void reset_for_module() {
    numeric_operand = start_address = nullptr;
    end_statement = nullptr;
    rtmodel.clear();
    externals.clear();
    publics.clear();
    required.clear();
    functions.clear();
    current_function = -1;
    calls.clear();
    debug_symbols.clear();
  }
};

// Before the first statement of each module. The first module of a source is
// open from its start; a later one opens with its first statement that is not
// DIR_NOT_CONTENT, or with NAME or MODULE.
void begin_module_pass(asm_context& cx);

// Called for every statement with a label or an operation; `not_content` for
// the directives that neither make nor open a module.
void note_module_statement(asm_context& cx, bool not_content);

// END, ENDMOD, NAME, PROGRAM, MODULE, LIBRARY, CASEON, CASEOFF.
void register_module_directives(asm_context& cx);
