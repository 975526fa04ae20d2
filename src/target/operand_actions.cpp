// operand_actions.cpp — the operand grammar's semantic actions (B03): postfix
// building, operand classification into mode codes, bit equates and the
// alignment form of the segment directives.
#include <cstring>

#include "diag/diag.h"
#include "directives/segments.h"
#include "driver/context.h"
#include "driver/stops.h"
#include "expr/expression.h"
#include "expr/operators.h"
#include "target/operand_grammar.h"
#include "target/target_state.h"
#include "target/instruction.h"
#include "target/operand_internal.h"

namespace {


// The expression being built, made when its first element is pushed; a
// record an earlier line gave back is used first.
void ensure_current(asm_context& cx) {
  operand_parse_state& p = target_of(cx).parse;
  if (p.current == nullptr) {
    expr_rec* spare = take_spare_expr(cx);
    p.current = init(cx, spare != nullptr ? &spare : nullptr, spare == nullptr, nullptr);
    new_postfix(cx, p.current);
  }
}

bool illegal_register(asm_context& cx, const b03_reg_val& reg) {
  user_error(cx, tgt_err::illegal_register, reg.name);
  target_of(cx).parse.failed = true;
  return false;
}

// The value the classification may rely on: solved, or provisional but absolute.
bool known_value(const expr_rec* e, int32_t* value) {
  if (e->state == EXPR_ABSOLUTE) return *value = e->value, true;
  if (e->state == EXPR_TEMPORARY && e->segment == 0) return *value = e->provisional_value, true;
  return false;
}

// Modifier bits 16..18 of an SFR address change the symbol's access and are
// not part of the address.
void apply_sfr_modifiers(ident_node* sfr, expr_rec* e) {
  if (e->state != EXPR_ABSOLUTE || !(e->value & kSfrModifierBits)) return;
  label_rec* label = sfr->label;
  if (e->value & 0x10000) label->flags |= LBL_SFR_NO_BIT;
  if (e->value & 0x20000) label->flags &= ~LBL_SFR_READ;
  if (e->value & 0x40000) label->flags &= ~LBL_SFR_WRITE;
  e->value &= ~kSfrModifierBits;
}

operand_desc classify(asm_context& cx, const b03_addr_val& a) {
  operand_parse_state& p = target_of(cx).parse;
  expr_rec* e = a.x.e;
  operand_desc d{MODE_ADDR, 0, e, nullptr, a.prefix, a.x.sfr};
  if (p.pending_saddr) {
    e->flags |= kExprSaddr;
    p.pending_saddr = false;
  }
  // A bit symbol splits into its byte address in the saddr area and its bit.
  if (e->state == EXPR_ABSOLUTE && (e->flags & kExprBitSymbol)) {
    const uint32_t v = static_cast<uint32_t>(e->value);
    d.bit_expr = make_constant(cx, static_cast<int32_t>(v & 7));
    e->value = static_cast<int32_t>((v >> 3) + kSaddrFirst);
    d.mode |= kModeBit;
  }
  const uint16_t bit = d.mode & kModeBit;
  if (a.prefix & kPrefixSaddr) {
    if (e->state == EXPR_ABSOLUTE) e->value &= ~kSfrModifierBits;
    d.mode = bit | kModeSaddr;
    return d;
  }
  if (a.prefix & kPrefixAbsolute) {
    d.mode = bit | MODE_ADDR;
    return d;
  }
  if (d.sfr != nullptr) apply_sfr_modifiers(d.sfr, e);
  int32_t v = 0;
  const bool known = known_value(e, &v);
  if (d.sfr != nullptr || (known && v >= kSfrFirst && v <= kSfrLast))
    d.mode = bit | kModeSfr;
  else if ((known && v >= kSaddrFirst && v <= kSaddrLast) || (e->flags & kExprSaddr))
    d.mode = bit | kModeSaddr;
  return d;
}

}  // namespace

// ---- Expressions ------------------------------------------------------------------

void act_number(asm_context& cx, int32_t value) {
  ensure_current(cx);
  push_constant(cx, value);
}

void act_label(asm_context& cx, ident_node* node) {
  ensure_current(cx);
  push_symbol(cx, node);
}

// "$": the location counter of the current segment.
void act_location(asm_context& cx) {
  ensure_current(cx);
  const segment_rec* seg = cx.segs.current;
  push_constant(cx, seg != nullptr ? seg->location : 0, expr_segment_of(seg));
}

