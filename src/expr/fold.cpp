// fold.cpp — folding postfix chains in place, the relocatability rules, the
// solve state and the expression type (A08).
#include "diag/diag.h"
#include "driver/context.h"
#include "driver/stops.h"
#include "expr/expr_internal.h"
#include "expr/operators.h"
#include "source/symbols.h"

namespace {


// The value expression of a symbol, or null while the symbol has none in this pass.
const expr_rec* symbol_value(const ident_node* node) {
  const label_rec* label = node->label;
  if (label == nullptr || label->value == nullptr || (label->flags & LBL_UNDEFINED)) return nullptr;
  return label->value;
}

// Replaces the elements first..op by op turned into one constant.
void collapse(asm_context& cx, postfix_list* list, postfix_elem* first, postfix_elem* op,
              int32_t value, uint16_t segment) {
  for (postfix_elem* e = first; e != op;) {
    postfix_elem* next = e->next;
    free_elem(cx, e);
    --list->count;
    e = next;
  }
  op->prev = first == list->first ? nullptr : first->prev;
  if (op->prev != nullptr)
    op->prev->next = op;
  else
    list->first = op;
  op->kind = PF_CONSTANT;
  op->payload = postfix_payload{};
  op->payload.value = value;
  op->segment = segment;
  op->segment_or_tag = segment;
  op->aux.seg = nullptr;
}

bool pop(asm_context& cx, std::vector<fold_slot>& stack, std::size_t n) {
  if (stack.size() >= n) return true;
  internal_error(cx, "get_operands_A08", "Illegal tag", static_cast<long>(stack.size()), static_cast<long>(n));
  return false;
}

}  // namespace

operand_value get_value(asm_context& cx, const postfix_elem* elem) {
  operand_value v{};
  switch (elem->kind) {
    case PF_CONSTANT:
      v.known = true;
      v.value = elem->payload.value;
      v.segment = elem->segment;
      return v;
    case PF_SYMBOL: {
      const ident_node* node = elem->payload.symbol;
      if (node->kind == KIND_USER_SEGMENT) {
        user_error(cx, gen_err::bad_symbol_type, node->name);
        return v;
      }
      const expr_rec* x = symbol_value(node);
      if (x == nullptr || x->state == EXPR_UNSOLVED) {
        v.unsolved = true;
        return v;
      }
      if (x->state == EXPR_POSTFIX) return v;
      v.known = true;
      v.temporary = x->state == EXPR_TEMPORARY;
      v.value = v.temporary ? x->provisional_value : x->value;
      v.segment = x->state == EXPR_ABSOLUTE ? 0 : x->segment;
      return v;
    }
    case PF_STRING:
    case PF_EXTERN:
    case PF_LOCATION:
      return v;
    default:
      internal_error(cx, "get_value_A08", "Illegal tag", elem->kind, 0);
      return v;
  }
}

bool get_operands(asm_context& cx, const postfix_elem* op, const operand_value& left,
                  const operand_value& right, uint16_t* result_segment) {
  if (op->kind != PF_OPERATOR) {
    internal_error(cx, "get_operands_A08", "Illegal tag", op->kind, 0);
    return false;
  }
  if (!left.known || !right.known) return false;
  const uint16_t code = op->payload.op.code;
  if (left.segment == 0 && right.segment == 0) {
    *result_segment = 0;
    return true;
  }
  if (code == OP_PLUS && (left.segment == 0 || right.segment == 0)) {
    *result_segment = left.segment != 0 ? left.segment : right.segment;
    return true;
  }
  if (code == OP_MINUS && left.segment != 0) {
    if (right.segment == 0) {
      *result_segment = left.segment;
      return true;
    }
    if (right.segment == left.segment) {
      *result_segment = 0;
      return true;
    }
  }
  return false;
}

int32_t solved(asm_context& cx, postfix_list* list, expr_rec* expr) {
  if (list->count == 0) {
    internal_error(cx, "solved_A08", "No such tag", 0, 0);
    return expr->state;
  }
  int32_t state = list->count > 1 ? EXPR_POSTFIX : EXPR_UNSOLVED;
  for (const postfix_elem* e = list->first; e->kind != PF_END; e = e->next) {
    switch (e->kind) {
      case PF_CONSTANT:
        if (list->count == 1) state = e->segment != 0 ? EXPR_RELATIVE : EXPR_ABSOLUTE;
        break;
      case PF_SYMBOL: {
        const expr_rec* x = symbol_value(e->payload.symbol);
        if (x == nullptr || x->state == EXPR_UNSOLVED) {
          expr->state = EXPR_UNSOLVED;
          return EXPR_UNSOLVED;
        }
        if (list->count == 1) state = x->state;
        break;
      }
      case PF_EXTERN:
      case PF_LOCATION:
        state = EXPR_POSTFIX;
        break;
      case PF_OPERATOR:
      case PF_SFB:
      case PF_SFE:
      case PF_SEGOP:
      case PF_STRING:
        break;
      default:
        internal_error(cx, "solved_A08", "No such tag", e->kind, 0);
        return expr->state;
    }
  }
  expr->state = state;
  if (state == EXPR_POSTFIX) link_unsolved(cx, expr);
  return state;
}

