// postfix.cpp — expression records and building their postfix chains (A08):
// creation, push, the linker range check, the unsolved and undefined lists.
#include <cstring>

#include "diag/diag.h"
#include "driver/context.h"
#include "driver/segment_rec.h"
#include "driver/memory.h"
#include "driver/stops.h"
#include "expr/expr_internal.h"
#include "expr/operators.h"
#include "source/symbols.h"

namespace {

constexpr std::size_t kChunkSize = 65536;  // own arena blocks: the shared pool is left alone

// Fills the end element of `list` and appends a fresh end element; returns the filled one.
postfix_elem* fill_end(asm_context& cx, postfix_list* list, postfix_elem*& end, uint32_t kind) {
  postfix_elem* e = end;
  postfix_elem* fresh = new_elem(cx);
  fresh->kind = PF_END;
  fresh->expr = list->owner;
  fresh->prev = e;
  e->next = fresh;
  e->kind = kind;
  end = fresh;
  ++list->count;
  return e;
}

postfix_elem* push_into(asm_context& cx, postfix_list* list, postfix_elem*& end, uint32_t kind,
                        postfix_payload payload, uint16_t unary, uint16_t segment, segment_rec* seg,
                        uint32_t tag) {
  switch (kind) {
    case PF_SYMBOL: {
      ident_node* node = payload.symbol;
      if (node == nullptr || !is_user_kind(node->kind)) {
        internal_error(cx, "push_A08", "Illegal desc", kind, 0);
        return nullptr;
      }
      if (node->use_marks & USE_AS_SEGMENT) user_error(cx, gen_err::label_was_segment, node->name);
      node->use_marks |= USE_AS_LABEL;
      if (label_rec* rec = get_label_rec(cx, node)) ++rec->uses;
      break;
    }
    case PF_SFB:
    case PF_SFE:
    case PF_SEGOP: {
      ident_node* node = payload.symbol;
      if (node != nullptr) {
        if (node->use_marks & USE_AS_LABEL) user_error(cx, gen_err::segment_was_label, node->name);
        node->use_marks |= USE_AS_SEGMENT;
      }
      break;
    }
    case PF_CONSTANT:
    case PF_OPERATOR:
    case PF_STRING:
    case PF_EXTERN:
    case PF_LOCATION:
      break;
    default:
      internal_error(cx, "push_A08", "Not a type", kind, 0);
      return nullptr;
  }
  postfix_elem* e = fill_end(cx, list, end, kind);
  e->payload = payload;
  if (kind == PF_OPERATOR) e->payload.op.unary = unary;
  e->segment = segment;
  e->segment_or_tag = kind == PF_EXTERN ? tag : segment;
  e->aux.seg = seg;
  return e;
}

postfix_elem* push_building(asm_context& cx, uint32_t kind, postfix_payload payload, uint16_t unary,
                            uint16_t segment = 0, segment_rec* seg = nullptr, uint32_t tag = 0) {
  expr_state& es = cx.expr;
  if (es.building == nullptr) {
    internal_error(cx, "push_A08", "No postfix list", kind, 0);
    return nullptr;
  }
  return push_into(cx, es.building, es.building_end, kind, payload, unary, segment, seg, tag);
}

}  // namespace

// ---- Arena ---------------------------------------------------------------------

void* expr_alloc(asm_context& cx, std::size_t size) {
  expr_state& es = cx.expr;
  size = (size + 7) & ~static_cast<std::size_t>(7);
  if (size > es.chunk_left) {
    const std::size_t want = size > kChunkSize ? size : kChunkSize;
    auto raw = reinterpret_cast<std::uintptr_t>(am_memory(cx, want + 4));
    raw = (raw + 7) & ~static_cast<std::uintptr_t>(7);
    es.chunk = reinterpret_cast<unsigned char*>(raw);
    es.chunk_left = want;
  }
  void* p = es.chunk;
  es.chunk += size;
  es.chunk_left -= size;
  std::memset(p, 0, size);
  return p;
}

postfix_elem* new_elem(asm_context& cx) {
  expr_state& es = cx.expr;
  if (es.free_elems != nullptr) {
    postfix_elem* e = es.free_elems;
    es.free_elems = e->next;
    *e = postfix_elem{};
    return e;
  }
  return static_cast<postfix_elem*>(expr_alloc(cx, sizeof(postfix_elem)));
}

void free_elem(asm_context& cx, postfix_elem* elem) {
  elem->kind = 0;
  elem->next = cx.expr.free_elems;
  cx.expr.free_elems = elem;
}

postfix_elem* list_end(postfix_list* list) {
  postfix_elem* e = list->first;
  while (e->kind != PF_END) e = e->next;
  return e;
}

