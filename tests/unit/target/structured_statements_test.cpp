// structured_statements_test.cpp — structured directives inside the statement
// loop: every diagnostic with its line and column, crossed and unbalanced
// constructs, the generated lines read back as marked source lines, defines,
// comments, include files, macros and the end of a module.
#include "target/target_state.h"
#include "driver/block_stack.h"
#include "target/structured_fixture.h"

namespace {

struct diag_case {
  const char* name;
  std::string source;
  std::vector<shown_diag> want;
};

shown_diag err(long line, int column, int number) { return {line, column, "Error", number, ""}; }
shown_diag warn(long line, int column, int number) { return {line, column, "Warning", number, ""}; }

// A step of 119 characters: more than an expression text may hold.
std::string long_step() {
  std::string step = "1";
  while (step.size() < 119) step += "+1";
  return "  FOR A = 0 TO 9 STEP " + step + "\n  ENDF\n";
}

// clang-format off
const diag_case kDiagnostics[] = {
    {"NoCondition",          "  IFS\n",                                          {err(1, 6, 0)}},
    {"ForWithoutEquals",     "  FOR A < 0 TO 5\n",                               {err(1, 9, 0)}},
    {"WordAfterElse",        "  IFS <CC>\n  ELSES X\n  ENDIFS\n",                {err(2, 9, 0)}},
    {"SwitchOnANumber",      "  SWITCH 5\n",                                     {err(1, 10, 0)}},
    {"BreakThreeOfTwo400",   "  REPEAT\n  WHILE <CC>\n  BREAK 3\n  ENDW\n  UNTIL <CS>\n", {err(3, 3, 400)}},
    {"CaseInsideIf403",      "  SWITCH A\n  IFS <CC>\n  CASE 1\n  ENDIFS\n  ENDS\n", {err(3, 3, 403)}},
    {"Continue404",          "  CONTINUE\n",                                     {err(1, 3, 404)}},
    {"ElseTwice406",         "  IFS <CS>\n  ELSES\n  ELSES\n  ENDIFS\n",         {err(3, 3, 406)}},
    {"ElseifAfterElse407",   "  IFS <CS>\n  ELSES\n  ELSEIFS <CC>\n  ENDIFS\n",  {err(3, 3, 407)}},
    {"BreakZero412",         "  REPEAT\n  BREAK 0\n  UNTIL <CC>\n",              {err(2, 9, 412)}},
    {"ByteWithPair417",      "  IFS A == AX\n",                                  {err(1, 12, 417)}},
    {"PairWithByte417",      "  WHILE DE >= B\n",                                {err(1, 15, 417)}},
    {"AddressedThrough417",  "  IFS L == [HL]\n",                                {err(1, 12, 417)}},
    {"IndexIsTheRegister417","  IFS C > [HL+C]\n",                               {err(1, 11, 417)}},
    {"WordAddressedBy417",   "  IFS HL == [HL]\n",                               {err(1, 13, 417)}},
    {"WordScratchPair417",   "  IFS DE == [BC]\n",                               {err(1, 13, 417)}},
    {"ForStartSize417",      "  FOR A = BC TO 5\n",                              {err(1, 11, 417)}},
    {"ForStartThrough417",   "  FOR B = [HL+B] TO 5\n",                          {err(1, 11, 417)}},
    {"ForLimitSize417",      "  FOR AX = 0 TO C\n",                              {err(1, 17, 417)}},
    {"CaseSize417",          "  SWITCH A\n  CASE AX\n  ENDS\n",                  {err(2, 8, 417)}},
    {"StepForward418",       "  FOR A = 0 TO 9 STEP 1+LATER\n",                  {err(1, 23, 418)}},
    {"StepTooLong418",       long_step(),                                         {err(1, 23, 418), err(2, 3, 82)}},
    {"StepWithAComma418",    "  FOR A = 0 TO 9 STEP 1,5\n",                     {err(1, 23, 418)}},
    {"BreakRegister418",     "  REPEAT\n  BREAK A\n  UNTIL <CC>\n",              {err(2, 9, 418)}},
    {"EndwClosingIf420",     "  WHILE <CC>\n  IFS <CS>\n  ENDW\n  ENDIFS\n  ENDW\n", {err(3, 3, 420)}},
    {"UntilAlone82",         "  UNTIL <CC>\n",                                   {err(1, 3, 82)}},
    {"EndifAlone82",         "  ENDIFS\n",                                       {err(1, 3, 82)}},
    {"UpToTopWarning400",    "  FOR A = 0 TO 0FFH\n  ENDF\n",                    {warn(1, 16, 400)}},
    {"DownToZeroWarning400", "  FOR BC = 10 DOWNTO 0\n  ENDF\n",                 {warn(1, 22, 400)}},
    {"NoWarningForAName",    "  FOR A = 0 TO TOP\n  ENDF\n",                     {}},
};
// clang-format on

class Diagnostics : public StructuredTest, public ::testing::WithParamInterface<diag_case> {};

TEST_P(Diagnostics, NumberLineAndColumn) {
  const diag_case& c = GetParam();
  run(c.source + "  END\n");
  EXPECT_EQ(diagnostics(), c.want) << cap.console;
  EXPECT_EQ(target_of(cx).structured.depth, 0);
  EXPECT_EQ(blocks_of_type(cx, block_type::structured), 0);
  EXPECT_TRUE(cx.blocks.open.empty());
}

INSTANTIATE_TEST_SUITE_P(Structured, Diagnostics, ::testing::ValuesIn(kDiagnostics),
                         [](const ::testing::TestParamInfo<diag_case>& i) { return std::string(i.param.name); });

TEST_F(StructuredTest, GeneratedLinesAreReadAsMarkedSourceLines) {
  run("  IFS A == 5 ; a note\n  NOP\n  ENDIFS\n  END\n");
  ASSERT_EQ(mnemonics(), (std::vector<std::string>{"CMP", "BNZ", "NOP"})) << cap.console;
  EXPECT_EQ(seen[0].operands, "A,#5");
  EXPECT_TRUE(seen[0].structured);
  EXPECT_EQ(seen[0].text, "        CMP     A,#5");
  EXPECT_TRUE(seen[1].structured);
  EXPECT_FALSE(seen[2].structured);
  EXPECT_EQ(seen[2].text, "");
  const ident_node* label = check_ident(cx, "_?1", 3, false);
  ASSERT_TRUE(label != nullptr && label->label != nullptr);
  EXPECT_TRUE(label->label->flags & LBL_DEFINED_THIS_PASS);
  EXPECT_TRUE(cap.console.empty()) << cap.console;
}

TEST_F(StructuredTest, DefinesExpandInTheDirectiveNotInGeneratedLines) {
  run("#define X 1\n#define LIM BC\n  IFS AX == LIM\n  ENDIFS\n  END\n");
  ASSERT_EQ(mnemonics(), (std::vector<std::string>{"PUSH", "XCH", "SUB", "XCH", "SUBC", "OR", "POP", "BNZ"}))
      << cap.console;
  EXPECT_EQ(seen[1].operands, "A,X");
  EXPECT_EQ(seen[2].operands, "A,C");
  EXPECT_TRUE(cap.console.empty()) << cap.console;
}

TEST_F(StructuredTest, CommentsEndTheFieldButNotInsideQuotes) {
  // A range in the comment would make a range test; a "/*" goes on after the generated lines.
  run("  SWITCH A\n  CASE ';' ; 1..2\n  ENDS /* open\n  still */ NOP\n  END\n");
  EXPECT_EQ(mnemonics(), (std::vector<std::string>{"CMP", "BNZ", "NOP"})) << cap.console;
  EXPECT_EQ(seen[0].operands, "A,#59");
  EXPECT_TRUE(cap.console.empty()) << cap.console;
}

TEST_F(StructuredTest, IncludeFileThatClosesAConstructOfItsIncluder) {
  cap.files["inc.s26"] = "  ENDW\n";
  run("  WHILE <CC>\n$inc.s26\n  ENDW\n  END\n");
  EXPECT_EQ(numbers(), (std::vector<int>{60, 82})) << cap.console;  // the second ENDW has nothing to close
  EXPECT_EQ(target_of(cx).structured.depth, 0);
  EXPECT_EQ(blocks_of_type(cx, block_type::structured), 0);
}

TEST_F(StructuredTest, OpenConstructsAtTheEndOfAModuleGiveOneError) {
  run("  REPEAT\n  WHILE <CC>\n  IFS <EQ>\n  END\n");
  EXPECT_EQ(numbers(), (std::vector<int>{60})) << cap.console;
  EXPECT_NE(cap.console.find("In structured assembly started in line 3\n"), std::string::npos) << cap.console;
  EXPECT_EQ(target_of(cx).structured.depth, 0);
  EXPECT_TRUE(cx.blocks.open.empty());
}

// A macro call among the generated lines whose expansion holds structured
// directives: what those generate is read first, then the rest of the lines.
const char* const kMacroBody = "  REPEAT\n  UNTIL <CC>\n";
std::size_t g_macro_pos = 0;

int read_macro_body(asm_context&) {
  return kMacroBody[g_macro_pos] != '\0' ? static_cast<unsigned char>(kMacroBody[g_macro_pos++]) : 0;
}

void call_macro(asm_context& cx, const statement_call&) {
  skip_tokens_to_end_of_line(cx);
  g_macro_pos = 0;
  redirect_input(cx, read_macro_body);
}

TEST_F(StructuredTest, DirectivesInAMacroCalledFromGeneratedLines) {
  before_loop = [](asm_context& c) {
    ident_node* bnz = find_kind(check_ident(c, "BNZ", 3), KIND_MNEMONIC);
    ASSERT_NE(bnz, nullptr);
    bnz->kind = KIND_MACRO;  // a macro of a mnemonic's name
    c.stmt.macro_call = call_macro;
  };
  run("  IFS A <= 1\n  NOP\n  ENDIFS\n  END\n");
  // IFS: CMP, BNC _?3, BR _?4, _?3 BNZ _?1 (the macro: REPEAT, UNTIL), _?4.
  EXPECT_EQ(mnemonics(), (std::vector<std::string>{"CMP", "BNC", "BR", "BC", "NOP"})) << cap.console;
  EXPECT_TRUE(cap.console.empty()) << cap.console;
  for (const char* name : {"_?1", "_?3", "_?4", "_?5", "_?6"}) {
    const ident_node* n = check_ident(cx, name, 3, false);
    EXPECT_TRUE(n != nullptr && n->label != nullptr && (n->label->flags & LBL_DEFINED_THIS_PASS)) << name;
  }
  EXPECT_EQ(target_of(cx).structured.reading_depth, 0);
}

TEST_F(StructuredTest, ThousandNestedConstructs) {
  std::string text;
  for (int i = 0; i < 1000; ++i) text += "  IFS <CS>\n";
  for (int i = 0; i < 1000; ++i) text += "  ENDIFS\n";
  run(text + "  END\n");
  EXPECT_TRUE(cap.console.empty()) << cap.console.substr(0, 500);
  EXPECT_EQ(target_of(cx).structured.label_counter, 2000);
  EXPECT_EQ(mnemonics().size(), 1000u);
}

TEST_F(StructuredTest, MacroEndClosesTheConstructsItOpened) {
  expand("WHILE <CC>");
  const int depth = target_of(cx).structured.depth;  // as a macro expansion would note it
  expand("REPEAT\nSWITCH A");
  EXPECT_EQ(close_structured_frames(cx, depth), 2);
  EXPECT_EQ(numbers(), (std::vector<int>{60}));
  EXPECT_EQ(close_structured_frames(cx, depth), 0);
  EXPECT_EQ(tabs("\tBR\t_?1\n_?2\t\t\n"), expand("ENDW"));  // the outer construct is intact
  EXPECT_EQ(blocks_of_type(cx, block_type::structured), 0);
}

TEST_F(StructuredTest, OverLongOperandIsTheGeneratedLinesBusiness) {
  run("  IFS A == " + std::string(20000, 'N') + "\n  ENDIFS\n  END\n");
  EXPECT_EQ(mnemonics(), (std::vector<std::string>{"CMP", "BNZ"}));
  EXPECT_EQ(numbers(), (std::vector<int>{108})) << cap.console.substr(0, 300);  // the generated CMP's name is too long
}

}  // namespace
