// lexer_literals.cpp — numbers, floating constants, strings and character
// constants (A05), and the reverse conversion of strings for listings and
// __FILE__.
#include <cstdio>
#include <cstring>
#include <string_view>

#include "diag/diag.h"
#include "driver/memory.h"
#include "driver/stops.h"
#include "source/lexer_internal.h"

namespace {

int digit_value(int c) {
  if (is_digit(c)) return c - '0';
  if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
  if (c >= 'a' && c <= 'z') return c - 'a' + 10;
  return 99;
}

int upper(int c) { return (c >= 'a' && c <= 'z') ? c - 'a' + 'A' : c; }

// Radix of a suffix letter, or 0 when the letter is none.
int suffix_radix(int c) {
  switch (upper(c)) {
    case 'B': return 2;
    case 'D': return 10;
    case 'H': return 16;
    case 'O':
    case 'Q': return 8;
    default: return 0;
  }
}

// The trailing run of U and L letters; false when it is not one of U, L, UL,
// LU, LL, ULL, LLU (in either case).
bool int_suffix(const char* run, std::size_t length, uint16_t& flags) {
  char s[4] = {};
  if (length > 3) return false;
  for (std::size_t i = 0; i < length; ++i) s[i] = static_cast<char>(upper(run[i]));
  static constexpr const char* kAccepted[] = {"", "U", "L", "UL", "LU", "LL", "ULL", "LLU"};
  for (const char* a : kAccepted)
    if (std::strcmp(a, s) == 0) {
      if (std::strchr(s, 'U') != nullptr) flags |= TF_UNSIGNED;
      if (std::strstr(s, "LL") != nullptr) flags |= TF_LONG;
      return true;
    }
  return false;
}

// digits in `radix` into 64 bits, keeping the low 64 bits of a larger value
// (`overflow` then set); false on a digit outside the radix.
bool accumulate(const char* digits, std::size_t length, int radix, uint64_t& value, bool& overflow) {
  value = 0;
  overflow = false;
  for (std::size_t i = 0; i < length; ++i) {
    const int d = digit_value(static_cast<unsigned char>(digits[i]));
    if (d >= radix) return false;
    uint64_t next;
    if (__builtin_mul_overflow(value, static_cast<uint64_t>(radix), &next) ||
        __builtin_add_overflow(next, static_cast<uint64_t>(d), &next))
      overflow = true;
    value = value * static_cast<uint64_t>(radix) + static_cast<uint64_t>(d);
  }
  return true;
}

// A decimal floating constant; the integer digits are already in the buffer
// and the "." and the digit after it are the next characters. The lexer
// checks its form; the value is computed where the constant is used, by the
// float package of the expressions.
void scan_float(asm_context& cx, std::size_t n, token& t) {
  bool malformed = false;
  auto put = [&](int c) {
    if (n < static_cast<std::size_t>(kMaxDigits)) token_text(cx)[n++] = static_cast<char>(c);
    else malformed = true;
  };
  int c = lex_get(cx);  // the "."
  put(c);
  for (c = lex_get(cx); is_digit(c); c = lex_get(cx)) put(c);
  if (c == 'e' || c == 'E') {
    put(c);
    c = lex_get(cx);
    if (c == '+' || c == '-') {
      put(c);
      c = lex_get(cx);
    }
    if (!is_digit(c)) malformed = true;
    for (; is_digit(c); c = lex_get(cx)) put(c);
  }
  const std::size_t body = n;
  if (c == 'f' || c == 'F') {
    t.flags |= TF_FLOAT_SINGLE;
    c = lex_get(cx);
  } else if (c == 'l' || c == 'L') {
    t.flags |= TF_FLOAT_LONG;
    c = lex_get(cx);
  }
  // Letters or digits glued to the constant make it malformed; they belong to it.
  for (; ident_char(cx, c); c = lex_get(cx)) malformed = true;
  lex_unget(cx, c);
  token_text(cx)[body] = '\0';
  t.kind = TOK_FLOAT;
  t.text = token_text(cx);
  t.length = static_cast<uint32_t>(body);
  if (malformed) lex_error(cx, t.column, gen_err::bad_float);
}

}  // namespace

void scan_number(asm_context& cx, int first, token& t) {
  lexer_state& lx = cx.lex;
  t.kind = TOK_NUMBER;
  t.value = 0;
  std::size_t n = 0;
  std::size_t total = 0;
  bool hex_prefix = false;
  int c = first;
  if (c == '0') {
    const int x = lex_get(cx);
    if (x == 'x' || x == 'X') {
      hex_prefix = true;
      c = lex_get(cx);
    } else {
      lex_unget(cx, x);
    }
  }
  for (; is_alnum(c); c = lex_get(cx)) {
    if (n < static_cast<std::size_t>(kMaxDigits)) token_text(cx)[n++] = static_cast<char>(c);
    ++total;
  }
  token_text(cx)[n] = '\0';
  t.text = token_text(cx);
  t.length = static_cast<uint32_t>(n);
  if (total > n) {
    lex_unget(cx, c);
    lex_error(cx, t.column, gen_err::string_too_long, nullptr, kMaxDigits);
    return;
  }
  // Digits only, then "." and a digit: a floating constant.
  if (!hex_prefix && c == '.' && std::strspn(token_text(cx), "0123456789") == n) {
    const int after = lex_get(cx);
    lex_unget(cx, after);
    if (is_digit(after)) {
      lex_unget(cx, c);
      scan_float(cx, n, t);
      return;
    }
  }
  lex_unget(cx, c);

  std::size_t end = n;
  while (end > 0 && (upper(token_text(cx)[end - 1]) == 'U' || upper(token_text(cx)[end - 1]) == 'L')) --end;
  uint16_t flags = 0;
  const bool suffix_ok = int_suffix(token_text(cx) + end, n - end, flags);
  int radix = 16;
  std::size_t digits = end;
  if (hex_prefix) {
    if (n == 0 || digit_value(static_cast<unsigned char>(token_text(cx)[0])) >= 16) {
      lex_error(cx, t.column, gen_err::hex_without_digits);
      return;
    }
  } else if (end > 0 && suffix_radix(token_text(cx)[end - 1]) != 0) {
    radix = suffix_radix(token_text(cx)[end - 1]);
    digits = end - 1;
  } else {
    radix = lx.radix;
  }
  uint64_t value = 0;
  bool overflow = false;
  if (!suffix_ok || !accumulate(token_text(cx), digits, radix, value, overflow)) {
    lex_error(cx, t.column, gen_err::bad_constant);
    return;
  }
  t.value = static_cast<int64_t>(value);
  t.flags |= flags;
  if (value > 0xFFFFFFFFu) t.flags |= TF_LONG;
  if (overflow) {
    t.flags |= TF_LONG | TF_TRUNCATED;
    lex_warning(cx, t.column, gen_warn::constant_truncated);
  }
}

