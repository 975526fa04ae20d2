// words_test.cpp — the argument list: QASMOPT and command files split into
// words (blanks, quotes, errors), where the words land, their origin marks,
// and the order in which the -D and -U among them take effect.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "support/asm_fixture.h"
#include "support/param_names.h"

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

INSTANTIATE_TEST_SUITE_P(Words, SplitWords, ::testing::ValuesIn(kSplitCases), by_name);

// ---------------------------------------------------------------------------
// Errors of the splitting: each stops the run with its text and exit code 3,
// and no object file is made.

bool any_output_file(const capture_table& cap) {
  for (const auto& [name, data] : cap.files)
    if (name.ends_with(".r26") || name.ends_with(".lst")) return true;
  return false;
}

struct split_error_case {
  const char* name;
  std::string text;
  std::string message;  // the text between "\n" and the origin
  bool has_origin;      // the message ends in "in <origin>\n"
};

class SplitErrors : public ::testing::TestWithParam<split_error_case> {};

TEST_P(SplitErrors, InQasmopt) {
  const split_error_case& c = GetParam();
  env_guard opt("QASMOPT", c.text.c_str());
  capture_table cap;
  cap.files["a.s26"] = "";
  EXPECT_EQ(run_qasm(cap, {"a.s26"}), 3);
  EXPECT_EQ(cap.console, "\n" + c.message + (c.has_origin ? " in command line extension variable QASMOPT\n" : "\n"));
  EXPECT_FALSE(any_output_file(cap));
}

TEST_P(SplitErrors, InCommandFile) {
  const split_error_case& c = GetParam();
  env_guard opt("QASMOPT", nullptr);
  capture_table cap;
  cap.files["a.s26"] = "";
  cap.files["cmd.xcl"] = c.text;
  EXPECT_EQ(run_qasm(cap, {"-o", "obj", "a.s26", "-f", "cmd"}), 3);
  EXPECT_EQ(cap.console, "\n" + c.message + (c.has_origin ? " in command file\n" : "\n"));
  EXPECT_FALSE(any_output_file(cap));
}

const split_error_case kSplitErrorCases[] = {
    {"quote_inside_word", "-DA xyz\"", "Bad argument (xyz\")", true},
    {"quote_inside_word_stops_there", "ab\"cd\"", "Bad argument (ab\")", true},
    {"unterminated_quote", "-DA \"xyz", "Bad argument (\"xyz)", true},
    {"newline_inside_quote", "\"xy\nz\"", "Bad argument (\"xy)", true},
    {"word_of_1024", "-I" + std::string(1022, 'p'), "Parameter exceeded 1024 characters", false},
};

INSTANTIATE_TEST_SUITE_P(Words, SplitErrors, ::testing::ValuesIn(kSplitErrorCases), by_name);

// No word at all: each origin has its own text. (A command file of no bytes
// is a golden case: the in-memory files are never empty.)
struct empty_case {
  const char* name;
  bool command_file;
  const char* text;
};

class EmptyText : public ::testing::TestWithParam<empty_case> {};

TEST_P(EmptyText, StopsWithItsMessage) {
  const empty_case& c = GetParam();
  env_guard opt("QASMOPT", c.command_file ? nullptr : c.text);
  capture_table cap;
  cap.files["a.s26"] = "";
  cap.files["cmd.xcl"] = c.text;
  EXPECT_EQ(run_qasm(cap, c.command_file ? words{"a.s26", "-f", "cmd"} : words{"a.s26"}), 3);
  EXPECT_EQ(cap.console, c.command_file ? "\nCommand file empty\n"
                                        : "\nCommand line extension variable QASMOPT found but was empty\n");
  EXPECT_FALSE(any_output_file(cap));
}

const empty_case kEmptyTexts[] = {
    {"qasmopt_set_to_nothing", false, ""},
    {"qasmopt_blank", false, " "},
    {"qasmopt_blanks_and_newlines", false, " \t\n \n"},
    {"command_file_blank", true, " "},
    {"command_file_blanks_and_newlines", true, " \t\n \n"},
};

INSTANTIATE_TEST_SUITE_P(Words, EmptyText, ::testing::ValuesIn(kEmptyTexts), by_name);

// ---------------------------------------------------------------------------
// Where the words land: QASMOPT before the command line, a command file's
// words behind its name; all -D take effect before all -U, each in the order
// of the list. Origin marks: +1 first and +2 last word of QASMOPT, +4 first
// and +8 last word of a command file; one word gets both.

struct landing_case {
  const char* name;
  const char* qasmopt;  // null: unset
  std::map<std::string, std::string> files;
  words args;
  words landed;              // the argument list after the program name
  words defines;             // "-DNAME=VALUE" and "-UNAME" in the order they take effect
  std::vector<int> origins;  // of the whole list; empty: not compared
  const char* source = "a.s26";
};

