// operand_mode_test.cpp — operand fields through the grammar: the mode code
// and register of every operand shape, prefixes, suffix, bit symbols, SFRs,
// syntax errors and their recovery, and bad input (B03).
#include "target/operand_fixture.h"

namespace {

const auto by_field = [](const auto& info) { return spelled_name(info.param.field); };

struct mode_case {
  const char* field;  // the operand field, after the mnemonic
  int count;
  uint16_t mode1, reg1;
  uint16_t mode2, reg2;
};

class Modes : public OperandTest, public ::testing::WithParamInterface<mode_case> {};

TEST_P(Modes, Classifies) {
  const mode_case& c = GetParam();
  ASSERT_EQ(parse_operands(c.field), PARSE_OK) << c.field << cap.console;
  EXPECT_EQ(target_of(cx).parse.count, c.count) << c.field;
  EXPECT_EQ(ops[0].mode, c.mode1) << c.field;
  EXPECT_EQ(ops[0].reg, c.reg1) << c.field;
  EXPECT_EQ(ops[1].mode, c.mode2) << c.field;
  EXPECT_EQ(ops[1].reg, c.reg2) << c.field;
  EXPECT_TRUE(diags().empty()) << c.field << cap.console;
  expect_field_end();
}

const mode_case kModes[] = {
    // Registers under their names and their numeric names, in any case.
    {" R0,R1", 2, MODE_X, REG_X, MODE_A, REG_A},
    {" r7,r6", 2, MODE_H, REG_H, MODE_L, REG_L},
    {" RP0,RP3", 2, MODE_AX, REG_AX, MODE_HL, REG_HL},
    {" psw,a", 2, MODE_PSW, REG_PSW, MODE_A, REG_A},
    // An indirect pair no form takes, bits of plain addresses, the saddr boundary, prefixes.
    {" A,[BC]", 2, MODE_A, REG_A, MODE_BC | kModeIndirect, REG_BC},
    {" PSW.7,CY", 2, MODE_PSW_BIT, REG_PSW, MODE_CY, 0},
    {" 1234H.1", 1, MODE_ADDR | kModeBit, 0, MODE_NONE, 0},
    {" A,0FE1FH", 2, MODE_A, REG_A, MODE_ADDR, 0},
    {" A,S:1234H", 2, MODE_A, REG_A, MODE_SADDR, 0},
    {" A,N:0FF10H", 2, MODE_A, REG_A, MODE_ADDR, 0},
    {" N:0FE20H.1", 1, MODE_ADDR | kModeBit, 0, MODE_NONE, 0},
    // Blanks: the first one once, the others only separate.
    {" A , B ; comment", 2, MODE_A, REG_A, MODE_B, REG_B},
    {"", 0, MODE_NONE, 0, MODE_NONE, 0},
    {" ; only a comment", 0, MODE_NONE, 0, MODE_NONE, 0},
};
INSTANTIATE_TEST_SUITE_P(OperandShapes, Modes, ::testing::ValuesIn(kModes), by_field);

TEST_F(OperandTest, PrefixMaskIsKeptOnTheOperand) {
  ASSERT_EQ(parse_operands(" #S:12,S:N:0FE30H"), PARSE_OK);
  EXPECT_EQ(ops[0].mode, MODE_IMM);
  EXPECT_EQ(ops[0].prefix, kPrefixSaddr);
  EXPECT_EQ(ops[1].prefix, kPrefixSaddr | kPrefixAbsolute);
  EXPECT_EQ(ops[1].mode, MODE_SADDR);
}

TEST_F(OperandTest, SaddrPrefixClearsTheAccessBits) {
  ASSERT_EQ(parse_operands(" S:1FE30H"), PARSE_OK);
  EXPECT_EQ(ops[0].mode, MODE_SADDR);
  EXPECT_EQ(ops[0].expr->value, 0xFE30);
}

TEST_F(OperandTest, SaddrSuffixMarksTheExpression) {
  define("VAR", 4, 2);
  start(" VAR SADDR,A\n A,VAR saddr\n");
  ASSERT_EQ(run_operands(), PARSE_OK) << cap.console;
  EXPECT_EQ(ops[0].mode, MODE_SADDR);
  EXPECT_TRUE(ops[0].expr->flags & kExprSaddr);
  EXPECT_EQ(ops[1].mode, MODE_A);
  expect_field_end();
  ASSERT_EQ(run_operands(), PARSE_OK) << cap.console;
  EXPECT_EQ(ops[1].mode, MODE_SADDR);
  expect_field_end();
  define("PLAIN", 4, 2);
  EXPECT_TRUE(diags().empty()) << cap.console;
}

TEST_F(OperandTest, RelocatableAddressStaysAddress) {
  define("VAR", 0xFE30, 2);
  ASSERT_EQ(parse_operands(" A,VAR"), PARSE_OK);
  EXPECT_EQ(ops[1].mode, MODE_ADDR);
}

// Errors the classification reports; the field is not encoded.
struct error_case {
  const char* field;
  const char* diag;
  const char* name;  // the register named by error 417
};
class OperandErrors : public OperandTest, public ::testing::WithParamInterface<error_case> {};

TEST_P(OperandErrors, ReportsAndEndsTheField) {
  const error_case& c = GetParam();
  EXPECT_EQ(parse_operands(c.field), PARSE_FAILED) << c.field;
  EXPECT_EQ(diags(), std::vector<std::string>{c.diag}) << c.field << cap.console;
  if (c.name != nullptr) {
    EXPECT_TRUE(said(std::string("'") + c.name + "'")) << cap.console;
  }
  expect_field_end();
}

const error_case kOperandErrors[] = {
    {" A,[de+C]", "E417", "de"},     // the name as written
    {" A,[HL+A]", "E417", "A"},
    {" AX.1", "E417", "AX"},
    {" X FOO", "E0", nullptr},        // two operands without separator
    {" A,,B", "E0", nullptr},
    {" [HL+C", "E0", nullptr},
    {" A,[HL+C]]", "E0", nullptr},
    {" A)", "E0", nullptr},
    {" A,+", "E0", nullptr},
    {" A,*B", "E0", nullptr},
    {" #", "E0", nullptr},
    {" A,#1.5", "E0", nullptr},
    {" [HL+C].1", "E0", nullptr},
    {" S:A", "E0", nullptr},
    {" CY.1", "E0", nullptr},
    {" RB1,", "E0", nullptr},
};
INSTANTIATE_TEST_SUITE_P(OperandBad, OperandErrors, ::testing::ValuesIn(kOperandErrors), by_field);

TEST_F(OperandTest, NextLineParsesAfterAnError) {
  start(" A,[DE+C]\n A,,B C\n A,[HL+C]\n");
  EXPECT_EQ(run_operands(), PARSE_FAILED);
  expect_field_end();
  EXPECT_EQ(run_operands(), PARSE_FAILED);
  expect_field_end();
  EXPECT_EQ(run_operands(), PARSE_OK);
  EXPECT_EQ(ops[1].mode, MODE_HL_C);
  expect_field_end();
  EXPECT_EQ(diags(), (std::vector<std::string>{"E417", "E0"}));
}

TEST_F(OperandTest, DeepNestingStopsAtTheStackLimitPrefixChainsDoNot) {
  std::string minus = " #", low = " #";
  for (int i = 0; i < 200; ++i) minus += "- ", low += "LOW ";
  const std::string deep = " A,#" + std::string(10000, '(') + "1" + std::string(10000, ')');
  const std::string within = " #" + std::string(150, '(') + "7" + std::string(150, ')');
  start(minus + "1\n" + low + "1\n" + deep + "\n" + within + "\n");
  for (int result : {PARSE_FAILED, PARSE_FAILED, PARSE_STACK_FULL, PARSE_OK}) {
    EXPECT_EQ(run_operands(), result);
    expect_field_end();
  }
  EXPECT_EQ(ops[0].expr->value, 7);
  EXPECT_EQ(diags(), (std::vector<std::string>{"E0", "E0", "E109"}));
}

TEST_F(OperandTest, LongOperandListReportsToomanyOnce) {
  EXPECT_EQ(parse_operands(" A,B", 1), PARSE_FAILED);
  EXPECT_EQ(diags(), std::vector<std::string>{"E416"});
  EXPECT_EQ(ops[0].mode, MODE_A);
}

TEST_F(OperandTest, StringPairAsOperandComparesBytes) {
  ASSERT_EQ(parse_operands(" \"a\",\"b\""), PARSE_OK);
  EXPECT_EQ(target_of(cx).parse.count, 1);
  EXPECT_EQ(ops[0].expr->value, -1);
}

}  // namespace
