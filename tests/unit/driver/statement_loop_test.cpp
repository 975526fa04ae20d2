// statement_loop_test.cpp — pass 1 of a module (A03): one record per line,
// the label field, the paths of the operation field and where they start.
#include <string>
#include <vector>

#include "driver/statement.h"
#include "driver/statement_loop.h"
#include "support/asm_fixture.h"

namespace {

// What a path saw when the loop handed it a line.
struct path_call {
  std::string label;
  std::string operation;
  int operation_column;
  std::string raw_rest;  // the rest of the line read as characters
};

std::vector<path_call>* g_calls = nullptr;  // the test's log; paths are plain functions

void record_path(asm_context& cx, const statement_call& call) {
  path_call c{call.label ? call.label->name : "", call.operation->name, call.operation_column, ""};
  for (int ch = get_char(cx); ch != '\n' && ch != -1; ch = get_char(cx)) c.raw_rest += static_cast<char>(ch);
  unget_char(cx, '\n');
  g_calls->push_back(c);
}

class StatementLoop : public AsmTest {
 protected:
  std::vector<path_call> calls;

  void SetUp() override {
    AsmTest::SetUp();
    g_calls = &calls;
  }
  void TearDown() override { g_calls = nullptr; }

  // Pass 1 on `text` with a mnemonic MOV and a macro MAC whose paths log what they see.
  void run(const std::string& text) {
    pass_one(text, [&] {
      check_ident(cx, "MAC", 3)->kind = KIND_MACRO;
      cx.stmt.instruction = record_path;
      cx.stmt.macro_call = record_path;
    });
  }
};

TEST_F(StatementLoop, PathsStartRightAfterTheOperationName) {
  cx.driver.opt.case_given = 1;  // -s-: "mac" is the macro MAC
  cx.driver.opt.case_sensitive = 0;
  run("  MOV A,#1\nL1: MAC  x, <y>\nL2 MOV\n  mac\n  END\n");
  ASSERT_EQ(calls.size(), 4u) << cap.console;
  EXPECT_EQ(calls[0].label, "");
  EXPECT_EQ(calls[0].operation, "MOV");
  EXPECT_EQ(calls[0].operation_column, 3);
  EXPECT_EQ(calls[0].raw_rest, " A,#1");
  EXPECT_EQ(calls[1].label, "L1");
  EXPECT_EQ(calls[1].operation, "MAC");
  EXPECT_EQ(calls[1].raw_rest, "  x, <y>");
  EXPECT_EQ(calls[2].label, "L2");
  EXPECT_EQ(calls[2].raw_rest, "");
  EXPECT_EQ(calls[3].operation, "MAC");
  EXPECT_EQ(diagnostics().size(), 0u) << cap.console;
  EXPECT_TRUE(cx.driver.program_ended);
}

TEST_F(StatementLoop, LabelsAreDefinedBeforeThePathRuns) {
  run("L1: MOV\nL1 MAC\n  END\n");
  std::vector<shown_diag> want = {{2, 1, "Error", 42, ""}};
  EXPECT_EQ(diagnostics(), want) << cap.console;
  label_rec* rec = check_ident(cx, "L1", 2, false)->label;
  ASSERT_NE(rec, nullptr);
  EXPECT_EQ(rec->flags & (LBL_DEFINED_THIS_PASS | LBL_UNDEFINED), uint32_t{LBL_DEFINED_THIS_PASS});
  ASSERT_NE(rec->defined_at, nullptr);
  EXPECT_EQ(rec->defined_at->line_no, 1);
}

TEST_F(StatementLoop, OneRecordPerLine) {
  cx.driver.opt.listing_flags = 0x123;
  run("A1:\n\n; comment\n  /* open\n  still */ B1:\n  END\nafter END\n");
  EXPECT_EQ(cx.stmt.statements, 6);
  statement_rec* last = cx.stmt.current;
  ASSERT_NE(last, nullptr);
  EXPECT_EQ(std::string(last->line->text), "  END");
  EXPECT_EQ(last->line->line_no, 6);
  EXPECT_EQ(last->operation_column, 3);
  EXPECT_EQ(last->listing_flags, 0x123u);
  EXPECT_NE(check_ident(cx, "B1", 2, false), nullptr);  // a label after the comment's end
  EXPECT_EQ(check_ident(cx, "after", 5, false), nullptr);  // never read
}

TEST_F(StatementLoop, OperandColumnsOfALineReadToItsEnd) {
  run("  XX  a, (b,c) ,d\n");  // the only line: its record is the last one
  statement_rec* rec = cx.stmt.current;
  ASSERT_NE(rec, nullptr);
  EXPECT_EQ(rec->operation_column, 3);
  EXPECT_EQ(rec->operand_column[0], 7);
  EXPECT_EQ(rec->operand_column[1], 10);  // after the first comma outside parentheses
  std::vector<shown_diag> want = {{1, 3, "Error", 40, ""}};
  EXPECT_EQ(diagnostics(), want);
  EXPECT_FALSE(cx.driver.program_ended);
}

TEST_F(StatementLoop, MacroNamesFollowTheUserCaseRule) {
  run("  mac\n  END\n");  // case sensitive by default: "mac" is no macro
  EXPECT_TRUE(calls.empty());
  std::vector<shown_diag> want = {{1, 3, "Error", 40, ""}};
  EXPECT_EQ(diagnostics(), want);
}

TEST_F(StatementLoop, KeywordInColumnOneIsTheOperation) {
  run("MOV B\nEND\n");
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].label, "");
  EXPECT_EQ(calls[0].raw_rest, " B");
  EXPECT_TRUE(cx.driver.program_ended);
}

}  // namespace
