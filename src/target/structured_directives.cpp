// structured_directives.cpp — structured assembly as directives (B05): the
// sixteen names, the reading of a directive's operand field (comments cut,
// defines expanded), the generated text handed back to the lexer as a
// character source, and the constructs left open by an include file, a
// macro or a module.
#include <cstring>

#include "target/target_state.h"
#include "diag/diag.h"
#include "driver/block_stack.h"
#include "directives/directive_table.h"
#include "driver/context.h"
#include "driver/stops.h"
#include "source/char_source.h"
#include "source/preprocessor_internal.h"
#include "target/structured_internal.h"

namespace {

void do_structured(asm_context& cx, const statement_call& call);

// clang-format off
constexpr directive_entry kStructuredDirectives[] = {
    // name        class            flags  case        handler         code
    {"IFS",      DCLASS_ORDINARY, 0,     UPPER_CASE, do_structured},  // -1
    {"ELSES",    DCLASS_ORDINARY, 0,     UPPER_CASE, do_structured},  // -2
    {"ENDIFS",   DCLASS_ORDINARY, 0,     UPPER_CASE, do_structured},  // -3
    {"ELSEIFS",  DCLASS_ORDINARY, 0,     UPPER_CASE, do_structured},  // -4
    {"WHILE",    DCLASS_ORDINARY, 0,     UPPER_CASE, do_structured},  // -5
    {"ENDW",     DCLASS_ORDINARY, 0,     UPPER_CASE, do_structured},  // -6
    {"REPEAT",   DCLASS_ORDINARY, 0,     UPPER_CASE, do_structured},  // -7
    {"UNTIL",    DCLASS_ORDINARY, 0,     UPPER_CASE, do_structured},  // -8
    {"SWITCH",   DCLASS_ORDINARY, 0,     UPPER_CASE, do_structured},  // -9
    {"CASE",     DCLASS_ORDINARY, 0,     UPPER_CASE, do_structured},  // -10
    {"DEFAULT",  DCLASS_ORDINARY, 0,     UPPER_CASE, do_structured},  // -11
    {"ENDS",     DCLASS_ORDINARY, 0,     UPPER_CASE, do_structured},  // -12
    {"FOR",      DCLASS_ORDINARY, 0,     UPPER_CASE, do_structured},  // -13
    {"BREAK",    DCLASS_ORDINARY, 0,     UPPER_CASE, do_structured},  // -14
    {"CONTINUE", DCLASS_ORDINARY, 0,     UPPER_CASE, do_structured},  // -15
    {"ENDF",     DCLASS_ORDINARY, 0,     UPPER_CASE, do_structured},  // -16
};
// clang-format on

bool is_comment_char(const asm_context& cx, char c) {
  const unsigned char u = static_cast<unsigned char>(c);
  return cx.symbols.char_roles[u] == CHAR_COMMENT;
}

// The rest of the line, up to and including its newline, into `field`; the
// lexer is then at the start of the next line.
void read_field(asm_context& cx, std::string& field) {
  field.clear();
  for (int c = get_char(cx); c != '\n' && c != -1; c = get_char(cx)) field += static_cast<char>(c);
  cx.lex.at_line_start = true;
  cx.lex.column = 0;
}

// Cuts a ";" or "//" comment, blanks a "/* */" comment (so the columns stay);
// quotes are kept whole. True when a "/*" goes on into the next line.
bool cut_comments(asm_context& cx, std::string& field) {
  for (std::size_t i = 0; i < field.size();) {
    const char c = field[i];
    const bool two = i + 1 < field.size();
    if (c == '\'' || c == '"') {
      i = quoted_end(field, i);
    } else if (is_comment_char(cx, c) || (c == '/' && two && field[i + 1] == '/')) {
      field.resize(i);
      return false;
    } else if (c == '/' && two && field[i + 1] == '*') {
      const std::size_t end = field.find("*/", i + 2);
      if (end == std::string::npos) {
        field.resize(i);
        return true;
      }
      field.replace(i, end + 2 - i, end + 2 - i, ' ');
      i = end + 2;
    } else {
      ++i;
    }
  }
  return false;
}

// True when a name in the field is a #define symbol.
bool names_a_define(asm_context& cx, std::string_view field) {
  ident_node* const current = cx.symbols.current;
  std::size_t pos = 0;
  bool found = false;
  for (std::string_view name = next_name(cx, field, pos); !name.empty() && !found; name = next_name(cx, field, pos)) {
    if (name.size() > static_cast<std::size_t>(kMaxIdentLength)) continue;
    const ident_node* node = check_ident(cx, name.data(), name.size(), false);
    found = node != nullptr && node->kind == KIND_DEFINE;
  }
  cx.symbols.current = current;
  return found;
}

// The generated lines as a character source. When they are used up, define
// expansion is as before and a comment left open on the directive's line
// goes on in the next source line.
int scan_buffer(asm_context& cx) {
  structured_state& st = target_of(cx).structured;
  if (st.reading_depth == 0) {
    internal_error(cx, "scan_buffer_B05", "no stored text");
    return 0;
  }
  sa_reading& r = st.reading[static_cast<std::size_t>(st.reading_depth - 1)];
  if (r.pos < r.text.size()) {
    const unsigned char c = static_cast<unsigned char>(r.text[r.pos++]);
    return c != 0 ? c : ' ';
  }
  if (r.pos > r.text.size()) {
    internal_error(cx, "scan_buffer_B05", "stored_text > end_of_stored_text", static_cast<long>(r.pos),
                   static_cast<long>(r.text.size()));
  }
  cx.pre.no_expand = r.saved_no_expand;
  if (r.comment_after) cx.lex.in_block_comment = true;
  --st.reading_depth;
  return 0;
}

// The lines just generated are read next, as source lines whose names were
// expanded already.
void read_back(asm_context& cx, bool comment_after) {
  structured_state& st = target_of(cx).structured;
  if (st.text.empty()) {
    if (comment_after) cx.lex.in_block_comment = true;
    return;
  }
  if (!redirect_input(cx, scan_buffer)) return;
  if (static_cast<std::size_t>(st.reading_depth) == st.reading.size()) st.reading.emplace_back();
  sa_reading& r = st.reading[static_cast<std::size_t>(st.reading_depth++)];
  r.text.swap(st.text);  // both keep their capacity for the next directive
  st.text.clear();
  r.pos = 0;
  r.saved_no_expand = cx.pre.no_expand;
  r.comment_after = comment_after;
  cx.pre.no_expand = true;
}

bool run_statement(asm_context& cx, int code, const char* text, std::size_t len, int field_column,
                   bool columns_exact, int op_column) {
  sa_parse ps{cx, text, static_cast<int>(len), 0, field_column, columns_exact, op_column, code,
              false, false, false, 0, false};
  ps.relation_open = code == SA_DIR_IFS || code == SA_DIR_ELSEIFS || code == SA_DIR_WHILE ||
                     code == SA_DIR_UNTIL || code == SA_DIR_FOR;
  target_of(cx).structured.text.clear();
  const int errors = cx.driver.module_errors;
  parse_structured_statement(ps);
  return !ps.failed && cx.driver.module_errors == errors;
}

// Every structured directive: its code is its row in the table.
void do_structured(asm_context& cx, const statement_call& call) {
  structured_state& st = target_of(cx).structured;
  const int code = -static_cast<int>(directive_of(call.operation) - kStructuredDirectives) - 1;
  if (cx.lex.backup_count != 0) {
    internal_error(cx, "do_structured_B05", "token given back before the operands", cx.lex.backup_count);
    return;
  }
  const int field_column = cx.lex.column + 1;
  read_field(cx, st.field);
  const bool comment_after = cut_comments(cx, st.field);
  const char* text = st.field.data();
  std::size_t len = st.field.size();
  bool exact = true;
  if (names_a_define(cx, st.field)) {
    const std::string* expanded = expand_text(cx, st.field.data(), static_cast<uint32_t>(st.field.size()), false);
    if (expanded == nullptr) {
      if (comment_after) cx.lex.in_block_comment = true;
      return;
    }
    st.field = *expanded;
    text = st.field.data();
    len = st.field.size();
    exact = false;
  }
  run_statement(cx, code, text, len, field_column, exact, call.operation_column);
  read_back(cx, comment_after);
}

// The block stack closed structured blocks (an include file ended with them
// open; error 60 is the reader's report): their frames go too.
void structured_blocks_cut(asm_context& cx, int count) {
  for (; count > 0 && target_of(cx).structured.top != nullptr; --count) pop_frame(cx);
}

}  // namespace

