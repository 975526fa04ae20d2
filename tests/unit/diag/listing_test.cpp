// listing_test.cpp — the list file: breaking text at the width, the page
// frame, the header frame, the fields of a listing line, the words of the
// tables, and whole runs for what only a run shows (the diagnostics block of
// an empty source, the keyword and define tables).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "diag/listing/listing.h"
#include "diag/listing/symbol_listing.h"
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

TEST_F(Listing, LongestSourceLineWrapsWithinTheWidthAndLosesNothing) {
  std::string text;
  for (int i = 0; text.size() < 31999; ++i) text += (i % 7 == 0 ? " word" : "x");
  text.resize(31999);
  wrap(23, text);
  std::string joined;
  for (const std::string& line : lines()) {
    ASSERT_LE(line.size(), 79u);
    ASSERT_EQ(line.compare(0, 23, kIndent), 0);
    joined += line.substr(23);
  }
  std::string squeezed;  // the blanks at the breaks are dropped
  for (char c : text)
    if (c != ' ') squeezed += c;
  std::string joined_squeezed;
  for (char c : joined)
    if (c != ' ') joined_squeezed += c;
  EXPECT_EQ(joined_squeezed, squeezed);
}

// ---- the page frame ----------------------------------------------------------------

TEST_F(Listing, PagesHoldTheirLengthWithTheHeaderAndNoFormFeedBeforePageOne) {
  cx.listing.page_length = 10;
  for (int i = 0; i < 25; ++i) {
    cx.listing.line = "line " + std::to_string(i);
    list_newline(cx);
  }
  const std::string all = written();
  EXPECT_NE(all[0], '\f');
  std::vector<std::string> pages;
  std::size_t start = 0;
  for (std::size_t ff = all.find('\f'); ff != std::string::npos; ff = all.find('\f', start)) {
    pages.push_back(all.substr(start, ff - start));
    start = ff + 1;
  }
  pages.push_back(all.substr(start));
  ASSERT_EQ(pages.size(), 4u);  // 8 lines a page after the two header lines
  for (std::size_t p = 0; p < pages.size(); ++p) {
    const std::vector<std::string> page = split_lines(pages[p]);
    EXPECT_EQ(page.size(), p + 1 < pages.size() ? 10u : 3u) << pages[p];
    EXPECT_NE(page[0].find("- t -"), std::string::npos);
    EXPECT_NE(page[0].find("Page    " + std::to_string(p + 1)), std::string::npos) << page[0];
    EXPECT_EQ(page[1], "");
  }
}

TEST_F(Listing, WithoutPagingNoFormFeedAndNewPageRequestsAreIgnored) {
  for (int i = 0; i < 200; ++i) {
    cx.listing.line = "x";
    list_newline(cx);
    if (i % 50 == 0) list_page(cx);
  }
  list_summary(cx, {"Errors:   0"});
  EXPECT_EQ(written().find('\f'), std::string::npos);
}

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

struct header_case {
  const char* name;
  int fixed_version;
  std::string list_name;
  bool date_on_version_line;
};

class Header : public Listing, public ::testing::WithParamInterface<header_case> {};

const header_case kHeaderCases[] = {
    {"version_text_leaves_no_room_for_the_date", 0, "t.lst", false},
    {"fixed_version_text_has_room", 1, "t.lst", true},
    {"long_list_name", 0, std::string(150, 'n') + ".lst", false},
    {"name_of_49_characters_touches_no_frame", 0, std::string(45, 'n') + ".lst", false},
};

TEST_P(Header, FrameLinesAre79WideWithABlankBeforeTheFrame) {
  const header_case& c = GetParam();
  cx.driver.opt.fixed_version = c.fixed_version;
  cx.driver.assembly_time = 826366246;
  cx.driver.files.list_name = c.list_name;
  list_header(cx);
  std::string value;  // the list name, joined from its frame lines
  bool in_list_name = false;
  int date_line = -1;
  const std::vector<std::string> all = lines();
  for (std::size_t i = 0; i < all.size(); ++i) {
    const std::string& line = all[i];
    if (line.empty()) continue;
    ASSERT_EQ(line.size(), 79u) << line;
    ASSERT_EQ(line.back(), '#');
    if (line.find_first_not_of('#') == std::string::npos) continue;
    EXPECT_EQ(line[77], ' ') << line;
    if (line.find("/1996  ") != std::string::npos) date_line = static_cast<int>(i);
    if (line.find("List file     =  ") != std::string::npos) in_list_name = true;
    else if (line.find(" =  ") != std::string::npos) in_list_name = false;
    if (in_list_name) value += line.substr(29, 48);
  }
  while (!value.empty() && value.back() == ' ') value.pop_back();
  EXPECT_EQ(value, c.list_name);
  ASSERT_GE(date_line, 0);
  EXPECT_EQ(all[static_cast<std::size_t>(date_line)].find("VEK Assembler") != std::string::npos,
            c.date_on_version_line);
}

