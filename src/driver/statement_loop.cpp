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
#include "directives/conditional.h"
#include "directives/data.h"
#include "directives/listing_directives.h"
#include "directives/macro.h"
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
  // "NAME MACRO" with NAME indented: NAME is the macro's name.
  if (op.kind == TOK_IDENT && call.label == nullptr && op.node != nullptr && is_user_kind(op.node->kind)) {
    token next = next_token(cx);
    ident_node* directive = next.kind == TOK_IDENT ? find_kind(next.node, KIND_DIRECTIVE) : nullptr;
    if (directive != nullptr && directive->keyword.klass == DCLASS_MACRO) {
      call.label = op.node;
      call.label_column = op.column;
      call.operation = directive;
      call.argument = directive_of(directive)->argument;
      call.operation_column = next.column;
      call.record->operation_column = next.column;
      run_directive(cx, call);
      return;
    }
    save_or_get_token(cx, TOKEN_SAVE, next);
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

// Where the line about to be read comes from, and its text.
struct line_origin {
  std::string_view text;                 // without its newline
  uint16_t expansion = 0;                // avm_expansion bits
  const line_rec* macro_line = nullptr;  // an expanded line: the body line it was built from
};

line_origin origin_of_line(asm_context& cx) {
  const source_state& src = cx.source;
  // Lines the target made (structured assembly) and expanded lines have a text of their own.
  if (target_line_is_generated(cx)) return {target_generated_line(cx), AVM_STRUCTURED_LINE};
  if (expansion_line_active(cx))
    return {expansion_line_text(cx), expansion_line_mark(cx), expansion_body_line(cx)};
  return {std::string_view(src.line, static_cast<std::size_t>(src.line_len)), 0};
}

statement_rec* new_record(asm_context& cx, const line_origin& origin) {
  const source_state& src = cx.source;
  line_rec* line = make_line_rec(cx, src.file_name, src.line_no, origin.text.data(), origin.text.size());
  line->macro_line = origin.macro_line;
  statement_rec* record = insert_avm_struct(cx, line);
  attach_held_diagnostics(cx, record);
  record->listing_flags = cx.driver.opt.listing_flags;
  record->expansion |= origin.expansion;
  return record;
}

// A skipped line needs a record only where a listing shows it.
bool skipped_lines_listed(const asm_context& cx) {
  const uint32_t flags = cx.driver.opt.listing_flags;
  return cx.driver.files.list != nullptr && (flags & LIST_ON) && !(flags & LIST_ASSEMBLED_ONLY);
}

// The end of the input inside a skipped branch or a body being recorded.
void end_of_input_in_mode(asm_context& cx) {
  if (cx.stmt.mode == line_mode::skipping) skipping_at_end_of_input(cx);
  if (cx.stmt.mode == line_mode::recording) recording_at_end_of_input(cx);
}

bool is_expanded(const line_origin& origin) { return (origin.expansion & (AVM_MACRO_LINE | AVM_REPEAT_LINE)) != 0; }

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
    end_of_input_in_mode(cx);
    return false;
  }
  unget_char(cx, c);
  const line_origin origin = origin_of_line(cx);
  statement_rec* record = nullptr;
  line_hook hook = nullptr;
  switch (cx.stmt.mode) {
    case line_mode::skipping: hook = cx.stmt.skip_line; break;
    case line_mode::recording: hook = cx.stmt.record_line; break;
    case line_mode::normal: break;
  }
  const bool skipping = cx.stmt.mode == line_mode::skipping;
  if (hook != nullptr) {
    if (!skipping || skipped_lines_listed(cx)) record = new_record(cx, origin);
    if (is_expanded(origin)) expansion_line_started(cx, !skipping);
    switch (hook(cx, record, origin.text)) {
      case line_result::consumed: return true;
      case line_result::end_of_input: return false;
      case line_result::handed_back: break;
    }
  }
  if (record == nullptr) {
    record = new_record(cx, origin);
    if (is_expanded(origin)) expansion_line_started(cx, true);
  }
  if (is_expanded(origin) && c == '$') {  // an include line of a body is refused as #include is
    user_error_at(cx, 1, gen_err::include_in_macro);
    skip_line(cx);
    return true;
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
  start_pending_expansion(cx);  // a macro call or an ENDR: its lines come next
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
  register_conditional_directives(cx);
  register_macro_directives(cx);
}

void refresh_line_mode(asm_context& cx) {
  if (macro_recording(cx))
    cx.stmt.mode = line_mode::recording;
  else
    cx.stmt.mode = cond_skipping(cx) ? line_mode::skipping : line_mode::normal;
}

void statement_loop(asm_context& cx) {
  init_lexer(cx);
  begin_module_pass(cx);
  cx.stmt.reset_for_module();
  while (!cx.driver.module_ended && next_statement(cx)) {
  }
}
