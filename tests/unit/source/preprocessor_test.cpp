// preprocessor_test.cpp — #define expansion as the lexer delivers it (A02):
// object-like and function-like defines, arguments, "#" and "##", rescanning,
// the built-in symbols, -D and -U, and the diagnostics of #define lines.
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "source/preprocessor_fixture.h"
#include "target/target.h"

namespace {

struct expansion_case {
  const char* name;
  const char* source;
  std::vector<std::string> tokens;  // of the TOK lines
  std::vector<int> diagnostics;     // numbers shown, in order
};

class DefineExpansion : public PreprocessorTest, public ::testing::WithParamInterface<expansion_case> {};

TEST_P(DefineExpansion, Tokens) {
  const expansion_case& c = GetParam();
  run(std::string(c.source) + "  END\n");
  EXPECT_EQ(tokens(), c.tokens) << cap.console;
  EXPECT_EQ(numbers(), c.diagnostics) << cap.console;
  EXPECT_FALSE(stopped) << cap.console;
}

const expansion_case kExpansions[] = {
    {"ObjectLike", "#define SIX 6\n TOK SIX+SIX\n", {"6 + 6"}, {}},
    {"EmptyTextIsDefinedAndEmpty", "#define E\n TOK [E]\n#ifdef E\n TOK yes\n#endif\n", {"[ ]", "yes"}, {}},
    {"Rescanned", "#define A B+1\n#define B C*2\n#define C 3\n TOK A\n", {"3 * 2 + 1"}, {}},
    {"NotInStringsOrOtherNames", "#define X 1\n TOK \"X\",'X',XX,X_1\n", {"\"X\" , 88 , XX , X_1"}, {}},
    {"NotInComments", "#define X 1\n TOK X ; X\n TOK X /* X */ X\n", {"1", "1 1"}, {}},
    {"ExactCaseOnly", "#define Low 1\n TOK Low low LOW\n", {"1 low LOW"}, {}},
    {"FunctionLike", "#define ADD(a,b) a+b\n TOK ADD(1,2)*3\n", {"1 + 2 * 3"}, {}},
    {"BlanksBeforeTheParenthesis", "#define F(a) [a]\n TOK F  (1)\n", {"[ 1 ]"}, {}},
    {"WithoutParenthesisTheNameStays", "#define F(a) [a]\n TOK F + 1\n", {"F + 1"}, {}},
    {"ArgumentsKeepParenthesesStringsAndCharacters",
     "#define F(a,b) <a|b>\n TOK F((1,2),\",\")\n TOK F(',',x)\n",
     {"< ( 1 , 2 ) | \",\" >", "< 44 | x >"},
     {}},
    {"ArgumentCommentsRemoved", "#define F(a,b) a b\n TOK F(x /* , */ , y)\n", {"x y"}, {}},
    {"ArgumentsAreExpandedFirst", "#define SUM(a,b) (a+b)\n#define T 7\n TOK SUM(1,SUM(T,2))\n",
     {"( 1 + ( 7 + 2 ) )"},
     {}},
    {"ParenthesisFromTheLineAfterAnExpansion", "#define F G\n#define G(x) [x]\n TOK F(5)\n", {"[ 5 ]"}, {}},
    {"StringizeFoldsBlanks", "#define S(x) #x\n TOK S(a   b)\n TOK S(  lone  )\n", {"\"a b\"", "\"lone\""}, {}},
    {"StringizeEscapesQuotesAndBackslashes", "#define S(x) #x\n TOK S(\"q\\n\")\n", {"\"\"q\\n\"\""}, {}},
    {"StringizeTakesTheArgumentAsWritten", "#define S(x) #x\n#define V 5\n TOK S(V)\n", {"\"V\""}, {}},
    {"PasteJoinsTokens", "#define CAT(a,b) a ## b\n TOK CAT(LAB,12) CAT(0F,FH)\n", {"LAB12 255"}, {}},
    {"PasteOperandsAreNotExpanded", "#define CAT(a,b) a##b\n#define X 1\n#define X2 two\n TOK CAT(X,2)\n",
     {"two"},
     {}},
    {"PasteInObjectLike", "#define P lo ## ng\n TOK P\n", {"long"}, {}},
    {"HashInObjectLikeIsKept", "#define IMM #10\n TOK A,IMM\n", {"A , # 10"}, {}},
    {"NoGluingWithTheFollowingText", "#define F(x) x\n TOK F(a)b\n", {"a b"}, {}},
    {"Undef", "#define X 1\n TOK X\n#undef X\n TOK X\n", {"1", "X"}, {}},
    {"RedefinitionWithTheSameTextIsQuiet", "#define X ( 1 )\n#define X (   1 ) // again\n TOK X\n", {"( 1 )"}, {}},
    {"RedefinitionReplaces", "#define X 1\n#define X 2\n TOK X\n", {"2"}, {9}},
    {"ZeroFormals", "#define F() 9\n TOK F()\n", {"9"}, {}},
    {"EmptyArgumentWarns", "#define F(a) [a]\n TOK F()\n", {"[ ]"}, {11}},
    {"WrongStringOperatorsDropped", "#define F(x) # y ## \n TOK F(1)\n#define G(x) ## x\n TOK G(2)\n",
     {"y", "2"},
     {7, 7, 7}},
    {"ContinuedComment", "#define X 1 /* runs on\n  TOK X */ TOK X\n", {"1"}, {}},
};

INSTANTIATE_TEST_SUITE_P(Defines, DefineExpansion, ::testing::ValuesIn(kExpansions), by_name);

TEST_F(PreprocessorTest, ExpandedNameInColumnOneIsTheLabel) {
  run("#define LBL start\nLBL: TOK x\n#define LBL2 start2\nLBL2 TOK y\n  END\n");
  EXPECT_TRUE(numbers().empty()) << cap.console;
  for (const char* name : {"start", "start2"}) {
    ident_node* node = check_ident(cx, name, std::strlen(name), false);
    ASSERT_NE(node, nullptr) << name;
    ASSERT_NE(node->label, nullptr) << name;
    EXPECT_TRUE(node->label->flags & LBL_DEFINED_THIS_PASS) << name;
  }
}

TEST_F(PreprocessorTest, ColumnsAfterAnExpansionAreThoseOfTheLine) {
  // The bad token after the expansion is shown where it stands in the line.
  run("#define LONGER_NAME 1\n TOK LONGER_NAME ` X\n  END\n");
  std::vector<shown_diag> want = {{2, 18, "Error", 15, ""}};
  EXPECT_EQ(diagnostics(), want) << cap.console;
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].first_column, 6);
}

