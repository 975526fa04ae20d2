// defines_expand.cpp — expansion of #define symbols (A02): a name met by the
// lexer is replaced by its text, rescanned with the rest of the line; the
// arguments of function-like defines, "#" and "##", and every nesting limit.
//
// One expansion runs to its end before the lexer reads on: the texts being
// rescanned form a stack of levels over the line, and the finished text is
// handed to the lexer as a character source of its own, whose names are not
// looked at again.
#include <cstring>

#include "diag/diag.h"
#include "driver/stops.h"
#include "source/preprocessor_internal.h"
#include "source/symbols_internal.h"

namespace {

constexpr int kMaxFrames = 64;            // nested argument expansions (bounded by the 50 function-like ones)
constexpr uint32_t kBuiltinRoom = 16400;  // a built-in's value (a long, escaped file name)

// One run of the rescanner: the levels above `bottom` are its input; with
// `real` the line beneath is read where a define needs its "(" or arguments.
struct pp_frame {
  int bottom;
  bool real;
  bool if_mode;  // "defined" is an operator; unknown names are 0
  std::string* out;
};

struct arg_ref {
  const char* text;
  uint32_t len;
};

preprocessor_state& pre(asm_context& cx) { return cx.pre; }

// Error 20 for an expansion beyond what one line may become.
void fail_too_long(asm_context& cx) {
  pp_error(cx, cx.diag.token_column, gen_err::define_too_long, nullptr, kDefineTextLimit);
}

bool glues(asm_context& cx, int a, int b) {
  return ident_char(cx, static_cast<unsigned char>(a)) && ident_char(cx, static_cast<unsigned char>(b));
}

// ---- Work storage and levels ---------------------------------------------------

char* work_alloc(asm_context& cx, uint32_t n) {
  preprocessor_state& p = pre(cx);
  if (p.work_top + n > kWorkSize) {
    fail_too_long(cx);
    return nullptr;
  }
  char* at = p.work + p.work_top;
  p.work_top += n;
  return at;
}

bool push_level(asm_context& cx, const char* text, uint32_t len, define_rec* d, uint32_t mark, uint16_t params) {
  preprocessor_state& p = pre(cx);
  if (p.level_count >= kMaxLevels) {
    internal_error(cx, "push_level_A02", "Level stack full", p.level_count);
    return false;
  }
  p.levels[p.level_count++] = pp_level{text, 0, len, d, mark, p.work_top, params};
  if (d != nullptr) ++d->active;
  return true;
}

// A level used up: its define's expansion ends, and its storage comes back
// when nothing newer lies above it.
void pop_level(asm_context& cx) {
  preprocessor_state& p = pre(cx);
  const pp_level l = p.levels[--p.level_count];
  if (l.def != nullptr) {
    --l.def->active;
    --p.depth;
    if (l.def->formal_count >= 0) {
      --p.param_nesting;
      p.active_params -= l.params;
    }
  }
  if (p.work_top == l.work_end) p.work_top = l.work_mark;
}

void reset_expansion(asm_context& cx) {
  preprocessor_state& p = pre(cx);
  while (p.level_count > 0) pop_level(cx);
  p.depth = 0;
  p.param_nesting = 0;
  p.active_params = 0;
  p.work_top = 0;
  p.frame_nesting = 0;
  p.recursion_warned = false;
  p.budget = 0;
}

// ---- Characters of a frame ------------------------------------------------------

// `from` tells where a character came from: a level's index, -1 the line.
constexpr int kFromLine = -1;
constexpr int kFromNowhere = -2;

// Next character: the frame's levels first (used-up ones end), then with
// `allow_line` the line up to its end. -1 at the end; the newline stays unread.
int frame_get(asm_context& cx, const pp_frame& f, bool allow_line, int& from) {
  preprocessor_state& p = pre(cx);
  ++p.budget;
  while (p.level_count > f.bottom) {
    pp_level& l = p.levels[p.level_count - 1];
    if (l.pos < l.len) {
      from = p.level_count - 1;
      return static_cast<unsigned char>(l.text[l.pos++]);
    }
    pop_level(cx);
  }
  from = kFromNowhere;
  if (!allow_line || !f.real) return -1;
  const int c = lex_get(cx);
  if (c == '\n' || c == -1) {
    lex_unget(cx, c);
    return -1;
  }
  from = kFromLine;
  return c;
}

void frame_unget(asm_context& cx, int c, int from) {
  if (from >= 0)
    --pre(cx).levels[from].pos;
  else if (from == kFromLine)
    lex_unget(cx, c);
}

bool over_budget(asm_context& cx) {
  if (pre(cx).budget <= kExpansionBudget) return false;
  fail_too_long(cx);
  return true;
}

bool out_append(asm_context& cx, const pp_frame& f, const char* s, uint32_t n) {
  std::string& out = *f.out;
  if (n > 0 && !out.empty() && glues(cx, out.back(), s[0])) out += ' ';
  out.append(s, n);
  if (out.size() <= static_cast<std::size_t>(kDefineTextLimit)) return true;
  fail_too_long(cx);
  return false;
}

// The rest of a token whose first character came from level `from`; a
// token never runs on into the text beneath its level.
uint32_t token_rest(asm_context& cx, int from, bool (*more)(asm_context&, int)) {
  pp_level& l = pre(cx).levels[from];
  const uint32_t start = l.pos;
  while (l.pos < l.len && more(cx, static_cast<unsigned char>(l.text[l.pos]))) ++l.pos;
  return l.pos - start;
}

bool more_ident(asm_context& cx, int c) { return ident_char(cx, c); }

// ---- Arguments -------------------------------------------------------------------

struct arg_collector {
  asm_context& cx;
  const pp_frame& f;
  arg_ref* args;
  int stored = 0;        // arguments kept (at most kMaxFormals + 1)
  int count = 0;         // arguments seen
  uint32_t start = 0;    // work offset of the argument being read
  bool blank = false;

