// limits.cpp — LIMIT checks, the linker range check, editing solved
// expressions, and solving the unsolved list again after pass 1 (A08).
#include <vector>

#include "diag/diag.h"
#include "driver/context.h"
#include "driver/segment_rec.h"
#include "driver/stops.h"
#include "expr/expr_internal.h"
#include "expr/operators.h"
#include "source/symbols.h"

namespace {


// Makes `expr`'s list the one the push functions append to; gives back the previous one.
struct building_scope {
  asm_context& cx;
  postfix_list* list;
  postfix_elem* end;
  building_scope(asm_context& c, expr_rec* expr) : cx(c), list(c.expr.building), end(c.expr.building_end) {
    cx.expr.building = expr->list;
    cx.expr.building_end = list_end(expr->list);
  }
  ~building_scope() {
    cx.expr.building = list;
    cx.expr.building_end = end;
  }
};

// Opens `expr` for appending: a solved value becomes a one-constant list.
void open_for_append(asm_context& cx, expr_rec* expr) {
  if (expr->state == EXPR_ABSOLUTE || expr->state == EXPR_RELATIVE)
    reopen_expression(cx, expr);
  else if (expr->state == EXPR_TEMPORARY)
    expr->state = EXPR_UNSOLVED;
}

void refold(asm_context& cx, expr_rec* expr) {
  set_expression_type(cx, expr);
  const int32_t state = fold_expression(cx, expr);
  if (state == EXPR_UNSOLVED || state == EXPR_TEMPORARY) link_unsolved(cx, expr);
}

uint16_t code_of(asm_context& cx, const char* name, uint16_t code, const char* function) {
  if (name == nullptr) return code;
  const operator_rec* rec = find_operator(name);
  if (rec != nullptr) return rec->code;
  internal_error(cx, function, "Can't find Operator", 0, 0);
  return 0;
}

}  // namespace

bool limit_ok(asm_context& cx, expr_rec* expr) {
  if (expr->limit_kind & kLimitApplied) return true;
  const uint16_t kind = expr->limit_kind;
  if (kind == 0) return true;
  if (kind > kLimitBoth) {
    internal_error(cx, "limit_ok_A08", "Not a limit", kind, 0);
    return true;
  }
  bool ok = true;
  bool applied = false;
  if (expr->state == EXPR_ABSOLUTE) {
    const int32_t v = expr->value;
    if (((kind & kLimitLower) && v < expr->limit_min) || ((kind & kLimitUpper) && v > expr->limit_max)) {
      user_error(cx, gen_err::limit_exceeded, expr->limit_name, v);
      ok = false;
    }
    applied = true;
  } else if (expr->state == EXPR_RELATIVE || expr->state == EXPR_POSTFIX) {
    if (kind == kLimitBoth && expr->no_linker_check == 0) {
      open_for_append(cx, expr);
      {
        building_scope scope(cx, expr);
        push_check(cx, expr->limit_min, expr->limit_max, expr->limit_name);
      }
      solved(cx, expr->list, expr);
    }
    applied = true;
  }
  // A SET variable takes new values, so its limit is checked each time.
  const bool variable = expr->owner != nullptr && expr->owner->label != nullptr &&
                        (expr->owner->label->flags & LBL_VARIABLE);
  if (applied && !variable) expr->limit_kind |= kLimitApplied;
  return ok;
}

void edit_expression(asm_context& cx, expr_rec* expr, int32_t value, const char* name, uint16_t code) {
  const uint16_t op = code_of(cx, name, code, "edit_expression_A08");
  if (name != nullptr && op == 0) return;
  open_for_append(cx, expr);
  {
    building_scope scope(cx, expr);
    push_constant(cx, value);
    push_operator(cx, op, false);
  }
  refold(cx, expr);
}

void cat_expressions(asm_context& cx, expr_rec* first, const expr_rec* second, const char* name) {
  const uint16_t op = code_of(cx, name, 0, "cat_expressions_A08");
  if (op == 0) return;
  open_for_append(cx, first);
  {
    building_scope scope(cx, first);
    if (second->state == EXPR_ABSOLUTE || second->state == EXPR_RELATIVE) {
      push_constant(cx, second->value, second->state == EXPR_RELATIVE ? second->segment : 0);
    } else {
      for (const postfix_elem* e = second->list->first; e->kind != PF_END; e = e->next) {
        push(cx, e->kind, e->payload, e->kind == PF_OPERATOR ? e->payload.op.unary : 0, e->segment,
             e->aux.seg, e->segment_or_tag);
      }
    }
    push_operator(cx, op, false);
  }
  refold(cx, first);
}