namespace {

// One escape after a backslash; returns the character it stands for, or -2
// when the backslash stood before the end of the line or input.
int scan_escape(asm_context& cx, int backslash_column) {
  int e = lex_get(cx);
  switch (e) {
    case 'a': return 7;
    case 'b': return 8;
    case 'f': return 12;
    case 'n': return 10;
    case 'r': return 13;
    case 't': return 9;
    case 'v': return 11;
    case '"':
    case '\'':
    case '>':
    case '\\': return e;
    case '\n':
    case -1:
      lex_unget(cx, e);
      return -2;
    default: break;
  }
  if (e >= '0' && e <= '7') {
    int value = e - '0';
    for (int i = 1; i < 3; ++i) {
      const int d = lex_get(cx);
      if (d < '0' || d > '7') {
        lex_unget(cx, d);
        break;
      }
      value = value * 8 + (d - '0');
    }
    return value & 0xFF;
  }
  if (e == 'x') {
    int d = lex_get(cx);
    if (digit_value(d) < 16) {
      unsigned value = 0;
      for (; digit_value(d) < 16; d = lex_get(cx)) value = value * 16 + static_cast<unsigned>(digit_value(d));
      lex_unget(cx, d);
      return static_cast<int>(value & 0xFF);
    }
    lex_unget(cx, d);
  }
  lex_warning(cx, backslash_column, gen_warn::unknown_escape);
  return e;
}

}  // namespace

bool scan_quoted(asm_context& cx, int quote, token& t) {
  lexer_state& lx = cx.lex;
  std::size_t n = 0;
  bool too_long = false;
  for (;;) {
    int c = lex_get(cx);
    if (c == -1) {
      lex_error(cx, lx.column + 1, gen_err::unexpected_eof);
      return false;
    }
    if (c == '\n') {
      lex_unget(cx, c);
      lex_error(cx, t.column, gen_err::missing_delimiter);
      break;
    }
    if (c == quote) {
      if (quote != '\'') break;
      const int d = lex_get(cx);
      if (d != '\'') {
        lex_unget(cx, d);
        break;
      }
    } else if (c == '\\') {
      c = scan_escape(cx, lx.column);
      if (c == -2) continue;  // the end of line or input is met next round
    }
    if (n < static_cast<std::size_t>(kMaxStringLength))
      token_text(cx)[n++] = static_cast<char>(c);
    else
      too_long = true;
  }
  token_text(cx)[n] = '\0';
  if (too_long) lex_error(cx, t.column, gen_err::string_too_long, nullptr, kMaxStringLength);
  t.text = token_text(cx);
  t.length = static_cast<uint32_t>(n);
  if (quote == '\'') {
    t.flags |= TF_CHAR_QUOTES;
    if (n == 1) {
      t.kind = TOK_NUMBER;
      t.value = static_cast<unsigned char>(token_text(cx)[0]);
      return true;
    }
  }
  t.kind = TOK_STRING;
  return true;
}

std::size_t reverse_convert(const char* text, std::size_t length, char* out, std::size_t capacity,
                            bool escape_quotes) {
  static constexpr struct {
    unsigned char c;
    char letter;
  } kLetters[] = {{7, 'a'}, {8, 'b'}, {12, 'f'}, {10, 'n'}, {13, 'r'}, {9, 't'}, {11, 'v'}};
  std::size_t used = 0;
  auto emit = [&](const char* piece, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i, ++used)
      if (capacity > 0 && used < capacity - 1) out[used] = piece[i];
  };
  for (std::size_t i = 0; i < length; ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    char piece[8];
    if (escape_quotes && (c == '\\' || c == '"')) {
      piece[0] = '\\';
      piece[1] = static_cast<char>(c);
      emit(piece, 2);
      continue;
    }
    if (c >= 0x20 && c < 0x7F) {
      piece[0] = static_cast<char>(c);
      emit(piece, 1);
      continue;
    }
    char letter = 0;
    for (const auto& l : kLetters)
      if (l.c == c) letter = l.letter;
    if (letter != 0) {
      piece[0] = '\\';
      piece[1] = letter;
      emit(piece, 2);
    } else {
      std::snprintf(piece, sizeof piece, "\\x%02x", c);
      emit(piece, 4);
    }
  }
  if (capacity > 0) out[used < capacity ? used : capacity - 1] = '\0';
  return used;
}