  bool put(int c) {
    preprocessor_state& p = pre(cx);
    if (blank && p.work_top > start) {
      blank = false;
      if (!put(' ')) return false;
    }
    blank = false;
    if (p.work_top - start >= static_cast<uint32_t>(kMaxArgumentLength)) {
      pp_error(cx, cx.diag.token_column, gen_err::actual_too_long, nullptr, kMaxArgumentLength);
      return false;
    }
    char* at = work_alloc(cx, 1);
    if (at == nullptr) return false;
    *at = static_cast<char>(c);
    return true;
  }
  void finish() {
    preprocessor_state& p = pre(cx);
    if (stored < kMaxFormals + 1) args[stored++] = arg_ref{p.work + start, p.work_top - start};
    ++count;
    start = p.work_top;
    blank = false;
  }
  bool missing_paren() {
    pp_error(cx, cx.diag.token_column, gen_err::rparen_expected);
    return false;
  }
  // A string or character constant, copied as written.
  bool quoted(int quote) {
    if (!put(quote)) return false;
    for (;;) {
      int from;
      const int c = frame_get(cx, f, true, from);
      if (c < 0) return missing_paren();
      if (!put(c)) return false;
      if (c == '\\') {
        const int d = frame_get(cx, f, true, from);
        if (d < 0) return missing_paren();
        if (!put(d)) return false;
        continue;
      }
      if (c == quote) return true;
    }
  }
  // "/*" read: up to its "*/", standing for a blank.
  bool block_comment() {
    int prev = 0;
    for (;;) {
      int from;
      const int c = frame_get(cx, f, true, from);
      if (c < 0) return missing_paren();
      if (prev == '*' && c == '/') break;
      prev = c;
    }
    blank = true;
    return true;
  }

