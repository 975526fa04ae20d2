// lexer.cpp — the token loop of the lexer (A05): blanks and comments,
// identifiers, operator and delimiter characters, the token backup.
// Numbers, floating constants and quoted literals are in lexer_literals.cpp.
#include <cstring>

#include "diag/diag.h"
#include "driver/memory.h"
#include "driver/stops.h"
#include "source/lexer_internal.h"
#include "source/preprocessor.h"

namespace {

// Spellings of the one-character tokens, indexed by the character.
struct single_spellings {
  char text[128][2];
};
constexpr single_spellings make_single() {
  single_spellings s{};
  for (int c = 0; c < 128; ++c) s.text[c][0] = static_cast<char>(c);
  return s;
}
constexpr single_spellings kSingle = make_single();

// Characters that are operator or delimiter tokens by themselves.
constexpr const char kPunctChars[] = "()[],:+-*/%<>=!&|^~#.$";

// Two-character operators, taken greedily.
struct pair_spelling {
  char text[3];
};
constexpr pair_spelling kPairs[] = {
    {"<<"}, {"<="}, {"<>"}, {"=="}, {">="}, {">>"}, {"&&"}, {"||"}, {"!="}, {"##"},
    {"++"}, {"--"}, {"!>"}, {"!<"}, {"!."}, {"!+"}, {"!X"}, {"!x"}, {"!^"},
};

bool is_punct(const asm_context& cx, int c) {
  if (c <= 0 || c >= 128) return false;
  return std::strchr(kPunctChars, c) != nullptr || cx.symbols.char_roles[c] == CHAR_DELIMITER;
}

const pair_spelling* find_pair(int a, int b) {
  for (const pair_spelling& p : kPairs)
    if (p.text[0] == a && p.text[1] == b) return &p;
  return nullptr;
}

// The rest of a "//" or ";" comment, up to the newline (left unread).
void skip_line_comment(asm_context& cx) {
  int c;
  do c = lex_get(cx);
  while (c != '\n' && c != -1);
  lex_unget(cx, c);
}

// The body of a "/*" comment up to "*/" or the end of the line; the comment
// stays open across lines. False at end of input (error 4).
bool skip_block_comment(asm_context& cx) {
  lexer_state& lx = cx.lex;
  for (int c = lex_get(cx);; c = lex_get(cx)) {
    if (c == -1) {
      lx.in_block_comment = false;
      lex_error(cx, lx.column + 1, gen_err::unexpected_eof);
      return false;
    }
    if (c == '\n') {
      lex_unget(cx, c);
      return true;
    }
    if (c == '*') {
      int d = lex_get(cx);
      if (d == '/') {
        lx.in_block_comment = false;
        return true;
      }
      lex_unget(cx, d);
    }
  }
}

void set_ident_token(asm_context& cx, token& t, std::size_t length) {
  lexer_state& lx = cx.lex;
  token_text(cx)[length] = '\0';
  t.kind = TOK_IDENT;
  t.text = token_text(cx);
  t.length = static_cast<uint32_t>(length);
  t.node = check_ident(cx, token_text(cx), length, lx.create_symbols);
}

// An identifier; longer than 255 characters it gives error 108 and is cut.
void scan_identifier(asm_context& cx, int first, token& t) {
  std::size_t n = 0;
  std::size_t total = 0;
  int c = first;
  while (ident_char(cx, c)) {
    if (n < static_cast<std::size_t>(kMaxIdentLength)) token_text(cx)[n++] = static_cast<char>(c);
    ++total;
    c = lex_get(cx);
  }
  lex_unget(cx, c);
  if (total > n) {
    token_text(cx)[n] = '\0';
    lex_error(cx, t.column, gen_err::symbol_too_long, token_text(cx), kMaxIdentLength);
  }
  set_ident_token(cx, t, n);
}

void set_punct_token(asm_context& cx, token& t, const char* spelling, std::size_t length, int code) {
  t.kind = TOK_PUNCT;
  t.text = spelling;
  t.length = static_cast<uint32_t>(length);
  t.code = code;
  t.node = check_ident(cx, spelling, length, false);
}

// "." is the bit separator, unless it opens a word operator written ".NAME."
// (".PAGE."); then the whole is one identifier token.
void scan_dot(asm_context& cx, token& t) {
  const int c = lex_get(cx);
  if (!ident_start(cx, c)) {
    lex_unget(cx, c);
    set_punct_token(cx, t, kSingle.text['.'], 1, '.');
    return;
  }
  token word = t;
  word.flags = 0;
  word.column = t.column + 1;
  scan_identifier(cx, c, word);
  const int d = lex_get(cx);
  if (d == '.' && word.length + 2 <= static_cast<uint32_t>(kMaxIdentLength)) {
    char dotted[kMaxIdentLength + 1];
    dotted[0] = '.';
    std::memcpy(dotted + 1, word.text, word.length);
    dotted[word.length + 1] = '.';
    if (ident_node* node = check_ident(cx, dotted, word.length + 2, false)) {
      std::memcpy(token_text(cx), dotted, word.length + 2);
      token_text(cx)[word.length + 2] = '\0';
      t.kind = TOK_IDENT;
      t.text = token_text(cx);
      t.length = word.length + 2;
      t.node = node;
      return;
    }
  }
  lex_unget(cx, d);
  save_or_get_token(cx, TOKEN_SAVE, word);
  set_punct_token(cx, t, kSingle.text['.'], 1, '.');
}

void scan_punct(asm_context& cx, int c, token& t) {
  if (c == '.') {
    scan_dot(cx, t);
    return;
  }
  const int d = lex_get(cx);
  if (const pair_spelling* p = find_pair(c, d)) {
    const int second = (d == 'x') ? 'X' : d;
    set_punct_token(cx, t, p->text, 2, punct2(static_cast<char>(c), static_cast<char>(second)));
    return;
  }
  lex_unget(cx, d);
  set_punct_token(cx, t, kSingle.text[c], 1, c);
}

// Error 15 names the character as it is, or as an escape when not printable.
void invalid_character(asm_context& cx, int c) {
  char shown[8];
  const char ch = static_cast<char>(c);
  reverse_convert(&ch, 1, shown, sizeof shown, false);
  lex_error(cx, cx.lex.column, gen_err::invalid_character, shown);
}

void finish(asm_context& cx, token& t) {
  cx.diag.token_column = t.column;
  if (t.kind == TOK_EOL || t.kind == TOK_EOF) {
    cx.lex.at_line_start = true;
    cx.lex.column = 0;
  } else {
    cx.lex.at_line_start = false;
  }
}

}  // namespace

