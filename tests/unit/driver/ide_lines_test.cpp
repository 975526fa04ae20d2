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
  std::string tag, file;
  long line_no;
  std::string text;
};

#define M "\xC0"  // the diagnostic marker
const line_case kLines[] = {
    {"error", M "\"a.s26\",12  Error[415]: Bad", 11, "415", "a.s26", 12, "Error[415]: Bad"},
    {"warning_without_number", M "\"b\",1  Warning: look", 10, "", "b", 1, "Warning: look"},
    {"path_holding_error_word", M "\"d/Error[5]/x\",9  Warning[19]: S", 10, "19", "d/Error[5]/x", 9, "Warning[19]: S"},
    {"heading_inside_text_not_read", M "\"a\",2  Error[18]: \"x\",1  Warning[1]: y", 11, "18", "a", 2,
     "Error[18]: \"x\",1  Warning[1]: y"},
    {"quote_comma_number_in_file_name", M "\"odd\",5 n\",7  Error[6]: B", 11, "6", "odd\",5 n", 7, "Error[6]: B"},
    {"no_type_word", M "\"a.s26\",4  Note[1]: x", 0, "0", "a.s26", 4, ""},
    {"no_heading", M "junk \"Error[1]: x\"", 0, "0", "", 0, ""},
    {"huge_line_number", M "\"a\",99999999999999999999  Error[1]: x", 11, "1", "a", 0x7FFFFFFFL, "Error[1]: x"},
    {"note_20_skips_a_byte", "\xC2" "xnote", 20, "", "", 0, "note"},
    {"note_21", "\xC3" "note", 21, "", "", 0, "note"},
    {"command_line_error", "\xC8" "Error in command line", 12, "", "", 0, "Error in command line"},
    {"internal_note", "\xC9" "In function: x", 30, "", "", 0, "In function: x"},
    {"plain", "Errors:   2", 2, "", "", 0, "Errors:   2"},
    {"message_output", "#message: hi", 3, "", "", 0, "#message: hi"},
};
#undef M

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
  EXPECT_EQ(got.at_pending_column, c.line[0] == '\xC0');
}

INSTANTIATE_TEST_SUITE_P(Ide, ConsoleLine, ::testing::ValuesIn(kLines),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ConsoleLineColumn, SetsThePendingColumn) {
  const std::pair<const char*, long> cases[] = {{"7", 7}, {"-4", 0}, {"", 0}, {"99999999999999", 0x7FFFFFFFL}};
  for (const auto& [text, column] : cases) {
    const console_line got = classify_console_line(std::string("\xC1") + text);
    EXPECT_TRUE(got.sets_column) << text;
    EXPECT_EQ(got.column, column) << text;
  }
}

}  // namespace
