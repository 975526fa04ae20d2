// operand_keywords.cpp — the register names the operand grammar knows, and
// their registration with the expression operators (B03).
#include "expr/expression.h"
#include "source/symbols.h"
#include "target/operand_grammar.h"

namespace {

struct register_row {
  const char* name;
  uint16_t number;
};

// Names are found in any case; R0..R7 and RP0..RP3 are the numeric names.
constexpr register_row kRegisters[] = {
    {"X",   REG_X},  {"A",   REG_A},  {"C",   REG_C},  {"B",   REG_B},
    {"E",   REG_E},  {"D",   REG_D},  {"L",   REG_L},  {"H",   REG_H},
    {"R0",  REG_X},  {"R1",  REG_A},  {"R2",  REG_C},  {"R3",  REG_B},
    {"R4",  REG_E},  {"R5",  REG_D},  {"R6",  REG_L},  {"R7",  REG_H},
    {"AX",  REG_AX}, {"BC",  REG_BC}, {"DE",  REG_DE}, {"HL",  REG_HL},
    {"RP0", REG_AX}, {"RP1", REG_BC}, {"RP2", REG_DE}, {"RP3", REG_HL},
    {"PSW", REG_PSW},
    {"SP",  REG_SP},
};

}  // namespace

void register_registers(asm_context& cx) {
  for (const register_row& r : kRegisters) init_register(cx, r.name, r.number);
}

void register_operand_keywords(asm_context& cx) {
  register_registers(cx);
  register_operators(cx);
}
