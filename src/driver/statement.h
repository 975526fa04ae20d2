// statement.h — the statement record (AVM record) and its line record (A08):
// one per source statement, made when the statement is read and kept for
// pass 2, the listing and the diagnostics, which attach their text to it.
// A module's records form one list in source order; each record is also in
// the chain of the segment it was placed in, which pass 2 joins in segment
// order.
#pragma once

#include <cstddef>
#include <cstdint>

struct asm_context;
struct data_item;
struct expr_rec;
struct instr_rec;
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

// What a statement is, as pass 2, the object writer and the listing see it.
enum class stmt_kind : uint8_t {
  nothing = 0,   // empty or comment line, listing control, a directive that places nothing
  label,         // a label alone: it has a location, no bytes
  equate,        // EQU, SET, DEFINE and the like: a value, no location
  abs_location,  // absolute code starts at an address
  instruction,   // a machine instruction (instr holds the form and operands)
  error,         // a statement that failed: written as the error record
  org,           // ORG: the location counter moves
  storage,       // DS: the location counter moves over reserved bytes, none written
  segment_part,  // a segment directive: a part of the segment starts here
  symbol_decl,   // PUBLIC, EXTERN, PUBWEAK
  data,          // DB, DW, DP, DD (items hold the values)
  align,         // ALIGN, EVEN, ODD: padding up to the new location
  assertion,     // a condition left to the linker
  range_check,   // LIMIT of a value left to the linker
  call_graph,    // FUNCALL
  target_stmt,   // a statement the target writes itself
  mode_change,   // the target's mode byte changes
  tagged_data,   // a single data item with a source tag
};
constexpr int kStmtKinds = static_cast<int>(stmt_kind::tagged_data) + 1;

// What every kind means to the listing and to placement; indexed by stmt_kind.
struct stmt_kind_info {
  const char* name;     // in statement dumps
  bool shows_location;  // the listing prints the location counter
  bool advances;        // the location counter moves by the byte count
};
const stmt_kind_info& kind_info(stmt_kind kind);

// Bits of `expansion`.
enum avm_expansion : uint16_t {
  AVM_STRUCTURED_LINE = 0x1,
  AVM_MACRO_LINE = 0x2,
  AVM_REPEAT_LINE = 0x4,
};

// Marks kept in `listing_flags` beside the copied listing bits.
enum avm_list_mark : uint32_t {
  AVM_PAGE = 0x800,         // a PAGE directive: new page before this line
  AVM_NOT_LISTED = 0x1000,  // never listed (skipped conditional lines and the like)
};

// Bits of `flags`.
enum stmt_flag : uint8_t {
  STMT_ERRONEOUS = 0x1,  // an error was reported on it: the object gets the error record
  STMT_PLACED = 0x2,     // in its segment's chain
  STMT_ERROR_REPORTED = 0x4,  // an error was reported on it: the listing shows its location, no bytes
};

// The statement record. Records live in the arena and are never destroyed, so
// fields hold plain values and arena pointers only; every field has its
// default here, and new fields are added the same way.
struct statement_rec {
  uint32_t kind_word = kAvmKindWord;
  stmt_kind kind = stmt_kind::nothing;
  uint8_t flags = 0;                   // stmt_flag bits
  uint16_t expansion = 0;              // avm_expansion bits
  statement_rec* next = nullptr;       // next statement of the module, in source order
  statement_rec* next_in_segment = nullptr;  // next statement placed in the same segment
  segment_rec* segment = nullptr;      // where the statement is placed
  int32_t location = 0;                // location counter at the start of the statement
  int32_t byte_count = 0;              // fixed in pass 1
  line_rec* line = nullptr;
  int operand_column[2] = {0, 0};      // 1-based columns of the first and second operand
  int operation_column = 0;            // 1-based column of the operation field
  uint32_t listing_flags = 0;          // listing bits in force for the line, plus avm_list_mark
  instr_rec* instr = nullptr;          // instruction: the form chosen in pass 1 and its operands
  data_item* items = nullptr;          // data: the items in operand order
  expr_rec* value = nullptr;           // the operand of ORG, DS, ALIGN, EQU, LIMIT and the like
  const uint8_t* code = nullptr;       // the bytes written in pass 2, byte_count of them (listing)
  diag_piece* diag_first = nullptr;    // diagnostics for the list file, in order
  diag_piece* diag_last = nullptr;
};

// A line record for a line as read; `text` is copied (a trailing newline is
// dropped), `file_name` is kept as given.
line_rec* make_line_rec(asm_context& cx, const char* file_name, long line_no, const char* text, std::size_t length);

// A fresh statement record for `line`, appended to the module's list; it
// becomes the current statement, which pass-1 diagnostics attach to. Its
// segment and location are those current now.
statement_rec* insert_avm_struct(asm_context& cx, line_rec* line);

// The statement being read (pass 1), or null before the first.
statement_rec* current_statement(const asm_context& cx);

// Marks the statement as failed: the object gets its error record, not its bytes.
void mark_erroneous(statement_rec* record);
inline bool is_erroneous(const statement_rec* record) { return (record->flags & STMT_ERRONEOUS) != 0; }

// Completes the current statement at the end of its line (dump_asm_op): when
// the line switched segments, the statement belongs to the new one at its
// location; the record joins its segment's chain, and the segment's location
// counter moves by the byte count when the kind advances it.
void dump_asm_op(asm_context& cx, statement_rec* record);

// Appends a piece of diagnostic text (copied) to the record's list.
void attach_diag_piece(asm_context& cx, statement_rec* record, const char* text, std::size_t length);
