// code_sink.cpp — units of one statement's object code (A23).
#include "driver/code_sink.h"

namespace {

void append_bytes(code_sink& sink, uint32_t value, uint8_t size, bool swapped) {
  const bool low_first = sink.little_endian != swapped;
  for (uint8_t i = 0; i < size; ++i) {
    const unsigned shift = 8u * (low_first ? i : size - 1u - i);
    sink.bytes.push_back(static_cast<uint8_t>(value >> shift));
  }
}

}  // namespace

void emit_byte(code_sink& sink, uint8_t value) { emit_value(sink, value, 1); }

void emit_word(code_sink& sink, uint16_t value) { emit_value(sink, value, 2); }

void emit_value(code_sink& sink, uint32_t value, uint8_t size) {
  sink.units.push_back(code_unit{size, 0, value, nullptr});
  append_bytes(sink, value, size, false);
}

void emit_field(code_sink& sink, expr_rec* expr, uint8_t size, bool swapped) {
  sink.units.push_back(code_unit{size, static_cast<uint8_t>(CODE_FIELD | (swapped ? CODE_SWAPPED : 0)), 0, expr});
  sink.bytes.insert(sink.bytes.end(), size, 0);
}
