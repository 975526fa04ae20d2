// fields.cpp — operand fields in pass 2 (B02): range checks of known values,
// the postfix expressions of the fields the linker fills in, and the message
// texts of their range checks, built when the object is written.
#include "target/fields.h"

#include <string>

#include "diag/diag.h"
#include "driver/code_sink.h"
#include "driver/context.h"
#include "driver/statement.h"
#include "driver/stops.h"
#include "expr/expression.h"
#include "expr/operators.h"
#include "target/target_state.h"

namespace {

// Messages a linker range check may carry: the target's own texts (the
// words of its messages 400, 414, 424 and warning 405) as objects of their
// own, whose addresses mark them for the object writer.
struct linker_text {
  char text[32];
};
constexpr linker_text kNumberOutOfRange{"Number out of range"};
constexpr linker_text kExpressionOutOfRange{"Expression out of range"};
constexpr linker_text kBranchTooLong{"Branch too long"};
constexpr linker_text kEvenValueExpected{"Even value expected"};
constexpr const linker_text* kLinkerTexts[] = {&kNumberOutOfRange, &kExpressionOutOfRange, &kBranchTooLong,
                                                &kEvenValueExpected};

int operand_position(int operand) { return operand == 0 ? OPERAND_1 : OPERAND_2; }

bool in_range(int32_t v, int32_t lo, int32_t hi) { return v >= lo && v <= hi; }

// Where a displacement is measured from, and whether the target is in reach of the assembler.
struct branch_origin {
  int32_t end;      // location after the instruction
  uint16_t segment; // of the instruction: 0 absolute
};

branch_origin origin_of(const encode_call& call) {
  return {call.record->location + call.ins.form->length, expr_segment_of(call.record->segment)};
}

}  // namespace

// ---- Values -----------------------------------------------------------------------------

field_value field_of(encode_call& call, const expr_rec* expr, int operand) {
  switch (expr->state) {
    case EXPR_ABSOLUTE: return {true, expr->value};
    case EXPR_RELATIVE:
    case EXPR_POSTFIX: return {false, 0};
    case EXPR_TEMPORARY:
      internal_error(call.cx, "dump_expr_B02", "Temporary solved expression", expr->provisional_value, operand);
      return {true, 0};
    default:
      user_error_pass2(call.cx, AVM_RECORD, call.record, gen_err::undefined_symbol, operand_position(operand),
                       unsolved_name(expr));
      call.failed = true;
      return {true, 0};
  }
}

void report_error(encode_call& call, tgt_err number, int operand) {
  user_error_pass2(call.cx, AVM_RECORD, call.record, number, operand_position(operand));
  call.failed = true;
}

void report_range_warning(encode_call& call, int operand) {
  user_warning_pass2(call.cx, AVM_RECORD, call.record, tgt_warn::number_out_of_range, operand_position(operand));
}

bool is_bit_symbol(const expr_rec* expr) {
  if (expr->flags & kExprBitSymbol) return true;
  if (expr->state == EXPR_ABSOLUTE || expr->state == EXPR_RELATIVE || expr->list == nullptr) return false;
  const postfix_elem* first = expr->list->first;
  if (expr->list->count != 1 || first->kind != PF_SYMBOL) return false;
  const label_rec* label = first->payload.symbol->label;
  return label != nullptr && ((label->flags & LBL_BIT_EQUATE) ||
                              (label->value != nullptr && (label->value->flags & kExprBitSymbol)));
}

// ---- Fields -------------------------------------------------------------------------------

void emit_imm8(encode_call& call, const expr_rec* expr, int operand) {
  const field_value v = field_of(call, expr, operand);
  if (!v.known) return linker_field(call).operand(expr).check(-128, 255, text_number_out_of_range()).emit(1);
  if (!in_range(v.value, -128, 255)) report_range_warning(call, operand);
  emit_byte(call.sink, static_cast<uint8_t>(v.value));
}

void emit_imm16(encode_call& call, const expr_rec* expr, int operand) {
  const field_value v = field_of(call, expr, operand);
  if (!v.known) return linker_field(call).operand(expr).check(-32768, 65535, text_number_out_of_range()).emit(2);
  if (!in_range(v.value, -32768, 65535)) report_range_warning(call, operand);
  emit_word(call.sink, static_cast<uint16_t>(v.value));
}

void emit_address16(encode_call& call, const expr_rec* expr, int operand, bool even) {
  const field_value v = field_of(call, expr, operand);
  if (!v.known) {
    linker_field f(call);
    f.operand(expr);
    if (even) f.even(expr);
    return f.check(-32768, 65535, text_number_out_of_range()).emit(2);
  }
  if (!in_range(v.value, -32768, 65535)) report_range_warning(call, operand);
  if (even && (v.value & 1)) report_error(call, tgt_err::odd_address, operand);
  emit_word(call.sink, static_cast<uint16_t>(v.value));
}

void emit_area_byte(encode_call& call, const expr_rec* expr, int operand, bool sfr, bool even) {
  const int32_t lo = sfr ? kSfrFirst : kSaddrFirst;
  const int32_t hi = sfr ? kSfrLast : kSaddrLast;
  const field_value v = field_of(call, expr, operand);
  if (!v.known) {
    linker_field f(call);
    f.operand(expr);
    if (even) f.even(expr);
    return f.check(lo, hi, text_number_out_of_range()).constant(0xFF).op(OP_BINAND).emit(1);
  }
  if (!in_range(v.value, lo, hi)) report_range_warning(call, operand);
  if (even && (v.value & 1)) report_error(call, tgt_err::odd_address, operand);
  emit_byte(call.sink, static_cast<uint8_t>(v.value));
}

