// macro_operators_test.cpp — operator-style macros: each command of the stack
// machine, what it inserts, and what it does with too few entries, out-of-range
// indexes and arithmetic at the ends of 32 bits.
#include <string>
#include <vector>

#include "directives/macro_support.h"
#include "support/param_names.h"

namespace {

struct operator_case {
  const char* name;
  const char* body;     // one body line; the macro is called with "abcdef", "xy"
  const char* expanded;
  std::vector<int> errors;
};

// clang-format off
const operator_case kOperators[] = {
    {"sum",                 "; \\L5\\L3\\+",                 "; 0008", {}},
    {"difference_top_first","; \\L5\\L3\\-",                 "; -002", {}},
    {"product",             "; \\L2\\L3\\*",                 "; 0006", {}},
    {"quotient_top_first",  "; \\L2\\L7\\/",                 "; 0003", {}},
    {"division_by_zero",    "; \\L0\\L7\\/",                 "; 0000", {94}},
    {"min_over_minus_one",  "; \\L1\\N\\L2147483647\\I\\/",   "; -001-2147483648-2147483648", {}},
    {"sum_wraps",           "; \\L2147483647\\L1\\+",        "; -2147483648", {}},
    {"negate_decrement",    "; \\L4\\N\\D",                  "; -004-005", {}},
    {"literal_and_point",   "; \\L12.3",                     "; 3", {}},
    {"sum_of_nothing",      "; \\+",                         ";", {92}},
    {"sum_of_one",          "; \\L1\\+\\.",                 "; 0001", {92}},
    {"exchange_one",        "; \\L1\\A\\.",                 "; 0001", {94}},
    {"exchange_and_pop",    "; \\L1\\L2\\A\\<\\<",           "; 000100010002", {}},
    {"copy_and_drop",       "; \\L7\\U\\O\\O",               "; 00070007", {}},
    {"depth_and_keep",      "; \\L1\\L2\\L3\\$\\L2\\=",        "; 00030002", {}},
    {"keep_negative",       "; \\L1\\L2\\N\\=\\.",            "; -00200010001", {92}},
    {"pick_itself",         "; \\L7\\L0\\R",                 "; 0000", {}},
    {"pick_below",          "; \\L7\\L1\\N\\R",              "; -0010007", {}},
    {"pick_below_bottom",   "; \\L5\\N\\R",                  "; -005", {92}},
    {"pick_beyond_the_top", "; \\L200\\R",                   ";", {93}},
    {"store_below",         "; \\L0\\L1\\N\\L9\\S\\<",         "; -00100090009", {}},
    {"actuals",             "; \\1\\2\\0\\3",                "; abcdefxy", {}},
    {"actual_count",        "; \\?",                         "; 0002", {}},
    {"actual_length",       "; \\L1\\%\\L3\\%",               "; 00060000", {}},
    {"counter",             "; \\@\\@",                      "; 00000001", {}},
    {"substring",           "; \\L4\\L2\\L1\\\"",             "; bcd", {}},
    {"substring_backwards", "; \\L2\\L4\\L1\\\"",             "; dcb", {}},
    {"substring_clamped",   "; \\L99\\L5\\L2\\\"",            "; y", {}},
    {"substring_no_actual", "; \\L1\\L1\\L9\\\"",             ";", {94}},
    {"substring_too_few",   "; \\L1\\\"\\.",                "; 0001", {94}},
    {"store_beyond_the_top","; \\L200\\L7\\S\\$",            "; 0002", {93}},
    {"commands_off",        "; \\F\\L5\\.",                  "; \\L5\\.", {}},
    {"commands_on_again",   "; \\F\\L5\\T\\L6\\.",            "; \\L50006", {}},
    {"unknown_command",     "; \\W",                         ";", {95}},
    {"formals_by_name",     "f1 f2 f10 f11",                "abcdef xy", {40}},
    {"command_owns_letter", "f2 \\f1\\L2",                   "xy 1\\L2", {40, 15}},
    {"formal_after_quote",  "f1 \\L2\\L1\\L1\\\" f2",        "abcdef ab xy", {40}},
};
// clang-format on

class Operators : public MacroTest, public ::testing::WithParamInterface<operator_case> {};

TEST_P(Operators, Expand) {
  const operator_case& c = GetParam();
  std::string formals;
  for (int i = 1; i <= 12; ++i) formals += (i > 1 ? ",f" : "f") + std::to_string(i);
  ASSERT_TRUE(run(" MACRO OP " + formals + "\n " + c.body + "\n ENDM\n OP abcdef, xy\n END\n")) << cap.console;
  EXPECT_EQ(numbers(), c.errors) << cap.console;
  EXPECT_EQ(expanded(), c.expanded) << cap.console;
}

INSTANTIATE_TEST_SUITE_P(Commands, Operators, ::testing::ValuesIn(kOperators), by_name);

TEST_F(MacroTest, StackOverflowLeavesTheStackFull) {
  std::string pushes;
  for (int i = 0; i < 101; ++i) pushes += "\\L1";
  ASSERT_TRUE(run(" MACRO OP\n ; " + pushes + "\\$\n ENDM\n OP\n END\n"));
  EXPECT_EQ(numbers(), (std::vector<int>{93, 93}));  // the 101st push and the count
  EXPECT_EQ(cx.macros.ops.size, 100);
}

TEST_F(MacroTest, CommandsFollowTheConditionalState) {
  ASSERT_TRUE(run(" MACRO OP\n IF 0\n DB \\T\\L1\n ELSE\n ; \\T\\L2\\.\n ENDIF\n ENDM\n OP\n END\n"));
  EXPECT_EQ(any_errors(), 0) << cap.console;
  EXPECT_EQ(expanded(), "IF 0 | ELSE | ; 0002 | ENDIF");
  EXPECT_EQ(cx.macros.ops.size, 1);  // the skipped line pushed nothing
}

}  // namespace