int32_t fold_expression(asm_context& cx, expr_rec* expr) {
  if (expr->state == EXPR_ABSOLUTE || expr->state == EXPR_RELATIVE || expr->list == nullptr)
    return expr->state;
  postfix_list* list = expr->list;
  std::vector<fold_slot>& stack = cx.expr.fold_stack;
  stack.clear();
  for (postfix_elem* e = list->first; e->kind != PF_END;) {
    postfix_elem* next = e->next;
    switch (e->kind) {
      case PF_CONSTANT:
      case PF_SYMBOL:
        stack.push_back({get_value(cx, e), e});
        break;
      case PF_STRING:
      case PF_EXTERN:
      case PF_LOCATION:
        stack.push_back({operand_value{}, e});
        break;
      case PF_SFB:
      case PF_SFE:
      case PF_SEGOP:  // the linker adds the segment's address to the offset before it
        if (!pop(cx, stack, 1)) return expr->state;
        stack.back().v = operand_value{};
        break;
      case PF_OPERATOR: {
        const uint16_t code = e->payload.op.code;
        const bool unary = e->payload.op.unary != 0;
        if (code == OP_ERROR_TEXT) {  // takes its text, leaves nothing
          if (!pop(cx, stack, 1)) return expr->state;
          stack.pop_back();
          break;
        }
        const std::size_t arity = code == OP_CHECK_RANGE ? 3 : unary ? 1 : 2;
        if (!pop(cx, stack, arity)) return expr->state;
        fold_slot* operands = &stack[stack.size() - arity];
        fold_slot result{operand_value{}, operands[0].first};
        if (code != OP_CHECK_RANGE && operator_has_arithmetic(code, unary)) {
          if (unary) {
            const operand_value& a = operands[0].v;
            if (a.known && (a.segment == 0 || code == OP_PLUS)) {
              result.v = a;
              result.v.value = arithmethics(cx, 0, a.value, e);
            }
          } else {
            const operand_value& l = operands[0].v;
            const operand_value& r = operands[1].v;
            uint16_t segment = 0;
            if (get_operands(cx, e, l, r, &segment)) {
              result.v.known = true;
              result.v.temporary = l.temporary || r.temporary;
              result.v.segment = segment;
              result.v.value = arithmethics(cx, l.value, r.value, e);
            }
          }
        }
        if (result.v.known && !result.v.temporary) {
          collapse(cx, list, result.first, e, result.v.value, result.v.segment);
          result.first = e;
        }
        result.v.unsolved = false;
        stack.resize(stack.size() - arity);
        stack.push_back(result);
        break;
      }
      default:
        internal_error(cx, "solved_A08", "No such tag", e->kind, 0);
        return expr->state;
    }
    e = next;
  }
  if (stack.size() != 1) {
    if (!stack.empty()) internal_error(cx, "get_operands_A08", "Illegal tag", static_cast<long>(stack.size()), 0);
    return solved(cx, list, expr);
  }
  const operand_value r = stack.back().v;
  if (r.known && !r.temporary) {
    if (list->count == 1 && list->first->kind == PF_SYMBOL) {
      const ident_node* node = list->first->payload.symbol;
      expr->flags |= (node->label->flags | node->label->value->flags) & kExprSymbolBits;
    }
    unlink_unsolved(cx, expr);
    drop_list(cx, list);
    expr->state = r.segment != 0 ? EXPR_RELATIVE : EXPR_ABSOLUTE;
    expr->segment = r.segment;
    expr->value = r.value;
    return expr->state;
  }
  if (r.known) {
    expr->state = EXPR_TEMPORARY;
    expr->segment = r.segment;
    expr->provisional_value = r.value;
    return expr->state;
  }
  return solved(cx, list, expr);
}

