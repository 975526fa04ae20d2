// quill_format.h — the QUILL object format's vocabulary and primitive encodings (A23).
// One table names every record tag with its field layout; the object writer, the
// reader behind qdump and qlink, and the dump all work from it. No assembler state.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// ---------------------------------------------------------------- field layouts

// How one field of a record is encoded.
enum class quill_field : uint8_t {
  none,       // end of the layout
  byte,       // one byte
  u16,        // big-endian 16 bits
  u32,        // big-endian 32 bits
  index,      // variable-length index (or u16 when variable-length indexes are off)
  str8,       // length byte, then the characters
  str32,      // u32 length, then the characters
  lstr16,     // u16 length, then the characters
  expect,     // one byte that must equal the layout's `value`
  bytes,      // `value` raw bytes (dates, time stamps, data values)
  length32,   // u32 count of the record bytes that follow it
  opaque,     // the rest of the record up to its length32, as raw bytes
  lstr16s,    // as many lstr16 as the preceding numeric field says
  pairs,      // as many (u16, u16) pairs as the preceding numeric field says
  alias,      // body of a 0xCD record: kind byte, then the fields of that kind
};

struct quill_field_layout {
  quill_field kind;
  uint8_t value;  // expected byte (expect) or byte count (bytes)
  const char* name;
};

// What a record does; the dump groups by it and the linker dispatches on it.
enum class quill_role : uint8_t {
  header,       // module header 0x00 / 0x01
  end,          // end of module; the two checksum bytes follow it
  data,         // placed bytes
  location,     // sets the location counter
  declaration,  // segment, symbol, type, function records
  operand,      // pushes an expression operand
  op,           // expression operator
  store,        // stores the expression value as data bytes
  funcref,      // function-reference operand
  debug,        // source positions, file tables, text definitions
  info,         // format version, target, runtime model, mode byte, error marker
  end_of_file,  // 0xFF
};

constexpr std::size_t kQuillMaxFields = 12;

struct quill_tag_layout {
  uint8_t tag;
  const char* name;
  quill_role role;
  std::array<quill_field_layout, kQuillMaxFields> fields;
};

// Tags with a name of their own in the code.
enum quill_tag : uint8_t {
  QT_PROGRAM = 0x00, QT_LIBRARY = 0x01,  QT_TYPE_SIZE = 0x24, QT_DATA1 = 0x36,  QT_DATA2 = 0x37,
  QT_DATA4 = 0x38,   QT_LOC_ABS = 0x3A,  QT_ERROR = 0x3C,     QT_END_ABS = 0x3D, QT_END_OTHER = 0x3E,
  QT_END = 0x3F,     QT_SRC_TABLE = 0x46, QT_SRC_POS = 0x47,  QT_PREDEF_TYPE = 0x4A, QT_RSEG = 0x4B,
  QT_TEXTDEF = 0x4E, QT_DEBUG = 0x52,    QT_VERSION = 0x53,   QT_TARGET = 0x54,  QT_STORE1 = 0x5A,
  QT_STORE2 = 0x5B,  QT_STORE4 = 0x5C,   QT_EXTERN = 0x5D,    QT_SEGREL = 0x5E,  QT_SFB = 0x5F,
  QT_SFE = 0x60,     QT_CONST = 0x61,    QT_LOCATION = 0x62,  QT_ABS_BLOCK = 0x74, QT_DISCARD = 0x9C,
  QT_ERROR_TEXT = 0x9D, QT_CHECK_RANGE = 0x9E, QT_DATA3 = 0xA3, QT_STORE3 = 0xA4, QT_FN_REF = 0xAF,
  QT_FN_DEF = 0xB0,  QT_FN_EXT = 0xB1,   QT_SYM_DEBUG = 0xB5, QT_SRC_FILE = 0xB9, QT_SRC_CHANGE = 0xBA,
  QT_FRAME_LIST = 0xC4, QT_ASEG = 0xC5,  QT_LOC_REL = 0xC7,   QT_END_REL = 0xC8, QT_RTMODEL = 0xC9,
  QT_FRAME = 0xCA,   QT_CALL = 0xCB,     QT_ALIAS = 0xCD,     QT_SYMBOL = 0xCE,  QT_MODE = 0xDE,
  QT_CFI = 0xE0,     QT_EOF = 0xFF,
};

// The layout of a tag, or nullptr when the tag is not part of the vocabulary.
const quill_tag_layout* quill_find_tag(uint8_t tag);

// Every tag of the vocabulary, in table order (for tests and the dump's help).
const quill_tag_layout* quill_tag_table(std::size_t* count);

