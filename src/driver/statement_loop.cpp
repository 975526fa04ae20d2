// statement_loop.cpp — pass 1 of a module (A03): one statement record per
// line, the label field, and the dispatch of the operation field.
//
// The label field: a user symbol that begins in column 1 is a label, with or
// without a colon after it; any identifier directly followed by ":" is a label
// wherever it begins. A name in column 1 that is a directive, a mnemonic or a macro is
// not a label but the operation (so "END" may stand in column 1); any other
// keyword there, or before a ":", is a bad label (error 41).
#include "driver/statement_loop.h"

#include "diag/diag.h"
#include "directives/data.h"
#include "directives/listing_directives.h"
#include "directives/modules.h"
#include "directives/segment_directives.h"
#include "directives/symbol_directives.h"
#include "directives/values.h"
#include "driver/context.h"
#include "driver/statement.h"
#include "expr/expression.h"
#include "source/char_source.h"
#include "source/lexer.h"
#include "source/preprocessor.h"
#include "target/target.h"

namespace {

// A directive, mnemonic or macro of this name.
bool names_operation(ident_node* node) {
  for (; node != nullptr; node = node->same_name)
    if (node->kind == KIND_DIRECTIVE || node->kind == KIND_MNEMONIC || node->kind == KIND_MACRO) return true;
  return false;
}

bool is_line_end(const token& t) { return t.kind == TOK_EOL || t.kind == TOK_EOF; }

// True once the line's end has been read (and not given back).
bool line_consumed(const asm_context& cx) { return cx.lex.at_line_start && cx.lex.backup_count == 0; }

// The rest of the line, every token classified; notes where the operands
// begin for diagnostics placed by later passes.
void read_rest_of_line(asm_context& cx, statement_rec* record) {
  int depth = 0;
  bool after_comma = false;
  if (line_consumed(cx)) return;
  for (;;) {
    const token& t = next_token(cx);
    if (is_line_end(t)) return;
    if (record->operand_column[0] == 0) record->operand_column[0] = t.column;
    if (after_comma && record->operand_column[1] == 0) record->operand_column[1] = t.column;
    after_comma = false;
    if (t.kind != TOK_PUNCT) continue;
    if (t.code == '(' || t.code == '[') ++depth;
    if ((t.code == ')' || t.code == ']') && depth > 0) --depth;
    if (t.code == ',' && depth == 0) after_comma = true;
  }
}

// After a directive's operands only blanks, a comment or the end may follow.
void check_line_end(asm_context& cx, statement_rec* record) {
  if (line_consumed(cx)) return;
  const token& t = next_token(cx);
  if (is_line_end(t)) return;
  user_error(cx, gen_err::invalid_syntax);
  read_rest_of_line(cx, record);
}

void run_directive(asm_context& cx, const statement_call& call) {
  const directive_entry* entry = directive_of(call.operation);
  note_module_statement(cx, entry->flags & DIR_NOT_CONTENT);
  if (call.label != nullptr && !(entry->flags & DIR_OWN_LABEL)) define_label(cx, call.label, call.label_column);
  const int errors = cx.driver.module_errors;
  entry->handler(cx, call);
  // A directive that failed has said so; what is left of its line adds nothing.
  if (cx.driver.module_errors != errors)
    read_rest_of_line(cx, call.record);
  else
    check_line_end(cx, call.record);
}

void run_macro(asm_context& cx, const statement_call& call) {
  note_module_statement(cx, false);
  if (call.label != nullptr) define_label(cx, call.label, call.label_column);
  if (cx.stmt.macro_call != nullptr)
    cx.stmt.macro_call(cx, call);
  read_rest_of_line(cx, call.record);
}

void run_instruction(asm_context& cx, const statement_call& call) {
  note_module_statement(cx, false);
  if (call.label != nullptr) define_label(cx, call.label, call.label_column);
  if (cx.stmt.instruction != nullptr)
    cx.stmt.instruction(cx, call);
  read_rest_of_line(cx, call.record);
}

// The operation field decides the line: the first route whose kind the
// name's chain holds.
struct operation_route {
  ident_kind kind;
  void (*run)(asm_context& cx, const statement_call& call);
};
constexpr operation_route kRoutes[] = {
    {KIND_DIRECTIVE, run_directive},
    {KIND_MACRO, run_macro},
    {KIND_MNEMONIC, run_instruction},
};

void dispatch(asm_context& cx, statement_call& call, const token& op) {
  // A word, or a sign such as the "=" of an equate.
  if (op.kind == TOK_IDENT || (op.kind == TOK_PUNCT && op.node != nullptr)) {
    for (const operation_route& route : kRoutes)
      if (ident_node* node = find_kind(op.node, route.kind)) {
        call.operation = node;
        if (route.kind == KIND_DIRECTIVE) call.argument = directive_of(node)->argument;
        route.run(cx, call);
        return;
      }
  }
  note_module_statement(cx, false);
  if (call.label != nullptr) define_label(cx, call.label, call.label_column);
  user_error_at(cx, op.column, gen_err::bad_instruction);
  read_rest_of_line(cx, call.record);
}

// The label field of a line whose first token is `first`; the operation token
// is left to be read next. The colon is looked for as the very next character,
// so that nothing beyond the operation name has been read when its path
// starts (a macro call reads its actual arguments as raw text).
void read_label_field(asm_context& cx, statement_call& call, const token& first) {
  token label = first;
  const bool colon = label.kind == TOK_IDENT && cx.lex.backup_count == 0 && take_char(cx, ':');
  if (label.kind != TOK_IDENT || (!colon && (label.column != 1 || names_operation(label.node)))) {
    save_or_get_token(cx, TOKEN_SAVE, label);
    return;
  }
  call.label_column = label.column;
  if (label.node == nullptr || !is_user_kind(label.node->kind)) {
    user_error_at(cx, label.column, gen_err::bad_label);
    return;
  }
  call.label = label.node;
}

// One line: its record, its label, its operation. False at the end of the input.
bool read_statement(asm_context& cx) {
  lexer_state& lx = cx.lex;
  lx.at_line_start = true;
  lx.column = 0;
  hold_diagnostics(cx);  // what the reader reports now belongs to the line it reads
  const int c = get_char(cx);
  if (c == -1) {
    release_held_diagnostics(cx);
    // The end of the input has no column of its own: the last line is shown whole.
    cx.diag.token_column = 1;
    if (lx.in_block_comment) {  // the comment's "*/" never came
      lx.in_block_comment = false;
      user_error(cx, gen_err::unexpected_eof);
    }
    return false;
  }
  unget_char(cx, c);
  const source_state& src = cx.source;
  const bool generated = target_line_is_generated(cx);
  line_rec* line = nullptr;
  if (generated) {  // a line the target made (structured assembly) has a text of its own
    const std::string_view text = target_generated_line(cx);
    line = make_line_rec(cx, src.file_name, src.line_no, text.data(), text.size());
  } else {
    line = make_line_rec(cx, src.file_name, src.line_no, src.line, static_cast<std::size_t>(src.line_len));
  }
  statement_rec* record = insert_avm_struct(cx, line);
  attach_held_diagnostics(cx, record);
  record->listing_flags = cx.driver.opt.listing_flags;
  if (generated) record->expansion |= AVM_STRUCTURED_LINE;
  switch (cx.stmt.mode) {
    case line_mode::skipping:
      if (cx.stmt.skip_line != nullptr) return cx.stmt.skip_line(cx, record);
      break;
    case line_mode::recording:
      if (cx.stmt.record_line != nullptr) return cx.stmt.record_line(cx, record);
      break;
    case line_mode::normal: break;
  }
  if (!lx.in_block_comment && c == '$' && include_dollar_line(cx)) return true;
  if (!cx.pre.lines_active) {  // switched off by #if: only its group directives count
    skipped_line(cx);
    return true;
  }

  statement_call call{nullptr, 0, nullptr, 0, record, 0};
  const token first = next_token(cx);
  if (first.kind == TOK_EOF) return false;
  if (first.kind == TOK_PUNCT && first.code == '#' && cx.stmt.preprocessor_line != nullptr) {
    cx.stmt.preprocessor_line(cx);
    return true;
  }
  read_label_field(cx, call, first);
  const token op = next_token(cx);
  if (is_line_end(op)) {
    if (call.label != nullptr) {
      note_module_statement(cx, false);
      define_label(cx, call.label, call.label_column);
      record->kind = stmt_kind::label;
    }
    return op.kind != TOK_EOF;
  }
  call.operation_column = op.column;
  record->operation_column = op.column;
  dispatch(cx, call, op);
  return true;
}

// One statement, completed in its segment once its line has been read.
bool next_statement(asm_context& cx) {
  const bool more = read_statement(cx);
  dump_asm_op(cx, cx.stmt.current);
  return more;
}

}  // namespace