INSTANTIATE_TEST_SUITE_P(Listing, Header, ::testing::ValuesIn(kHeaderCases), by_name);

TEST_F(Listing, TargetOptionIsTheTextOfTheSelectedChoice) {
  const char* expected[] = {"78K0 (no DIV/MUL)", "78K0", "78K0S"};
  for (int option = 0; option < 3; ++option) {
    cx.driver.opt.processor_option = option;
    EXPECT_EQ(target_option_text(cx), expected[option]);
  }
}

// ---- the fields of a listing line ---------------------------------------------------

struct line_case {
  const char* name;
  stmt_kind kind;
  int32_t location;
  std::vector<uint8_t> code;
  uint32_t extra_flags;  // listing bits added to the record's copy
  uint8_t stmt_flags;
  line_number number;
  std::vector<std::string> expected;
};

class Line : public Listing, public ::testing::WithParamInterface<line_case> {};

const line_number kLine7{number_kind::source, 7, 0};
const std::string kNo7 = "    7    ";        // the line-number field of line 7
const std::string kNoCode(13, ' ');          // no location, no code
std::string code_field(const std::string& location, const std::string& bytes, char marker = ' ') {
  std::string field = location + " " + bytes;
  field.resize(location.size() + 1 + 8, ' ');
  return field + marker;
}
const line_case kLineCases[] = {
    {"data", stmt_kind::data, 0x12, {1, 2, 3}, 0, 0, kLine7, {kNo7 + code_field("0012", "010203") + "DB 1"}},
    {"more_bytes_than_the_line_shows", stmt_kind::data, 0, {1, 2, 3, 4, 5, 6}, 0, 0, kLine7,
     {kNo7 + code_field("0000", "01020304", '*') + "DB 1"}},
    {"more_bytes_on_continuation_lines", stmt_kind::data, 0, {1, 2, 3, 4, 5, 6, 7, 8, 9}, LIST_MULTI_LINE_CODE, 0,
     kLine7, {kNo7 + code_field("0000", "01020304") + "DB 1", std::string(14, ' ') + "05060708",
              std::string(14, ' ') + "09"}},
    {"label_alone", stmt_kind::label, 0xABCD, {}, 0, 0, kLine7, {kNo7 + code_field("ABCD", "") + "DB 1"}},
    {"storage", stmt_kind::storage, 4, {}, 0, 0, kLine7, {kNo7 + code_field("0004", "") + "DB 1"}},
    {"equate_has_no_location", stmt_kind::equate, 4, {}, 0, 0, kLine7, {kNo7 + kNoCode + " DB 1"}},
    {"error_shows_location_without_bytes", stmt_kind::data, 9, {0xEE}, 0, STMT_ERROR_REPORTED, kLine7,
     {kNo7 + code_field("0009", "") + "DB 1"}},
    {"location_past_0FFFFH_widens_the_field", stmt_kind::data, 0x10000, {0x42}, 0, 0, kLine7,
     {kNo7 + code_field("10000", "42") + "DB 1"}},
    {"expansion_line", stmt_kind::data, 0, {0x42}, 0, 0, {number_kind::expansion, 7, 1},
     {"    7.1  " + code_field("0000", "42") + "DB 1"}},
    {"expansion_past_99", stmt_kind::data, 0, {0x42}, 0, 0, {number_kind::expansion, 7, 123},
     {"    7.123 " + code_field("0000", "42") + "DB 1"}},
    {"no_number", stmt_kind::nothing, 0, {}, 0, 0, {number_kind::none, 0, 0}, {std::string(9, ' ') + kNoCode + " DB 1"}},
    {"line_number_of_six_digits", stmt_kind::nothing, 0, {}, 0, 0, {number_kind::source, 123456, 0},
     {"123456    " + kNoCode + " DB 1"}},
};

