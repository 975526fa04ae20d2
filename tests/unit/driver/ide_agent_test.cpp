// ide_agent_test.cpp — the IDE agent over a capture table: record framing and
// quoting, console lines into records, long lines, notes, files and the exit
// record.
#include "ide_fixture.h"

namespace {

TEST_F(IdeAgent, RecordsAreFramedFieldByField) {
  agent.comment(11, "q\"b\\s\bn\nf\fr\rt\t\xC0", "40", "a.s26", 3, 9);
  agent.message(10, "w", {}, "f", 1, 2, 3, 4);
  agent.input_file("/d/inc.h");
  agent.output_file("");
  EXPECT_EQ(cap.console,
            "$$TOOL_BEGIN $$VERSION \"1\" $$COM_BEGIN $$COM_POS \"3\" \"9\" $$TYPE \"11\" $$TAG \"40\" "
            "$$FILEPATH \"a.s26\" $$TXT_BEGIN \"q\\\"b\\\\s\\bn\\nf\\fr\\rt\t\xC0\" $$TOOL_END \n"
            "$$TOOL_BEGIN $$VERSION \"1\" $$MSG_BEGIN $$MSG_POS \"1\" \"2\" \"3\" \"4\" $$TYPE \"10\" "
            "$$FILEPATH \"f\" $$TXT_BEGIN \"w\" $$TOOL_END \n"
            "$$TOOL_BEGIN $$VERSION \"1\" $$DEP_BEGIN $$FILEPATH \"/d/inc.h\" $$TOOL_END \n"
            "$$TOOL_BEGIN $$VERSION \"1\" $$OUT_BEGIN $$TOOL_END \n");
}

TEST_F(IdeAgent, EveryTextComesBackUnchanged) {
  const std::string texts[] = {"\"", "\\", "\\\"", "end\\", std::string("nul\0in", 6), "\b\f\r\n",
                               "\xC0\xC8 marker bytes", std::string(2000, '\\'), "/" + std::string(4095, 'd')};
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

struct console_case {
  const char* name;
  std::vector<std::string> writes;  // separate writes to the console
  std::string expect;               // "type|tag|file|pos1|pos2|text" per record
};

const console_case kConsole[] = {
    {"diagnostic_at_its_column", {"\n\xC1" "7\n\xC0\"a\",3  Error[40]: Bad\n"}, "2|||0|0|\n;11|40|a|3|7|Error[40]: Bad"},
    {"column_kept_for_the_next", {"\xC1" "12\n\xC0\"a\",1  Error[4]: x\n\xC0\"a\",1  Warning[2]: y\n"},
     "11|4|a|1|12|Error[4]: x;10|2|a|1|12|Warning[2]: y"},
    {"marker_then_newline_takes_the_next_line", {"\xC8", "\nNo such option\n"}, "12|||0|0|No such option"},
    {"bytes_one_at_a_time", {"a", "\n", "#", "message: c", "\n"}, "2|||0|0|a\n;3|||0|0|#message: c\n"},
    {"heading_without_type_word", {"\xC1" "5\n\xC0\"f\",2  Remark\n"}, "0|0|f|2|5|"},
};

class IdeConsole : public IdeAgent, public ::testing::WithParamInterface<console_case> {};

TEST_P(IdeConsole, LinesBecomeRecords) {
  for (const std::string& w : GetParam().writes) say(w);
  std::string got;
  for (const ide_record& r : records().records)
    got += (got.empty() ? "" : ";") + std::to_string(r.type) + "|" + r.tag + "|" + r.file + "|" +
           std::to_string(r.positions[0]) + "|" + std::to_string(r.positions[1]) + "|" + r.text;
  EXPECT_EQ(got, GetParam().expect);
}

INSTANTIATE_TEST_SUITE_P(Ide, IdeConsole, ::testing::ValuesIn(kConsole),
                         [](const auto& info) { return std::string(info.param.name); });

// Every console entry feeds the line buffer; other files pass through.
TEST_F(IdeAgent, ConsoleEntriesAreCapturedFilesPassThrough) {
  t.write_char('a', t.std_out);
  out_print_file(t, t.std_err, "%d\n", 5);
  out_print(t, "%s\n", std::string(5000, 'x').c_str());  // beyond the formatting buffer
  cap.files["o.lst"] = "";
  qfile* f = t.open_file("o.lst", "wt");
  out_print_file(t, f, "\xC0\"a\",1  Error[1]: %s\n", "list");
  t.close_file(f);
  const ide_stream s = records();
  ASSERT_EQ(s.records.size(), 3u);  // the list file's output record last
  EXPECT_EQ(s.records[0].text, "a5\n");
  EXPECT_EQ(s.records[1].text, std::string(kMaxRecordText, 'x') + "\n");
  EXPECT_EQ(cap.files["o.lst"], "\xC0\"a\",1  Error[1]: list\n");
}

// A path of 4,096 characters and a long text: classified whole, then cut.
TEST_F(IdeAgent, LongHeadingIsClassifiedWholeAndItsTextCut) {
  const std::string path = "/" + std::string(4095, 'p');
  const std::string text = "Warning[19]: " + std::string(3000, 't');
  say("\xC1" "3\n\xC0\"" + path + "\",77  " + text + "\n");
  const ide_stream s = records();
  ASSERT_EQ(s.records.size(), 1u);
  EXPECT_EQ(s.records[0].type, 10);
  EXPECT_EQ(s.records[0].file, path);
  EXPECT_EQ(s.records[0].positions, (std::vector<long>{77, 3}));
  EXPECT_EQ(s.records[0].text, text.substr(0, kMaxRecordText));
}

TEST_F(IdeAgent, FormattedNotesGetTheTypeOfTheirKindAndAreCut) {
  const int kinds[][2] = {{0, 30}, {1, 21}, {2, 34}, {3, 33}, {9, 30}};
  for (const auto& k : kinds) out_message(t, k[0], "kind %d %s", k[0], std::string(2000, 'n').c_str());
  const ide_stream s = records();
  ASSERT_EQ(s.records.size(), std::size(kinds));
  for (std::size_t i = 0; i < std::size(kinds); ++i) {
    EXPECT_EQ(s.records[i].type, kinds[i][1]);
    EXPECT_EQ(s.records[i].text.size(), kMaxNoteText);
  }
}

TEST_F(IdeAgent, LastLineWithoutNewlineGoesBeforeTheOneExitRecord) {
  say("Errors:   0\npartial");
  EXPECT_EQ(leave(2), 2);
  EXPECT_EQ(leave(3), 3);  // a second exit writes nothing more
  const ide_stream s = records();
  EXPECT_EQ(s.exit_records, 1);
  ASSERT_EQ(s.records.size(), 2u);
  EXPECT_EQ(s.records[1].text, "partial\n");
}

// Reads before pass 1 are the source and command files: never dependencies,
// nor later under another name for the same file.
TEST_F(IdeAgent, FilesAreReportedByFullPath) {
  for (const char* name : {"src.s26", "cmd.xcl", "./cmd.xcl", "inc.h"}) cap.files[name] = "x";
  t.close_file(t.open_file("cmd.xcl", "rt"));
  t.close_file(t.open_file("src.s26", "rt"));
  t.close_file(t.open_file("out.r26", "wb"));
  EXPECT_EQ(t.open_file("missing.h", "rt"), nullptr);
  t.progress_hook(5);
  for (const char* name : {"inc.h", "src.s26", "./cmd.xcl"}) t.close_file(t.open_file(name, "rt"));
  const ide_stream s = records();
  ASSERT_EQ(s.records.size(), 2u);
  EXPECT_EQ(s.records[0].kind + " " + s.records[0].file, "OUT " + absolute("out.r26"));
  EXPECT_EQ(s.records[1].kind + " " + s.records[1].file, "DEP " + absolute("inc.h"));
}

}  // namespace
