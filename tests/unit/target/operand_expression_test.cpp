// operand_expression_test.cpp — expressions read through the operand grammar:
// precedence and associativity of every class, prefix operators, segment
// operators, string comparisons, bit equates and the alignment form (B03, A08).
#include "target/operand_fixture.h"

namespace {

const auto by_text = [](const auto& info) { return spelled_name(info.param.text); };

struct value_case {
  const char* text;
  int32_t value;
};

class Precedence : public OperandTest, public ::testing::WithParamInterface<value_case> {};

TEST_P(Precedence, Evaluates) {
  const value_case& c = GetParam();
  EXPECT_EQ(value_of(c.text), c.value) << c.text;
  EXPECT_TRUE(diags().empty()) << c.text << " " << cap.console;
}

// Each pair of classes once each way round, chosen so that the other binding
// gives another value (noted after each row).
const value_case kPrecedence[] = {
    {"1 + 2 & 3", 3},
    {"2 + 3 & 1", 3},          // (2+3)&1 = 1
    {"2 * 3 !< 1", 12},
    {"1 !< 2 * 3", 64},        // (1<<2)*3 = 12
    {"6 & 3 * 2", 6},          // (6&3)*2 = 4
    {"6 & 1 !< 2", 4},         // (6&1)<<2 = 0
    {"4 | 2 & 1", 4},          // (4|2)&1 = 0
    {"1 + 2 * 3", 7},          // 9
    {"1 + 1 !< 2", 5},         // 8
    {"3 > 1 + 1", 1},          // (3>1)+1 = 2
    {"4 = 1 !< 2", 1},         // (4=1)<<2 = 0
    {"1 = 3 & 1", 1},          // (1=3)&1 = 0
    {"2 = 1 * 2", 1},          // (2=1)*2 = 0
    {"NOT 0 * 5", 5},          // NOT (0*5) = 1
    {"NOT 0 !< 2", 4},         // NOT (0<<2) = 1
    {"NOT 1 & 0", 0},          // NOT (1&0) = 1
    {"BINNOT 0 + 1", 0},       // ~1 = -2
    {"BINNOT 0 = 0", 0},       // ~(0=0) = -2
    {"3 - 3 OR 1", 1},         // 3-(3 OR 1) = 2
    // Left associativity on every level.
    {"8 / 2 / 2", 2},
    {"64 >> 2 >> 1", 8},
    {"2 !^ 3 !^ 2", 64},
    {"7 & 3 && 0", 0},
    {"1 - 2 + 3", 2},
    {"3 > 2 > 1", 0},
    // Prefix operators take a primary.
    {"LOW (-1)", 0xFF},
    {"-(2 + 3) * 2", -10},
    {"~0FFH & 0F0FH", 0x0F00},
    {"'A' + 1", 'B'},
};
INSTANTIATE_TEST_SUITE_P(OperatorClasses, Precedence, ::testing::ValuesIn(kPrecedence), by_text);

struct syntax_case {
  const char* text;
};
class ExpressionSyntax : public OperandTest, public ::testing::WithParamInterface<syntax_case> {};

TEST_P(ExpressionSyntax, IsError0AndTheLineEnds) {
  expr_rec* e = nullptr;
  EXPECT_EQ(parse_expression(GetParam().text, &e), PARSE_FAILED) << GetParam().text;
  EXPECT_EQ(diags(), std::vector<std::string>{"E0"}) << GetParam().text << cap.console;
  expect_field_end();
}

const syntax_case kExpressionSyntax[] = {
    {"- -1"},           // two prefix minus signs
    {"--1"},
    {"LOW -1"},         // a prefix operator takes a primary
    {"LOW LOW 1"},
    {"(1 + 2"},
    {"1 + 2)"},
    {"1 +"},
    {"* 2"},
    {"1 2"},
    {"1.5 + 1"},        // a floating constant is no operand
    {"\"a\" == \"a\""}, // strings compare only with "=" and "<>"
    {"\"a\" EQ \"a\""},
    {"\"a\" + \"a\""},
    {"SFB 3"},
    {"1 ++ 2"},
};
INSTANTIATE_TEST_SUITE_P(ExpressionBad, ExpressionSyntax, ::testing::ValuesIn(kExpressionSyntax), by_text);

TEST_F(OperandTest, StringComparisonsAreSolvedAtOnce) {
  struct {
    const char* text;
    int32_t value;
  } cases[] = {
      {"\"abc\" = \"abc\"", 1}, {"\"abc\" = \"abd\"", 0}, {"\"abc\" <> \"abd\"", -1},
      {"\"abd\" != \"abc\"", 1}, {"\"ab\" <> \"abc\"", -1},  {"\"x\" <> \"x\"", 0},
  };
  std::string text;
  for (const auto& c : cases) text += std::string(c.text) + "\n";
  start(text);
  for (const auto& c : cases) {
    expr_rec* e = nullptr;
    ASSERT_EQ(parse_expression(nullptr, &e), PARSE_OK) << c.text;
    EXPECT_EQ(e->state, EXPR_ABSOLUTE);
    EXPECT_EQ(e->value, c.value) << c.text;
    expect_field_end();
  }
}

TEST_F(OperandTest, StringToExpressionKeepsTheLineBeingRead) {
  start("FIRST SECOND\n");
  EXPECT_EQ(next_token(cx).kind, TOK_IDENT);
  expr_rec* e = string_to_expression(cx, "5 * (2 + 3)");
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(e->value, 25);
  EXPECT_EQ(string_to_expression(cx, "1,2")->value, 1);  // ends at the first ","
  EXPECT_EQ(string_to_expression(cx, "(1"), nullptr);
  EXPECT_EQ(string_to_expression(cx, "\"open"), nullptr);
  const token& t = next_token(cx);
  EXPECT_EQ(t.kind, TOK_IDENT);
  EXPECT_EQ(std::string(t.text), "SECOND");
  EXPECT_EQ(next_token(cx).kind, TOK_EOL);
}

TEST_F(OperandTest, StringToExpressionBufferIs118) {
  start("\n");
  const std::string long_text = "1" + std::string(117, ' ');
  EXPECT_NE(string_to_expression(cx, long_text.c_str()), nullptr);
  const std::string too_long = long_text + " ";
  EXPECT_THROW(string_to_expression(cx, too_long.c_str()), run_stop);
  EXPECT_TRUE(said("Buffer too small"));
}

TEST_F(OperandTest, SegmentOperatorsWithAndWithoutParentheses) {
  segment("CODE", 3);
  start("SIZEOF CODE\nSIZEOF(CODE)\nSFB CODE\nSFE(CODE)\nSFB(CODE+2)\nSFE(CODE -1) + 4\n");
  const char* shapes[] = {"0 SFE 0 SFB -", "0 SFE 0 SFB -", "0 SFB", "0 SFE", "2 SFB", "-1 SFE 4 +"};
  for (const char* want : shapes) {
    expr_rec* e = nullptr;
    ASSERT_EQ(parse_expression(nullptr, &e), PARSE_OK) << want;
    EXPECT_EQ(e->state, EXPR_POSTFIX);
    std::string shape;
    for (const postfix_elem* p = e->list->first; p->kind != PF_END; p = p->next) {
      if (!shape.empty()) shape += ' ';
      if (p->kind == PF_CONSTANT) shape += std::to_string(p->payload.value);
      if (p->kind == PF_SFB || p->kind == PF_SFE) {
        shape += p->kind == PF_SFB ? "SFB" : "SFE";
        EXPECT_EQ(p->segment_or_tag, 3u);
      }
      if (p->kind == PF_OPERATOR) shape += p->payload.op.code == 8 ? "-" : "+";
    }
    EXPECT_EQ(shape, want);
    expect_field_end();
  }
  EXPECT_TRUE(diags().empty()) << cap.console;
}

TEST_F(OperandTest, SizeofOfAbsoluteSegmentIsError69) {
  segment("ABSSEG", 1, SEG_ABSOLUTE);
  expr_rec* e = nullptr;
  parse_expression("SIZEOF ABSSEG", &e);
  EXPECT_EQ(diags(), std::vector<std::string>{"E69"});
}

TEST_F(OperandTest, BitEquateOfRelocatableAddressIsPostfix) {
  define("VAR", 4, 2);
  expr_rec* e = nullptr;
  ASSERT_EQ(parse_expression("VAR.1", &e, PARSE_BIT_EQUATE), PARSE_OK);
  EXPECT_EQ(e->state, EXPR_POSTFIX);
  EXPECT_TRUE(e->flags & kExprBitSymbol);
  int constants = 0;
  for (const postfix_elem* p = e->list->first; p->kind != PF_END; p = p->next) constants += p->kind == PF_CONSTANT;
  EXPECT_EQ(constants, 4);  // VAR's offset, 8, 7F100H, the bit
}

TEST_F(OperandTest, BitPairOutsideBitEquateIsError0) {
  expr_rec* e = nullptr;
  EXPECT_EQ(parse_expression("0FE22H.3", &e), PARSE_FAILED);
  EXPECT_EQ(diags(), std::vector<std::string>{"E0"});
}

TEST_F(OperandTest, AlignmentFormSetsTheSegmentOnce) {
  segment_rec* seg = segment("CODE", 2);
  start("100H(2)\n0(3) ; again\n5(1)\n");
  expr_rec* e = nullptr;
  ASSERT_EQ(parse_expression(nullptr, &e, PARSE_ALIGNMENT, nullptr, seg), PARSE_OK);
  EXPECT_EQ(e->value, 0x100);
  ASSERT_NE(seg->alignment, nullptr);
  EXPECT_EQ(seg->alignment->value, 2);
  expect_field_end();
  EXPECT_EQ(parse_expression(nullptr, &e, PARSE_ALIGNMENT, nullptr, seg), PARSE_FAILED);
  expect_field_end();
  EXPECT_EQ(parse_expression(nullptr, &e, 0, nullptr, seg), PARSE_FAILED);  // the directive takes no alignment
  expect_field_end();
  EXPECT_EQ(diags(), (std::vector<std::string>{"E49", "E0"}));
  EXPECT_EQ(seg->alignment->value, 2);
}

TEST_F(OperandTest, HugeNumberIsTruncatedWithWarning15) {
  EXPECT_EQ(value_of("123456789ABH"), static_cast<int32_t>(0x456789AB));
  EXPECT_EQ(diags(), std::vector<std::string>{"W15"});
}

}  // namespace
