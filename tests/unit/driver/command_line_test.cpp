// command_line_test.cpp — the command line: every stop with its message and
// exit code 3, the messages that only say "ignored", what each option sets,
// the -w strings, the checks between options, the -D/-U order, source opening,
// output naming and the overwrite refusals.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <string>
#include <vector>

#include "support/asm_fixture.h"
#include "support/param_names.h"

namespace {

using words = std::vector<std::string>;

// A module with content: a run of it writes an object.
constexpr const char* kSource = "        DB      0\n        END\n";
constexpr const char* kSignOn = "\n    VEK Assembler V4.62.5.50016/W32 for 78K0 and 78K0S\n";

// Names of the object and list files a run left in the capture.
words output_files(const capture_table& cap) {
  words names;
  for (const auto& [name, data] : cap.files)
    if (name.ends_with(".r26") || name.ends_with(".lst") || name == "obj.bin") names.push_back(name);
  return names;
}

// Keeps the program's locale changes from leaking into other tests.
class locale_guard {
 public:
  locale_guard() : saved_(std::setlocale(LC_CTYPE, nullptr)) {}
  ~locale_guard() { std::setlocale(LC_CTYPE, saved_.c_str()); }

 private:
  std::string saved_;
};

class CommandLine : public ::testing::Test {
 protected:
  env_guard qasmopt_{"QASMOPT", nullptr};
  env_guard qasm_inc_{"QASM_INC", nullptr};
  locale_guard locale_;
};

// ---------------------------------------------------------------------------
// Stops: the exact message, exit code 3, no output file left, source intact.

struct stop_case {
  const char* name;
  words args;
  std::string console;
};

class Stops : public CommandLine, public ::testing::WithParamInterface<stop_case> {};

TEST_P(Stops, MessageExitCodeAndNoOutput) {
  const stop_case& c = GetParam();
  capture_table cap;
  cap.files["a.s26"] = kSource;
  cap.files["b.s26"] = kSource;
  cap.files["cmd.xcl"] = "-DX\n";
  cap.files["self.xcl"] = "-DS -f self\n";
  cap.files["m1.xcl"] = "-f m2\n";
  cap.files["m2.xcl"] = "-DM -f m1\n";
  EXPECT_EQ(run_qasm(cap, c.args), 3);
  EXPECT_EQ(cap.console, c.console);
  EXPECT_EQ(output_files(cap), words{});
  EXPECT_EQ(cap.files["a.s26"], kSource);
  EXPECT_EQ(cap.files["cmd.xcl"], "-DX\n");
}

std::string option_error(const std::string& word, const std::string& reason) {
  return "\nError in command line option '" + word + "': " + reason + "\n";
}
std::string invalid(char letter) {
  return std::string("\nError in command line: Invalid argument to option '-") + letter + "'\n";
}
std::string not_with(char anchor, char letter) {
  return std::string("\nError in command line: Option '-") + anchor + "' cannot be combined with the '-" + letter +
         "' option\n";
}
std::string needs_list(char letter) {
  return std::string("\nError in command line: Option '-") + letter + "' also requires the '-l' or the '-L' option\n";
}

const stop_case kStops[] = {
    // Matching a word.
    {"dash_alone", {"-", "a.s26"}, option_error("-", "'-' not succeeded by character")},
    {"no_such_option", {"-q", "a.s26"}, option_error("-q", "No such option")},
    {"no_long_options", {"a.s26", "--IDE"}, option_error("--IDE", "No such option")},
    {"v_given_twice", {"-v1", "-v2", "a.s26"}, option_error("-v2", "Option multiply defined")},
    {"S_given_twice", {"-S", "-ST", "a.s26"}, option_error("-ST", "Option multiply defined")},
    {"o_given_twice", {"-o", "x", "-o", "y", "a.s26"}, option_error("-o", "Option multiply defined")},
    {"f_joined_name", {"-ffoo", "a.s26"}, option_error("-ffoo", "Illegal characters specified")},
    {"o_joined_name", {"-oobj", "a.s26"}, option_error("-oobj", "Illegal characters specified")},
    {"B_with_text", {"-Bx", "a.s26"}, option_error("-Bx", "Illegal characters specified")},
    {"G_with_text", {"-G+"}, option_error("-G+", "Illegal characters specified")},
    {"N_with_text", {"a.s26", "-N1"}, option_error("-N1", "Illegal characters specified")},
    {"t_without_digit", {"-t", "a.s26"}, option_error("-t", "Argument missing")},
    {"D_without_name", {"a.s26", "-D"}, option_error("-D", "Argument missing")},
    {"U_without_name", {"a.s26", "-U"}, option_error("-U", "Argument missing")},
    {"I_without_path", {"a.s26", "-I"}, option_error("-I", "Argument missing")},
    {"v_without_choice", {"-v", "a.s26"}, option_error("-v", "Argument missing")},
    {"o_last_word", {"a.s26", "-o"}, option_error("-o", "Argument missing")},
    {"f_last_word", {"a.s26", "-f"}, option_error("-f", "Argument missing")},
    {"l_next_word_is_option", {"-l", "-x", "a.s26"}, option_error("-l", "Argument started with '-'")},
    {"f_next_word_is_option", {"-f", "-cmd", "a.s26"}, option_error("-f", "Argument started with '-'")},
    {"no_source", {"-v1", "-DX"}, "\nError in command line: No source file specified\n"},
    // Handlers refusing their argument.
    {"v3", {"-v3", "a.s26"}, invalid('v')},
    {"v10", {"-v10", "a.s26"}, invalid('v')},
    {"t1", {"-t1", "a.s26"}, invalid('t')},
    {"t10", {"-t10", "a.s26"}, invalid('t')},
    {"tx", {"-tx", "a.s26"}, invalid('t')},
    {"p9", {"-l", "x", "-p9", "a.s26"}, invalid('p')},
    {"p151", {"-l", "x", "-p151", "a.s26"}, invalid('p')},
    {"p_not_digits", {"-l", "x", "-p1x", "a.s26"}, invalid('p')},
    {"x_lower_case", {"-l", "x", "-xd", "a.s26"}, invalid('x')},
    {"x_other_letter", {"-l", "x", "-xDq", "a.s26"}, invalid('x')},
    {"D_digit_first", {"-D1A", "a.s26"}, invalid('D')},
    {"D_no_name_before_value", {"-D=1", "a.s26"}, invalid('D')},
    {"D_bad_character", {"-DA-B", "a.s26"}, invalid('D')},
    {"U_with_value", {"-UA=1", "a.s26"}, invalid('U')},
    {"U_digit_first", {"-U9", "a.s26"}, invalid('U')},
    {"r_with_text", {"-r1", "a.s26"}, invalid('r')},
    {"s_other_sign", {"-sx", "a.s26"}, invalid('s')},
    {"S_other_letter", {"-Sx", "a.s26"}, invalid('S')},
    {"n_without_locale_prefix", {"-nfoo", "a.s26"}, invalid('n')},
    {"n_locale_of_200", {"-nlocale=" + std::string(200, 'x'), "a.s26"}, invalid('n')},
    {"c_unknown_letter", {"-cDx", "a.s26"}, invalid('c')},
    {"c_hidden_W_is_upper_case_only", {"-cw", "a.s26"}, invalid('c')},
    {"w_level_5", {"-w5", "a.s26"}, "\nIllegal warning level '5'\n"},
    {"w_level_1_before_items", {"-w1+3", "a.s26"}, "\nIllegal warning level '1'\n"},
    // Checks between options.
    {"o_with_O", {"-o", "x", "-O", "a.s26"}, not_with('o', 'O')},
    {"O_with_o", {"-O", "-o", "x", "a.s26"}, not_with('o', 'O')},
    {"l_with_L", {"-l", "x", "-L", "a.s26"}, not_with('l', 'L')},
    {"L_with_l", {"-L.", "a.s26", "-l", "x"}, not_with('l', 'L')},
    {"x_without_list", {"-x", "a.s26"}, needs_list('x')},
    {"x_with_object_only", {"-o", "obj", "-x", "a.s26"}, needs_list('x')},
    {"i_without_list", {"-i", "a.s26"}, needs_list('i')},
    {"p_without_list", {"-p10", "a.s26"}, needs_list('p')},
    // Files.
    {"source_missing", {"nofile"}, "Could not open file: 'nofile.s26'\n"},
    {"source_missing_with_extension", {"nofile.asm"}, "Could not open file: 'nofile.asm'\n"},
    {"command_file_missing", {"-f", "nofile", "a.s26"}, "Could not open file: 'nofile.xcl'\n"},
    {"two_sources", {"a.s26", "b.s26"}, "\nTry to open more than one source file\n"},
    {"stdin_then_source", {"-G", "a.s26"}, "\nTry to open more than one source file\n"},
    {"source_then_stdin", {"a.s26", "-G"}, "\nTry to open more than one source file\n"},
    {"object_is_list", {"-o", "x.lst", "-l", "x.lst", "a.s26"}, "\nTry to overwrite file: 'x.lst'\n"},
    {"list_is_object_by_extension", {"-o", "x", "-l", "x.r26", "a.s26"}, "\nTry to overwrite file: 'x.r26'\n"},
    {"list_in_directory_is_object", {"-o", "a.lst", "-L", "a.s26"}, "\nTry to overwrite file: 'a.lst'\n"},
    {"object_is_source", {"-o", "a.s26", "a.s26"}, "\nTry to overwrite file: 'a.s26'\n"},
    {"object_is_source_by_path", {"-o", "./sub/../a.s26", "a.s26"}, "\nTry to overwrite file: './sub/../a.s26'\n"},
    {"list_is_source", {"a", "-l", "a.s26"}, "\nTry to overwrite file: 'a.s26'\n"},
    {"object_is_command_file", {"-f", "cmd", "-o", "cmd.xcl", "a.s26"}, "\nTry to overwrite file: 'cmd.xcl'\n"},
    // Command files that would never end.
    {"command_file_names_itself", {"-f", "self", "a.s26"},
     "\nError in command line: Command file already open: 'self.xcl'\n"},
    {"command_files_name_each_other", {"a.s26", "-f", "m1"},
     "\nError in command line: Command file already open: 'm1.xcl'\n"},
};

INSTANTIATE_TEST_SUITE_P(CommandLine, Stops, ::testing::ValuesIn(kStops), by_name);

// A source that would become its own default object name is refused too.
TEST_F(CommandLine, SourceNamedLikeItsObject) {
  capture_table cap;
  cap.files["a.r26"] = kSource;
  EXPECT_EQ(run_qasm(cap, {"a.r26"}), 3);
  EXPECT_EQ(cap.console, "\nTry to overwrite file: 'a.r26'\n");
  EXPECT_EQ(cap.files["a.r26"], kSource);
}

// ---------------------------------------------------------------------------
// The three messages that say "ignored": printed, then the run goes on.

struct ignored_case {
  const char* name;
  std::string option;
  std::string message;
};

class Ignored : public CommandLine, public ::testing::WithParamInterface<ignored_case> {};

TEST_P(Ignored, MessageThenTheRunGoesOn) {
  const ignored_case& c = GetParam();
  capture_table cap;
  cap.files["a.s26"] = kSource;
  EXPECT_EQ(run_qasm(cap, {c.option, "a.s26"}), 0);
  EXPECT_EQ(cap.console.substr(0, c.message.size() + std::string(kSignOn).size()), c.message + kSignOn);
  EXPECT_EQ(output_files(cap), words{"a.r26"});
}

const ignored_case kIgnored[] = {
    {"E_zero", "-E0", "\nIllegal argument to -E option '0' ignored\n"},
    {"E_empty", "-E", "\nIllegal argument to -E option '' ignored\n"},
    {"E_not_a_number", "-Eabc", "\nIllegal argument to -E option 'abc' ignored\n"},
    {"M_equal_characters", "-M((", "\nIllegal argument to -M option '((' ignored\n"},
    {"M_one_character", "-M(", "\nIllegal argument to -M option '(' ignored\n"},
    {"M_three_characters", "-M()[", "\nIllegal argument to -M option '()[' ignored\n"},
    {"M_not_brackets", "-Mab", "\nIllegal argument to -M option 'ab' ignored\n"},
    {"M_empty", "-M", "\nIllegal argument to -M option '' ignored\n"},
    {"w_above_499", "-w+600", "\nIllegal range in -w option: 600-499, ignored\n"},
    {"w_500", "-w-500", "\nIllegal range in -w option: 500-499, ignored\n"},
    {"w_low_above_high", "-w-20-10", "\nIllegal range in -w option: 20-10, ignored\n"},
    {"w_number_beyond_long", "-w+99999999999999999999999",
     "\nIllegal range in -w option: 99999999999999999999999-499, ignored\n"},
    {"w_sign_alone_repeats_the_number", "-w+123456789012,-",
     "\nIllegal range in -w option: 123456789012-499, ignored\n"
     "\nIllegal range in -w option: 123456789012-499, ignored\n"},
};

INSTANTIATE_TEST_SUITE_P(CommandLine, Ignored, ::testing::ValuesIn(kIgnored), by_name);

// ---------------------------------------------------------------------------
// Warning strings: which of the 500 warnings stay on.

struct warning_case {
  const char* name;
  std::string text;
  std::vector<std::pair<int, int>> on;  // ranges left on
  int all_warnings;
  int exit_code_switch;
};

class WarningString : public CommandLine, public ::testing::WithParamInterface<warning_case> {};

TEST_P(WarningString, LeavesExactlyTheseOn) {
  const warning_case& c = GetParam();
  command_line_run r;
  r.cap.files["a.s26"] = kSource;
  ASSERT_EQ(r.run({"-w" + c.text, "a.s26"}), 0) << r.cap.console;
  std::vector<int> expected(kWarningTableSize, 0);
  for (auto [low, high] : c.on)
    for (int i = low; i <= high; ++i) expected[i] = 1;
  std::vector<int> actual(r.cx.driver.opt.warning_enable_table,
                          r.cx.driver.opt.warning_enable_table + kWarningTableSize);
  EXPECT_EQ(actual, expected);
  EXPECT_EQ(r.cx.driver.opt.all_warnings, c.all_warnings);
  EXPECT_EQ(r.cx.driver.opt.warnings_exit_code, c.exit_code_switch);
}

const warning_case kWarningStrings[] = {
    {"example", "-,+10-12,+20", {{10, 12}, {20, 20}}, 1, 0},
    {"empty_turns_all_off", "", {}, 0, 0},
    {"level_0", "0", {}, 1, 0},
    {"level_9_then_one_off", "9-5", {{0, 4}, {6, 499}}, 1, 0},
    {"level_0_then_one_on", "0+7", {{7, 7}}, 1, 0},
    {"two_digits_are_no_level", "10", {{0, 499}}, 1, 0},
    {"s_only", "s", {{0, 499}}, 1, 1},
    {"upper_S_with_items", "-,S,+3", {{3, 3}}, 1, 1},
    {"range_off", "-100-200", {{0, 99}, {201, 499}}, 1, 0},
    {"sign_alone_reuses_range", "-100-200,+", {{0, 499}}, 1, 0},
    {"sign_alone_after_single", "-,+5,-", {}, 1, 0},
    {"high_clamped", "-,+498-600", {{498, 499}}, 1, 0},
    {"bad_range_skipped", "-,+20-10,+30", {{30, 30}}, 1, 0},
    {"above_499_skipped", "+600,-1", {{0, 0}, {2, 499}}, 1, 0},
    {"other_character_ends", "-,+5x+6", {{5, 5}}, 1, 0},
};

INSTANTIATE_TEST_SUITE_P(CommandLine, WarningString, ::testing::ValuesIn(kWarningStrings), by_name);

TEST_F(CommandLine, DefaultWarningsAreAllOn) {
  command_line_run r;
  r.cap.files["a.s26"] = kSource;
  ASSERT_EQ(r.run({"a.s26"}), 0);
  for (int i = 0; i < kWarningTableSize; ++i) ASSERT_EQ(r.cx.driver.opt.warning_enable_table[i], 1) << i;
  EXPECT_EQ(r.cx.driver.opt.all_warnings, 1);
  EXPECT_EQ(r.cx.driver.opt.warnings_exit_code, 0);
}

// ---------------------------------------------------------------------------
// -D and -U from many repeated words.

// Many uses of repeated options, interleaved: each letter keeps its own order.
TEST_F(CommandLine, ManyRepeatedOptionsKeepTheirOrder) {
  command_line_run r;
  r.cap.files["a.s26"] = kSource;
  std::string text;
  for (int i = 0; i < 3000; ++i) {
    const std::string n = std::to_string(i);
    text += "-DD" + n + " -Ip" + n + " -UU" + n + "\n";
  }
  r.cap.files["many.xcl"] = text;
  ASSERT_EQ(r.run({"-f", "many", "a.s26", "-DLAST"}), 0) << r.cap.console;
  const auto& d = r.cx.driver.command_defines;
  ASSERT_EQ(d.size(), 6001u);
  for (int i = 0; i < 3000; ++i) {
    ASSERT_EQ(d[i].name, "D" + std::to_string(i));
    ASSERT_EQ(d[3001 + i].name, "U" + std::to_string(i));
    ASSERT_EQ(r.cx.driver.include_paths[1 + i], "p" + std::to_string(i));
  }
  EXPECT_EQ(d[3000].name, "LAST");
}

// -D giving a name another value is warning 9, counted like any other.
struct redefinition_case {
  const char* name;
  words defines;
  int warnings;
};

class CommandLineRedefinition : public CommandLine, public ::testing::WithParamInterface<redefinition_case> {};

TEST_P(CommandLineRedefinition, Warns) {
  const redefinition_case& c = GetParam();
  capture_table cap;
  cap.files["a.s26"] = kSource;
  words args = c.defines;
  args.insert(args.end(), {"-ws", "a.s26"});
  EXPECT_EQ(run_qasm(cap, args), c.warnings > 0 ? 1 : 0) << cap.console;
  int shown = 0;
  for (std::size_t at = cap.console.find("Warning[9]: Macro redefined"); at != std::string::npos;
       at = cap.console.find("Warning[9]", at + 1))
    ++shown;
  EXPECT_EQ(shown, c.warnings) << cap.console;
  EXPECT_NE(cap.console.find("Warnings: " + std::to_string(c.warnings) + "\n"), std::string::npos) << cap.console;
  EXPECT_EQ(cap.console.find("I N T E R N A L"), std::string::npos) << cap.console;
}

const redefinition_case kRedefinitions[] = {
    {"another_value", {"-DA=1", "-DA=2"}, 1},
    {"three_values", {"-DA=1", "-DA=2", "-DA=3"}, 2},
    {"same_value", {"-DA=1", "-DA=1"}, 0},
    {"name_alone_is_one", {"-DA", "-DA=1"}, 0},
    {"different_names", {"-DA=1", "-DB=2"}, 0},
    {"undefine_between_counts_nothing", {"-DA=1", "-UA", "-DA=2"}, 1},
    {"with_a_list_file", {"-l", "a.lst", "-DA=1", "-DA=2"}, 1},
};

INSTANTIATE_TEST_SUITE_P(CommandLine, CommandLineRedefinition, ::testing::ValuesIn(kRedefinitions), by_name);

// The same command file twice, one after the other or from two others, is
// no loop: only a file still being read may not be named again.
TEST_F(CommandLine, CommandFileNamedTwiceIsNoLoop) {
  command_line_run r;
  r.cap.files["a.s26"] = kSource;
  r.cap.files["d.xcl"] = "-DD";
  r.cap.files["l.xcl"] = "-f d";
  r.cap.files["r.xcl"] = "-f d -f l";
  ASSERT_EQ(r.run({"-f", "l", "-f", "r", "a.s26"}), 0) << r.cap.console;
  EXPECT_EQ(r.cx.driver.command_defines.size(), 3u);
}

// ---------------------------------------------------------------------------
// What the options set.

struct c_case {
  const char* name;
  std::string letters;
  uint32_t listing_flags;
  int cycles;
  int ignore_errors, fixed_version, suppress_origin2, warnings_as_errors;
};

class ListingLetters : public CommandLine, public ::testing::WithParamInterface<c_case> {};

TEST_P(ListingLetters, Set) {
  const c_case& c = GetParam();
  command_line_run r;
  r.cap.files["a.s26"] = kSource;
  ASSERT_EQ(r.run({"-c" + c.letters, "a.s26"}), 0) << r.cap.console;
  const option_settings& o = r.cx.driver.opt;
  EXPECT_EQ(o.listing_flags, c.listing_flags);
  EXPECT_EQ(o.cycle_counting, c.cycles);
  EXPECT_EQ(o.ignore_errors, c.ignore_errors);
  EXPECT_EQ(o.fixed_version, c.fixed_version);
  EXPECT_EQ(o.suppress_origin2, c.suppress_origin2);
  EXPECT_EQ(o.warnings_as_errors, c.warnings_as_errors);
}

const c_case kListingLetters[] = {
    {"empty", "", 0x509, 0, 0, 0, 0, 0},
    {"D", "D", 0x508, 0, 0, 0, 0, 0},
    {"S", "s", 0x109, 0, 0, 0, 0, 0},
    {"E", "E", 0x501, 0, 0, 0, 0, 0},
    {"A", "a", 0x50B, 0, 0, 0, 0, 0},
    {"O", "O", 0x50D, 0, 0, 0, 0, 0},
    {"M", "m", 0x519, 0, 0, 0, 0, 0},
    {"C", "C", 0x589, 1, 0, 0, 0, 0},
    {"I", "i", 0x10589, 1, 0, 0, 0, 0},
    {"all_listing_letters", "dseaomci", 0x10196, 1, 0, 0, 0, 0},
    {"bang", "!", 0x509, 0, 1, 0, 0, 0},
    {"hash", "#", 0x509, 0, 0, 1, 0, 0},
    {"dollar", "$", 0x509, 0, 0, 0, 1, 0},
    {"W", "W", 0x509, 0, 0, 0, 0, 1},
    {"hidden_with_others", "D!#$WA", 0x50A, 0, 1, 1, 1, 1},
};

INSTANTIATE_TEST_SUITE_P(CommandLine, ListingLetters, ::testing::ValuesIn(kListingLetters), by_name);

// Settings of one value each, read back as text; the command line prints nothing.
std::string text_of(int v) { return std::to_string(v); }
std::string text_of(uint32_t v) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%X", static_cast<unsigned>(v));
  return text;
}
std::string text_of(const std::string& s) { return s; }
template <auto Field>
std::string setting(const option_settings& o) {
  return text_of(o.*Field);
}
std::string quotes(const option_settings& o) { return {o.macro_quote_start, o.macro_quote_end}; }
std::string xref_bit(const option_settings& o) { return text_of(o.listing_flags & 0x200u); }

