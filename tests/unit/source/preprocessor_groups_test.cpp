// preprocessor_groups_test.cpp — #if, #ifdef, #ifndef, #elif, #else, #endif
// (A02): which lines are assembled, what lines switched off still look at,
// "defined", the conditions, and the group stack's errors.
#include <string>
#include <vector>

#include "source/preprocessor_fixture.h"

namespace {

struct group_case {
  const char* name;
  const char* source;
  std::vector<std::string> assembled;  // tokens of the TOK lines that were assembled
  std::vector<int> diagnostics;
};

class Groups : public PreprocessorTest, public ::testing::WithParamInterface<group_case> {};

TEST_P(Groups, AssembledLines) {
  const group_case& c = GetParam();
  cx.driver.opt.ignore_errors = 1;
  run(std::string(c.source) + "  END\n");
  EXPECT_EQ(tokens(), c.assembled) << cap.console;
  EXPECT_EQ(numbers(), c.diagnostics) << cap.console;
  EXPECT_EQ(cx.pre.group_depth, 0);
  EXPECT_TRUE(cx.pre.lines_active);
}

const group_case kGroups[] = {
    {"IfTrue", "#if 2-1\n TOK a\n#else\n TOK b\n#endif\n", {"a"}, {}},
    {"IfFalse", "#if 1-1\n TOK a\n#else\n TOK b\n#endif\n TOK c\n", {"b", "c"}, {}},
    {"FirstTrueElifOnly", "#if 0\n TOK a\n#elif 0\n TOK b\n#elif 1\n TOK c\n#elif 1\n TOK d\n#else\n TOK e\n#endif\n",
     {"c"}, {}},
    {"ElifAfterTakenBranchNotEvaluated", "#if 1\n TOK a\n#elif )(\n TOK b\n#endif\n", {"a"}, {}},
    {"SecondElseFindsTheBranchTaken", "#if 0\n TOK a\n#else\n TOK b\n#else\n TOK c\n#endif\n", {"b"}, {}},
    {"ElifAfterElseIsOff", "#if 0\n#else\n TOK b\n#elif 1\n TOK c\n#endif\n", {"b"}, {}},
    {"NestedInActive", "#if 1\n#if 0\n TOK a\n#else\n TOK b\n#endif\n TOK c\n#endif\n", {"b", "c"}, {}},
    {"NestedInInactive",
     "#if 0\n#if 1\n TOK a\n#elif )(\n TOK b\n#else\n TOK c\n#endif\n TOK d\n#elif 1\n TOK e\n#endif\n",
     {"e"}, {}},
    {"Ifdef", "#define D\n#ifdef D\n TOK a\n#endif\n#ifdef U\n TOK b\n#endif\n", {"a"}, {}},
    {"Ifndef", "#define D\n#ifndef D\n TOK a\n#endif\n#ifndef U\n TOK b\n#endif\n", {"b"}, {}},
    {"DefinedForms",
     "#define D 0\n#if defined D && defined(D) && defined ( D ) && !defined(U)\n TOK a\n#endif\n", {"a"}, {}},
    {"DefinedTakesTheNameAsWritten", "#define D 0\n#define N D\n#if defined(N)\n TOK a\n#endif\n", {"a"}, {}},
    {"UnknownNamesAreZero", "#if NOWHERE\n TOK a\n#elif NOWHERE == 0\n TOK b\n#endif\n", {"b"}, {}},
    {"OperatorWords", "#if (HIGH 1234H == 12H) AND (LOW 1234H == 34H)\n TOK a\n#endif\n", {"a"}, {}},
    {"FunctionLikeInCondition", "#define IS(a,b) ((a)==(b))\n#if IS(3,1+2)\n TOK a\n#endif\n", {"a"}, {}},
    {"SwitchedOffLinesAreNotLooked",
     "#if 0\n garbage ' \" `\n#frob\n#define X 1\n#undef Y\n#error no\n#message \"no\"\n#include \"none.h\"\n#endif\n"
     "#ifdef X\n TOK a\n#endif\n",
     {}, {}},
    {"CommentHidesDirectivesWhileOff", "#if 0\n/* a comment\n#endif\n*/\n#else\n TOK a\n#endif\n", {"a"}, {}},
    {"CommentOpenedOnTheIfLine", "#if 0 /* open\n#else\n */ TOK a\n#else\n TOK b\n#endif\n", {"b"}, {}},
    {"BadConditionIsFalseAndTheGroupStays", "#if )\n TOK a\n#else\n TOK b\n#endif\n", {"b"}, {0}},
    {"DefinedWithoutName", "#if defined(5)\n TOK a\n#else\n TOK b\n#endif\n", {"b"}, {16}},
    {"DefinedWithoutParenthesis", "#if defined(X\n TOK a\n#else\n TOK b\n#endif\n", {"b"}, {17}},
    {"ElseWithMoreStillSwitches", "#if 0\n#else x\n TOK b\n#endif y\n TOK c\n", {"b", "c"}, {19, 19}},
    {"GroupDirectiveNeedsABlank", "#if 0\n#elif(1)\n TOK a\n#endif\n", {}, {10}},
    {"ExclusiveOrOperator", "#if ((6 !X 3) == 5) && ((6 !x 3) == 5)\n TOK a\n#endif\n", {"a"}, {}},
    {"ExclusiveOrIsNoDefineX", "#define X 9\n#define x 9\n#if ((6 !X 3) == 5) && ((6!x 3) == 5)\n TOK a\n#endif\n",
     {"a"}, {}},
    {"ConstantBeyond64BitsWarns", "#if 0x10000000000000000 == 0\n TOK a\n#endif\n", {"a"}, {15}},
    {"ConstantBeyond64BitsInDecimal", "#if 18446744073709551617 == 1\n TOK a\n#endif\n", {"a"}, {15}},
    {"Constant64BitsIsNoWarning", "#if 0FFFFFFFFFFFFFFFFH\n TOK a\n#endif\n", {"a"}, {}},
};

INSTANTIATE_TEST_SUITE_P(Preprocessor, Groups, ::testing::ValuesIn(kGroups), by_name);

// Conditions built from long texts: a name beyond 255 characters is error 108
// once and stands for its first 255 (so that it meets a #define of those);
// nesting beyond what the expression parser holds is error 109.
struct built_case {
  const char* name;
  std::string source;
  std::vector<std::string> assembled;
  std::vector<int> diagnostics;
};

class BuiltConditions : public PreprocessorTest, public ::testing::WithParamInterface<built_case> {};

TEST_P(BuiltConditions, AssembledLines) {
  const built_case& c = GetParam();
  run(c.source + "  END\n");
  EXPECT_EQ(tokens(), c.assembled) << cap.console;
  EXPECT_EQ(numbers(), c.diagnostics) << cap.console;
}

const std::string kCut(255, 'N');
const std::string kLong = kCut + "Z";
std::string nested(int depth) { return std::string(depth, '(') + "1" + std::string(depth, ')'); }

const built_case kBuilt[] = {
    {"LongNameMeetsTheCutDefine", "#define " + kCut + " 1\n#if " + kLong + "\n TOK a\n#endif\n", {"a"}, {108}},
    {"LongNameUndefinedIsZero", "#if " + kLong + " == 0\n TOK a\n#endif\n", {"a"}, {108}},
    {"LongNameInDefined", "#define " + kCut + " 1\n#if defined(" + kLong + ")\n TOK a\n#endif\n", {"a"}, {108}},
    {"Parentheses150", "#if " + nested(150) + "\n TOK a\n#endif\n", {"a"}, {}},
    {"Parentheses196", "#if " + nested(196) + "\n TOK a\n#endif\n", {}, {109}},
    {"Parentheses1000", "#if " + nested(1000) + "\n TOK a\n#endif\n", {}, {109}},
};

INSTANTIATE_TEST_SUITE_P(Preprocessor, BuiltConditions, ::testing::ValuesIn(kBuilt),
                         [](const ::testing::TestParamInfo<built_case>& info) { return info.param.name; });

TEST_F(PreprocessorTest, NoLongLineErrorWhileSwitchedOff) {
  const std::string long_line(32100, 'x');
  run("#if 0\n" + long_line + "\n#endif\n" + long_line + "\n  END\n");
  std::vector<shown_diag> got = diagnostics();
  ASSERT_FALSE(got.empty()) << cap.console;
  EXPECT_EQ(got[0].line, 4);
  EXPECT_EQ(got[0].number, 5);
}

TEST_F(PreprocessorTest, GroupOpenAtTheEndIsFatal) {
  run("#if 1\n TOK a\n  END\n");
  EXPECT_TRUE(stopped);
  EXPECT_EQ(numbers(), std::vector<int>{14}) << cap.console;
}

TEST_F(PreprocessorTest, GroupOpenAtTheEndReportedOnceAndTheNextPassStartsEmpty) {
  cx.driver.opt.ignore_errors = 1;
  run("#if 0\n#if 1\n");
  EXPECT_FALSE(stopped);
  EXPECT_EQ(numbers(), std::vector<int>{14}) << cap.console;
  EXPECT_EQ(cx.pre.group_depth, 0);
  EXPECT_TRUE(cx.pre.lines_active);
  EXPECT_FALSE(cx.source.in_false_group);
}

TEST_F(PreprocessorTest, FiftyGroupsNestAndTheFirstBeyondIsFatal) {
  std::string fifty;
  for (int i = 0; i < 50; ++i) fifty += "#if 1\n";
  fifty += " TOK in\n";
  for (int i = 0; i < 50; ++i) fifty += "#endif\n";
  run(fifty + "  END\n");
  EXPECT_EQ(tokens(), std::vector<std::string>{"in"});
  EXPECT_TRUE(numbers().empty()) << cap.console;
}

TEST_F(PreprocessorTest, FiftyFirstGroupIsError11) {
  std::string text;
  for (int i = 0; i < 51; ++i) text += "#if 1\n";
  run(text + " TOK never\n");
  EXPECT_TRUE(stopped);
  std::vector<shown_diag> want = {{51, 2, "Error", 11, "Too deep block nesting (max is 50)"}};
  EXPECT_EQ(diagnostics(), want) << cap.console;
  EXPECT_EQ(diagnostics()[0].text, want[0].text);
}

TEST_F(PreprocessorTest, FiftyFirstGroupIgnoredUnderTheHiddenLetter) {
  cx.driver.opt.ignore_errors = 1;
  std::string text;
  for (int i = 0; i < 51; ++i) text += "#if 1\n";
  text += " TOK in\n";
  for (int i = 0; i < 51; ++i) text += "#endif\n";
  run(text + "  END\n");
  EXPECT_EQ(tokens(), std::vector<std::string>{"in"});
  // The ignored #if has no group: the last #endif finds none.
  EXPECT_EQ(numbers(), (std::vector<int>{11, 24})) << cap.console;
}

TEST_F(PreprocessorTest, UnmatchedEndifIsFatal) {
  run("#endif\n TOK never\n  END\n");
  EXPECT_TRUE(stopped);
  EXPECT_TRUE(lines.empty());
  EXPECT_EQ(numbers(), std::vector<int>{24}) << cap.console;
}

// A label of the absolute segment is a number known where it is defined; a
// name the assembler does not know yet is 0, as any unknown name in #if.
TEST_F(PreprocessorTest, ConditionOnALabelUsesItsAbsoluteAddress) {
  run("L1:\n#if L1 == 0\n TOK a\n#else\n TOK b\n#endif\n#if L2\n TOK c\n#endif\nL2:\n  END\n");
  EXPECT_EQ(tokens(), std::vector<std::string>{"a"}) << cap.console;
  EXPECT_TRUE(numbers().empty()) << cap.console;
}

}  // namespace
