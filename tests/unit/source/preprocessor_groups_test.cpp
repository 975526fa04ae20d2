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
};

INSTANTIATE_TEST_SUITE_P(Preprocessor, Groups, ::testing::ValuesIn(kGroups), by_name);

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