void lex_error(asm_context& cx, int column, error_id number, const char* text, long value) {
  cx.diag.token_column = column > 0 ? column : 1;
  user_error(cx, number, text, value);
}

void lex_warning(asm_context& cx, int column, warning_id number, const char* text, long value) {
  cx.diag.token_column = column > 0 ? column : 1;
  user_warning(cx, number, text, value);
}

void init_lexer(asm_context& cx) {
  lexer_state& lx = cx.lex;
  lx.radix = 10;
  lx.in_block_comment = false;
  lx.at_line_start = true;
  lx.column = 0;
  lx.backup_count = 0;
  lx.tok = token{};
}

const token& next_token(asm_context& cx) {
  lexer_state& lx = cx.lex;
  token& t = lx.tok;
  if (save_or_get_token(cx, TOKEN_GET, t)) {
    cx.diag.token_column = t.column;
    lx.at_line_start = (t.kind == TOK_EOL || t.kind == TOK_EOF);
    return t;
  }
  t = token{};
  lx.text_slot ^= 1;  // the previous token's text stays readable
  uint16_t flags = lx.at_line_start ? TF_FIRST : 0;
  if (lx.in_block_comment) {
    flags |= TF_BLANK_BEFORE;
    if (!skip_block_comment(cx)) {
      t.kind = TOK_EOF;
      t.column = lx.column + 1;
      finish(cx, t);
      return t;
    }
  }
  for (;;) {
    const int c = lex_get(cx);
    t.column = lx.column;
    t.flags = flags;
    if (is_blank(c)) {
      flags |= TF_BLANK_BEFORE;
      continue;
    }
    if (c == '\n' || c == -1) {
      t.kind = c == -1 ? TOK_EOF : TOK_EOL;
      t.column = c == -1 ? lx.column + 1 : lx.column;
      finish(cx, t);
      return t;
    }
    if (c < 256 && cx.symbols.char_roles[c] == CHAR_COMMENT) {
      skip_line_comment(cx);
      flags |= TF_BLANK_BEFORE;
      continue;
    }
    if (c == '/') {
      const int d = lex_get(cx);
      if (d == '/') {
        skip_line_comment(cx);
        flags |= TF_BLANK_BEFORE;
        continue;
      }
      if (d == '*') {
        lx.in_block_comment = true;
        flags |= TF_BLANK_BEFORE;
        if (!skip_block_comment(cx)) {
          t.kind = TOK_EOF;
          finish(cx, t);
          return t;
        }
        continue;  // a comment left open ends this line; the next line goes on inside it
      }
      lex_unget(cx, d);
    }
    if (ident_start(cx, c)) {
      // Names in the text of an expansion were expanded already.
      const bool expandable = !reading_define_output(cx);
      scan_identifier(cx, c, t);
      if (expandable && t.node != nullptr && t.node->kind == KIND_DEFINE && expand_define(cx, t)) continue;
    } else if (is_digit(c)) {
      scan_number(cx, c, t);
    } else if (c == '"' || c == '\'') {
      if (!scan_quoted(cx, c, t)) {
        t.kind = TOK_EOF;
        t.text = "";
        t.length = 0;
      }
    } else if (is_punct(cx, c)) {
      scan_punct(cx, c, t);
    } else {
      invalid_character(cx, c);
      continue;
    }
    finish(cx, t);
    return t;
  }
}

