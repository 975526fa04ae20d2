// encoders.cpp — the operand encoders and pass 2 of an instruction (B02):
// gen_instruction runs the encoder of the form chosen in pass 1 on the
// operands' final values and checks that it wrote the form's length.
#include "target/encoders.h"

#include <cstdio>

#include "driver/code_sink.h"
#include "driver/context.h"
#include "driver/statement.h"
#include "driver/stops.h"
#include "expr/expression.h"
#include "expr/operators.h"
#include "target/fields.h"
#include "target/target_state.h"

namespace {

constexpr int kMaxOpcodes = 3;

const instr_form& form_of(const encode_call& c) { return *c.ins.form; }

// The variable register's field: the number (pairs twice theirs); 78K0S forms double it.
uint8_t register_field(const instr_form& f, uint8_t reg) {
  const bool k0s = (f.form_flags & FF_REG_78K0S) != 0;
  if (reg >= REG_AX) return static_cast<uint8_t>((reg - REG_AX) * (k0s ? 4 : 2));
  return static_cast<uint8_t>(reg * (k0s ? 2 : 1));
}

// The form's opcode bytes, the variable register's field ORed into the last.
int opcode_bytes(const encode_call& c, uint8_t out[kMaxOpcodes]) {
  const instr_form& f = form_of(c);
  int n = 0;
  out[n++] = static_cast<uint8_t>(f.opcode1);
  if (f.opcode2 != kNoByte) out[n++] = static_cast<uint8_t>(f.opcode2);
  if (f.opcode3 != kNoByte) out[n++] = static_cast<uint8_t>(f.opcode3);
  const int r = (f.form_flags & FF_REG_SECOND) ? 1 : 0;
  if (r < f.operand_count && (f.operand_modes[r] == MODE_R || f.operand_modes[r] == MODE_RP))
    out[n - 1] = static_cast<uint8_t>(out[n - 1] | register_field(f, instr_reg(c.ins, r)));
  return n;
}

void emit_opcodes(encode_call& c) {
  uint8_t op[kMaxOpcodes];
  const int n = opcode_bytes(c, op);
  for (int i = 0; i < n; ++i) emit_byte(c.sink, op[i]);
}

// The operand that carries a value (an immediate, address, offset or target).
int value_operand(const encode_call& c) {
  for (int i = 0; i < form_of(c).operand_count; ++i)
    if (instr_value(c.ins, i) != nullptr) return i;
  return 0;
}

// The operand whose form mode is a bit operand.
int bit_operand_index(const instr_form& f) {
  for (int i = 0; i < f.operand_count; ++i) {
    const uint16_t m = f.operand_modes[i];
    if ((m & kModeBit) || m == MODE_HL_BIT_FORM || m == MODE_BIT_SYMBOL) return i;
  }
  return 0;
}

bool is_sfr_mode(uint16_t form_mode) { return (form_mode & kModeSfr) != 0; }
bool is_word(const instr_form& f) { return (f.form_flags & FF_WORD) != 0; }

// The displacement of a branching bit form (BT, BF, BTCLR): its second operand is the target.
void emit_bit_branch(encode_call& c, int bit_index) {
  const int other = 1 - bit_index;
  if (other < form_of(c).operand_count && form_of(c).operand_modes[other] == MODE_ADDR)
    emit_displacement(c, instr_value(c.ins, other), other);
}

// Opcodes with the bit number in byte `bit_at`; the others as they are.
void emit_opcodes_with_bit(encode_call& c, int bit_at, const expr_rec* bit, int operand) {
  uint8_t op[kMaxOpcodes];
  const int n = opcode_bytes(c, op);
  for (int i = 0; i < n; ++i) {
    if (i == bit_at)
      emit_bit_opcode(c, bit, operand, op[i]);
    else
      emit_byte(c.sink, op[i]);
  }
}

int opcode_count(const instr_form& f) { return 1 + (f.opcode2 != kNoByte) + (f.opcode3 != kNoByte); }

void callf(encode_call& c) {
  const expr_rec* x = instr_value(c.ins, 0);
  const uint8_t op = static_cast<uint8_t>(form_of(c).opcode1);
  const field_value v = field_of(c, x, 0);
  if (!v.known) {
    linker_field(c)
        .operand(x)
        .check(0x800, 0xFFF, text_number_out_of_range())
        .constant(4)
        .op(OP_SHR)
        .constant(0x70)
        .op(OP_BINAND)
        .constant(op)
        .op(OP_BINOR)
        .emit(1);
    linker_field(c).operand(x).constant(0xFF).op(OP_BINAND).emit(1);
    return;
  }
  if (v.value < 0x800 || v.value > 0xFFF) report_range_warning(c, 0);
  emit_byte(c.sink, static_cast<uint8_t>(op | ((static_cast<uint32_t>(v.value) >> 4) & 0x70)));
  emit_byte(c.sink, static_cast<uint8_t>(v.value));
}

void callt(encode_call& c) {
  const expr_rec* x = instr_value(c.ins, 0);
  const uint8_t op = static_cast<uint8_t>(form_of(c).opcode1);
  const field_value v = field_of(c, x, 0);
  if (!v.known) {
    linker_field(c)
        .operand(x)
        .even(x)
        .check(0x40, 0x7F, text_number_out_of_range())
        .constant(0x3E)
        .op(OP_BINAND)
        .constant(op)
        .op(OP_BINOR)
        .emit(1);
    return;
  }
  if (v.value < 0x40 || v.value > 0x7F) report_range_warning(c, 0);
  if (v.value & 1) report_error(c, tgt_err::odd_address, 0);
  emit_byte(c.sink, static_cast<uint8_t>(op | (v.value & 0x3E)));
}

}  // namespace