struct value_case {
  const char* name;
  words args;
  std::string (*get)(const option_settings&);
  std::string value;
  bool quiet = true;  // false: the option prints that it is ignored
};

class OptionValue : public CommandLine, public ::testing::WithParamInterface<value_case> {};

TEST_P(OptionValue, Set) {
  const value_case& c = GetParam();
  command_line_run r;
  r.cap.files["a.s26"] = kSource;
  words args = c.args;
  args.push_back("a.s26");
  ASSERT_EQ(r.run(args), 0) << r.cap.console;
  EXPECT_EQ(c.get(r.cx.driver.opt), c.value);
  EXPECT_EQ(r.cap.console.empty(), c.quiet) << r.cap.console;
}

using o = option_settings;
const value_case kOptionValues[] = {
    {"t2", {"-t2"}, setting<&o::tab_spacing>, "2"},
    {"t9", {"-t9"}, setting<&o::tab_spacing>, "9"},
    {"p10", {"-p10", "-l", "x"}, setting<&o::page_length>, "10"},
    {"p150", {"-L", "-p150"}, setting<&o::page_length>, "150"},
    {"p_leading_zero", {"-p010", "-L"}, setting<&o::page_length>, "10"},
    {"E1", {"-E1"}, setting<&o::error_limit>, "1"},
    {"E250", {"-E250"}, setting<&o::error_limit>, "250"},
    {"E_ignored_keeps_100", {"-E-5"}, setting<&o::error_limit>, "100", false},
    {"v0", {"-v0"}, setting<&o::processor_option>, "0"},
    {"v1", {"-v1"}, setting<&o::processor_option>, "1"},
    {"v2", {"-v2"}, setting<&o::processor_option>, "2"},
    {"v2_text", {"-v2"}, setting<&o::processor_text>, "2"},
    {"s_sensitive", {"-s"}, setting<&o::case_sensitive>, "1"},
    {"s_plus", {"-s+"}, setting<&o::case_sensitive>, "1"},
    {"s_minus", {"-s-"}, setting<&o::case_sensitive>, "0"},
    {"s_given", {"-s-"}, setting<&o::case_given>, "1"},
    {"S_silent", {"-S"}, setting<&o::sign_on>, "0"},
    {"S_keeps_diagnostics", {"-S"}, setting<&o::silent_diagnostics>, "0"},
    {"ST_silent", {"-ST"}, setting<&o::sign_on>, "0"},
    {"ST_no_diagnostics", {"-ST"}, setting<&o::silent_diagnostics>, "1"},
    {"n_multibyte", {"-n"}, setting<&o::multibyte>, "1"},
    {"n_locale_multibyte", {"-nlocale=C"}, setting<&o::multibyte>, "1"},
    {"n_empty_locale_multibyte", {"-nlocale="}, setting<&o::multibyte>, "1"},
    {"n_empty_locale", {"-nlocale="}, setting<&o::locale_name>, ""},
    {"n_locale_of_199", {"-nlocale=" + std::string(199, 'x')}, setting<&o::locale_name>, std::string(199, 'x')},
    {"B", {"-B"}, setting<&o::macro_debug>, "1"},
    {"i", {"-i", "-L"}, setting<&o::list_includes>, "1"},
    {"N", {"-N"}, setting<&o::listing_header>, "0"},
    {"r", {"-r"}, setting<&o::debug_output>, "0x1"},
    {"x_plain", {"-x", "-L"}, setting<&o::xref_line_spacing>, "1"},
    {"x_dual_space", {"-x22", "-L"}, setting<&o::xref_line_spacing>, "3"},
    {"x_defines", {"-xDD", "-L"}, setting<&o::xref_show_defines>, "2"},
    {"x_internal", {"-xID2", "-L"}, setting<&o::xref_show_internal>, "1"},
    {"x_before_list_option", {"-x", "-l", "x"}, setting<&o::xref_show_internal>, "0"},
    {"x_sets_the_cross_reference_bit", {"-x", "-L"}, xref_bit, "0x200"},
    {"c_repeated_all_take_effect", {"-cD", "-cA", "-c!"}, setting<&o::listing_flags>, "0x50A"},
    {"c_repeated_hidden_letter", {"-cD", "-cA", "-c!"}, setting<&o::ignore_errors>, "1"},
    {"M_round", {"-M()"}, quotes, "()"},
    {"M_mixed", {"-M[}"}, quotes, "[}"},
    {"M_reversed", {"-M><"}, quotes, "><"},
    {"M_ignored_keeps_angles", {"-M<<"}, quotes, "<>", false},
};