void set_expression_type(asm_context& cx, expr_rec* expr) {
  if (expr->state == EXPR_ABSOLUTE || expr->state == EXPR_RELATIVE || expr->list == nullptr) {
    expr->type = TYPE_OFFSET;
    expr->relocatable_terms = expr->state == EXPR_RELATIVE ? 1 : 0;
    expr->base = nullptr;
    return;
  }
  std::vector<type_slot>& stack = cx.expr.type_stack;
  stack.clear();
  bool complex = false;
  auto need = [&](std::size_t n) {
    if (stack.size() >= n) return true;
    internal_error(cx, "set_expression_type_A08", "Illegal tag", static_cast<long>(stack.size()), static_cast<long>(n));
    return false;
  };
  for (const postfix_elem* e = expr->list->first; e->kind != PF_END; e = e->next) {
    switch (e->kind) {
      case PF_CONSTANT:
        stack.push_back({e->segment != 0 ? 1u : 0u, nullptr});
        break;
      case PF_SYMBOL: {
        ident_node* node = e->payload.symbol;
        const expr_rec* x = symbol_value(node);
        if (x == nullptr) {
          stack.push_back({1, node});
        } else if (x->state == EXPR_ABSOLUTE) {
          stack.push_back({0, nullptr});
        } else if (x->state == EXPR_RELATIVE || x->state == EXPR_TEMPORARY) {
          stack.push_back({x->segment != 0 ? 1u : 0u, x->segment != 0 ? node : nullptr});
        } else {
          const uint32_t terms = x->relocatable_terms == 65535 ? 1u : x->relocatable_terms;
          ident_node* base = x->relocatable_terms == 65535 ? node : x->base;
          complex |= (x->type & TYPE_COMPLEX) != 0;
          stack.push_back({terms, base});
        }
        break;
      }
      case PF_EXTERN:
        stack.push_back({1, e->payload.symbol});
        break;
      case PF_LOCATION:
        stack.push_back({1, nullptr});
        break;
      case PF_STRING:
        stack.push_back({0, nullptr});
        break;
      case PF_SFB:
      case PF_SFE:
      case PF_SEGOP:
        if (!need(1)) return;
        stack.back().terms += 1;
        break;
      case PF_OPERATOR: {
        const uint16_t code = e->payload.op.code;
        if (code == OP_ERROR_TEXT) {
          if (!need(1)) return;
          stack.pop_back();
          break;
        }
        if (code == OP_CHECK_RANGE) {
          if (!need(3)) return;
          stack.resize(stack.size() - 2);
          break;
        }
        if (e->payload.op.unary) {
          if (!need(1)) return;
          if (code != OP_PLUS && stack.back().terms != 0) complex = true;
          break;
        }
        if (!need(2)) return;
        const type_slot r = stack.back();
        stack.pop_back();
        type_slot& l = stack.back();
        if (code == OP_MINUS && r.terms != 0) {
          if (l.terms >= r.terms) {
            l.terms -= r.terms;  // two relocatable terms cancel
          } else {
            complex = true;
            l.terms = r.terms - l.terms;
            l.base = r.base;
          }
        } else if (code != OP_MINUS) {
          if (code != OP_PLUS && (l.terms != 0 || r.terms != 0)) complex = true;
          l.terms += r.terms;
          if (l.base == nullptr) l.base = r.base;
        }
        if (l.terms == 0) l.base = nullptr;
        break;
      }
      default:
        internal_error(cx, "set_expression_type_A08", "Illegal tag", e->kind, 0);
        return;
    }
  }
  const type_slot top = stack.empty() ? type_slot{0, nullptr} : stack.back();
  if (top.terms > 1) complex = true;  // more than symbol plus constant
  expr->relocatable_terms = static_cast<uint16_t>(top.terms > 65534 ? 65534 : top.terms);
  expr->base = top.terms != 0 ? top.base : nullptr;
  expr->type = (top.terms != 0 && top.base != nullptr ? TYPE_LABEL : TYPE_OFFSET) | (complex ? TYPE_COMPLEX : 0);
}

ident_node* finish_expression(asm_context& cx, expr_rec* expr, bool quiet_sfr) {
  if (cx.expr.building == expr->list) cx.expr.building = nullptr, cx.expr.building_end = nullptr;
  expr->base = nullptr;
  set_expression_type(cx, expr);
  ident_node* sfr = nullptr;
  if (expr->state != EXPR_ABSOLUTE && expr->state != EXPR_RELATIVE && expr->list != nullptr) {
    sfr = find_label(cx, expr, LBL_SFR);
    if (sfr != nullptr && expr->list->count > 1 && !quiet_sfr) user_warning(cx, gen_warn::suspicious_sfr_expression);
  }
  const int32_t state = fold_expression(cx, expr);
  if (state == EXPR_UNSOLVED || state == EXPR_TEMPORARY) link_unsolved(cx, expr);
  return sfr;
}
