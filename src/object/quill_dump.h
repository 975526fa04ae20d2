// quill_dump.h — a decoded QUILL object as text: one line per record with its
// fields, each stored expression again as one postfix line, the checksum verdict
// per module and a segment and symbol summary; or the bytes each segment holds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "object/quill_reader.h"

// Decoder of the body of a call-frame information record (0xE0): sets the text
// to print (empty: the body is shown in hex) and returns false when the body
// is malformed, the text then ending with where it stopped.
using quill_body_decoder = bool (*)(const uint8_t* body, std::size_t size, std::string& text);

// The call-frame decoder of qdump: one indented line per item of the body.
bool qdump_cfi_text(const uint8_t* body, std::size_t size, std::string& text);

struct quill_dump_options {
  bool offsets = true;                   // print the file offset of each record
  quill_body_decoder cfi_body = nullptr;
};

// The record listing with checksums and summary (the default view of qdump).
void quill_dump_records(const quill_object& obj, const quill_dump_options& options, std::string& out);

// The placed bytes of every segment, `??` where the linker fills in a value.
void quill_dump_bytes(const quill_object& obj, const quill_dump_options& options, std::string& out);

// One expression record as a word of a postfix line: "0x10", "CODE+0x4", "UART_INIT",
// "SFB(DATA)", "$-2", "shl-by 8", "+".
std::string quill_postfix_word(const quill_object& obj, const quill_module& m, const quill_record& r);

struct output_table;

// The qdump command: arguments as on the command line (argv[0] the program);
// returns the exit code (0 valid, 1 corrupt or truncated, 2 usage or I/O error).
// A call-frame record whose body does not decode makes the file corrupt.
int qdump_run(const output_table& out, int argc, char** argv);
