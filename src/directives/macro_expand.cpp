// macro_expand.cpp — expansions (A10, the expansion reader M10): a macro call
// or a recorded repeat block becomes a frame whose body lines are built, one
// at a time, into the frame's line buffer and read through the character
// source stack. The frame saves the depth of the block stack at its start and
// gives back everything opened above it at its end (or at EXITM), with the
// symbols its LOCAL lines hid.
//
//   name [actual [, actual ...]]        EXITM        LOCAL name [, name ...]
#include <cstring>

#include "diag/diag.h"
#include "directives/conditional.h"
#include "directives/directive_table.h"
#include "directives/macro_internal.h"
#include "directives/values.h"
#include "driver/block_stack.h"
#include "driver/context.h"
#include "driver/memory.h"
#include "driver/statement.h"
#include "driver/statement_loop.h"
#include "driver/stops.h"
#include "expr/expression.h"
#include "source/char_source.h"
#include "source/lexer.h"

namespace {

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\f'; }

int read_expansion(asm_context& cx);

// ---- Frames -----------------------------------------------------------------------

expansion_frame* take_frame(asm_context& cx, frame_kind kind, long start_line) {
  macro_state& m = cx.macros;
  expansion_frame* f = m.free_frames;
  if (f != nullptr) {
    m.free_frames = f->outer;
  } else {
    f = static_cast<expansion_frame*>(am_memory(cx, sizeof(expansion_frame)));
    f->line = static_cast<char*>(am_memory(cx, kLineBufferSize + 1));
    f->actual_buffer = static_cast<char*>(am_memory(cx, kActualsTextShown));
  }
  f->outer = nullptr;
  f->kind = kind;
  f->macro = nullptr;
  f->repeat = nullptr;
  f->next_line = 0;
  f->repetition = 0;
  f->current = nullptr;
  f->line_len = f->line_pos = 0;
  for (int i = 0; i <= kMaxMacroActuals; ++i) {
    f->actual[i] = "";
    f->actual_len[i] = 0;
  }
  f->actual_count = 0;
  f->block_base = 0;
  f->local_mark = 0;
  f->start_line = start_line;
  f->exited = f->quiet = false;
  f->command_mode = true;
  f->pending_count = 0;
  return f;
}

void release_frame(asm_context& cx, expansion_frame* f) {
  f->outer = cx.macros.free_frames;
  cx.macros.free_frames = f;
}

// Every expansion ends at its next line, without reports about what it left
// open (after errors 29 and 70).
void unwind_all(asm_context& cx) {
  for (expansion_frame* f = cx.macros.top; f != nullptr; f = f->outer) f->exited = f->quiet = true;
  if (cx.macros.pending != nullptr) {
    release_frame(cx, cx.macros.pending);
    cx.macros.pending = nullptr;
  }
}

// ---- LOCAL and _args --------------------------------------------------------------

// The user symbol of exactly this spelling now in the table, or null.
ident_node* exact_user_node(asm_context& cx, const char* name, std::size_t length) {
  ident_node* n = find_node(cx, name, length, KIND_USER);
  return n != nullptr ? n : find_node(cx, name, length, KIND_USER_SEGMENT);
}

// A fresh symbol takes the name's place for the innermost expansion; the
// node it hides comes back at the expansion's end.
ident_node* hide_name(asm_context& cx, const expansion_frame& f, const char* name, std::size_t length) {
  macro_state& m = cx.macros;
  for (std::size_t i = f.local_mark; i < m.hidden.size(); ++i)
    if (m.hidden[i].length == length && std::memcmp(m.hidden[i].name, name, length) == 0)
      return exact_user_node(cx, name, length);  // already this expansion's own
  ident_node* old = user_node(cx, name, length);
  const char* spelling = am_strdup(cx, name, length);
  m.hidden.push_back(hidden_symbol{old, spelling, static_cast<uint16_t>(length)});
  delete_node(cx, old);
  ident_node* fresh = user_node(cx, spelling, length);
  get_label_rec(cx, fresh)->flags |= LBL_LOCAL;
  return fresh;
}

void define_args(asm_context& cx, const expansion_frame& f) {
  ident_node* args = hide_name(cx, f, "_args", 5);
  define_value(cx, args, 1, make_constant(cx, f.actual_count), value_kind::variable);
}

// ---- Building lines -----------------------------------------------------------------

void put(expansion_frame& f, const char* p, std::size_t n, bool& cut) {
  const std::size_t room = static_cast<std::size_t>(kMaxLineText) - f.line_len;
  if (n > room) {
    n = room;
    cut = true;
  }
  std::memcpy(f.line + f.line_len, p, n);
  f.line_len += static_cast<uint32_t>(n);
}

// A named-style body line: the text between markers is copied, each marker
// replaced by its actual (empty when it was not given).
void expand_named_line(expansion_frame& f, const body_line& l, bool& cut) {
  const char* p = l.text;
  const char* const end = p + l.length;
  while (p < end) {
    const char* q = static_cast<const char*>(std::memchr(p, kFormalMarker, static_cast<std::size_t>(end - p)));
    if (q == nullptr) q = end;
    put(f, p, static_cast<std::size_t>(q - p), cut);
    if (q == end) break;
    const unsigned char n = q + 1 < end ? static_cast<unsigned char>(q[1]) : 0;
    if (n == kBadOperator) {
      const char shown[3] = {'\\', q + 2 < end ? q[2] : '\0', '\0'};
      defer_diagnostic(f, static_cast<int>(gen_err::bad_macro_operator), static_cast<int>(f.line_len) + 1, shown);
      p = q + 3;
      continue;
    }
    if (n >= 1 && n <= kMaxMacroActuals) put(f, f.actual[n], f.actual_len[n], cut);
    p = q + 2;
  }
}

// The one actual of a repetition: REPTI's item or REPTC's character.
void set_repeat_actual(expansion_frame& f) {
  const repeat_rec& r = *f.repeat;
  if (r.kind == repeat_kind::items) {
    f.actual[1] = r.items[f.repetition];
    f.actual_len[1] = r.item_lengths[f.repetition];
  } else if (r.kind == repeat_kind::chars) {
    f.actual[1] = r.chars + f.repetition;
    f.actual_len[1] = 1;
  }
}

// The next line of the frame into its buffer; false when the body is done.
bool build_next_line(asm_context& cx, expansion_frame& f) {
  macro_state& m = cx.macros;
  const body_line* lines = f.kind == frame_kind::macro ? f.macro->lines : f.repeat->lines;
  const int count = f.kind == frame_kind::macro ? f.macro->line_count : f.repeat->line_count;
  while (!f.exited && f.next_line >= count) {
    if (f.kind != frame_kind::repeat || count == 0 || f.repetition + 1 >= f.repeat->count) return false;
    remove_local_symbols(cx, f.local_mark);  // each repetition has LOCAL names of its own
    ++f.repetition;
    f.next_line = 0;
    set_repeat_actual(f);
  }
  if (f.exited) return false;
  if (++m.expanded_lines > m.expanded_line_limit) {
    user_error(cx, gen_err::limit_exceeded, "expanded lines", m.expanded_line_limit);
    unwind_all(cx);
    return false;
  }
  if (m.expanded_chars > m.expanded_char_limit) {  // long lines: the text, not the count, is the bound
    user_error(cx, gen_err::limit_exceeded, "expanded characters", m.expanded_char_limit);
    unwind_all(cx);
    return false;
  }
  const body_line& l = lines[f.next_line++];
  f.current = &l;
  f.line_len = f.line_pos = 0;
  f.pending_count = 0;
  bool cut = false;
  if (f.kind == frame_kind::macro && f.macro->operator_style) {
    expand_operator_line(cx, f, l, m.expanded);
    put(f, m.expanded.data(), m.expanded.size(), cut);
  } else {
    expand_named_line(f, l, cut);
  }
  if (cut) defer_diagnostic(f, static_cast<int>(gen_err::line_too_long), 1, nullptr);
  f.line[f.line_len++] = '\n';
  m.expanded_chars += f.line_len;
  return true;
}

// The frame's body is done or left: what it opened is closed, its names come back.
void end_frame(asm_context& cx, expansion_frame* f) {
  macro_state& m = cx.macros;
  cx.diag.token_column = 1;  // what is said at an expansion's end is said about its last line
  abandon_recording_in_frame(cx, f);
  const block_counts open = blocks_above(cx, f->block_base + 1);
  if (!f->quiet && open.of[static_cast<int>(block_type::structured)] != 0)
    user_error(cx, gen_err::structured_unbalanced);
  if (!f->quiet && !f->exited && open.of[static_cast<int>(block_type::conditional)] != 0)
    user_error(cx, gen_err::cond_unbalanced);
  cut_blocks(cx, f->block_base);
  remove_local_symbols(cx, f->local_mark);
  if (cx.driver.opt.macro_debug && f->kind == frame_kind::macro) out_print(*cx.out, "End of '%s'\n", f->macro->node->name);
  m.top = f->outer;
  --m.depth;
  if (cx.source.macro_expansion > 0) --cx.source.macro_expansion;
  release_frame(cx, f);
  refresh_line_mode(cx);
}

// The end of the frame's line: the next one is built, or the frame ends.
[[gnu::noinline]] int read_expansion_line(asm_context& cx) {
  macro_state& m = cx.macros;
  if (m.zombie_sources > 0) {  // an expansion its module left behind
    --m.zombie_sources;
    return 0;
  }
  expansion_frame* f = m.top;
  if (f == nullptr) {
    internal_error(cx, "read_expansion_M10", "no expansion");
    return 0;
  }
  if (f->line_pos < f->line_len) return static_cast<unsigned char>(f->line[f->line_pos++]);
  if (build_next_line(cx, *f)) return static_cast<unsigned char>(f->line[f->line_pos++]);
  end_frame(cx, f);
  return 0;
}

// Every character of an expansion comes through here: the line being read is
// a plain buffer, everything else is the slow path's.
int read_expansion(asm_context& cx) {
  const macro_state& m = cx.macros;
  expansion_frame* f = m.top;
  if (m.zombie_sources == 0 && f != nullptr && f->line_pos < f->line_len)
    return static_cast<unsigned char>(f->line[f->line_pos++]);
  return read_expansion_line(cx);
}

void print_expansion(asm_context& cx, const expansion_frame& f) {
  out_print(*cx.out, "\nExpanding macro:\nArguments:");
  for (int i = 1; i <= f.actual_count; ++i)
    out_print(*cx.out, "%s%.*s", i > 1 ? "," : "", static_cast<int>(f.actual_len[i]), f.actual[i]);
  out_print(*cx.out, "\nData to be expanded:\n");
  print_body_lines(cx, f.macro->lines, f.macro->line_count);
}

// ---- Calls --------------------------------------------------------------------------

struct call_actuals {
  asm_context* cx;
  expansion_frame* frame;
  uint32_t used;
  bool too_many;
  bool too_long;
};

bool add_actual(void* user, std::string_view text) {
  auto& a = *static_cast<call_actuals*>(user);
  expansion_frame& f = *a.frame;
  if (f.actual_count == kMaxMacroActuals) {
    if (!a.too_many) user_error(*a.cx, gen_err::too_many_macro_args);
    a.too_many = true;
    return false;
  }
  if (a.used + text.size() > static_cast<std::size_t>(kActualsTextLimit)) {
    if (!a.too_long) user_error(*a.cx, gen_err::define_too_long, nullptr, kActualsTextShown);
    a.too_long = true;
    return false;
  }
  char* at = f.actual_buffer + a.used;
  std::memcpy(at, text.data(), text.size());
  ++f.actual_count;
  f.actual[f.actual_count] = at;
  f.actual_len[f.actual_count] = static_cast<uint32_t>(text.size());
  a.used += static_cast<uint32_t>(text.size());
  return true;
}

// Whether the operand field starts with a MACRO word: "NAME MACRO" with NAME
// a macro already. Returns where the formals begin.
std::size_t macro_word_end(asm_context& cx, std::string_view rest) {
  prepare_class_words(cx, cx.cond.class_words);
  std::size_t i = 0;
  while (i < rest.size() && is_blank(rest[i])) ++i;
  if (i == 0) return 0;
  std::size_t end = i;
  while (end < rest.size() && (cx.cond.class_words.chars[static_cast<unsigned char>(rest[end])] & kWordPart)) ++end;
  if (end == i || (end < rest.size() && !is_blank(rest[end]) && rest[end] != ';')) return 0;
  std::string_view word = rest.substr(i, end - i);
  return line_block_class(cx, cx.cond.class_words, word) == DCLASS_MACRO ? end : 0;
}

// A line whose operation is a macro: the actuals are read as characters and
// the expansion starts once the line is done.
void call_macro(asm_context& cx, const statement_call& call) {
  macro_state& m = cx.macros;
  const int column = cx.lex.column + 1;
  const std::string_view rest = read_rest_raw(cx);
  if (const std::size_t formals = macro_word_end(cx, rest)) {
    redefine_macro(cx, call, rest.substr(formals), column + static_cast<int>(formals));
    return;
  }
  const auto* mac = static_cast<const macro_rec*>(call.operation->keyword.data);
  if (mac == nullptr) return;
  if (m.depth + 1 >= kMaxMacroNesting) {
    user_error_at(cx, call.operation_column, gen_err::macro_too_deep, nullptr, kMaxMacroNesting);
    unwind_all(cx);  // under -c! every expansion ends, back to the outermost call
    return;
  }
  expansion_frame* f = take_frame(cx, frame_kind::macro, call.record->line->line_no);
  f->macro = mac;
  call_actuals actuals{&cx, f, 0, false, false};
  cx.diag.token_column = column;
  actuals_scan(cx, rest, add_actual, &actuals);
  if (m.pending != nullptr) release_frame(cx, m.pending);
  m.pending = f;
}

// EXITM: the innermost macro expansion ends after this line; conditional
// blocks opened in it close silently.
void do_exitm(asm_context& cx, const statement_call& call) {
  expansion_frame* f = cx.macros.top;
  if (f == nullptr) {
    user_error_at(cx, call.operation_column, gen_err::endm_outside_macro);
    return;
  }
  if (f->kind == frame_kind::repeat) {
    user_error_at(cx, call.operation_column, gen_err::repeat_end_expected);
    return;
  }
  f->exited = true;
}

// LOCAL name [, name ...]: the names are the innermost expansion's own.
void do_local(asm_context& cx, const statement_call&) {
  expansion_frame* f = cx.macros.top;
  for (;;) {
    token t = next_token(cx);
    if (t.kind != TOK_IDENT) {
      user_error_at(cx, t.column, gen_err::identifier_expected);
      save_or_get_token(cx, TOKEN_SAVE, t);
      return;
    }
    if (f == nullptr) {
      user_error_at(cx, t.column, gen_err::local_not_allowed, t.text);
      return;
    }
    hide_name(cx, *f, t.text, t.length);
    token comma = next_token(cx);
    if (comma.kind != TOK_PUNCT || comma.code != ',') {
      save_or_get_token(cx, TOKEN_SAVE, comma);
      return;
    }
  }
}

// clang-format off
constexpr directive_entry kExpansionDirectives[] = {
    // name    class            flags            case        handler
    {"EXITM", DCLASS_ORDINARY, DIR_NOT_CONTENT, UPPER_CASE, do_exitm},
    {"LOCAL", DCLASS_ORDINARY, DIR_NOT_CONTENT, UPPER_CASE, do_local},
};
// clang-format on

}  // namespace

