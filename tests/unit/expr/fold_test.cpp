// fold_test.cpp — operator arithmetic, folding with relocatability, solve
// states, expression types and re-solving after pass 1 (A08).
#include <ctime>

#include "expr/expr_test_support.h"

namespace {

const auto by_rpn = [](const auto& info) { return spelled_name(info.param.rpn); };

struct arith_case {
  const char* rpn;
  int32_t value;
  int errors;
  int warnings;
};

class Arithmetic : public ::testing::TestWithParam<arith_case> {};

TEST_P(Arithmetic, FoldsToAbsoluteValue) {
  expr_fixture f;
  const arith_case& c = GetParam();
  expr_rec* e = f.eval(c.rpn);
  EXPECT_EQ(e->state, EXPR_ABSOLUTE) << c.rpn;
  EXPECT_EQ(e->value, c.value) << c.rpn;
  EXPECT_EQ(e->type, TYPE_OFFSET) << c.rpn;
  EXPECT_EQ(f.errors(), c.errors) << c.rpn;
  EXPECT_EQ(f.warnings(), c.warnings) << c.rpn;
  EXPECT_EQ(f.said("Warning[14]"), c.warnings > 0) << c.rpn;  // division by zero
}

const arith_case kArithmetic[] = {
    // Shifts are logical and use the low five bits of the count.
    {"-1 28 SHR", 15, 0, 0},
    {"-1 28 >>", 15, 0, 0},
    {"1 33 SHL", 2, 0, 0},
    {"1 -1 <<", INT32_MIN, 0, 0},
    {"2 3 * 1 !<", 12, 0, 0},
    // Division truncates; by zero gives -1 and 0 with warning 14.
    {"-7 2 /", -3, 0, 0},
    {"-7 2 MOD", -1, 0, 0},
    {"5 0 /", -1, 0, 1},
    {"5 0 MOD", 0, 0, 1},
    {"-2147483648 -1 /", INT32_MIN, 0, 0},
    {"-2147483648 -1 MOD", 0, 0, 0},
    // Power by repeated multiplication, 1 for a count of 0 or less.
    {"2 0 !^", 1, 0, 0},
    {"2 10 !^", 1024, 0, 0},
    {"2 -3 !^", 1, 0, 0},
    {"3 0x7fffffff !^", -1431655765, 0, 0},
    // Byte and word selectors.
    {"0x1234 uLOW", 0x34, 0, 0},
    {"0x1234 uHIGH", 0x12, 0, 0},
    {"0x1234 uBYTE2", 0x12, 0, 0},
    {"0x123456 uBYTE3", 0x12, 0, 0},
    {"0x12345678 uHWRD", 0x1234, 0, 0},
    {"0x12345678 uLWRD", 0x5678, 0, 0},
    {"0x12345678 uOFFSET", 0x5678, 0, 0},
    {"0x123456 uPAGE", 2, 0, 0},
    {"0xFF123456 u.PAGE.", 2, 0, 0},
    {"-1 uHWRD", 0xFFFF, 0, 0},
    // Unsigned and signed comparisons.
    {"-1 1 UGT", 1, 0, 0},
    {"-1 1 GT", 0, 0, 0},
    {"-1 1 ULT", 0, 0, 0},
    {"-1 1 <", 1, 0, 0},
    {"3 3 >=", 1, 0, 0},
    {"3 4 GE", 0, 0, 0},
    {"3 3 LE", 1, 0, 0},
    {"4 3 <=", 0, 0, 0},
    {"3 3 =", 1, 0, 0},
    {"3 3 EQ", 1, 0, 0},
    {"3 4 ==", 0, 0, 0},
    {"3 4 <>", 1, 0, 0},
    {"3 3 !=", 0, 0, 0},
    {"3 4 NE", 1, 0, 0},
    {"4 3 >", 1, 0, 0},
    {"4 3 LT", 0, 0, 0},
    // Logical operators give 0 or 1; bitwise ones keep every bit.
    {"2 3 AND", 1, 0, 0},
    {"2 0 &&", 0, 0, 0},
    {"0 3 OR", 1, 0, 0},
    {"0 0 ||", 0, 0, 0},
    {"2 3 XOR", 0, 0, 0},
    {"2 0 XOR", 1, 0, 0},
    {"5 uNOT", 0, 0, 0},
    {"0 u!", 1, 0, 0},
    {"12 10 &", 8, 0, 0},
    {"12 10 |", 14, 0, 0},
    {"12 10 ^", 6, 0, 0},
    {"0 uBINNOT", -1, 0, 0},
    {"5 u-", -5, 0, 0},
    {"5 u+", 5, 0, 0},
    {"2147483647 1 +", INT32_MIN, 0, 0},
    {"65536 65536 *", 0, 0, 0},
    // DATE outside 1..6 leaves its operand with error 48.
    {"7 uDATE", 7, 1, 0},
    {"0 uDATE", 0, 1, 0},
};
INSTANTIATE_TEST_SUITE_P(Operators, Arithmetic, ::testing::ValuesIn(kArithmetic), by_rpn);

TEST(Date, FieldsOfTheRunStartTime) {
  expr_fixture f;
  f.cx.driver.assembly_time = 1700000000;
  std::tm t{};
  localtime_r(&f.cx.driver.assembly_time, &t);
  const int want[6] = {t.tm_sec, t.tm_min, t.tm_hour, t.tm_mday, t.tm_mon + 1, t.tm_year % 100};
  for (int n = 1; n <= 6; ++n) EXPECT_EQ(f.eval(std::to_string(n) + " uDATE")->value, want[n - 1]) << n;
  f.eval("7 uDATE");
  EXPECT_TRUE(f.said("Error[48]"));
  EXPECT_TRUE(f.said("1-6"));
}

// Relocatability: values relative to segments 2 and 3, absolute symbols, externals.
struct reloc_case {
  const char* rpn;
  int32_t state;
  int32_t value;      // states 1 and 2
  uint16_t segment;   // states 1 and 2
  int32_t type;
  const char* left;   // postfix shape left in states 0 and 4
};

class Relocatability : public ::testing::TestWithParam<reloc_case> {};

TEST_P(Relocatability, FoldsOnlyWhatTheLinkerNeedNotSee) {
  expr_fixture f;
  f.label("L1", 10, 2);
  f.label("L2", 30, 2);
  f.label("M", 5, 3);
  f.label("ABS", 7);
  f.external("EXT", 4);
  f.segment("CODE", 2);
  const reloc_case& c = GetParam();
  expr_rec* e = f.eval(c.rpn);
  EXPECT_EQ(e->state, c.state) << c.rpn;
  EXPECT_EQ(e->type, c.type) << c.rpn;
  if (c.state == EXPR_ABSOLUTE || c.state == EXPR_RELATIVE) {
    EXPECT_EQ(e->value, c.value) << c.rpn;
    EXPECT_EQ(e->segment, c.segment) << c.rpn;
  } else {
    EXPECT_EQ(shape(e), c.left) << c.rpn;
  }
}

const reloc_case kRelocatability[] = {
    {"@L2 @L1 -", EXPR_ABSOLUTE, 20, 0, TYPE_OFFSET, ""},
    {"@L1 2 +", EXPR_RELATIVE, 12, 2, TYPE_LABEL, ""},
    {"2 @L1 +", EXPR_RELATIVE, 12, 2, TYPE_LABEL, ""},
    {"@L1 2 -", EXPR_RELATIVE, 8, 2, TYPE_LABEL, ""},
    {"@L1 u+", EXPR_RELATIVE, 10, 2, TYPE_LABEL, ""},
    {"@L1 @L2 @L1 - +", EXPR_RELATIVE, 30, 2, TYPE_LABEL, ""},
    {"@ABS 3 *", EXPR_ABSOLUTE, 21, 0, TYPE_OFFSET, ""},
    {"@L1", EXPR_RELATIVE, 10, 2, TYPE_LABEL, ""},
    {"2 @L1 -", EXPR_POSTFIX, 0, 0, TYPE_LABEL | TYPE_COMPLEX, "2 @L1 -"},
    {"@L1 2 *", EXPR_POSTFIX, 0, 0, TYPE_LABEL | TYPE_COMPLEX, "@L1 2 *"},
    {"@L1 uLOW", EXPR_POSTFIX, 0, 0, TYPE_LABEL | TYPE_COMPLEX, "@L1 uLOW"},
    {"@L1 u-", EXPR_POSTFIX, 0, 0, TYPE_LABEL | TYPE_COMPLEX, "@L1 u-"},
    {"@L1 @M -", EXPR_POSTFIX, 0, 0, TYPE_OFFSET, "@L1 @M -"},
    {"@L1 @L2 +", EXPR_POSTFIX, 0, 0, TYPE_LABEL | TYPE_COMPLEX, "@L1 @L2 +"},
    {"@L1 @L2 >", EXPR_POSTFIX, 0, 0, TYPE_LABEL | TYPE_COMPLEX, "@L1 @L2 >"},
    // Constant subtrees fold in place beside what must stay.
    {"@EXT 2 3 * +", EXPR_POSTFIX, 0, 0, TYPE_LABEL, "@EXT 6 +"},
    {"@EXT 2 +", EXPR_POSTFIX, 0, 0, TYPE_LABEL, "@EXT 2 +"},
    {"@EXT", EXPR_POSTFIX, 0, 0, TYPE_LABEL, "@EXT"},
    {"1 @EXT uHIGH 4 4 * + *", EXPR_POSTFIX, 0, 0, TYPE_LABEL | TYPE_COMPLEX, "1 @EXT uHIGH 16 + *"},
    // SIZEOF as the grammar builds it: SFE minus SFB, a difference without base.
    {"0 SFE:CODE 0 SFB:CODE -", EXPR_POSTFIX, 0, 0, TYPE_OFFSET, "0 SFE 0 SFB -"},
    {"2 SFB:CODE", EXPR_POSTFIX, 0, 0, TYPE_OFFSET, "2 SFB"},
};
INSTANTIATE_TEST_SUITE_P(Segments, Relocatability, ::testing::ValuesIn(kRelocatability), by_rpn);

TEST(Relocatability, ExternalBecomesTheBase) {
  expr_fixture f;
  ident_node* ext = f.external("EXT", 4);
  expr_rec* e = f.eval("@EXT 2 +");
  EXPECT_EQ(e->base, ext);
  EXPECT_EQ(e->relocatable_terms, 1);
  expr_rec* d = f.eval("@EXT @EXT -");
  EXPECT_EQ(d->relocatable_terms, 0);
  EXPECT_EQ(d->base, nullptr);
}

TEST(Solving, ForwardReferenceResolvesAfterPassOne) {
  expr_fixture f;
  ident_node* fwd = f.symbol("FWD", nullptr);
  expr_rec* e = f.eval("@FWD 1 + 2 3 * +");
  EXPECT_EQ(e->state, EXPR_UNSOLVED);
  EXPECT_EQ(e->in_unsolved_list, 1);
  EXPECT_EQ(shape(e), "@FWD 1 + 6 +");
  fwd->label->value = make_constant(f.cx, 5);
  fwd->label->flags &= ~LBL_UNDEFINED;
  EXPECT_EQ(resolve_unsolved(f.cx), 0);
  EXPECT_EQ(e->state, EXPR_ABSOLUTE);
  EXPECT_EQ(e->value, 12);
  EXPECT_EQ(e->in_unsolved_list, 0);
  EXPECT_EQ(mark_or_get_unsolved(f.cx, UNSOLVED_FIRST, nullptr), nullptr);
}

TEST(Solving, ChainsResolveWhateverTheirOrder) {
  expr_fixture f;
  ident_node* a = f.symbol("A", nullptr);
  ident_node* b = f.symbol("B", nullptr);
  ident_node* c = f.symbol("C", nullptr);
  // A = B + 1 is listed before B = C + 1, so one sweep cannot finish A.
  expr_rec* ea = f.eval("@B 1 +");
  a->label->value = ea, a->label->flags &= ~LBL_UNDEFINED;
  expr_rec* eb = f.eval("@C 1 +");
  b->label->value = eb, b->label->flags &= ~LBL_UNDEFINED;
  c->label->value = make_constant(f.cx, 5);
  c->label->flags &= ~LBL_UNDEFINED;
  EXPECT_EQ(resolve_unsolved(f.cx), 0);
  EXPECT_EQ(ea->value, 7);
  EXPECT_EQ(eb->value, 6);
}

TEST(Solving, UndefinedSymbolStaysUnsolved) {
  expr_fixture f;
  f.symbol("NEVER", nullptr);
  expr_rec* e = f.eval("@NEVER 2 +");
  EXPECT_EQ(resolve_unsolved(f.cx), 1);
  EXPECT_EQ(e->state, EXPR_UNSOLVED);
}

TEST(Solving, TemporaryValueKeepsItsList) {
  expr_fixture f;
  ident_node* t = f.symbol("T", nullptr);
  expr_rec* tv = init(f.cx, nullptr, true, t);
  tv->state = EXPR_TEMPORARY;
  tv->provisional_value = 100;
  tv->segment = 2;
  t->label->value = tv, t->label->flags &= ~LBL_UNDEFINED;
  f.label("L1", 10, 2);
  expr_rec* e = f.eval("@T 1 +");
  EXPECT_EQ(e->state, EXPR_TEMPORARY);
  EXPECT_EQ(e->provisional_value, 101);
  EXPECT_EQ(e->segment, 2);
  EXPECT_EQ(shape(e), "@T 1 +");
  EXPECT_EQ(e->in_unsolved_list, 1);
  expr_rec* d = f.eval("@T @L1 -");
  EXPECT_EQ(d->state, EXPR_TEMPORARY);
  EXPECT_EQ(d->provisional_value, 90);
  EXPECT_EQ(d->segment, 0);
  // The address becomes final: the temporary results become solved.
  tv->state = EXPR_RELATIVE;
  tv->value = 200;
  resolve_unsolved(f.cx);
  EXPECT_EQ(e->state, EXPR_RELATIVE);
  EXPECT_EQ(e->value, 201);
  EXPECT_EQ(d->state, EXPR_ABSOLUTE);
  EXPECT_EQ(d->value, 190);
}

TEST(Solving, BitSymbolMarkComesWithTheValue) {
  expr_fixture f;
  expr_rec* v = make_constant(f.cx, 0x13);
  v->flags |= kExprBitSymbol;
  f.symbol("FLAG", v);
  EXPECT_TRUE(f.eval("@FLAG")->flags & kExprBitSymbol);
  EXPECT_FALSE(f.eval("@FLAG 1 +")->flags & kExprBitSymbol);
}

TEST(SfrCheck, AloneIsAcceptedCombinedIsWarning16) {
  expr_fixture f;
  ident_node* p0 = f.label("P0", 0xFF00);
  p0->label->flags |= LBL_SFR;
  expr_rec* alone = f.rpn("@P0");
  EXPECT_EQ(finish_expression(f.cx, alone), p0);
  EXPECT_EQ(f.warnings(), 0);
  expr_rec* sum = f.rpn("@P0 1 +");
  EXPECT_EQ(finish_expression(f.cx, sum), p0);
  EXPECT_EQ(f.warnings(), 1);
  EXPECT_TRUE(f.said("Warning[16]"));
  finish_expression(f.cx, f.rpn("@P0 1 -"), true);
  EXPECT_EQ(f.warnings(), 1);
  f.label("PLAIN", 3);
  EXPECT_EQ(finish_expression(f.cx, f.rpn("@PLAIN 1 -")), nullptr);
  EXPECT_EQ(f.warnings(), 1);
}

}  // namespace