INSTANTIATE_TEST_SUITE_P(CommandLine, OptionValue, ::testing::ValuesIn(kOptionValues), by_name);

TEST_F(CommandLine, LocaleThatCannotBeSetStopsTheRun) {
  capture_table cap;
  cap.files["a.s26"] = kSource;
  EXPECT_EQ(run_qasm(cap, {"-nlocale=no_such_locale.qasm", "a.s26"}), 3);
  EXPECT_EQ(cap.console, "\nError when setting multibyte locale\n");
  EXPECT_EQ(output_files(cap), words{});
}

TEST_F(CommandLine, LocaleC) {
  capture_table cap;
  cap.files["a.s26"] = kSource;
  EXPECT_EQ(run_qasm(cap, {"-nlocale=C", "a.s26"}), 0) << cap.console;
}

// ---------------------------------------------------------------------------
// Source opening, include list and output names.

struct source_case {
  const char* name;
  words present;       // files that exist
  std::string word;    // the source word
  std::string opened;  // the name opened
};

class SourceOpening : public CommandLine, public ::testing::WithParamInterface<source_case> {};

TEST_P(SourceOpening, Opens) {
  const source_case& c = GetParam();
  command_line_run r;
  for (const std::string& name : c.present) r.cap.files[name] = kSource;
  ASSERT_EQ(r.run({c.word}), 0) << r.cap.console;
  EXPECT_EQ(r.cx.driver.files.source_name, c.opened);
  EXPECT_EQ(r.cx.driver.source_count, 1);
}

