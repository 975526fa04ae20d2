// include_test.cpp — include files (A05): search order, nesting limit, bad
// names, missing files, directories, cycles, "$" lines, depth checks at the
// end of an include file, END inside one, file names and the file index table.
#include <unistd.h>

#include <filesystem>

#include "driver/block_stack.h"
#include "support/asm_fixture.h"
#include "support/param_names.h"

namespace {

// One line as the consumer saw it, with the position the reader gave it.
struct read_line_rec {
  std::string text;  // including the newline
  std::string file;
  long line_no;
};

std::vector<std::string> texts(const std::vector<read_line_rec>& lines) {
  std::vector<std::string> out;
  for (const read_line_rec& l : lines) out.push_back(l.text);
  return out;
}

class IncludeTest : public AsmTest {
 protected:
  // Reads everything, opening includes as the preprocessor would: a line
  // "#include <operand>" and "$name" lines. Stops that the diagnostics module
  // makes of fatal errors are caught so the reader's own recovery shows.
  std::vector<read_line_rec> consume() {
    std::vector<read_line_rec> out;
    for (int c = get_char(cx); c != -1; c = get_char(cx)) {
      unget_char(cx, c);
      if (c == '$') {
        bool took = false;
        stops([&] { took = include_dollar_line(cx); });
        if (took || cx.source.line_pos == cx.source.line_end) continue;
      }
      std::string text = next_line();
      out.push_back({text, cx.source.file_name, cx.source.line_no});
      static const std::string kInclude = "#include";
      if (text.compare(0, kInclude.size(), kInclude) == 0) {
        std::string operand = text.substr(kInclude.size());
        stops([&] { include_operand(cx, operand.data(), operand.size()); });
      }
    }
    return out;
  }
};

TEST_F(IncludeTest, LinesCarryTheirFileAndNumber) {
  cap.files["a.inc"] = "a1\na2";  // no final newline
  start("m1\n#include \"a.inc\"\nm3\n");
  std::vector<read_line_rec> lines = consume();
  ASSERT_EQ(lines.size(), 5u);
  const read_line_rec expected[] = {{"m1\n", "main.s26", 1},
                                    {"#include \"a.inc\"\n", "main.s26", 2},
                                    {"a1\n", "a.inc", 1},
                                    {"a2\n", "a.inc", 2},
                                    {"m3\n", "main.s26", 3}};
  for (std::size_t i = 0; i < lines.size(); ++i) {
    EXPECT_EQ(lines[i].text, expected[i].text) << i;
    EXPECT_EQ(lines[i].file, expected[i].file) << i;
    EXPECT_EQ(lines[i].line_no, expected[i].line_no) << i;
  }
  EXPECT_EQ(cx.source.file_index, 0);
  EXPECT_EQ(cx.source.total_lines, 5);
  EXPECT_EQ(cx.source.include_depth, 0);
  EXPECT_EQ(any_errors(), 0) << cap.console;
}

TEST_F(IncludeTest, FileIndexTableKeepsOneEntryPerFile) {
  cap.files["a.inc"] = "a\n";
  cap.files["b.inc"] = "b\n";
  start("#include \"a.inc\"\n#include \"b.inc\"\n#include \"a.inc\"\n");
  std::vector<read_line_rec> lines = consume();
  ASSERT_EQ(file_table_size(cx), 3);
  EXPECT_STREQ(file_table_name(cx, 0), "main.s26");
  EXPECT_STREQ(file_table_name(cx, 1), "a.inc");
  EXPECT_STREQ(file_table_name(cx, 2), "b.inc");
  EXPECT_STREQ(file_table_name(cx, 3), "");
  EXPECT_EQ(texts(lines).size(), 6u);
}

// Quoted names search from the source's directory, angle names from the
// entry after it: the search list as the command line builds it.
struct search_case {
  const char* operand;
  const char* expected;
};

class IncludeSearch : public IncludeTest, public ::testing::WithParamInterface<search_case> {};

TEST_P(IncludeSearch, StartsAtTheRightEntry) {
  cap.files["src/x.inc"] = "from src\n";
  cap.files["inc/x.inc"] = "from inc\n";
  cap.files["only.inc"] = "from cwd\n";
  cx.driver.include_paths = {"src", "inc/", ""};
  start(std::string("#include ") + GetParam().operand + "\n");
  std::vector<std::string> got = texts(consume());
  ASSERT_EQ(got.size(), 2u) << cap.console;
  EXPECT_EQ(got[1], GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Order, IncludeSearch,
                         ::testing::Values(search_case{"\"x.inc\"", "from src\n"},
                                           search_case{"<x.inc>", "from inc\n"},
                                           search_case{"  <only.inc>", "from cwd\n"},
                                           search_case{"\"only.inc\"", "from cwd\n"}),
                         [](const auto& info) { return spelled_name(info.param.operand); });

TEST_F(IncludeTest, MissingIncludeIsError2AndReadingGoesOn) {
  start("#include \"missing.inc\"\nnext\n");
  std::vector<std::string> got = texts(consume());
  EXPECT_EQ(got, (std::vector<std::string>{"#include \"missing.inc\"\n", "next\n"}));
  EXPECT_EQ(errors(2), 1);
  EXPECT_NE(cap.console.find("missing.inc"), std::string::npos) << cap.console;
  EXPECT_EQ(cx.source.include_depth, 0);
}

struct bad_name_case {
  const char* name;
  std::string operand;
};

class BadIncludeName : public IncludeTest, public ::testing::WithParamInterface<bad_name_case> {};

TEST_P(BadIncludeName, IsError3AndNothingIsOpened) {
  cap.files["abc"] = "should not be read\n";
  start("x\nnext\n");
  EXPECT_EQ(next_line(), "x\n");
  const std::string& op = GetParam().operand;
  bool opened = false;
  stops([&] { opened = include_operand(cx, op.data(), op.size()); });
  EXPECT_FALSE(opened);
  EXPECT_EQ(errors(3), 1) << cap.console;
  EXPECT_EQ(cx.source.include_depth, 0);
  EXPECT_EQ(next_line(), "next\n");
}

INSTANTIATE_TEST_SUITE_P(
    Names, BadIncludeName,
    ::testing::Values(bad_name_case{"Unclosed", " \"abc"}, bad_name_case{"UnclosedAngle", " <abc"},
                      bad_name_case{"NoDelimiter", " abc"}, bad_name_case{"Nothing", ""},
                      bad_name_case{"EmptyQuoted", "\"\""}, bad_name_case{"EmptyAngle", "<>"},
                      bad_name_case{"WrongCloser", "<abc\""},
                      bad_name_case{"ClosedOnNextLine", "\"ab\nc\""},
                      bad_name_case{"NulInName", std::string("\"ab\0c\"", 6)}),
    by_name);

TEST_F(IncludeTest, EleventhNestedIncludeIsError1AndSkipped) {
  // level.inc includes the next level each time; the chain is 11 deep.
  for (int i = 1; i <= 11; ++i)
    cap.files["l" + std::to_string(i) + ".inc"] =
        "#include \"l" + std::to_string(i + 1) + ".inc\"\nin " + std::to_string(i) + "\n";
  cap.files["l12.inc"] = "deepest\n";
  start("#include \"l1.inc\"\nmain\n");
  std::vector<std::string> got = texts(consume());
  EXPECT_EQ(errors(1), 1) << cap.console;
  EXPECT_EQ(errors(2), 0);
  // Levels 1..10 were read, the 11th was not opened.
  EXPECT_EQ(std::count(got.begin(), got.end(), "in 10\n"), 1);
  EXPECT_EQ(std::count(got.begin(), got.end(), "in 11\n"), 0);
  EXPECT_EQ(got.back(), "main\n");
  EXPECT_EQ(cx.source.include_depth, 0);
}

TEST_F(IncludeTest, IncludeCycleStopsAtTheDepthLimit) {
  cap.files["self.inc"] = "#include \"self.inc\"\nX\n";
  start("#include \"self.inc\"\nend\n");
  std::vector<std::string> got = texts(consume());
  EXPECT_EQ(std::count(got.begin(), got.end(), "X\n"), kMaxIncludeDepth);
  EXPECT_EQ(errors(1), 1);
  EXPECT_EQ(got.back(), "end\n");
  EXPECT_EQ(file_table_size(cx), 2);
}

TEST_F(IncludeTest, IncludeInsideMacroExpansionIsError99) {
  cap.files["a.inc"] = "a\n";
  start("x\nnext\n");
  next_line();
  cx.source.macro_expansion = 1;
  bool opened = false;
  stops([&] { opened = include_operand(cx, "\"a.inc\"", 7); });
  EXPECT_FALSE(opened);
  EXPECT_EQ(errors(99), 1);
  EXPECT_EQ(cx.source.include_depth, 0);
  EXPECT_EQ(next_line(), "next\n");
  cx.source.macro_expansion = 0;
  EXPECT_TRUE(include_operand(cx, "\"a.inc\"", 7));
}

class IncludeDirectory : public IncludeTest {
 protected:
  std::string dir;
  void SetUp() override {
    IncludeTest::SetUp();
    // One folder per test: the tests run in parallel processes.
    dir = ::testing::TempDir() + "qasm_include_dir_" +
          ::testing::UnitTest::GetInstance()->current_test_info()->name() + "_" + std::to_string(getpid());
    std::filesystem::create_directories(dir + "/first/x.inc");  // a directory named like the file
    std::filesystem::create_directories(dir + "/second");
  }
  void TearDown() override {
    IncludeTest::TearDown();
    std::filesystem::remove_all(dir);
  }
};

TEST_F(IncludeDirectory, IsNotAnIncludeFile) {
  start("next\n");
  const std::string op = "\"" + dir + "\"";
  bool opened = false;
  stops([&] { opened = include_operand(cx, op.data(), op.size()); });
  EXPECT_FALSE(opened);
  EXPECT_EQ(errors(2), 1) << cap.console;
  EXPECT_EQ(cx.source.include_depth, 0);
  EXPECT_EQ(next_line(), "next\n");
}

TEST_F(IncludeDirectory, SearchGoesOnPastADirectoryOfTheSameName) {
  cap.files[dir + "/second/x.inc"] = "found\n";
  cx.driver.include_paths = {dir + "/first", dir + "/second"};
  start("#include \"x.inc\"\n");
  std::vector<std::string> got = texts(consume());
  ASSERT_EQ(got.size(), 2u) << cap.console;
  EXPECT_EQ(got[1], "found\n");
}

TEST_F(IncludeTest, EmptyIncludeFileReturnsToTheParent) {
  const std::string path = ::testing::TempDir() + "qasm_empty.inc";
  cap.table.close_file(cap.table.open_file(path.c_str(), "w"));
  start("#include \"" + path + "\"\nafter\n");
  std::vector<read_line_rec> lines = consume();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[1].text, "after\n");
  EXPECT_EQ(lines[1].line_no, 2);
  std::filesystem::remove(path);
}

TEST_F(IncludeTest, IncludeEndingInsideContinuationEndsItsLine) {
  cap.files["c.inc"] = "part\\";
  start("#include \"c.inc\"\nafter\n");
  EXPECT_EQ(texts(consume()), (std::vector<std::string>{"#include \"c.inc\"\n", "part\n", "after\n"}));
}

// ---- "$" lines ----------------------------------------------------------------

TEST_F(IncludeTest, DollarLineIncludesAsQuoted) {
  cap.files["src/d.inc"] = "d1\n";
  cap.files["inc/d.inc"] = "wrong\n";
  cx.driver.include_paths = {"src", "inc", ""};
  start("$d.inc ; comment\nafter\n");
  std::vector<read_line_rec> lines = consume();
  ASSERT_EQ(lines.size(), 2u) << cap.console;
  EXPECT_EQ(lines[0].text, "d1\n");
  EXPECT_EQ(lines[0].file, "src/d.inc");
  EXPECT_EQ(lines[1].text, "after\n");
}

TEST_F(IncludeTest, DollarWithoutNameIsError3) {
  start("$\nafter\n");
  EXPECT_EQ(texts(consume()), std::vector<std::string>{"after\n"});
  EXPECT_EQ(errors(3), 1);
}

struct dollar_error_case {
  const char* name;
  std::string line;  // the "$" line, second of the main file
  int error;
};

class DollarLineError : public IncludeTest, public ::testing::WithParamInterface<dollar_error_case> {};

TEST_P(DollarLineError, PointsAtColumn1OfItsLine) {
  // Each level includes the next; the eleventh is one too many.
  for (int i = 1; i <= 11; ++i) cap.files["l" + std::to_string(i) + ".inc"] = "$l" + std::to_string(i + 1) + ".inc\n";
  start("ok\n" + GetParam().line + "\nafter\n");
  cx.diag.token_column = 9;  // where the lexer left the previous line
  consume();
  const long line = GetParam().error == 1 ? 1 : 2;  // error 1 is met in the tenth include file
  EXPECT_EQ(diagnostics(), (std::vector<shown_diag>{{line, 1, "Error", GetParam().error, ""}})) << cap.console;
}

INSTANTIATE_TEST_SUITE_P(Errors, DollarLineError,
                         ::testing::Values(dollar_error_case{"NoName", "$", 3},
                                           dollar_error_case{"Missing", "$missing.inc ; x", 2},
                                           dollar_error_case{"TooDeep", "$l1.inc", 1}),
                         by_name);

TEST_F(IncludeTest, DollarLineInFalseGroupIsAnOrdinaryLine) {
  cap.files["d.inc"] = "d\n";
  start("$d.inc\n");
  EXPECT_EQ(get_char(cx), '$');
  cx.source.in_false_group = true;
  EXPECT_FALSE(include_dollar_line(cx));
  EXPECT_EQ(get_char(cx), 'd');
  EXPECT_EQ(cx.source.include_depth, 0);
}

// ---- Depth checks at the end of an include file -----------------------------

struct depth_case {
  const char* name;
  block_type type;
  int error;
};

// Blocks cut off by the end of an include file, as their owners learn it.
int g_cut[kBlockTypes];
template <block_type T>
void note_cut(asm_context&, int count) {
  g_cut[static_cast<int>(T)] += count;
}

class DepthAtIncludeEnd : public IncludeTest, public ::testing::WithParamInterface<depth_case> {
 protected:
  // The including file is inside one block of each kind already.
  void open_outer_blocks() {
    for (block_type t : {block_type::conditional, block_type::repeat, block_type::structured}) push_block(cx, t, 1);
    cx.blocks.on_cut[static_cast<int>(block_type::conditional)] = note_cut<block_type::conditional>;
    cx.blocks.on_cut[static_cast<int>(block_type::repeat)] = note_cut<block_type::repeat>;
    cx.blocks.on_cut[static_cast<int>(block_type::structured)] = note_cut<block_type::structured>;
    for (int& n : g_cut) n = 0;
  }
};

TEST_P(DepthAtIncludeEnd, IsReportedAndClosed) {
  cap.files["open.inc"] = "opens a block\n";
  start("#include \"open.inc\"\nafter\n");
  open_outer_blocks();
  EXPECT_EQ(next_line(), "#include \"open.inc\"\n");
  ASSERT_TRUE(include_operand(cx, "\"open.inc\"", 10));
  EXPECT_EQ(next_line(), "opens a block\n");
  push_block(cx, GetParam().type, 7);  // the include file opens one more and never closes it
  EXPECT_EQ(next_line(), "after\n");
  EXPECT_EQ(errors(GetParam().error), 1) << cap.console;
  EXPECT_EQ(any_errors(), 1);
  EXPECT_EQ(block_depth(cx), 3);  // the outer blocks stay open
  // The owning module learns what the file left open; the note names its start.
  EXPECT_EQ(g_cut[static_cast<int>(GetParam().type)], 1);
  EXPECT_NE(cap.console.find("started in line 7"), std::string::npos) << cap.console;
}

INSTANTIATE_TEST_SUITE_P(Kinds, DepthAtIncludeEnd,
                         ::testing::Values(depth_case{"Structured", block_type::structured, 60},
                                           depth_case{"Repeat", block_type::repeat, 75},
                                           depth_case{"Conditional", block_type::conditional, 57}),
                         by_name);

TEST_F(IncludeTest, AllThreeDepthsAreCheckedInOrder) {
  cap.files["open.inc"] = "x\n";
  start("#include \"open.inc\"\n");
  next_line();
  ASSERT_TRUE(include_operand(cx, "\"open.inc\"", 10));
  next_line();
  for (block_type t : {block_type::conditional, block_type::repeat, block_type::structured}) push_block(cx, t, 2);
  EXPECT_EQ(next_line(), "");
  const std::size_t s = cap.console.find("Error[60]:");
  const std::size_t r = cap.console.find("Error[75]:");
  const std::size_t c = cap.console.find("Error[57]:");
  ASSERT_NE(c, std::string::npos) << cap.console;
  EXPECT_LT(s, r);
  EXPECT_LT(r, c);
  EXPECT_EQ(block_depth(cx), 0);
}

// ---- END inside an include file -------------------------------------------------

TEST_F(IncludeTest, EndInsideIncludeIsWarning18) {
  cap.files["e.inc"] = "END\nnot read\n";
  start("#include \"e.inc\"\n");
  EXPECT_FALSE(end_in_include(cx));
  EXPECT_EQ(warnings(18), 0);
  next_line();
  ASSERT_TRUE(include_operand(cx, "\"e.inc\"", 7));
  EXPECT_EQ(next_line(), "END\n");
  EXPECT_TRUE(end_in_include(cx));
  EXPECT_EQ(warnings(18), 1) << cap.console;
  close_include_files(cx);
  EXPECT_EQ(cx.source.include_depth, 0);
}

}  // namespace
