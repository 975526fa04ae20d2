// macro_record.cpp — recording bodies (A10): MACRO in both styles with its
// formals, REPT, REPTI and REPTC with their operands, the lines up to the
// matching ENDM or ENDR, and those ends. A recorded line keeps its text with
// each formal replaced by a marker and, in the named style, each backslash
// argument reference resolved, so that an expansion only copies.
//
//   name MACRO [formal [, formal ...]]        MACRO name [formal ...]
//   ENDM (ENDMAC)        REPT count        REPTI formal, actual [, actual ...]
//   REPTC formal, "characters"        REPTC formal, characters        ENDR
#include <cstdio>
#include <cstring>

#include "diag/diag.h"
#include "directives/conditional.h"
#include "directives/conditional_words.h"
#include "directives/directive_table.h"
#include "directives/macro_internal.h"
#include "driver/block_stack.h"
#include "driver/context.h"
#include "driver/memory.h"
#include "driver/statement.h"
#include "driver/statement_loop.h"
#include "driver/stops.h"
#include "source/char_source.h"
#include "source/lexer.h"
#include "target/target.h"

namespace {

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\f'; }
bool word_start(const asm_context& cx, unsigned char c) { return cx.cond.class_words.chars[c] & kWordStart; }
bool word_part(const asm_context& cx, unsigned char c) { return cx.cond.class_words.chars[c] & kWordPart; }

unsigned char fold(unsigned char c) { return (c >= 'a' && c <= 'z') ? static_cast<unsigned char>(c - 'a' + 'A') : c; }

bool same_word(std::string_view a, std::string_view b, bool case_sensitive) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (case_sensitive ? a[i] != b[i] : fold(static_cast<unsigned char>(a[i])) != fold(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

long line_of(const statement_call& call) {
  return call.record != nullptr && call.record->line != nullptr ? call.record->line->line_no : 0;
}

// A cursor over an operand field read as characters; `cx` knows the name characters.
struct field {
  std::string_view text;
  std::size_t at = 0;
  void blanks() {
    while (at < text.size() && is_blank(text[at])) ++at;
  }
  bool end() {
    blanks();
    return at == text.size() || text[at] == ';';
  }
  std::string_view word(const asm_context& cx) {
    blanks();
    const std::size_t start = at;
    if (at < text.size() && word_start(cx, static_cast<unsigned char>(text[at])))
      while (at < text.size() && word_part(cx, static_cast<unsigned char>(text[at]))) ++at;
    return text.substr(start, at - start);
  }
  bool take(char c) {
    blanks();
    if (at < text.size() && text[at] == c) {
      ++at;
      return true;
    }
    return false;
  }
};

// ---- Recording ---------------------------------------------------------------------

void start_recording(asm_context& cx, bool is_macro, long line) {
  recording_state& r = cx.macros.rec;
  r.active = true;
  r.is_macro = is_macro;
  r.nest = 0;
  r.block_index = block_depth(cx);
  r.frame = cx.macros.top;
  r.lines.clear();
  push_block(cx, is_macro ? block_type::macro : block_type::repeat, line);
  refresh_line_mode(cx);
}

void stop_recording(asm_context& cx) {
  recording_state& r = cx.macros.rec;
  r.active = false;
  r.node = nullptr;
  r.repeat = nullptr;
  r.formals.clear();
  refresh_line_mode(cx);
}

// The formal a name stands for (1-based), or 0.
int formal_number(const recording_state& r, std::string_view name) {
  for (std::size_t i = 0; i < r.formals.size(); ++i)
    if (!r.formals[i].empty() && same_word(r.formals[i], name, r.case_sensitive)) return static_cast<int>(i) + 1;
  return 0;
}

void put_marker(std::string& out, int number) {
  out += kFormalMarker;
  out += static_cast<char>(number);
}

// A named-style backslash sequence: an argument reference becomes a marker,
// "\\" one backslash; anything else is kept for error 95 at the expansion.
std::size_t put_backslash(std::string& out, std::string_view line, std::size_t i) {
  const char c = i + 1 < line.size() ? line[i + 1] : '\0';
  if (c >= '1' && c <= '9') {
    put_marker(out, c - '0');
  } else if (c >= 'A' && c <= 'Z') {
    put_marker(out, c - 'A' + 10);
  } else if (c == '\\') {
    out += '\\';
  } else {
    out += kFormalMarker;
    out += static_cast<char>(kBadOperator);
    out += c;
  }
  return i + (c != '\0' ? 2 : 1);
}

// The text of a recorded line: formals outside strings and comments become
// markers; named-style backslash sequences are resolved everywhere.
void encode_line(asm_context& cx, std::string_view line, std::string& out) {
  const recording_state& r = cx.macros.rec;
  const bool named = !r.operator_style;
  out.clear();
  char quote = 0;
  bool comment = false;
  for (std::size_t i = 0; i < line.size();) {
    const char c = line[i];
    if (c == '\\') {
      if (named) {
        i = put_backslash(out, line, i);
      } else {  // a command (or an escape in a string) owns its character: "\A" is no formal A
        out.append(line.substr(i, std::min<std::size_t>(2, line.size() - i)));
        i += 2;
      }
      continue;
    }
    if (comment || quote != 0) {
      if (c == quote) quote = 0;
      out += c;
      ++i;
      continue;
    }
    if (c == '"' || c == '\'') quote = c;
    if (c == ';' || (c == '/' && i + 1 < line.size() && line[i + 1] == '/')) comment = true;
    if (word_start(cx, static_cast<unsigned char>(c)) || (c >= '0' && c <= '9')) {
      std::size_t end = i;
      while (end < line.size() && word_part(cx, static_cast<unsigned char>(line[end]))) ++end;
      const std::string_view word = line.substr(i, end - i);
      const int number = c >= '0' && c <= '9' ? 0 : formal_number(r, word);
      if (number != 0)
        put_marker(out, number);
      else
        out.append(word);
      i = end;
      continue;
    }
    out += c;
    ++i;
  }
}

// The length of the longest start of `text` within `limit` that cuts no
// marker in two.
std::size_t whole_markers_within(const std::string& text, std::size_t limit) {
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t step = 1;
    if (text[at] == kFormalMarker)
      step = at + 1 < text.size() && static_cast<unsigned char>(text[at + 1]) == kBadOperator ? 3 : 2;
    if (at + step > limit) break;
    at += step;
  }
  return at;
}

}  // namespace

std::string shown_body_line(const body_line& l) {
  std::string out;
  for (uint32_t i = 0; i < l.length; ++i) {
    if (l.text[i] != kFormalMarker) {
      out += l.text[i];
      continue;
    }
    const unsigned char n = static_cast<unsigned char>(i + 1 < l.length ? l.text[i + 1] : 0);
    out += '\\';
    if (n == kBadOperator && i + 2 < l.length) {
      out += l.text[i + 2];
      ++i;
    } else {
      out += std::to_string(n);
    }
    ++i;
  }
  return out;
}

void print_body_lines(asm_context& cx, const body_line* lines, int count) {
  for (int i = 0; i < count; ++i) out_print(*cx.out, "%s\n", shown_body_line(lines[i]).c_str());
}

namespace {

body_line* commit_lines(asm_context& cx) {
  std::vector<body_line>& lines = cx.macros.rec.lines;
  if (lines.empty()) return nullptr;
  auto* out = static_cast<body_line*>(am_memory(cx, sizeof(body_line) * lines.size()));
  std::memcpy(out, lines.data(), sizeof(body_line) * lines.size());
  return out;
}

// ---- MACRO ------------------------------------------------------------------------

// A name that may become a macro: a user symbol without a definition, or a
// macro of an earlier module.
bool free_for_macro(const asm_context& cx, ident_node* node) {
  if (node == nullptr) return false;
  for (ident_node* n = node; n != nullptr; n = n->same_name) {
    if (n->kind == KIND_MACRO) {
      const auto* m = static_cast<const macro_rec*>(n->keyword.data);
      if (m == nullptr || m->module == cx.macros.module_serial) return false;
      continue;
    }
    if (n->kind == KIND_DEFINE) continue;
    if (!is_user_kind(n->kind)) return false;
    const label_rec* l = n->label;
    if (l != nullptr && (!(l->flags & LBL_UNDEFINED) || (l->flags & (LBL_PUBLIC | LBL_EXTERN)))) return false;
  }
  return true;
}

ident_node* macro_node_of(ident_node* node) {
  if (ident_node* m = find_kind(node, KIND_MACRO)) return m;
  if (ident_node* u = find_kind(node, KIND_USER)) return u;
  return find_kind(node, KIND_USER_SEGMENT);
}

// The formals after the name: identifiers separated by "," (in the operator
// style blanks separate them too); ",," is an empty formal. Error 36 for
// anything else, 22 for a name given twice (the first counts), 21 beyond 36.
void read_formals(asm_context& cx, field& f, bool operator_style, int column) {
  recording_state& r = cx.macros.rec;
  bool expect = !f.end();
  while (expect) {
    const std::string_view name = f.word(cx);
    if (name.empty() && !(f.at < f.text.size() && f.text[f.at] == ',')) {
      user_error_at(cx, column + static_cast<int>(f.at), gen_err::bad_formal);
      return;
    }
    if (r.formals.size() == static_cast<std::size_t>(kMaxMacroFormals)) {
      r.formals.clear();  // the macro then has no formals
      user_error_at(cx, column + static_cast<int>(f.at), gen_err::too_many_formals, nullptr, kMaxMacroFormals);
      return;
    }
    const std::string shown(name);
    if (!name.empty() && formal_number(r, name) != 0) {
      user_error_at(cx, column, gen_err::macro_param_redefined, shown.c_str());
      r.formals.emplace_back();
    } else {
      r.formals.push_back(shown);
    }
    if (f.end()) return;
    expect = f.take(',') || operator_style;
    if (!expect) user_error_at(cx, column + static_cast<int>(f.at), gen_err::bad_formal);
  }
}

// Starts recording a macro named `node` (null: no usable name; the body is
// recorded and dropped). `operands` follows the MACRO word.
void define_macro(asm_context& cx, ident_node* node, bool operator_style, std::string_view operands, int column,
                  long line) {
  recording_state& r = cx.macros.rec;
  prepare_class_words(cx, cx.cond.class_words);
  start_recording(cx, true, line);
  r.node = node;
  r.operator_style = operator_style;
  r.case_sensitive = cx.symbols.user_case_sensitive;
  r.formals.clear();
  field f{operands};
  if (operator_style) {
    std::string_view name = f.word(cx);
    if (name.size() > static_cast<std::size_t>(kMaxIdentLength)) name = name.substr(0, kMaxIdentLength);
    if (name.empty()) {
      user_error_at(cx, column, gen_err::macro_without_name);
    } else {
      ident_node* n = check_ident(cx, name.data(), name.size(), true);
      if (free_for_macro(cx, n))
        r.node = macro_node_of(n);
      else
        user_error_at(cx, column, gen_err::may_not_be_redefined);
      f.take(',');
    }
  }
  read_formals(cx, f, operator_style, column);
}

// name MACRO formals (the name in the label field), or MACRO name formals.
void do_macro(asm_context& cx, const statement_call& call) {
  const int column = cx.lex.column + 1;
  const std::string_view operands = read_rest_raw(cx);
  ident_node* node = nullptr;
  if (call.label != nullptr) {
    if (free_for_macro(cx, call.label))
      node = macro_node_of(call.label);
    else
      user_error_at(cx, call.label_column > 0 ? call.label_column : 1, gen_err::may_not_be_redefined);
  }
  define_macro(cx, node, call.label == nullptr, operands, column, line_of(call));
}

void finish_macro(asm_context& cx) {
  recording_state& r = cx.macros.rec;
  if (r.node == nullptr) return;
  auto* m = am_new<macro_rec>(cx);
  m->node = r.node;
  m->lines = commit_lines(cx);
  m->line_count = static_cast<int>(r.lines.size());
  m->formal_count = static_cast<int>(r.formals.size());
  m->operator_style = r.operator_style;
  m->module = cx.macros.module_serial;
  r.node->kind = KIND_MACRO;  // a user symbol becomes the macro; its label record stays
  r.node->keyword = keyword_value{0, 0, m};
  if (cx.driver.opt.macro_debug) {
    out_print(*cx.out, "Data stored during macro recording:\n");
    print_body_lines(cx, m->lines, m->line_count);
  }
}

// ENDM, ENDMAC: the end of the body being recorded.
void do_endm(asm_context& cx, const statement_call& call) {
  recording_state& r = cx.macros.rec;
  if (r.active && r.is_macro) {
    if (!(cx.driver.opt.listing_flags & LIST_MACRO_DEFINITION)) call.record->listing_flags |= AVM_NOT_LISTED;
    pop_block(cx);
    finish_macro(cx);
    stop_recording(cx);
    return;
  }
  // Not in a recording: with an expansion's block on top the end is still misplaced.
  if (check_block_end(cx, block_type::macro)) user_error_at(cx, call.operation_column, gen_err::endm_outside_macro);
}

// ---- REPT, REPTI, REPTC, ENDR -------------------------------------------------------

repeat_rec* new_repeat(asm_context& cx, repeat_kind kind, int64_t count) {
  auto* rep = am_new<repeat_rec>(cx);
  *rep = repeat_rec{kind, count, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0};
  return rep;
}

void start_repeat(asm_context& cx, const statement_call& call, repeat_rec* rep) {
  start_recording(cx, false, line_of(call));
  if (rep != nullptr) rep->start_line = line_of(call);
  cx.macros.rec.repeat = rep;
  cx.macros.rec.formals.clear();
  if (rep != nullptr && rep->formal != nullptr) cx.macros.rec.formals.emplace_back(rep->formal);
  cx.macros.rec.case_sensitive = cx.symbols.user_case_sensitive;
  cx.macros.rec.operator_style = false;
}

// REPT count: a negative count is error 74, one not known yet 54, a
// relocatable one 53; each repeats nothing, but the body is read.
void do_rept(asm_context& cx, const statement_call& call) {
  int32_t value = 0;
  const int column = cx.lex.column + 1;
  int64_t count = 0;
  switch (parse_absolute_expression(cx, &value)) {
    case expr_outcome::absolute:
      count = value;
      if (count < 0) {
        user_error_at(cx, column, gen_err::negative_result);
        count = 0;
      }
      break;
    case expr_outcome::syntax_error: break;
    case expr_outcome::relocatable: user_error_at(cx, column, gen_err::must_be_absolute); break;
    case expr_outcome::not_known: user_error_at(cx, column, gen_err::forward_reference); break;
  }
  start_repeat(cx, call, new_repeat(cx, repeat_kind::count, count));
}

// The formal of REPTI and REPTC, up to its ",".
const char* repeat_formal(asm_context& cx, field& f, int column) {
  prepare_class_words(cx, cx.cond.class_words);
  const std::string_view name = f.word(cx);
  if (name.empty() || !f.take(',')) {
    user_error_at(cx, column + static_cast<int>(f.at), gen_err::bad_formal);
    return nullptr;
  }
  return am_strdup(cx, name.data(), name.size());
}

struct item_list {
  asm_context* cx;
  std::vector<const char*> texts;
  std::vector<uint32_t> lengths;
};

bool add_item(void* user, std::string_view actual) {
  auto* items = static_cast<item_list*>(user);
  items->texts.push_back(am_strdup(*items->cx, actual.data(), actual.size()));
  items->lengths.push_back(static_cast<uint32_t>(actual.size()));
  return true;
}

// REPTI formal, actual [, actual ...]: the actuals follow the rules of a call's.
void do_repti(asm_context& cx, const statement_call& call) {
  const int column = cx.lex.column + 1;
  field f{read_rest_raw(cx)};
  repeat_rec* rep = new_repeat(cx, repeat_kind::items, 0);
  rep->formal = repeat_formal(cx, f, column);
  if (rep->formal != nullptr) {
    item_list items{&cx, {}, {}};
    actuals_scan(cx, f.text.substr(f.at), add_item, &items);
    const std::size_t n = items.texts.size();
    auto** texts = static_cast<const char**>(am_memory(cx, sizeof(char*) * (n + 1)));
    auto* lengths = static_cast<uint32_t*>(am_memory(cx, sizeof(uint32_t) * (n + 1)));
    for (std::size_t i = 0; i < n; ++i) texts[i] = items.texts[i], lengths[i] = items.lengths[i];
    rep->items = texts;
    rep->item_lengths = lengths;
    rep->count = static_cast<int64_t>(n);
  }
  start_repeat(cx, call, rep);
}

// REPTC formal, "characters" or REPTC formal, characters up to a comment.
void do_reptc(asm_context& cx, const statement_call& call) {
  const int column = cx.lex.column + 1;
  field f{read_rest_raw(cx)};
  repeat_rec* rep = new_repeat(cx, repeat_kind::chars, 0);
  rep->formal = repeat_formal(cx, f, column);
  if (rep->formal != nullptr) {
    f.blanks();
    std::string_view chars;
    if (f.at < f.text.size() && f.text[f.at] == '"') {
      const std::size_t close = f.text.find('"', f.at + 1);
      if (close == std::string_view::npos) {
        user_error_at(cx, column + static_cast<int>(f.at), gen_err::missing_delimiter);
        chars = f.text.substr(f.at + 1);
      } else {
        chars = f.text.substr(f.at + 1, close - f.at - 1);
      }
    } else {
      chars = f.text.substr(f.at, f.text.find(';', f.at) == std::string_view::npos ? std::string_view::npos
                                                                                   : f.text.find(';', f.at) - f.at);
      while (!chars.empty() && is_blank(chars.back())) chars.remove_suffix(1);
    }
    rep->chars = am_strdup(cx, chars.data(), chars.size());
    rep->count = static_cast<int64_t>(chars.size());
  }
  start_repeat(cx, call, rep);
}

void print_repeat(asm_context& cx, const repeat_rec& rep) {
  static constexpr const char* kNames[] = {"", "REPTC ", "REPTI ", "REPT "};
  out_print(*cx.out, "Data stored during %s recording:\n", kNames[static_cast<int>(rep.kind)]);
  out_print(*cx.out, "Count:%lld\n", static_cast<long long>(rep.count));
  if (rep.formal != nullptr) out_print(*cx.out, "Formal:%s\n", rep.formal);
  if (rep.kind != repeat_kind::count) {
    out_print(*cx.out, "Actuals:\n");
    for (int64_t i = 0; i < rep.count; ++i)
      if (rep.kind == repeat_kind::items)
        out_print(*cx.out, "%.*s\n", static_cast<int>(rep.item_lengths[i]), rep.items[i]);
      else
        out_print(*cx.out, "%c\n", rep.chars[i]);
  }
  out_print(*cx.out, "Texts:\n");
  print_body_lines(cx, rep.lines, rep.line_count);
}

// ENDR: the body is complete and its repetitions start after this line.
void do_endr(asm_context& cx, const statement_call& call) {
  recording_state& r = cx.macros.rec;
  if (!(r.active && !r.is_macro)) {
    if (check_block_end(cx, block_type::repeat)) user_error_at(cx, call.operation_column, gen_err::endr_without_start);
    return;
  }
  pop_block(cx);
  repeat_rec* rep = r.repeat;
  rep->lines = commit_lines(cx);
  rep->line_count = static_cast<int>(r.lines.size());
  if (cx.driver.opt.macro_debug) print_repeat(cx, *rep);
  stop_recording(cx);
  start_repeat_expansion(cx, rep);
}

// clang-format off
constexpr directive_entry kMacroDirectives[] = {
    // name     class          flags            case        handler
    {"MACRO",  DCLASS_MACRO,  DIR_OWN_LABEL,   UPPER_CASE, do_macro},
    {"ENDM",   DCLASS_ENDM,   DIR_NOT_CONTENT, UPPER_CASE, do_endm},
    {"ENDMAC", DCLASS_ENDM,   DIR_NOT_CONTENT, UPPER_CASE, do_endm},
    {"REPT",   DCLASS_REPT,   0,               UPPER_CASE, do_rept},
    {"REPTI",  DCLASS_REPTI,  0,               UPPER_CASE, do_repti},
    {"REPTC",  DCLASS_REPTC,  0,               UPPER_CASE, do_reptc},
    {"ENDR",   DCLASS_ENDR,   0,               UPPER_CASE, do_endr},
};
// clang-format on

// An include file ended inside the body: the recording ends with it (a
// repeat block's end is reported by the reader as unbalanced).
void recorded_blocks_cut(asm_context& cx, int) {
  recording_state& r = cx.macros.rec;
  if (!r.active || block_depth(cx) > r.block_index) return;
  const bool is_macro = r.is_macro;
  stop_recording(cx);
  if (is_macro) user_error(cx, gen_err::unexpected_eof);
}

}  // namespace

// The statement loop's hook for a line of a body being recorded.
line_result record_body_line(asm_context& cx, statement_rec* record, std::string_view line) {
  recording_state& r = cx.macros.rec;
  const int klass = line_block_class(cx, cx.cond.class_words, line);
  if (klass == DCLASS_END || klass == DCLASS_ENDMOD) {
    // The module ends inside the body: the recording goes, the line is assembled.
    user_error(cx, r.is_macro ? gen_err::unexpected_eof : gen_err::repeat_end_missing);
    const int index = r.block_index;
    stop_recording(cx);
    cut_blocks(cx, index);
    return line_result::handed_back;
  }
  const int opens = r.is_macro ? (klass == DCLASS_MACRO) : (klass >= DCLASS_REPT && klass <= DCLASS_REPTC);
  const bool closes = klass == (r.is_macro ? DCLASS_ENDM : DCLASS_ENDR);
  if (closes && r.nest == 0) return line_result::handed_back;
  r.nest += opens - (closes ? 1 : 0);
  if (record != nullptr && r.is_macro && !(cx.driver.opt.listing_flags & LIST_MACRO_DEFINITION))
    record->listing_flags |= AVM_NOT_LISTED;
  encode_line(cx, line, r.text);
  if (r.text.size() > static_cast<std::size_t>(kActualsTextLimit)) {
    user_error(cx, gen_err::define_too_long, nullptr, kActualsTextShown);
    r.text.resize(whole_markers_within(r.text, kActualsTextLimit));
  }
  r.lines.push_back(body_line{am_strdup(cx, r.text.data(), r.text.size()), static_cast<uint32_t>(r.text.size()),
                              record != nullptr ? record->line : nullptr});
  skip_line(cx);
  return line_result::consumed;
}

bool macro_recording(const asm_context& cx) { return cx.macros.rec.active; }

void recording_at_end_of_input(asm_context& cx) {
  cx.diag.token_column = 1;
  user_error(cx, cx.macros.rec.is_macro ? gen_err::unexpected_eof : gen_err::repeat_end_missing);
  if (!cx.driver.opt.ignore_errors) fatal_exit(cx);
  const int index = cx.macros.rec.block_index;
  stop_recording(cx);
  cut_blocks(cx, index);
}

void abandon_recording_in_frame(asm_context& cx, const expansion_frame* frame) {
  recording_state& r = cx.macros.rec;
  if (!r.active || r.frame != frame) return;
  user_error(cx, r.is_macro ? gen_err::unexpected_eof : gen_err::repeat_end_missing);
  stop_recording(cx);
}

void redefine_macro(asm_context& cx, const statement_call& call, std::string_view operands, int column) {
  ident_node* node = call.operation;
  if (!free_for_macro(cx, node)) {  // defined in this module already
    user_error_at(cx, call.operation_column, gen_err::may_not_be_redefined);
    node = nullptr;
  }
  define_macro(cx, node, false, operands, column, line_of(call));
}

void register_macro_directives(asm_context& cx) {
  register_directives(cx, kMacroDirectives);
  register_expansion_directives(cx);
  cx.blocks.on_cut[static_cast<int>(block_type::macro)] = recorded_blocks_cut;
  cx.blocks.on_cut[static_cast<int>(block_type::repeat)] = recorded_blocks_cut;
  cx.stmt.record_line = record_body_line;
}
