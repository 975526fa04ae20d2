// reader.h — physical source lines, include files and the character-source stack (A05, A06).
// The state lives here; the per-character entries for the lexer are in char_source.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "diag/messages.h"
#include "driver/block_stack.h"
#include "driver/output_table.h"

struct asm_context;

constexpr long kLineBufferSize = 32000;             // one physical line with its newline
constexpr long kMaxLineText = kLineBufferSize - 1;  // room left for the newline
constexpr int kMaxIncludeDepth = 10;                // include levels above the main file
constexpr int kMaxCharSources = 20;                 // distinct character sources
constexpr int kPushBackSize = 100;                  // pushed-back characters per source
constexpr std::size_t kReadBlockSize = 64 * 1024;   // read-ahead per open file
constexpr int kMaxTabWidth = 32;                    // -t allows 2..9

// A character source: yields the next character; 0 when it is used up (the
// source beneath takes over); -1 at the end of the whole input.
using char_reader = int (*)(asm_context&);

// One open source file: the main file at level 0, include files above it.
struct source_file {
  qfile* file = nullptr;
  const char* name = "";         // as opened (arena)
  int index = 0;                 // in the file index table
  long line_no = 0;              // physical lines read so far
  int at_include = 0;            // block-stack depth when this file was included
  block_counts open_at_include;  // the open blocks of each type then
  unsigned char* block = nullptr;// read-ahead buffer, kept for the level and reused
  std::size_t pos = 0;           // next unread byte of `block`
  std::size_t end = 0;           // bytes held in `block`
  bool at_eof = false;           // the file returned no more bytes
};

// One entry of the character-source table: a read function and its push-back buffer.
struct char_source_entry {
  char_reader read = nullptr;
  int count = 0;                 // characters held in `pushed`; the newest is last
  int pushed[kPushBackSize] = {};
};

// An active source above the file: remembers the source it covers.
struct char_source_node {
  char_reader prev_read;
  char_source_entry* prev_entry;
  char_source_node* next;
};

// Saved lexer input state, pushed when the lexer's input is redirected (A06).
struct io_status {
  long token_pos = 0;            // position in the current token buffer
  int pending_char = 0;          // character read ahead, or 0
  unsigned recording = 0;        // recording flags of the lexer
};

// A fault met while a line is built, reported once the line is whole so that
// the diagnostic shows all of it; `column` counts in the line buffer from 1.
struct line_fault {
  gen_err number;
  int column;
};

struct io_status_node {
  io_status saved;
  io_status_node* next;
};

struct source_state {
  // The current line, read by the diagnostics printer and the listing.
  const char* file_name = "";  // file of the current line
  long line_no = 0;            // line number of the current line in its file
  const char* line = "";       // text of the current line (tabs expanded), then "\n" and a NUL
  long line_len = 0;           // length of the text, without its newline

  // Read position in `line`. While the file is the only source and nothing is
  // pushed back, `fast_end` is the byte count including the newline, so the
  // lexer's get_char is a single comparison; otherwise it is 0.
  long line_pos = 0;
  long line_end = 0;           // bytes of `line` that read_line delivers (text and newline)
  long fast_end = 0;
  long total_lines = 0;        // physical lines of all files, for the listing
  int file_index = 0;          // index of the current line's file

  // Faults of the line being built: bad multibyte bytes, the end of the file
  // inside a character (the cut of an over-long line is reported after them).
  std::vector<line_fault> line_faults;

  // Switches driven by the preprocessor and the macro processor.
  bool in_false_group = false; // the line being read is excluded by #if: no error 5
  int macro_expansion = 0;     // > 0 while a macro expansion is read: #include refused

  // Include stack: files[0] is the main file.
  int include_depth = 0;
  source_file files[kMaxIncludeDepth + 1];
  std::vector<const char*> file_table;  // file index table: names in order of first opening

  // Line building.
  char* line_buf = nullptr;    // kLineBufferSize bytes, a NUL and room for a tab's fill
  bool started = false;
  bool at_end = false;         // main file exhausted: read_line returns -1 from now on
  int tab_width = 8;
  int tab_mask = 7;            // tab_width - 1 when a power of two, else -1
  const unsigned char* byte_class = nullptr;  // which bytes leave the copy loop
  std::uint64_t swar_high = 0; // under -n, high bytes leave the eight-byte copy too
  int mb_max = 1;              // longest multibyte character of the locale
  // Multibyte length of the character at `p` (at most `n` bytes): its length,
  // (size_t)-1 if invalid, (size_t)-2 if incomplete. Bound to the locale, with
  // mb_max, by source_start unless already set (then mb_max is set with it).
  std::size_t (*mb_length)(const char* p, std::size_t n) = nullptr;

  // Character-source stack: entry 0 is read_line.
  char_source_entry sources[kMaxCharSources];
  int source_count = 0;
  char_reader cur_read = nullptr;
  char_source_entry* cur_entry = nullptr;
  char_source_node* source_top = nullptr;   // nullptr while the file is the only source
  char_source_node* free_nodes = nullptr;

  // io status stack (A06).
  io_status_node* io_top = nullptr;
  io_status_node* io_free = nullptr;
};

// ---- Start-up and shut-down (driver) -------------------------------------

// Starts the reader on the main source: cx.driver.files.source as
// cx.driver.files.source_name, or standard input as "stdin.c" under -G. Takes
// the tab width and the multibyte switch from the options; the multibyte
// locale must be set before. Call once, after the command line was parsed.
void source_start(asm_context& cx);

// Closes the include files still open (after END inside one, or a stop).
// The main source stays open: the driver closes it.
void close_include_files(asm_context& cx);

// ---- Lines ---------------------------------------------------------------

// Reads the next line into `line` and returns its first character, or -1 at
// the end of the main file. read_line (char_source.h) calls it when the
// current line is used up.
int read_next_line(asm_context& cx);

// ---- Include files (include_files.cpp) -------------------------------------

// #include operand: a name between double quotes or between "<" and ">",
// after optional blanks; the text may come from a #define. Errors 99, 1, 3, 2.
// Returns true when the file was opened; its first line is read once the
// current line is used up. On false the caller skips the rest of its line.
bool include_operand(asm_context& cx, const char* text, std::size_t len);

// Opens `name` as an include file: quoted names are searched from the first
// entry of the search list, names in angle brackets from the second.
bool open_include(asm_context& cx, const char* name, std::size_t len, bool quoted);

// A line of the file with "$" in column 1: the file named after it (up to a
// blank) is included as if quoted. Call at the start of each line; false when
// the current line is no such line, or is in a false #if group. When it is,
// the rest of the line is consumed: the next character read is the first of
// the included file.
bool include_dollar_line(asm_context& cx);

// For the END directive: warning 18 when END is met inside an include file.
// Returns true when it was.
bool end_in_include(asm_context& cx);

// File index table, for the object writer's source tags: the main file is 0,
// each further file gets the next index when first opened.
int file_table_size(const asm_context& cx);
const char* file_table_name(const asm_context& cx, int index);

// ---- Internal (reader.cpp <-> include_files.cpp) ------------------------

// Gives `name` its index in the file table, adding it when new.
int file_table_index(asm_context& cx, const char* name);
// Ends the current include file: depth checks, close, resume the parent.
void end_include(asm_context& cx);
// Puts read_line into the character-source table as entry 0 (once).
void init_char_sources(asm_context& cx);
// The read-ahead buffer of an include level, taken once and reused.
unsigned char* level_block(asm_context& cx, int level);
