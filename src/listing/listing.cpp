// listing.cpp — lines and pages of the list file (A01): the page frame, the
// header block of a module, the listing line of a statement with its
// location, code bytes and wrapped source text, diagnostic lines, and the
// summary block. Each line is built in the listing's buffer and written in
// one block by list_newline, which counts it and starts pages.
#include "listing/listing.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <ctime>

#include "driver/command_line.h"
#include "driver/context.h"
#include "driver/statement.h"
#include "target/target.h"

namespace {

constexpr const char* kMonths[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                     "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
constexpr const char* kFixedVersion = "V2.11D/DOS";  // -c#
constexpr uint32_t kCycleColumn = 0x10000;            // the statement lists individual cycles

// The page header: the source base name centred near column 38, the page
// number from column 69.
constexpr int kPageTitleCentre = 38;
constexpr int kPageNumberColumn = 69;
constexpr int kPageHeaderLines = 2;

// The header block: frame labels from column 12, values from column 29, the
// date on a line of its own after 45 blanks.
constexpr std::size_t kFrameLabelColumn = 12;
constexpr std::size_t kFrameValueColumn = 29;
constexpr std::size_t kDateIndent = 45;

constexpr int kSummaryWidth = 28;
constexpr int kSummaryRule = 30;
constexpr std::size_t kBreakWindow = 10;   // a break at a blank within the last 10 columns
constexpr std::size_t kMinTextColumns = 5;  // fewer left: continuation lines are not indented

bool is_blank(char c) { return c == ' ' || c == '\t'; }

void write_line(asm_context& cx, const std::string& text) {
  cx.out->block_write(text.data(), 1, text.size(), cx.driver.files.list);
}

void append_decimal(std::string& out, long value) {
  char digits[24];
  const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
  out.append(digits, end);
}

// A number right-aligned in `width` columns (wider when it needs more).
void append_right(std::string& out, long value, std::size_t width) {
  char digits[24];
  const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
  const std::size_t length = static_cast<std::size_t>(end - digits);
  if (length < width) out.append(width - length, ' ');
  out.append(digits, end);
}

void append_byte(std::string& out, uint8_t byte) {
  constexpr char kDigits[] = "0123456789ABCDEF";
  out += kDigits[byte >> 4];
  out += kDigits[byte & 0xF];
}

void page_header(asm_context& cx) {
  listing_state& L = cx.listing;
  std::string header;
  if (L.page_no > 1) header += '\f';
  const std::size_t start = header.size();  // the form feed takes no column
  const std::string& base = cx.driver.files.source_base;
  pad_to(header, start + static_cast<std::size_t>(std::max(0, kPageTitleCentre - static_cast<int>(base.size()) / 2)));
  header.append("- ").append(base).append(" -");
  pad_to(header, start + kPageNumberColumn);
  header += "  Page ";
  append_right(header, L.page_no, 4);
  header += "\n\n";
  write_line(cx, header);
  ++L.page_no;
  L.line_count = kPageHeaderLines;
  L.at_top = true;
  L.page_pending = false;
}

// Where the next line of a text broken at `columns` columns starts: the line
// is text[pos, cut), the next one starts at `next`. Always makes progress.
struct text_break {
  std::size_t cut;
  std::size_t next;
};
text_break find_break(std::string_view text, std::size_t pos, std::size_t columns) {
  if (text.size() - pos <= columns) return {text.size(), text.size()};
  const std::size_t cut = pos + columns;
  if (is_blank(text[cut])) return {cut, cut + 1};
  for (std::size_t k = cut - 1; k > pos && k + kBreakWindow >= cut; --k)
    if (is_blank(text[k])) return {k, k + 1};
  return {cut, cut};
}

// Closes a frame line of the header block: blanks up to the last column and
// "#", with at least one blank before it.
void close_frame(std::string& line, int width) {
  const std::size_t last = static_cast<std::size_t>(width - 1);
  if (line.size() < last)
    pad_to(line, last);
  else
    line += ' ';
  line += '#';
}

void frame_rule(asm_context& cx) {
  cx.listing.line.assign(static_cast<std::size_t>(cx.listing.width), '#');
  list_newline(cx);
}

void frame_blank(asm_context& cx) {
  std::string& b = cx.listing.line;
  b.assign(1, '#');
  close_frame(b, cx.listing.width);
  list_newline(cx);
}

// "#", the label from column 12, the value from column 29, broken inside the
// frame; continuation lines start at column 29.
void frame_field(asm_context& cx, const char* label, std::string_view value) {
  std::string& b = cx.listing.line;
  const int width = cx.listing.width;
  b.assign(1, '#');
  pad_to(b, kFrameLabelColumn);
  b += label;
  pad_to(b, kFrameValueColumn);
  const std::size_t columns = std::max<std::size_t>(kMinTextColumns, static_cast<std::size_t>(width) - 2 - kFrameValueColumn);
  std::size_t pos = 0;
  do {
    const text_break at = find_break(value, pos, columns);
    b.append(value.substr(pos, at.cut - pos));
    close_frame(b, width);
    list_newline(cx);
    b.assign(1, '#');
    pad_to(b, kFrameValueColumn);
    pos = at.next;
  } while (pos < value.size());
  b.clear();
}

std::string command_line_text(const asm_context& cx) {
  std::string text;
  const arg_entry* first = cx.cmdline.args != nullptr ? cx.cmdline.args->next : nullptr;
  for (const arg_entry* a = first; a != nullptr; a = a->next) {
    if (a != first) text += ' ';
    text += a->word;
  }
  return text;
}

void version_line(asm_context& cx) {
  std::string& b = cx.listing.line;
  const int width = cx.listing.width;
  b = "#     VEK Assembler ";
  b += cx.driver.opt.fixed_version ? kFixedVersion : version_text();
  b += " for ";
  b += target_processor_names();
  const std::string date = listing_date(cx);
  // The date keeps a blank on each side; where it does not fit it gets a line of its own.
  if (b.size() + 1 + date.size() + 2 <= static_cast<std::size_t>(width)) {
    b += ' ';
  } else {
    close_frame(b, width);
    list_newline(cx);
    b.assign(1, '#');
    b.append(kDateIndent, ' ');
  }
  b += date;
  close_frame(b, width);
  list_newline(cx);
}

}  // namespace

bool listing_open(const asm_context& cx) { return cx.driver.files.list != nullptr; }

void pad_to(std::string& line, std::size_t column) {
  if (line.size() < column) line.append(column - line.size(), ' ');
}

void append_upper_hex(std::string& out, uint32_t value, int digits) {
  char text[8];
  int n = 0;
  do {
    text[n++] = "0123456789ABCDEF"[value & 0xF];
    value >>= 4;
  } while (value != 0);
  for (int i = n; i < digits; ++i) out += '0';
  while (n > 0) out += text[--n];
}

void start_listing(asm_context& cx) {
  listing_state& L = cx.listing;
  L.page_length = cx.driver.opt.page_length;
  L.read_page_length = L.page_length;
  L.line.reserve(256);
  L.scratch.reserve(256);
}

void list_page(asm_context& cx) {
  listing_state& L = cx.listing;
  if (L.page_length > 0 && !L.at_top) L.page_pending = true;
}

void list_newline(asm_context& cx) {
  listing_state& L = cx.listing;
  std::string& b = L.line;
  std::size_t end = b.size();
  while (end > 0 && b[end - 1] == ' ') --end;
  b.resize(end);
  if (L.page_length > 0) {
    const bool new_page = L.page_pending || L.line_count >= L.page_length;
    // An empty line does not open a page, nor stand at the top of one.
    if (end == 0 && (new_page || L.at_top)) return;
    if (new_page) page_header(cx);
  }
  b += '\n';
  write_line(cx, b);
  ++L.line_count;
  L.at_top = false;
  b.clear();
}

void list_empty_line(asm_context& cx) {
  cx.listing.line.clear();
  list_newline(cx);
}

void list_wrapped(asm_context& cx, std::string_view text) {
  std::string& b = cx.listing.line;
  const std::size_t width = static_cast<std::size_t>(cx.listing.width);
  const std::size_t column = b.size();
  const bool room = column + kMinTextColumns <= width;
  const std::size_t indent = room ? column : 0;
  std::size_t columns = room ? width - column : kMinTextColumns;
  std::size_t pos = 0;
  for (;;) {
    const text_break at = find_break(text, pos, columns);
    const std::string_view piece = text.substr(pos, at.cut - pos);
    if (pos == 0 || piece.find_first_not_of(" \t") != std::string_view::npos) {
      b.append(piece);
      list_newline(cx);
    }
    b.clear();  // a continuation of blanks alone is not written
    if (at.next >= text.size()) return;
    b.assign(indent, ' ');
    columns = width - indent;
    pos = at.next;
  }
}

std::string listing_date(const asm_context& cx) {
  std::tm tm{};
  const std::time_t t = cx.driver.assembly_time;
  localtime_r(&t, &tm);
  const int month = tm.tm_mon >= 0 && tm.tm_mon < 12 ? tm.tm_mon : 0;
  char text[48];
  std::snprintf(text, sizeof text, "%02d/%s/%04d  %02d:%02d:%02d", tm.tm_mday, kMonths[month], tm.tm_year + 1900,
                tm.tm_hour, tm.tm_min, tm.tm_sec);
  return text;
}

std::string target_option_text(const asm_context& cx) {
  std::string_view choices = target_processor_choices();
  for (int index = 0; !choices.empty(); ++index) {
    const std::size_t comma = choices.find(',');
    const std::string_view choice = choices.substr(0, comma);
    if (index == cx.driver.opt.processor_option) return std::string(choice.substr(choice.empty() ? 0 : 1));
    if (comma == std::string_view::npos) break;
    choices.remove_prefix(comma + 1);
  }
  return cx.driver.opt.processor_text;
}

void list_header(asm_context& cx) {
  listing_state& L = cx.listing;
  if (L.header_written) return;
  L.header_written = true;
  if (!cx.driver.opt.listing_header) return;
  const run_files& f = cx.driver.files;
  frame_rule(cx);
  frame_blank(cx);
  version_line(cx);
  frame_blank(cx);
  frame_field(cx, "Target option =  ", target_option_text(cx));
  frame_field(cx, "Source file   =  ", f.source_name);
  frame_field(cx, "List file     =  ", f.list_name);
  frame_field(cx, "Object file   =  ", f.object_name);
  frame_field(cx, "Command line  =  ", command_line_text(cx));
  frame_blank(cx);
  frame_rule(cx);
  list_empty_line(cx);
  list_empty_line(cx);
}

void list_statement(asm_context& cx, const statement_rec& r, line_number number) {
  std::string& b = cx.listing.line;
  b.clear();
  switch (number.kind) {
    case number_kind::none: b.append(kNumberField, ' '); break;
    case number_kind::source:
      append_right(b, number.number, 5);
      b.append(4, ' ');
      break;
    case number_kind::expansion: {
      append_right(b, number.number, 5);
      b += '.';
      const std::size_t at = b.size();
      append_decimal(b, number.sub);
      pad_to(b, at + 2);
      b += ' ';
      break;
    }
  }
  if (r.listing_flags & kCycleColumn) b += ' ';  // no cycle data for these cores: the column stays empty

  // Label-only, DS and erroneous statements show their location without bytes.
  const bool failed = (r.flags & (STMT_ERRONEOUS | STMT_ERROR_REPORTED)) != 0;
  const bool location = kind_info(r.kind).shows_location || failed;
  const uint8_t* code = location && !failed ? r.code : nullptr;
  const std::size_t count = code != nullptr && r.byte_count > 0 ? static_cast<std::size_t>(r.byte_count) : 0;
  std::size_t code_column = b.size() + kLocationField;
  if (location) {
    append_upper_hex(b, static_cast<uint32_t>(r.location), 4);
    b += ' ';
    code_column = b.size();
    for (std::size_t i = 0; i < count && i < kCodeBytesPerLine; ++i) append_byte(b, code[i]);
    pad_to(b, code_column + kCodeField);
  } else {
    b.append(kLocationField + kCodeField, ' ');
  }
  const bool several = (r.listing_flags & LIST_MULTI_LINE_CODE) != 0;
  b += count > kCodeBytesPerLine && !several ? '*' : ' ';
  const std::string_view text = r.line != nullptr ? std::string_view(r.line->text, r.line->text_len) : std::string_view();
  list_wrapped(cx, text);
  if (!several) return;
  for (std::size_t i = kCodeBytesPerLine; i < count; i += kCodeBytesPerLine) {
    b.assign(code_column, ' ');
    for (std::size_t k = i; k < count && k < i + kCodeBytesPerLine; ++k) append_byte(b, code[k]);
    list_newline(cx);
  }
}

void list_diagnostic_text(asm_context& cx, std::string_view text) {
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    cx.listing.line.assign(kTextColumn, ' ');
    list_wrapped(cx, text.substr(start, end - start));
    start = end + 1;
  }
}

void list_summary(asm_context& cx, const std::vector<std::string>& texts) {
  if (!listing_open(cx)) return;
  std::string& b = cx.listing.line;
  b.assign(kSummaryRule, '#');
  list_newline(cx);
  for (const std::string& text : texts) {
    const int free = std::max(0, kSummaryWidth - static_cast<int>(text.size()));
    b.assign(1, '#');
    b.append(static_cast<std::size_t>(free / 2), ' ');
    b += text;
    b.append(static_cast<std::size_t>(free - free / 2), ' ');
    b += '#';
    list_newline(cx);
  }
  b.assign(kSummaryRule, '#');
  list_newline(cx);
  for (int i = 0; i < 3; ++i) list_empty_line(cx);
  list_page(cx);  // the next module starts on a page of its own
}

void set_page_length_at(asm_context& cx, const statement_rec* at, int length) {
  cx.listing.read_page_length = length;
  cx.listing.events.push_back(page_event{at, length});
}
