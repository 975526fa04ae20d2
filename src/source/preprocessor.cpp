// preprocessor.cpp — preprocessor lines (A02): the directive keywords, the
// #if group stack and the lines it switches off, #include, #error, #message,
// #pragma and #line; start-up with -D and -U, and the check at the end of a pass.
#include "source/preprocessor.h"

#include <cstring>

#include "diag/diag.h"
#include "driver/memory.h"
#include "driver/ide/user_text.h"
#include "driver/stops.h"
#include "source/preprocessor_internal.h"
#include "target/target.h"

namespace {

// Where a directive's keyword stood, for its diagnostics.
struct directive_site {
  int hash_column;     // the "#"
  int keyword_column;  // the keyword
};

using directive_fn = void (*)(asm_context& cx, const directive_site& at);

enum directive_flag : uint8_t {
  DIR_OPERAND = 1,  // an operand may follow: a blank must separate it (error 10)
  DIR_GROUP = 2,    // also looked at in lines switched off by #if
};

struct pp_directive {
  const char* name;
  directive_fn run;
  uint8_t flags;
};

// ---- Reading a directive line ------------------------------------------------

struct expansion_guard {
  asm_context& cx;
  bool expand;
  bool create;
  explicit expansion_guard(asm_context& c) : cx(c), expand(c.pre.no_expand), create(c.lex.create_symbols) {
    cx.pre.no_expand = true;
    cx.lex.create_symbols = false;
  }
  ~expansion_guard() {
    cx.pre.no_expand = expand;
    cx.lex.create_symbols = create;
  }
};

bool is_line_end(const token& t) { return t.kind == TOK_EOL || t.kind == TOK_EOF; }

// A token that ended the line is given back, so that finish_line knows.
void keep_end(asm_context& cx, const token& t) {
  if (!is_line_end(t)) return;
  token copy = t;
  save_or_get_token(cx, TOKEN_SAVE, copy);
}

// Reads the rest of a line that is not assembled (or of a directive after
// its error), keeping track of a "/*" comment that goes on into the next line.
void skip_rest_of_line(asm_context& cx) {
  lexer_state& lx = cx.lex;
  int prev = 0;
  for (int c = lex_get(cx); c != '\n' && c != -1; c = lex_get(cx)) {
    if (lx.in_block_comment) {
      if (prev == '*' && c == '/') {
        lx.in_block_comment = false;
        c = 0;
      }
    } else if (c == '"' || c == '\'') {
      int d;
      do d = lex_get(cx);
      while (d != c && d != '\n' && d != -1 && (d != '\\' || (d = lex_get(cx)) != '\n'));
      if (d == '\n' || d == -1) break;
    } else if (cx.symbols.char_roles[c] == CHAR_COMMENT || (prev == '/' && c == '/')) {
      skip_line(cx);
      break;
    } else if (prev == '/' && c == '*') {
      lx.in_block_comment = true;
      c = 0;
    }
    prev = c;
  }
  lx.at_line_start = true;
  lx.column = 0;
}

// Consumes what is left of the line, up to and including its newline.
void finish_line(asm_context& cx) {
  token t;
  bool ended = false;
  while (save_or_get_token(cx, TOKEN_GET, t))
    if (is_line_end(t)) ended = true;
  if (!ended) skip_rest_of_line(cx);
  cx.lex.at_line_start = true;
  cx.lex.column = 0;
  if (cx.pre.comment_open) cx.lex.in_block_comment = true;
  cx.pre.comment_open = false;
}

// After the keyword: end of line, a blank or a comment; anything else is
// error 10 when an operand is to follow.
bool separated(asm_context& cx) {
  const int c = lex_get(cx);
  bool ok = c == '\n' || c == -1 || is_blank(c) || (c >= 0 && cx.symbols.char_roles[c] == CHAR_COMMENT);
  if (!ok && c == '/') {
    const int d = lex_get(cx);
    ok = d == '/' || d == '*';
    lex_unget(cx, d);
  }
  lex_unget(cx, c);
  return ok;
}

// The normalized rest of the line in cx.pre.raw; `column` receives where it begins.
uint32_t operand_text(asm_context& cx, int* column) {
  preprocessor_state& p = cx.pre;
  const int start = cx.lex.column;
  const uint32_t n = read_line_rest(cx, p.raw);
  uint32_t k = 0;
  while (k < n && is_blank(static_cast<unsigned char>(p.raw[k]))) ++k;
  if (column != nullptr) *column = start + static_cast<int>(k) + 1;
  bool open = false;
  const uint32_t len = normalize_text(cx, p.raw, n, p.raw, &open);
  if (open) p.comment_open = true;
  return len;
}

// Error 19 when anything but blanks and a comment is left on the line.
bool rest_empty(asm_context& cx) {
  int column = 0;
  if (operand_text(cx, &column) == 0) return true;
  pp_error(cx, column, gen_err::pp_unexpected_token);
  return false;
}

// An identifier operand (no expansion). False after error 16.
bool name_operand(asm_context& cx, char* name, uint32_t* len, int* column) {
  expansion_guard guard(cx);
  const token& t = next_token(cx);
  *column = t.column;
  if (t.kind != TOK_IDENT) {
    pp_error(cx, t.column, gen_err::identifier_expected);
    keep_end(cx, t);
    return false;
  }
  std::memcpy(name, t.text, t.length);
  name[t.length] = '\0';
  *len = t.length;
  return true;
}

// ---- Groups -----------------------------------------------------------------------

void set_active(asm_context& cx, bool on) {
  cx.pre.lines_active = on;
  cx.source.in_false_group = !on;
}

// The condition of #if or #elif; errors make it false.
bool condition(asm_context& cx) {
  preprocessor_state& p = cx.pre;
  int column = 0;
  const uint32_t len = operand_text(cx, &column);
  cx.diag.token_column = column;
  const std::string* text = expand_text(cx, p.raw, len, true);
  if (text == nullptr) return false;
  const int resume = cx.lex.column;
  if (!push_output(cx, text->data(), static_cast<uint32_t>(text->size()), column, resume)) return false;
  int32_t value = 0;
  const expr_outcome outcome = parse_absolute_expression(cx, &value);
  token end;
  save_or_get_token(cx, TOKEN_GET, end);
  if (!is_line_end(end)) {
    pp_error(cx, end.column, gen_err::pp_unexpected_token);
    return false;
  }
  keep_end(cx, end);
  switch (outcome) {
    case expr_outcome::absolute: return value != 0;
    case expr_outcome::syntax_error: break;
    case expr_outcome::relocatable: pp_error(cx, column, gen_err::must_be_absolute); break;
    case expr_outcome::not_known: pp_error(cx, column, gen_err::forward_reference); break;
  }
  return false;
}

bool defined_condition(asm_context& cx, bool want) {
  char name[kMaxIdentLength + 1];
  uint32_t len = 0;
  int column = 0;
  if (!name_operand(cx, name, &len, &column) || !rest_empty(cx)) return false;
  return (find_define(cx, name, len) != nullptr) == want;
}

enum class if_kind { expression, defined, not_defined };

// #if, #ifdef, #ifndef: a new group. Inside lines switched off its entry is 0
// and the condition is not looked at.
void open_group(asm_context& cx, const directive_site& at, if_kind kind) {
  preprocessor_state& p = cx.pre;
  if (p.group_depth >= kMaxGroupDepth) {
    pp_error(cx, at.keyword_column, gen_err::block_too_deep, nullptr, kMaxGroupDepth);
    return;
  }
  if (!p.lines_active) {
    p.groups[p.group_depth++] = 0;
    return;
  }
  bool on = false;
  switch (kind) {
    case if_kind::expression: on = condition(cx); break;
    case if_kind::defined: on = defined_condition(cx, true); break;
    case if_kind::not_defined: on = defined_condition(cx, false); break;
  }
  p.groups[p.group_depth++] = on ? 1 : 3;
  set_active(cx, on);
}

bool group_open(asm_context& cx, const directive_site& at) {
  if (cx.pre.group_depth > 0) return true;
  pp_error(cx, at.keyword_column, gen_err::unmatched_pp_else);
  return false;
}

void dir_if(asm_context& cx, const directive_site& at) { open_group(cx, at, if_kind::expression); }
void dir_ifdef(asm_context& cx, const directive_site& at) { open_group(cx, at, if_kind::defined); }
void dir_ifndef(asm_context& cx, const directive_site& at) { open_group(cx, at, if_kind::not_defined); }

// #elif: evaluated only while the group still waits for its branch.
void dir_elif(asm_context& cx, const directive_site& at) {
  if (!group_open(cx, at)) return;
  uint8_t& top = cx.pre.groups[cx.pre.group_depth - 1];
  if (!(top & 2)) {
    set_active(cx, false);
    return;
  }
  const bool on = condition(cx);
  if (on) top = 1;
  set_active(cx, on);
}

// #else takes the branch when none was taken; a second #else finds it taken.
void dir_else(asm_context& cx, const directive_site& at) {
  if (!group_open(cx, at)) return;
  uint8_t& top = cx.pre.groups[cx.pre.group_depth - 1];
  const bool on = (top & 2) != 0;
  if (on) top = 1;
  set_active(cx, on);
  rest_empty(cx);
}

void dir_endif(asm_context& cx, const directive_site& at) {
  if (!group_open(cx, at)) return;
  const uint8_t top = cx.pre.groups[--cx.pre.group_depth];
  set_active(cx, (top & 1) != 0);
  rest_empty(cx);
}

// ---- #define and #undef -------------------------------------------------------------

// #define NAME text, or #define NAME(formal, ...) text with "(" right after the name.
void dir_define(asm_context& cx, const directive_site&) {
  char name[kMaxIdentLength + 1];
  uint32_t name_len = 0;
  int column = 0;
  if (!name_operand(cx, name, &name_len, &column)) return;
  char names[kMaxFormals][kMaxIdentLength + 1];
  const char* formals[kMaxFormals];
  int count = kObjectLike;
  if (take_char(cx, '(')) {
    expansion_guard guard(cx);
    count = 0;
    token t = next_token(cx);
    const bool empty = t.kind == TOK_PUNCT && t.code == ')';
    while (!empty) {
      if (t.kind != TOK_IDENT) {
        pp_error(cx, t.column, gen_err::identifier_expected);
        keep_end(cx, t);
        return;
      }
      for (int k = 0; k < count; ++k)
        if (std::strcmp(formals[k], t.text) == 0) {
          pp_error(cx, t.column, gen_err::macro_param_redefined, t.text);
          return;
        }
      if (count == kMaxFormals) {
        pp_error(cx, t.column, gen_err::too_many_formals, nullptr, kMaxFormals);
        return;
      }
      std::memcpy(names[count], t.text, t.length + 1);
      formals[count] = names[count];
      ++count;
      t = next_token(cx);
      if (t.kind == TOK_PUNCT && t.code == ')') break;
      if (t.kind != TOK_PUNCT || t.code != ',') {
        pp_error(cx, t.column, gen_err::comma_or_rparen_expected);
        keep_end(cx, t);
        return;
      }
      t = next_token(cx);
    }
  }
  const uint32_t len = operand_text(cx, nullptr);
  make_define(cx, name, name_len, formals, count, cx.pre.raw, len, column);
}

// #undef NAME: a name that is no define is ignored.
void dir_undef(asm_context& cx, const directive_site&) {
  char name[kMaxIdentLength + 1];
  uint32_t len = 0;
  int column = 0;
  if (!name_operand(cx, name, &len, &column) || !rest_empty(cx)) return;
  undefine(cx, name, len);
}

// ---- #include, #error, #message, #pragma, #line ------------------------------------------

// #include "name" or <name>, or a define whose value is one of these.
void dir_include(asm_context& cx, const directive_site&) {
  preprocessor_state& p = cx.pre;
  const int start = cx.lex.column;
  uint32_t n = read_line_rest(cx, p.raw);
  uint32_t k = 0;
  while (k < n && is_blank(static_cast<unsigned char>(p.raw[k]))) ++k;
  cx.diag.token_column = start + static_cast<int>(k) + 1;
  const char* name = p.raw + k;
  uint32_t len = n - k;
  std::string expanded;
  if (len > 0 && ident_start(cx, static_cast<unsigned char>(*name))) {
    bool open = false;
    const uint32_t m = normalize_text(cx, name, len, p.text, &open);
    if (open) p.comment_open = true;
    const std::string* text = expand_text(cx, p.text, m, false);
    if (text == nullptr) return;
    expanded = *text;
    name = expanded.c_str();
    len = static_cast<uint32_t>(expanded.size());
  }
  // What follows the closing delimiter may only be a comment.
  if (len > 0 && (name[0] == '"' || name[0] == '<')) {
    const char close = name[0] == '"' ? '"' : '>';
    const char* end = static_cast<const char*>(std::memchr(name + 1, close, len - 1));
    if (end != nullptr) {
      bool open = false;
      const uint32_t after = static_cast<uint32_t>(end + 1 - name);
      if (normalize_text(cx, end + 1, len - after, p.text, &open) != 0) {
        pp_error(cx, cx.diag.token_column, gen_err::pp_unexpected_token);
        return;
      }
      if (open) p.comment_open = true;
    }
  }
  include_operand(cx, name, len);
}

void dir_error(asm_context& cx, const directive_site& at) {
  operand_text(cx, nullptr);
  pp_error(cx, at.keyword_column, gen_err::error_directive, cx.pre.raw);
}

// #message "text": the string on the console.
void dir_message(asm_context& cx, const directive_site& at) {
  const bool create = cx.lex.create_symbols;
  cx.lex.create_symbols = false;
  const token t = next_token(cx);
  cx.lex.create_symbols = create;
  if (t.kind != TOK_STRING || (t.flags & TF_CHAR_QUOTES)) {
    pp_error(cx, is_line_end(t) ? at.keyword_column : t.column, gen_err::invalid_syntax);
    keep_end(cx, t);
    return;
  }
  const std::string text(t.text, t.length);
  if (!rest_empty(cx)) return;
  print_user_line(cx, "#message: ", text);
}

void dir_ignored(asm_context&, const directive_site&) {}

constexpr pp_directive kDirectives[] = {
    {"define", dir_define, DIR_OPERAND},
    {"undef", dir_undef, DIR_OPERAND},
    {"if", dir_if, DIR_OPERAND | DIR_GROUP},
    {"ifdef", dir_ifdef, DIR_OPERAND | DIR_GROUP},
    {"ifndef", dir_ifndef, DIR_OPERAND | DIR_GROUP},
    {"elif", dir_elif, DIR_OPERAND | DIR_GROUP},
    {"else", dir_else, DIR_GROUP},
    {"endif", dir_endif, DIR_GROUP},
    {"include", dir_include, DIR_OPERAND},
    {"error", dir_error, DIR_OPERAND},
    {"message", dir_message, DIR_OPERAND},
    {"pragma", dir_ignored, DIR_OPERAND},
    {"line", dir_ignored, DIR_OPERAND},
};

const pp_directive* find_directive(asm_context& cx, const char* name, std::size_t len) {
  const ident_node* node = find_node(cx, name, len, KIND_PREPROCESSOR);
  return node != nullptr ? &kDirectives[node->keyword.code] : nullptr;
}

void run_directive(asm_context& cx, const pp_directive* d, const directive_site& at) {
  if ((d->flags & DIR_OPERAND) && !separated(cx)) {
    pp_error(cx, cx.lex.column + 1, gen_err::space_or_tab_expected);
    return;
  }
  d->run(cx, at);
}

}  // namespace

