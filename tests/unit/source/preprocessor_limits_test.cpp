// preprocessor_limits_test.cpp — every limit of the preprocessor (A02) at its
// edge and one beyond, the argument-count errors, recursion, and what happens
// after each: the fatal stop, or under the hidden letter "!" the line ignored
// and assembly going on.
#include <chrono>
#include <string>
#include <vector>

#include "source/preprocessor_fixture.h"

namespace {

std::string repeat(const std::string& s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

// A chain of `n` object-like defines, A0 standing for the last, which is 1.
std::string chain(int n) {
  std::string out;
  for (int i = 0; i + 1 < n; ++i) out += "#define A" + std::to_string(i) + " A" + std::to_string(i + 1) + "\n";
  return out + "#define A" + std::to_string(n - 1) + " 1\n";
}

// F nested `n` deep around 1.
std::string nested(const char* name, int n) { return repeat(std::string(name) + "(", n) + "1" + repeat(")", n); }

// G of 37 parameters nested `depth` times in its last argument, around an
// innermost call of `name` with `params` arguments.
std::string active_params(int depth, const char* name, int params) {
  std::string inner = std::string(name) + "(" + repeat("0,", params - 1) + "1)";
  for (int i = 0; i < depth; ++i) inner = "G(" + repeat("0,", 36) + inner + ")";
  return inner;
}

std::string formals(const char* stem, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += (i ? "," : "") + std::string(stem) + std::to_string(i);
  return out;
}

struct limit_case {
  const char* name;
  std::string defines;
  std::string within;    // an operand at the limit: assembles
  std::string beyond;    // one past it
  int error;             // reported for `beyond`
  bool fatal;
  std::string within_tokens;
};

std::vector<limit_case> limit_cases() {
  const std::string g = "#define G(" + formals("p", 37) + ") p36\n";
  return {
      {"ExpansionDepth100", chain(101), "A1", "A0", 29, true, "1"},
      {"FunctionLikeNesting50", "#define F(x) x\n", nested("F", 50), nested("F", 51), 28, true, "1"},
      {"ActiveParameters256",
       g + "#define H(" + formals("q", 34) + ") q33\n#define K(" + formals("q", 35) + ") q34\n",
       active_params(6, "H", 34), active_params(6, "K", 35), 27, true, "1"},
      {"ArgumentLength512", "#define F(x) 1\n", "F(" + std::string(512, 'a') + ")",
       "F(" + std::string(513, 'a') + ")", 30, false, "1"},
      {"PastedToken31997", "#define L(a) a##\"" + std::string(31981, '1') + "\"\n",
       "L(" + std::string(14, '2') + ")", "L(" + std::string(15, '2') + ")", 12, false, "22222222222222 \"111"},
      {"TooManyArguments", "#define F(a,b) a b\n", "F(1,2)", "F(1,2,3)", 31, true, "1 2"},
      {"TooFewArguments", "#define F(a,b) a b\n", "F(1,2)", "F(1)", 32, false, "1 2"},
      {"UnterminatedArguments", "#define F(a) a\n", "F((1))", "F((1)", 17, false, "( 1 )"},
      {"ExpansionLongerThanALine", "#define X " + repeat("x ", 8001) + "\n#define Y X X\n", "X", "Y", 20, false,
       "x x x"},
  };
}

class Limits : public PreprocessorTest, public ::testing::WithParamInterface<limit_case> {};

TEST_P(Limits, AtTheLimitAssembles) {
  const limit_case& c = GetParam();
  run(c.defines + " TOK " + c.within + "\n  END\n");
  EXPECT_TRUE(numbers().empty()) << cap.console.substr(0, 2000);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].tokens.substr(0, c.within_tokens.size()), c.within_tokens);
}

TEST_P(Limits, BeyondTheLimit) {
  const limit_case& c = GetParam();
  run(c.defines + " TOK " + c.beyond + " + 1\n TOK next\n  END\n");
  ASSERT_FALSE(numbers().empty()) << cap.console.substr(0, 2000);
  EXPECT_EQ(numbers().back(), c.error) << cap.console.substr(0, 2000);
  EXPECT_EQ(diagnostics().back().column, 6) << "shown at the name whose expansion fails";
  EXPECT_EQ(stopped, c.fatal);
  if (!c.fatal) {
    // The rest of the line is dropped; the next line is assembled.
    EXPECT_EQ(tokens(), (std::vector<std::string>{"", "next"})) << cap.console.substr(0, 2000);
  }
}

