// modules.cpp — module bounds and the case directives (A09): NAME, PROGRAM,
// MODULE, LIBRARY, ENDMOD, END, CASEON, CASEOFF.
#include "directives/modules.h"

#include "diag/diag.h"
#include "directives/directive_table.h"
#include "driver/context.h"
#include "source/char_source.h"
#include "source/lexer.h"
#include "target/target.h"

namespace {

void open_module(asm_context& cx) {
  module_state& m = cx.module;
  m.open = true;
  ++m.begun;
  ++cx.driver.module_count;
}

bool at_line_end(asm_context& cx) {
  token t = next_token(cx);
  save_or_get_token(cx, TOKEN_SAVE, t);
  return t.kind == TOK_EOL || t.kind == TOK_EOF;
}

// The optional start address of ENDMOD and END, kept for the module's end
// record; the statement loop checks the line's end.
void read_start_address(asm_context& cx, const statement_call& call) {
  cx.module.end_statement = call.record;
  if (at_line_end(cx)) return;
  cx.module.start_address = parse_expression(cx);
}

// ENDMOD [start address]
void do_endmod(asm_context& cx, const statement_call& call) {
  read_start_address(cx, call);
  if (!cx.module.open) {
    user_error_at(cx, call.operation_column, gen_err::end_before_module);
    return;
  }
  cfi_end_module(cx);
  cx.module.open = false;
  cx.driver.module_ended = 1;
}

// END [start address]: the last module and the source end here.
void do_end(asm_context& cx, const statement_call& call) {
  read_start_address(cx, call);
  if (!cx.module.open) {
    user_error_at(cx, call.operation_column, gen_err::end_before_module);
  }
  end_in_include(cx);
  cfi_end_module(cx);
  cx.module.open = false;
  cx.driver.module_ended = 1;
  cx.driver.program_ended = 1;
}

// NAME [name], MODULE [name]: the module is named; the name is no symbol.
void start_named_module(asm_context& cx, const statement_call& call, bool library) {
  module_state& m = cx.module;
  token t = next_token(cx);
  const char* name = nullptr;
  if (t.kind == TOK_IDENT) {
    ident_node* node = t.node;
    const bool fresh = node != nullptr && node->kind == KIND_USER &&
                       (node->label == nullptr || (node->label->flags & LBL_UNDEFINED));
    if (!fresh) {
      user_error(cx, gen_err::invalid_syntax);
      return;
    }
    name = am_strdup(cx, t.text, t.length);
    if (node->label == nullptr && node->use_marks == 0) delete_node(cx, node);
    // NAME name, expression: a number for the module header.
    token comma = next_token(cx);
    if (comma.kind == TOK_PUNCT && comma.code == ',')
      cx.module.numeric_operand = parse_expression(cx);
    else
      save_or_get_token(cx, TOKEN_SAVE, comma);
  } else {
    save_or_get_token(cx, TOKEN_SAVE, t);
  }
  if (m.open && (m.named || m.has_content)) {
    user_error_at(cx, call.operation_column, gen_err::end_of_module_missing);
  } else if (!m.open) {
    open_module(cx);
  }
  m.named = true;
  m.library = library;
  m.name = name;
}

void do_name(asm_context& cx, const statement_call& call) { start_named_module(cx, call, false); }
void do_module(asm_context& cx, const statement_call& call) { start_named_module(cx, call, true); }

void do_caseon(asm_context& cx, const statement_call&) { cx.symbols.user_case_sensitive = true; }
void do_caseoff(asm_context& cx, const statement_call&) { cx.symbols.user_case_sensitive = false; }

constexpr directive_entry kModuleDirectives[] = {
    // name        class            flags            case        handler
    {"END",        DCLASS_END,      DIR_NOT_CONTENT, UPPER_CASE, do_end},
    {"ENDMOD",     DCLASS_ENDMOD,   DIR_NOT_CONTENT, UPPER_CASE, do_endmod},
    {"NAME",       DCLASS_ORDINARY, DIR_NOT_CONTENT, UPPER_CASE, do_name},
    {"PROGRAM",    DCLASS_ORDINARY, DIR_NOT_CONTENT, UPPER_CASE, do_name},
    {"MODULE",     DCLASS_ORDINARY, DIR_NOT_CONTENT, UPPER_CASE, do_module},
    {"LIBRARY",    DCLASS_ORDINARY, DIR_NOT_CONTENT, UPPER_CASE, do_module},
    {"CASEON",     DCLASS_ORDINARY, DIR_NOT_CONTENT, UPPER_CASE, do_caseon},
    {"CASEOFF",    DCLASS_ORDINARY, DIR_NOT_CONTENT, UPPER_CASE, do_caseoff},
};

}  // namespace

namespace {

void mark_user_symbol(asm_context& cx, ident_node* node, void*) {
  if (is_user_kind(node->kind)) mark_unmark_node(cx, node, true);
}

}  // namespace

void begin_module_pass(asm_context& cx) {
  module_state& m = cx.module;
  const bool first = m.begun == 0;
  // The labels of a module are its own: the next module starts without them.
  if (!first) {
    walk_symbols(cx, mark_user_symbol, nullptr);
    delete_marked_nodes(cx);
  }
  m.open = false;
  m.named = false;
  m.has_content = false;
  m.library = false;
  m.name = nullptr;
  m.reset_for_module();
  if (first) open_module(cx);
}

void note_module_statement(asm_context& cx, bool not_content) {
  module_state& m = cx.module;
  if (not_content) return;
  if (!m.open) open_module(cx);
  m.has_content = true;
}

void register_module_directives(asm_context& cx) { register_directives(cx, kModuleDirectives); }
