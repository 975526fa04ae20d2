// macro_test.cpp — macros in pass 1: definitions in both styles, calls and
// their actuals, LOCAL and _args, EXITM, nesting and its limits, expanded
// lines as statements of their own, and bodies that run past their source.
#include <string>
#include <vector>

#include "directives/macro_support.h"
#include "driver/block_stack.h"
#include "support/param_names.h"

namespace {

struct macro_case {
  const char* name;
  std::string text;
  const char* expanded;  // the expanded lines, " | " between them
  std::vector<int> errors;
};

// A body that shows its actuals without assembling them.
const std::string kShow = "SHOW MACRO a, b\n ; [a] [\\1] [\\2]\n ENDM\n";

// clang-format off
const macro_case kMacros[] = {
    // actuals
    {"missing_actual_is_empty",      kShow + " SHOW 1\n",                  "; [a] [1] []", {}},
    {"quotes_hold_commas",           kShow + " SHOW <2, 3>, +4\n",         "; [a] [2, 3] [+4]", {}},
    {"quotes_keep_their_blanks",     kShow + " SHOW < 2 >\n",              "; [a] [ 2 ] []", {}},
    {"empty_quotes",                 kShow + " SHOW <>, 5\n",              "; [a] [] [5]", {}},
    {"quote_only_at_the_start",      kShow + " SHOW 1<<2\n",               "; [a] [1<<2] []", {}},
    {"strings_hold_commas",          kShow + " SHOW \"x,y\", 'a;b'\n",    "; [a] [\"x,y\"] ['a;b']", {}},
    {"semicolon_ends_the_list",      kShow + " SHOW 1 ; , 2\n",            "; [a] [1] []", {}},
    {"blanks_around_are_dropped",    kShow + " SHOW   1  ,\t2  \n",        "; [a] [1] [2]", {}},
    {"unclosed_quote",               kShow + " SHOW <1, 2\n",              "; [a] [1, 2] []", {38}},
    {"quote_marks_from_the_option",  kShow + " SHOW [1, 2]\n",             "; [a] [1, 2] []", {}},
    {"all_actuals_too_long",         "M MACRO a\n ENDM\n M " + std::string(31996, '1') + "\n", "", {20}},
    // references in the body
    {"formals_and_references",       "M MACRO a\n DB a+\\1+\\2, \\\\1\n ENDM\n M 3, 4\n", "DB 3+3+4, \\1", {15}},
    {"backslash_number_zero",        "M MACRO\n DB 1\\0\n ENDM\n M 3\n",        "DB 1", {95}},
    {"backslash_lower_case",         "M MACRO\n DB \"\\n\"\n ENDM\n M\n",      "DB \"\"", {95}},
    {"formal_in_string_and_comment", "M MACRO a\n DB a, \"a\" ; a\n ENDM\n M 5\n", "DB 5, \"a\" ; a", {}},
    {"formal_case_sensitive",        "M MACRO a\n ; a A\n ENDM\n M 5\n",      "; a A", {}},
    {"formal_case_off",              " CASEOFF\nM MACRO val\n DB val, VAL\n ENDM\n M 5\n", "DB 5, 5", {}},
    {"case_rule_of_the_definition",  "M MACRO val\n DB val, VAL\n ENDM\n CASEOFF\n M 5\n", "DB 5, VAL", {}},
    {"stray_backslash_and_blank",    "M MACRO\n DB 1 \\ \n ENDM\n M\n",         "DB 1", {95}},
    {"formal_after_a_number",        "M MACRO h\n DB 0FFh, h\n ENDM\n M 1\n", "DB 0FFh, 1", {}},
    {"duplicate_formal_first_wins",  "M MACRO a, a\n DB a\n ENDM\n M 1, 2\n", "DB 1", {22}},
    // definitions
    {"indented_name_defines",        "  NM MACRO\n DB 1\n ENDM\n NM\n NM\n",   "DB 1 | DB 1", {}},
    {"column_one_macro_redefined",   "MM MACRO\n DB 1\n ENDM\nMM MACRO\n DB 2\n ENDM\n MM\n", "DB 1", {34}},
    {"label_defined_before",         "LB: DB 0\nLB MACRO\n DB 1\n ENDM\n",      "", {34}},
    {"operator_style_needs_a_name",  " MACRO\n DB 1\n ENDM\n",                "", {35}},
    {"operator_style_keyword_name",  " MACRO IF\n DB 1\n ENDM\n",             "", {34}},
    {"illegal_formal",               "M MACRO a, 1\n DB a\n ENDM\n M 2\n",   "DB 2", {36}},
    {"nested_definition",            "O MACRO x\nI MACRO\n DB x\n ENDM\n ENDM\n O 4\n I\n", "I MACRO | DB 4 | ENDM | DB 4", {}},
    {"macro_calls_macro",            kShow + "Q MACRO c\n SHOW c, <c>\n ENDM\n Q 6\n", "SHOW 6, <6> | ; [a] [6] [6]", {}},
    // ends
    {"endmac_ends_a_body",           "M MACRO\n DB 1\n ENDMAC\n M\n",           "DB 1", {}},
    {"exitm_in_if",                  "M MACRO a\n IF a\n DB 1\n EXITM\n ENDIF\n DB 2\n ENDM\n M 1\n M 0\n", "IF 1 | DB 1 | EXITM | IF 0 | ENDIF | DB 2", {}},
    {"open_if_at_the_end",           "M MACRO\n IF 1\n DB 1\n ENDM\n M\n DB 2\n", "IF 1 | DB 1", {57}},
    {"two_open_ifs_reported_once",   "M MACRO\n IF 1\n IF 0\n ENDM\n M\n DB 2\n", "IF 1 | IF 0", {57}},
    {"exitm_in_nested_ifs",          "M MACRO\n IF 1\n IF 1\n EXITM\n ENDIF\n ENDIF\n ENDM\n M\n", "IF 1 | IF 1 | EXITM", {}},
    {"exitm_in_structured_block",    "M MACRO\n SWITCH A\n EXITM\n ENDM\n M\n",  "SWITCH A | EXITM", {60}},
    {"if_0_left_open_in_repetition", " REPT 2\n IF 0\n ENDR\n DB 2\n",         "IF 0", {57}},
    {"skipping_stops_at_the_end",    "M MACRO\n IF 0\n DB 1\n ENDM\n M\n DB 2\n", "IF 0", {57}},
    {"endif_of_an_outer_if",         " IF 1\nM MACRO\n ENDIF\n ENDM\n M\n ENDIF\n", "ENDIF", {78}},
    {"exitm_outside",                " EXITM\n",                            "", {37}},
    {"endm_outside",                 " ENDM\n",                             "", {37}},
    {"endr_outside",                 " ENDR\n",                             "", {68}},
    {"exitm_in_a_repeat",            " REPT 2\n EXITM\n ENDR\n",            "EXITM | EXITM", {79, 79}},
    {"endm_in_a_repeat",             " REPT 1\n ENDM\n ENDR\n",             "ENDM", {79}},
    {"local_outside",                " LOCAL LX\n",                         "", {77}},
    {"structured_left_open_in_body", "M MACRO\n SWITCH A\n ENDM\n M\n",          "SWITCH A", {60}},
    {"repeat_left_open_in_body",     "M MACRO\n REPT 2\n DB 1\n ENDM\n M\n DB 2\n", "REPT 2 | DB 1", {76}},
};
// clang-format on

class Macros : public MacroTest, public ::testing::WithParamInterface<macro_case> {};

TEST_P(Macros, Expand) {
  const macro_case& c = GetParam();
  cx.driver.opt.macro_quote_start = c.name == std::string("quote_marks_from_the_option") ? '[' : '<';
  cx.driver.opt.macro_quote_end = c.name == std::string("quote_marks_from_the_option") ? ']' : '>';
  ASSERT_TRUE(run(c.text + " END\n")) << cap.console;
  EXPECT_EQ(numbers(), c.errors) << cap.console;
  EXPECT_EQ(expanded(), c.expanded) << cap.console;
  EXPECT_EQ(block_depth(cx), 0);
}

INSTANTIATE_TEST_SUITE_P(Sources, Macros, ::testing::ValuesIn(kMacros), by_name);

struct args_case {
  const char* name;
  const char* text;  // sets R from _args
  int value;
};

// clang-format off
const args_case kArgs[] = {
    {"counts_empty_actuals",   "M MACRO\nR SET _args\n ENDM\n M 1, , 3\n",                          3},
    {"no_actuals",             "M MACRO\nR SET _args\n ENDM\n M\n",                                0},
    {"outer_call_comes_back",  "IN MACRO\n ENDM\nOUT MACRO\n IN 1, 2\nR SET _args\n ENDM\n OUT 5\n", 1},
    {"repetition_sees_its_call","M MACRO\n REPT 2\nR SET _args\n ENDR\n ENDM\n M 1, 2\n",         2},
};
// clang-format on

class Args : public MacroTest, public ::testing::WithParamInterface<args_case> {};

TEST_P(Args, CountsTheActualsOfItsCall) {
  ASSERT_TRUE(run(std::string(GetParam().text) + " END\n"));
  EXPECT_EQ(any_errors(), 0) << cap.console;
  const ident_node* r = check_ident(cx, "R", 1, false);
  ASSERT_TRUE(r != nullptr && r->label != nullptr && r->label->value != nullptr);
  EXPECT_EQ(r->label->value->value, GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(Calls, Args, ::testing::ValuesIn(kArgs), by_name);

TEST_F(MacroTest, TooLongExpandedLineIsCut) {
  ASSERT_TRUE(run("M MACRO a\n ; a \\1 \\1\n ENDM\n M " + std::string(20000, '1') + "\n END\n"));
  const std::string text = expanded();
  EXPECT_EQ(text.size(), 31999u - 1u);  // cut to 31999 characters, the leading blank dropped here
  EXPECT_TRUE(said("Error[5]: Too long source line (max is 32000 characters); truncated")) << cap.console.substr(0, 300);
}

// A recorded line is bounded like the actuals of a call: cut with error 20
// after its last whole formal reference.
struct long_body_case {
  const char* name;
  std::string body;    // the one body line
  std::string tail;    // how its expansion ends
  std::size_t length;  // of the expansion, the leading blank dropped
};

const long_body_case kLongBodies[] = {
    {"plain_text_cut", " ; " + std::string(31996, 'x'), "xxx", 31995 - 1},
    {"last_reference_kept", " ; " + std::string(31990, 'x') + "\\1zzzz", "xyyy", 31995 - 1 - 2 + 3},
};

class LongBodies : public MacroTest, public ::testing::WithParamInterface<long_body_case> {};

TEST_P(LongBodies, RecordedLineIsCut) {
  const long_body_case& c = GetParam();
  ASSERT_TRUE(run("M MACRO a\n" + c.body + "\n ENDM\n M yyy\n END\n"));
  EXPECT_EQ(numbers(), std::vector<int>{20}) << cap.console.substr(0, 300);
  const std::string text = expanded();
  ASSERT_EQ(text.size(), c.length);
  EXPECT_EQ(text.substr(text.size() - c.tail.size()), c.tail);
}

INSTANTIATE_TEST_SUITE_P(Lines, LongBodies, ::testing::ValuesIn(kLongBodies), by_name);

TEST_F(MacroTest, ExpandedLinesAreStatementsOfTheirOwn) {
  ASSERT_TRUE(run("M MACRO a\n DB a\n  DB a+1\n ENDM\n M 5\n END\n"));
  const statement_rec* call = cx.stmt.first;
  while (call != nullptr && std::string(call->line->text) != " M 5") call = call->next;
  ASSERT_NE(call, nullptr);
  const statement_rec* first = call->next;
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(std::string(first->line->text), " DB 5");  // assembled, not swallowed by the call line
  EXPECT_EQ(first->expansion, AVM_MACRO_LINE);
  EXPECT_EQ(first->line->line_no, 5);
  ASSERT_NE(first->line->macro_line, nullptr);
  EXPECT_EQ(first->line->macro_line->line_no, 2);
  EXPECT_EQ(std::string(first->next->line->text), "  DB 5+1");
  EXPECT_EQ(first->next->operation_column, 3);
}

TEST_F(MacroTest, DiagnosticsOfAnExpandedLineShowItAndTheBodyLine) {
  ASSERT_TRUE(run("M MACRO a\n  DB a,\n ENDM\n M 5\n END\n"));
  EXPECT_EQ(numbers(), std::vector<int>{0});
  EXPECT_TRUE(said("\n  DB 5,\n")) << cap.console;
  EXPECT_TRUE(said("\"main.s26\",4  Error[0]")) << cap.console;
  EXPECT_TRUE(said("  DB a,\n-------^\n\"main.s26\",2 <- macro line location\n")) << cap.console;
}

TEST_F(MacroTest, LocalLabelsAreUniquePerCall) {
  ASSERT_TRUE(run("HERE: DB 0\nM MACRO\n LOCAL HERE\nHERE: DB 1\n DW HERE\n ENDM\n M\n M\n DW HERE\n END\n"));
  EXPECT_EQ(any_errors(), 0) << cap.console;
  const ident_node* x = check_ident(cx, "HERE", 4, false);
  ASSERT_NE(x, nullptr);
  ASSERT_NE(x->label, nullptr);
  EXPECT_EQ(x->label->defined_at->line_no, 1);  // the outer X came back
  EXPECT_TRUE(cx.macros.hidden.empty());
}

// The outer symbol comes back for every spelling of its name, also when
// lookups ignoring case were made before, between and after the calls.
TEST_F(MacroTest, LocalLabelComesBackForEverySpelling) {
  ASSERT_TRUE(run(" CASEOFF\nhere: DB 0\n DW HERE\nM MACRO\n LOCAL here\nhere: DB 1\n DW Here\n ENDM\n M\n DW hERE\n M\n"
                  " DW HeRe\n END\n"));
  EXPECT_EQ(any_errors(), 0) << cap.console;
  for (const char* spelling : {"here", "HERE", "Here"}) {
    const ident_node* x = check_ident(cx, spelling, 4, false);
    ASSERT_NE(x, nullptr) << spelling;
    ASSERT_NE(x->label, nullptr) << spelling;
    ASSERT_NE(x->label->defined_at, nullptr) << spelling;
    EXPECT_EQ(x->label->defined_at->line_no, 2) << spelling;
  }
}

TEST_F(MacroTest, ThirtySixFormalsAndActuals) {
  std::string formals, actuals;
  for (int i = 1; i <= 36; ++i) {
    formals += (i > 1 ? ",f" : "f") + std::to_string(i);
    actuals += (i > 1 ? "," : "") + std::to_string(i);
  }
  ASSERT_TRUE(run("M MACRO " + formals + "\n DB f10, f36, \\A\n ENDM\n M " + actuals + "\n M " + actuals +
                  ",37\n END\n"));
  EXPECT_EQ(numbers(), std::vector<int>{33});
  EXPECT_EQ(assembled(), "10, 36, 10 | 10, 36, 10");
}

TEST_F(MacroTest, ThirtySeventhFormalStops) {
  std::string formals = "f1";
  for (int i = 2; i <= 37; ++i) formals += ",f" + std::to_string(i);
  EXPECT_FALSE(run("M MACRO " + formals + "\n ENDM\n END\n"));
  EXPECT_TRUE(said("Error[21]: Too many formal parameters for #define (max is 36)")) << cap.console;
}

TEST(MacroNesting, HundredthNestedExpansionIsError29) {
  const std::string text = "DEEP MACRO n\n IF n > 1\n DEEP n-1\n ENDIF\n DB n\n ENDM\n DEEP ";
  for (const int depth : {99, 100}) {
    asm_fixture f;
    f.start_up();
    EXPECT_EQ(f.pass_one(text + std::to_string(depth) + "\n END\n"), depth == 100);
    EXPECT_EQ(f.numbers(), depth == 100 ? std::vector<int>{29} : std::vector<int>{}) << f.cap.console.substr(0, 500);
  }
}

TEST_F(MacroTest, BombUnderIgnoredFatalityUnwindsEverything) {
  cx.driver.opt.ignore_errors = 1;
  ASSERT_TRUE(run("BOMB MACRO\n BOMB\n BOMB\n ENDM\n BOMB\n DB 1\n END\n"));
  EXPECT_EQ(numbers(), std::vector<int>{29});
  EXPECT_EQ(assembled(), "1");
  EXPECT_EQ(cx.macros.depth, 0);
}

TEST_F(MacroTest, ExpandedLinesAreBounded) {
  ASSERT_TRUE(run("M MACRO\n DB 1\n DB 2\n ENDM\n REPT 1000\n M\n ENDR\n DB 3\n END\n", 50));
  EXPECT_EQ(numbers(), std::vector<int>{70});
  EXPECT_EQ(cx.macros.depth, 0);
  EXPECT_EQ(cx.macros.expanded_lines, 51);
}

// Bodies that would run past their source stop there.
struct unfinished_case {
  const char* name;
  const char* part;  // an include file, or ""
  std::string text;
  bool stops;
  std::vector<int> errors;
};

// clang-format off
const unfinished_case kUnfinished[] = {
    {"macro_open_at_end_of_input",    "", "M MACRO\n DB 1\n",                          true,  {4}},
    {"repeat_open_at_end_of_input",   "", " REPT 2\n DB 1\n",                          true,  {76}},
    {"macro_open_at_end",             "", "M MACRO\n DB 1\n END\n",                    true,  {4}},
    {"macro_open_in_include_file",    "M MACRO\n DB 1\n", "#include \"part.s26\"\n DB 2\n END\n", true, {4}},
    {"repeat_open_in_include_file",   " REPT 2\n DB 1\n", "#include \"part.s26\"\n DB 2\n END\n", false, {75}},
    {"macro_open_in_repetition",      "", " REPT 1\nM MACRO\n ENDR\n DB 2\n END\n", true, {4}},
    {"include_in_expansion",          " DB 1\n", "M MACRO\n#include \"part.s26\"\n ENDM\n M\n END\n", true, {99}},
    {"include_in_repetition",         " DB 1\n", " REPT 2\n#include \"part.s26\"\n ENDR\n END\n", true, {99}},
    {"dollar_include_in_expansion",   " DB 1\n", " REPT 2\n$part.s26\n ENDR\n END\n", true, {99}},
};
// clang-format on

class Unfinished : public MacroTest, public ::testing::WithParamInterface<unfinished_case> {};

TEST_P(Unfinished, StopsAtTheEndOfItsSource) {
  const unfinished_case& c = GetParam();
  if (*c.part != '\0') cap.files["part.s26"] = c.part;
  EXPECT_EQ(!run(c.text), c.stops) << cap.console;
  EXPECT_EQ(numbers(), c.errors) << cap.console;
}

INSTANTIATE_TEST_SUITE_P(Bodies, Unfinished, ::testing::ValuesIn(kUnfinished), by_name);

TEST_F(MacroTest, RecordingEndsAtEndUnderIgnoredFatality) {
  cx.driver.opt.ignore_errors = 1;
  ASSERT_TRUE(run("M MACRO\n DB 1\n END\n DB 2\n"));
  EXPECT_EQ(numbers(), std::vector<int>{4});
  EXPECT_TRUE(cx.driver.program_ended);
  EXPECT_EQ(cx.stmt.mode, line_mode::normal);
}

TEST_F(MacroTest, DumpOfRecordingAndExpansion) {
  cx.driver.opt.macro_debug = 1;
  ASSERT_TRUE(run("M MACRO a\n DB a, \\2\n ENDM\n M 1, 2\n END\n"));
  EXPECT_TRUE(said("Data stored during macro recording:\n DB \\1, \\2\n")) << cap.console;
  EXPECT_TRUE(said("\nExpanding macro:\nArguments:1,2\nData to be expanded:\n DB \\1, \\2\nEnd of 'M'\n")) << cap.console;
}

// Operator style: formal 11 shows as its number, the command "\A" as written.
TEST_F(MacroTest, DumpOfAnOperatorStyleBody) {
  cx.driver.opt.macro_debug = 1;
  ASSERT_TRUE(run(" MACRO OP f1,f2,f3,f4,f5,f6,f7,f8,f9,f10,f11\n DB f11, \\A, \\1\n ENDM\n END\n"));
  EXPECT_TRUE(said("Data stored during macro recording:\n DB \\11, \\A, \\1\n")) << cap.console;
}

}  // namespace