void register_structured_directives(asm_context& cx) {
  register_directives(cx, kStructuredDirectives);
  structured_state& st = target_of(cx).structured;
  cx.blocks.on_cut[static_cast<int>(block_type::structured)] = structured_blocks_cut;
  st.text.reserve(4096);
  st.field.reserve(256);
  st.scratch.reserve(256);
}

bool structured_line_active(const asm_context& cx) { return cx.source.cur_read == scan_buffer; }

std::string_view structured_line_text(const asm_context& cx) {
  if (!structured_line_active(cx)) return {};
  // The line of the last character delivered; its first may have been given back.
  const structured_state& st = target_of(cx).structured;
  if (st.reading_depth == 0) return {};
  const sa_reading& r = st.reading[static_cast<std::size_t>(st.reading_depth - 1)];
  const std::string_view text(r.text);
  const std::size_t last = r.pos > 0 ? r.pos - 1 : 0;
  const std::size_t before = last > 0 ? text.rfind('\n', last - 1) : std::string_view::npos;
  const std::size_t start = before == std::string_view::npos ? 0 : before + 1;
  const std::size_t end = text.find('\n', start);
  return text.substr(start, (end == std::string_view::npos ? text.size() : end) - start);
}

int close_structured_frames(asm_context& cx, int depth) {
  structured_state& st = target_of(cx).structured;
  if (st.depth <= depth) return 0;
  user_error(cx, gen_err::structured_unbalanced);
  int closed = 0;
  for (; st.depth > depth; ++closed) pop_stack(cx);
  return closed;
}

void end_structured_pass(asm_context& cx) {
  cx.diag.token_column = 1;  // the report is about the module, not a place in its last line
  close_structured_frames(cx, 0);
}

bool expand_structured_statement(asm_context& cx, std::string_view directive, std::string_view field, int column) {
  const int code = structured_directive_code(directive);
  if (code == 0) {
    internal_error(cx, "expand_structured_statement_B05", "not a structured directive");
    return false;
  }
  std::string& own = target_of(cx).structured.field;
  own.assign(field);
  return run_statement(cx, code, own.data(), own.size(), column, true, 1);
}
