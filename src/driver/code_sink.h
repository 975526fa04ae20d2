// code_sink.h — where pass 2 puts one statement's object code (A23): the
// units an encoder or a data directive emits, in order, each one data record
// of the object (1, 2, 3 or 4 bytes) or a field the linker fills in from an
// expression. The listing reads the flat bytes; the object writer walks the
// units. One sink serves a whole run: it is cleared per statement and never
// shrinks, so emitting does not allocate once it has grown.
#pragma once

#include <cstdint>
#include <vector>

struct expr_rec;

// Bits of code_unit::flags.
enum code_unit_flag : uint8_t {
  CODE_FIELD = 0x1,    // a relocatable field: `expr` (postfix, checks included) gives its value
  CODE_SWAPPED = 0x2,  // a 2-byte unit in the byte order opposite to the data order
};

struct code_unit {
  uint8_t size;    // bytes it occupies at the location counter: 1, 2, 3 or 4
  uint8_t flags;   // code_unit_flag bits
  uint32_t value;  // the value of a plain unit (its low `size` bytes)
  expr_rec* expr;  // CODE_FIELD: the expression the linker evaluates
};

struct code_sink {
  std::vector<uint8_t> bytes;     // every unit's bytes in address order; zeros for fields
  std::vector<code_unit> units;
  bool little_endian = true;      // data byte order of the target

  void clear() {
    bytes.clear();
    units.clear();
  }
  uint32_t size() const { return static_cast<uint32_t>(bytes.size()); }
};

// One byte.
void emit_byte(code_sink& sink, uint8_t value);
// A 16-bit value as one 2-byte unit, in the data byte order.
void emit_word(code_sink& sink, uint16_t value);
// A unit of `size` bytes (1 to 4) holding the low bytes of `value`.
void emit_value(code_sink& sink, uint32_t value, uint8_t size);
// A field of `size` bytes (1 to 4) that the linker fills from `expr`.
void emit_field(code_sink& sink, expr_rec* expr, uint8_t size, bool swapped = false);
