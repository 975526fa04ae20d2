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
    {" X,A", 2, MODE_X, REG_X, MODE_A, REG_A},
    {" C,B", 2, MODE_C, REG_C, MODE_B, REG_B},
    {" E,D", 2, MODE_E, REG_E, MODE_D, REG_D},
    {" L,H", 2, MODE_L, REG_L, MODE_H, REG_H},
    {" R0,R1", 2, MODE_X, REG_X, MODE_A, REG_A},
    {" r7,r6", 2, MODE_H, REG_H, MODE_L, REG_L},
    {" AX,BC", 2, MODE_AX, REG_AX, MODE_BC, REG_BC},
    {" DE,HL", 2, MODE_DE, REG_DE, MODE_HL, REG_HL},
    {" RP0,RP3", 2, MODE_AX, REG_AX, MODE_HL, REG_HL},
    {" psw,a", 2, MODE_PSW, REG_PSW, MODE_A, REG_A},
    {" SP,AX", 2, MODE_SP, REG_SP, MODE_AX, REG_AX},
    // Indirect and based forms.
    {" A,[HL+C]", 2, MODE_A, REG_A, MODE_HL_C, REG_HL},
    {" A,[HL+B]", 2, MODE_A, REG_A, MODE_HL_B, REG_HL},
    {" A,[HL+5]", 2, MODE_A, REG_A, MODE_HL_BYTE, REG_HL},
    {" [DE],A", 2, MODE_DE_IND, REG_DE, MODE_A, REG_A},
    {" [HL],A", 2, MODE_HL_IND, REG_HL, MODE_A, REG_A},
    {" A,[BC]", 2, MODE_A, REG_A, MODE_BC | kModeIndirect, REG_BC},
    {" CY,[HL].3", 2, MODE_CY, 0, MODE_HL_IND_BIT, REG_HL},
    {" [40H]", 1, MODE_CALLT, 0, MODE_NONE, 0},
    // Bit operands.
    {" CY,A.3", 2, MODE_CY, 0, MODE_A_BIT, REG_A},
    {" PSW.7,CY", 2, MODE_PSW_BIT, REG_PSW, MODE_CY, 0},
    {" 0FE20H.7", 1, MODE_SADDR_BIT, 0, MODE_NONE, 0},
    {" 0FF20H.1", 1, MODE_SFR_BIT, 0, MODE_NONE, 0},
    {" 1234H.1", 1, MODE_ADDR | kModeBit, 0, MODE_NONE, 0},
    // Addresses by value, and forced by prefix.
    {" A,0FE30H", 2, MODE_A, REG_A, MODE_SADDR, 0},
    {" A,0FF10H", 2, MODE_A, REG_A, MODE_SFR, 0},
    {" A,0FE1FH", 2, MODE_A, REG_A, MODE_ADDR, 0},
    {" A,1234H", 2, MODE_A, REG_A, MODE_ADDR, 0},
    {" A,S:0FE30H", 2, MODE_A, REG_A, MODE_SADDR, 0},
    {" A,N:0FE30H", 2, MODE_A, REG_A, MODE_ADDR, 0},
    {" A,S:1234H", 2, MODE_A, REG_A, MODE_SADDR, 0},
    {" A,N:0FF10H", 2, MODE_A, REG_A, MODE_ADDR, 0},
    {" N:0FE20H.1", 1, MODE_ADDR | kModeBit, 0, MODE_NONE, 0},
    // Immediates, carry, banks.
    {" A,#12", 2, MODE_A, REG_A, MODE_IMM, 0},
    {" SP,#0FE00H", 2, MODE_SP, REG_SP, MODE_IMM, 0},
    {" CY", 1, MODE_CY, 0, MODE_NONE, 0},
    {" RB2", 1, MODE_RBANK, 0, MODE_NONE, 0},
    // Blanks: the first one once, the others only separate.
    {" A , B ; comment", 2, MODE_A, REG_A, MODE_B, REG_B},
    {" A, B", 2, MODE_A, REG_A, MODE_B, REG_B},
    {"", 0, MODE_NONE, 0, MODE_NONE, 0},
    {" ; only a comment", 0, MODE_NONE, 0, MODE_NONE, 0},
};
INSTANTIATE_TEST_SUITE_P(OperandShapes, Modes, ::testing::ValuesIn(kModes), by_field);

TEST_F(OperandTest, OperandExpressionsAreKept) {
  ASSERT_EQ(parse_operands(" [HL+5],#LOW 1234H"), PARSE_OK);
  ASSERT_NE(ops[0].expr, nullptr);
  EXPECT_EQ(ops[0].expr->value, 5);
  EXPECT_EQ(ops[1].expr->value, 0x34);
}

TEST_F(OperandTest, BitOperandKeepsItsBitExpression) {
  ASSERT_EQ(parse_operands(" CY,A.3+1"), PARSE_OK);
  ASSERT_NE(ops[1].bit_expr, nullptr);
  EXPECT_EQ(ops[1].bit_expr->value, 4);
}

TEST_F(OperandTest, RegisterBankIsAConstant) {
  ASSERT_EQ(parse_operands(" RB3"), PARSE_OK);
  ASSERT_NE(ops[0].expr, nullptr);
  EXPECT_EQ(ops[0].expr->value, 3);
}

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

