// conditional_test.cpp — IF, ELSE, ELSEIF and ENDIF in pass 1: every state
// against every directive, the skipper's groups and what it never reads, the
// blocks it shares with include files, and the errors with their positions.
#include <string>
#include <vector>

#include "directives/conditional.h"
#include "driver/block_stack.h"
#include "driver/statement.h"
#include "support/asm_fixture.h"
#include "support/param_names.h"

namespace {

class Conditional : public AsmTest {
 protected:
  // Pass 1 on `text`; false when the run stopped.
  bool run(const std::string& text, bool unbalanced = false) {
    return !pass_one(text, [&] { cx.cond.unbalanced = unbalanced; });
  }
  // The operands of the DB lines that were assembled, in order ("1 2 9").
  std::string assembled() const {
    std::string out;
    for (const statement_rec* r = cx.stmt.first; r != nullptr; r = r->next) {
      if (r->kind != stmt_kind::data) continue;
      const std::string text(r->line->text, r->line->text_len);
      out += (out.empty() ? "" : " ") + text.substr(text.find("DB") + 3);
    }
    return out;
  }
};

// A state is reached by its lines; the directive under test follows, then
// "DB 9" shows whether lines are assembled after it.
struct transition_case {
  const char* name;
  const char* before;
  bool unbalanced;  // state 1: the stack was found empty before
  const char* directive;
  std::vector<int> errors;
  const char* assembled;  // the DB operands assembled, in order
};

// clang-format off
const transition_case kTransitions[] = {
    // state 0: no IF open
    {"s0_else",           "",                       false, "ELSE",     {58}, "9"},
    {"s0_elseif",         "",                       false, "ELSEIF 1", {58}, "9"},
    {"s0_endif",          "",                       false, "ENDIF",    {59}, "9"},
    {"s0_if_false",       "",                       false, "IF 0",     {},   ""},
    // state 1: after error 57 lines are assembled; the directives do nothing
    {"s1_else",           "",                       true,  "ELSE",     {},   "9"},
    {"s1_elseif",         "",                       true,  "ELSEIF 0", {},   "9"},
    {"s1_endif",          "",                       true,  "ENDIF",    {},   "9"},
    {"s1_if_true",        "",                       true,  "IF 1",     {},   "9"},
    // state 2: the chosen branch
    {"s2_else",           "IF 1\n DB 1",            false, "ELSE",     {},   "1"},
    {"s2_elseif",         "IF 1\n DB 1",            false, "ELSEIF 1", {},   "1"},
    {"s2_endif",          "IF 1\n DB 1",            false, "ENDIF",    {},   "1 9"},
    {"s2_if_false",       "IF 1\n DB 1",            false, "IF 0",     {},   "1"},
    // state 3: ELSE after no branch
    {"s3_else",           "IF 0\n ELSE\n DB 1",     false, "ELSE",     {58}, "1 9"},
    {"s3_elseif",         "IF 0\n ELSE\n DB 1",     false, "ELSEIF 1", {58}, "1 9"},
    {"s3_endif",          "IF 0\n ELSE\n DB 1",     false, "ENDIF",    {},   "1 9"},
    // state 4: seeking a branch
    {"s4_else",           "IF 0\n DB 1",            false, "ELSE",     {},   "9"},
    {"s4_elseif_true",    "IF 0\n DB 1",            false, "ELSEIF 1", {},   "9"},
    {"s4_elseif_false",   "IF 0\n DB 1",            false, "ELSEIF 0", {},   ""},
    {"s4_endif",          "IF 0\n DB 1",            false, "ENDIF",    {},   "9"},
    {"s4_if_true",        "IF 0\n DB 1",            false, "IF 1",     {},   ""},
    // state 5: a branch was chosen
    {"s5_else_after_else",   "IF 1\n ELSE\n DB 1",   false, "ELSE",     {58}, ""},
    {"s5_elseif_after_else", "IF 1\n ELSE\n DB 1",   false, "ELSEIF 1", {58}, ""},
    {"s5_else_after_elseif", "IF 1\n ELSEIF 1\n DB 1", false, "ELSE",   {},   ""},
    {"s5_elseif_after_elseif", "IF 1\n ELSEIF 1\n DB 1", false, "ELSEIF 1", {}, ""},
    {"s5_endif",          "IF 1\n ELSE\n DB 1",     false, "ENDIF",    {},   "9"},
    {"s5_if_true",        "IF 1\n ELSE\n DB 1",     false, "IF 1",     {},   ""},
};
// clang-format on

class ConditionalTransitions : public Conditional, public ::testing::WithParamInterface<transition_case> {};

TEST_P(ConditionalTransitions, StateAgainstDirective) {
  const transition_case& c = GetParam();
  std::string text = std::string(" ") + c.before + "\n " + c.directive + "\n DB 9\n END\n";
  ASSERT_TRUE(run(text, c.unbalanced)) << cap.console;
  EXPECT_EQ(numbers(), c.errors) << cap.console;
  EXPECT_EQ(assembled(), c.assembled) << cap.console;
}

INSTANTIATE_TEST_SUITE_P(EveryState, ConditionalTransitions, ::testing::ValuesIn(kTransitions), by_name);

// Whole sources: which lines are assembled, and what is reported.
struct source_case {
  const char* name;
  std::string text;
  const char* assembled;
  std::vector<int> errors;
};

// clang-format off
const source_case kSources[] = {
    {"elseif_chain_takes_the_first",  " IF 0\n DB 1\n ELSEIF 1\n DB 2\n ELSEIF 1\n DB 3\n ELSE\n DB 4\n ENDIF\n", "2", {}},
    {"elseif_chain_falls_to_else",    " IF 0\n DB 1\n ELIF 0\n DB 2\n ELSE\n DB 3\n ENDIF\n",                     "3", {}},
    {"nested_group_in_skipped_lines", " IF 0\n IF 1\n DB 1\n ENDIF\n DB 2\n ELSE\n DB 3\n ENDIF\n DB 4\n",         "3 4", {}},
    {"nested_true_and_false",         " IF 1\n IF 0\n DB 1\n ELSE\n DB 2\n ENDIF\n DB 3\n ENDIF\n",                "2 3", {}},
    {"labelled_directives",           "L1: IF 0\n DB 1\nL2 ELSE\n DB 2\nL3: ENDIF\n",                             "2", {}},
    {"lower_case_in_skipped_lines",   " IF 0\n if 1\n endif\n DB 1\n else\n DB 2\n endif\n",                      "2", {}},
    {"forward_condition_is_false",    " IF LATER\n DB 1\n ENDIF\nLATER:\n DB 2\n",                                "2", {54}},
    {"forward_twice_reported_once",   " IF LATER+LATER\n DB 1\n ENDIF\nLATER:\n",                                 "", {54}},
    {"bad_operand_opens_the_block",   " IF )\n DB 1\n ENDIF\n DB 2\n",                                            "2", {0}},
    {"empty_operand_opens_the_block", " IF\n DB 1\n ENDIF\n DB 2\n",                                              "2", {0}},
    {"bad_elseif_counts_as_false",    " IF 0\n ELSEIF )\n DB 1\n ELSE\n DB 2\n ENDIF\n",                          "2", {0}},
    {"skipped_lines_are_not_lexed",   " IF 0\n DB \"open\n DB `\n " + std::string(300, 'x') + "\n ENDIF\n DB 1\n", "1", {}},
    {"word_past_255_is_not_seen",     " IF 0\n" + std::string(260, ' ') + "ENDIF\n DB 1\n ENDIF\n DB 2\n",         "2", {}},
    {"macro_body_in_skipped_lines",   " IF 0\nMM MACRO\n ENDIF\n ELSE\n ENDM\n DB 1\n ELSE\n DB 2\n ENDIF\n",    "2", {}},
    {"stray_endm_in_skipped_lines",   " IF 0\n ENDM\n DB 1\n ENDIF\n DB 2\n",                                     "2", {}},
    {"includes_in_skipped_lines",     " IF 0\n#include \"none.s26\"\n$none.s26\n ENDIF\n DB 1\n",                 "1", {}},
    {"endif_closing_structured",      " IF 1\n IFS A == 1\n ENDIF\n ENDIFS\n ENDIF\n",                            "", {81}},
    {"else_across_structured",        " IF 1\n IFS A == 1\n ELSE\n ENDIFS\n ENDIF\n DB 1\n",                      "1", {81}},
};
// clang-format on

class ConditionalSources : public Conditional, public ::testing::WithParamInterface<source_case> {};

TEST_P(ConditionalSources, AssemblesTheChosenLines) {
  const source_case& c = GetParam();
  ASSERT_TRUE(run(c.text + " END\n")) << cap.console;
  EXPECT_EQ(numbers(), c.errors) << cap.console;
  EXPECT_EQ(assembled(), c.assembled) << cap.console;
}

INSTANTIATE_TEST_SUITE_P(Sources, ConditionalSources, ::testing::ValuesIn(kSources), by_name);

TEST_F(Conditional, ErrorsStandAtTheirDirectiveWithTheBlockNote) {
  ASSERT_TRUE(run(" IF 1\n ELSE\n  ELSE\n ENDIF\n   ENDIF\n END\n"));
  const std::vector<shown_diag> want = {{3, 3, "Error", 58, ""}, {5, 4, "Error", 59, ""}};
  EXPECT_EQ(diagnostics(), want) << cap.console;
  EXPECT_TRUE(said("Error[58]: ELSE without IF\nIn conditional assembly started in line 1\n")) << cap.console;
}

TEST_F(Conditional, DeepNestingBothWays) {
  std::string text;
  for (int i = 0; i < 10000; ++i) text += " IF 1\n";
  text += " IF 0\n";
  for (int i = 0; i < 10000; ++i) text += " IF 1\n DB 1\n";
  for (int i = 0; i < 10000; ++i) text += " ENDIF\n";
  text += " ELSE\n DB 2\n ENDIF\n";
  for (int i = 0; i < 10000; ++i) text += " ENDIF\n";
  ASSERT_TRUE(run(text + " DB 3\n END\n"));
  EXPECT_EQ(any_errors(), 0) << cap.console.substr(0, 2000);
  EXPECT_EQ(assembled(), "2 3");
  EXPECT_EQ(block_depth(cx), 0);
  EXPECT_EQ(cx.cond.if_depth, 0);
}

TEST_F(Conditional, SkippedLinesAreListedOnlyWhereAListingShowsThem) {
  const std::string text = " IF 0\n DB 1\n DB 2\n ENDIF\n END\n";
  ASSERT_TRUE(run(text));
  EXPECT_EQ(cx.stmt.statements, 3);  // IF, ENDIF, END: the skipped lines make no record
  asm_fixture listed;
  listed.start_up();
  listed.cx.driver.files.list = listed.cap.table.open_file("main.lst", "w");
  ASSERT_FALSE(listed.pass_one(text));
  EXPECT_EQ(listed.cx.stmt.statements, 5);
  const statement_rec* skipped = listed.cx.stmt.first->next;
  EXPECT_EQ(std::string(skipped->line->text), " DB 1");
  EXPECT_EQ(skipped->kind, stmt_kind::nothing);
  listed.cap.table.close_file(listed.cx.driver.files.list);
  listed.cx.driver.files.list = nullptr;
}

TEST_F(Conditional, EndOfInputWhileSkippingStopsTheRun) {
  EXPECT_FALSE(run(" IF 1\n IF 0\n DB 1\n"));
  EXPECT_EQ(numbers(), std::vector<int>{57});
  EXPECT_TRUE(said("In conditional assembly started in line 2")) << cap.console;
}

TEST_F(Conditional, EndOfInputWhileSkippingGoesOnUnderIgnoredFatality) {
  cx.driver.opt.ignore_errors = 1;
  EXPECT_TRUE(run(" IF 0\n DB 1\n"));
  EXPECT_EQ(numbers(), std::vector<int>{57});
  EXPECT_EQ(block_depth(cx), 0);
  EXPECT_TRUE(cx.cond.stack.empty());
}

// An include file is a unit of its own: groups it opens end with it.
struct include_case {
  const char* name;
  const char* part;
  const char* after;  // lines of the main file after the #include
  const char* assembled;
  std::vector<int> errors;
};

// clang-format off
const include_case kIncludes[] = {
    {"balanced_skipped_groups", " IF 0\n IF 1\n ENDIF\n ENDIF\n DB 1\n", " DB 2\n ELSE\n DB 3\n ENDIF\n", "1 2", {}},
    {"open_true_group",         " IF 1\n DB 1\n",                          " DB 2\n ELSE\n DB 3\n ENDIF\n", "1 2", {57}},
    {"open_false_group",        " IF 0\n DB 1\n",                          " DB 2\n ELSE\n DB 3\n ENDIF\n", "2", {57}},
    {"closing_the_includer",    " ENDIF\n DB 1\n",                         " DB 2\n ELSE\n DB 3\n ENDIF\n", "1 2 3", {57, 58, 59}},
};
// clang-format on

class ConditionalIncludes : public Conditional, public ::testing::WithParamInterface<include_case> {};

TEST_P(ConditionalIncludes, GroupsEndWithTheirFile) {
  const include_case& c = GetParam();
  cap.files["part.s26"] = c.part;
  ASSERT_TRUE(run(std::string(" IF 1\n#include \"part.s26\"\n") + c.after + " END\n")) << cap.console;
  EXPECT_EQ(numbers(), c.errors) << cap.console;
  EXPECT_EQ(assembled(), c.assembled) << cap.console;
  EXPECT_EQ(block_depth(cx), 0);
}

INSTANTIATE_TEST_SUITE_P(Includes, ConditionalIncludes, ::testing::ValuesIn(kIncludes), by_name);

}  // namespace
