// modules.h — module bounds (A09): which module is open, NAME and MODULE
// starting one, ENDMOD and END ending it, and the case directives.
#pragma once

struct asm_context;

struct module_state {
  bool open = false;          // a module is open
  bool named = false;         // NAME, PROGRAM, MODULE or LIBRARY named it
  bool has_content = false;   // it holds a label or a statement that is module content
  bool library = false;       // MODULE or LIBRARY: loaded only when referenced
  const char* name = nullptr; // arena copy; null: the base name of the source
  int begun = 0;              // modules begun in this source
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
