// quill_reader.h — decodes a QUILL object file into modules, records and fields,
// checking every length against the bytes present and the checksum of every module.
// qdump prints what it decodes and qlink links it; both use this one decoder.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "object/quill_format.h"

// One decoded field. Numbers are in `number`; strings and raw byte groups are
// a span of the file's bytes (`at`, `size`). List items are fields of their own.
struct quill_value {
  const quill_field_layout* layout;  // the layout row (list items: the list's row)
  uint32_t number;               // numeric fields, list item counts, alias kind
  uint32_t number2;              // second member of a pair
  uint32_t at;                   // file offset of the characters or bytes
  uint32_t size;                 // their count
};

struct quill_record {
  uint32_t offset;               // file offset of the tag byte
  uint32_t size;                 // bytes including the tag
  const quill_tag_layout* layout;    // tag and layout
  uint32_t first_value;          // into quill_object::values
  uint32_t value_count;
};

struct quill_module {
  uint32_t offset;               // file offset of the header tag
  uint32_t first_record;         // into quill_object::records (header first, end record last)
  uint32_t record_count;
  bool library;                  // 0x01 header
  uint8_t flags;                 // header flags byte
  std::string_view name;
  bool closed;                   // end record and both checksum bytes present
  uint16_t checksum_stored;
  uint16_t checksum_computed;
  bool checksum_ok() const { return closed && checksum_stored == checksum_computed; }
  bool little_endian() const { return (flags & kQuillLittleEndian) != 0; }
};

struct quill_problem {
  uint32_t offset;
  std::string text;
};

struct quill_read_options {
  bool variable_indexes = true;  // false: every index is a u16
};

struct quill_object {
  std::string_view bytes;        // the file as read (owned by the caller)
  std::vector<quill_module> modules;
  std::vector<quill_record> records;
  std::vector<quill_value> values;
  std::vector<quill_problem> problems;  // empty for a valid file
  bool end_of_file = false;      // the closing 0xFF byte was seen

  bool ok() const { return problems.empty(); }

  // Field access by layout name within a record; a missing name gives 0 / empty.
  const quill_value* field(const quill_record& r, std::string_view name) const;
  uint32_t number(const quill_record& r, std::string_view name) const;
  std::string_view text(const quill_value& v) const { return bytes.substr(v.at, v.size); }
  std::string_view text(const quill_record& r, std::string_view name) const;
  const uint8_t* data(const quill_value& v) const {
    return reinterpret_cast<const uint8_t*>(bytes.data()) + v.at;
  }
};

// Decodes `bytes` (kept by reference in the result). Decoding stops at the first
// structural fault; a checksum mismatch is recorded and decoding goes on.
quill_object quill_read(std::string_view bytes, const quill_read_options& options = {});

// The value of a data record's bytes (0x36, 0x37, 0x38, 0xA3) in the module's byte
// order, and the count of bytes it places.
uint32_t quill_data_value(const quill_object& obj, const quill_record& r, bool little_endian, unsigned* placed);

// Where a module's bytes go as its records say, before any placement: in the
// absolute segment at an address, or in one of its segments at an offset.
struct quill_cursor {
  bool absolute = true;   // the absolute segment; `offset` is the address
  uint32_t segment = 0;   // segment index (segment number - 2) otherwise
  uint64_t offset = 0;    // 64 bits, so that running past 4 GiB is seen, not wrapped
  uint32_t emitted = 0;   // data bytes emitted in the module so far (the `$` base)
};

// Number of bytes the record places at the cursor (data, absolute blocks, stores,
// function references); location records move the cursor. Advances the cursor.
uint64_t quill_step_cursor(const quill_object& obj, const quill_record& r, quill_cursor& at);