TEST_F(PreprocessorTest, BuiltInSymbols) {
  cx.driver.assembly_time = 826366246;
  std::tm local{};
  localtime_r(&cx.driver.assembly_time, &local);
  char date[32];
  char time[32];
  std::strftime(date, sizeof date, "\"%b %e %Y\"", &local);
  std::strftime(time, sizeof time, "\"%H:%M:%S\"", &local);
  cap.files["sub/inc.h"] = "\n TOK __LINE__,__FILE__\n";
  run(" TOK __LINE__ __DATE__ __TIME__\n TOK __TID__,__BUILD_NUMBER__,__VER__,__SUBVERSION__\n"
      " TOK __VEK_SYSTEMS_ASM__ __VEK_SYSTEMS_ASM __QASM__ __CORE__\n"
      " TOK __78K0_BASIC__ __78K0__ __78K0S__ __78K0R__\n#include \"sub/inc.h\"\n TOK __LINE__\n  END\n");
  std::vector<std::string> want = {
      std::string("1 ") + date + " " + time, "7680 , 50016 , 4 * 100 + 6 * 10 + 2 , 5", "1 1 1 0", "0 1 2 3",
      "2 , \"sub/inc.h\"", "6"};
  EXPECT_EQ(tokens(), want) << cap.console;
}

TEST_F(PreprocessorTest, FileNameIsQuotedWithEscapes) {
  // A backslash gets one in front, a character that is not printable an escape;
  // stringizing the value shows it as it was made.
  cap.files["d\\q\x01.h"] = "#define S(x) #x\n#define XS(x) S(x)\n#message XS(__FILE__)\n#message __FILE__\n";
  run("#include \"d\\q\x01.h\"\n  END\n");
  EXPECT_EQ(messages(), (std::vector<std::string>{"\"d\\\\q\\x01.h\"", "d\\q\x01.h"})) << cap.console;
}

TEST_F(PreprocessorTest, CoreFollowsTheProcessorOption) {
  cx.driver.opt.processor_option = 2;
  run(" TOK __CORE__ __TID__\n#if __CORE__ == __78K0S__\n TOK s\n#endif\n  END\n");
  EXPECT_EQ(tokens(), (std::vector<std::string>{"2 7714", "s"})) << cap.console;
  EXPECT_EQ(target_core_number(cx), 2);
}

