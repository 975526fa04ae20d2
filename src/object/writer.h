// writer.h — the QUILL object writer (A23): pass 2 hands it each module's
// statements, segment by segment; it spools the records of the module (the
// header, declarations, code and data, relocatable expressions for the linker,
// source tags, the end record), then the file writer puts them into the object
// file with its own records and the module checksum.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "object/quill_format.h"
#include "object/writer_spool.h"

struct asm_context;
struct code_sink;
struct expr_rec;
struct function_rec;
struct ident_node;
struct label_rec;
struct postfix_elem;
struct segment_rec;
struct statement_rec;

// Settings of the writer that the command line does not reach. Each keeps its
// default for every run; tests and embedders may set them on the context.
struct object_settings {
  bool fixed_indexes = false;          // every index as a u16 instead of 7-bit groups
  bool declare_all_externals = false;  // declare externals nobody refers to as well
  bool pass_erroneous = false;         // write erroneous statements as if they were sound
  bool fixed_date = false;             // header date 28.11.90 instead of the assembly date
  bool suppress_line_tags = false;     // no 0x47 source positions and no file tables
  bool debug_frames = false;           // 0xB5 frame information after symbols with debug names
  bool numbered_files = false;         // source positions number files by their order (debug mode 3)
};

// Where the next data bytes land, as the writer has told the linker so far.
struct object_cursor {
  const segment_rec* segment = nullptr;  // null until a location record or a switch is written
  int64_t location = 0;
};

// One symbol that goes into the object, with its number there.
struct object_symbol {
  ident_node* node;
  uint8_t klass;  // quill_symbol_class
};

// The writer's state: the spool and its free blocks live for the run, the
// rest is cleared at each module.
struct object_state {
  object_settings settings;
  object_spool spool;
  std::vector<machine_rec> records;   // the module's machine records, in order

  // Per module.
  bool little_endian = true;          // data byte order of the target
  uint32_t emitted = 0;               // data bytes emitted (the `$` base of the linker)
  uint32_t statement_start = 0;       // `emitted` when the current statement began
  const statement_rec* statement = nullptr;  // the statement being written, for message texts
  bool mode_pending = false;          // a mode byte is due before the next instruction
  uint8_t mode = 2;
  const char* last_file = nullptr;    // file of the last source change record
  bool switch_pending = false;        // the current segment's switch record is not written yet
  const segment_rec* segment = nullptr;  // the segment whose statements are being written
  object_cursor cursor;
  std::vector<object_symbol> symbols;                  // in object order: the index is the number
  std::unordered_map<const label_rec*, uint32_t> symbol_numbers;
  std::unordered_map<const ident_node*, function_rec*> functions;  // FUNCTION labels
  std::unordered_map<const ident_node*, int> function_numbers;     // labels without FUNCTION
  std::unordered_map<const statement_rec*, std::size_t> call_edges;  // FUNCALL statements
  int next_function = 0;
  uint32_t expansion_budget = 0;      // elements one expression may still write
  std::vector<const expr_rec*> expanding;  // symbol values being written in place

  // Per object file.
  bool eof_written = false;
  bool module_written = false;        // some module reached the file
  uint16_t last_checksum = 0;         // checksum of the last module written
  quill_writer own;                   // the file writer's own records, reused
};

// ---- The module (writer_module.cpp) ---------------------------------------------------

// Opens a module that has content: the header, the alias records and the
// predefined types, the segment declarations and the symbol declarations.
void object_begin_module(asm_context& cx);
// The statements of `seg` follow: its switch record is written before the
// first of them that places bytes or refers to the location.
void object_enter_segment(asm_context& cx, segment_rec* seg);
// The records of one statement from the code pass 2 made for it.
void gen_asm_code(asm_context& cx, statement_rec* record, const code_sink& code);
// Closes the module (call-frame record, end record) and writes it to the
// object file with its checksum, which becomes the module's CRC.
void object_end_module(asm_context& cx);
// After the last module: the end-of-file byte, once, and the file flushed.
void object_complete_file(asm_context& cx);

// The end record of the module's start address (0x3F, 0x3D, 0xC8).
void dump_end_record(asm_context& cx, const expr_rec* start);

// ---- Records of data (writer_module.cpp) -----------------------------------------------

// A data value of 1 to 4 bytes (0x36, 0x37, 0xA3, 0x38) in the data byte order;
// `swapped` writes a 2-byte value in the opposite order.
void dump_data(asm_context& cx, uint32_t value, unsigned size, bool swapped = false);
// `count` items of `size` bytes (0 to 4) of one value: 0x74.
void dump_abs_block(asm_context& cx, unsigned size, uint32_t value, uint32_t count);
// The store of the expression just written as `size` bytes (0x5A, 0x5B, 0xA4,
// 0x5C); a swapped 2-byte store exchanges the bytes first.
void dump_store(asm_context& cx, unsigned size, bool swapped);
// A location record: 0x3A in the absolute segment, else 0xC7.
void dump_location(asm_context& cx, const segment_rec* seg, int64_t location);

// ---- Expressions (writer_expressions.cpp) -----------------------------------------------

// What dump_expression wrote.
struct expr_written {
  bool ok = true;         // false after an error reported on the statement
  bool funcref = false;   // a function-reference operand stood for the whole expression
  uint32_t size = 0;      // the data bytes that operand placed
};
// Writes `expr` in postfix order for the linker.
expr_written dump_expression(asm_context& cx, const expr_rec* expr);
// The range check of the linker over [min, max] with `message`: maximum, then minimum.
void dump_range_check(asm_context& cx, int32_t min, int32_t max, const char* message);
// The index of a relocatable segment: its number minus 2. The absolute
// segment has none (internal error).
uint32_t segment_index(asm_context& cx, const segment_rec* seg);
uint32_t segment_index(asm_context& cx, uint32_t number);

// ---- Symbols (writer_symbols.cpp) ---------------------------------------------------------

// Chooses the symbols of the module and their numbers (externals as pass 2
// numbered them, publics, labels with debug names).
void plan_object_symbols(asm_context& cx);
// The alias records of the debug names, then the three predefined types.
void dump_module_types(asm_context& cx);
// One 0xCE record per planned symbol, each followed by its debug frame and
// function records.
void dump_symbol_declarations(asm_context& cx);
// The function number of a label (given on first use); with `report`, error
// 88 on the statement being written when the label was not named by FUNCTION.
int function_number(asm_context& cx, const ident_node* label, bool report);
// 0xCB records of a FUNCALL statement and the caller's frame lists.
void dump_call_graph(asm_context& cx, const statement_rec* record);

// ---- The object file (writer_file.cpp) -----------------------------------------------------

// Writes the module's machine records to the object file with the writer's
// own records after the header and the checksum after the end record.
void write_module_file(asm_context& cx);