// ---- Shared helpers ---------------------------------------------------------------------

void ensure_preprocessor_buffers(asm_context& cx) {
  preprocessor_state& p = cx.pre;
  if (p.raw != nullptr) return;
  p.raw = static_cast<char*>(am_memory(cx, kLineText));
  p.text = static_cast<char*>(am_memory(cx, 2 * kLineText + 8));
  p.work = static_cast<char*>(am_memory(cx, kWorkSize));
  p.out_store = static_cast<char*>(am_memory(cx, kOutputStore));
  p.frame_out.resize(64);
}

uint32_t read_line_rest(asm_context& cx, char* out) {
  uint32_t n = 0;
  int c;
  for (c = lex_get(cx); c != '\n' && c != -1; c = lex_get(cx))
    if (n < kLineText - 1) out[n++] = static_cast<char>(c);
  lex_unget(cx, c);
  out[n] = '\0';
  return n;
}

// Preprocessor diagnostics are placed like the lexer's: at the token's column.
void pp_error(asm_context& cx, int column, error_id number, const char* text, long value) {
  lex_error(cx, column, number, text, value);
}

void pp_warning(asm_context& cx, int column, warning_id number, const char* text, long value) {
  lex_warning(cx, column, number, text, value);
}

// ---- Entry points ----------------------------------------------------------------------------

