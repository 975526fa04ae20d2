// expr_test_support.h — expressions built from reverse Polish text over
// symbols made by hand, so that folding is tested apart from the grammar.
#pragma once

#include <cstdlib>
#include <sstream>
#include <string>

#include "expr/expression.h"
#include "expr/operators.h"
#include "support/asm_fixture.h"
#include "support/param_names.h"

// The symbol table holds no keywords here: any name may be a user symbol.
struct expr_fixture : asm_fixture {
  expr_fixture() {
    for (auto& entry : cx.driver.opt.warning_enable_table) entry = 1;
    init_symbol_table(cx);
  }

  // A user symbol with `flags`; `value` may be null (referenced, not defined).
  ident_node* symbol(const std::string& name, expr_rec* value, uint32_t flags = LBL_CREATED) {
    ident_node* n = user(name);
    n->label->flags = value != nullptr ? flags : (flags | LBL_UNDEFINED);
    n->label->value = value;
    return n;
  }
  // A symbol holding a constant in state 1, or 2 when `segment` is given.
  ident_node* label(const std::string& name, int32_t value, uint16_t segment = 0) {
    return define(name, value, segment);
  }
  // An external symbol: its value is one external reference.
  ident_node* external(const std::string& name, uint32_t index) {
    ident_node* n = symbol(name, nullptr, LBL_CREATED | LBL_EXTERN);
    expr_rec* e = init(cx, nullptr, true, n);
    new_postfix(cx, e);
    push_external(cx, n, index);
    finish_expression(cx, e);
    n->label->value = e;
    n->label->flags &= ~LBL_UNDEFINED;
    return n;
  }
  ident_node* named(const std::string& name) { return check_ident(cx, name.c_str(), name.size(), false); }

  // Builds an expression from reverse Polish text: numbers (C notation),
  // operator spellings (binary), "u" + spelling (prefix), "@name" symbols,
  // "SFB:name"/"SFE:name" segment operators, "'text'" strings.
  expr_rec* rpn(const std::string& text) {
    expr_rec* e = init(cx, nullptr, true, nullptr);
    new_postfix(cx, e);
    std::istringstream in(text);
    for (std::string w; in >> w;) {
      const bool number = std::isdigit(static_cast<unsigned char>(w[0])) ||
                          (w[0] == '-' && w.size() > 1 && std::isdigit(static_cast<unsigned char>(w[1])));
      if (w[0] == '@') {
        push_symbol(cx, named(w.substr(1)));
      } else if (w.rfind("SFB:", 0) == 0 || w.rfind("SFE:", 0) == 0) {
        push_segment_operator(cx, w[2] == 'B' ? PF_SFB : PF_SFE, named(w.substr(4)));
      } else if (w[0] == '\'') {
        push_string(cx, keep(w.substr(1, w.size() - 2)));
      } else if (number) {
        push_constant(cx, static_cast<int32_t>(std::strtoll(w.c_str(), nullptr, 0)));
      } else {
        const bool unary = w.size() > 1 && w[0] == 'u';
        const operator_rec* op = find_operator((unary ? w.substr(1) : w).c_str());
        if (op == nullptr)
          ADD_FAILURE() << "no operator " << w;
        else
          push_operator(cx, op->code, unary);
      }
    }
    return e;
  }
  // The same, finished as the grammar finishes a complete expression.
  expr_rec* eval(const std::string& text) {
    expr_rec* e = rpn(text);
    finish_expression(cx, e);
    return e;
  }

  int errors() const { return cx.driver.module_errors; }
  int warnings() const { return cx.driver.module_warnings; }
};

// The elements of a postfix list as text, for comparing shapes.
inline std::string shape(const expr_rec* e) {
  if (e->state == EXPR_ABSOLUTE || e->state == EXPR_RELATIVE) return "solved";
  std::string s;
  for (const postfix_elem* p = e->list->first; p->kind != PF_END; p = p->next) {
    if (!s.empty()) s += ' ';
    switch (p->kind) {
      case PF_CONSTANT: s += std::to_string(p->payload.value); break;
      case PF_OPERATOR: s += (p->payload.op.unary ? "u" : "") + std::string(operator_spelling(p->payload.op.code)); break;
      case PF_SYMBOL: s += "@" + std::string(p->payload.symbol->name); break;
      case PF_SFB: s += "SFB"; break;
      case PF_SFE: s += "SFE"; break;
      case PF_STRING: s += "'" + std::string(p->payload.text ? p->payload.text : "") + "'"; break;
      case PF_EXTERN: s += "ext:" + std::string(p->payload.symbol->name); break;
      default: s += "?"; break;
    }
  }
  return s;
}
