// symbol_directives.cpp — how symbols are seen across modules and what the
// debugger learns of them (A09): PUBLIC, EXTERN, PUBWEAK, REQUIRE, RTMODEL,
// RADIX, FUNCTION, ARGFRAME, LOCFRAME, FUNCALL, SYMBOL, BLOCK, OVERLOAD.
//
//   PUBLIC name[,name...]           PUBWEAK name[,name...]
//   EXTERN name[:type][,name...]    REQUIRE name
//   RTMODEL "key","value"           RADIX expression
//   FUNCTION name,number            ARGFRAME segment,size,STACK|STATIC (LOCFRAME alike)
//   FUNCALL caller,callee           label SYMBOL "name"[,block]      label BLOCK parent,expression
#include "directives/symbol_directives.h"

#include "diag/diag.h"
#include "directives/directive_table.h"
#include "directives/modules.h"
#include "directives/operands.h"
#include "directives/segments.h"
#include "driver/context.h"
#include "driver/memory.h"
#include "driver/statement.h"
#include "expr/expression.h"
#include "source/lexer.h"
#include "source/symbols.h"
#include "target/target.h"

namespace {

// The user symbol a name token stands for, or null after error 41.
ident_node* symbol_operand(asm_context& cx, const token& t) {
  if (t.kind != TOK_IDENT || t.node == nullptr) {
    user_error_at(cx, t.column, gen_err::bad_label);
    return nullptr;
  }
  ident_node* n = find_kind(t.node, KIND_USER);
  if (n == nullptr) {
    if (t.node->kind != KIND_USER_SEGMENT && find_kind(t.node, KIND_SEGMENT_TYPE) == nullptr &&
        t.node->kind != KIND_USER) {
      user_error_at(cx, t.column, gen_err::bad_label);
      return nullptr;
    }
    if (t.node->kind == KIND_USER_SEGMENT) {
      user_error_at(cx, t.column, gen_err::bad_label);
      return nullptr;
    }
    n = user_node(cx, t.text, t.length);
  }
  get_label_rec(cx, n);
  return n;
}

// The value of an external: a reference the object writer numbers in pass 2.
void make_external(asm_context& cx, ident_node* n) {
  expr_rec* e = init(cx, nullptr, true, n);
  new_postfix(cx, e);
  push_external(cx, n, kUnreferenced);
  e->state = EXPR_POSTFIX;
  e->type = TYPE_LABEL;
  e->base = n;
  n->label->value = e;
  n->label->flags &= ~static_cast<uint32_t>(LBL_UNDEFINED);
}

// PUBLIC (argument LBL_PUBLIC), PUBWEAK (LBL_PUBLIC | LBL_WEAK), EXTERN (LBL_EXTERN).
void do_visibility(asm_context& cx, const statement_call& call) {
  const auto flag = static_cast<uint32_t>(call.argument);
  call.record->kind = stmt_kind::symbol_decl;
  for (;;) {
    const token t = next_token(cx);
    ident_node* n = symbol_operand(cx, t);
    if (n == nullptr) return;
    label_rec* rec = n->label;
    token next = next_token(cx);
    if (is_punct(next, ':')) {
      if (!(flag & LBL_EXTERN)) {
        user_error_at(cx, next.column, gen_err::comma_expected);
        return;
      }
      const token type = next_token(cx);
      const ident_node* word = type.kind == TOK_IDENT ? find_kind(type.node, KIND_SEGMENT_TYPE) : nullptr;
      if (word == nullptr) {
        user_error_at(cx, type.column, gen_err::segment_type_expected);
        return;
      }
      rec->extern_type = static_cast<uint16_t>(word->keyword.code);
      next = next_token(cx);
    }
    const uint32_t other = (flag & LBL_EXTERN) ? LBL_PUBLIC : LBL_EXTERN;
    if (rec->flags & other) {
      user_error_at(cx, t.column, gen_err::public_and_extern);
    } else if ((flag & LBL_EXTERN) && !(rec->flags & LBL_UNDEFINED) && !(rec->flags & LBL_EXTERN)) {
      user_error_at(cx, t.column, gen_err::duplicate_label, n->name);  // defined here already
    } else if (!(rec->flags & flag & (LBL_PUBLIC | LBL_EXTERN))) {
      rec->flags |= flag;
      if (flag & LBL_EXTERN) {
        make_external(cx, n);
        cx.module.externals.push_back(n);
      } else {
        cx.module.publics.push_back(n);
      }
    }
    if (!is_punct(next, ',')) {
      save_or_get_token(cx, TOKEN_SAVE, next);
      return;
    }
  }
}

// REQUIRE name: the module needs the module that defines the name.
void do_require(asm_context& cx, const statement_call&) {
  if (ident_node* n = symbol_operand(cx, next_token(cx))) cx.module.required.push_back(n);
}

// A string operand, copied; null after error 0.
const char* string_operand(asm_context& cx) {
  const token t = next_token(cx);
  if (t.kind != TOK_STRING) {
    user_error_at(cx, t.column, gen_err::invalid_syntax);
    return nullptr;
  }
  return am_strdup(cx, t.text, t.length);
}

// RTMODEL "key","value"
void do_rtmodel(asm_context& cx, const statement_call&) {
  const char* key = string_operand(cx);
  if (key == nullptr || !expect_punct(cx, ',', gen_err::comma_expected)) return;
  const char* value = string_operand(cx);
  if (value != nullptr) cx.module.rtmodel.push_back(rtmodel_entry{key, value});
}

// RADIX expression: read in decimal; 2, 8, 10 or 16.
void do_radix(asm_context& cx, const statement_call& call) {
  const int radix = cx.lex.radix;
  cx.lex.radix = 10;
  expr_rec* e = read_absolute_operand(cx, call.operation_column, 2, 16, "2, 8, 10, 16");
  cx.lex.radix = radix;
  if (e == nullptr) return;
  if (e->value != 2 && e->value != 8 && e->value != 10 && e->value != 16) {
    user_error_at(cx, call.operation_column, gen_err::value_out_of_range, "2, 8, 10, 16");
    return;
  }
  cx.lex.radix = e->value;
}

// A number operand, or false after error 86.
bool number_operand(asm_context& cx, int32_t* value) {
  token t = next_token(cx);
  save_or_get_token(cx, TOKEN_SAVE, t);
  int32_t v = 0;
  if (parse_absolute_expression(cx, &v) != expr_outcome::absolute) {
    user_error_at(cx, t.column, gen_err::number_expected);
    return false;
  }
  *value = v;
  return true;
}

// FUNCTION name,number
void do_function(asm_context& cx, const statement_call&) {
  ident_node* n = symbol_operand(cx, next_token(cx));
  int32_t attributes = 0;
  if (n == nullptr || !expect_punct(cx, ',', gen_err::comma_expected) || !number_operand(cx, &attributes)) return;
  module_state& m = cx.module;
  for (std::size_t i = 0; i < m.functions.size(); ++i)
    if (m.functions[i].label == n) {
      m.functions[i].attributes = attributes;
      m.current_function = static_cast<int>(i);
      return;
    }
  m.functions.push_back(function_rec{n, attributes, -1, {}, {}});
  m.current_function = static_cast<int>(m.functions.size() - 1);
}

// ARGFRAME (argument 0) and LOCFRAME (1): segment,size,STACK|STATIC
void do_frame(asm_context& cx, const statement_call& call) {
  const token name = next_token(cx);
  segment_rec* seg = nullptr;
  if (name.kind == TOK_IDENT)
    for (ident_node* n = name.node; n != nullptr && seg == nullptr; n = n->same_name) seg = segment_of_node(n);
  if (seg == nullptr) {
    user_error_at(cx, name.column, gen_err::segment_name_expected);
    return;
  }
  int32_t size = 0;
  if (!expect_punct(cx, ',', gen_err::comma_expected) || !number_operand(cx, &size) ||
      !expect_punct(cx, ',', gen_err::comma_expected))
    return;
  const token word = next_token(cx);
  uint16_t type = 0;
  if (word.kind == TOK_IDENT && std::string_view(word.text, word.length) == "STACK") {
    type = 0;
  } else if (word.kind == TOK_IDENT && std::string_view(word.text, word.length) == "STATIC") {
    type = 1;
  } else {
    user_error_at(cx, word.column, gen_err::invalid_syntax);
    return;
  }
  module_state& m = cx.module;
  if (m.current_function < 0) {
    user_error_at(cx, call.operation_column, gen_err::bad_label);
    return;
  }
  function_rec& f = m.functions[static_cast<std::size_t>(m.current_function)];
  const bool local = call.argument != 0;
  if (local && f.label->label != nullptr && (f.label->label->flags & LBL_EXTERN)) {
    user_error_at(cx, call.operation_column, gen_err::locframe_external);
    return;
  }
  (local ? f.loc_frames : f.arg_frames).push_back(frame_entry{seg->number, size, type});
}

// FUNCALL caller,callee
void do_funcall(asm_context& cx, const statement_call& call) {
  ident_node* caller = symbol_operand(cx, next_token(cx));
  if (caller == nullptr || !expect_punct(cx, ',', gen_err::comma_expected)) return;
  ident_node* callee = symbol_operand(cx, next_token(cx));
  if (callee == nullptr) return;
  call.record->kind = stmt_kind::call_graph;
  cx.module.calls.push_back(call_edge{call.record, caller, callee});
}

// label SYMBOL "name"[,block]     label BLOCK parent,expression
void do_debug_symbol(asm_context& cx, const statement_call& call) {
  if (call.label == nullptr) {
    if (call.label_column == 0) user_error_at(cx, call.operation_column, gen_err::label_needed);  // else reported
    return;
  }
  label_rec* rec = get_label_rec(cx, call.label);
  if (rec == nullptr) {
    user_error_at(cx, call.label_column, gen_err::bad_label);
    return;
  }
  if (rec->flags2 & LBL2_DEBUG_INFO) {
    user_error_at(cx, call.label_column, gen_err::label_redefined_in_symbol);
    return;
  }
  if (call.argument == 0) {  // SYMBOL
    const char* name = string_operand(cx);
    if (name == nullptr) return;
    if (!at_operand_end(cx)) {
      if (!expect_punct(cx, ',', gen_err::comma_expected)) return;
      int32_t block = 0;
      if (!number_operand(cx, &block)) return;
      rec->block = block;
    }
    rec->debug_name = name;
  } else {  // BLOCK
    ident_node* parent = symbol_operand(cx, next_token(cx));
    if (parent == nullptr || !expect_punct(cx, ',', gen_err::comma_expected)) return;
    expr_rec* e = parse_expression(cx);
    if (e == nullptr) return;
    rec->parent_block = parent->label;
    rec->block_expr = e;
  }
  rec->flags2 |= LBL2_DEBUG_INFO;
  cx.module.debug_symbols.push_back(call.label);
}

// OVERLOAD has no meaning for this target.
void do_overload(asm_context& cx, const statement_call& call) {
  user_error_at(cx, call.operation_column, gen_err::bad_instruction);
}

//                               name       class            flags          case        handler          argument
constexpr directive_entry kSymbolDirectives[] = {
    {"PUBLIC",   DCLASS_ORDINARY, 0,             UPPER_CASE, do_visibility,   LBL_PUBLIC},
    {"PUBWEAK",  DCLASS_ORDINARY, 0,             UPPER_CASE, do_visibility,   LBL_PUBLIC | LBL_WEAK},
    {"EXTERN",   DCLASS_ORDINARY, 0,             UPPER_CASE, do_visibility,   LBL_EXTERN},
    {"REQUIRE",  DCLASS_ORDINARY, 0,             UPPER_CASE, do_require,      0},
    {"RTMODEL",  DCLASS_ORDINARY, 0,             UPPER_CASE, do_rtmodel,      0},
    {"RADIX",    DCLASS_ORDINARY, 0,             UPPER_CASE, do_radix,        0},
    {"FUNCTION", DCLASS_ORDINARY, 0,             UPPER_CASE, do_function,     0},
    {"ARGFRAME", DCLASS_ORDINARY, 0,             UPPER_CASE, do_frame,        0},
    {"LOCFRAME", DCLASS_ORDINARY, 0,             UPPER_CASE, do_frame,        1},
    {"FUNCALL",  DCLASS_ORDINARY, 0,             UPPER_CASE, do_funcall,      0},
    {"SYMBOL",   DCLASS_ORDINARY, DIR_OWN_LABEL, UPPER_CASE, do_debug_symbol, 0},
    {"BLOCK",    DCLASS_ORDINARY, DIR_OWN_LABEL, UPPER_CASE, do_debug_symbol, 1},
    {"OVERLOAD", DCLASS_ORDINARY, 0,             UPPER_CASE, do_overload,     0},
};

}  // namespace

void register_symbol_directives(asm_context& cx) { register_directives(cx, kSymbolDirectives); }
