// words_test.cpp — the argument list: QASMOPT and command files split into
// words (blanks, quotes, errors), where the words land and their origin marks.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "driver/command_line_steps.h"

namespace {

using words = std::vector<std::string>;

// ---------------------------------------------------------------------------
// Splitting: the same text through QASMOPT and through a command file gives
// the same words.

struct split_case {
  const char* name;
  std::string text;
  words expected;
};

class SplitWords : public ::testing::TestWithParam<split_case> {};

TEST_P(SplitWords, FromQasmopt) {
  const split_case& c = GetParam();
  env_guard opt("QASMOPT", c.text.c_str());
  command_line_run r;
  r.cap.files["a.s26"] = "";
  ASSERT_EQ(r.run({"a.s26"}), 0) << r.cap.console;
  words expected{"qasm"};
  expected.insert(expected.end(), c.expected.begin(), c.expected.end());
  expected.push_back("a.s26");
  EXPECT_EQ(r.words(), expected);
}

TEST_P(SplitWords, FromCommandFile) {
  const split_case& c = GetParam();
  env_guard opt("QASMOPT", nullptr);
  command_line_run r;
  r.cap.files["a.s26"] = "";
  r.cap.files["cmd.xcl"] = c.text;
  ASSERT_EQ(r.run({"-f", "cmd", "a.s26"}), 0) << r.cap.console;
  words expected{"qasm", "-f", "cmd"};
  expected.insert(expected.end(), c.expected.begin(), c.expected.end());
  expected.push_back("a.s26");
  EXPECT_EQ(r.words(), expected);
}

// Only words that the parser accepts without effect on the others: -D and -I.
const split_case kSplitCases[] = {
    {"blanks_and_tabs", "  -DA \t-DB\t\t-DC  ", {"-DA", "-DB", "-DC"}},
    {"newlines_end_words", "-DA\n-DB\n\n-DC\n", {"-DA", "-DB", "-DC"}},
    {"quoted_blank", "-DA \"-Ix y\"", {"-DA", "-Ix y"}},
    {"quoted_tab", "\"-Ix\ty\"", {"-Ix\ty"}},
    {"text_after_closing_quote", "\"-Ix y\"z -DA", {"-Ix yz", "-DA"}},
    {"quote_after_closing_is_literal", "\"-Ia\"\"b c\"", {"-Ia\"b c"}},
    {"literal_quote_at_end", "\"-Ia\"\"\"", {"-Ia\""}},
    {"longest_word", "-I" + std::string(1021, 'p'), {"-I" + std::string(1021, 'p')}},
};

INSTANTIATE_TEST_SUITE_P(Words, SplitWords, ::testing::ValuesIn(kSplitCases),
                         [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------
// Errors of the splitting: each stops the run with its text and exit code 3,
// and no object file is made.

struct split_error_case {
  const char* name;
  std::string text;
  std::string message;  // the text between "\n" and the origin
  bool has_origin;      // the message ends in "in <origin>\n"
};

class SplitErrors : public ::testing::TestWithParam<split_error_case> {};

bool any_output_file(const capture_table& cap) {
  for (const auto& [name, data] : cap.files)
    if (name.ends_with(".r26") || name.ends_with(".lst")) return true;
  return false;
}

TEST_P(SplitErrors, InQasmopt) {
  const split_error_case& c = GetParam();
  env_guard opt("QASMOPT", c.text.c_str());
  capture_table cap;
  cap.files["a.s26"] = "";
  EXPECT_EQ(run_qasm(cap, {"a.s26"}), 3);
  std::string expected = "\n" + c.message;
  expected += c.has_origin ? " in command line extension variable QASMOPT\n" : "\n";
  EXPECT_EQ(cap.console, expected);
  EXPECT_FALSE(any_output_file(cap));
}

TEST_P(SplitErrors, InCommandFile) {
  const split_error_case& c = GetParam();
  env_guard opt("QASMOPT", nullptr);
  capture_table cap;
  cap.files["a.s26"] = "";
  cap.files["cmd.xcl"] = c.text;
  EXPECT_EQ(run_qasm(cap, {"-o", "obj", "a.s26", "-f", "cmd"}), 3);
  std::string expected = "\n" + c.message;
  expected += c.has_origin ? " in command file\n" : "\n";
  EXPECT_EQ(cap.console, expected);
  EXPECT_FALSE(any_output_file(cap));
}

const split_error_case kSplitErrorCases[] = {
    {"quote_inside_word", "-DA xyz\"", "Bad argument (xyz\")", true},
    {"quote_inside_word_stops_there", "ab\"cd\"", "Bad argument (ab\")", true},
    {"unterminated_quote", "-DA \"xyz", "Bad argument (\"xyz)", true},
    {"newline_inside_quote", "\"xy\nz\"", "Bad argument (\"xy)", true},
    {"word_of_1024", "-I" + std::string(1022, 'p'), "Parameter exceeded 1024 characters", false},
};

INSTANTIATE_TEST_SUITE_P(Words, SplitErrors, ::testing::ValuesIn(kSplitErrorCases),
                         [](const auto& info) { return std::string(info.param.name); });

// No word at all: each origin has its own text.
class EmptyText : public ::testing::TestWithParam<std::string> {};

TEST_P(EmptyText, QasmoptWithoutWords) {
  env_guard opt("QASMOPT", GetParam().c_str());
  capture_table cap;
  cap.files["a.s26"] = "";
  EXPECT_EQ(run_qasm(cap, {"a.s26"}), 3);
  EXPECT_EQ(cap.console, "\nCommand line extension variable QASMOPT found but was empty\n");
  EXPECT_FALSE(any_output_file(cap));
}

TEST_P(EmptyText, CommandFileWithoutWords) {
  // A real file: the in-memory files of the capture cannot be of length 0.
  env_guard opt("QASMOPT", nullptr);
  std::filesystem::path dir = std::filesystem::temp_directory_path() / ("qasm_words_" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  std::string cmd = (dir / "cmd.xcl").string();
  std::ofstream(cmd, std::ios::binary) << GetParam();
  capture_table cap;
  cap.files["a.s26"] = "";
  int code = run_qasm(cap, {"a.s26", "-f", (dir / "cmd").string()});
  std::filesystem::remove_all(dir);
  EXPECT_EQ(code, 3);
  EXPECT_EQ(cap.console, "\nCommand file empty\n");
  EXPECT_FALSE(any_output_file(cap));
}

INSTANTIATE_TEST_SUITE_P(Words, EmptyText, ::testing::Values(std::string(""), std::string(" "), std::string(" \t\n \n")));

// ---------------------------------------------------------------------------
// Where the words land.

TEST(ArgumentList, QasmoptWordsComeBeforeTheCommandLine) {
  env_guard opt("QASMOPT", "-DQ1 -DQ2");
  command_line_run r;
  r.cap.files["a.s26"] = "";
  ASSERT_EQ(r.run({"-DC1", "a.s26"}), 0);
  EXPECT_EQ(r.words(), (words{"qasm", "-DQ1", "-DQ2", "-DC1", "a.s26"}));
  ASSERT_EQ(r.cx.driver.command_defines.size(), 3u);
  EXPECT_EQ(r.cx.driver.command_defines[0].name, "Q1");
  EXPECT_EQ(r.cx.driver.command_defines[1].name, "Q2");
  EXPECT_EQ(r.cx.driver.command_defines[2].name, "C1");
}

TEST(ArgumentList, UnsetQasmoptAddsNothing) {
  env_guard opt("QASMOPT", nullptr);
  command_line_run r;
  r.cap.files["a.s26"] = "";
  EXPECT_EQ(r.run({"a.s26"}), 0);
  EXPECT_EQ(r.words(), (words{"qasm", "a.s26"}));
}

TEST(ArgumentList, CommandFileWordsLandBehindItsNameInOrder) {
  env_guard opt("QASMOPT", nullptr);
  command_line_run r;
  r.cap.files["a.s26"] = "";
  r.cap.files["cmd.xcl"] = "-DF1\n-DF2 -DF3\n";
  ASSERT_EQ(r.run({"-DC1", "-f", "cmd", "-DC2", "a.s26"}), 0);
  EXPECT_EQ(r.words(), (words{"qasm", "-DC1", "-f", "cmd", "-DF1", "-DF2", "-DF3", "-DC2", "a.s26"}));
  // ... and they are parsed there.
  std::vector<std::string> names;
  for (const command_define& d : r.cx.driver.command_defines) names.push_back(d.name);
  EXPECT_EQ(names, (words{"C1", "F1", "F2", "F3", "C2"}));
}

TEST(ArgumentList, CommandFileMayNameTheSource) {
  env_guard opt("QASMOPT", nullptr);
  command_line_run r;
  r.cap.files["prog.s26"] = "";
  r.cap.files["cmd.xcl"] = "prog";
  EXPECT_EQ(r.run({"-f", "cmd.xcl"}), 0) << r.cap.console;
  EXPECT_EQ(r.cx.driver.files.source_name, "prog.s26");
}

TEST(ArgumentList, CommandFileNamesAnotherCommandFile) {
  env_guard opt("QASMOPT", nullptr);
  command_line_run r;
  r.cap.files["a.s26"] = "";
  r.cap.files["outer.xcl"] = "-DO1 -f inner -DO2";
  r.cap.files["inner.xcl"] = "-DI1";
  ASSERT_EQ(r.run({"-f", "outer", "a.s26"}), 0) << r.cap.console;
  EXPECT_EQ(r.words(), (words{"qasm", "-f", "outer", "-DO1", "-f", "inner", "-DI1", "-DO2", "a.s26"}));
  std::vector<std::string> names;
  for (const command_define& d : r.cx.driver.command_defines) names.push_back(d.name);
  EXPECT_EQ(names, (words{"O1", "I1", "O2"}));
}

TEST(ArgumentList, CommandFileNameKeepsItsOwnExtension) {
  env_guard opt("QASMOPT", nullptr);
  command_line_run r;
  r.cap.files["a.s26"] = "";
  r.cap.files["opts.txt"] = "-DX";
  ASSERT_EQ(r.run({"-f", "opts.txt", "a.s26"}), 0) << r.cap.console;
  ASSERT_EQ(r.cx.driver.command_defines.size(), 1u);
  EXPECT_EQ(r.cx.driver.command_defines[0].name, "X");
}

// Origin marks: +1 first and +2 last word of QASMOPT, +4 first and +8 last
// word of a command file; one word gets both.
TEST(ArgumentList, OriginMarks) {
  env_guard opt("QASMOPT", "-DA -DB -DC");
  command_line_run r;
  r.cap.files["a.s26"] = "";
  r.cap.files["one.xcl"] = "-DD";
  r.cap.files["two.xcl"] = "-DE -DF";
  ASSERT_EQ(r.run({"-f", "one", "-f", "two", "a.s26"}), 0) << r.cap.console;
  EXPECT_EQ(r.words(),
            (words{"qasm", "-DA", "-DB", "-DC", "-f", "one", "-DD", "-f", "two", "-DE", "-DF", "a.s26"}));
  EXPECT_EQ(r.origins(), (std::vector<int>{0, 1, 0, 2, 0, 0, 12, 0, 0, 4, 8, 0}));
}

TEST(ArgumentList, SingleQasmoptWordGetsBothMarks) {
  env_guard opt("QASMOPT", "-DA");
  command_line_run r;
  r.cap.files["a.s26"] = "";
  ASSERT_EQ(r.run({"a.s26"}), 0);
  EXPECT_EQ(r.origins(), (std::vector<int>{0, 3, 0}));
}

}  // namespace