class Landing : public ::testing::TestWithParam<landing_case> {};

TEST_P(Landing, WordsDefinesAndOrigins) {
  const landing_case& c = GetParam();
  env_guard opt("QASMOPT", c.qasmopt);
  command_line_run r;
  r.cap.files = c.files;
  r.cap.files[c.source] = "";
  ASSERT_EQ(r.run(c.args), 0) << r.cap.console;
  words landed = r.words();
  landed.erase(landed.begin());
  EXPECT_EQ(landed, c.landed);
  words defines;
  for (const command_define& d : r.cx.driver.command_defines)
    defines.push_back(d.undefine ? "-U" + d.name : "-D" + d.name + "=" + d.value);
  EXPECT_EQ(defines, c.defines);
  if (!c.origins.empty()) {
    EXPECT_EQ(r.origins(), c.origins);
  }
  EXPECT_EQ(r.cx.driver.files.source_name, c.source);
}

const landing_case kLandings[] = {
    {"unset_qasmopt_adds_nothing", nullptr, {}, {"a.s26"}, {"a.s26"}, {}, {0, 0}},
    {"qasmopt_before_the_command_line", "-DQ1 -DQ2", {}, {"-DC1", "a.s26"}, {"-DQ1", "-DQ2", "-DC1", "a.s26"},
     {"-DQ1=1", "-DQ2=1", "-DC1=1"}, {0, 1, 2, 0, 0}},
    {"single_qasmopt_word_gets_both_marks", "-DA", {}, {"a.s26"}, {"-DA", "a.s26"}, {"-DA=1"}, {0, 3, 0}},
    {"command_file_words_behind_its_name", nullptr, {{"cmd.xcl", "-DF1\n-DF2 -DF3\n"}},
     {"-DC1", "-f", "cmd", "-DC2", "a.s26"}, {"-DC1", "-f", "cmd", "-DF1", "-DF2", "-DF3", "-DC2", "a.s26"},
     {"-DC1=1", "-DF1=1", "-DF2=1", "-DF3=1", "-DC2=1"}, {0, 0, 0, 0, 4, 0, 8, 0, 0}},
    {"command_file_names_another", nullptr, {{"outer.xcl", "-DO1 -f inner -DO2"}, {"inner.xcl", "-DI1"}},
     {"-f", "outer", "a.s26"}, {"-f", "outer", "-DO1", "-f", "inner", "-DI1", "-DO2", "a.s26"},
     {"-DO1=1", "-DI1=1", "-DO2=1"}, {}},
    {"origin_marks_of_both_kinds", "-DA -DB -DC", {{"one.xcl", "-DD"}, {"two.xcl", "-DE -DF"}},
     {"-f", "one", "-f", "two", "a.s26"}, {"-DA", "-DB", "-DC", "-f", "one", "-DD", "-f", "two", "-DE", "-DF", "a.s26"},
     {"-DA=1", "-DB=1", "-DC=1", "-DD=1", "-DE=1", "-DF=1"}, {0, 1, 0, 2, 0, 0, 12, 0, 0, 4, 8, 0}},
    {"command_file_keeps_its_own_extension", nullptr, {{"opts.txt", "-DX"}}, {"-f", "opts.txt", "a.s26"},
     {"-f", "opts.txt", "-DX", "a.s26"}, {"-DX=1"}, {}},
    {"command_file_names_the_source", nullptr, {{"cmd.xcl", "prog"}}, {"-f", "cmd.xcl"}, {"-f", "cmd.xcl", "prog"},
     {}, {}, "prog.s26"},
    {"define_values_and_undefines_last", nullptr, {}, {"-UA", "-DA", "a.s26", "-DB=2", "-UB", "-D_c$1=", "-D$x=a=b"},
     {"-UA", "-DA", "a.s26", "-DB=2", "-UB", "-D_c$1=", "-D$x=a=b"},
     {"-DA=1", "-DB=2", "-D_c$1=", "-D$x=a=b", "-UA", "-UB"}, {}},
    {"undefines_last_wherever_they_came_from", "-UQ -DQ", {{"cmd.xcl", "-UF -DF"}}, {"-DC", "-f", "cmd", "-UC", "a.s26"},
     {"-UQ", "-DQ", "-DC", "-f", "cmd", "-UF", "-DF", "-UC", "a.s26"},
     {"-DQ=1", "-DC=1", "-DF=1", "-UQ", "-UF", "-UC"}, {}},
};

INSTANTIATE_TEST_SUITE_P(ArgumentList, Landing, ::testing::ValuesIn(kLandings), by_name);

}  // namespace