void drop_list(asm_context& cx, postfix_list* list) {
  for (postfix_elem* e = list->first; e != nullptr;) {
    postfix_elem* next = e->next;
    free_elem(cx, e);
    e = next;
  }
  list->first = nullptr;
  list->count = 0;
  if (cx.expr.building == list) cx.expr.building = nullptr, cx.expr.building_end = nullptr;
  list->next_unsolved = cx.expr.free_lists;
  cx.expr.free_lists = list;
}

// ---- Records -------------------------------------------------------------------

expr_rec* init(asm_context& cx, expr_rec** slot, bool fresh, ident_node* owner) {
  expr_rec* e = slot != nullptr && !fresh ? *slot : nullptr;
  if (e != nullptr && e->in_unsolved_list) unlink_unsolved(cx, e);
  if (e == nullptr) e = static_cast<expr_rec*>(expr_alloc(cx, sizeof(expr_rec)));
  *e = expr_rec{};
  e->state = EXPR_UNSOLVED;
  e->origin = static_cast<uint32_t>(cx.driver.current_line);
  e->owner = owner;
  e->relocatable_terms = 65535;
  if (slot != nullptr) *slot = e;
  return e;
}

expr_rec* make_constant(asm_context& cx, int32_t value) {
  expr_rec* e = init(cx, nullptr, true, nullptr);
  e->state = EXPR_ABSOLUTE;
  e->value = value;
  e->type = TYPE_OFFSET;
  e->relocatable_terms = 0;
  return e;
}

expr_rec* make_relative(asm_context& cx, uint16_t segment, int32_t offset) {
  expr_rec* e = make_constant(cx, offset);
  if (segment != 0) {
    e->state = EXPR_RELATIVE;
    e->segment = segment;
  }
  return e;
}

postfix_list* new_postfix(asm_context& cx, expr_rec* expr) {
  if (expr->in_unsolved_list) unlink_unsolved(cx, expr);
  postfix_list* list = cx.expr.free_lists;
  if (list != nullptr) {
    cx.expr.free_lists = list->next_unsolved;
    *list = postfix_list{};
  } else {
    list = static_cast<postfix_list*>(expr_alloc(cx, sizeof(postfix_list)));
  }
  list->owner = expr;
  postfix_elem* end = new_elem(cx);
  end->kind = PF_END;
  end->expr = expr;
  list->first = end;
  expr->list = list;
  expr->state = EXPR_UNSOLVED;
  cx.expr.building = list;
  cx.expr.building_end = end;
  return list;
}

void reopen_expression(asm_context& cx, expr_rec* expr) {
  const int32_t value = expr->value;
  const uint16_t segment = expr->segment;
  postfix_list* saved = cx.expr.building;
  postfix_elem* saved_end = cx.expr.building_end;
  new_postfix(cx, expr);
  postfix_payload p{};
  p.value = value;
  push_building(cx, PF_CONSTANT, p, 0, segment);
  cx.expr.building = saved;
  cx.expr.building_end = saved_end;
}

void release_postfix(asm_context& cx, expr_rec* expr) {
  if (expr->in_unsolved_list) unlink_unsolved(cx, expr);
  const bool has_list = expr->state != EXPR_ABSOLUTE && expr->state != EXPR_RELATIVE;
  if (has_list && expr->list != nullptr) drop_list(cx, expr->list);
  expr->list = nullptr;
  expr->state = EXPR_UNSOLVED;
}

// ---- Building ------------------------------------------------------------------

postfix_elem* push(asm_context& cx, uint32_t kind, postfix_payload payload, uint16_t unary,
                   uint16_t segment, segment_rec* seg, uint32_t tag) {
  return push_building(cx, kind, payload, unary, segment, seg, tag);
}

postfix_elem* push_constant(asm_context& cx, int32_t value, uint16_t segment) {
  postfix_payload p{};
  p.value = value;
  return push_building(cx, PF_CONSTANT, p, 0, segment);
}

postfix_elem* push_operator(asm_context& cx, uint16_t code, bool unary) {
  postfix_payload p{};
  p.op.code = code;
  return push_building(cx, PF_OPERATOR, p, unary ? 1 : 0);
}

postfix_elem* push_symbol(asm_context& cx, ident_node* symbol) {
  postfix_payload p{};
  p.symbol = symbol;
  return push_building(cx, PF_SYMBOL, p, 0);
}

postfix_elem* push_segment_operator(asm_context& cx, uint32_t kind, ident_node* name) {
  postfix_payload p{};
  p.symbol = name;
  segment_rec* seg = name != nullptr ? segment_of_node(name) : nullptr;
  return push_building(cx, kind, p, 0, seg != nullptr ? seg->number : 0, seg);
}

postfix_elem* push_string(asm_context& cx, const char* text) {
  postfix_payload p{};
  p.text = text;
  return push_building(cx, PF_STRING, p, 0);
}

