// instr_form.h — instruction forms, mnemonic rows and the instruction record
// (B01). A form is one row of a core's table: opcode bytes, flags, operand
// modes, encoder, length and the SFR access each operand needs. Pass 1 picks
// a form per line and keeps it with the operands in the statement's
// instr_rec; pass 2 runs that form's encoder only.
#pragma once

#include <cstddef>
#include <cstdint>

#include "target/operand_modes.h"

struct asm_context;
struct code_sink;
struct expr_rec;
struct statement_rec;

// An opcode slot that holds no byte.
constexpr uint16_t kNoByte = 0x05FF;

// Bits of instr_form::form_flags.
enum form_flag : uint16_t {
  FF_BYTE = 0x01,         // byte-sized access (SFR size check)
  FF_WORD = 0x02,         // word-sized access: SFR size check, address operands must be even
  FF_REG_78K0S = 0x04,    // register field: register number * 2, register pair * 4
  FF_REG_SECOND = 0x08,   // the variable register is the second operand (else the first)
  FF_SHORT_NEXT = 0x10,   // the next form is a shorter branch to the same target
  FF_NOT_A = 0x20,        // the variable register may not be A (or AX)
  FF_LAST = 0x40,         // last form of its mnemonic
};

// SFR access an operand needs (the bits of the SFR's label flags).
constexpr uint32_t kAccessBit = 0x0400;
constexpr uint32_t kAccessRead = 0x0800;
constexpr uint32_t kAccessWrite = 0x1000;

struct encode_call;
// Emits one instruction of its form into the call's sink; false after it
// reported an error (the bytes are emitted all the same).
using form_encoder = bool (*)(encode_call& call);

struct instr_form {
  uint16_t opcode1;
  uint16_t opcode2;              // kNoByte: none
  uint16_t opcode3;              // kNoByte: none
  uint16_t form_flags;           // form_flag bits
  uint16_t operand_count;        // 0, 1 or 2
  const uint16_t* operand_modes; // one operand_mode per operand
  form_encoder encoder;
  uint16_t length;               // bytes, 1 to 4
  const uint32_t* sfr_access;    // per operand: kAccess* bits an SFR operand must allow
};

// Which processor options (-v0, -v1, -v2) register a mnemonic: bit n for -vn.
enum variant_mask : uint8_t {
  V_78K0_BASIC = 0x1,
  V_78K0 = 0x2,
  V_78K0S = 0x4,
  V_K0 = V_78K0_BASIC | V_78K0,
};

// One mnemonic of a core: its index (the same in both cores), its forms in
// matching order, the options that know it.
struct mnemonic_row {
  const char* name;
  int index;
  const instr_form* forms;
  std::size_t form_count;
  uint8_t variants;
};

template <std::size_t N>
constexpr mnemonic_row mnemonic(const char* name, int index, const instr_form (&forms)[N], uint8_t variants) {
  return {name, index, forms, N, variants};
}

// True when each mnemonic's forms carry FF_LAST on their last row and only there.
constexpr bool end_flags_ok(const mnemonic_row* rows, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) {
    const mnemonic_row& m = rows[i];
    if (m.form_count == 0) return false;
    for (std::size_t f = 0; f < m.form_count; ++f)
      if (((m.forms[f].form_flags & FF_LAST) != 0) != (f + 1 == m.form_count)) return false;
  }
  return true;
}

// The mnemonics of each core, and their number.
extern const mnemonic_row kMnemonics78k0[];
extern const std::size_t kMnemonics78k0Count;
extern const mnemonic_row kMnemonics78k0s[];
extern const std::size_t kMnemonics78k0sCount;

// What a statement keeps from pass 1 for pass 2: the form, and after it, in
// the same arena block, the operands' slots in operand order. What an operand
// keeps follows from its mode in the form (slot_use_of), so that a line costs
// only what its operands need.
struct instr_rec {
  const instr_form* form;
};

union instr_slot {
  expr_rec* expr;  // a value or a bit number
  uintptr_t reg;   // a register number (register_number)
};

// Slots of an operand by its mode in the form: a register (r, rp), a value
// (address, immediate, offset, displacement, bit symbol, bank), a value and a
// bit (saddr.bit, sfr.bit), a bit alone (A.bit, PSW.bit, [HL].bit), or none
// (a fixed register, CY, [HL], [DE], [HL+B], [HL+C]).
enum slot_use : uint8_t { SLOT_NONE, SLOT_REG, SLOT_VALUE, SLOT_BIT, SLOT_VALUE_BIT };

constexpr slot_use slot_use_of(uint16_t form_mode) {
  switch (form_mode) {
    case MODE_R:
    case MODE_RP: return SLOT_REG;
    case MODE_SADDR_BIT:
    case MODE_SFR_BIT: return SLOT_VALUE_BIT;
    case MODE_A_BIT:
    case MODE_PSW_BIT:
    case MODE_HL_BIT_FORM: return SLOT_BIT;
    case MODE_IMM:
    case MODE_ADDR:
    case MODE_SADDR:
    case MODE_SFR:
    case MODE_HL_BYTE:
    case MODE_CALLT:
    case MODE_RBANK:
    case MODE_BIT_SYMBOL: return SLOT_VALUE;
    default: return SLOT_NONE;
  }
}

constexpr int slot_count(slot_use use) { return use == SLOT_NONE ? 0 : use == SLOT_VALUE_BIT ? 2 : 1; }

// The slots of all operands of a form.
inline int instr_slots(const instr_form* form) {
  int n = 0;
  for (int i = 0; i < form->operand_count; ++i) n += slot_count(slot_use_of(form->operand_modes[i]));
  return n;
}

inline const instr_slot* slots_of(const instr_rec& rec) { return reinterpret_cast<const instr_slot*>(&rec + 1); }
inline instr_slot* slots_of(instr_rec& rec) { return reinterpret_cast<instr_slot*>(&rec + 1); }

// The first slot of operand `i`.
inline int first_slot(const instr_form* form, int i) {
  int n = 0;
  for (int o = 0; o < i; ++o) n += slot_count(slot_use_of(form->operand_modes[o]));
  return n;
}

// An operand's value expression, bit expression or register number; null (0)
// when its mode keeps none.
inline expr_rec* instr_value(const instr_rec& rec, int i) {
  const slot_use use = slot_use_of(rec.form->operand_modes[i]);
  return use == SLOT_VALUE || use == SLOT_VALUE_BIT ? slots_of(rec)[first_slot(rec.form, i)].expr : nullptr;
}
inline expr_rec* instr_bit(const instr_rec& rec, int i) {
  const slot_use use = slot_use_of(rec.form->operand_modes[i]);
  const int at = first_slot(rec.form, i) + (use == SLOT_VALUE_BIT ? 1 : 0);
  return use == SLOT_BIT || use == SLOT_VALUE_BIT ? slots_of(rec)[at].expr : nullptr;
}
inline uint8_t instr_reg(const instr_rec& rec, int i) {
  return slot_use_of(rec.form->operand_modes[i]) == SLOT_REG
             ? static_cast<uint8_t>(slots_of(rec)[first_slot(rec.form, i)].reg)
             : 0;
}

// The mode of operand `i` as its form names it.
inline uint16_t form_mode(const instr_form* form, int i) { return form->operand_modes[i]; }
