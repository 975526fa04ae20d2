// structured_expand_test.cpp — the lines each construct generates, per core:
// exact text with its generated labels, the exchange sequences, FOR's start
// values, the labels skipped when in use and the tab stops. What the compare,
// loop and flag sequences do is run on the model in structured_run_test.cpp.
#include "target/target_state.h"
#include "target/structured_fixture.h"

namespace {

struct expansion_case {
  const char* name;
  int processor;       // -v0/-v1 (78K0) or -v2 (78K0S)
  const char* script;  // one statement a line
  const char* lines;   // expected text, tabs at width 8
};

// clang-format off
const expansion_case kExpansions[] = {
    {"IfFlagElse", 0, "IFS <CS>\nELSES\nENDIFS",
     "\tBNC\t_?1\n\tBR\t_?2\n_?1\t\t\n_?2\t\t\n"},
    {"IfElseifElse", 0, "IFS A <= 10\nELSEIFS A > 20\nELSES\nENDIFS",
     "\tCMP\tA,#10\n\tBNC\t_?3\n\tBR\t_?4\n_?3\tBNZ\t_?1\n_?4\t\t\n"
     "\tBR\t_?2\n_?1\t\t\n\tCMP\tA,#20\n\tBC\t_?5\n\tBZ\t_?5\n"
     "\tBR\t_?2\n_?5\t\t\n"
     "_?2\t\t\n"},
    {"IfWordMemory78K0S", 2, "IFS AX >= VAR\nENDIFS",
     "\tPUSH\tBC ; *** Simulate a CMPW AX, !addr16\n\tPUSH\tAX\n\tMOVW\tBC,AX\n"
     "\tMOV\tA,VAR\n\tMOV\tX,A\n\tMOV\tA,VAR+1\n\tXCHW\tAX,BC\n\tXCH\tA,X\n\tSUB\tA,C\n\tXCH\tA,X\n"
     "\tSUBC\tA,B\n\tOR\tA,X\n\tPOP\tAX\n\tPOP\tBC ; *** End CMPW AX, !addr16\n\tBC\t_?1\n_?1\t\t\n"},
    {"WordSymbolImmediate78K0S", 2, "IFS AX == #SYM\nENDIFS",
     "\tCMPW\tAX,#SYM\n\tBNZ\t_?1\n_?1\t\t\n"},
    {"RepeatUntil", 0, "REPEAT\nUNTIL A >= VAR",
     "_?1\t\t\n\tCMP\tA,VAR\n\tBC\t_?1\n_?2\t\t\n"},
    {"ForTo", 0, "FOR A = 0 TO 10\nENDF",
     "\tMOV\tA, #0\n\tBR\t_?2\n_?1\t\t\n_?3\tINC\tA\n_?2\t\t\n\tCMP\tA,#10\n\tBC\t_?1\n\tBZ\t_?1\n_?4\t\t\n"},
    {"SwitchCases", 0, "SWITCH A\nCASE 1\nBREAK\nCASE 2\nCASE 5..9\nDEFAULT\nENDS",
     "\tCMP\tA,#1\n\tBNZ\t_?2\n"
     "\tBR\t_?1\n"
     "_?2\t\t\n\tCMP\tA,#2\n\tBNZ\t_?3\n"
     "\tBR\t_?4\n_?3\t\t\n\tCMP\tA,#5\n\tBC\t_?5\n\tCMP\tA,#9\n\tBNZ\t_?6\n\tBR\t_?7\n_?6\tBNC\t_?5\n_?7\t\t\n_?4\t\t\n"
     "_?5\t\t\n"
     "_?1\t\t\n"},
    {"BreakInsideIfLeavesWhile", 0, "WHILE <CC>\nIFS <EQ>\nBREAK\nENDIFS\nCONTINUE\nENDW",
     "_?1\tBC\t_?2\n\tBNZ\t_?3\n\tBR\t_?2\n_?3\t\t\n\tBR\t_?1\n\tBR\t_?1\n_?2\t\t\n"},
    {"BreakTwoAndContinueFor", 0, "WHILE <CS>\nFOR C = 1 TO 3\nBREAK 2\nCONTINUE\nENDF\nENDW",
     "_?1\tBNC\t_?2\n\tMOV\tC, #1\n\tBR\t_?4\n_?3\t\t\n\tBR\t_?2\n\tBR\t_?5\n"
     "_?5\tINC\tC\n_?4\t\t\n\tXCH\tA,C\n\tCMP\tA,#3\n\tXCH\tA,C\n\tBC\t_?3\n\tBZ\t_?3\n_?6\t\t\n"
     "\tBR\t_?1\n_?2\t\t\n"},
    {"NumericRegisterNamesInAnyCase", 0, "ifs r3 != r1\nendifs",
     "\tXCH\tA,B\n\tCMP\tA,B\n\tXCH\tA,B\n\tBZ\t_?1\n_?1\t\t\n"},
    {"WordsStandAlone", 0, "FOR A = TOTAL TO BYTES STEP 1\nENDF",
     "\tMOV\tA, TOTAL\n\tBR\t_?2\n_?1\t\t\n_?3\tINC\tA\n_?2\t\t\n\tCMP\tA,BYTES\n\tBC\t_?1\n\tBZ\t_?1\n_?4\t\t\n"},
};
// clang-format on

class Expansions : public StructuredTest, public ::testing::WithParamInterface<expansion_case> {};

TEST_P(Expansions, GeneratedText) {
  const expansion_case& c = GetParam();
  core(c.processor);
  EXPECT_EQ(expand(c.script), tabs(c.lines)) << cap.console;
}

INSTANTIATE_TEST_SUITE_P(Structured, Expansions, ::testing::ValuesIn(kExpansions),
                         [](const ::testing::TestParamInfo<expansion_case>& i) { return std::string(i.param.name); });

TEST_F(StructuredTest, LabelsInUseAreSkipped) {
  check_ident(cx, "_?1", 3, true);
  check_ident(cx, "_?3", 3, true);
  EXPECT_EQ(expand("IFS <CC>\nELSES\nENDIFS"), tabs("\tBC\t_?2\n\tBR\t_?4\n_?2\t\t\n_?4\t\t\n"));
  EXPECT_EQ(expand("REPEAT"), tabs("_?5\t\t\n"));  // the counter goes on over the run
}

TEST_F(StructuredTest, TabStopsFollowTheTabWidth) {
  cx.source.tab_width = 4;
  EXPECT_EQ(expand("IFS A == 5\nENDIFS"), "    CMP A,#5\n    BNZ _?1\n_?1     \n");
  cx.source.tab_width = 8;
  target_of(cx).structured.label_counter = 12345677;  // a label longer than a tab stop
  EXPECT_EQ(expand("REPEAT"), "_?12345678" + std::string(14, ' ') + "\n");
}

}  // namespace
