// preprocessor_internal.h — what the preprocessor's files share (A02): the
// encoding of replacement texts, directive-line text, and the expansion entries.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "source/lexer_internal.h"
#include "source/preprocessor.h"

// Marker bytes of an encoded replacement text. A formal's marker is followed
// by its index + 1; a literal byte that happens to equal a marker is escaped.
enum define_mark : unsigned char {
  MARK_FORMAL = 1,   // the argument, its defines expanded
  MARK_RAW = 2,      // the argument as written (an operand of "##")
  MARK_STRING = 3,   // the argument as a string constant ("#")
  MARK_PASTE = 4,    // "##": the tokens on both sides become one
  MARK_LITERAL = 5,  // the next byte stands for itself
};

inline bool is_mark(int c) { return c >= MARK_FORMAL && c <= MARK_LITERAL; }

constexpr uint32_t kLineText = 32001;             // a directive line's text and a NUL
constexpr uint32_t kWorkSize = 1u << 20;          // arguments and replacement texts of one expansion
constexpr uint32_t kOutputStore = 4 * 32004;      // expansions being read by the lexer
constexpr long kExpansionBudget = 1L << 21;       // characters one expansion may scan

// The buffers of directive lines and expansions, taken once.
void ensure_preprocessor_buffers(asm_context& cx);

// The rest of the current line as read, without its newline (left unread).
uint32_t read_line_rest(asm_context& cx, char* out);

// Comments removed, blank runs outside strings and character constants made
// one blank, leading and trailing blanks dropped. `comment_open` tells whether
// a "/*" was left open at the end.
uint32_t normalize_text(asm_context& cx, const char* in, uint32_t len, char* out, bool* comment_open);

// Length of the string or character constant starting at in[i] (its quotes
// included); it ends at its closing quote or at the end of the text.
uint32_t quoted_length(const char* in, uint32_t i, uint32_t len);

// Length of the number starting at in[i]: digits, letters, ".", and a sign after an exponent letter.
uint32_t number_length(asm_context& cx, const char* in, uint32_t i, uint32_t len);

// Makes (or remakes, with warning 9 when it differs) the define `name` from a
// normalized text; warnings 7 and 9 and error 20 point at `column`, and a
// column of 0 (the command line) reports nothing. Null when not made.
define_rec* make_define(asm_context& cx, const char* name, std::size_t name_len, const char* const* formals,
                        int formal_count, const char* text, uint32_t text_len, int column);

// Expands the defines of `text` (no input beyond it); `if_mode` also turns
// "defined" into 1 or 0 and unknown names into 0. The result stays valid until
// the next expansion; null after an error (the construct is to be ignored).
const std::string* expand_text(asm_context& cx, const char* text, uint32_t len, bool if_mode);

// Hands `text` to the lexer as the current character source; the lexer's
// column runs from `first_column` and returns to `resume_column` after it.
bool push_output(asm_context& cx, const char* text, uint32_t len, int first_column, int resume_column);

// Reports a preprocessor error or warning at `column` of the current line.
void pp_error(asm_context& cx, int column, error_id number, const char* text = nullptr, long value = 0);
void pp_warning(asm_context& cx, int column, warning_id number, const char* text = nullptr, long value = 0);

// The built-in symbols of every target (defines.cpp).
void define_builtin_symbols(asm_context& cx);
