// quill_format.cpp — the QUILL tag table, the module checksum and the byte writer (A23).
#include "object/quill_format.h"

namespace {

using F = quill_field;
using R = quill_role;

constexpr quill_field_layout fb(const char* name) { return {F::byte, 0, name}; }
constexpr quill_field_layout fw(const char* name) { return {F::u16, 0, name}; }
constexpr quill_field_layout fl(const char* name) { return {F::u32, 0, name}; }
constexpr quill_field_layout fi(const char* name) { return {F::index, 0, name}; }
constexpr quill_field_layout fs(const char* name) { return {F::str8, 0, name}; }
constexpr quill_field_layout fS(const char* name) { return {F::str32, 0, name}; }
constexpr quill_field_layout ft(const char* name) { return {F::lstr16, 0, name}; }
constexpr quill_field_layout fx(uint8_t value) { return {F::expect, value, "fixed"}; }
constexpr quill_field_layout fn(uint8_t count, const char* name) { return {F::bytes, count, name}; }
constexpr quill_field_layout flen() { return {F::length32, 0, "length"}; }

// clang-format off
// One row per tag: tag, name, role, fields after the tag byte.
constexpr quill_tag_layout kTags[] = {
  {0x00, "program",        R::header,       {fx(0x0A), fb("flags"), fb("operand"), fn(3, "date"), fs("name"),
                                             fx(0xBD), fx(0x0A), fx(0x00), fx(0x02), fx(0x00)}},
  {0x01, "library",        R::header,       {fx(0x0A), fb("flags"), fb("operand"), fn(3, "date"), fs("name"),
                                             fx(0xBD), fx(0x0A), fx(0x00), fx(0x02), fx(0x00)}},
  {0x36, "data1",          R::data,         {fn(1, "bytes")}},
  {0x37, "data2",          R::data,         {fn(2, "bytes")}},
  {0x38, "data4",          R::data,         {fn(4, "bytes")}},
  {0x3A, "loc-abs",        R::location,     {fw("zero"), fl("address")}},
  {0x3C, "error-stmt",     R::info,         {}},
  {0x3D, "end-abs",        R::end,          {fw("zero"), fl("start")}},
  {0x3E, "end-other",      R::end,          {}},
  {0x3F, "end",            R::end,          {}},
  {0x46, "src-table",      R::debug,        {fw("count"), fs("main"), {F::lstr16s, 0, "path"}}},
  {0x47, "src-pos",        R::debug,        {fw("file"), fw("one"), fw("file2"), fw("pathlen"), fx(0x0F)}},
  {0x4A, "predef-type",    R::declaration,  {fi("type"), fx(0x24), fl("size"), fi("base")}},
  {0x4B, "rseg",           R::declaration,  {fb("flags"), fi("segment"), fb("segbyte"), fs("name")}},
  {0x4E, "textdef",        R::debug,        {fs("name"), ft("text")}},
  {0x52, "debug-info",     R::debug,        {fb("mode")}},
  {0x53, "version",        R::info,         {fw("version")}},
  {0x54, "target",         R::info,         {fw("target"), fs("banner")}},
  {0x5A, "store1",         R::store,        {}},
  {0x5B, "store2",         R::store,        {}},
  {0x5C, "store4",         R::store,        {}},
  {0x5D, "extern",         R::operand,      {fi("external"), fl("offset")}},
  {0x5E, "segrel",         R::operand,      {fi("segment"), fl("offset")}},
  {0x5F, "sfb",            R::operand,      {fi("segment"), fl("offset")}},
  {0x60, "sfe",            R::operand,      {fi("segment"), fl("offset")}},
  {0x61, "const",          R::operand,      {fl("value")}},
  {0x62, "location",       R::operand,      {fl("delta")}},
  {0x63, "+",              R::op,           {}},
  {0x64, "-",              R::op,           {}},
  {0x65, "*",              R::op,           {}},
  {0x66, "/",              R::op,           {}},
  {0x67, "%",              R::op,           {}},
  {0x68, "&",              R::op,           {}},
  {0x69, "|",              R::op,           {}},
  {0x6A, "^",              R::op,           {}},
  {0x6B, "neg",            R::op,           {}},
  {0x6C, "!",              R::op,           {}},
  {0x6D, "shl-by",         R::op,           {fl("count")}},
  {0x6E, "shr-by",         R::op,           {fl("count")}},
  {0x6F, "swap",           R::op,           {}},
  {0x70, "dup",            R::op,           {}},
  {0x71, "pick",           R::op,           {fl("depth")}},
  {0x74, "abs-block",      R::data,         {fb("size"), fl("value"), fl("count")}},
  {0x82, ">",              R::op,           {}},
  {0x83, "ugt",            R::op,           {}},
  {0x84, ">=",             R::op,           {}},
  {0x86, "<",              R::op,           {}},
  {0x87, "ult",            R::op,           {}},
  {0x88, "<=",             R::op,           {}},
  {0x8A, "==",             R::op,           {}},
  {0x8B, "!=",             R::op,           {}},
  {0x8C, "~",              R::op,           {}},
  {0x8E, "&&",             R::op,           {}},
  {0x8F, "||",             R::op,           {}},
  {0x90, "^^",             R::op,           {}},
  {0x92, "select",         R::op,           {}},
  {0x93, "op111",          R::op,           {}},
  {0x94, "op112",          R::op,           {}},
  {0x95, "op113",          R::op,           {}},
  {0x96, "op114",          R::op,           {}},
  {0x97, "op115",          R::op,           {}},
  {0x98, "op116",          R::op,           {}},
  {0x99, "byte",           R::op,           {fl("which")}},
  {0x9A, "lwrd",           R::op,           {}},
  {0x9B, "hwrd",           R::op,           {}},
  {0x9C, "discard",        R::store,        {}},
  {0x9D, "error-text",     R::operand,      {fs("text")}},
  {0x9E, "check-range",    R::op,           {}},
  {0xA3, "data3",          R::data,         {fn(4, "bytes")}},
  {0xA4, "store3",         R::store,        {}},
  {0xA9, "date",           R::op,           {}},
  {0xAA, "sar",            R::op,           {}},
  {0xAB, "shl",            R::op,           {}},
  {0xAC, "fnref",          R::funcref,      {fw("function"), fw("constant"), fb("kind")}},
  {0xAD, "fnref-word",     R::funcref,      {fw("function")}},
  {0xAE, "fnref-byte",     R::funcref,      {fw("function")}},
  {0xAF, "fnaddr",         R::funcref,      {fw("function")}},
  {0xB0, "fn-def",         R::declaration,  {fw("function"), fw("ffff1"), fw("ffff2"), fl("attributes"),
                                             fb("zero1"), fb("zero2")}},
  {0xB1, "fn-ext",         R::declaration,  {fw("function"), fl("attributes")}},
  {0xB5, "sym-debug",      R::debug,        {fw("first"), fw("second"), fl("one"), fw("ffff"), fw("three"),
                                             fl("count"), {F::pairs, 0, "entry"}}},
  {0xB9, "src-file",       R::debug,        {fw("index"), ft("name"), fn(6, "stamp")}},
  {0xBA, "src-change",     R::debug,        {fw("file")}},
  {0xC4, "frame-list",     R::declaration,  {fl("count")}},
  {0xC5, "aseg",           R::declaration,  {fi("segment"), fb("segbyte"), fl("address"), fs("name")}},
  {0xC7, "loc-rel",        R::location,     {fi("segment"), fl("offset")}},
  {0xC8, "end-rel",        R::end,          {fi("segment"), fl("start")}},
  {0xC9, "rtmodel",        R::info,         {flen(), fS("key"), fS("value")}},
  {0xCA, "frame",          R::declaration,  {fi("segment"), fl("size"), fw("type")}},
  {0xCB, "call",           R::declaration,  {fw("caller"), fw("callee"), fw("indirect")}},
  {0xCC, "fnref-seg",      R::funcref,      {fw("function"), fl("constant"), fw("flag"), fi("segment")}},
  {0xCD, "alias",          R::declaration,  {flen(), {F::alias, 0, "alias"}}},
  {0xCE, "symbol",         R::declaration,  {flen(), fb("class"), fi("segment"), fl("value"), fl("extra"),
                                             fi("type"), fw("zero1"), fb("zero2"), fs("name")}},
  {0xDE, "mode",           R::info,         {fb("mode")}},
  {0xE0, "cfi",            R::debug,        {flen(), {F::opaque, 0, "body"}}},
  {0xFF, "end-of-file",    R::end_of_file,  {}},
};

constexpr const char* kSegmentTypes[] = {
  "UNTYPED", "CODE", "DATA", "XDATA", "IDATA", "BIT", "REGISTER", "CONST", "FAR",
  "HUGE", "FARCONST", "HUGECONST", "NEAR", "NEARCONST", "FARCODE", "HUGECODE", "NEARCODE",
};
// clang-format on

// Tag byte -> row of kTags (0xFF when the tag is unknown), built at compile time.
struct tag_index {
  std::array<uint8_t, 256> row{};
  constexpr tag_index() {
    for (auto& r : row) r = 0xFF;
    for (std::size_t i = 0; i < sizeof kTags / sizeof kTags[0]; ++i) row[kTags[i].tag] = static_cast<uint8_t>(i);
  }
};
constexpr tag_index kTagIndex;
static_assert(sizeof kTags / sizeof kTags[0] < 0xFF, "tag table row numbers fit a byte");

// CRC table of the MSB-first CRC-16/0x8005, indexed by the bit-reversed byte,
// so that a byte fed least significant bit first costs one lookup.
constexpr uint8_t reverse_bits(uint8_t b) {
  uint8_t r = 0;
  for (int i = 0; i < 8; ++i)
    if (b & (1u << i)) r |= static_cast<uint8_t>(0x80u >> i);
  return r;
}
constexpr uint16_t crc_row(unsigned i) {
  uint16_t v = static_cast<uint16_t>(i << 8);
  for (int k = 0; k < 8; ++k) v = static_cast<uint16_t>((v & 0x8000) ? (v << 1) ^ 0x8005 : v << 1);
  return v;
}
struct crc_tables {
  std::array<uint16_t, 256> t{};         // T[i]
  std::array<uint16_t, 256> reversed{};  // T[reverse(b)]
  constexpr crc_tables() {
    for (unsigned i = 0; i < 256; ++i) t[i] = crc_row(i);
    for (unsigned b = 0; b < 256; ++b) reversed[b] = t[reverse_bits(static_cast<uint8_t>(b))];
  }
};
constexpr crc_tables kCrc;
static_assert(kCrc.t[1] == 0x8005 && kCrc.t[2] == 0x800F && kCrc.t[3] == 0x000A, "CRC-16/0x8005 table");
static_assert(kCrc.reversed[1] == 0x8303, "table by reversed byte");

}  // namespace