bool rp(encode_call& c) {
  emit_opcodes(c);
  return !c.failed;
}

bool r1imm(encode_call& c) {
  emit_opcodes(c);
  const int i = value_operand(c);
  emit_imm8(c, instr_value(c.ins, i), i);
  return !c.failed;
}

bool rpimm16_m(encode_call& c) {
  emit_opcodes(c);
  const int i = value_operand(c);
  emit_imm16(c, instr_value(c.ins, i), i);
  return !c.failed;
}

bool addr16(encode_call& c) {
  emit_opcodes(c);
  const int i = value_operand(c);
  emit_address16(c, instr_value(c.ins, i), i, is_word(form_of(c)));
  return !c.failed;
}

bool dump_saddr(encode_call& c) {
  emit_opcodes(c);
  const int i = value_operand(c);
  emit_area_byte(c, instr_value(c.ins, i), i, is_sfr_mode(form_of(c).operand_modes[i]), is_word(form_of(c)));
  return !c.failed;
}

bool sfrimm(encode_call& c) {
  emit_opcodes(c);
  emit_area_byte(c, instr_value(c.ins, 0), 0, is_sfr_mode(form_of(c).operand_modes[0]), false);
  emit_imm8(c, instr_value(c.ins, 1), 1);
  return !c.failed;
}

bool sfrpimm16(encode_call& c) {
  emit_opcodes(c);
  emit_area_byte(c, instr_value(c.ins, 0), 0, is_sfr_mode(form_of(c).operand_modes[0]), true);
  emit_imm16(c, instr_value(c.ins, 1), 1);
  return !c.failed;
}

bool generate_branch_offset(encode_call& c) {
  emit_opcodes(c);
  const int i = form_of(c).operand_count - 1;
  emit_displacement(c, instr_value(c.ins, i), i);
  return !c.failed;
}

bool saddr_branch(encode_call& c) {
  emit_opcodes(c);
  emit_area_byte(c, instr_value(c.ins, 0), 0, false, false);
  emit_displacement(c, instr_value(c.ins, 1), 1);
  return !c.failed;
}

bool bit_operand(encode_call& c) {
  const instr_form& f = form_of(c);
  const int b = bit_operand_index(f);
  emit_opcodes_with_bit(c, opcode_count(f) - 1, instr_bit(c.ins, b), b);
  const uint16_t m = f.operand_modes[b];
  if (m == MODE_SADDR_BIT || m == MODE_SFR_BIT) emit_area_byte(c, instr_value(c.ins, b), b, m == MODE_SFR_BIT, false);
  emit_bit_branch(c, b);
  return !c.failed;
}

bool psw_bit(encode_call& c) {
  const instr_form& f = form_of(c);
  const int b = bit_operand_index(f);
  emit_opcodes_with_bit(c, opcode_count(f) - 2, instr_bit(c.ins, b), b);
  emit_bit_branch(c, b);
  return !c.failed;
}

