// ide_run_test.cpp — whole runs in IDE mode: dependencies whatever the order of
// command file and source, standard input refused, internal errors stop, text
// from the source cannot forge a record, and many diagnostics stay well formed.
#include <string>

#include "diag/diag.h"
#include "driver/command_line.h"
#include "driver/context.h"
#include "driver/ide/user_text.h"
#include "driver/stops.h"
#include "ide_fixture.h"

namespace {

// Reads the whole console back; every run ends with exactly one exit record.
ide_stream read_run(const capture_table& cap) {
  ide_stream s = parse_ide_output(cap.console);
  EXPECT_TRUE(s.ok()) << s.error << "\n" << cap.console;
  EXPECT_EQ(s.exit_records, 1) << cap.console;
  return s;
}

struct order_case {
  const char* name;
  std::vector<std::string> words;
};

const order_case kOrders[] = {
    {"command_file_first", {"--IDE", "-f", "cmd.xcl", "a.s26"}},
    {"source_first", {"--IDE", "a.s26", "-f", "cmd.xcl"}},
    {"second_protocol", {"--IDE2", "-f", "cmd.xcl", "a.s26"}},
};

class IdeDependencies : public ::testing::TestWithParam<order_case> {};

// Only the included file is a dependency; the object is an output.
TEST_P(IdeDependencies, OnlyIncludedFilesAreDependencies) {
  capture_table cap;
  cap.files["a.s26"] = "#include \"inc.h\"\n        END\n";
  cap.files["inc.h"] = "#define X 1\n";
  cap.files["cmd.xcl"] = "-DY\n";
  EXPECT_EQ(run_ide(cap, GetParam().words), 0) << cap.console;
  const ide_stream s = read_run(cap);
  std::vector<std::string> files;
  for (const ide_record& r : s.records)
    if (r.kind != "COM") files.push_back(r.kind + " " + r.file);
  EXPECT_EQ(files, (std::vector<std::string>{"OUT " + absolute("a.r26"), "DEP " + absolute("inc.h")}));
  EXPECT_EQ(s.records.at(0).version, GetParam().words[0] == "--IDE2" ? "2" : "1");
  EXPECT_EQ(cap.console.find("VEK Assembler"), std::string::npos);  // no sign-on
}

INSTANTIATE_TEST_SUITE_P(Ide, IdeDependencies, ::testing::ValuesIn(kOrders),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(IdeRun, StandardInputStopsTheRunAndLeavesNoObject) {
  capture_table cap;
  EXPECT_EQ(run_ide(cap, {"--IDE", "-G"}), 3);
  const ide_stream s = read_run(cap);
  ASSERT_EQ(s.of_type(12).size(), 1u);
  EXPECT_EQ(s.of_type(12)[0]->text, "Standard input cannot be read in IDE mode");
  EXPECT_EQ(s.records.at(0).kind, "OUT");  // the object was created, then deleted
  EXPECT_EQ(cap.files.count("stdin.r26"), 0u);
}

TEST(IdeRun, CommandLineErrorIsTypeTwelveWithItsText) {
  capture_table cap;
  cap.files["a.s26"] = "        END\n";
  EXPECT_EQ(run_ide(cap, {"--IDE", "-q", "a.s26"}), 3);
  const ide_stream s = read_run(cap);
  ASSERT_EQ(s.records.size(), 1u);
  EXPECT_EQ(s.records[0].type, 12);
  EXPECT_EQ(s.records[0].text, "Error in command line option '-q': No such option");
}

// #message with line breaks and marker bytes in its string.
TEST(IdeRun, MessageTextCannotForgeRecords) {
  capture_table cap;
  cap.files["a.s26"] =
      "#message \"a\\n\\xC0\\\"x.s26\\\",1  Error[1]: forged\\r\\n\\xC8z\\n\\xC1\"\n"
      "        END\n";
  EXPECT_EQ(run_ide(cap, {"--IDE", "a.s26"}), 0) << cap.console;
  const ide_stream s = read_run(cap);
  ASSERT_EQ(s.of_type(3).size(), 1u);
  EXPECT_EQ(s.of_type(3)[0]->text, "#message: a \xC0\"x.s26\",1  Error[1]: forged  \xC8z \xC1\n");
  for (int forged : {0, 10, 11, 12, 30}) EXPECT_EQ(s.of_type(forged).size(), 0u) << forged;
}

// ---- single channels on a context that runs with the agent's table -------------

class IdeChannel : public ::testing::Test {
 protected:
  capture_table cap;
  WtConsoleAgentExe agent{cap.table, 1};
  asm_context cx{agent.table()};

  void SetUp() override {
    cx.driver.ide_mode = 1;
    cx.driver.pass1 = 1;
    for (auto& entry : cx.driver.opt.warning_enable_table) entry = 1;
  }
  // Leaves through the agent's exit entry and reads the console back.
  ide_stream leave_and_read(int code = 0) {
    try {
      agent.table().exit(code);
    } catch (const capture_exit&) {
    }
    return read_run(cap);
  }
};

TEST_F(IdeChannel, FileNameAndArgumentOfADiagnosticKeepToTheirLine) {
  cx.source.file_name = "f\n\xC8x.s26";
  cx.source.line_no = 4;
  cx.source.line = "  {";
  cx.source.line_len = 3;
  cx.diag.token_column = 3;
  user_error(cx, 15, "{\n\xC0\"a\",1  Warning[2]: y\r\n\xC9z");
  const ide_stream s = leave_and_read();
  ASSERT_EQ(s.of_type(11).size(), 1u) << cap.console;
  const ide_record& r = *s.of_type(11)[0];
  EXPECT_EQ(r.file, "f \xC8x.s26");
  EXPECT_EQ(r.positions, (std::vector<long>{4, 3}));
  EXPECT_EQ(r.text, "Error[15]: Invalid character encountered: '{ \xC0\"a\",1  Warning[2]: y  \xC9z'; ignored");
  for (int forged : {0, 10, 12, 30}) EXPECT_EQ(s.of_type(forged).size(), 0u) << forged;
}

TEST_F(IdeChannel, UserLineNeverBeginsWithAMarkerByte) {
  const std::string texts[] = {"\xC0\"a\",1  Error[1]: x", "\xC1" "9", "\xC8no", "\xC3\xA9t\xC3\xA9"};
  for (const std::string& text : texts) print_user_line(cx, "", text);
  print_user_line(cx, "#message: ", std::string("cut\0here", 8));
  const ide_stream s = leave_and_read();
  ASSERT_EQ(s.records.size(), std::size(texts) + 1);
  for (std::size_t i = 0; i < std::size(texts); ++i) {
    EXPECT_EQ(s.records[i].type, 2) << i;
    EXPECT_EQ(s.records[i].text, " " + texts[i] + "\n") << i;
  }
  EXPECT_EQ(s.records.back().text, "#message: cut\n");
}

// An internal error in IDE mode: the note, then the stop; the object goes.
TEST_F(IdeChannel, InternalErrorSendsItsNoteAndStops) {
  open_object_file(cx, "x.r26");
  cx.driver.current_line = 12;
  int code = 0;
  try {
    internal_error(cx, "find_segment_A09", "no segment", 1, 2);
  } catch (const run_stop& stop) {
    code = stop.exit_code;
  }
  clean_up_files(cx);
  EXPECT_EQ(code, 3);
  EXPECT_EQ(cap.files.count("x.r26"), 0u);
  const ide_stream s = leave_and_read(code);
  ASSERT_EQ(s.of_type(30).size(), 1u);
  EXPECT_EQ(s.of_type(30)[0]->text, "In function: find_segment_A09\nDiagnostic: no segment\nLine: 12   P0: 1    P1: 2");
}

// No error limit in IDE mode, and every record of a long run well formed.
TEST(IdeRun, HundredThousandDiagnostics) {
  constexpr int kLines = 100000;
  capture_table cap;
  std::string source;
  for (int i = 0; i < kLines; ++i) source += "  XX\n";
  source += "        END\n";
  cap.files["a.s26"] = source;
  EXPECT_EQ(run_ide(cap, {"--IDE", "a.s26"}), 2);
  const ide_stream s = read_run(cap);
  const auto errors = s.of_type(11);
  ASSERT_EQ(errors.size(), static_cast<std::size_t>(kLines));
  EXPECT_EQ(errors.back()->positions, (std::vector<long>{kLines, 3}));
  EXPECT_EQ(errors.back()->tag, "40");
  EXPECT_EQ(cap.console.find("Error[9]"), std::string::npos);
  EXPECT_EQ(cap.files.count("a.r26"), 0u);
}

}  // namespace
