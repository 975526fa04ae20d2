// console_lines.h — what one console line means to the IDE (A03): the marker
// byte at its start, the diagnostic heading it may hold, and the record type it
// becomes. Pure functions over the line text, used by the console agent.
#pragma once

#include <string_view>

// Marker bytes at the start of a console line, written only in IDE mode.
constexpr unsigned char kMarkDiagnostic = 0xC0;    // heading and text of a diagnostic follow
constexpr unsigned char kMarkColumn = 0xC1;        // the column of the next diagnostic follows
constexpr unsigned char kMarkNote20 = 0xC2;        // a note of type 20; one more byte before the text
constexpr unsigned char kMarkNote21 = 0xC3;        // a note of type 21
constexpr unsigned char kMarkCommandLine = 0xC8;   // a command-line error
constexpr unsigned char kMarkInternal = 0xC9;      // a note of type 30

// Record types of the IDE protocol.
enum ide_record_type : int {
  IDE_UNKNOWN = 0,        // a diagnostic heading without a type word
  IDE_PLAIN = 2,          // plain console output
  IDE_MESSAGE_LINE = 3,   // output of #message
  IDE_WARNING = 10,
  IDE_ERROR = 11,
  IDE_COMMAND_LINE = 12,
  IDE_NOTE_20 = 20,
  IDE_NOTE_21 = 21,
  IDE_INTERNAL = 30,      // internal errors and other notes
  IDE_NOTE_KIND_3 = 33,
  IDE_NOTE_KIND_2 = 34,
};

bool is_marker_byte(unsigned char c);

// One console line (without its newline), classified.
struct console_line {
  bool sets_column = false;   // a column line: nothing is sent
  long column = 0;            // the column it sets (0 when negative)
  int type = IDE_PLAIN;
  std::string_view tag;       // message number as written, or "0"; may be empty
  std::string_view file;      // file of a diagnostic heading
  long line = 0;              // line of a diagnostic heading
  bool at_pending_column = false;  // the second position is the pending column
  std::string_view text;      // record text before cutting; may be empty
  bool newline_after = false; // plain output keeps its newline in the text
};

console_line classify_console_line(std::string_view line);
