// qlink_test.cpp — whole links of hand-built objects, run in-process with the
// files in memory: placement, symbols, libraries, expressions, output formats,
// and the errors that leave no output file behind.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "link/link_test_support.h"
#include "link/linker.h"
#include "object/quill_builder.h"

namespace {

// A module that defines `name` in CODE with three code bytes.
std::string provider(const char* module, const char* name, bool library = false, unsigned cls = QS_RELOCATABLE) {
  quill_builder b;
  b.module(module, library).rseg(0, "CODE", QK_REL, 1).symbol(cls, 0, 1, name);
  b.loc_rel(0, 0).data1(0xAF).data1(0x00).data1(0xAF);
  return b.end().eof().bytes();
}

const std::vector<std::string> kZones = {"-Z", "CODE=0080-7FFF", "-Z", "DATA=FB00-FE1F"};

std::vector<std::string> args_with(std::vector<std::string> extra) {
  std::vector<std::string> a = kZones;
  a.insert(a.end(), extra.begin(), extra.end());
  return a;
}

TEST(Qlink, TwoModulesResolvePlaceAndStore) {
  const auto r = run_qlink({{"main.r26", sample_object()}, {"uart.r26", provider("uart", "uart_init")}},
                           args_with({"-o", "app.hex", "-m", "app.map", "main.r26", "uart.r26"}));
  ASSERT_EQ(r.exit, 0) << r.console;
  const hex_image img = parse_hex(r.files.at("app.hex"));
  ASSERT_TRUE(img.fault.empty()) << img.fault;
  // main's CODE at 0080: 16, uart_init (CODE of uart at 0087, +1), 34 12, DATA+2 byte-swapped.
  EXPECT_EQ(bytes_at(img, 0x80, 10), "16 88 00 34 12 FB 02 AF 00 AF");
  EXPECT_EQ(bytes_at(img, 0xFB00, 5), "AA AA AA AA --");
  EXPECT_TRUE(img.has_start);
  EXPECT_EQ(img.start, 0x80u);
  EXPECT_TRUE(img.ended);
  const std::string& map = r.files.at("app.map");
  EXPECT_NE(map.find("uart_init                00000088 uart"), std::string::npos) << map;
  EXPECT_NE(map.find("CODE                 CODE     00000080 00000086 00000007 main"), std::string::npos) << map;
  EXPECT_LT(map.find("SYMBOLS BY NAME\n  main"), map.find("uart_init"));
}

TEST(Qlink, IntelHexLayout) {
  quill_builder b;
  b.module("m").loc_abs(0xFFF8).block(1, 0x11, 20).end_abs(0x12345);
  const auto r = run_qlink({{"a.r26", b.eof().bytes()}}, {"-o", "a.hex", "a.r26"});
  ASSERT_EQ(r.exit, 0) << r.console;
  EXPECT_EQ(r.files.at("a.hex"),
            ":08FFF800111111111111111179\n"  // stops at the 64 KiB boundary
            ":020000040001F9\n"
            ":0C00000011111111111111111111111128\n"
            ":04000005000123458E\n"
            ":00000001FF\n");
}

TEST(Qlink, BinaryFromLowestToHighestWithFill) {
  quill_builder b;
  b.module("m").loc_abs(0x100).data1(1).loc_abs(0x104).data2(0x0302).end();
  const auto r = run_qlink({{"a.r26", b.eof().bytes()}}, {"-F", "bin", "--fill", "5A", "-o", "a.bin", "a.r26"});
  ASSERT_EQ(r.exit, 0) << r.console;
  EXPECT_EQ(r.files.at("a.bin"), std::string("\x01\x5A\x5A\x5A\x02\x03", 6));
}

struct link_case {
  const char* name;
  std::map<std::string, std::string> (*inputs)();
  std::vector<std::string> args;
  int exit;
  const char* console;           // part of the console text
  uint32_t address;              // bytes expected there (exit 0 or 1)
  const char* bytes;
};

std::map<std::string, std::string> one(const std::string& bytes) { return {{"a.r26", bytes}}; }

// A caller of `name` in CODE: a 16-bit field with a 0..0xFFFF check.
std::string caller(const char* module, const char* name, bool library = false) {
  quill_builder b;
  b.module(module, library).rseg(0, "CODE", QK_REL, 1).external(0, name);
  b.loc_rel(0, 0).data1(0x9A).ext(0).check("\n call out of range", 0, 0xFFFF).store(2);
  return b.end().eof().bytes();
}

const link_case kCases[] = {
    {"undefined_external", [] { return one(caller("main", "nowhere")); }, {"a.r26"}, 2,
     "undefined external 'nowhere' referred to by module 'main' (a.r26)", 0, ""},
    {"duplicate_public",
     [] { return std::map<std::string, std::string>{{"a.r26", provider("one", "f")}, {"b.r26", provider("two", "f")}}; },
     {"a.r26", "b.r26"}, 2, "symbol 'f' defined PUBLIC in module 'one' (a.r26) and in module 'two' (b.r26)", 0, ""},
    {"weak_yields_to_strong",
     [] {
       return std::map<std::string, std::string>{{"a.r26", caller("main", "f")},
                                                 {"b.r26", provider("weak", "f", false, QS_WEAK)},
                                                 {"c.r26", provider("strong", "f")}};
     },
     {"-Z", "CODE=0080-7FFF", "a.r26", "b.r26", "c.r26"}, 0, "", 0x80, "9A 87 00"},
    {"library_loaded_when_needed",
     [] {
       const std::string used = provider("used", "f", true), unused = provider("unused", "g", true);
       return std::map<std::string, std::string>{{"a.r26", caller("main", "f")},
                                                 {"lib.r26", used.substr(0, used.size() - 1) + unused}};
     },
     {"-Z", "CODE=0080-7FFF", "a.r26", "lib.r26"}, 0, "", 0x80, "9A 84 00 AF 00 AF --"},
    {"library_chain",
     [] {
       const std::string l2 = provider("l2", "g", true);
       quill_builder m;
       m.module("main").rseg(0, "CODE", QK_REL, 1).external(0, "l1_entry").loc_rel(0, 0).ext(0).store(1).end().eof();
       // l1 defines l1_entry and needs g from l2.
       quill_builder b;
       b.module("l1", true).rseg(0, "CODE", QK_REL, 1).symbol(QS_RELOCATABLE, 0, 0, "l1_entry").external(0, "g");
       b.loc_rel(0, 0).ext(0).store(1).end();
       return std::map<std::string, std::string>{{"a.r26", m.bytes()}, {"lib.r26", b.bytes() + l2}};
     },
     {"-Z", "CODE=0080-7FFF", "a.r26", "lib.r26"}, 0, "", 0x80, "81 83 AF"},
    {"range_check_fails",
     [] {
       quill_builder b;
       b.module("m").rseg(0, "CODE", QK_REL, 1).loc_rel(0, 0).segrel(0, 0x100).check("\n Branch too long", -128, 127);
       return one(b.store(1).end().eof().bytes());
     },
     {"-Z", "CODE=0080-7FFF", "a.r26"}, 2, "range check failed: value 384 is not in -128..127:\n Branch too long", 0, ""},
    {"range_check_plain_message",
     [] {
       quill_builder b;
       b.module("m").rseg(0, "CODE", QK_REL, 1).loc_rel(0, 0).segrel(0, 0).check("Value out of range", -128, 127);
       return one(b.store(1).end().eof().bytes());
     },
     {"-Z", "CODE=0080-7FFF", "a.r26"}, 2, "value 128 is not in -128..127: Value out of range\n", 0, ""},
    {"segment_does_not_fit",
     [] {
       quill_builder b;
       b.module("m").rseg(0, "CODE", QK_REL, 1).loc_rel(0, 0).block(1, 0, 0x100);
       return one(b.end().eof().bytes());
     },
     {"-Z", "CODE=0000-00FE", "a.r26"}, 2, "does not fit its ranges 0000-00FE: 256 bytes needed", 0, ""},
    {"no_zone", [] { return one(provider("m", "f")); }, {"a.r26"}, 2, "has no -Z option for its name or its type CODE",
     0, ""},
    {"overlap_absolute",
     [] {
       quill_builder a, b;
       a.module("one").loc_abs(0x100).data4(0).end().eof();
       b.module("two").loc_abs(0x102).data1(0).end().eof();
       return std::map<std::string, std::string>{{"a.r26", a.bytes()}, {"b.r26", b.bytes()}};
     },
     {"a.r26", "b.r26"}, 2, "placed bytes overlap at 0x102", 0, ""},
    {"relocatable_avoids_absolute",
     [] {
       quill_builder b;
       b.module("m").rseg(0, "CODE", QK_REL, 1).loc_abs(0x81).data1(0xEE).loc_rel(0, 0).data2(0x2211);
       return one(b.end().eof().bytes());
     },
     {"-Z", "CODE=0080-00FF", "a.r26"}, 0, "", 0x80, "-- EE 11 22"},
    {"alignment",
     [] {
       quill_builder b;
       b.module("m").rseg(0, "CODE", QK_REL, 1).rseg(1, "C2", QK_REL, 1, 3).loc_rel(0, 0).data1(1).loc_rel(1, 0).data1(2);
       return one(b.end().eof().bytes());
     },
     {"-Z", "CODE=0081-00FF", "a.r26"}, 0, "", 0x81, "01 -- -- -- -- -- -- 02"},
    {"type_word_zone_and_name_first",
     [] {
       quill_builder b;
       b.module("m").rseg(0, "A", QK_REL, 1).rseg(1, "B", QK_REL, 1).loc_rel(0, 0).data1(1).loc_rel(1, 0).data1(2);
       return one(b.end().eof().bytes());
     },
     {"-Z", "CODE=0200-02FF", "-Z", "B=0100-01FF", "a.r26"}, 0, "", 0x100, "02"},
    {"noroot_dropped_unless_referenced",
     [] {
       quill_builder b;
       b.module("m").rseg(0, "CODE", QK_REL, 1).rseg(1, "KEEP", QK_REL, 1, 0, true).rseg(2, "DROP", QK_REL, 1, 0, true);
       b.loc_rel(1, 0).data1(0x11).loc_rel(2, 0).data1(0x22).loc_rel(0, 0).segrel(1, 0).store(1);
       return one(b.end().eof().bytes());
     },
     {"-Z", "CODE=0080-00FF", "a.r26"}, 0, "", 0x80, "81 11 --"},
    {"common_overlaid",
     [] {
       quill_builder a, b;
       a.module("one").rseg(0, "SHARED", QK_COMMON, 2).rseg(1, "CODE", QK_REL, 1).loc_rel(0, 0).data2(0x2211);
       a.loc_rel(1, 0).constant(0).sfe(0).constant(0).sfb(0).op(0x64).store(1).end().eof();
       b.module("two").rseg(0, "SHARED", QK_COMMON, 2).loc_rel(0, 3).data1(0x44).end().eof();
       return std::map<std::string, std::string>{{"a.r26", a.bytes()}, {"b.r26", b.bytes()}};
     },
     {"-Z", "CODE=0080-00FF", "-Z", "SHARED=0100-01FF", "a.r26", "b.r26"}, 0, "", 0x100, "11 22 -- 44"},
    {"sizeof_spans_parts",
     [] {
       quill_builder a, b;
       a.module("one").rseg(0, "D", QK_REL, 2).rseg(1, "CODE", QK_REL, 1).loc_rel(0, 0).block(1, 0, 3);
       a.loc_rel(1, 0).constant(0).sfe(0).constant(0).sfb(0).op(0x64).store(1).constant(0).sfb(0).store(2).end().eof();
       b.module("two").rseg(0, "D", QK_REL, 2).loc_rel(0, 0).block(1, 0, 5).end().eof();
       return std::map<std::string, std::string>{{"a.r26", a.bytes()}, {"b.r26", b.bytes()}};
     },
     {"-Z", "CODE=0080-00FF", "-Z", "D=0200-02FF", "a.r26", "b.r26"}, 0, "", 0x80, "08 00 02"},
    {"location_operand",
     [] {
       quill_builder b;  // a statement at offset 2 whose field refers to $: 0x62 holds 2 - 3 emitted so far
       b.module("m").rseg(0, "CODE", QK_REL, 1).loc_rel(0, 0).data2(0).data1(0x9B).location(0xFFFFFFFF).store(2);
       return one(b.end().eof().bytes());
     },
     {"-Z", "CODE=0100-01FF", "a.r26"}, 0, "", 0x100, "00 00 9B 02 01"},
    {"fixed_segment_stays",
     [] {
       quill_builder b;
       b.module("m").aseg(0, "VECT", QK_REL, 1, 0x40).loc_rel(0, 0).segrel(0, 2).store(2);
       return one(b.end().eof().bytes());
     },
     {"a.r26"}, 0, "", 0x40, "42 00"},
    // A NOROOT part at a fixed address (kind 2) that only refers to itself is dropped...
    {"fixed_noroot_dropped",
     [] {
       quill_builder b;
       b.module("m").aseg(0, "VECT", QK_STACK, 1, 0x40).loc_rel(0, 0).segrel(0, 2).store(2);
       b.loc_abs(0x50).data1(0x77);
       return one(b.end().eof().bytes());
     },
     {"a.r26"}, 0, "", 0x40, "-- --"},
    // ...and kept at its address when the absolute segment refers to it.
    {"fixed_noroot_kept_when_referenced",
     [] {
       quill_builder b;
       b.module("m").aseg(0, "VECT", QK_STACK, 1, 0x40).loc_rel(0, 0).data1(0x11);
       b.loc_abs(0x50).segrel(0, 0).store(1);
       return one(b.end().eof().bytes());
     },
     {"a.r26"}, 0, "", 0x40, "11"},
    // Storage that only moves the location (DS) belongs to the part: the next
    // module's part of the same name starts after it.
    {"storage_only_part_takes_its_size",
     [] {
       quill_builder a, b;
       a.module("one").rseg(0, "DATA", QK_REL, 2).rseg(1, "CODE", QK_REL, 1).loc_rel(0, 3);
       a.loc_rel(1, 0).segrel(0, 0).store(1).end().eof();
       b.module("two").rseg(0, "DATA", QK_REL, 2).rseg(1, "CODE", QK_REL, 1).loc_rel(0, 2);
       b.loc_rel(1, 0).segrel(0, 0).store(1).end().eof();
       return std::map<std::string, std::string>{{"a.r26", a.bytes()}, {"b.r26", b.bytes()}};
     },
     {"-Z", "CODE=0080-00FF", "-Z", "DATA=0010-001F", "a.r26", "b.r26"}, 0, "", 0x80, "10 13"},
    {"storage_only_part_does_not_fit",
     [] {
       quill_builder b;
       b.module("m").rseg(0, "DATA", QK_REL, 2).loc_rel(0, 0x11);
       return one(b.end().eof().bytes());
     },
     {"-Z", "DATA=0010-001F", "a.r26"}, 2, "does not fit its ranges 0010-001F: 17 bytes needed", 0, ""},
    {"library_option_loads_when_needed",
     [] {
       const std::string used = provider("used", "f"), unused = provider("unused", "g");
       return std::map<std::string, std::string>{{"a.r26", caller("main", "f")},
                                                 {"lib.r26", used.substr(0, used.size() - 1) + unused}};
     },
     {"-Z", "CODE=0080-7FFF", "a.r26", "--library", "lib.r26"}, 0, "", 0x80, "9A 84 00 AF 00 AF --"},
    {"library_option_without_file", [] { return one(""); }, {"a.r26", "--library"}, 3, "--library needs an object file",
     0, ""},
    {"big_endian_store",
     [] {
       quill_builder b;
       b.module("m", false, false).loc_abs(0x10).constant(0x1234).store(2).data2(0x5678).data3(0xABCDEF);
       return one(b.end().eof().bytes());
     },
     {"a.r26"}, 0, "", 0x10, "12 34 56 78 AB CD EF"},
    {"division_by_zero_warns",
     [] {
       quill_builder b;
       b.module("m").loc_abs(0x10).constant(1).constant(0).op(0x66).store(1);
       return one(b.end().eof().bytes());
     },
     {"a.r26"}, 1, "Division by zero", 0x10, "FF"},
    {"corrupt_object",
     [] {
       std::string s = sample_object();
       s[0x40] = static_cast<char>(0x85);
       return one(s);
     },
     {"a.r26"}, 2, "'a.r26', offset 0x40: unknown record tag 0x85", 0, ""},
    {"missing_file", [] { return one(""); }, {"nothere.r26"}, 3, "cannot read object file 'nothere.r26'", 0, ""},
    {"bad_zone", [] { return one(""); }, {"-Z", "CODE=0080", "a.r26"}, 3, "bad -Z option", 0, ""},
    {"bad_format", [] { return one(""); }, {"-F", "elf", "a.r26"}, 3, "unknown output format", 0, ""},
    {"no_input", [] { return one(""); }, {}, 3, "no object file given", 0, ""},
    {"help", [] { return one(""); }, {"--help"}, 0, "Usage: qlink", 0, ""},
};

class QlinkCases : public ::testing::TestWithParam<link_case> {};

TEST_P(QlinkCases, Link) {
  const link_case& c = GetParam();
  std::vector<std::string> args = {"-o", "stale.hex"};
  args.insert(args.end(), c.args.begin(), c.args.end());
  const auto r = run_qlink(c.inputs(), args);
  EXPECT_EQ(r.exit, c.exit) << r.console;
  EXPECT_NE(r.console.find(c.console), std::string::npos) << r.console;
  if (c.exit == 2) {
    EXPECT_EQ(r.files.count("stale.hex"), 0u) << "output left behind";
  }
  if (c.bytes[0] != '\0') {
    ASSERT_TRUE(r.files.count("stale.hex"));
    const hex_image img = parse_hex(r.files.at("stale.hex"));
    ASSERT_TRUE(img.fault.empty()) << img.fault;
    EXPECT_EQ(bytes_at(img, c.address, static_cast<unsigned>((std::string(c.bytes).size() + 1) / 3)), c.bytes);
  }
}

INSTANTIATE_TEST_SUITE_P(Objects, QlinkCases, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Qlink, EveryPrefixAndFlipIsAnErrorWithoutOutput) {
  const std::string good = sample_object();
  const std::string uart = provider("uart", "uart_init");
  for (std::size_t n = 0; n < good.size(); n += 3) {
    const auto r = run_qlink({{"main.r26", good.substr(0, n)}, {"uart.r26", uart}},
                             args_with({"-o", "stale.hex", "main.r26", "uart.r26"}));
    EXPECT_EQ(r.exit, 2) << "prefix " << n;
    EXPECT_NE(r.console.find("'main.r26', offset 0x"), std::string::npos) << r.console;
    EXPECT_EQ(r.files.count("stale.hex"), 0u);
  }
  for (std::size_t i = 0; i < good.size(); i += 5) {
    std::string bad = good;
    bad[i] = static_cast<char>(bad[i] ^ 0x41);
    const auto r = run_qlink({{"main.r26", bad}, {"uart.r26", uart}}, args_with({"-o", "stale.hex", "main.r26", "uart.r26"}));
    EXPECT_EQ(r.exit, 2) << "flip at " << i;
  }
}

}  // namespace
