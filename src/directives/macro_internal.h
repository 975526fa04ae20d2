// macro_internal.h — what the files of the macro processor share (A10, M10):
// recording (macro_record.cpp), expansion (macro_expand.cpp) and the
// operator-style commands (macro_operators.cpp).
#pragma once

#include <string>
#include <string_view>

#include "directives/macro.h"

// The rest of the current line as characters, up to its newline, which is
// left to be read.
std::string_view read_rest_raw(asm_context& cx);

// Splits call actuals (and REPTI items) out of `text`: "," separates them,
// the start quote (-M, "<") at the start of one holds commas and blanks up to
// the end quote, strings hold commas, ";" outside them ends the list; blanks
// around each are removed. `add` takes each one and returns false to take no
// more. Error 38 for a line end inside the quotes.
void actuals_scan(asm_context& cx, std::string_view text, bool (*add)(void* user, std::string_view actual),
                  void* user);

// The statement loop's hook for a line of a body being recorded.
line_result record_body_line(asm_context& cx, statement_rec* record, std::string_view line);

// "NAME MACRO ..." where NAME is a macro already: a new definition when NAME
// was defined in an earlier module, else error 34 and the body is recorded to
// be dropped. `operands` follows the MACRO word.
void redefine_macro(asm_context& cx, const statement_call& call, std::string_view operands, int column);

// An expansion ends while a body begun in it is still recorded: error 4 or 76.
void abandon_recording_in_frame(asm_context& cx, const expansion_frame* frame);

// The repetitions of a recorded repeat block start once the ENDR line is done.
void start_repeat_expansion(asm_context& cx, const repeat_rec* rep);

// EXITM and LOCAL, and the statement loop's path of macro calls.
void register_expansion_directives(asm_context& cx);

// Expands one body line of an operator-style macro into `out`; the actuals
// are those of `f`.
void expand_operator_line(asm_context& cx, expansion_frame& f, const body_line& line, std::string& out);

// Names hidden by LOCAL from `mark` on are given back.
void remove_local_symbols(asm_context& cx, std::size_t mark);

// A diagnostic met while a line is built: reported on the line's statement.
void defer_diagnostic(expansion_frame& f, int number, int column, const char* text);

// A body line as -B prints it: a formal as "\" and its number.
std::string shown_body_line(const body_line& line);
void print_body_lines(asm_context& cx, const body_line* lines, int count);