TEST_P(Limits, BeyondTheLimitGoesOnUnderTheHiddenLetter) {
  const limit_case& c = GetParam();
  cx.driver.opt.ignore_errors = 1;
  run(c.defines + " TOK " + c.beyond + " + 1\n TOK next\n  END\n");
  EXPECT_FALSE(stopped);
  EXPECT_EQ(tokens(), (std::vector<std::string>{"", "next"})) << cap.console.substr(0, 2000);
  EXPECT_EQ(cx.pre.depth, 0);
  EXPECT_EQ(cx.pre.param_nesting, 0);
  EXPECT_EQ(cx.pre.active_params, 0);
}

INSTANTIATE_TEST_SUITE_P(Preprocessor, Limits, ::testing::ValuesIn(limit_cases()), by_name);

TEST_F(PreprocessorTest, ReplacementTextLimit) {
  // Each use of a formal takes two places in the stored text.
  const std::string uses = repeat("a ", 10664) + "a";  // 3 * 10665 - 1 = 31994 places
  run("#define OK(a) " + uses + ",\n#define NO(a) " + uses + ",,\n#ifdef OK\n TOK ok\n#endif\n#ifdef NO\n TOK no\n#endif\n"
      "  END\n");
  EXPECT_EQ(tokens(), std::vector<std::string>{"ok"});
  std::vector<shown_diag> want = {{2, 9, "Error", 20, "Argument to #define too long (max is 32000)"}};
  EXPECT_EQ(diagnostics(), want) << cap.console.substr(0, 500);
}

TEST_F(PreprocessorTest, ThirtySevenFormalsAndTheThirtyEighth) {
  cx.driver.opt.ignore_errors = 1;
  run("#define F(" + formals("p", 37) + ") p36\n#define G(" + formals("p", 38) + ") p0\n TOK F(" +
      repeat("0,", 36) + "5)\n#ifdef G\n TOK defined\n#endif\n  END\n");
  EXPECT_EQ(tokens(), std::vector<std::string>{"5"});
  ASSERT_EQ(diagnostics().size(), 1u) << cap.console;
  EXPECT_EQ(diagnostics()[0].number, 21);
  EXPECT_EQ(diagnostics()[0].text, "Too many formal parameters for #define (max is 37)");
}

TEST_F(PreprocessorTest, ThirtyEighthFormalStops) {
  run("#define G(" + formals("p", 38) + ") p0\n TOK never\n  END\n");
  EXPECT_TRUE(stopped);
  EXPECT_TRUE(lines.empty());
}

struct recursion_case {
  const char* name;
  const char* source;
  int limit;  // the nesting limit that ends it
};

class Recursion : public PreprocessorTest, public ::testing::WithParamInterface<recursion_case> {};

// A define met inside its own expansion warns once and expands on until a
// nesting limit ends it.
TEST_P(Recursion, EndsWithWarning12AndANestingError) {
  cx.driver.opt.ignore_errors = 1;
  run(std::string(GetParam().source) + " TOK next\n  END\n");
  EXPECT_EQ(numbers(), (std::vector<int>{12, GetParam().limit})) << cap.console;
  EXPECT_EQ(tokens(), (std::vector<std::string>{"", "next"}));
}

const recursion_case kRecursion[] = {
    {"SelfReference", "#define A A\n TOK A\n", 29},
    {"Mutual", "#define A B+1\n#define B A+1\n TOK A\n", 29},
    {"FunctionLike", "#define F(x) F(x)\n TOK F(1)\n", 28},
    {"ThroughAnotherDefine", "#define F(x) G\n#define G F(1)\n TOK F(1)\n", 29},
};

INSTANTIATE_TEST_SUITE_P(Preprocessor, Recursion, ::testing::ValuesIn(kRecursion), by_name);

TEST_F(PreprocessorTest, ExplosiveDefinesEndInTime) {
  std::string text = "#define E0\n";
  for (int i = 1; i <= 6; ++i)
    text += "#define E" + std::to_string(i) + " " + repeat("E" + std::to_string(i - 1) + " ", 1000) + "\n";
  const auto begin = std::chrono::steady_clock::now();
  run(text + " TOK E6\n TOK next\n  END\n");
  const auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
  EXPECT_LT(seconds, 10.0);
  EXPECT_EQ(numbers(), std::vector<int>{20}) << cap.console;
  EXPECT_EQ(tokens(), (std::vector<std::string>{"", "next"}));
}

TEST_F(PreprocessorTest, ArgumentListEndsAtTheLine) {
  run("#define F(a) a\n TOK F(1\n TOK 2)\n  END\n");
  EXPECT_EQ(numbers(), std::vector<int>{17}) << cap.console;
  EXPECT_EQ(tokens(), (std::vector<std::string>{"", "2 )"}));
}

}  // namespace