  // After "(": the texts between commas at parenthesis depth 0, up to ")".
  bool run() {
    int depth = 0;
    start = pre(cx).work_top;
    for (;;) {
      if (over_budget(cx)) return false;
      int from;
      const int c = frame_get(cx, f, true, from);
      if (c < 0) return missing_paren();
      if (cx.symbols.char_roles[c] == CHAR_COMMENT) return missing_paren();
      if (c == '/') {
        int from2;
        const int d = frame_get(cx, f, true, from2);
        if (d == '/') return missing_paren();
        if (d == '*') {
          if (!block_comment()) return false;
          continue;
        }
        if (d >= 0) frame_unget(cx, d, from2);
      }
      if (is_blank(c)) {
        blank = true;
        continue;
      }
      if (c == ')' && depth == 0) {
        finish();
        return true;
      }
      if (c == ',' && depth == 0) {
        finish();
        continue;
      }
      if (c == '(') ++depth;
      if (c == ')') --depth;
      if ((c == '"' || c == '\'') ? !quoted(c) : !put(c)) return false;
    }
  }
};

// ---- Substitution --------------------------------------------------------------------

bool pre_expand(asm_context& cx, const arg_ref& raw, arg_ref& expanded);

// Writes the replacement text with the arguments in place at the top of the
// work storage; runs joined by "##" are checked against their limit.
struct substituter {
  asm_context& cx;
  uint32_t begin;
  uint32_t run_start;         // where the current run of non-blanks began
  uint32_t last_run = 0;      // where the run before the last blank began
  bool run_joined = false;
  bool skip_blank = false;

  bool close_run() {
    const uint32_t end = pre(cx).work_top;
    if (run_joined && end - run_start > static_cast<uint32_t>(kMaxPasteLength)) {
      pp_error(cx, cx.diag.token_column, gen_err::string_too_long, nullptr, kMaxPasteLength);
      return false;
    }
    run_joined = false;
    run_start = end;
    return true;
  }
  bool put(char c) {
    if (c == ' ') {
      if (skip_blank) return true;
      last_run = run_start;
      if (!close_run()) return false;
    }
    skip_blank = false;
    char* at = work_alloc(cx, 1);
    if (at == nullptr) return false;
    *at = c;
    if (c == ' ') run_start = pre(cx).work_top;
    return true;
  }
  bool put_text(const char* s, uint32_t n) {
    for (uint32_t i = 0; i < n; ++i)
      if (!put(s[i])) return false;
    return true;
  }
  bool put_string(const arg_ref& a) {
    if (!put('"')) return false;
    for (uint32_t i = 0; i < a.len; ++i) {
      if ((a.text[i] == '\\' || a.text[i] == '"') && !put('\\')) return false;
      if (!put(a.text[i])) return false;
    }
    return put('"');
  }
  // "##": the blanks before it go, and the run before them goes on.
  void paste() {
    preprocessor_state& p = pre(cx);
    bool trimmed = false;
    while (p.work_top > begin && p.work[p.work_top - 1] == ' ') {
      --p.work_top;
      trimmed = true;
    }
    if (trimmed) run_start = last_run < p.work_top ? last_run : p.work_top;
    run_joined = true;
    skip_blank = true;
  }

