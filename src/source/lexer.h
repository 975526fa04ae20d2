// lexer.h — the lexer (A05): cuts the characters of the current character
// source into tokens; every identifier is looked up in the symbol table.
#pragma once

#include <cstddef>
#include <cstdint>

struct asm_context;
struct ident_node;

constexpr int kMaxStringLength = 31997;   // longer strings are cut (error 12)
constexpr int kMaxDigits = 31998;         // longer digit runs give error 12
constexpr int kTokenBufferSize = 32000;
constexpr int kTokenBackup = 8;           // tokens a parser can give back

enum token_kind : uint8_t {
  TOK_EOF = 0,     // end of the whole input
  TOK_EOL = 1,     // end of the line
  TOK_IDENT = 2,   // identifier: node, text as written
  TOK_NUMBER = 3,  // integer constant or one-character constant: value
  TOK_FLOAT = 4,   // floating constant: text (digits, point, exponent), converted by its user
  TOK_STRING = 5,  // string, or character constant of 0 or 2+ characters: text, length
  TOK_PUNCT = 6,   // operator or delimiter characters: text (1 or 2 characters), code, node
};

enum token_flag : uint16_t {
  TF_FIRST = 0x01,         // first token of its line
  TF_BLANK_BEFORE = 0x02,  // blanks (or a comment) stand before it
  TF_LONG = 0x04,          // number needing more than 32 bits, or written with LL
  TF_UNSIGNED = 0x08,      // number written with U
  TF_CHAR_QUOTES = 0x10,   // number or string written in single quotes
  TF_FLOAT_SINGLE = 0x20,  // floating constant written with F
  TF_FLOAT_LONG = 0x40,    // floating constant written with L
  TF_TRUNCATED = 0x80,     // number beyond 64 bits, kept as its low 64 bits (warned once)
};

// Code of a two-character operator in token::code; one character is its own code.
constexpr int punct2(char a, char b) {
  return static_cast<unsigned char>(a) | (static_cast<unsigned char>(b) << 8);
}

struct token {
  token_kind kind = TOK_EOL;
  uint16_t flags = 0;      // token_flag bits
  int column = 0;          // 1-based column of the first character in its line
  int code = 0;            // TOK_PUNCT: the character, or punct2 of the pair ("!x" as "!X")
  int64_t value = 0;       // TOK_NUMBER
  // TOK_IDENT: the name as written; TOK_STRING: the characters after escape
  // processing; TOK_PUNCT: the spelling. NUL-terminated; valid while one more
  // token is read (one token of look-ahead), and kept by a token given back.
  const char* text = "";
  uint32_t length = 0;
  ident_node* node = nullptr;  // TOK_IDENT and TOK_PUNCT: check_ident's result, or null
};

struct lexer_state {
  token tok;                       // the token last read
  int radix = 10;                  // RADIX: radix of numbers without suffix
  bool create_symbols = true;      // unknown identifiers become user symbols
  bool in_block_comment = false;   // a "/*" comment goes on on the next line
  bool at_line_start = true;       // the next token is the first of its line
  int column = 0;                  // column of the last character read
  int backup_count = 0;
  token backup[kTokenBackup];
  char* backup_text[kTokenBackup] = {};  // own copies of given-back texts (arena, made once)
  char text[2][kTokenBufferSize + 1] = {};  // characters of the last two tokens, alternately
  int text_slot = 0;                         // buffer of the token being read
};

// Resets the lexer for a new pass: radix 10, no pending comment or tokens.
void init_lexer(asm_context& cx);

// Reads the next token into cx.lex.tok and returns it. A token given back by
// save_or_get_token comes first. Lexical errors are reported at their line and
// column and the lexer goes on with the next character; cx.diag.token_column
// follows the token being read.
const token& next_token(asm_context& cx);

enum token_backup_mode : int { TOKEN_SAVE = 0, TOKEN_GET = 1 };

// TOKEN_SAVE gives `t` back: the next next_token returns it (the last saved
// first); more than kTokenBackup is the internal error "Backup overflow".
// TOKEN_GET takes the newest saved token into `t`; false when there is none.
bool save_or_get_token(asm_context& cx, token_backup_mode mode, token& t);

// Consumes the next character of the input when it is `c` and reports
// whether it was; nothing else is read (no blanks are skipped). For a mark
// that must follow a token directly, such as the ":" of a label.
bool take_char(asm_context& cx, int c);

// Reads tokens up to the end of the line (which is consumed) or of the input;
// returns the kind that ended it. Comments, strings and errors are handled as
// in any other token.
token_kind skip_tokens_to_end_of_line(asm_context& cx);

// The reverse conversion of a string: printable characters as they are, the
// others as the escapes "\a" ... "\v" or "\x%02x". With `escape_quotes` a
// backslash and a double quote get a backslash in front. Writes at most
// `capacity` - 1 characters and a NUL; returns the full length needed.
std::size_t reverse_convert(const char* text, std::size_t length, char* out, std::size_t capacity,
                            bool escape_quotes);