void start_preprocessor(asm_context& cx) {
  preprocessor_state& p = cx.pre;
  ensure_preprocessor_buffers(cx);
  for (int i = 0; i < static_cast<int>(sizeof kDirectives / sizeof kDirectives[0]); ++i)
    register_keyword(cx, kDirectives[i].name, KIND_PREPROCESSOR, i, 0, &kDirectives[i], KEEP_CASE);
  define_builtin_symbols(cx);
  define_target_symbols(cx);
  // All -D before all -U: the driver keeps them in that order. A -D that
  // gives a name another value is warned about when the first module starts.
  for (const command_define& d : cx.driver.command_defines) {
    if (d.undefine) {
      undefine(cx, d.name.c_str(), d.name.size());
      continue;
    }
    const define_rec* old = find_define(cx, d.name.c_str(), d.name.size());
    const define_rec* made = define_from_text(cx, d.name.c_str(), d.value.c_str());
    if (old != nullptr && made != nullptr && made != old) ++p.command_line_redefinitions;
  }
  cx.stmt.preprocessor_line = preprocessor_line;
  p.group_depth = 0;
  set_active(cx, true);
  p.started = true;
}

void preprocessor_line(asm_context& cx) {
  directive_site at{cx.lex.tok.column, 0};
  const pp_directive* d = nullptr;
  {
    expansion_guard guard(cx);
    const token& t = next_token(cx);
    at.keyword_column = t.column;
    if (t.kind != TOK_IDENT) {
      pp_error(cx, t.column, gen_err::identifier_expected);
      keep_end(cx, t);
    } else if ((d = find_directive(cx, t.text, t.length)) == nullptr) {
      pp_error(cx, t.column, gen_err::no_such_pp_command, std::string(t.text, t.length).c_str());
    }
  }
  if (d != nullptr) run_directive(cx, d, at);
  finish_line(cx);
}