// Symbol classes of the 0xCE record.
enum quill_symbol_class : uint8_t {
  QS_ABSOLUTE = 1,  QS_RELOCATABLE = 2, QS_ABS_LOCAL = 3, QS_REL_LOCAL = 4, QS_EXTERNAL = 5,
  QS_ABS_TYPED = 9, QS_WEAK = 24,       QS_WEAK_ALT = 29,
};

// Segment kinds in the high three bits of a segment byte.
enum quill_segment_kind : uint8_t { QK_ABS = 0, QK_REL = 1, QK_STACK = 2, QK_COMMON = 3 };

// Flags of a 0x4B relocatable segment declaration.
constexpr uint8_t kQuillAlignMask = 0x1F;
constexpr uint8_t kQuillReorder = 0x20;
constexpr uint8_t kQuillSort = 0x40;
constexpr uint8_t kQuillNoRoot = 0x80;

// Module header flags byte: bit 0 set when data values are little-endian.
constexpr uint8_t kQuillLittleEndian = 0x01;

// The name of segment type code 0..16 ("UNTYPED", "CODE", ...), or nullptr.
const char* quill_segment_type_name(unsigned type);

// ---------------------------------------------------------------- checksum

// The module checksum: a CRC-16 register with polynomial 0x8005, initial 0,
// each byte fed least significant bit first, no final xor.
uint16_t quill_checksum_update(uint16_t crc, uint8_t byte);
uint16_t quill_checksum(uint16_t crc, const uint8_t* bytes, std::size_t size);

// ---------------------------------------------------------------- byte writer

// Encoded size of a variable-length index.
std::size_t quill_index_size(uint32_t value);
// A variable-length index into `out` (room for 5 bytes); returns its byte count.
std::size_t quill_encode_index(uint32_t value, uint8_t* out);

// The multi-byte forms over a destination `Out` that takes bytes with
// put(bytes, size) and says variable_indexes(): the writer below and the
// assembler's object spool encode alike.
template <class Out>
class quill_forms {
 public:
  void u16(uint32_t value) {
    const uint8_t b[2] = {static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value)};
    out().put(b, 2);
  }
  void u32(uint32_t value) {
    const uint8_t b[4] = {static_cast<uint8_t>(value >> 24), static_cast<uint8_t>(value >> 16),
                          static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value)};
    out().put(b, 4);
  }
  // Seven bits a byte, least significant group first; or a u16.
  void index(uint32_t value) {
    if (!out().variable_indexes()) return u16(value);
    uint8_t b[5];
    out().put(b, quill_encode_index(value, b));
  }
  std::size_t index_size(uint32_t value) const {
    return static_cast<const Out&>(*this).variable_indexes() ? quill_index_size(value) : 2;
  }
  void str8(std::string_view text) { counted(text, 1, 255); }
  void str32(std::string_view text) { counted(text, 4, 0xFFFFFFFF); }
  void lstr16(std::string_view text) { counted(text, 2, 0xFFFF); }

 private:
  Out& out() { return static_cast<Out&>(*this); }
  // A length of `width` bytes (the text cut to `most`), then the characters.
  void counted(std::string_view text, int width, std::size_t most) {
    const std::size_t n = text.size() < most ? text.size() : most;
    if (width == 1) {
      const uint8_t b = static_cast<uint8_t>(n);
      out().put(&b, 1);
    } else if (width == 2) {
      u16(static_cast<uint32_t>(n));
    } else {
      u32(static_cast<uint32_t>(n));
    }
    out().put(reinterpret_cast<const uint8_t*>(text.data()), n);
  }
};

// Appends the primitive encodings to a growing byte buffer and keeps the running
// checksum of everything appended since the last `restart_checksum`.
class quill_writer : public quill_forms<quill_writer> {
 public:
  explicit quill_writer(bool variable_indexes = true) : variable_indexes_(variable_indexes) {}

  void byte(uint32_t value);
  void put(const uint8_t* bytes, std::size_t size);
  void raw(const uint8_t* bytes, std::size_t size) { put(bytes, size); }

  // Closes a module: the checksum after the end record, high byte then low byte,
  // and a fresh checksum for the next module.
  void checksum_bytes();
  void restart_checksum() { crc_ = 0; }
  uint16_t checksum() const { return crc_; }

  const std::string& bytes() const { return out_; }
  std::string& bytes() { return out_; }
  std::size_t size() const { return out_.size(); }
  bool variable_indexes() const { return variable_indexes_; }

 private:
  std::string out_;
  uint16_t crc_ = 0;
  bool variable_indexes_;
};

