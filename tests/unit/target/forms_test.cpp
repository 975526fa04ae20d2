// forms_test.cpp — the form tables of both cores as data (B01): what the
// rows must agree on among themselves.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "target/instr_form.h"

namespace {

struct core_table {
  const char* core;
  const mnemonic_row* rows;
  std::size_t count;
};
const core_table kCores[] = {
    {"78K0", kMnemonics78k0, kMnemonics78k0Count},
    {"78K0S", kMnemonics78k0s, kMnemonics78k0sCount},
};

int opcode_count(const instr_form& f) { return 1 + (f.opcode2 != kNoByte) + (f.opcode3 != kNoByte); }

// The register field's flag names the operand that is a register or pair,
// and only such forms forbid A; operand lists are there when operands are.
TEST(FormTables, RowsAgreeWithThemselves) {
  for (const core_table& t : kCores)
    for (std::size_t m = 0; m < t.count; ++m)
      for (std::size_t i = 0; i < t.rows[m].form_count; ++i) {
        const instr_form& f = t.rows[m].forms[i];
        const std::string where = std::string(t.core) + " " + t.rows[m].name + " form " + std::to_string(i);
        ASSERT_EQ(f.operand_count == 0, f.operand_modes == nullptr) << where;
        ASSERT_NE(f.sfr_access, nullptr) << where;
        int reg = -1;
        for (int o = 0; o < f.operand_count; ++o)
          if (f.operand_modes[o] == MODE_R || f.operand_modes[o] == MODE_RP) reg = o;
        if (reg >= 0) {
          EXPECT_EQ((f.form_flags & FF_REG_SECOND) != 0, reg == 1) << where;
        }
        if (f.form_flags & FF_NOT_A) {
          EXPECT_GE(reg, 0) << where;
        }
        EXPECT_EQ((f.form_flags & FF_REG_78K0S) != 0, reg >= 0 && t.rows == kMnemonics78k0s) << where;
        EXPECT_GE(f.length, opcode_count(f)) << where;
        EXPECT_LE(f.length, 4) << where;
        if (f.form_flags & FF_SHORT_NEXT) {
          EXPECT_LT(i + 1, t.rows[m].form_count) << where;
        }
      }
}

// Every first byte a 78K0S form can start with, with its register fields.
std::set<int> first_bytes_78k0s(const char* except) {
  std::set<int> out;
  for (std::size_t m = 0; m < kMnemonics78k0sCount; ++m) {
    if (std::string(kMnemonics78k0s[m].name) == except) continue;
    for (std::size_t i = 0; i < kMnemonics78k0s[m].form_count; ++i) {
      const instr_form& f = kMnemonics78k0s[m].forms[i];
      const bool reg_in_first = opcode_count(f) == 1 && f.operand_count > 0 &&
                                (f.operand_modes[(f.form_flags & FF_REG_SECOND) ? 1 : 0] == MODE_RP);
      for (int r = 0; r < (reg_in_first ? 4 : 1); ++r) out.insert(f.opcode1 + 4 * r);
    }
  }
  return out;
}

// A CALLT code is the whole instruction: it must start no other form.
TEST(FormTables, CalltCodesOf78k0sStartNoOtherForm) {
  const std::set<int> others = first_bytes_78k0s("CALLT");
  for (int a = 0x40; a <= 0x7E; a += 2) EXPECT_EQ(others.count(0x40 + (a & 0x3E)), 0u) << "CALLT [" << a << "]";
  EXPECT_EQ(others.count(0x22), 1u);  // the check sees first bytes (CALL)
}

}  // namespace
