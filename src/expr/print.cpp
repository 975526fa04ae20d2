// print.cpp — the printed form of an expression for traces and internal-error
// reports (A08), and the registration of the operator spellings.
#include "driver/context.h"
#include "driver/stops.h"
#include "expr/operators.h"
#include "source/symbols.h"

namespace {

constexpr int kMaxPrintDepth = 16;  // symbol values printed inside symbol values

void print_list(asm_context& cx, const expr_rec* expr, int depth);

void print_elements(asm_context& cx, const postfix_list* list, int depth) {
  const output_table& out = *cx.out;
  for (const postfix_elem* e = list->first; e != nullptr && e->kind != PF_END; e = e->next) {
    switch (e->kind) {
      case PF_CONSTANT:
        out_print(out, "%ld ", static_cast<long>(e->payload.value));
        if (e->segment != 0) out_print(out, "(Seg:%u) ", e->segment);
        break;
      case PF_OPERATOR:
      case PF_SFB:
      case PF_SFE:
      case PF_SEGOP: {
        uint16_t code = e->payload.op.code;
        if (e->kind == PF_SFB) code = OP_SFB;
        if (e->kind == PF_SFE) code = OP_SFE;
        if (e->kind == PF_SEGOP) code = OP_SIZEOF;
        const char* name = operator_spelling(code);
        out_print(out, "%s ", name != nullptr ? name : "Not an Operator");
        if (e->segment != 0) out_print(out, "(Seg:%u) ", e->segment);
        break;
      }
      case PF_SYMBOL: {
        const label_rec* label = e->payload.symbol->label;
        if (label == nullptr || label->value == nullptr)
          out_print(out, "No label ");
        else if (depth < kMaxPrintDepth)
          print_list(cx, label->value, depth + 1);
        break;
      }
      case PF_STRING:
        out_print(out, "%s ", e->payload.text != nullptr ? e->payload.text : "NULL");
        break;
      case PF_EXTERN:
        out_print(out, "%s extern[%u] ", e->payload.symbol->name, e->segment_or_tag);
        break;
      case PF_LOCATION:
        out_print(out, "$ ");
        break;
      default:
        internal_error(cx, "print_expression_A08", "Illegal tag", e->kind, 0);
        return;
    }
  }
}

void print_list(asm_context& cx, const expr_rec* expr, int depth) {
  const output_table& out = *cx.out;
  switch (expr->state) {
    case EXPR_UNSOLVED:
      out_print(out, "Not solved ");
      break;
    case EXPR_ABSOLUTE:
    case EXPR_RELATIVE:
      out_print(out, "%ld(0x%X) ", static_cast<long>(expr->value), static_cast<unsigned>(expr->value));
      if (expr->state == EXPR_RELATIVE) out_print(out, "(Seg:%u) ", expr->segment);
      break;
    default:
      if (expr->list != nullptr) print_elements(cx, expr->list, depth);
      break;
  }
}

}  // namespace

void print_expression(asm_context& cx, const char* prefix, const expr_rec* expr) {
  const output_table& out = *cx.out;
  if (prefix == nullptr) prefix = "";
  switch (expr->state) {
    case EXPR_UNSOLVED:
      out_print(out, "%s Not solved ", prefix);
      break;
    case EXPR_ABSOLUTE:
    case EXPR_RELATIVE:
      out_print(out, "%s ", prefix);
      print_list(cx, expr, 0);
      break;
    default:
      out_print(out, "%s ", prefix);
      print_elements(cx, expr->list, 0);
      break;
  }
  static constexpr const char* kTypeWord[3] = {"Type: Undef", "Type: Offset", "Type: Label"};
  const int32_t type = expr->type & ~TYPE_COMPLEX;
  if (type >= 0 && type <= 2) out_print(out, "%s", kTypeWord[type]);
  out_print(out, "\n");
}

void register_operators(asm_context& cx) {
  for (int i = 0; i < kOperatorCount; ++i) {
    const operator_entry& e = kOperatorTable[i];
    if (e.rec.code == OP_CHECK_RANGE || e.rec.code == OP_ERROR_TEXT) continue;
    init_operator(cx, e.spelling, e.rec.code, e.rec.klass, &e.rec);
  }
}

void register_check_operators(asm_context& cx) {
  for (int i = 0; i < kOperatorCount; ++i) {
    const operator_entry& e = kOperatorTable[i];
    if (e.rec.code == OP_CHECK_RANGE || e.rec.code == OP_ERROR_TEXT)
      init_operator(cx, e.spelling, e.rec.code, e.rec.klass, &e.rec);
  }
}