void act_operator(asm_context& cx, uint16_t code, bool unary) {
  ensure_current(cx);
  push_operator(cx, code, unary);
}

void act_segment_bound(asm_context& cx, uint16_t code, ident_node* segment, bool offset_pushed) {
  if (offset_pushed && target_of(cx).parse.current == nullptr) {
    internal_error(cx, "b03.y", "No expr in SFB or SFE", code, 0);
    return;
  }
  ensure_current(cx);
  if (!offset_pushed) push_constant(cx, 0);
  push_segment_operator(cx, code == OP_SFB ? PF_SFB : PF_SFE, segment);
}

// SIZEOF is SFE minus SFB, left to the linker.
void act_sizeof(asm_context& cx, ident_node* segment) {
  const segment_rec* seg = find_segment(cx, segment);
  if (seg != nullptr && seg->number <= 1) user_error(cx, gen_err::segment_not_relocatable);
  if (find_operator("-") == nullptr) {
    internal_error(cx, "sizeof_B03", "Can't find '-'", 0, 0);
    return;
  }
  ensure_current(cx);
  push_constant(cx, 0);
  push_segment_operator(cx, PF_SFE, segment);
  push_constant(cx, 0);
  push_segment_operator(cx, PF_SFB, segment);
  push_operator(cx, OP_MINUS, false);
}

b03_expr_val act_finish(asm_context& cx) {
  operand_parse_state& p = target_of(cx).parse;
  expr_rec* e = p.current;
  p.current = nullptr;
  ident_node* sfr = finish_expression(cx, e, (p.flags & PARSE_QUIET_SFR) != 0);
  p.last = e;
  return {e, sfr};
}

bool act_string_compare(asm_context& cx, const b03_str_val& a, int relation, const b03_str_val& b,
                        b03_expr_val* out) {
  const uint32_t n = a.length < b.length ? a.length : b.length;
  int cmp = std::memcmp(a.text, b.text, n);
  if (cmp == 0) cmp = a.length < b.length ? -1 : a.length > b.length ? 1 : 0;
  const int sign = cmp < 0 ? -1 : cmp > 0 ? 1 : 0;
  int32_t value;
  if (relation == OP_EQ_SYM) {
    value = sign == 0;
  } else if (relation == OP_NE_SYM || relation == kRelationComma) {
    value = sign;
  } else {
    user_error(cx, gen_err::invalid_syntax);
    target_of(cx).parse.failed = true;
    return false;
  }
  out->e = make_constant(cx, value);
  out->sfr = nullptr;
  target_of(cx).parse.last = out->e;
  return true;
}

// ---- Operands ---------------------------------------------------------------------

bool act_register(asm_context& cx, const b03_reg_val& reg, operand_desc* out) {
  const uint16_t mode = register_mode(reg.code);
  if (mode == MODE_NONE) {
    internal_error(cx, "B03:Reg", "Unhandled reg", reg.code, 0);
    return false;
  }
  *out = operand_desc{mode, reg.code, nullptr, nullptr, 0, nullptr};
  return true;
}

bool act_register_bit(asm_context& cx, const b03_reg_val& reg, const b03_expr_val& bit, operand_desc* out) {
  if (reg.code != REG_A && reg.code != REG_PSW) return illegal_register(cx, reg);
  *out = operand_desc{reg.code == REG_A ? MODE_A_BIT : MODE_PSW_BIT, reg.code, nullptr, bit.e, 0, nullptr};
  return true;
}

bool act_indirect(asm_context& cx, const b03_reg_val& reg, operand_desc* out) {
  if (!act_register(cx, reg, out)) return false;
  out->mode |= kModeIndirect;
  return true;
}

bool act_indirect_bit(asm_context& cx, const b03_reg_val& reg, const b03_expr_val& bit, operand_desc* out) {
  if (reg.code != REG_HL) return illegal_register(cx, reg);
  *out = operand_desc{MODE_HL_IND_BIT, reg.code, nullptr, bit.e, 0, nullptr};
  return true;
}

bool act_based(asm_context& cx, const b03_reg_val& reg, const b03_expr_val& disp, operand_desc* out) {
  if (reg.code != REG_HL) return illegal_register(cx, reg);
  *out = operand_desc{MODE_HL_BYTE, reg.code, disp.e, nullptr, 0, nullptr};
  return true;
}

