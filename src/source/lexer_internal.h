// lexer_internal.h — what the lexer's files share (A05): reading characters
// with the column count, character classes and the literal scanners.
#pragma once

#include "driver/context.h"
#include "source/char_source.h"
#include "source/lexer.h"
#include "source/symbols.h"

// Next character of the current source; the column follows it.
inline int lex_get(asm_context& cx) {
  const int c = get_char(cx);
  if (c != -1) ++cx.lex.column;
  return c;
}

// Gives a character back to the current source.
inline void lex_unget(asm_context& cx, int c) {
  if (c == -1) return;  // end of input stays at the end
  unget_char(cx, c);
  --cx.lex.column;
}

inline bool is_digit(int c) { return c >= '0' && c <= '9'; }
inline bool is_letter(int c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
inline bool is_alnum(int c) { return is_digit(c) || is_letter(c); }
inline bool is_blank(int c) { return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v'; }

// Identifiers begin with a letter, "_", "?" or a registered part of identifier.
inline bool ident_start(const asm_context& cx, int c) {
  return is_letter(c) || c == '_' || c == '?' ||
         (c >= 0 && c < 256 && cx.symbols.char_roles[c] == CHAR_IDENT_PART);
}
inline bool ident_char(const asm_context& cx, int c) { return ident_start(cx, c) || is_digit(c); }

// The buffer of the token being read.
inline char* token_text(asm_context& cx) { return cx.lex.text[cx.lex.text_slot]; }

// Reports a lexical error or warning at `column` of the current line.
void lex_error(asm_context& cx, int column, error_id number, const char* text = nullptr, long value = 0);
void lex_warning(asm_context& cx, int column, warning_id number, const char* text = nullptr, long value = 0);

// Literal scanners (lexer_literals.cpp); `first` is the character already read,
// the token's column and flags are set by the caller.
void scan_number(asm_context& cx, int first, token& t);
// `quote` is '"' or '\''. Returns false when the input ended inside (error 4).
bool scan_quoted(asm_context& cx, int quote, token& t);