  bool run(const define_rec* d, const arg_ref* raw, const arg_ref* expanded) {
    begin = run_start = pre(cx).work_top;
    for (uint32_t i = 0; i < d->text_len; ++i) {
      const auto c = static_cast<unsigned char>(d->text[i]);
      const int k = is_mark(c) && c != MARK_PASTE ? static_cast<unsigned char>(d->text[++i]) - 1 : 0;
      bool ok = true;
      switch (c) {
        case MARK_FORMAL: ok = put_text(expanded[k].text, expanded[k].len); break;
        case MARK_RAW: ok = put_text(raw[k].text, raw[k].len); break;
        case MARK_STRING: ok = put_string(raw[k]); break;
        case MARK_PASTE: paste(); break;
        case MARK_LITERAL: ok = put(static_cast<char>(k + 1)); break;
        default: ok = put(static_cast<char>(c)); break;
      }
      if (!ok) return false;
    }
    return close_run();
  }
};

// The replacement text of `d` with `args`, in the work storage.
bool substitute(asm_context& cx, define_rec* d, const arg_ref* args, int count, arg_ref& body) {
  arg_ref expanded[kMaxFormals];
  bool wanted[kMaxFormals] = {};
  for (uint32_t i = 0; i < d->text_len; ++i) {
    const auto c = static_cast<unsigned char>(d->text[i]);
    if (c == MARK_FORMAL) wanted[static_cast<unsigned char>(d->text[i + 1]) - 1] = true;
    if (c == MARK_FORMAL || c == MARK_RAW || c == MARK_STRING || c == MARK_LITERAL) ++i;
  }
  for (int k = 0; k < count && k < kMaxFormals; ++k) {
    expanded[k] = args[k];
    if (wanted[k] && !pre_expand(cx, args[k], expanded[k])) return false;
  }
  substituter s{cx, 0, 0};
  if (!s.run(d, args, expanded)) return false;
  body = arg_ref{pre(cx).work + s.begin, pre(cx).work_top - s.begin};
  return true;
}

// A built-in's value, computed now into the work storage.
bool builtin_text(asm_context& cx, define_rec* d, arg_ref& body) {
  char* at = work_alloc(cx, kBuiltinRoom);
  if (at == nullptr) return false;
  const int n = d->value(cx, at, static_cast<int>(kBuiltinRoom));
  pre(cx).work_top -= kBuiltinRoom - static_cast<uint32_t>(n);
  body = arg_ref{at, static_cast<uint32_t>(n)};
  return true;
}

// ---- Invocation ----------------------------------------------------------------------

enum class invoked { error, kept, expanded };

bool run_frame(asm_context& cx, pp_frame& f);

void warn_recursion(asm_context& cx, const define_rec* d) {
  preprocessor_state& p = pre(cx);
  if (d->active > 0 && !p.recursion_warned) {
    p.recursion_warned = true;
    pp_warning(cx, cx.diag.token_column, gen_warn::recursive_macro);
  }
}

bool depth_ok(asm_context& cx) {
  if (pre(cx).depth < kMaxExpansionDepth) return true;
  pp_error(cx, cx.diag.token_column, gen_err::macro_too_deep, nullptr, kMaxExpansionDepth);
  return false;
}

invoked invoke_object(asm_context& cx, define_rec* d) {
  preprocessor_state& p = pre(cx);
  warn_recursion(cx, d);
  if (!depth_ok(cx)) return invoked::error;
  const uint32_t mark = p.work_top;
  arg_ref body{d->text, d->text_len};
  if (d->value != nullptr) {
    if (!builtin_text(cx, d, body)) return invoked::error;
  } else if (!d->plain && !substitute(cx, d, nullptr, 0, body)) {
    return invoked::error;
  }
  ++p.depth;
  return push_level(cx, body.text, body.len, d, mark, 0) ? invoked::expanded : invoked::error;
}

// Looks for the "(" of a function-like define. Without it the blanks read go
// back where they came from (or, from a finished level, stand after the name).
bool find_paren(asm_context& cx, const pp_frame& f, bool& blank_after) {
  int blanks = 0;
  int blank_from = kFromNowhere;
  int from;
  int c;
  for (;;) {
    c = frame_get(cx, f, true, from);
    if (c < 0 || !is_blank(c)) break;
    ++blanks;
    blank_from = from;
  }
  if (c == '(') return true;
  if (c >= 0) frame_unget(cx, c, from);
  if (blanks > 0) {
    if (blank_from == kFromLine)
      lex_unget(cx, ' ');
    else
      blank_after = true;
  }
  return false;
}

invoked invoke_function(asm_context& cx, const pp_frame& f, define_rec* d, bool& blank_after) {
  preprocessor_state& p = pre(cx);
  if (!find_paren(cx, f, blank_after)) return invoked::kept;
  if (!depth_ok(cx)) return invoked::error;
  const int column = cx.diag.token_column;
  if (p.param_nesting >= kMaxParamNesting) {
    pp_error(cx, column, gen_err::too_many_param_macros, nullptr, kMaxParamNesting);
    return invoked::error;
  }
  const uint32_t mark = p.work_top;
  arg_ref args[kMaxFormals + 1];
  arg_collector collect{cx, f, args};
  if (!collect.run()) return invoked::error;
  int count = collect.count;
  if (d->formal_count == 0 && count == 1 && args[0].len == 0) count = 0;  // "F()"
  if (count > d->formal_count) {
    pp_error(cx, column, gen_err::too_many_actuals, d->node->name);
    return invoked::error;
  }
  if (count < d->formal_count) {
    pp_error(cx, column, gen_err::too_few_actuals, d->node->name);
    return invoked::error;
  }
  for (int k = 0; k < count; ++k)
    if (args[k].len == 0) pp_warning(cx, column, gen_warn::empty_macro_argument);
  if (p.active_params + count > kMaxActiveParams) {
    pp_error(cx, column, gen_err::too_many_active_params, nullptr, kMaxActiveParams);
    return invoked::error;
  }
  warn_recursion(cx, d);
  ++p.depth;
  ++p.param_nesting;
  p.active_params += count;
  arg_ref body{};
  if (!substitute(cx, d, args, count, body)) return invoked::error;
  return push_level(cx, body.text, body.len, d, mark, static_cast<uint16_t>(count)) ? invoked::expanded
                                                                                      : invoked::error;
}

// A name beyond the longest identifier is error 108 and stands for its first
// kMaxIdentLength characters, as the lexer cuts it.
uint32_t cut_name(asm_context& cx, const char* name, uint32_t n) {
  if (n <= static_cast<uint32_t>(kMaxIdentLength)) return n;
  const std::string shown(name, kMaxIdentLength);
  pp_error(cx, cx.diag.token_column, gen_err::symbol_too_long, shown.c_str(), kMaxIdentLength);
  return kMaxIdentLength;
}

// "defined NAME" or "defined ( NAME )" in #if: 1 for a #define symbol.
bool operator_defined(asm_context& cx, const pp_frame& f) {
  int from;
  int c;
  do c = frame_get(cx, f, false, from);
  while (c >= 0 && is_blank(c));
  const bool paren = c == '(';
  if (paren) {
    do c = frame_get(cx, f, false, from);
    while (c >= 0 && is_blank(c));
  }
  if (c < 0 || !ident_start(cx, c)) {
    pp_error(cx, cx.diag.token_column, gen_err::identifier_expected);
    return false;
  }
  const pp_level& l = pre(cx).levels[from];
  const char* name = l.text + l.pos - 1;
  const uint32_t n = cut_name(cx, name, 1 + token_rest(cx, from, more_ident));
  const bool defined = find_define(cx, name, n) != nullptr;
  if (paren) {
    do c = frame_get(cx, f, false, from);
    while (c >= 0 && is_blank(c));
    if (c != ')') {
      pp_error(cx, cx.diag.token_column, gen_err::rparen_expected);
      return false;
    }
  }
  return out_append(cx, f, defined ? "1" : "0", 1);
}

// In #if a name that is no define, no operator and no symbol with a value counts as 0.
bool has_value(asm_context& cx, const char* name, uint32_t n) {
  for (ident_node* x = check_ident(cx, name, n, false); x != nullptr; x = x->same_name) {
    if (x->kind == KIND_OPERATOR) return true;
    if (is_user_kind(x->kind) && x->label != nullptr && !(x->label->flags & LBL_UNDEFINED)) return true;
  }
  return false;
}

bool identifier(asm_context& cx, pp_frame& f, int from) {
  // The name is copied: its level may end, and its storage be reused, while "(" is looked for.
  char name[kMaxIdentLength + 1];
  const pp_level& l = pre(cx).levels[from];
  const char* at = l.text + l.pos - 1;
  const uint32_t n = cut_name(cx, at, 1 + token_rest(cx, from, more_ident));
  std::memcpy(name, at, n);
  name[n] = '\0';
  if (f.if_mode && n == 7 && std::memcmp(name, "defined", 7) == 0) return operator_defined(cx, f);
  define_rec* d = find_define(cx, name, n);
  bool blank_after = false;
  invoked r = invoked::kept;
  if (d != nullptr) r = d->formal_count < 0 ? invoke_object(cx, d) : invoke_function(cx, f, d, blank_after);
  if (r == invoked::error) return false;
  if (r == invoked::expanded) return true;
  const bool zero = f.if_mode && !has_value(cx, name, n);
  if (!out_append(cx, f, zero ? "0" : name, zero ? 1 : n)) return false;
  if (blank_after) *f.out += ' ';
  return true;
}

// Rescans the frame's levels into its output until they are used up.
bool run_frame(asm_context& cx, pp_frame& f) {
  for (;;) {
    if (over_budget(cx)) return false;
    int from;
    const int c = frame_get(cx, f, false, from);
    if (c < 0) return true;
    if (ident_start(cx, c)) {
      if (!identifier(cx, f, from)) return false;
      continue;
    }
    if (c == ' ') {
      // Blanks of texts that expand to nothing must not pile up.
      if (!f.out->empty() && f.out->back() != ' ') *f.out += ' ';
      continue;
    }
    const pp_level& l = pre(cx).levels[from];
    const char* at = l.text + l.pos - 1;
    uint32_t n = 1;
    if (c == '!' && l.pos < l.len && (l.text[l.pos] == 'X' || l.text[l.pos] == 'x')) {
      n = 2;  // the operator "!X", as the lexer takes it: no name X follows
    } else if (is_digit(c)) {
      n = number_length(cx, l.text, l.pos - 1, l.len);
    } else if (c == '"' || c == '\'') {
      n = quoted_length(l.text, l.pos - 1, l.len);
    }
    pre(cx).levels[from].pos += n - 1;
    pre(cx).budget += n;
    if (!out_append(cx, f, at, n)) return false;
  }
}

// An argument with its defines expanded, on its own: nothing beyond it is read.
bool pre_expand(asm_context& cx, const arg_ref& raw, arg_ref& expanded) {
  preprocessor_state& p = pre(cx);
  if (p.frame_nesting + 1 >= kMaxFrames) {
    internal_error(cx, "pre_expand_A02", "Frame stack full", p.frame_nesting);
    return false;
  }
  pp_frame sub{p.level_count, false, false, &p.frame_out[++p.frame_nesting]};
  sub.out->clear();
  bool ok = push_level(cx, raw.text, raw.len, nullptr, p.work_top, 0) && run_frame(cx, sub);
  --p.frame_nesting;
  if (!ok) return false;
  char* at = work_alloc(cx, static_cast<uint32_t>(sub.out->size()));
  if (at == nullptr) return false;
  std::memcpy(at, sub.out->data(), sub.out->size());
  expanded = arg_ref{at, static_cast<uint32_t>(sub.out->size())};
  return true;
}

int read_define_output(asm_context& cx) {
  preprocessor_state& p = cx.pre;
  if (p.output_count == 0) return 0;
  pp_output& o = p.outputs[p.output_count - 1];
  if (o.pos < o.len) return static_cast<unsigned char>(p.out_store[o.start + o.pos++]);
  // The line goes on where the expanded name and its arguments ended.
  cx.lex.column = o.resume_column;
  p.out_top = o.start;
  --p.output_count;
  return 0;
}

void start_expansion(asm_context& cx) {
  ensure_preprocessor_buffers(cx);
  reset_expansion(cx);
  pre(cx).frame_out[0].clear();
}

// What the name is when it does not expand: a keyword or symbol of the same name.
ident_node* other_node(asm_context& cx, const token& t) {
  char upper[kMaxIdentLength + 1];
  bool lower = false;
  for (uint32_t i = 0; i < t.length; ++i) {
    char c = t.text[i];
    if (c >= 'a' && c <= 'z') {
      c = static_cast<char>(c - 'a' + 'A');
      lower = true;
    }
    upper[i] = c;
  }
  if (lower) {
    ident_node* k = check_ident(cx, upper, t.length, false);
    if (k != nullptr && k->kind != KIND_DEFINE && !is_user_kind(k->kind) && k->kind != KIND_MACRO) return k;
  }
  if (t.node->same_name != nullptr) return t.node->same_name;
  return cx.lex.create_symbols ? insert_node(cx, t.text, t.length, KIND_USER) : nullptr;
}

// The rest of the line after an expansion that failed is not read.
void drop_line_rest(asm_context& cx) {
  int c;
  do c = lex_get(cx);
  while (c != '\n' && c != -1);
  lex_unget(cx, c);
}

}  // namespace

