// statement_loop.h — pass 1 of a module (A03): every line read through the
// source reader, its label field recognised, its operation dispatched, one
// statement record made per line, until ENDMOD, END or the end of the input.
// While a block is skipped (IF) or recorded (MACRO, REPT), the line goes to
// the hook of that mode instead.
#pragma once

#include "directives/directive_table.h"

struct asm_context;

// Paths of a line whose operation is not a directive. Until a path is
// installed, its lines are read to their end with every token classified.
using statement_path = void (*)(asm_context& cx, const statement_call& call);

// How the next line is read.
enum class line_mode : uint8_t {
  normal,     // assembled
  skipping,   // inside a false conditional block: the skip hook sees the line
  recording,  // inside a macro or repeat body being recorded: the record hook sees it
};

// A hook of a line mode: gets the line's record with nothing of the line read
// yet; reads the line (to its end) and returns false at the end of the input.
using line_hook = bool (*)(asm_context& cx, statement_rec* record);

struct statement_state {
  statement_path instruction = nullptr;  // a mnemonic: operand grammar and encoder
  statement_path macro_call = nullptr;   // a macro name: the expansion
  // A line whose first token is "#": the preprocessor reads the rest of it.
  void (*preprocessor_line)(asm_context& cx) = nullptr;
  line_mode mode = line_mode::normal;
  line_hook skip_line = nullptr;         // line_mode::skipping
  line_hook record_line = nullptr;       // line_mode::recording
  long statements = 0;                   // statement records made in this run

  // The module's statements in source order, and the one being read.
  statement_rec* first = nullptr;
  statement_rec* last = nullptr;
  statement_rec* current = nullptr;

  void reset_for_module() {
    first = last = current = nullptr;
    mode = line_mode::normal;
  }
};

// Once per run, before the first module: the symbol table, the target's
// keywords, the module directives, the case rule of user symbols.
void start_statements(asm_context& cx);

// Pass 1 of one module.
void statement_loop(asm_context& cx);

// Defines `label` at the current statement: its value is the location counter
// of the current segment (relative to the segment, absolute in the absolute
// segment). Error 41 "Bad label" for a name that is no user symbol, error 42
// "Duplicate label:" for one defined before. Returns the record, or null
// after an error.
label_rec* define_label(asm_context& cx, ident_node* label, int column);
