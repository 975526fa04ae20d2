// define_value_standin.cpp — a minimal define_value (directives/values.h) for
// EQU and "=" until the value directives bring theirs; this file goes then.
// It gives an unused label its value and refuses one that has one (error 42).
#include "diag/diag.h"
#include "directives/values.h"
#include "driver/context.h"
#include "driver/statement.h"
#include "expr/expression.h"

label_rec* define_value(asm_context& cx, ident_node* label, int column, expr_rec* value, value_kind) {
  const segment_rec* seg = cx.segs.current;
  label_rec* rec = init_label_rec(cx, label, seg != nullptr ? seg->type : 0, seg != nullptr ? seg->number : 0);
  if (rec == nullptr) return nullptr;
  if (rec->flags & LBL_DEFINED_THIS_PASS) {
    user_error_at(cx, column, gen_err::duplicate_label, label->name);
    return nullptr;
  }
  rec->flags = (rec->flags & ~static_cast<uint32_t>(LBL_UNDEFINED)) | LBL_DEFINED_THIS_PASS;
  rec->defined_at = cx.stmt.current != nullptr ? cx.stmt.current->line : nullptr;
  value->owner = label;
  rec->value = value;
  return rec;
}