postfix_elem* push_external(asm_context& cx, ident_node* symbol, uint32_t external_index) {
  postfix_payload p{};
  p.symbol = symbol;
  return push_building(cx, PF_EXTERN, p, 0, 0, nullptr, external_index);
}

postfix_elem* push_after_expression(asm_context& cx, expr_rec* expr, uint32_t kind,
                                    postfix_payload payload, uint16_t unary) {
  if (expr->state != EXPR_UNSOLVED && expr->state != EXPR_POSTFIX) {
    internal_error(cx, "push_after_expression_A08", "Expression solved, can't push", expr->state, kind);
    return nullptr;
  }
  expr_state& es = cx.expr;
  if (es.building == expr->list) return push_into(cx, expr->list, es.building_end, kind, payload, unary, 0, nullptr, 0);
  postfix_elem* end = list_end(expr->list);
  return push_into(cx, expr->list, end, kind, payload, unary, 0, nullptr, 0);
}

void push_check_after(asm_context& cx, expr_rec* expr, int32_t min, int32_t max, const char* name) {
  expr_state& es = cx.expr;
  postfix_list* saved = es.building;
  postfix_elem* saved_end = es.building_end;
  es.building = expr->list;
  es.building_end = list_end(expr->list);
  push_check(cx, min, max, name);
  es.building = saved;
  es.building_end = saved_end;
}

void as_postfix(asm_context& cx, expr_rec* expr) {
  if (expr->state != EXPR_ABSOLUTE && expr->state != EXPR_RELATIVE) return;
  const int32_t value = expr->value;
  const uint16_t segment = expr->segment;
  expr_state& es = cx.expr;
  postfix_list* saved = es.building;
  postfix_elem* saved_end = es.building_end;
  new_postfix(cx, expr);
  push_constant(cx, value, segment);
  expr->state = EXPR_POSTFIX;
  es.building = saved;
  es.building_end = saved_end;
}

void push_check(asm_context& cx, int32_t min, int32_t max, const char* name) {
  if (!cx.expr.check_operators_registered) {
    register_check_operators(cx);
    cx.expr.check_operators_registered = true;
  }
  if (operator_spelling(OP_CHECK_RANGE) == nullptr || operator_spelling(OP_ERROR_TEXT) == nullptr) {
    internal_error(cx, "push_check_A08", "Not an Operator", OP_CHECK_RANGE, 0);
    return;
  }
  push_string(cx, name);
  push_operator(cx, OP_ERROR_TEXT, true);
  push_constant(cx, max);
  push_constant(cx, min);
  push_operator(cx, OP_CHECK_RANGE, false);
  push_string(cx, "");
  push_operator(cx, OP_ERROR_TEXT, true);
}

// ---- Unsolved list ---------------------------------------------------------------

void link_unsolved(asm_context& cx, expr_rec* expr) {
  if (expr->in_unsolved_list || expr->state == EXPR_ABSOLUTE || expr->state == EXPR_RELATIVE ||
      expr->list == nullptr)
    return;
  expr_state& es = cx.expr;
  postfix_list* list = expr->list;
  list->next_unsolved = nullptr;
  list->prev_unsolved = es.unsolved_last;
  if (es.unsolved_last != nullptr)
    es.unsolved_last->next_unsolved = list;
  else
    es.unsolved_first = list;
  es.unsolved_last = list;
  expr->in_unsolved_list = 1;
}

void unlink_unsolved(asm_context& cx, expr_rec* expr) {
  if (!expr->in_unsolved_list) return;
  expr_state& es = cx.expr;
  postfix_list* list = expr->list;
  if (es.unsolved_cursor == list) es.unsolved_cursor = list->prev_unsolved;
  (list->prev_unsolved != nullptr ? list->prev_unsolved->next_unsolved : es.unsolved_first) =
      list->next_unsolved;
  (list->next_unsolved != nullptr ? list->next_unsolved->prev_unsolved : es.unsolved_last) =
      list->prev_unsolved;
  list->prev_unsolved = list->next_unsolved = nullptr;
  expr->in_unsolved_list = 0;
}

