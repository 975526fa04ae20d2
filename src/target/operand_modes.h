// operand_modes.h — operand mode codes and register numbers of the 78K0 (B03):
// what the operand grammar produces and the instruction forms match.
#pragma once

#include <cstdint>

struct expr_rec;
struct ident_node;

// Mode codes. Bit 0200H marks a bit operand, 0400H indirection through a
// register, 1000H a special function register, 2000H a short direct address.
enum operand_mode : uint16_t {
  MODE_NONE = 0x0000,
  MODE_SP = 0x0001,
  MODE_IMM = 0x0005,          // #expression
  MODE_RBANK = 0x0008,        // RBn, n in the expression
  MODE_D = 0x000A,
  MODE_E = 0x000B,
  MODE_L = 0x000C,
  MODE_H = 0x000D,
  MODE_ADDR = 0x0010,         // expression used as an address or branch target
  MODE_A = 0x0012,
  MODE_X = 0x0013,
  MODE_B = 0x0014,
  MODE_C = 0x0015,
  MODE_AX = 0x0016,
  MODE_BC = 0x0017,
  MODE_DE = 0x0018,
  MODE_HL = 0x0019,
  MODE_HL_BYTE = 0x001B,      // [HL+byte]
  MODE_HL_B = 0x0020,         // [HL+B]
  MODE_HL_C = 0x0021,         // [HL+C]
  MODE_PSW = 0x0022,
  MODE_CY = 0x0023,
  MODE_RP = 0x0024,           // form tables only: AX, BC, DE, HL
  MODE_R = 0x0025,            // form tables only: A, X, B, C, D, E, H, L
  MODE_HL_IND_FORM = 0x0026,  // form tables: [HL]
  MODE_DE_IND_FORM = 0x0027,  // form tables: [DE]
  MODE_HL_BIT_FORM = 0x0028,  // form tables: [HL].bit
  MODE_A_BIT = 0x0212,
  MODE_PSW_BIT = 0x0222,
  MODE_CALLT = 0x0410,        // [expression], a CALLT table entry
  MODE_DE_IND = 0x0418,       // [DE]
  MODE_HL_IND = 0x0419,       // [HL]
  MODE_HL_IND_BIT = 0x0619,   // [HL].bit
  MODE_SFR = 0x1000,
  MODE_SFR_BIT = 0x1200,
  MODE_SADDR = 0x2000,
  MODE_BIT_SYMBOL = 0x2010,   // form tables: accepts 0010H and 2000H
  MODE_SADDR_BIT = 0x2200,
};

constexpr uint16_t kModeBit = 0x0200;
constexpr uint16_t kModeIndirect = 0x0400;
constexpr uint16_t kModeSfr = 0x1000;
constexpr uint16_t kModeSaddr = 0x2000;

// Register numbers as registered; pairs encode as number - 32.
enum register_number : uint16_t {
  REG_X = 0, REG_A = 1, REG_C = 2, REG_B = 3, REG_E = 4, REG_D = 5, REG_L = 6, REG_H = 7,
  REG_AX = 32, REG_BC = 33, REG_DE = 34, REG_HL = 35,
  REG_PSW = 118,
  REG_SP = 128,
};

struct register_mode_row {
  uint16_t reg;
  uint16_t mode;
};

// reg      mode
constexpr register_mode_row kRegisterModes[] = {
    {REG_X,   MODE_X},
    {REG_A,   MODE_A},
    {REG_C,   MODE_C},
    {REG_B,   MODE_B},
    {REG_E,   MODE_E},
    {REG_D,   MODE_D},
    {REG_L,   MODE_L},
    {REG_H,   MODE_H},
    {REG_AX,  MODE_AX},
    {REG_BC,  MODE_BC},
    {REG_DE,  MODE_DE},
    {REG_HL,  MODE_HL},
    {REG_PSW, MODE_PSW},
    {REG_SP,  MODE_SP},
};

// The mode of a register operand, or MODE_NONE for a number no register has.
constexpr uint16_t register_mode(uint16_t reg) {
  for (const register_mode_row& r : kRegisterModes)
    if (r.reg == reg) return r.mode;
  return MODE_NONE;
}

// Address areas.
constexpr int32_t kSaddrFirst = 0xFE20;
constexpr int32_t kSaddrLast = 0xFF1F;
constexpr int32_t kSfrFirst = 0xFF00;
constexpr int32_t kSfrLast = 0xFFFF;
constexpr int32_t kBitSymbolBase = kSaddrFirst * 8;  // 7F100H

// Prefix values ("S:" and "N:").
constexpr uint16_t kPrefixSaddr = 1;
constexpr uint16_t kPrefixAbsolute = 4;

// The access modifiers carried in bits 16..18 of an SFR address (the SFR's
// attribute bits are label flags, source/symbols.h).
constexpr int32_t kSfrModifierBits = 0x70000;

// One parsed operand.
struct operand_desc {
  uint16_t mode;        // operand_mode
  uint16_t reg;         // register_number, when the operand names one
  expr_rec* expr;       // value, address or displacement
  expr_rec* bit_expr;   // the part after "." of a bit operand
  uint16_t prefix;      // prefix mask: kPrefixSaddr, kPrefixAbsolute, 0 normal
  ident_node* sfr;      // the SFR symbol the expression refers to, if any
};
