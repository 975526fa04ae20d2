// sfr_test.cpp — SFR declarations and their access check (B00), EQU with bit
// equates.
#include <cstring>

#include "target/assembly_fixture.h"
#include "target/instr_form.h"
#include "target/instruction.h"

namespace {

struct sfr_diag_case {
  const char* name;
  const char* source;
  shown_diag want;
};

class SfrDiagnostics : public AssemblyTest, public ::testing::WithParamInterface<sfr_diag_case> {};

TEST_P(SfrDiagnostics, NumberTextAndPlace) { expect_only_diagnostic(GetParam().source, 0, GetParam().want); }

// clang-format off
INSTANTIATE_TEST_SUITE_P(Cases, SfrDiagnostics, ::testing::Values(
    sfr_diag_case{"E41_name_is_a_number", "        sfr     5 = 0FF00H\n", {1, 17, "Error", 41, "Bad label"}},
    sfr_diag_case{"E65_no_equals", "        sfr     P0 0FF00H\n", {1, 20, "Error", 65, "'=' expected"}},
    sfr_diag_case{"E0_sfrtype_no_equals", "        SFRTYPE P0 READ 0FF00H\n", {1, 25, "Error", 0, "Invalid syntax"}},
    sfr_diag_case{"E83_unknown_attribute", "        SFRTYPE P0 FAST = 0FF00H\n", {1, 20, "Error", 83, "Error in SFR attribute definition"}},
    sfr_diag_case{"E70_below_the_area", "        sfr     P0 = 0FEFFH\n", {1, 22, "Error", 70, "Limit exceeded: 'Special Function Register (SFR) address is out of range', value is: 65279 (decimal)"}},
    sfr_diag_case{"W13_declared_twice", "        sfr     P0 = 0FF00H\n        sfr     P0 = 0FF00H\n", {2, 17, "Warning", 13, "Redefinition of Special Function Register"}},
    sfr_diag_case{"W401_neither_read_nor_write", "        SFRTYPE P0 BYTE = 0FF00H\n", {1, 17, "Warning", 401, "SFR neither defined as READ nor WRITE, using default (READ and WRITE)"}},
    sfr_diag_case{"W16_sfr_in_an_expression", "        sfr     P0 = 0FF00H\n        MOV     A,P0+1\n", {2, 23, "Warning", 16, "Suspicious sfr expression"}},
    sfr_diag_case{"E42_label_after_sfr", "        sfr     P0 = 0FF00H\nP0:     NOP\n", {2, 1, "Error", 42, "Duplicate label:'P0'"}},
    sfr_diag_case{"E42_sfr_after_label", "L1:     NOP\n        sfr     L1 = 0FF01H\n", {2, 17, "Error", 42, "Duplicate label:'L1'"}},
    sfr_diag_case{"E41_equ_without_label", "        EQU     5\n", {1, 9, "Error", 41, "Bad label"}},
    sfr_diag_case{"E41_equ_on_a_register", "A       EQU     5\n", {1, 1, "Error", 41, "Bad label"}},
    sfr_diag_case{"E42_equ_twice", "XV      EQU     5\nXV      =       6\n", {2, 1, "Error", 42, "Duplicate label:'XV'"}}),
    [](const ::testing::TestParamInfo<sfr_diag_case>& info) { return std::string(info.param.name); });
// clang-format on

// The check of one SFR operand: attributes of the SFR against what the form
// does (read, write, bit access) and its size.
struct access_case {
  uint32_t attributes;  // the SFR's label flags besides LBL_SFR
  uint32_t requirement;
  uint16_t form_size;   // FF_BYTE, FF_WORD or both
  int want;             // 0 accepted, else the error number
};

constexpr uint32_t R = LBL_SFR_READ, W = LBL_SFR_WRITE, NB = LBL_SFR_NO_BIT, BY = LBL_SFR_BYTE, WO = LBL_SFR_WORD;
constexpr uint32_t rd = kAccessRead, wr = kAccessWrite, bit = kAccessBit;

// clang-format off
// Read-only, write-only and no-bit SFRs and the size check are run from source
// by the sfr golden cases; these rows add what no declaration makes (no access
// bits, no size) and forms that take either size.
const access_case kAccessCases[] = {
    // attributes         requirement      size              want
    {R | W | BY,          bit | rd | wr,   FF_BYTE,          0},
    {BY,                  rd,              FF_BYTE,          425},
    {BY,                  0,               FF_BYTE,          0},
    {R | W | NB | BY,     rd | wr,         FF_BYTE,          0},
    {R | W | NB | BY,     bit | wr,        FF_BYTE,          425},
    {R | W | BY,          rd,              FF_BYTE | FF_WORD, 0},
    {R | W | WO,          rd,              FF_BYTE | FF_WORD, 0},
    {R | WO,              wr,              FF_WORD,          425},   // access before size
    {R | W,               rd,              FF_BYTE,          426},   // no size at all
};
// clang-format on

TEST_F(AssemblyTest, AccessOfEveryAttributeCombination) {
  init_symbol_table(cx);
  ident_node* node = check_ident(cx, "P0", 2);
  label_rec* rec = get_label_rec(cx, node);
  for (const access_case& c : kAccessCases) {
    cap.console.clear();
    cx.diag.last_shown[0].valid = cx.diag.last_shown[1].valid = false;  // every report shows its column
    rec->flags = LBL_SFR | c.attributes;
    const operand_desc op{MODE_SFR, 0, nullptr, nullptr, 0, node};
    const instr_form form{0x00, kNoByte, kNoByte, c.form_size, 1, nullptr, nullptr, 1, nullptr};
    const bool ok = check_sfr_in_expression(cx, op, &form, c.requirement, 5);
    EXPECT_EQ(ok, c.want == 0) << std::hex << c.attributes << " " << c.requirement << " " << c.form_size;
    if (c.want != 0) {
      ASSERT_EQ(diagnostics().size(), 1u);
      EXPECT_EQ(diagnostics()[0].number, c.want) << std::hex << c.attributes << " " << c.requirement;
      EXPECT_EQ(diagnostics()[0].column, 5);
    }
  }
  // An address in the SFR area without an SFR symbol is not checked.
  const operand_desc plain{MODE_SFR, 0, nullptr, nullptr, 0, nullptr};
  const instr_form form{0x00, kNoByte, kNoByte, FF_WORD, 1, nullptr, nullptr, 1, nullptr};
  EXPECT_TRUE(check_sfr_in_expression(cx, plain, &form, rd | wr | bit, 1));
}

// SFRTYPE sets exactly the attributes named; a second declaration replaces them.
TEST_F(AssemblyTest, DeclaredAttributes) {
  assemble(
      "        SFRTYPE T0 WRITE, WORD = 0FF24H\n"
      "        const   sfr RD = 0FF26H\n"
      "        sfr     RD = 0FF27H\n"
      "        END\n");
  const uint32_t mask = LBL_SFR | LBL_SFR_READ | LBL_SFR_WRITE | LBL_SFR_BYTE | LBL_SFR_WORD | LBL_SFR_NO_BIT;
  const label_rec* t0 = check_ident(cx, "T0", 2, false)->label;
  const label_rec* rd = check_ident(cx, "RD", 2, false)->label;
  EXPECT_EQ(t0->flags & mask, LBL_SFR | W | WO);
  EXPECT_EQ(rd->flags & mask, LBL_SFR | R | W | BY);
  EXPECT_EQ(rd->value->value, 0xFF27);
}

// A bit equate makes a bit symbol; a PUBLIC label cannot be one (error 432).
TEST_F(AssemblyTest, BitEquates) {
  before_pass1 = [this] { get_label_rec(cx, check_ident(cx, "SHOWN", 5))->flags |= LBL_PUBLIC; };
  assemble(
      "FLAG    EQU     0FE20H.5\n"
      "SHOWN   EQU     0FE20H.6\n"
      "PLAIN   EQU     0FE20H\n"
      "        END\n");
  const label_rec* flag = check_ident(cx, "FLAG", 4, false)->label;
  EXPECT_TRUE(flag->flags & LBL_BIT_EQUATE);
  EXPECT_EQ(flag->value->value, 5);
  EXPECT_FALSE(check_ident(cx, "PLAIN", 5, false)->label->flags & LBL_BIT_EQUATE);
  ASSERT_EQ(diagnostics().size(), 1u) << cap.console;
  EXPECT_EQ(diagnostics()[0].number, 432);
  EXPECT_EQ(diagnostics()[0].line, 2);
}

}  // namespace
