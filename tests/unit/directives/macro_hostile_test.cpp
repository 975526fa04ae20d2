// macro_hostile_test.cpp — sources meant to make expansion run away: recursion,
// bombs, deep nesting, huge counts, ends without starts, stray commands. Each
// ends with numbered errors, its expanded lines and its memory bounded.
#include <string>
#include <vector>

#include "directives/macro_support.h"
#include "support/param_names.h"

namespace {

std::string times(int n, const std::string& piece) {
  std::string out;
  for (int i = 0; i < n; ++i) out += piece;
  return out;
}

// REPT blocks nested `n` deep around one comment line.
std::string nested_repeats(int n) { return times(n, " REPT 1\n") + " ; x\n" + times(n, " ENDR\n"); }

constexpr long kLineLimit = 100000;     // the tests' bound on expanded lines (error 70 beyond)
constexpr long kCharLimit = 4000000;    // and on their characters
constexpr long kArenaBound = 256L << 20;

struct hostile_case {
  const char* name;
  std::string text;
  bool ignore_errors;  // -c!: fatal errors do not stop the run
  bool stops;
  std::vector<int> errors;
  long max_lines;      // expanded lines at most
};

// clang-format off
const hostile_case kHostile[] = {
    {"self_recursive",           "SELF MACRO\n SELF\n ENDM\n SELF\n",                      false, true,  {29}, 100},
    {"self_recursive_c",         "SELF MACRO\n SELF\n ENDM\n SELF\n DB 1\n",               true,  false, {29}, 100},
    {"bomb",                     "BOMB MACRO\n BOMB\n BOMB\n ENDM\n BOMB\n",                  false, true,  {29}, 100},
    {"bomb_c",                   "BOMB MACRO\n BOMB\n BOMB\n ENDM\n BOMB\n DB 1\n",           true,  false, {29}, 100},
    {"counted_bomb",             "BOMB MACRO n\n IF n\n BOMB n-1\n BOMB n-1\n ENDIF\n ENDM\n BOMB 60\n", false, false, {70}, kLineLimit + 1},
    {"recursion_through_repeat", "RR MACRO\n REPT 2\n RR\n ENDR\n ENDM\n RR\n",      false, true,  {29}, 200},
    {"nested_repeats_99",        nested_repeats(99),                              false, false, {},   99 * 99},
    {"nested_repeats_100",       nested_repeats(100),                             false, true,  {29}, 100 * 100},
    {"huge_count",               " REPT 7FFFFFFFH\n ; x\n ENDR\n",                false, false, {70}, kLineLimit + 1},
    {"huge_count_squared",       " REPT 7FFFFFFFH\n REPT 7FFFFFFFH\n ; x\n ENDR\n ENDR\n", false, false, {70}, kLineLimit + 1},
    {"long_lines",               "W MACRO a\n ;" + times(30, " \\1") + "\n ENDM\n REPT 100000\n W " +
                                 std::string(1000, 'x') + "\n ENDR\n",            false, false, {70}, 300},
    {"ends_without_starts",      " ENDM\n ENDR\n EXITM\n ENDR\n ENDM\n EXITM\n",  false, false, {37, 68, 37, 68, 37, 37}, 0},
    {"ends_inside_a_body",       "M MACRO\n ENDR\n EXITM\n EXITM\n ENDM\n M\n DB 1\n", false, false, {78}, 2},
    {"exitm_in_repetitions",     "M MACRO\n REPT 3\n EXITM\n ENDR\n ENDM\n M\n",  false, false, {79, 79, 79}, 6},
    {"commands_outside_a_body",  " \\L1\\+\\W\n DB 1\n",                          false, false, {15, 15, 40, 15}, 0},
    {"operator_overflow",        " MACRO OP\n ; \\L1" + times(300, "\\U") + "\n ENDM\n OP\n", false, false, {93, 93, 93, 93}, 1},
    {"operator_underflow",       " MACRO OP\n ; " + times(300, "\\O\\+\\\"") + "\n ENDM\n OP\n", false, false, {92, 92, 94, 92}, 1},
};
// clang-format on

class Hostile : public MacroTest, public ::testing::WithParamInterface<hostile_case> {};

TEST_P(Hostile, EndsInBoundedWork) {
  const hostile_case& c = GetParam();
  cx.driver.opt.ignore_errors = c.ignore_errors ? 1 : 0;
  EXPECT_EQ(!run(c.text + " END\n", kLineLimit, kCharLimit), c.stops) << cap.console.substr(0, 600);
  EXPECT_EQ(numbers(), c.errors) << cap.console.substr(0, 600);
  EXPECT_LE(cx.macros.expanded_lines, c.max_lines);
  EXPECT_LT(cx.mem.bytes_taken, kArenaBound);
  if (!c.stops) EXPECT_EQ(cx.macros.depth, 0);
}

INSTANTIATE_TEST_SUITE_P(Sources, Hostile, ::testing::ValuesIn(kHostile), by_name);

}  // namespace
