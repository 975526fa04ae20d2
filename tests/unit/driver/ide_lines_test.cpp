// ide_lines_test.cpp — classification of console lines for the IDE: marker
// bytes, diagnostic headings read strictly, column lines, plain output.
#include <gtest/gtest.h>

#include <string>

#include "driver/ide/console_lines.h"

namespace {

struct line_case {
  const char* name;
  std::string line;
  int type;
  std::string tag;
  std::string file;
  long line_no;
  std::string text;
};

// "M" stands for the diagnostic marker in the table below.
std::string m(const std::string& rest) { return "\xC0" + rest; }

const line_case kLines[] = {
    {"error_with_number", m("\"a.s26\",12  Error[415]: Operand syntax error"), 11, "415", "a.s26", 12,
     "Error[415]: Operand syntax error"},
    {"warning_with_number", m("\"a.s26\",3  Warning[4]: Macro or define expected"), 10, "4", "a.s26", 3,
     "Warning[4]: Macro or define expected"},
    {"error_without_number", m("\"b\",1  Error: stop"), 11, "", "b", 1, "Error: stop"},
    {"warning_without_number", m("\"b\",1  Warning: look"), 10, "", "b", 1, "Warning: look"},
    {"path_holding_error_word_stays_warning", m("\"dir/Error[5]/x.s26\",9  Warning[19]: Symbol 'S' duplicated"),
     10, "19", "dir/Error[5]/x.s26", 9, "Warning[19]: Symbol 'S' duplicated"},
    {"warning_word_in_error_text_stays_error", m("\"a\",2  Error[40]: 'Warning[3]: x' Bad"), 11, "40", "a", 2,
     "Error[40]: 'Warning[3]: x' Bad"},
    {"quote_comma_number_inside_file_name", m("\"odd\",5 name.s26\",7  Error[6]: Bad constant"), 11, "6",
     "odd\",5 name.s26", 7, "Error[6]: Bad constant"},
    {"heading_copied_into_text_is_not_read", m("\"a\",2  Error[18]: No such: \"x\",1  Warning[1]: y"), 11, "18", "a",
     2, "Error[18]: No such: \"x\",1  Warning[1]: y"},
    {"no_type_word", m("\"a.s26\",4  Note[1]: x"), 0, "0", "a.s26", 4, ""},
    {"no_heading", m("garbage \"Error[1]: x\""), 0, "0", "", 0, ""},
    {"no_line_number", m("\"a\",  Error[1]: x"), 0, "0", "", 0, ""},
    {"marker_alone", m(""), 0, "0", "", 0, ""},
    {"huge_line_number_is_clamped", m("\"a\",99999999999999999999  Error[1]: x"), 11, "1", "a", 0x7FFFFFFFL,
     "Error[1]: x"},
    {"note_20_skips_one_more_byte", "\xC2" "xnote", 20, "", "", 0, "note"},
    {"note_21", "\xC3" "note", 21, "", "", 0, "note"},
    {"command_line_error", "\xC8" "Error in command line: No source file specified", 12, "", "", 0,
     "Error in command line: No source file specified"},
    {"internal_note", "\xC9" "In function: x", 30, "", "", 0, "In function: x"},
    {"plain", "Errors:   2", 2, "", "", 0, "Errors:   2"},
    {"message_output", "#message: hello", 3, "", "", 0, "#message: hello"},
    {"empty_line", "", 2, "", "", 0, ""},
};

class ConsoleLine : public ::testing::TestWithParam<line_case> {};

TEST_P(ConsoleLine, Classifies) {
  const line_case& c = GetParam();
  const console_line got = classify_console_line(c.line);
  EXPECT_FALSE(got.sets_column);
  EXPECT_EQ(got.type, c.type);
  EXPECT_EQ(got.tag, c.tag);
  EXPECT_EQ(got.file, c.file);
  EXPECT_EQ(got.line, c.line_no);
  EXPECT_EQ(got.text, c.text);
  EXPECT_EQ(got.at_pending_column, static_cast<unsigned char>(c.line[0]) == 0xC0 && !c.line.empty());
  EXPECT_EQ(got.newline_after, c.type == 2 || c.type == 3);
}

INSTANTIATE_TEST_SUITE_P(Ide, ConsoleLine, ::testing::ValuesIn(kLines),
                         [](const auto& info) { return std::string(info.param.name); });

struct column_case {
  const char* text;
  long column;
};

TEST(ConsoleLineColumn, SetsThePendingColumn) {
  const column_case cases[] = {
      {"7", 7}, {"123", 123}, {"-4", 0}, {"", 0}, {"x", 0}, {"99999999999999", 0x7FFFFFFFL},
  };
  for (const column_case& c : cases) {
    const console_line got = classify_console_line(std::string("\xC1") + c.text);
    EXPECT_TRUE(got.sets_column) << c.text;
    EXPECT_EQ(got.column, c.column) << c.text;
  }
}

}  // namespace