void defer_diagnostic(expansion_frame& f, int number, int column, const char* text) {
  if (f.pending_count == static_cast<int>(std::size(f.pending))) return;
  pending_diag& d = f.pending[f.pending_count++];
  d.number = number;
  d.column = column;
  d.text[0] = '\0';
  if (text != nullptr) {
    std::strncpy(d.text, text, sizeof d.text - 1);
    d.text[sizeof d.text - 1] = '\0';
  }
}

void remove_local_symbols(asm_context& cx, std::size_t mark) {
  std::vector<hidden_symbol>& hidden = cx.macros.hidden;
  while (hidden.size() > mark) {
    const hidden_symbol h = hidden.back();
    hidden.pop_back();
    if (ident_node* own = exact_user_node(cx, h.name, h.length)) delete_node(cx, own);
    relink_node(cx, h.hidden);
  }
}

std::string_view read_rest_raw(asm_context& cx) {
  std::string& s = cx.macros.scratch;
  s.clear();
  for (int c = get_char(cx); c != -1; c = get_char(cx)) {
    if (c == '\n') {
      unget_char(cx, c);
      break;
    }
    s += static_cast<char>(c);
  }
  return s;
}

void actuals_scan(asm_context& cx, std::string_view text, bool (*add)(void*, std::string_view), void* user) {
  const char open = cx.driver.opt.macro_quote_start;
  const char close = cx.driver.opt.macro_quote_end;
  std::string& one = cx.macros.actual_text;
  const std::size_t n = text.size();
  std::size_t i = 0;
  while (i < n && is_blank(text[i])) ++i;
  if (i == n || text[i] == ';') return;
  bool taking = true;
  for (;;) {
    one.clear();
    while (i < n && is_blank(text[i])) ++i;
    std::size_t kept = 0;  // a quoted part keeps its blanks
    if (i < n && text[i] == open) {
      const std::size_t end = text.find(close, i + 1);
      if (end == std::string_view::npos) {
        user_error(cx, gen_err::gt_expected);
        one.append(text.substr(i + 1));
        i = n;
      } else {
        one.append(text.substr(i + 1, end - i - 1));
        i = end + 1;
      }
      kept = one.size();
    }
    while (i < n && text[i] != ',' && text[i] != ';') {
      const char c = text[i];
      if (c != '"' && c != '\'') {
        one += c;
        ++i;
        continue;
      }
      // A string keeps its commas and semicolons; a backslash escapes one character.
      std::size_t j = i + 1;
      while (j < n && text[j] != c) j += text[j] == '\\' ? 2 : 1;
      j = std::min(j + 1, n);
      one.append(text.substr(i, j - i));
      i = j;
    }
    while (one.size() > kept && is_blank(one.back())) one.pop_back();
    if (taking) taking = add(user, one);
    if (i < n && text[i] == ',') {
      ++i;
      continue;
    }
    return;
  }
}

