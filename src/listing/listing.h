// listing.h — the list file (A01): the page frame, the header block, the
// listing line of a statement with its location, code bytes and wrapped
// source, and the summary block. Every line of the list file is built in one
// buffer and leaves through list_newline, which counts it and pages.
// The module walk is in listing_module.cpp, the tables in symbol_listing.cpp.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct asm_context;
struct statement_rec;

constexpr int kListWidth = 79;              // columns of a list-file line
constexpr int kInitialSavedPageLength = 44;  // what LSTPAG + restores before any LSTPAG -
constexpr int kMinPageLength = 10;
constexpr int kMaxPageLength = 150;

// Columns of a listing line: the line-number field, the location and the
// code field, the marker column, then the source text.
constexpr int kNumberField = 9;   // "%5d    " or "%5d.%-2d "
constexpr int kLocationField = 5; // four hex digits and a blank
constexpr int kCodeField = 8;     // four code bytes
constexpr int kCodeBytesPerLine = 4;
constexpr int kTextColumn = kNumberField + kLocationField + kCodeField + 1;

// A page length set by a statement (PAGSIZ, LSTPAG): it takes effect where
// the statement stands in the listing.
struct page_event {
  const statement_rec* at;
  int length;
};

// Where the listing of the current module stands; a stop lists what is left.
enum class module_listing : uint8_t { pending, writing, written };

struct listing_state {
  int width = kListWidth;
  // The page frame as the list file has it.
  int page_length = 0;           // 0: no paging
  int page_no = 1;               // of the next page header
  int line_count = 0;            // lines on the current page, its header included
  bool at_top = true;            // nothing but a page header on the current page yet
  bool page_pending = true;      // the next line starts a page

  // Page lengths as the directives see them while statements are read.
  int read_page_length = 0;
  int saved_page_length = kInitialSavedPageLength;
  std::vector<page_event> events;  // of the module being read, in source order
  std::size_t next_event = 0;

  // Line numbers of expansion and include lines: the last source line and a counter.
  long last_line_no = 0;
  int sub_line = 0;

  bool header_written = false;   // for the current module
  module_listing state = module_listing::pending;
  std::string line;              // the line being built
  std::string scratch;           // a diagnostic line, a table value

  void reset_for_module() {
    header_written = false;
    state = module_listing::pending;
    events.clear();
    next_event = 0;
    last_line_no = 0;
    sub_line = 0;
  }
};

// How a listing line is numbered.
enum class number_kind : uint8_t {
  none,       // nine blanks
  source,     // "%5ld    "
  expansion,  // "%5ld.%-2d ": the last source line and the sub-line counter
};
struct line_number {
  number_kind kind;
  long number;
  int sub;
};

// ---- Lines and pages ------------------------------------------------------------

// True when a list file is open.
bool listing_open(const asm_context& cx);

// Once per run, before the first module: the page length of -p.
void start_listing(asm_context& cx);
// A new page before the next line, when paging; a page holding nothing but
// its header is not left for another.
void list_page(asm_context& cx);
// Ends the line built in cx.listing.line (trailing blanks dropped): writes it
// in one block, counts it and pages first when the page is full.
void list_newline(asm_context& cx);
// An empty line.
void list_empty_line(asm_context& cx);
// The line in cx.listing.line, then `text` from its end on, broken at the
// width: at a blank within the last 10 columns when the next word would not
// fit, else where the width is reached. Continuation lines are indented to
// the column where the text began (not at all when fewer than 5 columns
// would be left).
void list_wrapped(asm_context& cx, std::string_view text);
// Appends blanks up to `column` (none when the line is there already).
void pad_to(std::string& line, std::size_t column);

// ---- Blocks ----------------------------------------------------------------------

// The header block of a module's listing (not under -N); once per module.
void list_header(asm_context& cx);
// One statement: its listing line, the source continuations and, with several
// lines of code, the remaining code bytes four to a line.
void list_statement(asm_context& cx, const statement_rec& record, line_number number);
// Diagnostic text as listing lines without number and code.
void list_diagnostic_text(asm_context& cx, std::string_view text);
// The summary block: each text centred between "#" frames.
void list_summary(asm_context& cx, const std::vector<std::string>& texts);

// ---- The module (listing_module.cpp; list_module is declared in driver/passes.h) ----

// Before a module's pass 1: a new page, the header still to come.
void start_module_listing(asm_context& cx);
// After a stop: the current module's header and diagnostics block, unless its
// listing was written or is being written.
void list_after_stop(asm_context& cx);

// ---- Page lengths from directives ------------------------------------------------

// PAGSIZ and LSTPAG while reading: the new page length, in force in the
// listing from `at` on.
void set_page_length_at(asm_context& cx, const statement_rec* at, int length);

// ---- Pieces for tests and the tables ---------------------------------------------

// "dd/Mon/yyyy  hh:mm:ss" of the assembly time in local time.
std::string listing_date(const asm_context& cx);
// The text of the selected -v choice ("78K0 (no DIV/MUL)").
std::string target_option_text(const asm_context& cx);
// Upper-case hexadecimal of a 32-bit value, at least `digits` digits.
void append_upper_hex(std::string& out, uint32_t value, int digits);
