// quill_reader_test.cpp — decoding valid objects, and every kind of damage ending
// in a problem with its offset (never a crash), plus the dump views and qdump's exit codes.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "object/quill_builder.h"
#include "object/quill_dump.h"
#include "object/quill_reader.h"
#include "support/capture.h"

namespace {

TEST(QuillReader, DecodesTheSampleModule) {
  const std::string bytes = sample_object();
  const quill_object obj = quill_read(bytes);
  ASSERT_TRUE(obj.ok()) << obj.problems[0].text;
  ASSERT_EQ(obj.modules.size(), 1u);
  const quill_module& m = obj.modules[0];
  EXPECT_EQ(m.name, "main");
  EXPECT_TRUE(m.checksum_ok());
  EXPECT_TRUE(m.little_endian());
  EXPECT_TRUE(obj.end_of_file);
  int symbols = 0;
  for (uint32_t i = 0; i < m.record_count; ++i) {
    const quill_record& r = obj.records[m.first_record + i];
    if (r.layout->tag != QT_SYMBOL) continue;
    ++symbols;
    // The length covers everything after it, the name included.
    EXPECT_EQ(obj.number(r, "length"), r.size - 5);
  }
  EXPECT_EQ(symbols, 2);
  EXPECT_EQ(obj.records[m.first_record + m.record_count - 1].layout->tag, QT_END_REL);
}

TEST(QuillReader, FixedIndexesNeedTheFixedReader) {
  quill_builder b(false);
  b.module("m").rseg(0, "CODE", QK_REL, 1).symbol(QS_RELOCATABLE, 0, 4, "x").end().eof();
  quill_read_options fixed;
  fixed.variable_indexes = false;
  EXPECT_TRUE(quill_read(b.bytes(), fixed).ok());
  EXPECT_FALSE(quill_read(b.bytes()).ok());
}

TEST(QuillReader, EveryPrefixIsAProblemWithAnOffset) {
  const std::string bytes = sample_object();
  for (std::size_t n = 0; n < bytes.size(); ++n) {
    const quill_object obj = quill_read(std::string_view(bytes).substr(0, n));
    ASSERT_FALSE(obj.ok()) << "prefix " << n;
    EXPECT_LE(obj.problems[0].offset, n) << "prefix " << n;
  }
}

TEST(QuillReader, EveryChangedByteIsFound) {
  const std::string good = sample_object();
  for (std::size_t i = 0; i < good.size(); ++i)
    for (uint8_t mask : {0x01, 0x80, 0xFF}) {
      std::string bad = good;
      bad[i] = static_cast<char>(bad[i] ^ mask);
      EXPECT_FALSE(quill_read(bad).ok()) << "byte " << i << " xor " << int(mask);
    }
}

TEST(QuillReader, RandomBytesAreProblemsWithinTheFile) {
  std::mt19937 rng(7);
  for (int i = 0; i < 300; ++i) {
    std::string bytes(rng() % 200, '\0');
    for (char& c : bytes) c = static_cast<char>(rng());
    if (i % 2 == 0 && !bytes.empty()) bytes[0] = 0;  // past the header check now and then
    const quill_object obj = quill_read(bytes);
    ASSERT_FALSE(obj.ok()) << "input " << i;
    EXPECT_LE(obj.problems[0].offset, bytes.size());
  }
}

struct damage_case {
  const char* name;
  std::string (*bytes)();
  const char* problem;  // part of the first problem's text
};

std::string two_modules_then_garbage() {
  quill_builder b;
  b.module("a").end().module("b").end().eof().raw_byte(0);
  return b.bytes();
}

const damage_case kDamage[] = {
    {"empty", [] { return std::string(); }, "empty file"},
    {"not_a_header", [] { return std::string("\x36\x01", 2); }, "expected a module header"},
    {"unknown_tag", [] { return quill_builder().module("m").raw_byte(0x85).bytes(); }, "unknown record tag 0x85"},
    {"no_end_of_file", [] { return quill_builder().module("m").end().bytes(); }, "no end-of-file byte"},
    {"bytes_after_end", two_modules_then_garbage, "bytes after the end-of-file byte"},
    {"header_inside_module", [] { return quill_builder().module("a").module("b").bytes(); }, "inside module 'a'"},
    {"eof_inside_module", [] { return quill_builder().module("a").eof().bytes(); }, "0xFF inside module"},
    {"bad_fixed_byte",
     [] {
       std::string s = quill_builder().module("m").end().eof().bytes();
       s[1] = 0x0B;
       return s;
     },
     "expected byte 0xA"},
    {"index_over_32_bits",
     [] { return quill_builder().module("m").raw_byte(QT_LOC_REL).raw_byte(0xFF).raw_byte(0xFF).raw_byte(0xFF)
              .raw_byte(0xFF).raw_byte(0x7F).bytes(); },
     "index larger than 32 bits"},
    {"symbol_length_too_long",
     [] {
       quill_builder b;
       b.module("m").raw_byte(QT_SYMBOL);
       for (uint8_t c : {0x00, 0x00, 0x00, 0x12}) b.raw_byte(c);
       // class, segment, value, extra, type, u16 0, byte 0, name "x", then two bytes too many
       for (uint8_t c : {1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0x78, 0, 0}) b.raw_byte(c);
       return b.end().eof().bytes();
     },
     "covers 2 bytes more than its fields"},
    {"absurd_length", [] { return quill_builder().module("m").raw_byte(QT_CFI).raw_byte(0x7F).raw_byte(0xFF)
                            .raw_byte(0xFF).raw_byte(0xFF).bytes(); },
     "runs past the end of the file"},
    {"absurd_pair_count",
     [] {
       quill_builder b;
       b.module("m").raw_byte(QT_SYM_DEBUG);
       for (int i = 0; i < 12; ++i) b.raw_byte(0);
       for (int i = 0; i < 4; ++i) b.raw_byte(0xFF);
       return b.end().eof().bytes();
     },
     "needs more bytes than the file has left"},
    {"absurd_frame_count", [] { return quill_builder().module("m").raw_byte(QT_FRAME_LIST).raw_byte(0x10).raw_byte(0)
                                  .raw_byte(0).raw_byte(0).end().eof().bytes(); },
     "frame count"},
    {"frame_list_short",
     [] {
       return quill_builder().module("m").raw_byte(QT_FRAME_LIST).raw_byte(0).raw_byte(0).raw_byte(0).raw_byte(1)
           .data4(0).data4(0).end().eof().bytes();
     },
     "frame entries 0xCA missing"},
    {"block_item_size", [] { return quill_builder().module("m").block(5, 0, 1).end().eof().bytes(); },
     "not within 0-4"},
    {"alias_kind", [] { return quill_builder().module("m").raw_byte(QT_ALIAS).raw_byte(0).raw_byte(0).raw_byte(0)
                          .raw_byte(1).raw_byte(7).end().eof().bytes(); },
     "unknown alias kind 7"},
    {"checksum",
     [] {
       std::string s = quill_builder().module("m").end().eof().bytes();
       s[s.size() - 2] = static_cast<char>(s[s.size() - 2] ^ 1);
       return s;
     },
     "checksum of module 'm'"},
};

class QuillDamage : public ::testing::TestWithParam<damage_case> {};

TEST_P(QuillDamage, EndsInAProblem) {
  const std::string bytes = GetParam().bytes();
  const quill_object obj = quill_read(bytes);
  ASSERT_FALSE(obj.ok());
  EXPECT_NE(obj.problems[0].text.find(GetParam().problem), std::string::npos) << obj.problems[0].text;
  EXPECT_LE(obj.problems[0].offset, bytes.size());
}

INSTANTIATE_TEST_SUITE_P(Objects, QuillDamage, ::testing::ValuesIn(kDamage),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(QuillReader, ChecksumMismatchStillDecodesLaterModules) {
  quill_builder b;
  b.module("a").data1(1).end().module("b").data1(2).end().eof();
  std::string s = b.bytes();
  s[s.find('\x36') + 1] = 9;  // data of module a
  const quill_object obj = quill_read(s);
  ASSERT_EQ(obj.modules.size(), 2u);
  EXPECT_FALSE(obj.modules[0].checksum_ok());
  EXPECT_TRUE(obj.modules[1].checksum_ok());
  EXPECT_EQ(obj.problems.size(), 1u);
}

TEST(QuillDump, RecordsExpressionsAndSummary) {
  const std::string bytes = sample_object();
  std::string text;
  quill_dump_options options;
  options.offsets = false;
  quill_dump_records(quill_read(bytes), options, text);
  EXPECT_NE(text.find("5D extern       external=0 offset=0x0"), std::string::npos) << text;
  EXPECT_NE(text.find("= uart_init text(\"\\n word out of range\\n \") 0xFFFF 0xFFFF8000 check-range text(\"\") store2"),
            std::string::npos) << text;
  EXPECT_NE(text.find("= DATA+0x2 dup shl-by 8 swap shr-by 8 | store2"), std::string::npos) << text;
  EXPECT_NE(text.find("module 'main': checksum 0x"), std::string::npos);
  EXPECT_NE(text.find(" ok\n"), std::string::npos);
  EXPECT_NE(text.find("segment CODE             REL CODE         align 0 size 0x7"), std::string::npos) << text;
  EXPECT_NE(text.find("symbol  uart_init        external"), std::string::npos) << text;
  EXPECT_EQ(text.find("000000  "), std::string::npos);
}

TEST(QuillDump, BytesShowWhatTheLinkerFillsIn) {
  std::string text;
  quill_dump_bytes(quill_read(sample_object()), {}, text);
  EXPECT_NE(text.find("segment CODE:\n  000000: 16 ?? ?? 34 12 ?? ??\n"), std::string::npos) << text;
  EXPECT_NE(text.find("segment DATA:\n  000000: AA AA AA AA\n"), std::string::npos) << text;
}

TEST(QuillDump, CfiBodyGoesThroughTheHook) {
  quill_builder b;
  b.module("m").cfi("\x01\x02").end().eof();
  std::string plain, decoded;
  quill_dump_records(quill_read(b.bytes()), {}, plain);
  EXPECT_NE(plain.find("body=01 02"), std::string::npos) << plain;
  quill_dump_options options;
  options.cfi_body = [](const uint8_t* body, std::size_t size, std::string& text) {
    text = std::to_string(size) + " bytes " + std::to_string(body[1]);
    return true;
  };
  quill_dump_records(quill_read(b.bytes()), options, decoded);
  EXPECT_NE(decoded.find("body=2 bytes 2"), std::string::npos) << decoded;
}

struct qdump_case {
  const char* name;
  std::vector<std::string> args;
  int exit;
  const char* output;  // part of the console text
};

const qdump_case kQdump[] = {
    {"valid", {"good.r26"}, 0, "checksum 0x"},
    {"bytes_view", {"--bytes", "good.r26"}, 0, "16 ?? ??"},
    {"truncated", {"--no-offsets", "short.r26"}, 1, "qdump: short.r26: offset 0x"},
    {"missing_file", {"/nonexistent/x.r26"}, 2, "cannot read"},
    {"no_file", {}, 2, "no file given"},
    {"two_files", {"good.r26", "short.r26"}, 2, "more than one file"},
    {"unknown_option", {"--frob", "good.r26"}, 2, "unknown option"},
    {"help", {"--help"}, 0, "Usage: qdump"},
};

class QdumpCommand : public ::testing::TestWithParam<qdump_case> {};

TEST_P(QdumpCommand, ExitCodeAndText) {
  capture_table cap;
  cap.files["good.r26"] = sample_object();
  cap.files["short.r26"] = sample_object().substr(0, 40);
  std::vector<std::string> words = {"qdump"};
  words.insert(words.end(), GetParam().args.begin(), GetParam().args.end());
  std::vector<char*> argv;
  for (std::string& w : words) argv.push_back(w.data());
  EXPECT_EQ(qdump_run(cap.table, static_cast<int>(argv.size()), argv.data()), GetParam().exit) << cap.console;
  EXPECT_NE(cap.console.find(GetParam().output), std::string::npos) << cap.console;
}

INSTANTIATE_TEST_SUITE_P(Cases, QdumpCommand, ::testing::ValuesIn(kQdump),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