bool reading_define_output(const asm_context& cx) { return cx.source.cur_read == read_define_output; }

bool push_output(asm_context& cx, const char* text, uint32_t len, int first_column, int resume_column) {
  preprocessor_state& p = cx.pre;
  if (len == 0) return true;
  if (p.output_count == kMaxOutputs || p.out_top + len > kOutputStore) {
    fail_too_long(cx);
    return false;
  }
  std::memcpy(p.out_store + p.out_top, text, len);
  p.outputs[p.output_count++] = pp_output{p.out_top, 0, len, resume_column};
  p.out_top += len;
  if (!redirect_input(cx, read_define_output)) {
    p.out_top -= len;
    --p.output_count;
    return false;
  }
  cx.lex.column = first_column - 1;
  return true;
}

const std::string* expand_text(asm_context& cx, const char* text, uint32_t len, bool if_mode) {
  start_expansion(cx);
  preprocessor_state& p = cx.pre;
  pp_frame f{0, false, if_mode, &p.frame_out[0]};
  const bool ok = push_level(cx, text, len, nullptr, 0, 0) && run_frame(cx, f);
  reset_expansion(cx);
  return ok ? f.out : nullptr;
}

bool expand_define(asm_context& cx, token& t) {
  preprocessor_state& p = cx.pre;
  if (p.no_expand || t.node == nullptr) return false;
  define_rec* d = static_cast<define_rec*>(const_cast<void*>(t.node->keyword.data));
  start_expansion(cx);
  cx.diag.token_column = t.column;
  pp_frame f{0, true, false, &p.frame_out[0]};
  bool blank_after = false;
  const invoked r = d->formal_count < 0 ? invoke_object(cx, d) : invoke_function(cx, f, d, blank_after);
  if (r == invoked::kept) {
    reset_expansion(cx);
    t.node = other_node(cx, t);
    return false;
  }
  if (r == invoked::error || !run_frame(cx, f)) {
    reset_expansion(cx);
    drop_line_rest(cx);
    return true;
  }
  reset_expansion(cx);
  // The text must not run on into what follows it on the line.
  const int next = lex_get(cx);
  lex_unget(cx, next);
  std::string& out = *f.out;
  if (!out.empty() && next >= 0 && glues(cx, out.back(), next)) out += ' ';
  const int resume = cx.lex.column;
  if (!push_output(cx, out.data(), static_cast<uint32_t>(out.size()), t.column, resume)) drop_line_rest(cx);
  return true;
}