const quill_tag_layout* quill_find_tag(uint8_t tag) {
  const uint8_t row = kTagIndex.row[tag];
  return row == 0xFF ? nullptr : &kTags[row];
}

const quill_tag_layout* quill_tag_table(std::size_t* count) {
  *count = sizeof kTags / sizeof kTags[0];
  return kTags;
}

const char* quill_segment_type_name(unsigned type) {
  return type < sizeof kSegmentTypes / sizeof kSegmentTypes[0] ? kSegmentTypes[type] : nullptr;
}

uint16_t quill_checksum_update(uint16_t crc, uint8_t byte) {
  return static_cast<uint16_t>(kCrc.t[crc >> 8] ^ kCrc.reversed[byte] ^ ((crc & 0xFF) << 8));
}

uint16_t quill_checksum(uint16_t crc, const uint8_t* bytes, std::size_t size) {
  for (std::size_t i = 0; i < size; ++i) crc = quill_checksum_update(crc, bytes[i]);
  return crc;
}

std::size_t quill_index_size(uint32_t value) {
  std::size_t n = 1;
  while (value >= 0x80) {
    value >>= 7;
    ++n;
  }
  return n;
}

std::size_t quill_encode_index(uint32_t value, uint8_t* out) {
  std::size_t n = 0;
  while (value >= 0x80) {
    out[n++] = static_cast<uint8_t>(value | 0x80);
    value >>= 7;
  }
  out[n++] = static_cast<uint8_t>(value);
  return n;
}

// ---------------------------------------------------------------- quill_writer

void quill_writer::put(const uint8_t* bytes, std::size_t size) {
  out_.append(reinterpret_cast<const char*>(bytes), size);
  crc_ = quill_checksum(crc_, bytes, size);
}

void quill_writer::byte(uint32_t value) {
  const uint8_t b = static_cast<uint8_t>(value);
  put(&b, 1);
}

void quill_writer::checksum_bytes() {
  const uint16_t sum = crc_;
  u16(sum);
  crc_ = 0;
}
