// ide_run_test.cpp — runs in IDE mode: dependencies whatever the order of
// command file and source, internal errors stop, text from the source keeps to
// its line, and 100,000 diagnostics stay well formed without an error limit.
#include "diag/diag.h"
#include "driver/command_line.h"
#include "driver/context.h"
#include "driver/ide/user_text.h"
#include "driver/stops.h"
#include "ide_fixture.h"

namespace {

ide_stream read_run(const capture_table& cap) {
  ide_stream s = parse_ide_output(cap.console);
  EXPECT_TRUE(s.ok()) << s.error << "\n" << cap.console;
  EXPECT_EQ(s.exit_records, 1);
  return s;
}

// Started with the switch alone: the usage screen, and no sign-on.
TEST(IdeRun, UsageWithoutSignOn) {
  capture_table cap;
  EXPECT_EQ(run_ide(cap, {"--IDE"}), 0) << cap.console;
  std::string text;
  for (const ide_record& r : read_run(cap).records) text += r.text;
  EXPECT_NE(text.find("Usage:"), std::string::npos) << text;
  EXPECT_EQ(text.find("Assembler V"), std::string::npos) << text;
}

class IdeDependencies : public ::testing::TestWithParam<std::vector<std::string>> {};

TEST_P(IdeDependencies, OnlyTheIncludedFileIsADependency) {
  capture_table cap;
  cap.files = {{"a.s26", "#include \"inc.h\"\n        DB 0\n        END\n"}, {"inc.h", "\n"}, {"cmd.xcl", "-DY\n"}};
  EXPECT_EQ(run_ide(cap, GetParam()), 0) << cap.console;
  std::vector<std::string> files;
  for (const ide_record& r : read_run(cap).records)
    if (r.kind != "COM") files.push_back(r.kind + " " + r.file);
  // The object is reported when it takes its name, at the end of the run.
  EXPECT_EQ(files, (std::vector<std::string>{"DEP " + absolute("inc.h"), "OUT " + absolute("a.r26")}));
}

INSTANTIATE_TEST_SUITE_P(Ide, IdeDependencies,
                         ::testing::Values(std::vector<std::string>{"--IDE", "-f", "cmd.xcl", "a.s26"},
                                           std::vector<std::string>{"--IDE", "a.s26", "-f", "cmd.xcl"}),
                         [](const auto& info) { return info.param[1] == "-f" ? "command_file_first" : "source_first"; });

// A context that runs with the agent's table, for the channels one by one.
class IdeChannel : public IdeAgent {
 protected:
  asm_context cx{t};
  void SetUp() override { cx.driver.ide_mode = 1; }
};

TEST_F(IdeChannel, FileNameAndArgumentOfADiagnosticKeepToTheirLine) {
  cx.source.file_name = "f\n\xC8x";
  cx.source.line_no = 4;
  cx.diag.token_column = 3;
  user_error(cx, error_id{15}, "{\n\xC0\"a\",1  Warning[2]: y\r\n\xC9z");
  leave();
  const ide_stream s = read_run(cap);
  ASSERT_EQ(s.of_type(11).size(), 1u) << cap.console;
  EXPECT_EQ(s.of_type(11)[0]->file, "f \xC8x");
  EXPECT_EQ(s.of_type(11)[0]->text, "Error[15]: Invalid character encountered: '{ \xC0\"a\",1  Warning[2]: y  \xC9z'; ignored");
  EXPECT_EQ(s.records.size(), 2u);  // and the empty line before it
}

TEST_F(IdeChannel, UserLineNeverBeginsWithAMarkerByte) {
  const std::string texts[] = {"\xC0\"a\",1  Error[1]: x", "\xC8no", "\xC3\xA9t\xC3\xA9"};
  for (const std::string& text : texts) print_user_line(cx, "", text);
  leave();
  const ide_stream s = read_run(cap);
  ASSERT_EQ(s.records.size(), std::size(texts));
  for (std::size_t i = 0; i < std::size(texts); ++i) EXPECT_EQ(s.records[i].text, " " + texts[i] + "\n");
}

// An internal error sends its note, then stops the run; the object goes.
TEST_F(IdeChannel, InternalErrorSendsItsNoteAndStops) {
  open_object_file(cx, "x.r26");
  cx.driver.current_line = 12;
  EXPECT_THROW(internal_error(cx, "find_segment_A09", "no segment", 1, 2), run_stop);
  clean_up_files(cx);
  EXPECT_EQ(cap.files.count("x.r26"), 0u);
  leave(3);
  const ide_stream s = read_run(cap);
  ASSERT_EQ(s.of_type(30).size(), 1u);
  EXPECT_EQ(s.of_type(30)[0]->text, "In function: find_segment_A09\nDiagnostic: no segment\nLine: 12   P0: 1    P1: 2");
}

TEST(IdeRun, HundredThousandDiagnostics) {
  constexpr int kLines = 100000;
  capture_table cap;
  std::string source;
  for (int i = 0; i < kLines; ++i) source += "  XX\n";
  cap.files["a.s26"] = source + "        END\n";
  EXPECT_EQ(run_ide(cap, {"--IDE", "a.s26"}), 2);
  const ide_stream s = read_run(cap);
  const auto errors = s.of_type(11);
  ASSERT_EQ(errors.size(), static_cast<std::size_t>(kLines));  // no error limit
  EXPECT_EQ(errors.back()->positions, (std::vector<long>{kLines, 3}));
  EXPECT_EQ(cap.files.count("a.r26"), 0u);
}

}  // namespace