const source_case kSourceOpening[] = {
    {"msa_first", {"prog.msa", "prog.s26"}, "prog", "prog.msa"},
    {"then_s26", {"prog.s26"}, "prog", "prog.s26"},
    {"own_extension_kept", {"prog.txt", "prog.txt.msa", "prog.txt.s26"}, "prog.txt", "prog.txt"},
    {"dot_in_directory_only", {"v1.0/prog.s26"}, "v1.0/prog", "v1.0/prog.s26"},
};

INSTANTIATE_TEST_SUITE_P(CommandLine, SourceOpening, ::testing::ValuesIn(kSourceOpening), by_name);

TEST_F(CommandLine, IncludeListOrder) {
  env_guard inc("QASM_INC", "e1;;e2;");
  command_line_run r;
  r.cap.files["src/prog.s26"] = kSource;
  ASSERT_EQ(r.run({"-Ifirst", "src/prog", "-Isecond"}), 0) << r.cap.console;
  add_environment_include_paths(r.cx);
  EXPECT_EQ(r.cx.driver.include_paths, (words{"src/", "first", "second", "e1", "", "e2"}));
}

TEST_F(CommandLine, StandardInputAsSource) {
  command_line_run r;
  ASSERT_EQ(r.run({"-G"}), 0) << r.cap.console;
  EXPECT_EQ(r.cx.driver.opt.stdin_source, 1);
  EXPECT_EQ(r.cx.driver.files.source_name, "stdin.c");
  EXPECT_EQ(r.cx.driver.files.source, r.cap.table.std_in);
}

