// statement.h — the statement record (AVM record) and its line record (A08):
// one per source statement, made when the statement is read and kept for
// pass 2, the listing and the diagnostics, which attach their text to it.
#pragma once

#include <cstddef>
#include <cstdint>

struct asm_context;
struct segment_rec;
struct statement_rec;

// One piece of diagnostic text for the list file. The pieces of a statement,
// in order, concatenate to everything its diagnostics wrote to the list.
struct diag_piece {
  diag_piece* next = nullptr;
  const char* text = nullptr;  // arena copy, NUL-terminated
  uint32_t length = 0;
};

// Where a statement's text came from.
struct line_rec {
  long line_no = 0;
  const char* file_name = "";            // not copied: file names live for the whole run
  const char* text = "";                 // arena copy of the line as read, without its newline
  uint32_t text_len = 0;
  int origin = 0;                        // kind of source record; kind 2 is hidden by -c$
  statement_rec* statement = nullptr;    // the statement made from this line
  const line_rec* macro_line = nullptr;  // expanded line: the macro body line it came from
};

// Marks a record made by insert_avm_struct; anything else found where a
// statement record is expected is an internal error.
constexpr uint32_t kAvmKindWord = 0x41564D31;

// Bits of `expansion`.
enum avm_expansion : uint16_t {
  AVM_STRUCTURED_LINE = 0x1,
  AVM_MACRO_LINE = 0x2,
  AVM_REPEAT_LINE = 0x4,
};

// Marks kept in `listing_flags` beside the copied listing bits.
enum avm_list_mark : uint32_t {
  AVM_PAGE = 0x800,        // a PAGE directive: new page before this line
  AVM_NOT_LISTED = 0x1000, // never listed (skipped conditional lines and the like)
};

// The statement record. Records live in the arena and are never destroyed, so
// fields hold plain values and arena pointers only; every field has its
// default here, and new fields are added the same way at the end.
struct statement_rec {
  uint32_t kind_word = kAvmKindWord;
  int kind = 0;                       // statement kind, set by the handler of the line
  statement_rec* next = nullptr;      // next statement of the same segment
  segment_rec* segment = nullptr;
  long location = 0;                  // location counter at the start of the statement
  line_rec* line = nullptr;
  int operand_column[2] = {0, 0};     // 1-based columns of the first and second operand
  int operation_column = 0;           // 1-based column of the operation field
  uint32_t listing_flags = 0;         // listing bits in force for the line, plus avm_list_mark
  uint16_t expansion = 0;             // avm_expansion bits
  long byte_count = 0;                // fixed in pass 1
  diag_piece* diag_first = nullptr;   // diagnostics for the list file, in order
  diag_piece* diag_last = nullptr;
};

// A line record for a line as read; `text` is copied (a trailing newline is
// dropped), `file_name` is kept as given.
line_rec* make_line_rec(asm_context& cx, const char* file_name, long line_no, const char* text,
                        std::size_t length);

// A fresh statement record for `line`, which becomes the current statement
// that pass-1 diagnostics attach to.
statement_rec* insert_avm_struct(asm_context& cx, line_rec* line);

// Appends a piece of diagnostic text (copied) to the record's list.
void attach_diag_piece(asm_context& cx, statement_rec* record, const char* text, std::size_t length);
