// reader_test.cpp — physical lines (A05): tabs, continuation, truncation, end
// of file, line counts, standard input, multibyte checks and bad input.
#include <algorithm>
#include <clocale>
#include <filesystem>
#include <cstring>

#include "support/asm_fixture.h"
#include "support/param_names.h"

namespace {

class ReaderTest : public AsmTest {};

// ---- Tab expansion --------------------------------------------------------

struct tab_case {
  int width;
  const char* input;
  const char* expected;
};

class TabExpansion : public ReaderTest, public ::testing::WithParamInterface<tab_case> {};

TEST_P(TabExpansion, MovesToNextMultipleOfWidth) {
  cx.driver.opt.tab_spacing = GetParam().width;
  start(GetParam().input);
  EXPECT_EQ(next_line(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Columns, TabExpansion,
    ::testing::Values(tab_case{8, "abcde\tX\n", "abcde   X\n"},       // column 5 -> 8
                      tab_case{4, "abcde\tX\n", "abcde   X\n"},       // column 5 -> 8
                      tab_case{4, "abcdefgh\tX\n", "abcdefgh    X\n"},  // column 8 -> 12
                      tab_case{8, "\tX\n", "        X\n"},              // column 0 -> 8
                      tab_case{8, "abcdefg\tX\n", "abcdefg X\n"},       // column 7 -> 8
                      tab_case{2, "a\t\tX\n", "a   X\n"},                // 1 -> 2 -> 4
                      tab_case{9, "ab\tX\n", "ab       X\n"},            // 2 -> 9
                      // Columns count in the joined line, not in the physical one.
                      tab_case{8, "ab\\\n\tX\n", "ab      X\n"},
                      tab_case{8, "\t\n", "        \n"}),
    [](const auto& info) { return "width" + std::to_string(info.param.width) + "_" + spelled_name(info.param.input); });

// ---- Continuation, end of file, line ends -----------------------------------

struct lines_case {
  const char* name;
  std::string input;
  std::vector<std::string> expected;
  long last_line_no;  // line number of the last line delivered
};

class LineShapes : public ReaderTest, public ::testing::WithParamInterface<lines_case> {};

TEST_P(LineShapes, AreDeliveredAsExpected) {
  start(GetParam().input);
  std::vector<std::string> got = all_lines();
  EXPECT_EQ(got, GetParam().expected);
  EXPECT_EQ(cx.source.line_no, GetParam().last_line_no);
  EXPECT_EQ(get_char(cx), -1);  // and stays at the end
  EXPECT_EQ(get_char(cx), -1);
  EXPECT_EQ(any_errors(), 0) << cap.console;
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, LineShapes,
    ::testing::Values(
        lines_case{"Continuation", "a\\\nb\n", {"ab\n"}, 2},
        lines_case{"TwoContinuations", "a\\\n\\\nb\nc\n", {"ab\n", "c\n"}, 4},
        lines_case{"EmptyLineEndsContinuation", "a\\\n\nb\n", {"a\n", "b\n"}, 3},
        // The backslash left at the join belongs to the first line, not to the empty one.
        lines_case{"JoinKeepsEarlierBackslash", "a\\\\\n\nb\n", {"a\\\n", "b\n"}, 3},
        lines_case{"BackslashNotLast", "a\\ \nb\n", {"a\\ \n", "b\n"}, 2},
        lines_case{"NoFinalNewline", "x\ny", {"x\n", "y\n"}, 2},
        lines_case{"OnlyNewline", "\n", {"\n"}, 1},
        lines_case{"EndsInsideContinuation", "a\\\n", {"a\n"}, 1},
        lines_case{"EndsAfterBackslash", "a\\", {"a\n"}, 1},
        lines_case{"CrLf", "a\r\nb\\\r\nc\r\n", {"a\n", "bc\n"}, 3},
        lines_case{"LoneCrIsText", "a\rb\n\r", {"a\rb\n", "\r\n"}, 2},
        lines_case{"NulReadAsBlank", std::string("a\0b\n\0", 5), {"a b\n", " \n"}, 2},
        lines_case{"HighBytesAreTextWithoutMultibyte", "\xFF\xE2\n", {"\xFF\xE2\n"}, 1}),
    by_name);

TEST_F(ReaderTest, EmptyFileIsAtOnceAtItsEnd) {
  const std::string path = ::testing::TempDir() + "qasm_reader_empty.s26";
  qfile* w = cap.table.open_file(path.c_str(), "w");
  ASSERT_NE(w, nullptr);
  cap.table.close_file(w);
  cx.driver.files.source = cap.table.open_file(path.c_str(), "rt");
  cx.driver.files.source_name = path;
  source_start(cx);
  EXPECT_EQ(get_char(cx), -1);
  EXPECT_EQ(get_char(cx), -1);
  EXPECT_EQ(cx.source.total_lines, 0);
  std::filesystem::remove(path);
}

TEST_F(ReaderTest, CountsLinesPerFileAndOverall) {
  start("one\ntwo\\\nthree\nfour\n");
  EXPECT_EQ(next_line(), "one\n");
  EXPECT_EQ(cx.source.line_no, 1);
  EXPECT_EQ(next_line(), "twothree\n");
  EXPECT_EQ(cx.source.line_no, 3);
  EXPECT_EQ(cx.driver.current_line, 3);
  EXPECT_EQ(next_line(), "four\n");
  EXPECT_EQ(cx.source.total_lines, 4);
  EXPECT_STREQ(cx.source.file_name, "main.s26");
}

TEST_F(ReaderTest, CurrentLineIsPublishedWithoutItsNewline) {
  start("  MOV A,#1\n");
  EXPECT_EQ(get_char(cx), ' ');
  EXPECT_EQ(std::string(cx.source.line, cx.source.line_len), "  MOV A,#1");
  EXPECT_STREQ(cx.source.line, "  MOV A,#1\n");
}

// ---- Over-long lines ----------------------------------------------------------

struct long_case {
  const char* name;
  std::string input;
  std::size_t kept;   // text length of the first line
  int errors;         // error 5 reports
};

class LongLines : public ReaderTest, public ::testing::WithParamInterface<long_case> {};

TEST_P(LongLines, AreCutAt31999WithError5) {
  start(GetParam().input + "next\n");
  std::string first = next_line();
  ASSERT_FALSE(first.empty());
  EXPECT_EQ(first.size() - 1, GetParam().kept);
  EXPECT_EQ(cx.source.line_len, static_cast<long>(GetParam().kept));  // what error 5 shows
  EXPECT_EQ(first.back(), '\n');
  EXPECT_EQ(first.find('\n'), first.size() - 1);
  EXPECT_EQ(errors(5), GetParam().errors) << cap.console;
  EXPECT_EQ(next_line(), "next\n");  // the tail is gone, the next line is whole
}

INSTANTIATE_TEST_SUITE_P(
    Limits, LongLines,
    ::testing::Values(
        long_case{"Exactly31999", std::string(31999, 'a') + "\n", 31999, 0},
        long_case{"OneMore", std::string(32000, 'a') + "\n", 31999, 1},
        long_case{"ManyBlocksLong", std::string(300000, 'b') + "\n", 31999, 1},
        long_case{"NoNewlineAtAll", std::string(40000, 'c') + "\n", 31999, 1},
        long_case{"TabCrossesLimit", std::string(31998, 'd') + "\tX\n", 31999, 1},
        long_case{"TabJustFits", std::string(31990, 'd') + "\tX\n", 31993, 0},
        long_case{"CrLfAtLimit", std::string(31999, 'e') + "\r\n", 31999, 0},
        long_case{"NulAtLimit", std::string(31999, 'e') + std::string(1, '\0') + "\n", 31999, 1},
        long_case{"JoinedLinesCountTogether",
                  std::string(20000, 'f') + "\\\n" + std::string(20000, 'g') + "\n", 31999, 1},
        // The cut drops the backslash: no continuation.
        long_case{"CutBackslashDoesNotJoin", std::string(32000, 'h') + "\\\n", 31999, 1}),
    by_name);

TEST_F(ReaderTest, LongLineInFalseGroupIsCutSilently) {
  start(std::string(40000, 'x') + "\nnext\n");
  cx.source.in_false_group = true;
  EXPECT_EQ(next_line().size(), 32000u);
  EXPECT_EQ(errors(5), 0);
  EXPECT_EQ(next_line(), "next\n");
}

// ---- Block boundaries and bad bytes -----------------------------------------

TEST_F(ReaderTest, LinesAcrossReadBlocksAreWhole) {
  // Lines of varying length so that line ends, CR LF pairs and tabs fall on
  // every offset of a block boundary.
  std::string text;
  std::vector<std::string> expected;
  for (int i = 0; text.size() < 3 * kReadBlockSize; ++i) {
    std::string body(static_cast<std::size_t>(i % 97), static_cast<char>('a' + i % 26));
    if (i % 3 == 0) {
      text += body + "\r\n";
      expected.push_back(body + "\n");
    } else if (i % 3 == 1) {
      text += "\t" + body + "\n";
      expected.push_back(std::string(8, ' ') + body + "\n");
    } else {
      text += body + "\\\n" + "z\n";
      expected.push_back(body + "z\n");
    }
  }
  start(text);
  EXPECT_EQ(all_lines(), expected);
}

TEST_F(ReaderTest, BinaryGarbageIsReadAsText) {
  std::string text;
  unsigned x = 12345;
  for (int i = 0; i < 200000; ++i) {
    x = x * 1103515245u + 12345u;
    text += static_cast<char>(x >> 16);
  }
  for (int c = 0; c < 256; ++c) text += static_cast<char>(c);  // every byte value once more
  start(text);
  long lines = 0;
  long chars = 0;
  for (int c = get_char(cx); c != -1; c = get_char(cx)) {
    ASSERT_NE(c, 0) << "NUL delivered";
    ASSERT_GE(c, 1);
    ASSERT_LE(c, 255);
    ++chars;
    if (c == '\n') ++lines;
  }
  // Every physical line is counted, the unterminated last one too; joined
  // lines are delivered as one.
  const long physical = static_cast<long>(std::count(text.begin(), text.end(), '\n')) + 1;
  EXPECT_EQ(cx.source.total_lines, physical);
  EXPECT_LE(lines, physical);
  EXPECT_GT(lines, physical / 2);
  EXPECT_GT(chars, 150000);
}

// ---- Standard input -----------------------------------------------------------

TEST_F(ReaderTest, StandardInputIsNamedStdinC) {
  cap.files["piped"] = "first\nsecond\n";
  qfile* in = cap.table.open_file("piped", "r");
  cap.table.std_in = in;
  cx.driver.opt.stdin_source = 1;
  source_start(cx);
  EXPECT_EQ(next_line(), "first\n");
  EXPECT_STREQ(cx.source.file_name, "stdin.c");
  EXPECT_STREQ(file_table_name(cx, 0), "stdin.c");
  EXPECT_EQ(next_line(), "second\n");
  EXPECT_EQ(get_char(cx), -1);
  cap.table.close_file(in);
}

// ---- Multibyte characters (-n) -----------------------------------------------

// A UTF-8 locale for the runtime's multibyte length function.
class MultibyteTest : public ReaderTest {
 protected:
  std::string saved;
  void SetUp() override {
    ReaderTest::SetUp();
    saved = std::setlocale(LC_CTYPE, nullptr);
    if (std::setlocale(LC_CTYPE, "C.UTF-8") == nullptr) GTEST_SKIP() << "no C.UTF-8 locale";
    cx.driver.opt.multibyte = 1;
  }
  void TearDown() override {
    ReaderTest::TearDown();
    std::setlocale(LC_CTYPE, saved.c_str());
  }
};

TEST_F(MultibyteTest, ValidCharactersPassWhole) {
  start("\xC3\xA9t\xC3\xA9 \xE2\x82\xAC\n");
  EXPECT_EQ(next_line(), "\xC3\xA9t\xC3\xA9 \xE2\x82\xAC\n");
  EXPECT_EQ(any_errors(), 0);
}

TEST_F(MultibyteTest, InvalidSequenceIsError105) {
  start("ok\nbad\xFFhere\n");
  EXPECT_EQ(next_line(), "ok\n");
  stops([&] { next_line(); });
  EXPECT_EQ(errors(105), 1) << cap.console;
  EXPECT_EQ(cx.source.line_no, 2);
}

TEST_F(MultibyteTest, EndOfFileInsideSequenceIsError4) {
  start("ok\nab\xE2\x82");
  EXPECT_EQ(next_line(), "ok\n");
  stops([&] { next_line(); });
  EXPECT_EQ(errors(4), 1) << cap.console;
  EXPECT_EQ(errors(105), 0);
}

TEST_F(MultibyteTest, SequenceAcrossReadBlockIsWhole) {
  // Short lines up to the end of the first read block, then a character that
  // starts on its last byte.
  std::string text;
  while (text.size() + 200 < kReadBlockSize) text += std::string(99, 'a') + "\n";
  const std::string pad(kReadBlockSize - 1 - text.size(), 'b');
  text += pad + "\xE2\x82\xAC\n";
  start(text);
  std::vector<std::string> lines = all_lines();
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back(), pad + "\xE2\x82\xAC\n");
  EXPECT_EQ(any_errors(), 0) << cap.console;
}

TEST_F(MultibyteTest, CutNeverSplitsACharacter) {
  start(std::string(31998, 'a') + "\xE2\x82\xAC\n");
  std::string line = next_line();
  EXPECT_EQ(line, std::string(31998, 'a') + "\n");
  EXPECT_EQ(errors(5), 1);
}

// ---- Where the reader's errors point ------------------------------------------

struct position_case {
  const char* name;
  std::string input;
  int multibyte;                     // -n
  std::vector<shown_diag> expected;  // line, column, kind, number
  std::string echo;                  // the source line shown above the first marker
};

class ReaderErrorPosition : public MultibyteTest, public ::testing::WithParamInterface<position_case> {};

TEST_P(ReaderErrorPosition, IsTheFaultOnTheLineShownWhole) {
  cx.driver.opt.multibyte = GetParam().multibyte;
  cx.driver.opt.ignore_errors = 1;  // every fault of the line is reported
  start(GetParam().input);
  cx.diag.token_column = 9;  // where the lexer left the previous line
  stops([&] { all_lines(); });
  EXPECT_EQ(diagnostics(), GetParam().expected) << cap.console;
  const std::size_t marker = cap.console.find("\n-");
  const std::size_t caret = cap.console.find("\n^");
  const std::size_t first = std::min(marker, caret);
  ASSERT_NE(first, std::string::npos) << cap.console;
  const std::size_t begin = cap.console.rfind('\n', first - 1) + 1;
  EXPECT_EQ(cap.console.substr(begin, first - begin), GetParam().echo);
}

const std::string kLong = " DB 1 ;" + std::string(32100, 'x');

INSTANTIATE_TEST_SUITE_P(
    Faults, ReaderErrorPosition,
    ::testing::Values(
        // A cut line points at its first dropped character.
        position_case{"LongLine", "ok\n" + kLong + "\nnext\n", 0, {{2, 32000, "Error", 5, ""}}, kLong.substr(0, 31999)},
        position_case{"LongLineCutInTab", "ok\n" + std::string(31998, 'd') + "\tX\n", 0,
                      {{2, 32000, "Error", 5, ""}}, std::string(31998, 'd') + " "},
        position_case{"LongJoinedLine", "ok\n" + std::string(20000, 'f') + "\\\n" + std::string(20000, 'g') + "\n", 0,
                      {{3, 32000, "Error", 5, ""}}, std::string(20000, 'f') + std::string(11999, 'g')},
        position_case{"CutBeforeCharacter", std::string(31998, 'a') + "\xE2\x82\xAC\n", 1,
                      {{1, 31999, "Error", 5, ""}}, std::string(31998, 'a')},
        // A bad byte is pointed at, with the whole line above it.
        position_case{"BadByte", "ok\n DB 4 ; ab\xFF" "cd\n", 1, {{2, 11, "Error", 105, ""}},
                      " DB 4 ; ab\xFF" "cd"},
        position_case{"TwoBadBytes", "a\xFF" "b\xFE" "c\n", 1,
                      {{1, 2, "Error", 105, ""}, {1, 4, "Error", 105, ""}}, "a\xFF" "b\xFE" "c"},
        position_case{"BadByteInLongLine", "\xFF" + kLong + "\n", 1,
                      {{1, 1, "Error", 105, ""}, {1, 32000, "Error", 5, ""}}, "\xFF" + kLong.substr(0, 31998)},
        // The end of the file inside a character is a fault of the line as a whole.
        position_case{"EndOfFileInsideCharacter", "ok\nab\xE2\x82", 1, {{2, 1, "Error", 4, ""}}, "ab\xE2\x82"}),
    by_name);

// A double-byte encoding whose trailing byte may be a backslash: lead bytes
// 0x81-0x9F and 0xE0-0xFC take the next byte along.
std::size_t double_byte_length(const char* p, std::size_t n) {
  const unsigned char c = static_cast<unsigned char>(p[0]);
  if ((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC)) return n >= 2 ? 2 : static_cast<std::size_t>(-2);
  return 1;
}

struct trail_case {
  const char* name;
  int multibyte;
  std::vector<std::string> expected;
};

class TrailingBackslash : public ReaderTest, public ::testing::WithParamInterface<trail_case> {};

TEST_P(TrailingBackslash, ContinuesOnlyWhenItIsACharacter) {
  cx.driver.opt.multibyte = GetParam().multibyte;
  cx.source.mb_length = double_byte_length;
  cx.source.mb_max = 2;
  start("\x95\\\nb\n\x95\\\\\nc\n");
  EXPECT_EQ(all_lines(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Modes, TrailingBackslash,
    ::testing::Values(trail_case{"MultibyteOn", 1, {"\x95\\\n", "b\n", "\x95\\c\n"}},
                      trail_case{"MultibyteOff", 0, {"\x95" "b\n", "\x95\\c\n"}}),
    by_name);

}  // namespace