void emit_displacement(encode_call& call, const expr_rec* target, int operand) {
  const branch_origin from = origin_of(call);
  const bool near = (target->state == EXPR_ABSOLUTE && from.segment == 0) ||
                    (target->state == EXPR_RELATIVE && target->segment == from.segment);
  if (!near) {
    if (target->state == EXPR_UNSOLVED || target->state == EXPR_TEMPORARY) {
      field_of(call, target, operand);  // reports why there is no value
      return emit_byte(call.sink, 0);
    }
    return linker_field(call)
        .operand(target)
        .constant(from.end, from.segment)
        .op(OP_MINUS)
        .check(-128, 127, text_branch_too_long())
        .emit(1);
  }
  const int64_t d = static_cast<int64_t>(target->value) - from.end;
  if (d < -128 || d > 127) report_error(call, tgt_err::branch_too_long, operand);
  emit_byte(call.sink, static_cast<uint8_t>(d));
}

void emit_bit_opcode(encode_call& call, const expr_rec* bit, int operand, uint8_t opcode) {
  const field_value v = field_of(call, bit, operand);
  if (!v.known) {
    return linker_field(call)
        .operand(bit)
        .check(0, 7, text_expression_out_of_range())
        .constant(4)
        .op(OP_SHL)
        .constant(opcode)
        .op(OP_BINOR)
        .emit(1);
  }
  if (!in_range(v.value, 0, 7)) report_error(call, tgt_err::expression_out_of_range, operand);
  emit_byte(call.sink, static_cast<uint8_t>(opcode | ((v.value & 7) << 4)));
}

// ---- Linker fields ------------------------------------------------------------------------

linker_field::linker_field(encode_call& call)
    : call_(call), expr_(nullptr), saved_list_(call.cx.expr.building), saved_end_(call.cx.expr.building_end) {
  target_state& t = target_of(call.cx);
  if (t.fields_used == t.field_exprs.size()) t.field_exprs.push_back(init(call.cx, nullptr, true, nullptr));
  expr_rec* e = t.field_exprs[t.fields_used++];
  init(call.cx, &e, false, nullptr);
  new_postfix(call.cx, e);
  expr_ = e;
}

linker_field& linker_field::operand(const expr_rec* x) {
  asm_context& cx = call_.cx;
  if (x->state == EXPR_ABSOLUTE || x->state == EXPR_RELATIVE) {
    push_constant(cx, x->value, x->state == EXPR_RELATIVE ? x->segment : 0);
    return *this;
  }
  for (const postfix_elem* e = x->list->first; e->kind != PF_END; e = e->next)
    push(cx, e->kind, e->payload, e->kind == PF_OPERATOR ? e->payload.op.unary : 0, e->segment, e->aux.seg,
         e->segment_or_tag);
  return *this;
}

linker_field& linker_field::constant(int32_t value, uint16_t segment) {
  push_constant(call_.cx, value, segment);
  return *this;
}

linker_field& linker_field::op(uint16_t code) {
  push_operator(call_.cx, code, false);
  return *this;
}

linker_field& linker_field::check(int32_t min, int32_t max, const char* message) {
  push_check(call_.cx, min, max, message);
  return *this;
}

linker_field& linker_field::even(const expr_rec* x) {
  operand(x).constant(1).op(OP_BINAND).check(0, 0, text_even_value_expected());
  return constant(0).op(OP_MUL).op(OP_PLUS);
}

void linker_field::emit(uint8_t size) {
  asm_context& cx = call_.cx;
  cx.expr.building = saved_list_;
  cx.expr.building_end = saved_end_;
  expr_->state = EXPR_POSTFIX;
  set_expression_type(cx, expr_);
  emit_field(call_.sink, expr_, size);
}

void recycle_linker_fields(asm_context& cx) {
  target_state& t = target_of(cx);
  for (std::size_t i = 0; i < t.fields_used; ++i) release_postfix(cx, t.field_exprs[i]);
  t.fields_used = 0;
}

// ---- Message texts ---------------------------------------------------------------------

const char* text_number_out_of_range() { return kNumberOutOfRange.text; }
const char* text_expression_out_of_range() { return kExpressionOutOfRange.text; }
const char* text_branch_too_long() { return kBranchTooLong.text; }
const char* text_even_value_expected() { return kEvenValueExpected.text; }

bool linker_text_deferred(const char* text) {
  for (const linker_text* t : kLinkerTexts)
    if (text == t->text) return true;
  return false;
}

std::string linker_check_text(asm_context& cx, const statement_rec* record, const char* message) {
  (void)cx;
  if (message == nullptr || *message == '\0') return {};
  std::string out = "\n ";
  out += message;
  out += "\n ";
  const line_rec* line = record != nullptr ? record->line : nullptr;
  if (line == nullptr) return out;
  if (line->file_name != nullptr && *line->file_name != '\0') {
    out += "File: ";
    out += line->file_name;
    out += ", Line: ";
    out += std::to_string(line->line_no);
    out += " \n ";
  }
  if (line->text != nullptr) {
    out += "Source: ";
    out.append(line->text, line->text_len);
  }
  return out;
}