bool save_or_get_token(asm_context& cx, token_backup_mode mode, token& t) {
  lexer_state& lx = cx.lex;
  if (mode == TOKEN_GET) {
    if (lx.backup_count == 0) return false;
    t = lx.backup[--lx.backup_count];
    return true;
  }
  if (lx.backup_count >= kTokenBackup) {
    internal_error(cx, "save_or_get_token_A05", "Backup overflow", lx.backup_count);
    return false;
  }
  const int slot = lx.backup_count++;
  lx.backup[slot] = t;
  // A text in the token buffer would be overwritten by the next token: keep a copy.
  const char* text = t.text;
  const bool in_buffer = text >= &lx.text[0][0] && text < &lx.text[0][0] + sizeof lx.text;
  bool in_backup = false;
  for (char* b : lx.backup_text)
    if (b != nullptr && text >= b && text < b + kTokenBufferSize + 1) in_backup = true;
  if (in_buffer || in_backup) {
    if (lx.backup_text[slot] == nullptr)
      lx.backup_text[slot] = static_cast<char*>(am_memory(cx, kTokenBufferSize + 1));
    std::memmove(lx.backup_text[slot], text, t.length + 1);
    lx.backup[slot].text = lx.backup_text[slot];
  }
  return true;
}

bool take_char(asm_context& cx, int c) {
  const int d = lex_get(cx);
  if (d == c) return true;
  lex_unget(cx, d);
  return false;
}

token_kind skip_tokens_to_end_of_line(asm_context& cx) {
  for (;;) {
    const token& t = next_token(cx);
    if (t.kind == TOK_EOL || t.kind == TOK_EOF) return t.kind;
  }
}
