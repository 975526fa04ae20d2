// listing_test.cpp — the list file: breaking text at the width, the page
// frame, the header frame, the fields of a listing line, the words of the
// tables, and whole runs for what only a run shows (the diagnostics block of
// an empty source, the keyword and define tables).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "listing/listing.h"
#include "listing/symbol_listing.h"
#include "driver/context.h"
#include "driver/statement.h"
#include "support/asm_fixture.h"
#include "support/param_names.h"

namespace {

std::vector<std::string> split_lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

class Listing : public AsmTest {
 protected:
  void SetUp() override {
    AsmTest::SetUp();
    cx.driver.files.list = cap.table.open_file("t.lst", "wt");
    cx.driver.files.source_base = "t";
    start_listing(cx);
  }
  // Everything written so far, the file closed.
  std::string written() {
    if (cx.driver.files.list != nullptr) cap.table.close_file(cx.driver.files.list);
    cx.driver.files.list = nullptr;
    return cap.files["t.lst"];
  }
  std::vector<std::string> lines() { return split_lines(written()); }
  void wrap(std::size_t column, const std::string& text) {
    cx.listing.line.assign(column, ' ');
    list_wrapped(cx, text);
  }
  statement_rec* record(stmt_kind kind, int32_t location, std::vector<uint8_t> code, const char* text) {
    statement_rec* r = insert_avm_struct(cx, make_line_rec(cx, "t.s26", 1, text, std::strlen(text)));
    r->kind = kind;
    r->location = location;
    r->byte_count = static_cast<int32_t>(code.size());
    if (!code.empty()) {
      auto* bytes = static_cast<uint8_t*>(am_memory(cx, code.size()));
      std::memcpy(bytes, code.data(), code.size());
      r->code = bytes;
    }
    r->listing_flags = cx.driver.opt.listing_flags;
    return r;
  }
};

// ---- breaking text at the width ------------------------------------------------

struct wrap_case {
  const char* name;
  std::size_t column;  // where the text starts
  std::string text;
  std::vector<std::string> expected;
};

class Wrap : public Listing, public ::testing::WithParamInterface<wrap_case> {};

const std::string k56(56, 'a');
const std::string kIndent(23, ' ');

const wrap_case kWrapCases[] = {
    {"fits", 23, k56, {kIndent + k56}},
    {"one_past_the_width", 23, k56 + "b", {kIndent + k56, kIndent + "b"}},
    {"blank_in_the_last_ten_columns", 23, std::string(50, 'a') + " bbbbbbbbbb",
     {kIndent + std::string(50, 'a'), kIndent + "bbbbbbbbbb"}},
    {"blank_ten_columns_before_the_width", 23, std::string(46, 'a') + " " + std::string(20, 'b'),
     {kIndent + std::string(46, 'a'), kIndent + std::string(20, 'b')}},
    {"blank_eleven_columns_before_the_width", 23, std::string(45, 'a') + " " + std::string(20, 'b'),
     {kIndent + std::string(45, 'a') + " " + std::string(10, 'b'), kIndent + std::string(10, 'b')}},
    {"blank_before_the_last_ten_columns", 23, std::string(40, 'a') + " " + std::string(30, 'b'),
     {kIndent + std::string(40, 'a') + " " + std::string(15, 'b'), kIndent + std::string(15, 'b')}},
    {"blank_right_at_the_width_is_dropped", 23, k56 + " c", {kIndent + k56, kIndent + "c"}},
    {"continuation_of_blanks_alone_is_not_written", 23, "a" + std::string(120, ' ') + "z",
     {kIndent + "a", kIndent + std::string(7, ' ') + "z"}},
    {"too_little_room_no_indentation", 76, "abcdefgh", {std::string(76, ' ') + "abcde", "fgh"}},
    {"empty_text", 23, "", {""}},
};

TEST_P(Wrap, LinesAsExpected) {
  const wrap_case& c = GetParam();
  wrap(c.column, c.text);
  EXPECT_EQ(lines(), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Listing, Wrap, ::testing::ValuesIn(kWrapCases), by_name);

// ---- the page frame ----------------------------------------------------------------

TEST_F(Listing, EmptyLinesNeitherOpenAPageNorStandAtItsTop) {
  cx.listing.page_length = 10;
  cx.listing.line = "first";
  list_newline(cx);
  list_page(cx);
  list_empty_line(cx);
  list_empty_line(cx);
  list_page(cx);  // a page that holds nothing yet is not left for another
  cx.listing.line = "second";
  list_newline(cx);
  const std::string all = written();
  EXPECT_EQ(all.find("first\n\f"), all.find("first"));  // nothing between the line and the next page
  EXPECT_EQ(std::count(all.begin(), all.end(), '\f'), 1);
  EXPECT_NE(all.find("Page    2\n\nsecond\n"), std::string::npos) << all;
}

// ---- the header frame ---------------------------------------------------------------

// Long list names go on in frame lines of their own; every frame line stays 79 wide.
class Header : public Listing, public ::testing::WithParamInterface<std::string> {};

TEST_P(Header, FrameLinesAre79WideWithABlankBeforeTheFrame) {
  cx.driver.assembly_time = 826366246;
  cx.driver.files.list_name = GetParam();
  list_header(cx);
  std::string value;  // the list name, joined from its frame lines
  bool in_list_name = false;
  for (const std::string& line : lines()) {
    if (line.empty()) continue;
    ASSERT_EQ(line.size(), 79u) << line;
    ASSERT_EQ(line.back(), '#');
    if (line.find_first_not_of('#') == std::string::npos) continue;
    EXPECT_EQ(line[77], ' ') << line;
    if (line.find("List file     =  ") != std::string::npos) in_list_name = true;
    else if (line.find(" =  ") != std::string::npos) in_list_name = false;
    if (in_list_name) value += line.substr(29, 48);
  }
  while (!value.empty() && value.back() == ' ') value.pop_back();
  EXPECT_EQ(value, GetParam());
}

INSTANTIATE_TEST_SUITE_P(Listing, Header,
                         ::testing::Values(std::string(150, 'n') + ".lst", std::string(45, 'n') + ".lst"),
                         [](const auto& info) { return "name_of_" + std::to_string(info.param.size()); });

// ---- the fields of a listing line ---------------------------------------------------

// The number and location fields where they outgrow their usual width.
struct line_case {
  const char* name;
  stmt_kind kind;
  int32_t location;
  line_number number;
  std::string expected;
};

class Line : public Listing, public ::testing::WithParamInterface<line_case> {};

const line_case kLineCases[] = {
    {"location_past_0FFFFH_widens_the_field", stmt_kind::data, 0x10000, {number_kind::source, 7, 0},
     "    7    10000 42       DB 1"},
    {"expansion_past_99", stmt_kind::data, 0, {number_kind::expansion, 7, 123}, "    7.123 0000 42       DB 1"},
    {"no_number", stmt_kind::nothing, 0, {number_kind::none, 0, 0}, std::string(23, ' ') + "DB 1"},
    {"line_number_of_six_digits", stmt_kind::nothing, 0, {number_kind::source, 123456, 0},
     "123456" + std::string(18, ' ') + "DB 1"},
};

TEST_P(Line, Layout) {
  const line_case& c = GetParam();
  list_statement(cx, *record(c.kind, c.location, {0x42}, "DB 1"), c.number);
  EXPECT_EQ(lines(), std::vector<std::string>{c.expected});
}

INSTANTIATE_TEST_SUITE_P(Listing, Line, ::testing::ValuesIn(kLineCases), by_name);

// ---- words of the tables --------------------------------------------------------------

TEST(ListingWords, TypeWordsKeepTheirBlankAndNameUnknownCodes) {
  EXPECT_EQ(segment_type_word(16), "NEARCODE ");
  EXPECT_EQ(segment_type_word(17), "TYPE 17 ");
  EXPECT_EQ(segment_type_word(4096), "TYPE 4096 ");
  EXPECT_EQ(label_type_word(14), "ADDR ");
  EXPECT_EQ(label_type_word(15), "TYPE 15 ");
}

// ---- whole runs --------------------------------------------------------------------------

std::string run_listing(capture_table& cap, const std::string& source, std::vector<std::string> options, int* code) {
  cap.files["a.s26"] = source;
  options.insert(options.end(), {"-S", "-l", "a.lst", "a.s26"});
  *code = run_qasm(cap, options);
  return cap.files["a.lst"];
}

TEST(ListingRun, EmptySourceListsItsDiagnosticsAndNoCrc) {
  capture_table cap;
  int code = 0;
  const std::string list = run_listing(cap, "", {"-N"}, &code);
  EXPECT_EQ(code, 3);
  EXPECT_NE(list.find("Warning[17]"), std::string::npos) << list;
  EXPECT_NE(list.find("Error[4]"), std::string::npos) << list;
  EXPECT_EQ(list.find("CRC:"), std::string::npos) << list;
  EXPECT_NE(list.find("Errors:   1"), std::string::npos) << list;
}

// The keyword table escapes control characters; the define table shows value and line.
TEST(ListingRun, KeywordAndDefineTables) {
  capture_table cap;
  int code = 0;
  const std::string list = run_listing(
      cap, "#define WITH 12\n#define WITHOUT\n        RSEG CODE\n        DB 1\n        END\n", {"-N", "-xID"}, &code);
  EXPECT_EQ(code, 0);
  EXPECT_NE(list.find("\nWITH" + std::string(16, ' ') + " #define, value: 12, line: 1\n"), std::string::npos) << list;
  EXPECT_NE(list.find("\nWITHOUT" + std::string(13, ' ') + " #define,            line: 2\n"), std::string::npos);
  const std::size_t table = list.find("Keyword");
  ASSERT_NE(table, std::string::npos);
  const std::string rows = list.substr(table);
  const auto row = [](const std::string& name, const char* word) { return "\n" + name + std::string(20 - name.size(), ' ') + word + "\n"; };
  EXPECT_NE(rows.find(row("\\n", " DELIMITER")), std::string::npos) << rows;
  EXPECT_NE(rows.find(row("DB", " DIRECTIVE")), std::string::npos);
  EXPECT_NE(rows.find(row("RB1", " Target symbol: 1")), std::string::npos);
  for (char c : rows) ASSERT_TRUE(c == '\n' || c == '\t' || static_cast<unsigned char>(c) >= ' ') << int(c);
}

TEST_F(Listing, LabelRowShowsEveryAttribute) {
  segment("CODE", 2);
  ident_node* all = define("ALL", 0x10, 2);
  all->label->flags |= LBL_VARIABLE | LBL_PUBLIC | LBL_LOCAL | LBL_SFR;
  list_symbol_tables(cx);
  const std::vector<std::string> rows = lines();
  const std::string want = "ALL" + std::string(17, ' ') + "REL    VAR PUB LOCAL SFR UNTYP. CODE       10";
  EXPECT_NE(std::find(rows.begin(), rows.end(), want), rows.end()) << written();
}

}  // namespace