TEST_F(OperandTest, BitSymbolSplitsIntoAddressAndBit) {
  ident_node* flag = define("FLAG", 2 * 8 + 3);
  flag->label->value->flags |= kExprBitSymbol;
  ident_node* port = define("PBIT", (0xFF20 - 0xFE20) * 8 + 5);
  port->label->value->flags |= kExprBitSymbol;
  start(" FLAG\n CY,PBIT\n");
  ASSERT_EQ(run_operands(), PARSE_OK);
  EXPECT_EQ(ops[0].mode, MODE_SADDR_BIT);
  EXPECT_EQ(ops[0].expr->value, 0xFE22);
  ASSERT_NE(ops[0].bit_expr, nullptr);
  EXPECT_EQ(ops[0].bit_expr->value, 3);
  expect_field_end();
  ASSERT_EQ(run_operands(), PARSE_OK);
  EXPECT_EQ(ops[1].mode, MODE_SFR_BIT);
  EXPECT_EQ(ops[1].expr->value, 0xFF20);
  EXPECT_EQ(ops[1].bit_expr->value, 5);
}

TEST_F(OperandTest, DeclaredSfrIsSfrWhateverItsAddress) {
  ident_node* p0 = define("P0", 0xFF00);
  p0->label->flags |= LBL_SFR | LBL_SFR_READ | LBL_SFR_WRITE;
  ident_node* low = define("LOWSFR", 0x1234);
  low->label->flags |= LBL_SFR;
  start(" P0,#1\n A,LOWSFR\n A,P0+1\n");
  ASSERT_EQ(run_operands(), PARSE_OK);
  EXPECT_EQ(ops[0].mode, MODE_SFR);
  EXPECT_EQ(ops[0].sfr, p0);
  expect_field_end();
  ASSERT_EQ(run_operands(), PARSE_OK);
  EXPECT_EQ(ops[1].mode, MODE_SFR);
  expect_field_end();
  ASSERT_EQ(run_operands(), PARSE_OK);  // combined: warning 16, still an SFR operand
  EXPECT_EQ(ops[1].mode, MODE_SFR);
  EXPECT_EQ(diags(), std::vector<std::string>{"W16"});
}

TEST_F(OperandTest, SfrAddressModifiersChangeTheSymbolsAccess) {
  ident_node* s = define("NOBIT", 0x1FF20);
  s->label->flags |= LBL_SFR | LBL_SFR_READ | LBL_SFR_WRITE;
  ident_node* r = define("RONLY", 0x4FF21);
  r->label->flags |= LBL_SFR | LBL_SFR_READ | LBL_SFR_WRITE;
  start(" NOBIT.1\n A,RONLY\n");
  ASSERT_EQ(run_operands(), PARSE_OK);
  EXPECT_EQ(ops[0].mode, MODE_SFR_BIT);
  EXPECT_EQ(ops[0].expr->value, 0xFF20);
  EXPECT_TRUE(s->label->flags & LBL_SFR_NO_BIT);
  expect_field_end();
  ASSERT_EQ(run_operands(), PARSE_OK);
  EXPECT_EQ(ops[1].expr->value, 0xFF21);
  EXPECT_TRUE(r->label->flags & LBL_SFR_READ);
  EXPECT_FALSE(r->label->flags & LBL_SFR_WRITE);
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
  if (c.name != nullptr) EXPECT_TRUE(said(std::string("'") + c.name + "'")) << cap.console;
  expect_field_end();
}

const error_case kOperandErrors[] = {
    {" A,[DE+C]", "E417", "DE"},
    {" A,[de+C]", "E417", "de"},     // the name as written
    {" A,[HL+A]", "E417", "A"},
    {" A,[DE+5]", "E417", "DE"},
    {" CY,X.3", "E417", "X"},
    {" AX.1", "E417", "AX"},
    {" [DE].3", "E417", "DE"},
    {" A,B,C", "E0", nullptr},        // the grammar has room for two
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

TEST_F(OperandTest, DeepNestingStopsAtTheStackLimit) {
  const std::string deep = " A,#" + std::string(10000, '(') + "1" + std::string(10000, ')');
  start(deep + "\n A,#((1))\n");
  EXPECT_EQ(run_operands(), PARSE_STACK_FULL);
  expect_field_end();
  EXPECT_EQ(diags(), std::vector<std::string>{"E109"});
  EXPECT_EQ(run_operands(), PARSE_OK);
  EXPECT_EQ(ops[1].expr->value, 1);
}

TEST_F(OperandTest, NestingWithinTheStackIsAccepted) {
  const std::string nested = " #" + std::string(150, '(') + "7" + std::string(150, ')');
  EXPECT_EQ(parse_operands(nested), PARSE_OK) << cap.console;
  EXPECT_EQ(ops[0].expr->value, 7);
}

TEST_F(OperandTest, ManyPrefixOperatorsAreASyntaxError) {
  std::string minus = " #";
  for (int i = 0; i < 200; ++i) minus += "- ";
  std::string low = " #";
  for (int i = 0; i < 200; ++i) low += "LOW ";
  std::string nots = " #";
  for (int i = 0; i < 200; ++i) nots += "NOT(";
  nots += "1" + std::string(200, ')');
  start(minus + "1\n" + low + "1\n" + nots + "\n");
  EXPECT_EQ(run_operands(), PARSE_FAILED);
  expect_field_end();
  EXPECT_EQ(run_operands(), PARSE_FAILED);
  expect_field_end();
  EXPECT_EQ(run_operands(), PARSE_STACK_FULL);
  expect_field_end();
  EXPECT_EQ(diags(), (std::vector<std::string>{"E0", "E0", "E109"}));  // the last one fills the stack
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
