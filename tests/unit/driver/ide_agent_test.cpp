// ide_agent_test.cpp — the IDE agent over a capture table: record framing and
// quoting, console lines into records, long lines, files, standard input, notes
// and the exit record.
#include <cstring>

#include "driver/ide/console_lines.h"
#include "ide_fixture.h"

namespace {

// ---- framing ----------------------------------------------------------------------

TEST_F(IdeAgent, RecordsAreFramedFieldByField) {
  agent.comment(11, "Error[40]: Bad", "40", "a.s26", 3, 9);
  agent.comment(2, "x\n", {}, {}, 0, 0);
  agent.message(10, "w", {}, "f", 1, 2, 3, 4);
  agent.input_file("/d/inc.h");
  agent.output_file("/d/a.r26");
  agent.output_file("");
  EXPECT_EQ(cap.console,
            "$$TOOL_BEGIN $$VERSION \"1\" $$COM_BEGIN $$COM_POS \"3\" \"9\" $$TYPE \"11\" $$TAG \"40\" "
            "$$FILEPATH \"a.s26\" $$TXT_BEGIN \"Error[40]: Bad\" $$TOOL_END \n"
            "$$TOOL_BEGIN $$VERSION \"1\" $$COM_BEGIN $$COM_POS \"0\" \"0\" $$TYPE \"2\" $$TXT_BEGIN \"x\\n\" "
            "$$TOOL_END \n"
            "$$TOOL_BEGIN $$VERSION \"1\" $$MSG_BEGIN $$MSG_POS \"1\" \"2\" \"3\" \"4\" $$TYPE \"10\" "
            "$$FILEPATH \"f\" $$TXT_BEGIN \"w\" $$TOOL_END \n"
            "$$TOOL_BEGIN $$VERSION \"1\" $$DEP_BEGIN $$FILEPATH \"/d/inc.h\" $$TOOL_END \n"
            "$$TOOL_BEGIN $$VERSION \"1\" $$OUT_BEGIN $$FILEPATH \"/d/a.r26\" $$TOOL_END \n"
            "$$TOOL_BEGIN $$VERSION \"1\" $$OUT_BEGIN $$TOOL_END \n");
  EXPECT_EQ(records().records.size(), 6u);
}

TEST(IdeVersion, SecondProtocolWritesItsVersion) {
  capture_table cap;
  WtConsoleAgentExe agent{cap.table, 2};
  agent.output_file("/o");
  EXPECT_EQ(cap.console, "$$TOOL_BEGIN $$VERSION \"2\" $$OUT_BEGIN $$FILEPATH \"/o\" $$TOOL_END \n");
}

TEST_F(IdeAgent, QuotingEscapesExactlyTheSixCharacters) {
  agent.comment(2, "q\"b\\s\bn\nf\fr\rt\tz\xC0", {}, {}, 0, 0);
  EXPECT_NE(cap.console.find("\"q\\\"b\\\\s\\bn\\nf\\fr\\rt\tz\xC0\""), std::string::npos) << cap.console;
}

TEST_F(IdeAgent, EveryTextComesBackUnchanged) {
  const std::string texts[] = {
      "\"", "\\", "\\\"", "\"\\\"\\", "end\\", "\\n is not a newline", std::string("nul\0in", 6),
      "\b\f\r\n", "\xC0\xC1\xC8\xC9 marker bytes", std::string(2000, '\\'), "/" + std::string(4095, 'd'),
  };
  for (const std::string& text : texts) {
    agent.comment(30, text, "7", text, 0, 0);
    agent.input_file(text);
  }
  const ide_stream s = records();
  ASSERT_EQ(s.records.size(), 2 * std::size(texts));
  for (std::size_t i = 0; i < std::size(texts); ++i) {
    EXPECT_EQ(s.records[2 * i].text, texts[i]) << i;
    EXPECT_EQ(s.records[2 * i].file, texts[i]) << i;
    EXPECT_EQ(s.records[2 * i + 1].file, texts[i]) << i;
  }
}

// ---- console lines ------------------------------------------------------------------

struct console_case {
  const char* name;
  std::vector<std::string> writes;  // separate writes to the console
  std::string expect;               // "type|tag|file|pos1|pos2|text" per record, ";" between
};

std::string summary(const ide_stream& s) {
  std::string out;
  for (const ide_record& r : s.records) {
    if (!out.empty()) out += ";";
    out += std::to_string(r.type) + "|" + r.tag + "|" + r.file + "|" + std::to_string(r.positions[0]) + "|" +
           std::to_string(r.positions[1]) + "|" + r.text;
  }
  return out;
}

const console_case kConsole[] = {
    {"diagnostic_at_its_column", {"\n\xC1" "7\n\xC0\"a.s26\",3  Error[40]: Bad instruction\n"},
     "2|||0|0|\n;11|40|a.s26|3|7|Error[40]: Bad instruction"},
    {"column_kept_for_the_next_diagnostic",
     {"\xC1" "12\n\xC0\"a\",1  Error[40]: x\n\xC0\"a\",1  Warning[2]: y\n"},
     "11|40|a|1|12|Error[40]: x;10|2|a|1|12|Warning[2]: y"},
    {"negative_column_is_zero", {"\xC1-3\n\xC0\"a\",1  Error[1]: x\n"}, "11|1|a|1|0|Error[1]: x"},
    {"marker_then_newline_takes_the_next_line",
     {"\xC8", "\nError in command line option '-x': No such option\n"},
     "12|||0|0|Error in command line option '-x': No such option"},
    {"bytes_one_at_a_time", {"a", "b", "\n", "#", "message: c", "\n"}, "2|||0|0|ab\n;3|||0|0|#message: c\n"},
    {"heading_without_type_word", {"\xC1" "5\n\xC0\"f\",2  Remark\n"}, "0|0|f|2|5|"},
};

class IdeConsole : public IdeAgent, public ::testing::WithParamInterface<console_case> {};

TEST_P(IdeConsole, LinesBecomeRecords) {
  for (const std::string& w : GetParam().writes) say(w);
  EXPECT_EQ(summary(records()), GetParam().expect);
}

INSTANTIATE_TEST_SUITE_P(Ide, IdeConsole, ::testing::ValuesIn(kConsole),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(IdeAgent, EveryConsoleEntryFeedsTheLineBuffer) {
  t.write_char('a', t.std_out);
  out_print(t, "%s", "b");
  out_print_file(t, t.std_err, "%d\n", 5);
  const std::string big(5000, 'x');  // longer than the formatting buffer
  out_print(t, "%s\n", big.c_str());
  const ide_stream s = records();
  ASSERT_EQ(s.records.size(), 2u);
  EXPECT_EQ(s.records[0].text, "ab5\n");
  EXPECT_EQ(s.records[1].text, std::string(kMaxRecordText, 'x') + "\n");
}

TEST_F(IdeAgent, OutputToFilesPassesThrough) {
  cap.files["o.lst"] = "";
  qfile* f = t.open_file("o.lst", "wt");
  ASSERT_NE(f, nullptr);
  out_print_file(t, f, "%s\n", "\xC0\"a\",1  Error[1]: not console");
  t.write_char('z', f);
  t.block_write("yz", 1, 2, f);
  t.close_file(f);
  EXPECT_EQ(cap.files["o.lst"], "\xC0\"a\",1  Error[1]: not console\nzyz");
  EXPECT_EQ(records().of_type(11).size(), 0u);
}

// A path of 4,096 characters and a text beyond the record limit: the line is
// classified whole, the text cut afterwards.
TEST_F(IdeAgent, LongHeadingIsClassifiedWholeAndItsTextCut) {
  const std::string path = "/" + std::string(4094, 'p') + "/";
  const std::string text = "Warning[19]: " + std::string(3000, 't');
  say("\xC1" "3\n\xC0\"" + path + "\",77  " + text + "\n");
  const ide_stream s = records();
  ASSERT_EQ(s.records.size(), 1u);
  EXPECT_EQ(s.records[0].type, 10);
  EXPECT_EQ(s.records[0].tag, "19");
  EXPECT_EQ(s.records[0].file, path);
  EXPECT_EQ(s.records[0].positions, (std::vector<long>{77, 3}));
  EXPECT_EQ(s.records[0].text, text.substr(0, kMaxRecordText));
}

// ---- notes, standard input, exit ------------------------------------------------

TEST_F(IdeAgent, FormattedNotesGetTheTypeOfTheirKind) {
  const int kinds[][2] = {{0, 30}, {1, 21}, {2, 34}, {3, 33}, {9, 30}};
  for (const auto& k : kinds) out_message(t, k[0], "kind %d", k[0]);
  const ide_stream s = records();
  ASSERT_EQ(s.records.size(), std::size(kinds));
  for (std::size_t i = 0; i < std::size(kinds); ++i) {
    EXPECT_EQ(s.records[i].type, kinds[i][1]);
    EXPECT_EQ(s.records[i].text, "kind " + std::to_string(kinds[i][0]));
    EXPECT_EQ(s.records[i].positions, (std::vector<long>{0, 0}));
  }
}

TEST_F(IdeAgent, FormattedNoteIsCutAt1024) {
  const std::string big(3000, 'n');
  out_message(t, 0, "%s", big.c_str());
  EXPECT_EQ(records().records.at(0).text, std::string(kMaxNoteText, 'n'));
}

TEST_F(IdeAgent, ReadingStandardInputIsRefusedWithACommandLineRecord) {
  char buffer[4];
  EXPECT_THROW(t.read_char(t.std_in), WtConsoleAgent::InputRefused);
  EXPECT_THROW(t.block_read(buffer, 1, 4, t.std_in), WtConsoleAgent::InputRefused);
  const ide_stream s = records();
  ASSERT_EQ(s.of_type(12).size(), 2u);
  EXPECT_EQ(s.records[0].text, "Standard input cannot be read in IDE mode");
}

TEST_F(IdeAgent, LastLineWithoutNewlineGoesBeforeTheOneExitRecord) {
  say("Errors:   0\npartial");
  EXPECT_EQ(leave(2), 2);
  EXPECT_EQ(leave(3), 3);  // a second exit writes nothing more
  const ide_stream s = records();
  EXPECT_EQ(s.exit_records, 1);
  ASSERT_EQ(s.records.size(), 2u);
  EXPECT_EQ(s.records[1].text, "partial\n");
  EXPECT_EQ(cap.console.substr(cap.console.size() - 13), "\n $$TOOL_EXIT");
}

TEST(IdeExit, AnAgentThatEndsWithoutTheExitEntryStillWritesTheRecord) {
  capture_table cap;
  {
    WtConsoleAgentExe agent{cap.table, 1};
    const std::string marker = "\xC8";
    agent.table().block_write(marker.data(), 1, 1, agent.table().std_out);
  }
  const ide_stream s = parse_ide_output(cap.console);
  EXPECT_TRUE(s.ok()) << s.error;
  EXPECT_EQ(s.exit_records, 1);
  ASSERT_EQ(s.records.size(), 1u);
  EXPECT_EQ(s.records[0].type, 12);
}

// ---- files --------------------------------------------------------------------------

TEST_F(IdeAgent, FilesAreReportedByFullPath) {
  cap.files["src.s26"] = "x";
  cap.files["cmd.xcl"] = "x";
  cap.files["inc.h"] = "x";
  cap.files["./cmd.xcl"] = "x";  // the command file by another name
  const char* reads_before_pass1[] = {"cmd.xcl", "src.s26"};
  for (const char* name : reads_before_pass1) t.close_file(t.open_file(name, "rt"));
  t.close_file(t.open_file("out.r26", "wb"));
  EXPECT_EQ(t.open_file("missing.h", "rt"), nullptr);
  t.progress_hook(5);
  t.close_file(t.open_file("inc.h", "rt"));
  t.close_file(t.open_file("src.s26", "rt"));  // the source read again is no dependency
  t.close_file(t.open_file("./cmd.xcl", "rt"));
  const ide_stream s = records();
  ASSERT_EQ(s.records.size(), 2u);
  EXPECT_EQ(s.records[0].kind, "OUT");
  EXPECT_EQ(s.records[0].file, absolute("out.r26"));
  EXPECT_EQ(s.records[1].kind, "DEP");
  EXPECT_EQ(s.records[1].file, absolute("inc.h"));
}

}  // namespace
