// quill_builder.h — writes QUILL modules record by record with the shared encoder,
// for the reader, dump and linker tests, the fuzz targets and the link benchmark.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "object/quill_format.h"
#include "object/quill_reader.h"

class quill_builder {
 public:
  explicit quill_builder(bool variable_indexes = true) : w_(variable_indexes) {}

  // Module header as the file writer leaves it: header, version, target and banner.
  quill_builder& module(std::string_view name, bool library = false, bool little_endian = true) {
    little_ = little_endian;
    w_.restart_checksum();
    w_.byte(library ? QT_LIBRARY : QT_PROGRAM);
    w_.byte(0x0A);
    w_.byte(2 + (little_endian ? 1 : 0));
    w_.byte(0);
    w_.byte(28), w_.byte(11), w_.byte(90);
    w_.str8(name);
    for (uint8_t b : {0xBD, 0x0A, 0x00, 0x02, 0x00}) w_.byte(b);
    w_.byte(QT_VERSION), w_.u16(1);
    w_.byte(QT_TARGET), w_.u16(0x1E10), w_.str8(" Assembler 1.0");
    return *this;
  }
  quill_builder& rtmodel(std::string_view key, std::string_view value) {
    w_.byte(QT_RTMODEL), w_.u32(static_cast<uint32_t>(key.size() + value.size() + 8));
    w_.str32(key), w_.str32(value);
    return *this;
  }
  quill_builder& predefined_types() {
    const uint32_t bases[] = {1, 3, 7};
    for (uint32_t i = 0; i < 3; ++i) w_.byte(QT_PREDEF_TYPE), w_.index(100 + i), w_.byte(QT_TYPE_SIZE), w_.u32(0x8000), w_.index(bases[i]);
    return *this;
  }
  quill_builder& rseg(uint32_t seg, std::string_view name, unsigned kind, unsigned type, unsigned align = 0,
                      bool noroot = false) {
    w_.byte(QT_RSEG), w_.byte(align | (noroot ? kQuillNoRoot : 0)), w_.index(seg), w_.byte(kind << 5 | type);
    w_.str8(name);
    return *this;
  }
  quill_builder& aseg(uint32_t seg, std::string_view name, unsigned kind, unsigned type, uint32_t address) {
    w_.byte(QT_ASEG), w_.index(seg), w_.byte(kind << 5 | type), w_.u32(address), w_.str8(name);
    return *this;
  }
  // 0xCE with the name appended; the length covers it.
  quill_builder& symbol(unsigned cls, uint32_t seg, uint32_t value, std::string_view name, uint32_t type = 0) {
    const std::size_t n = name.size() < 255 ? name.size() : 255;
    w_.byte(QT_SYMBOL), w_.u32(static_cast<uint32_t>(12 + w_.index_size(seg) + w_.index_size(type) + 1 + n));
    w_.byte(cls), w_.index(seg), w_.u32(value), w_.u32(0), w_.index(type), w_.u16(0), w_.byte(0), w_.str8(name);
    return *this;
  }
  quill_builder& external(uint32_t number, std::string_view name) { return symbol(QS_EXTERNAL, number, 0, name); }
  quill_builder& loc_rel(uint32_t seg, uint32_t offset) { return w_.byte(QT_LOC_REL), w_.index(seg), w_.u32(offset), *this; }
  quill_builder& loc_abs(uint32_t address) { return w_.byte(QT_LOC_ABS), w_.u16(0), w_.u32(address), *this; }
  quill_builder& data1(uint32_t v) { return w_.byte(QT_DATA1), w_.byte(v), *this; }
  quill_builder& data2(uint32_t v) { return w_.byte(QT_DATA2), value(v, 2, 2), *this; }
  quill_builder& data3(uint32_t v) {
    w_.byte(QT_DATA3);
    if (little_) return value(v, 4, 4), *this;
    return value(v, 3, 3), w_.byte(0), *this;
  }
  quill_builder& data4(uint32_t v) { return w_.byte(QT_DATA4), value(v, 4, 4), *this; }
  quill_builder& block(unsigned size, uint32_t v, uint32_t count) {
    return w_.byte(QT_ABS_BLOCK), w_.byte(size), w_.u32(v), w_.u32(count), *this;
  }
  quill_builder& constant(uint32_t v) { return w_.byte(QT_CONST), w_.u32(v), *this; }
  quill_builder& segrel(uint32_t seg, uint32_t offset) { return w_.byte(QT_SEGREL), w_.index(seg), w_.u32(offset), *this; }
  quill_builder& ext(uint32_t number, uint32_t offset = 0) { return w_.byte(QT_EXTERN), w_.index(number), w_.u32(offset), *this; }
  quill_builder& sfb(uint32_t seg) { return w_.byte(QT_SFB), w_.index(seg), w_.u32(0), w_.byte(0x63), *this; }
  quill_builder& sfe(uint32_t seg) { return w_.byte(QT_SFE), w_.index(seg), w_.u32(0), w_.byte(0x63), *this; }
  quill_builder& location(uint32_t delta) { return w_.byte(QT_LOCATION), w_.u32(delta), *this; }
  quill_builder& op(uint8_t tag) { return w_.byte(tag), *this; }
  quill_builder& op(uint8_t tag, uint32_t arg) { return w_.byte(tag), w_.u32(arg), *this; }
  quill_builder& text(std::string_view t) { return w_.byte(QT_ERROR_TEXT), w_.str8(t), *this; }
  // The linker range check: message, maximum, minimum, check, empty message.
  quill_builder& check(std::string_view message, int32_t min, int32_t max) {
    text(message), constant(static_cast<uint32_t>(max)), constant(static_cast<uint32_t>(min));
    return op(QT_CHECK_RANGE), text("");
  }
  quill_builder& store(unsigned size) {
    const uint8_t tags[] = {0, QT_STORE1, QT_STORE2, QT_STORE3, QT_STORE4};
    return op(tags[size]);
  }
  quill_builder& fn_def(uint32_t number) {
    w_.byte(QT_FN_DEF), w_.u16(number), w_.u16(0xFFFF), w_.u16(0xFFFF), w_.u32(0), w_.byte(0), w_.byte(0);
    return *this;
  }
  quill_builder& fn_addr(uint32_t number) { return w_.byte(QT_FN_REF), w_.u16(number), *this; }
  quill_builder& src_pos(uint32_t file) {
    w_.byte(QT_SRC_POS), w_.u16(file), w_.u16(1), w_.u16(file), w_.u16(8), w_.byte(0x0F);
    return *this;
  }
  quill_builder& cfi(std::string_view body) { return w_.byte(QT_CFI), w_.str32(body), *this; }
  // End records, each followed by the module checksum.
  quill_builder& end() { return w_.byte(QT_END), w_.checksum_bytes(), *this; }
  quill_builder& end_abs(uint32_t start) { return w_.byte(QT_END_ABS), w_.u16(0), w_.u32(start), w_.checksum_bytes(), *this; }
  quill_builder& end_rel(uint32_t seg, uint32_t start) {
    return w_.byte(QT_END_REL), w_.index(seg), w_.u32(start), w_.checksum_bytes(), *this;
  }
  quill_builder& eof() { return w_.byte(QT_EOF), *this; }
  quill_builder& raw_byte(uint8_t b) { return w_.byte(b), *this; }