bool expansion_line_active(const asm_context& cx) {
  const expansion_frame* f = cx.macros.top;
  return cx.source.cur_read == read_expansion && f != nullptr && f->line_len > 0;
}

std::string_view expansion_line_text(const asm_context& cx) {
  const expansion_frame* f = cx.macros.top;
  return std::string_view(f->line, f->line_len - 1);
}

uint16_t expansion_line_mark(const asm_context& cx) {
  return cx.macros.top->kind == frame_kind::macro ? AVM_MACRO_LINE : AVM_REPEAT_LINE;
}

const line_rec* expansion_body_line(const asm_context& cx) {
  const expansion_frame* f = cx.macros.top;
  return f->current != nullptr ? f->current->source : nullptr;
}

void expansion_line_started(asm_context& cx, bool assembled) {
  expansion_frame* f = cx.macros.top;
  if (f == nullptr) return;
  for (int i = 0; assembled && i < f->pending_count; ++i) {
    const pending_diag& d = f->pending[i];
    const long value = d.number == static_cast<int>(gen_err::line_too_long) ? kLineBufferSize : 0;
    user_error_at(cx, d.column, error_id(d.number), d.text[0] != '\0' ? d.text : nullptr, value);
  }
  f->pending_count = 0;
}

void start_repeat_expansion(asm_context& cx, const repeat_rec* rep) {
  if (rep->count <= 0 || rep->line_count == 0) return;
  if (cx.macros.depth + 1 >= kMaxMacroNesting) {
    user_error(cx, gen_err::macro_too_deep, nullptr, kMaxMacroNesting);
    unwind_all(cx);
    return;
  }
  expansion_frame* f = take_frame(cx, frame_kind::repeat, rep->start_line);
  f->repeat = rep;
  set_repeat_actual(*f);
  if (cx.macros.pending != nullptr) release_frame(cx, cx.macros.pending);
  cx.macros.pending = f;
}