struct naming_case {
  const char* name;
  words args;
  words outputs;  // object and list files after the run
};

class OutputNames : public CommandLine, public ::testing::WithParamInterface<naming_case> {};

TEST_P(OutputNames, Made) {
  const naming_case& c = GetParam();
  capture_table cap;
  cap.files["src/prog.s26"] = kSource;
  EXPECT_EQ(run_qasm(cap, c.args), 0) << cap.console;
  EXPECT_EQ(output_files(cap), c.outputs);
}

const naming_case kOutputNames[] = {
    {"default_object_in_current_directory", {"src/prog"}, {"prog.r26"}},
    {"o_adds_extension", {"-o", "out", "src/prog"}, {"out.r26"}},
    {"o_keeps_extension", {"-o", "obj.bin", "src/prog"}, {"obj.bin"}},
    {"O_empty_path", {"-O", "src/prog"}, {"prog.r26"}},
    {"O_path", {"-Oobj", "src/prog"}, {"obj/prog.r26"}},
    {"O_path_with_slash", {"-Oobj/", "src/prog"}, {"obj/prog.r26"}},
    {"l_adds_extension", {"-l", "listing", "src/prog"}, {"listing.lst", "prog.r26"}},
    {"L_path", {"-Llst", "src/prog"}, {"lst/prog.lst", "prog.r26"}},
    {"L_and_O_before_source", {"-L", "-Oo", "src/prog"}, {"o/prog.r26", "prog.lst"}},
};