label_rec* define_label(asm_context& cx, ident_node* label, int column) {
  cx.diag.token_column = column > 0 ? column : 1;
  const segment_rec* seg = cx.segs.current;
  label_rec* rec = init_label_rec(cx, label, seg != nullptr ? seg->type : 0, seg != nullptr ? seg->number : 0);
  if (rec == nullptr) return nullptr;
  if (rec->flags & LBL_DEFINED_THIS_PASS) {
    user_error_at(cx, column > 0 ? column : 1, gen_err::duplicate_label, label->name);
    return nullptr;
  }
  rec->flags = (rec->flags & ~static_cast<uint32_t>(LBL_UNDEFINED)) | LBL_DEFINED_THIS_PASS;
  rec->defined_at = cx.stmt.current != nullptr ? cx.stmt.current->line : nullptr;
  expr_rec* value = make_relative(cx, expr_segment_of(seg), seg != nullptr ? seg->location : 0);
  value->owner = label;
  rec->value = value;
  return rec;
}

void start_statements(asm_context& cx) {
  init_symbol_table(cx);
  const option_settings& o = cx.driver.opt;
  cx.symbols.user_case_sensitive = o.case_given ? o.case_sensitive != 0 : target_case_sensitive_default();
  target_start(cx);
  register_module_directives(cx);
  register_segment_directives(cx);
  register_symbol_directives(cx);
  register_value_directives(cx);
  register_data_directives(cx);
  register_cfi_directives(cx);
  register_listing_directives(cx);
}

void statement_loop(asm_context& cx) {
  init_lexer(cx);
  begin_module_pass(cx);
  cx.stmt.reset_for_module();
  while (!cx.driver.module_ended && next_statement(cx)) {
  }
}