void start_pending_expansion(asm_context& cx) {
  macro_state& m = cx.macros;
  expansion_frame* f = m.pending;
  if (f == nullptr) return;
  m.pending = nullptr;
  if (f->kind == frame_kind::macro && cx.driver.opt.macro_debug) print_expansion(cx, *f);
  if (!redirect_input(cx, read_expansion)) {
    release_frame(cx, f);
    return;
  }
  f->outer = m.top;
  m.top = f;
  ++m.depth;
  ++cx.source.macro_expansion;
  f->block_base = block_depth(cx);
  push_block(cx, f->kind == frame_kind::macro ? block_type::macro : block_type::repeat, f->start_line);
  f->local_mark = m.hidden.size();
  if (f->kind == frame_kind::macro) define_args(cx, *f);
}

void register_expansion_directives(asm_context& cx) {
  register_directives(cx, kExpansionDirectives);
  cx.stmt.macro_call = call_macro;
}

void reset_macros(asm_context& cx) {
  macro_state& m = cx.macros;
  // Expansions a module left (ENDMOD or END in a body) end without a word;
  // their sources are dropped as they are read.
  while (m.top != nullptr) {
    expansion_frame* f = m.top;
    m.top = f->outer;
    ++m.zombie_sources;
    release_frame(cx, f);
  }
  if (m.pending != nullptr) release_frame(cx, m.pending);
  m.pending = nullptr;
  m.depth = 0;
  cx.source.macro_expansion = 0;
  m.rec.active = false;
  m.rec.node = nullptr;
  m.rec.repeat = nullptr;
  m.hidden.clear();
  m.ops = operator_state{};
  m.expanded_lines = 0;
  m.expanded_chars = 0;
  ++m.module_serial;
}