void skipped_line(asm_context& cx) {
  lexer_state& lx = cx.lex;
  lx.at_line_start = true;
  lx.column = 0;
  int c = lex_get(cx);
  while (c >= 0 && is_blank(c)) c = lex_get(cx);
  if (lx.in_block_comment || c != '#') {
    lex_unget(cx, c);
    skip_rest_of_line(cx);
    return;
  }
  const int hash_column = lx.column;
  do c = lex_get(cx);
  while (c >= 0 && is_blank(c));
  char name[16];
  uint32_t n = 0;
  const int keyword_column = lx.column;
  while (c >= 0 && ident_char(cx, c)) {
    if (n < sizeof name) name[n] = static_cast<char>(c);
    ++n;
    c = lex_get(cx);
  }
  lex_unget(cx, c);
  const pp_directive* d = n <= sizeof name ? find_directive(cx, name, n) : nullptr;
  if (d == nullptr || !(d->flags & DIR_GROUP)) {
    skip_rest_of_line(cx);
    return;
  }
  run_directive(cx, d, directive_site{hash_column, keyword_column});
  finish_line(cx);
}

// A -D has no source line, so no place in the listing: its warning goes to
// the console only (the list file is set aside while it is reported).
void start_preprocessor_module(asm_context& cx) {
  preprocessor_state& p = cx.pre;
  if (p.command_line_redefinitions == 0) return;
  struct list_aside {
    qfile*& slot;
    qfile* kept;
    explicit list_aside(qfile*& s) : slot(s), kept(s) { slot = nullptr; }
    ~list_aside() { slot = kept; }
  } aside(cx.driver.files.list);
  for (; p.command_line_redefinitions > 0; --p.command_line_redefinitions)
    pp_warning(cx, 1, gen_warn::macro_redefined);
}

void end_preprocessor_pass(asm_context& cx) {
  preprocessor_state& p = cx.pre;
  if (p.group_depth > 0) {
    p.group_depth = 0;
    set_active(cx, true);
    pp_error(cx, 1, gen_err::missing_endif);
  }
  set_active(cx, true);
}