bool act_based_reg(asm_context& cx, const b03_reg_val& base, const b03_reg_val& index, operand_desc* out) {
  if (base.code != REG_HL) return illegal_register(cx, base);
  if (index.code != REG_C && index.code != REG_B) return illegal_register(cx, index);
  *out = operand_desc{index.code == REG_C ? MODE_HL_C : MODE_HL_B, base.code, nullptr, nullptr, 0, nullptr};
  return true;
}

operand_desc act_memory_index(const b03_expr_val& x) { return {MODE_CALLT, 0, x.e, nullptr, 0, x.sfr}; }

operand_desc act_immediate(asm_context& cx, const b03_expr_val& x, uint16_t prefix) {
  (void)cx;
  return {MODE_IMM, 0, x.e, nullptr, prefix, x.sfr};
}

operand_desc act_address(asm_context& cx, const b03_addr_val& a) { return classify(cx, a); }

operand_desc act_address_bit(asm_context& cx, const b03_addr_val& a, const b03_expr_val& bit) {
  operand_desc d = classify(cx, a);
  d.mode |= kModeBit;
  d.bit_expr = bit.e;
  return d;
}

operand_desc act_carry() { return {MODE_CY, 0, nullptr, nullptr, 0, nullptr}; }

operand_desc act_bank(asm_context& cx, int32_t bank) {
  return {MODE_RBANK, 0, make_constant(cx, bank), nullptr, 0, nullptr};
}

void act_store_operand(asm_context& cx, const operand_desc& d) {
  operand_parse_state& p = target_of(cx).parse;
  if (p.pending_saddr && d.expr != nullptr) d.expr->flags |= kExprSaddr;
  p.pending_saddr = false;
  if (p.count < p.max_operands && p.operands != nullptr) {
    p.operands[p.count] = d;
  } else if (p.count == p.max_operands) {
    user_error(cx, tgt_err::too_many_operands);
    p.failed = true;
  }
  ++p.count;
}

// ---- Expression mode ----------------------------------------------------------------

void act_expression_result(asm_context& cx, expr_rec* e) {
  if (target_of(cx).parse.target != nullptr) *target_of(cx).parse.target = e;
}

// A bit equate: (address - 0FE20H) * 8 + bit.
bool act_bitpair(asm_context& cx, const b03_expr_val& address, const b03_expr_val& bit) {
  operand_parse_state& p = target_of(cx).parse;
  if (!(p.flags & PARSE_BIT_EQUATE)) {
    user_error(cx, gen_err::invalid_syntax);
    p.failed = true;
    return false;
  }
  const ident_node* label = p.equate_label;
  if (label != nullptr && label->label != nullptr && (label->label->flags & LBL_PUBLIC)) {
    user_error(cx, tgt_err::bit_equate_public);
    p.failed = true;
    return false;
  }
  if (find_operator("*") == nullptr) {
    internal_error(cx, "bit_left_B03", "Can't find '*'", 0, 0);
    return false;
  }
  expr_rec* r;
  if (address.e->state == EXPR_ABSOLUTE && bit.e->state == EXPR_ABSOLUTE) {
    const uint32_t v = static_cast<uint32_t>(address.e->value) * 8 - kBitSymbolBase +
                       static_cast<uint32_t>(bit.e->value);
    r = make_constant(cx, static_cast<int32_t>(v));
  } else {
    r = address.e;
    edit_expression(cx, r, 8, "*");
    edit_expression(cx, r, kBitSymbolBase, "-");
    cat_expressions(cx, r, bit.e, "+");
  }
  r->flags |= kExprBitSymbol;
  p.last = r;
  act_expression_result(cx, r);
  return true;
}

bool act_indexed(asm_context& cx, const b03_expr_val& operand, const b03_expr_val& alignment) {
  operand_parse_state& p = target_of(cx).parse;
  segment_rec* seg = p.align_segment;
  if (!(p.flags & PARSE_ALIGNMENT) || seg == nullptr) {
    user_error(cx, gen_err::invalid_syntax);
    p.failed = true;
    return false;
  }
  if (seg->alignment_count > 0) {
    user_error(cx, gen_err::alignment_already_set);
    p.failed = true;
    return false;
  }
  seg->alignment = alignment.e;
  ++seg->alignment_count;
  act_expression_result(cx, operand.e);
  return true;
}
