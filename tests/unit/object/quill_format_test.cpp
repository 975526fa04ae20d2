// quill_format_test.cpp — primitive encodings, the module checksum and the tag table.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "object/quill_format.h"

namespace {

std::string hex_of(const std::string& bytes) {
  std::string s;
  char buf[4];
  for (unsigned char c : bytes) {
    std::snprintf(buf, sizeof buf, s.empty() ? "%02X" : " %02X", c);
    s += buf;
  }
  return s;
}

struct encoding_case {
  const char* name;
  void (*write)(quill_writer&);
  bool variable;
  const char* expected;
};

const encoding_case kEncodings[] = {
    {"index_0", [](quill_writer& w) { w.index(0); }, true, "00"},
    {"index_127", [](quill_writer& w) { w.index(127); }, true, "7F"},
    {"index_128", [](quill_writer& w) { w.index(128); }, true, "80 01"},
    {"index_16383", [](quill_writer& w) { w.index(16383); }, true, "FF 7F"},
    {"index_16384", [](quill_writer& w) { w.index(16384); }, true, "80 80 01"},
    {"index_max", [](quill_writer& w) { w.index(0xFFFFFFFF); }, true, "FF FF FF FF 0F"},
    {"fixed_index_5", [](quill_writer& w) { w.index(5); }, false, "00 05"},
    {"fixed_index_300", [](quill_writer& w) { w.index(300); }, false, "01 2C"},
    {"u16_big_endian", [](quill_writer& w) { w.u16(0x1234); }, true, "12 34"},
    {"u32_big_endian", [](quill_writer& w) { w.u32(0x12345678); }, true, "12 34 56 78"},
    {"str8", [](quill_writer& w) { w.str8("AB"); }, true, "02 41 42"},
    {"str32", [](quill_writer& w) { w.str32("AB"); }, true, "00 00 00 02 41 42"},
    {"str8_empty", [](quill_writer& w) { w.str8(""); }, true, "00"},
};

class QuillEncoding : public ::testing::TestWithParam<encoding_case> {};

TEST_P(QuillEncoding, WritesExpectedBytes) {
  quill_writer w(GetParam().variable);
  GetParam().write(w);
  EXPECT_EQ(hex_of(w.bytes()), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Primitives, QuillEncoding, ::testing::ValuesIn(kEncodings),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(QuillFormat, IndexSizeMatchesWhatIsWritten) {
  for (uint32_t v : {0u, 127u, 128u, 16383u, 16384u, 0x1FFFFFu, 0x200000u, 0xFFFFFFFFu}) {
    quill_writer variable(true), fixed(false);
    variable.index(v);
    fixed.index(v & 0xFFFF);
    EXPECT_EQ(variable.size(), variable.index_size(v)) << v;
    EXPECT_EQ(fixed.size(), 2u) << v;
    EXPECT_EQ(fixed.index_size(v), 2u) << v;
  }
}

TEST(QuillFormat, Str8CutsAt255) {
  quill_writer w;
  w.str8(std::string(300, 'x'));
  ASSERT_EQ(w.size(), 256u);
  EXPECT_EQ(static_cast<unsigned char>(w.bytes()[0]), 255);
}

TEST(QuillFormat, ChecksumOfCheckString) {
  const std::string check = "123456789";
  EXPECT_EQ(quill_checksum(0, reinterpret_cast<const uint8_t*>(check.data()), check.size()), 0xBCDD);
  quill_writer w;
  w.raw(reinterpret_cast<const uint8_t*>(check.data()), check.size());
  EXPECT_EQ(w.checksum(), 0xBCDD);
}

TEST(QuillFormat, ChecksumBytesCloseTheModuleAndRestart) {
  quill_writer w;
  w.byte(0x3F);
  const uint16_t after_end = w.checksum();
  w.checksum_bytes();
  EXPECT_EQ(static_cast<unsigned char>(w.bytes()[1]), after_end >> 8);
  EXPECT_EQ(static_cast<unsigned char>(w.bytes()[2]), after_end & 0xFF);
  EXPECT_EQ(w.checksum(), 0);
  // The second module's checksum does not depend on the first.
  w.byte(0x3F);
  EXPECT_EQ(w.checksum(), after_end);
}

TEST(QuillFormat, TagTableHasEveryTagOnceAndFindsIt) {
  std::size_t count = 0;
  const quill_tag_layout* table = quill_tag_table(&count);
  std::set<int> seen;
  for (std::size_t i = 0; i < count; ++i) {
    EXPECT_TRUE(seen.insert(table[i].tag).second) << "tag twice: " << int(table[i].tag);
    EXPECT_EQ(quill_find_tag(table[i].tag), &table[i]);
  }
  const int vocabulary[] = {0x00, 0x01, 0x36, 0x37, 0x38, 0xA3, 0x74, 0x3A, 0xC7, 0x3C, 0x3D, 0xC8, 0x3F, 0x3E,
                            0x4A, 0x4B, 0xC5, 0xCE, 0xB5, 0xB0, 0xB1, 0xC4, 0xCA, 0xCB, 0xCD, 0xDE, 0xBA, 0x47,
                            0x5A, 0x5B, 0xA4, 0x5C, 0x5D, 0x5E, 0x5F, 0x60, 0x61, 0x62, 0x9D, 0xAC, 0xAD, 0xAE,
                            0xAF, 0xCC, 0x53, 0x54, 0xC9, 0x52, 0x46, 0xB9, 0x4E, 0xFF, 0xE0, 0x63, 0x64, 0x65,
                            0x66, 0x67, 0x68, 0x69, 0x6A, 0x6B, 0x6C, 0x6D, 0x6E, 0x6F, 0x70, 0x71, 0x82, 0x83,
                            0x84, 0x86, 0x87, 0x88, 0x8A, 0x8B, 0x8C, 0x8E, 0x8F, 0x90, 0x92, 0x93, 0x98, 0x99,
                            0x9A, 0x9B, 0x9C, 0x9E, 0xA9, 0xAA, 0xAB};
  for (int tag : vocabulary) EXPECT_NE(quill_find_tag(static_cast<uint8_t>(tag)), nullptr) << std::hex << tag;
  EXPECT_EQ(quill_find_tag(0x02), nullptr);
  EXPECT_EQ(quill_find_tag(0x85), nullptr);
}

}  // namespace