  const std::string& bytes() const { return w_.bytes(); }

 private:
  // The low `n` bytes of v in the module's data byte order, `count` of them written.
  quill_writer& value(uint32_t v, unsigned n, unsigned count) {
    for (unsigned i = 0; i < count; ++i) w_.byte(v >> (8 * (little_ ? i : n - 1 - i)));
    return w_;
  }

  quill_writer w_;
  bool little_ = true;
};

// A realistic program module: segments CODE (0) and DATA (1), a public entry in
// CODE, an external, code bytes, a word field referring to the external with a
// 16-bit range check, a byte-swapped word, a block in DATA, a relocatable start.
inline std::string sample_object() {
  quill_builder b;
  b.module("main").rtmodel("__rt_version", "1").predefined_types();
  b.rseg(0, "CODE", QK_REL, 1).rseg(1, "DATA", QK_REL, 2, 1);
  b.symbol(QS_RELOCATABLE, 0, 0, "main").external(0, "uart_init");
  b.loc_rel(0, 0).data1(0x16).ext(0).check("\n word out of range\n ", -32768, 65535).store(2);
  b.data2(0x1234).segrel(1, 2).op(0x70).op(0x6D, 8).op(0x6F).op(0x6E, 8).op(0x69).store(2);
  b.loc_rel(1, 0).block(1, 0xAA, 4);
  return b.end_rel(0, 0).eof().bytes();
}

// Rewrites the checksum of every module that the reader finds closed, so that
// damage done to a file reaches the stages behind the checksum.
inline void repair_checksums(std::string& bytes) {
  const quill_object obj = quill_read(bytes);
  for (const quill_module& m : obj.modules) {
    if (!m.closed || m.record_count == 0) continue;
    const quill_record& end = obj.records[m.first_record + m.record_count - 1];
    const uint32_t at = end.offset + end.size;
    const uint16_t sum = quill_checksum(0, reinterpret_cast<const uint8_t*>(bytes.data()) + m.offset, at - m.offset);
    bytes[at] = static_cast<char>(sum >> 8);
    bytes[at + 1] = static_cast<char>(sum & 0xFF);
  }
}