TEST_F(PreprocessorTest, BuiltInsAreDefinedInTheirOrderBeforeCommandLineDefines) {
  cx.driver.command_defines = {{"ZZ", "1", false}};
  run("  END\n");
  std::vector<std::string> names;
  for (const define_rec* d = cx.pre.first_define; d != nullptr; d = d->next) names.push_back(d->node->name);
  std::vector<std::string> want = {"__LINE__", "__FILE__", "__DATE__", "__TIME__", "__TID__",
                                   "__BUILD_NUMBER__", "__VEK_SYSTEMS_ASM__", "__VEK_SYSTEMS_ASM",
                                   "__QASM__", "__78K0_BASIC__", "__78K0__", "__78K0S__", "__78K0R__",
                                   "__CORE__", "__SUBVERSION__", "__VER__", "ZZ"};
  EXPECT_EQ(names, want);
  EXPECT_EQ(cx.pre.last_define->line, 0);
  EXPECT_EQ(define_display_text(cx, cx.pre.last_define), "1");
}

struct command_case {
  const char* name;
  std::vector<command_define> defines;  // in the order they take effect
  std::vector<std::string> tokens;
};

class DefineOptions : public PreprocessorTest, public ::testing::WithParamInterface<command_case> {};

TEST_P(DefineOptions, DefinesBeforeTheFirstLine) {
  cx.driver.command_defines = GetParam().defines;
  run("#if X+0\n TOK true\n#else\n TOK false\n#endif\n#ifdef X\n TOK [X]\n#endif\n  END\n");
  EXPECT_EQ(tokens(), GetParam().tokens) << cap.console;
  EXPECT_TRUE(numbers().empty()) << cap.console;
}

const command_case kCommandCases[] = {
    {"NameAloneIsOne", {{"X", "1", false}}, {"true", "[ 1 ]"}},
    {"ValueZeroIsFalse", {{"X", "0", false}}, {"false", "[ 0 ]"}},
    {"EmptyValue", {{"X", "", false}}, {"false", "[ ]"}},
    {"UndefineAfterDefine", {{"X", "1", false}, {"X", "", true}}, {"false"}},
    {"UndefineOfNothing", {{"X", "", true}}, {"false"}},
};

INSTANTIATE_TEST_SUITE_P(Options, DefineOptions, ::testing::ValuesIn(kCommandCases), by_name);

TEST_F(PreprocessorTest, CommandLineValueIsTakenAsText) {
  cx.driver.command_defines = {{"V", "a  +  b", false}};
  run(" TOK V\n  END\n");
  EXPECT_EQ(tokens(), std::vector<std::string>{"a + b"}) << cap.console;
}

// ---- Diagnostics of directive lines ----------------------------------------------------

struct directive_error {
  const char* name;
  const char* line;
  std::vector<shown_diag> want;  // on line 1; a text given is compared too
};

class DirectiveLineErrors : public PreprocessorTest, public ::testing::WithParamInterface<directive_error> {};

TEST_P(DirectiveLineErrors, FirstErrorOfTheLine) {
  cx.driver.opt.ignore_errors = 1;  // fatal ones go on, so that the line after is seen
  run(std::string(GetParam().line) + "\n TOK next\n  END\n");
  const std::vector<shown_diag> got = diagnostics();
  EXPECT_EQ(got, GetParam().want) << cap.console;
  for (std::size_t i = 0; i < got.size() && i < GetParam().want.size(); ++i) {
    if (!GetParam().want[i].text.empty()) {
      EXPECT_EQ(got[i].text, GetParam().want[i].text);
    }
  }
  EXPECT_EQ(tokens(), std::vector<std::string>{"next"}) << cap.console;
}

