// encoders.h — the operand encoders of the form tables (B02). Each is named
// for the operand layout it writes after the opcode bytes and is shared by
// every mnemonic and both cores; the rows give the opcodes, the encoder
// takes the values from the statement's instr_rec.
#pragma once

#include "target/instr_form.h"

struct asm_context;
struct code_sink;
struct statement_rec;

// One encoding: the statement, its form and operands, where the bytes go.
struct encode_call {
  asm_context& cx;
  statement_rec* record;
  const instr_rec& ins;
  code_sink& sink;
  bool failed = false;  // an error was reported on the statement
};

// Opcode bytes only; a register operand's number goes into the last one.
bool rp(encode_call& call);
// Opcodes, then one byte: an immediate or the offset of [HL+byte].
bool r1imm(encode_call& call);
// Opcodes, then a 16-bit immediate (low byte first).
bool rpimm16_m(encode_call& call);
// MOVW SP,#word: the same layout as a register pair's immediate.
constexpr form_encoder SPimm16 = rpimm16_m;
// Opcodes, then a 16-bit address; even in word forms.
bool addr16(encode_call& call);
// Opcodes, then the low byte of a saddr or sfr address; even in word forms.
bool dump_saddr(encode_call& call);
// Opcodes, saddr or sfr byte, then a byte immediate.
bool sfrimm(encode_call& call);
// Opcodes, saddr or sfr byte (even), then a 16-bit immediate.
bool sfrpimm16(encode_call& call);
// Opcodes, then the 8-bit displacement to the target.
bool generate_branch_offset(encode_call& call);
// DBNZ saddr,$addr: opcode, saddr byte, displacement.
bool saddr_branch(encode_call& call);
// A.bit, [HL].bit, saddr.bit, sfr.bit: the bit number into the last opcode
// byte, the address byte of saddr.bit and sfr.bit, and the displacement when
// the form branches.
bool bit_operand(encode_call& call);
// PSW.bit: as bit_operand, but the bit goes into the byte before PSW's short address 1EH.
bool psw_bit(encode_call& call);
// A bit symbol (a bit equate): its bit into the last opcode byte, its byte address after.
bool dump_bit_78K4(encode_call& call);
// CALLF !addr11 and CALLT [addr5].
bool addr11(encode_call& call);
// ROL, ROLC, ROR, RORC A,1: the count must be 1 and is not emitted.
bool rol(encode_call& call);
// SEL RBn: the bank number in bits 3 and 5 of the second byte.
bool sel(encode_call& call);