expr_rec* mark_or_get_unsolved(asm_context& cx, int mode, expr_rec* expr) {
  expr_state& es = cx.expr;
  switch (mode) {
    case UNSOLVED_APPEND:
      if (expr != nullptr) link_unsolved(cx, expr);
      return expr;
    case UNSOLVED_REMOVE:
      if (es.unsolved_first == nullptr) {
        internal_error(cx, "mark_or_get_unsolved_A08", "root==0", mode, 0);
        return nullptr;
      }
      if (expr == nullptr || !expr->in_unsolved_list) {
        internal_error(cx, "mark_or_get_unsolved_A08", "Not in list", mode, 0);
        return nullptr;
      }
      unlink_unsolved(cx, expr);
      return expr;
    case UNSOLVED_FIRST:
      es.unsolved_cursor = es.unsolved_first;
      return es.unsolved_cursor != nullptr ? es.unsolved_cursor->owner : nullptr;
    case UNSOLVED_RESET:
      es.unsolved_cursor = nullptr;
      return nullptr;
    case UNSOLVED_COUNT: {
      if (expr == nullptr) {
        internal_error(cx, "mark_or_get_unsolved_A08", "expr==0", mode, 0);
        return nullptr;
      }
      uint32_t count = 0;
      for (postfix_list* l = es.unsolved_first; l != nullptr; l = l->next_unsolved) count += l->count;
      expr->aux = count;
      return expr;
    }
    case UNSOLVED_NEXT:
      es.unsolved_cursor = es.unsolved_cursor == nullptr ? es.unsolved_first
                                                         : es.unsolved_cursor->next_unsolved;
      return es.unsolved_cursor != nullptr ? es.unsolved_cursor->owner : nullptr;
    default:
      internal_error(cx, "mark_or_get_unsolved_A08", "Not a mode", mode, 0);
      return nullptr;
  }
}

// ---- Undefined symbols -------------------------------------------------------------

void mark_or_get_undef(asm_context& cx, int mode, undef_list* list, ident_node* symbol) {
  expr_state& es = cx.expr;
  switch (mode) {
    case UNDEF_ADD: {
      for (undef_entry* e = list->first; e != nullptr; e = e->next)
        if (e->symbol == symbol) return;
      undef_entry* e = es.free_undef;
      if (e != nullptr)
        es.free_undef = e->next;
      else
        e = static_cast<undef_entry*>(expr_alloc(cx, sizeof(undef_entry)));
      e->symbol = symbol;
      e->next = list->first;
      list->first = e;
      return;
    }
    case UNDEF_REMOVE:
      for (undef_entry** link = &list->first; *link != nullptr; link = &(*link)->next) {
        if ((*link)->symbol != symbol) continue;
        undef_entry* e = *link;
        *link = e->next;
        e->next = es.free_undef;
        es.free_undef = e;
        return;
      }
      internal_error(cx, "mark_or_get_undef_A08", "No symb", mode, 0);
      return;
    case UNDEF_CLEAR:
      while (list->first != nullptr) {
        undef_entry* e = list->first;
        list->first = e->next;
        e->next = es.free_undef;
        es.free_undef = e;
      }
      return;
    default:
      internal_error(cx, "mark_or_get_undef_A08", "Not a mode", mode, 0);
  }
}

// ---- Symbol search -------------------------------------------------------------------

ident_node* find_label(asm_context& cx, const expr_rec* expr, uint32_t bits, bool from_first,
                       label_predicate accept) {
  const bool has_list = expr != nullptr && expr->state != EXPR_ABSOLUTE &&
                        expr->state != EXPR_RELATIVE && expr->list != nullptr;
  if (!has_list) {
    internal_error(cx, "find_label_A08", "No postfix expr.", expr != nullptr ? expr->state : -1, 0);
    return nullptr;
  }
  const postfix_elem* e = expr->list->first;
  const postfix_elem* cursor = cx.expr.find_cursor;
  if (!from_first && cursor != nullptr && cursor->expr == expr && cursor->kind != PF_END) e = cursor->next;
  for (; e != nullptr && e->kind != PF_END; e = e->next) {
    if (e->kind != PF_SYMBOL) continue;
    const label_rec* label = e->payload.symbol->label;
    if (label == nullptr) continue;
    const bool ok = accept != nullptr ? accept(label->flags, bits) : (label->flags & bits) == bits;
    if (ok) {
      cx.expr.find_cursor = e;
      return e->payload.symbol;
    }
  }
  cx.expr.find_cursor = nullptr;
  return nullptr;
}

const ident_node* unsolved_symbol(const expr_rec* expr) {
  if (expr == nullptr || expr->state == EXPR_ABSOLUTE || expr->state == EXPR_RELATIVE || expr->list == nullptr)
    return nullptr;
  const ident_node* first = nullptr;
  const ident_node* unknown = nullptr;
  for (const postfix_elem* e = expr->list->first; e != nullptr && e->kind != PF_END; e = e->next) {
    if (e->kind != PF_SYMBOL || e->payload.symbol == nullptr) continue;
    const ident_node* n = e->payload.symbol;
    const label_rec* label = n->label;
    if (label == nullptr || label->value == nullptr || (label->flags & LBL_UNDEFINED)) return n;
    if (first == nullptr) first = n;
    if (unknown == nullptr && (label->value->state == EXPR_UNSOLVED || label->value->state == EXPR_TEMPORARY))
      unknown = n;
  }
  return unknown != nullptr ? unknown : first;
}

const char* unsolved_name(const expr_rec* expr) {
  const ident_node* n = unsolved_symbol(expr);
  return n != nullptr ? n->name : "";
}