TEST_P(Line, Layout) {
  const line_case& c = GetParam();
  statement_rec* r = record(c.kind, c.location, c.code, "DB 1");
  r->listing_flags |= c.extra_flags;
  r->flags |= c.stmt_flags;
  list_statement(cx, *r, c.number);
  EXPECT_EQ(lines(), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Listing, Line, ::testing::ValuesIn(kLineCases), by_name);

// ---- words of the tables --------------------------------------------------------------

TEST(ListingWords, TypeWordsCoverEveryCodeAndKeepTheirBlank) {
  EXPECT_EQ(segment_type_word(0), "UNTYPED ");
  EXPECT_EQ(segment_type_word(7), "CONST ");
  EXPECT_EQ(segment_type_word(14), "FARCODE ");
  EXPECT_EQ(segment_type_word(16), "NEARCODE ");
  EXPECT_EQ(segment_type_word(17), "TYPE 17 ");
  EXPECT_EQ(segment_type_word(4096), "TYPE 4096 ");
  EXPECT_EQ(label_type_word(7), "U LONG ");
  EXPECT_EQ(label_type_word(11), "LONG ");
  EXPECT_EQ(label_type_word(14), "ADDR ");
  EXPECT_EQ(label_type_word(15), "TYPE 15 ");
}

TEST(ListingWords, EscapedNamesAndHexValues) {
  std::string s;
  append_escaped(s, std::string_view("a\n\t\x01\x7F b", 7));
  EXPECT_EQ(s, "a\\n\\t\\x01\\x7F b");
  s.clear();
  append_upper_hex(s, 0xFFFFFFFEu, 1);
  EXPECT_EQ(s, "FFFFFFFE");
  s.clear();
  append_upper_hex(s, 0x12, 4);
  EXPECT_EQ(s, "0012");
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

TEST(ListingRun, KeywordTableEscapesControlCharacters) {
  capture_table cap;
  int code = 0;
  const std::string list = run_listing(cap, "        RSEG CODE\n        DB 1\n        END\n", {"-N", "-xI"}, &code);
  EXPECT_EQ(code, 0);
  const std::size_t table = list.find("Keyword");
  ASSERT_NE(table, std::string::npos);
  const std::string rows = list.substr(table);
  const auto row = [](const std::string& name, const char* word) { return "\n" + name + std::string(20 - name.size(), ' ') + word + "\n"; };
  EXPECT_NE(rows.find(row("\\n", " DELIMITER")), std::string::npos) << rows;
  EXPECT_NE(rows.find(row("DB", " DIRECTIVE")), std::string::npos);
  EXPECT_NE(rows.find(row("RB1", " Target symbol: 1")), std::string::npos);
  for (char c : rows) ASSERT_TRUE(c == '\n' || c == '\t' || static_cast<unsigned char>(c) >= ' ') << int(c);
}

TEST(ListingRun, DefineTableShowsValueAndLine) {
  capture_table cap;
  int code = 0;
  const std::string list =
      run_listing(cap, "#define WITH 12\n#define WITHOUT\n        RSEG CODE\n        DB 1\n        END\n", {"-N", "-xD"}, &code);
  EXPECT_EQ(code, 0);
  EXPECT_NE(list.find("\nWITH" + std::string(16, ' ') + " #define, value: 12, line: 1\n"), std::string::npos) << list;
  EXPECT_NE(list.find("\nWITHOUT" + std::string(13, ' ') + " #define,            line: 2\n"), std::string::npos);
}

TEST_F(Listing, LabelRowsShowModeAttributesSegmentAndValue) {
  segment("CODE", 2);
  ident_node* all = define("ALL", 0x10, 2);
  all->label->flags |= LBL_VARIABLE | LBL_PUBLIC | LBL_LOCAL | LBL_SFR;
  define("NEGATIVE", -2);
  ident_node* ext = user("EXT_SEVEN");
  ext->label->flags |= LBL_EXTERN;
  ext->label->external_index = 7;
  ident_node* unref = user("EXT_UNREF");
  unref->label->flags |= LBL_EXTERN;
  unref->label->external_index = kUnreferenced;
  list_symbol_tables(cx);
  const std::vector<std::string> all_lines = lines();
  const auto has = [&](const std::string& row) {
    return std::find(all_lines.begin(), all_lines.end(), row) != all_lines.end();
  };
  const std::string name20 = "                    ";
  EXPECT_TRUE(has("ALL" + name20.substr(3) + "REL    VAR PUB LOCAL SFR UNTYP. CODE       10")) << written();
  EXPECT_TRUE(has("NEGATIVE" + name20.substr(8) + "ABS    UNTYP.                            FFFFFFFE"));
  EXPECT_TRUE(has("EXT_SEVEN" + name20.substr(9) + "ABS    EXT [007] UNTYP."));
  EXPECT_TRUE(has("EXT_UNREF" + name20.substr(9) + "ABS    EXT [unref] UNTYP."));
}

}  // namespace