const directive_error kDirectiveErrors[] = {
    {"HashAlone", "#", {{1, 2, "Error", 16, ""}}},
    {"NumberForKeyword", "# 12", {{1, 3, "Error", 16, ""}}},
    {"UnknownKeyword", "#frob x", {{1, 2, "Error", 18, "No such pre-processor command: 'frob'"}}},
    {"KeywordsAreLowerCase", "#DEFINE X", {{1, 2, "Error", 18, ""}}},
    {"NoBlankAfterKeyword", "#define(X) 1", {{1, 8, "Error", 10, ""}}},
    {"DefineWithoutName", "#define 5", {{1, 9, "Error", 16, ""}}},
    {"RepeatedFormal", "#define F(a,b,a) a", {{1, 15, "Error", 22, "Macro parameter 'a' redefined"}}},
    {"FormalsNotSeparated", "#define F(a b) a", {{1, 13, "Error", 23, ""}}},
    {"FormalListOpen", "#define F(a", {{1, 12, "Error", 23, ""}}},
    {"EmptyFormal", "#define F(a,) a", {{1, 13, "Error", 16, ""}}},
    {"UndefOfNothingIsIgnored", "#undef NOTHING", {}},
    {"UndefWithMore", "#undef X Y", {{1, 10, "Error", 19, ""}}},
    {"ElseWithoutIf", "#else", {{1, 2, "Error", 24, ""}}},
    {"ElifWithoutIf", "#elif 1", {{1, 2, "Error", 24, ""}}},
    {"EndifWithoutIf", "#endif", {{1, 2, "Error", 24, ""}}},
    {"IfdefWithoutName", "#ifdef\n#endif", {{1, 7, "Error", 16, ""}}},
    {"IfdefWithMore", "#ifdef X Y\n#endif", {{1, 10, "Error", 19, ""}}},
    {"MessageOfANumber", "#message 12", {{1, 10, "Error", 0, ""}}},
    {"MessageOfACharacter", "#message 'ab'", {{1, 10, "Error", 0, ""}}},
    {"MessageWithMore", "#message \"a\" b", {{1, 14, "Error", 19, ""}}},
    {"ErrorDirective", "#error  stop   here ; why", {{1, 2, "Error", 25, "#error 'stop here'."}}},
    {"IncludeWithoutName", "#include", {{1, 9, "Error", 3, ""}}},
    {"IncludeWithMore", "#include \"x.h\" y", {{1, 10, "Error", 19, ""}}},
    {"IncludeNotFound", "#include \"nothing.h\"", {{1, 10, "Error", 2, "Failed to open #include file 'nothing.h'"}}},
    {"IfWithMore", "#if 1,2\n#endif", {{1, 6, "Error", 19, ""}}},
};

INSTANTIATE_TEST_SUITE_P(Lines, DirectiveLineErrors, ::testing::ValuesIn(kDirectiveErrors), by_name);

TEST_F(PreprocessorTest, ErrorDirectiveStops) {
  run("#error bad\n TOK never\n  END\n");
  EXPECT_TRUE(stopped);
  EXPECT_TRUE(lines.empty());
  EXPECT_NE(cap.console.find("Fatal! Execution terminated"), std::string::npos) << cap.console;
}

TEST_F(PreprocessorTest, MessageGoesToTheConsole) {
  run("#define TXT \"from define\"\n#message \"hello\\tworld\"\n#message TXT\n#if 0\n#message \"no\"\n#endif\n  END\n");
  EXPECT_EQ(messages(), (std::vector<std::string>{"hello\tworld", "from define"})) << cap.console;
  EXPECT_TRUE(numbers().empty()) << cap.console;
}

TEST_F(PreprocessorTest, PragmaAndLineAreAccepted) {
  run("#pragma anything at all\n#line 12 \"x.c\"\n TOK __LINE__\n  END\n");
  EXPECT_EQ(tokens(), std::vector<std::string>{"3"});
  EXPECT_TRUE(numbers().empty()) << cap.console;
}

TEST_F(PreprocessorTest, IncludeThroughADefine) {
  cap.files["h.inc"] = " TOK __LINE__ in\n";
  cx.driver.include_paths = {"", ""};  // names in angle brackets skip the first entry
  run("#define H \"h.inc\"\n#define A <h.inc>\n#include H\n#include A\n TOK __LINE__\n  END\n");
  EXPECT_EQ(tokens(), (std::vector<std::string>{"1 in", "1 in", "5"})) << cap.console;
  EXPECT_TRUE(numbers().empty()) << cap.console;
}

TEST_F(PreprocessorTest, FormalTextsAreKeptForTheListing) {
  run("#define F(alpha,b) #alpha+b##b\n  END\n");
  const define_rec* d = find_define(cx, "F", 1);
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(define_display_text(cx, d), "#alpha+b##b");
  EXPECT_EQ(d->line, 1);
  EXPECT_EQ(d->formal_count, 2);
}

}  // namespace