// Segment operators read before their segment was declared get it now.
void find_late_segments(asm_context& cx) {
  for (postfix_list* l = cx.expr.unsolved_first; l != nullptr; l = l->next_unsolved)
    for (postfix_elem* e = l->first; e != nullptr && e->kind != PF_END; e = e->next) {
      if ((e->kind != PF_SFB && e->kind != PF_SFE && e->kind != PF_SEGOP) || e->aux.seg != nullptr) continue;
      if (segment_rec* seg = segment_of_node(e->payload.symbol)) {
        e->aux.seg = seg;
        e->segment = e->segment_or_tag = seg->number;
      }
    }
}

// The unsolved expression a symbol reference waits for, or null.
expr_rec* waits_for(const postfix_elem* e) {
  if (e->kind != PF_SYMBOL || e->payload.symbol == nullptr || e->payload.symbol->label == nullptr) return nullptr;
  expr_rec* v = e->payload.symbol->label->value;
  return v != nullptr && v->state == EXPR_UNSOLVED && v->in_unsolved_list ? v : nullptr;
}

void fold_and_settle(asm_context& cx, expr_rec* expr) {
  const int32_t state = fold_expression(cx, expr);
  if (state == EXPR_ABSOLUTE || state == EXPR_RELATIVE) {
    unlink_unsolved(cx, expr);
    if (expr->limit_kind != 0) limit_ok(cx, expr);
  } else if (state == EXPR_POSTFIX && expr->limit_kind != 0) {
    limit_ok(cx, expr);
  }
}

// Solves the unsolved expressions in dependency order: an expression is
// folded once the ones its symbols wait for have been, so a chain of forward
// references costs one fold per link whatever its order. The walk keeps its
// own stack (chains may be long); aux2 marks an expression visited in this
// walk (1 on the stack, 2 folded), a reference back into the stack (a cycle)
// is left as it is.
void resolve_in_order(asm_context& cx) {
  expr_state& es = cx.expr;
  struct work {
    expr_rec* expr;
    const postfix_elem* next;  // the next element to look at for dependencies
  };
  std::vector<work> stack;
  std::vector<expr_rec*> roots;
  for (postfix_list* l = es.unsolved_first; l != nullptr; l = l->next_unsolved) {
    l->owner->aux2 = 0;
    roots.push_back(l->owner);
  }
  for (expr_rec* root : roots) {
    if (root->aux2 != 0 || !root->in_unsolved_list) continue;
    root->aux2 = 1;
    stack.push_back(work{root, root->list->first});
    while (!stack.empty()) {
      work& w = stack.back();
      expr_rec* dep = nullptr;
      while (w.next != nullptr && w.next->kind != PF_END && dep == nullptr) {
        expr_rec* d = waits_for(w.next);
        w.next = w.next->next;
        if (d != nullptr && d->aux2 == 0) dep = d;
      }
      if (dep != nullptr) {
        dep->aux2 = 1;
        stack.push_back(work{dep, dep->list->first});
        continue;
      }
      expr_rec* done = w.expr;
      stack.pop_back();
      done->aux2 = 2;
      if (done->in_unsolved_list && done->state == EXPR_UNSOLVED) fold_and_settle(cx, done);
    }
  }
}

int resolve_unsolved(asm_context& cx) {
  expr_state& es = cx.expr;
  es.resolving = true;
  find_late_segments(cx);
  resolve_in_order(cx);
  // Each sweep solves what the previous one made known; a sweep without
  // change ends it, so chains of forward references resolve in any order.
  for (bool changed = true; changed;) {
    changed = false;
    for (postfix_list* l = es.unsolved_first; l != nullptr;) {
      postfix_list* next = l->next_unsolved;
      expr_rec* expr = l->owner;
      const int32_t before = expr->state;
      const uint32_t count = l->count;
      fold_and_settle(cx, expr);
      if (expr->state != before || l->count != count) changed = true;
      l = next;
    }
  }
  es.resolving = false;
  int unsolved = 0;
  for (postfix_list* l = es.unsolved_first; l != nullptr; l = l->next_unsolved)
    if (l->owner->state == EXPR_UNSOLVED) ++unsolved;
  return unsolved;
}
