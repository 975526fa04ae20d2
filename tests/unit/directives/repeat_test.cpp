// repeat_test.cpp — REPT, REPTI and REPTC: counts and their errors, items and
// characters, nesting, LOCAL per repetition, and the -B dump.
#include <string>
#include <vector>

#include "directives/macro_support.h"
#include "driver/block_stack.h"
#include "support/param_names.h"

namespace {

struct repeat_case {
  const char* name;
  const char* text;
  const char* expanded;
  std::vector<int> errors;
};

// clang-format off
const repeat_case kRepeats[] = {
    {"rept_three",            " REPT 3\n DB 1\n ENDR\n",                      "DB 1 | DB 1 | DB 1", {}},
    {"rept_zero",             " REPT 0\n DB 1\n ENDR\n",                      "", {}},
    {"rept_negative",         " REPT 0-2\n DB 1\n ENDR\n",                    "", {74}},
    {"rept_forward",          " REPT LATER\n DB 1\n ENDR\nLATER:\n",          "", {54}},
    {"rept_relocatable",      " RSEG CODE\nHERE:\n REPT HERE\n DB 1\n ENDR\n",            "", {53}},
    {"rept_empty_body",       " REPT 2147483647\n ENDR\n",                    "", {}},
    {"repti_items",           " REPTI R, 1, <2, 3>, \"D,E\"\n DB R\n ENDR\n", "DB 1 | DB 2, 3 | DB \"D,E\"", {}},
    {"repti_no_items",        " REPTI R\n DB R\n ENDR\n",                    "", {36}},
    {"repti_bad_formal",      " REPTI 1, 2\n DB 1\n ENDR\n",                  "", {36}},
    {"reptc_string",          " REPTC CH, \"abc\"\n DB '\\1'\n ENDR\n",        "DB 'a' | DB 'b' | DB 'c'", {}},
    {"reptc_text",            " REPTC CH, xy  ; z\n ; CH\n ENDR\n",          "; CH | ; CH", {}},
    {"reptc_formal",          " REPTC CH, pq\n DB CH\n ENDR\n",               "DB p | DB q", {}},
    {"reptc_open_string",     " REPTC CH, \"ab\n ; \\1\n ENDR\n",             "; a | ; b", {13}},
    {"nested_repeats",        " REPT 2\n REPTI R, 1, 2\n DB R\n ENDR\n ENDR\n", "REPTI R, 1, 2 | DB R | ENDR | DB 1 | DB 2 | REPTI R, 1, 2 | DB R | ENDR | DB 1 | DB 2", {}},
    {"local_per_repetition",  " REPT 2\n LOCAL HERE\nHERE: DB 1\n ENDR\n",     "LOCAL HERE | HERE: DB 1 | LOCAL HERE | HERE: DB 1", {}},
    {"macro_inside",          " REPT 2\nM MACRO\n ENDM\n ENDR\n",             "M MACRO | ENDM | M MACRO | ENDM", {34}},
    {"nested_classes",        " REPTC C, ab\n REPTI R, x\n REPT 1\n ; C R\n ENDR\n ENDR\n ENDR\n", "REPTI R, x | REPT 1 | ; C R | ENDR | ENDR | REPT 1 | ; C R | ENDR | ; C R | REPTI R, x | REPT 1 | ; C R | ENDR | ENDR | REPT 1 | ; C R | ENDR | ; C R", {}},
    {"repti_semicolon_ends",  " REPTI R, 1 ; , 2\n DB R\n ENDR\n",          "DB 1", {}},
    {"repti_open_quote",      " REPTI R, <1, 2\n DB R\n ENDR\n",            "DB 1, 2", {38}},
    {"endif_crossing",        " IF 1\n REPT 1\n ENDIF\n ENDR\n ENDIF\n",      "ENDIF", {79}},
};
// clang-format on

class Repeats : public MacroTest, public ::testing::WithParamInterface<repeat_case> {};

TEST_P(Repeats, Expand) {
  const repeat_case& c = GetParam();
  ASSERT_TRUE(run(std::string(c.text) + " END\n")) << cap.console;
  EXPECT_EQ(numbers(), c.errors) << cap.console;
  EXPECT_EQ(expanded(), c.expanded) << cap.console;
  EXPECT_EQ(block_depth(cx), 0);
}

INSTANTIATE_TEST_SUITE_P(Blocks, Repeats, ::testing::ValuesIn(kRepeats), by_name);

TEST_F(MacroTest, HugeCountsEndAtTheLineLimit) {
  ASSERT_TRUE(run(" REPT 2147483647\n DB 1\n ENDR\n END\n", 1000));
  EXPECT_EQ(numbers(), std::vector<int>{70});
  EXPECT_EQ(cx.macros.depth, 0);
}

// Counts beyond 16 bits are not narrowed; operands beyond the old 2,046
// characters are read whole.
TEST_F(MacroTest, LargeCountsAndLongOperandsRepeatInFull) {
  std::string items;
  for (int i = 0; i < 1000; ++i) items += "," + std::to_string(i);
  ASSERT_TRUE(run(" REPT 10001H\n ; x\n ENDR\n REPTI V" + items + "\n ; \\1\n ENDR\n REPTC C, " +
                  std::string(3000, 'c') + "\n ; \\1\n ENDR\n END\n"));
  EXPECT_EQ(any_errors(), 0) << cap.console.substr(0, 300);
  EXPECT_EQ(cx.macros.expanded_lines, 0x10001 + 1000 + 3000);
  const std::string text = expanded();
  EXPECT_NE(text.find("; 998 | ; 999 | ; c | ; c"), std::string::npos);
}

struct dump_case {
  const char* name;
  const char* text;
  const char* dump;
};

// clang-format off
const dump_case kDumps[] = {
    {"rept",  " REPT 2\n DB 1\n ENDR\n",          "Data stored during REPT  recording:\nCount:2\nTexts:\n DB 1\n"},
    {"repti", " REPTI R, 1, 2\n DB R\n ENDR\n",   "Data stored during REPTI  recording:\nCount:2\nFormal:R\nActuals:\n1\n2\nTexts:\n DB \\1\n"},
    {"reptc", " REPTC C, \"ab\"\n DB 'C'\n ENDR\n", "Data stored during REPTC  recording:\nCount:2\nFormal:C\nActuals:\na\nb\nTexts:\n DB 'C'\n"},
};
// clang-format on

class RepeatDumps : public MacroTest, public ::testing::WithParamInterface<dump_case> {};

TEST_P(RepeatDumps, ShowTheRecord) {
  cx.driver.opt.macro_debug = 1;
  ASSERT_TRUE(run(std::string(GetParam().text) + " END\n"));
  EXPECT_TRUE(said(GetParam().dump)) << cap.console;
}

INSTANTIATE_TEST_SUITE_P(Blocks, RepeatDumps, ::testing::ValuesIn(kDumps), by_name);

}  // namespace