INSTANTIATE_TEST_SUITE_P(CommandLine, OutputNames, ::testing::ValuesIn(kOutputNames), by_name);

// ---------------------------------------------------------------------------
// The run frame: console and exit code.

// Exit codes: 2 for errors (object deleted), 1 for warnings only under -ws
// while warnings are on, 3 for a stop; "!" of -c keeps errors (even fatal
// ones) from failing the run.
struct exit_case {
  const char* name;
  const char* source;
  words options;
  int exit_code;
  bool object_kept;
};

// An unknown escape in a string: a warning and nothing else.
constexpr const char* kWarningSource = "#if \"a\\q\" = \"aq\"\n#endif\n        DB 0\n        END\n";
constexpr const char* kErrorSource = "        bogus_op\n        END\n";
constexpr const char* kNoEndSource = "        NAME x\n        DB 0\n";  // end of file before END: fatal

class ExitCode : public CommandLine, public ::testing::WithParamInterface<exit_case> {};

TEST_P(ExitCode, Chosen) {
  const exit_case& c = GetParam();
  capture_table cap;
  cap.files["a.s26"] = c.source;
  words args = c.options;
  args.push_back("a.s26");
  EXPECT_EQ(run_qasm(cap, args), c.exit_code) << cap.console;
  EXPECT_EQ(cap.files.count("a.r26"), c.object_kept ? 1u : 0u);
}