bool dump_bit_78K4(encode_call& c) {
  const instr_form& f = form_of(c);
  const int b = bit_operand_index(f);
  const expr_rec* x = instr_value(c.ins, b);
  uint8_t op[kMaxOpcodes];
  const int n = opcode_bytes(c, op);
  for (int i = 0; i < n - 1; ++i) emit_byte(c.sink, op[i]);
  const field_value v = field_of(c, x, b);
  if (v.known && x->state != EXPR_ABSOLUTE) {  // undefined: reported
    emit_byte(c.sink, op[n - 1]);
    emit_byte(c.sink, 0);
  } else if (!is_bit_symbol(x)) {
    report_error(c, tgt_err::no_relocatable_bit, b);
    emit_byte(c.sink, op[n - 1]);
    emit_byte(c.sink, 0);
  } else if (v.known) {
    const uint32_t symbol = static_cast<uint32_t>(v.value);
    const int32_t address = static_cast<int32_t>((symbol >> 3) + kSaddrFirst);
    if (address < kSaddrFirst || address > kSaddrLast) report_range_warning(c, b);
    emit_byte(c.sink, static_cast<uint8_t>(op[n - 1] | ((symbol & 7) << 4)));
    emit_byte(c.sink, static_cast<uint8_t>(address));
  } else {
    linker_field(c).operand(x).constant(7).op(OP_BINAND).constant(4).op(OP_SHL).constant(op[n - 1]).op(OP_BINOR).emit(1);
    linker_field(c)
        .operand(x)
        .constant(3)
        .op(OP_SHR)
        .constant(kSaddrFirst)
        .op(OP_PLUS)
        .check(kSaddrFirst, kSaddrLast, text_number_out_of_range())
        .constant(0xFF)
        .op(OP_BINAND)
        .emit(1);
  }
  emit_bit_branch(c, b);
  return !c.failed;
}

bool addr11(encode_call& c) {
  if (form_of(c).operand_modes[0] == MODE_CALLT)
    callt(c);
  else
    callf(c);
  return !c.failed;
}

bool rol(encode_call& c) {
  const uint8_t op = static_cast<uint8_t>(form_of(c).opcode1);
  const expr_rec* count = instr_value(c.ins, 1);
  const field_value v = field_of(c, count, 1);
  if (!v.known) {
    // The count is not emitted: the check rides on the opcode byte.
    linker_field(c)
        .operand(count)
        .check(1, 1, text_expression_out_of_range())
        .constant(0)
        .op(OP_MUL)
        .constant(op)
        .op(OP_PLUS)
        .emit(1);
    return !c.failed;
  }
  if (v.value != 1) report_error(c, tgt_err::expression_out_of_range, 1);
  emit_byte(c.sink, op);
  return !c.failed;
}

bool sel(encode_call& c) {
  const instr_form& f = form_of(c);
  const field_value v = field_of(c, instr_value(c.ins, 0), 0);
  const int32_t n = v.value;
  emit_byte(c.sink, static_cast<uint8_t>(f.opcode1));
  emit_byte(c.sink, static_cast<uint8_t>(f.opcode2 | ((((n & 2) * 2) | (n & 1)) * 8)));
  return !c.failed;
}

bool gen_instruction(asm_context& cx, statement_rec* record, code_sink& sink) {
  recycle_linker_fields(cx);
  const instr_rec* ins = record->instr;
  if (ins == nullptr || is_erroneous(record)) return false;  // pass 1 reported why
  const instr_form* form = ins->form;
  if (form->operand_count > 0 && form->operand_modes == nullptr) {
    internal_error(cx, "gen_instruction_B02", "Empty p_ea", form->opcode1, 0);
    return false;
  }
  const uint32_t start = sink.size();
  encode_call call{cx, record, *ins, sink};
  form->encoder(call);
  const uint32_t emitted = sink.size() - start;
  if (!call.failed && emitted != form->length) {
    char text[400];
    const char* source = record->line != nullptr ? record->line->text : "";
    std::snprintf(text, sizeof text, "Wrong bytecount. Expected:%d Actual:%d\nSource:%.300s", form->length,
                  static_cast<int>(emitted), source);
    internal_error(cx, "gen_instruction_B02", text, form->length, static_cast<long>(emitted));
    return false;
  }
  if (call.failed) mark_erroneous(record);
  return !call.failed;
}