const exit_case kExitCodes[] = {
    {"clean", kSource, {}, 0, true},
    {"warning", kWarningSource, {}, 0, true},
    {"warning_ws", kWarningSource, {"-ws"}, 1, true},
    {"warning_ws_with_warning_on", kWarningSource, {"-w-,+2,s"}, 1, true},
    {"warning_ws_all_off", kWarningSource, {"-w0s"}, 0, true},
    {"warning_ws_that_one_off", kWarningSource, {"-w-2s"}, 0, true},
    {"warning_as_error", kWarningSource, {"-cW"}, 2, false},
    {"error", kErrorSource, {}, 2, false},
    {"error_ws", kErrorSource, {"-ws"}, 2, false},
    {"error_ignored", kErrorSource, {"-c!"}, 0, true},
    {"no_end", kNoEndSource, {}, 3, false},
    {"no_end_not_fatal_under_bang", kNoEndSource, {"-c!"}, 0, true},
};

INSTANTIATE_TEST_SUITE_P(CommandLine, ExitCode, ::testing::ValuesIn(kExitCodes), by_name);

TEST_F(CommandLine, IdeModeMarksMessagesAndSkipsQasmopt) {
  env_guard opt("QASMOPT", "-q");
  capture_table cap;
  cap.files["a.s26"] = kSource;
  EXPECT_EQ(run_qasm(cap, {"--IDE", "-v3", "a.s26"}), 3);
  EXPECT_EQ(cap.console,
            "$$TOOL_BEGIN $$VERSION \"1\" $$COM_BEGIN $$COM_POS \"0\" \"0\" $$TYPE \"12\" $$TXT_BEGIN "
            "\"Error in command line: Invalid argument to option '-v'\" $$TOOL_END \n $$TOOL_EXIT");
}

}  // namespace
