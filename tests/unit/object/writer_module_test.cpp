// writer_module_test.cpp — whole modules through the object writer, read back
// with the QUILL reader: the records each statement kind leaves, the header,
// declarations and symbol classes with their names, one external numbering,
// source tags, the checksum, and the object file of whole runs (the end byte,
// empty modules, failed writes).
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "driver/context.h"
#include "driver/statement.h"
#include "object/quill_dump.h"
#include "object/quill_reader.h"
#include "object/writer.h"
#include "support/asm_fixture.h"
#include "support/ide_records.h"
#include "support/param_names.h"

namespace {

// The records of a dump, one line each, without the postfix and summary lines.
std::vector<std::string> record_lines(const quill_object& obj) {
  quill_dump_options options;
  options.offsets = false;
  std::string text;
  quill_dump_records(obj, options, text);
  std::vector<std::string> lines;
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(at, end - at);
    if (line.size() > 3 && std::isxdigit(static_cast<unsigned char>(line[0])) && line[2] == ' ') lines.push_back(line);
    at = end + 1;
  }
  return lines;
}

// Whether `expected` occur in `lines` one right after the other (each a prefix of its line).
bool has_run(const std::vector<std::string>& lines, const std::vector<std::string>& expected) {
  for (std::size_t i = 0; i + expected.size() <= lines.size(); ++i) {
    bool all = true;
    for (std::size_t k = 0; k < expected.size() && all; ++k) all = lines[i + k].rfind(expected[k], 0) == 0;
    if (all) return true;
  }
  return false;
}

std::string joined(const std::vector<std::string>& lines) {
  std::string s;
  for (const std::string& l : lines) s += l + "\n";
  return s;
}

// One module assembled in-process into an object held in memory.
class WriterModule : public AsmTest {
 protected:
  void assemble(const std::string& source) {
    cap.files["out.r26"] = "";
    cx.driver.files.object = cx.out->open_file("out.r26", "wb");
    cx.driver.files.object_name = "out.r26";
    stopped_ = assemble_module(source);
    if (!stopped_) object_complete_file(cx);
    cx.out->close_file(cx.driver.files.object);
    cx.driver.files.object = nullptr;
    bytes_ = cap.files["out.r26"];
    obj_ = quill_read(bytes_);
    lines_ = record_lines(obj_);
  }
  uint32_t count(uint8_t tag) const {
    uint32_t n = 0;
    for (const quill_record& r : obj_.records) n += r.layout->tag == tag;
    return n;
  }

  bool stopped_ = false;
  std::string bytes_;
  quill_object obj_;
  std::vector<std::string> lines_;
};

// ---- Statement kinds --------------------------------------------------------------------

struct kind_case {
  const char* name;
  const char* body;  // after "NAME m" and "RSEG CODE:CODE"
  std::vector<std::string> run;
  int error;         // the one error reported, or 0
};

const kind_case kKinds[] = {
    {"storage_moves_past_its_bytes", "DB 1\n DS 4\n DB 2",
     {"36 data1        bytes=01", "C7 loc-rel      segment=0(CODE) offset=0x5", "36 data1        bytes=02"}, 0},
    {"align_without_fill_moves", "DB 1\n ALIGN 2\n DB 2",
     {"36 data1        bytes=01", "C7 loc-rel      segment=0(CODE) offset=0x4", "36 data1        bytes=02"}, 0},
    {"align_fill_of_seven_bytes", "DB 1\n ALIGN 3,0AAH",
     {"36 data1        bytes=01", "38 data4        bytes=AA AA AA AA", "A3 data3        bytes=AA AA AA AA"}, 0},
    {"org_sets_the_location", "DB 1\n ORG 10H\n DB 2",
     {"C7 loc-rel      segment=0(CODE) offset=0x10", "36 data1        bytes=02"}, 0},
    {"strings_fill_whole_words", "DW \"ABC\"",
     {"36 data1        bytes=41", "36 data1        bytes=42", "36 data1        bytes=43", "36 data1        bytes=00"}, 0},
    {"erroneous_statement_then_resync", "DB 1\n DW NOWHERE\n DB 2",
     {"36 data1        bytes=01", "3C error-stmt", "C7 loc-rel      segment=0(CODE) offset=0x3",
      "36 data1        bytes=02"}, 50},
    {"undefined_immediate_operand", "NOP\n MOVW AX,#NOWHERE\n NOP",
     {"36 data1        bytes=00", "3C error-stmt", "C7 loc-rel      segment=0(CODE) offset=0x4",
      "36 data1        bytes=00"}, 50},
    {"undefined_call_target", "CALL NOWHERE\n NOP",
     {"3C error-stmt", "C7 loc-rel      segment=0(CODE) offset=0x3", "DE mode", "36 data1        bytes=00"}, 50},
    {"undefined_byte_of_data", "DB LOW NOWHERE, 1",
     {"3C error-stmt", "3F end"}, 50},
    {"value_defined_through_itself", "EXTERN EX\nSELF EQU SELF+EX\n DW SELF\n DB 1",
     {"3C error-stmt", "C7 loc-rel      segment=0(CODE) offset=0x2", "36 data1        bytes=01"}, 50},
    {"power_above_255", "EXTERN EX\n DW EX !^ 256\n DB 1",
     {"3C error-stmt", "C7 loc-rel      segment=0(CODE) offset=0x2", "36 data1        bytes=01"}, 48},
    {"limit_writes_maximum_then_minimum", "EXTERN EX\n LIMIT EX,1,9,\"m\"",
     {"5D extern", "9D error-text   text=\"m\"", "61 const        value=0x9", "61 const        value=0x1",
      "9E check-range", "9D error-text   text=\"\"", "9C discard"}, 0},
    {"limit_of_a_label", "LAB: DB 1\n LIMIT LAB+1,0,0FFH,\"n\"",
     {"5E segrel       segment=0(CODE) offset=0x1", "9D error-text   text=\"n\"", "61 const        value=0xFF",
      "61 const        value=0x0", "9E check-range"}, 0},
    {"mode_byte_before_the_first_instruction", "NOP\n NOP",
     {"C7 loc-rel      segment=0(CODE) offset=0x0", "DE mode         mode=2", "36 data1        bytes=00",
      "36 data1        bytes=00"}, 0},
    {"relocatable_word_with_its_check", "LAB: DW LAB",
     {"5E segrel       segment=0(CODE) offset=0x0", "9D error-text   text=\"Value out of range\"",
      "61 const        value=0xFFFF", "61 const        value=0xFFFF8000", "9E check-range", "9D error-text   text=\"\"",
      "5B store2"}, 0},
    {"start_address_relocatable", "LAB: DB 1\n END LAB", {"C8 end-rel      segment=0(CODE) start=0x0"}, 0},
    {"start_address_absolute", "DB 1\n END 1234H", {"3D end-abs      zero=0 start=0x1234"}, 0},
    {"start_address_external", "EXTERN EX\n DB 1\n END EX", {"3F end"}, 64},
};

// Error 50 names the symbol that keeps the value unknown, in data items and
// instruction operands alike, also when a value refers back to itself.
struct named_case {
  const char* name;
  const char* body;
  const char* text;
};
const named_case kNamedUndefined[] = {
    {"data_item", "DW 1+NOWHERE", "Undefined symbol:'NOWHERE'"},
    {"operand", "MOVW AX,#NOWHERE+1", "Undefined symbol:'NOWHERE'"},
    {"value_through_itself", "EXTERN EX\nSELF EQU SELF+EX\n DW SELF", "Undefined symbol:'SELF'"},
};

class NamedUndefined : public WriterModule, public ::testing::WithParamInterface<named_case> {};

TEST_P(NamedUndefined, ErrorNamesTheSymbol) {
  assemble(std::string(" NAME m\n RSEG CODE:CODE\n ") + GetParam().body + "\n END\n");
  EXPECT_EQ(errors(50), 1) << cap.console;
  EXPECT_NE(cap.console.find(GetParam().text), std::string::npos) << cap.console;
}

INSTANTIATE_TEST_SUITE_P(Writer, NamedUndefined, ::testing::ValuesIn(kNamedUndefined), by_name);

class StatementKinds : public WriterModule, public ::testing::WithParamInterface<kind_case> {};

TEST_P(StatementKinds, LeaveTheirRecords) {
  const kind_case& c = GetParam();
  std::string body = c.body;
  if (body.find("END") == std::string::npos) body += "\n END";
  assemble(std::string(" NAME m\n RSEG CODE:CODE\n ") + body + "\n");
  ASSERT_FALSE(stopped_) << cap.console;
  EXPECT_TRUE(obj_.ok()) << (obj_.problems.empty() ? "" : obj_.problems[0].text);
  EXPECT_TRUE(has_run(lines_, c.run)) << joined(lines_);
  EXPECT_EQ(any_errors(), c.error != 0 ? 1 : 0) << cap.console;
  if (c.error != 0) {
    EXPECT_EQ(errors(c.error), 1) << cap.console;
  }
}

INSTANTIATE_TEST_SUITE_P(Kinds, StatementKinds, ::testing::ValuesIn(kKinds),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(WriterModule, EachSegmentStartsWithItsLocationAndModeByte) {
  assemble(" NAME m\n RSEG SA:CODE\n NOP\n RSEG SB:CODE\n NOP\n RSEG SA\n NOP\n ASEG 300H\n DB 7\n END\n");
  ASSERT_TRUE(obj_.ok());
  // A's two parts are one run of bytes; B and the absolute part have their own starts.
  EXPECT_TRUE(has_run(lines_, {"C7 loc-rel      segment=0(SA) offset=0x0", "DE mode", "36 data1        bytes=00",
                               "36 data1        bytes=00", "C7 loc-rel      segment=1(SB) offset=0x0", "DE mode",
                               "36 data1        bytes=00"}))
      << joined(lines_);
  EXPECT_TRUE(has_run(lines_, {"3A loc-abs      zero=0 address=0x300", "36 data1        bytes=07"})) << joined(lines_);
  EXPECT_EQ(count(QT_MODE), 2u);
}

// ---- Declarations --------------------------------------------------------------------------

TEST_F(WriterModule, HeaderSegmentsAndTypes) {
  cx.object.settings.fixed_date = true;
  const std::string name(300, 'M');
  assemble(" MODULE " + name + ",13H\n RSEG SC:CODE:NOROOT(2)\n DB 1\n RSEG SD:DATA:REORDER:SORT\n DB 2\n"
           " RSEG SF:CONST,2000H\n DB 3\n STACK SS:DATA\n DB 4\n COMMON SK:NOROOT,3000H\n DB 5\n END\n");
  ASSERT_TRUE(obj_.ok()) << obj_.problems[0].text;
  ASSERT_EQ(obj_.modules.size(), 1u);
  EXPECT_TRUE(obj_.modules[0].library);
  EXPECT_EQ(obj_.modules[0].name, std::string(255, 'M'));
  EXPECT_EQ(lines_[0].substr(0, 52), "01 library      flags=0x03 operand=3 date=1C 0B 5A n");
  EXPECT_TRUE(has_run(lines_, {"4A predef-type  type=100 size=0x8000 base=1", "4A predef-type  type=101 size=0x8000 base=3",
                               "4A predef-type  type=102 size=0x8000 base=7",
                               "4B rseg         flags=0x82 segment=0(SC) segbyte=0x21",
                               "4B rseg         flags=0x60 segment=1(SD) segbyte=0x22",
                               "C5 aseg         segment=2(SF) segbyte=0x27(REL CONST) address=0x2000",
                               "4B rseg         flags=0x00 segment=3(SS) segbyte=0x42",
                               "C5 aseg         segment=4(SK) segbyte=0x40"}))
      << joined(lines_);
}

TEST_F(WriterModule, SymbolClassesCarryTheirNames) {
  assemble(" NAME m\n EXTERN E1, UNUSED, E2\n PUBLIC ABSV, RELV, PORT, WORDP\n PUBWEAK WEAKV\n"
           " sfr PORT = 0FF01H\n sfrp WORDP = 0FF10H\nABSV DEFINE 77H\n"
           " RSEG CODE:CODE\nRELV: DW E2\nLOC SYMBOL \"local one\"\nLOC: DW E1\n"
           " RSEG W:CODE,100H\nWEAKV: DB 1\n END\n");
  ASSERT_TRUE(obj_.ok()) << obj_.problems[0].text;
  EXPECT_EQ(any_errors(), 0) << cap.console;
  struct row {
    const char* name;
    uint32_t klass, segment, value, type;
  };
  const row rows[] = {
      {"E1", QS_EXTERNAL, 0, 0, 0},       {"E2", QS_EXTERNAL, 1, 0, 0},        {"ABSV", QS_ABSOLUTE, 0, 0x77, 0},
      {"RELV", QS_RELOCATABLE, 0, 0, 1},  {"PORT", QS_ABS_TYPED, 0, 0xFF01, 100}, {"WORDP", QS_ABS_TYPED, 0, 0xFF10, 101},
      {"WEAKV", QS_WEAK, 1, 0, 1},        {"LOC", QS_REL_LOCAL, 0, 2, 1},
  };
  std::vector<std::string> names;
  for (const quill_record& r : obj_.records)
    if (r.layout->tag == QT_SYMBOL) names.emplace_back(obj_.text(r, "name"));
  ASSERT_EQ(names.size(), std::size(rows)) << joined(lines_);
  for (const row& w : rows) {
    const quill_record* found = nullptr;
    for (const quill_record& r : obj_.records)
      if (r.layout->tag == QT_SYMBOL && obj_.text(r, "name") == w.name) found = &r;
    ASSERT_NE(found, nullptr) << w.name;
    EXPECT_EQ(obj_.number(*found, "class"), w.klass) << w.name;
    EXPECT_EQ(obj_.number(*found, "segment"), w.segment) << w.name;
    EXPECT_EQ(obj_.number(*found, "value"), w.value) << w.name;
    EXPECT_EQ(obj_.number(*found, "type"), w.type) << w.name;
  }
  // The debug name of LOC refers to its symbol number (the eighth record).
  EXPECT_TRUE(has_run(lines_, {"CD alias        length=18 kind=1 string=\"local one\" number=0x7"})) << joined(lines_);
}

// The external numbers of references and declarations are one numbering, and
// an external nobody refers to is neither numbered nor declared.
TEST_F(WriterModule, ExternalReferencesAndDeclarationsAgree) {
  assemble(" NAME m\n EXTERN XA, XB, XC\n RSEG CODE:CODE\n DW XC\n DW XA\n DW XC+1\n END\n");
  ASSERT_TRUE(obj_.ok());
  std::vector<std::pair<std::string, uint32_t>> declared;
  std::vector<uint32_t> referenced;
  for (const quill_record& r : obj_.records) {
    if (r.layout->tag == QT_SYMBOL) declared.emplace_back(obj_.text(r, "name"), obj_.number(r, "segment"));
    if (r.layout->tag == QT_EXTERN) referenced.push_back(obj_.number(r, "external"));
  }
  EXPECT_EQ(declared, (std::vector<std::pair<std::string, uint32_t>>{{"XA", 0}, {"XC", 1}}));
  EXPECT_EQ(referenced, (std::vector<uint32_t>{1, 0, 1}));
}

TEST_F(WriterModule, FunctionsFramesAndCallGraph) {
  assemble(" NAME m\n EXTERN XF\n PUBLIC FN\n RSEG STK:DATA\n DS 8\n FUNCTION FN,3\n ARGFRAME STK,4,STACK\n"
           " LOCFRAME STK,2,STATIC\n FUNCTION XF,1\n FUNCALL FN,XF\n FUNCALL FN,NOFN\n RSEG CODE:CODE\nFN: DB 1\nNOFN: DB 2\n END\n");
  ASSERT_TRUE(obj_.ok()) << obj_.problems[0].text;
  EXPECT_TRUE(has_run(lines_, {"CE symbol       length=17 class=5(external) segment=0 value=0x0 extra=0x0 type=0 zero1=0 "
                               "zero2=0 name=\"XF\"",
                               "B1 fn-ext       function=0 attributes=0x1", "C4 frame-list   count=0x0"}))
      << joined(lines_);
  EXPECT_TRUE(has_run(lines_, {"B0 fn-def       function=1 ffff1=65535 ffff2=65535 attributes=0x3",
                               "C4 frame-list   count=0x1", "CA frame        segment=0(STK) size=0x4 type=0",
                               "C4 frame-list   count=0x1", "CA frame        segment=0(STK) size=0x2 type=1"}))
      << joined(lines_);
  // Caller's local frames first, then its arguments; a label that is no function is error 88.
  EXPECT_TRUE(has_run(lines_, {"CB call         caller=1 callee=0 indirect=0", "C4 frame-list   count=0x1",
                               "CA frame        segment=0(STK) size=0x2 type=1", "C4 frame-list   count=0x1",
                               "CA frame        segment=0(STK) size=0x4 type=0"}))
      << joined(lines_);
  EXPECT_TRUE(has_run(lines_, {"CB call         caller=1 callee=2 indirect=0"})) << joined(lines_);
  EXPECT_EQ(errors(88), 1);
}

TEST_F(WriterModule, FixedIndexesAreTwoBytes) {
  cx.object.settings.fixed_indexes = true;
  assemble(" NAME m\n RSEG CODE:CODE\nLAB: DW LAB\n END\n");
  quill_read_options fixed;
  fixed.variable_indexes = false;
  const quill_object obj = quill_read(bytes_, fixed);
  ASSERT_TRUE(obj.ok()) << obj.problems[0].text;
  EXPECT_NE(bytes_.find(std::string("\x5E\x00\x00\x00\x00\x00\x00", 7)), std::string::npos);
}

// ---- Source tags ---------------------------------------------------------------------------

TEST_F(WriterModule, SourceTagsFollowTheFile) {
  cap.files["inc.s26"] = " NOP\n";
  cx.driver.opt.debug_output = 1;
  assemble(" NAME m\n RSEG CODE:CODE\n NOP\n#include \"inc.s26\"\n NOP\n DB 1\n END\n");
  ASSERT_TRUE(obj_.ok()) << obj_.problems[0].text;
  EXPECT_TRUE(has_run(lines_, {"52 debug-info   mode=0", "B9 src-file     index=0 name=\"main.s26\"",
                               "B9 src-file     index=1 name=\"inc.s26\""}))
      << joined(lines_);
  EXPECT_TRUE(has_run(lines_, {"BA src-change   file=0", "47 src-pos      file=0 one=1 file2=0 pathlen=8",
                               "36 data1        bytes=00", "BA src-change   file=1",
                               "47 src-pos      file=1 one=1 file2=1 pathlen=7", "36 data1        bytes=00",
                               "BA src-change   file=0", "47 src-pos      file=0 one=1 file2=0 pathlen=8",
                               "36 data1        bytes=00", "36 data1        bytes=01"}))
      << joined(lines_);
}

TEST_F(WriterModule, NoDebugRecordsWithoutTheOption) {
  assemble(" NAME m\n RSEG CODE:CODE\n NOP\n END\n");
  for (uint8_t tag : {QT_DEBUG, QT_SRC_FILE, QT_SRC_CHANGE, QT_SRC_POS, QT_TEXTDEF}) EXPECT_EQ(count(tag), 0u) << +tag;
}

// ---- Checksum --------------------------------------------------------------------------------

// The checksum fed bit by bit, least significant bit of each byte first, into
// a CRC-16 register with polynomial 0x8005.
uint16_t serial_crc(const std::string& bytes) {
  uint16_t r = 0;
  for (unsigned char b : bytes)
    for (int i = 0; i < 8; ++i) {
      const bool feed = ((b >> i) & 1) != ((r >> 15) & 1);
      r = static_cast<uint16_t>(r << 1);
      if (feed) r ^= 0x8005;
    }
  return r;
}

TEST_F(WriterModule, ChecksumCoversEveryByteOfTheModule) {
  assemble(" NAME m\n RTMODEL \"k\",\"v\"\n EXTERN EX\n RSEG CODE:CODE\n DW EX\n DB 1,2,3\n END\n");
  ASSERT_TRUE(obj_.ok());
  ASSERT_GE(bytes_.size(), 3u);
  EXPECT_EQ(static_cast<uint8_t>(bytes_.back()), 0xFF);
  const std::string module = bytes_.substr(0, bytes_.size() - 3);
  const uint16_t stored = static_cast<uint16_t>(static_cast<uint8_t>(bytes_[bytes_.size() - 3]) << 8 |
                                                static_cast<uint8_t>(bytes_[bytes_.size() - 2]));
  EXPECT_EQ(stored, serial_crc(module));
  EXPECT_EQ(cx.driver.module_checksum, stored);
}

// ---- Whole runs ------------------------------------------------------------------------------

struct run_case {
  const char* name;
  const char* source;
  int exit;
  int modules;  // in the object; -1: no object file
};

const run_case kRuns[] = {
    {"two_modules", " NAME m1\n DB 1\n ENDMOD\n NAME m2\n DB 2\n END\n", 0, 2},
    {"empty_module_between", " NAME m1\n DB 1\n ENDMOD\n NAME m0\n ENDMOD\n NAME m3\n DB 3\n END\n", 0, 2},
    {"empty_last_module", " NAME m1\n DB 1\n ENDMOD\n NAME m0\n END\n", 0, 1},
    {"every_module_empty", " NAME m1\n ENDMOD\n NAME m0\n END\n", 0, -1},
    {"errors_leave_no_object", " NAME m1\n DB NOWHERE\n END\n", 2, -1},
};

// Files of the capture whose name begins with `prefix` (an object and any
// temporary file beside it).
std::vector<std::string> files_named(const capture_table& cap, const std::string& prefix) {
  std::vector<std::string> names;
  for (const auto& [name, bytes] : cap.files)
    if (name.rfind(prefix, 0) == 0) names.push_back(name);
  return names;
}

class ObjectFileRuns : public ::testing::TestWithParam<run_case> {};

TEST_P(ObjectFileRuns, EndWithOneEndOfFileByte) {
  capture_table cap;
  cap.files["prog.s26"] = GetParam().source;
  EXPECT_EQ(run_qasm(cap, {"-S", "prog.s26"}), GetParam().exit) << cap.console;
  const auto it = cap.files.find("prog.r26");
  if (GetParam().modules < 0) {
    EXPECT_EQ(files_named(cap, "prog.r26"), std::vector<std::string>{});
    return;
  }
  EXPECT_EQ(files_named(cap, "prog.r26"), std::vector<std::string>{"prog.r26"});
  ASSERT_NE(it, cap.files.end());
  // A second end byte would be bytes after the end of the file: a problem.
  const quill_object obj = quill_read(it->second);
  EXPECT_TRUE(obj.ok()) << obj.problems[0].text;
  EXPECT_TRUE(obj.end_of_file);
  EXPECT_EQ(obj.modules.size(), static_cast<std::size_t>(GetParam().modules));
  EXPECT_EQ(static_cast<uint8_t>(it->second.back()), 0xFF);
}

INSTANTIATE_TEST_SUITE_P(Runs, ObjectFileRuns, ::testing::ValuesIn(kRuns),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- Failed writes -----------------------------------------------------------------------------

// A capture whose object file takes `writes_taken` block writes and refuses
// the rest (none refused when negative), or refuses to be flushed.
struct failing_capture : capture_table {
  int writes_taken = 0;
  bool refuse_flush = false;
  qfile* refused = nullptr;  // the file the refusals apply to: the first one written

  static failing_capture& of(void* user) { return static_cast<failing_capture&>(*static_cast<capture_table*>(user)); }
};

struct failure_case {
  const char* name;
  int writes_taken;
  bool refuse_flush;
  const char* option;  // one more command-line word, or ""
  bool older_object;   // a prog.r26 from an earlier run is there
};

const failure_case kFailures[] = {
    {"first_write_refused",         0, false, "",    false},
    {"second_module_refused",       4, false, "",    false},
    {"flush_refused",              -1, true,  "",    false},
    {"errors_ignored_still_stops",  0, false, "-c!", false},
    {"older_object_goes_too",       2, false, "",    true},
};

class ObjectFileFailures : public ::testing::TestWithParam<failure_case> {};

// A write the object file refuses, at once, later or when it is flushed at
// the end, is a fatal stop that leaves no object, under no name.
TEST_P(ObjectFileFailures, StopTheRunAndLeaveNoObject) {
  const failure_case& c = GetParam();
  failing_capture cap;
  cap.writes_taken = c.writes_taken;
  cap.refuse_flush = c.refuse_flush;
  cap.table.entries.block_write = [](void* user, const void* buffer, std::size_t size, std::size_t count,
                                     qfile* file) -> std::size_t {
    failing_capture& f = failing_capture::of(user);
    if (file == f.table.std_out) return f.console.append(static_cast<const char*>(buffer), size * count), count;
    if (f.refused == nullptr) f.refused = file;
    if (file == f.refused && f.writes_taken >= 0 && f.writes_taken-- == 0) return 0;
    return std::fwrite(buffer, size, count, file);
  };
  cap.table.entries.flush_file = [](void* user, qfile* file) -> int {
    return failing_capture::of(user).refuse_flush ? -1 : std::fflush(file);
  };
  if (c.older_object) cap.files["prog.r26"] = "from an earlier run";
  cap.files["prog.s26"] = " NAME m1\n DB 1\n ENDMOD\n NAME m2\n DW 2\n ENDMOD\n NAME m3\n DB 3\n END\n";
  std::vector<std::string> words = {"-S", "prog.s26"};
  if (*c.option != '\0') words.push_back(c.option);
  EXPECT_EQ(run_qasm(cap, words), 3);
  EXPECT_NE(cap.console.find("Could not write file: 'prog.r26'"), std::string::npos) << cap.console;
  EXPECT_EQ(files_named(cap, "prog.r26"), std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(Writes, ObjectFileFailures, ::testing::ValuesIn(kFailures),
                         [](const auto& info) { return std::string(info.param.name); });

// An internal error reported to the IDE counts as an error of the module, so
// that the run's object is deleted.
TEST_F(WriterModule, InternalErrorInIdeModeCountsAsError) {
  cx.driver.ide_mode = 1;
  const int before = cx.driver.module_errors;
  EXPECT_TRUE(stops([&] { segment_index(cx, 1u); }));
  EXPECT_EQ(cx.driver.module_errors, before + 1);
}

// The same in a whole run: the first module is in the object when an
// internal error comes up as the second is written; the IDE hears of it and
// the object goes.
struct header_capture : capture_table {
  int headers = 0;  // module headers written to files
};

TEST(ObjectFileIde, InternalErrorAfterAWrittenModuleLeavesNoObject) {
  header_capture cap;
  cap.table.entries.block_write = [](void* user, const void* buffer, std::size_t size, std::size_t count,
                                     qfile* file) -> std::size_t {
    auto& c = static_cast<header_capture&>(*static_cast<capture_table*>(user));
    const auto* bytes = static_cast<const uint8_t*>(buffer);
    if (file != c.table.std_out && size * count >= 2 && bytes[0] == QT_PROGRAM && bytes[1] == 0x0A &&
        ++c.headers == 2)
      throw std::logic_error("second module");
    if (file == c.table.std_out) return c.console.append(static_cast<const char*>(buffer), size * count), count;
    return std::fwrite(buffer, size, count, file);
  };
  cap.files["prog.s26"] = " NAME m1\n DB 1\n ENDMOD\n NAME m2\n DB 2\n END\n";
  EXPECT_EQ(run_qasm(cap, {"--IDE", "prog.s26"}), 3);
  EXPECT_EQ(cap.headers, 2);
  const ide_stream s = parse_ide_output(cap.console);
  ASSERT_TRUE(s.ok()) << s.error;
  ASSERT_EQ(s.of_type(30).size(), 1u) << cap.console;
  EXPECT_NE(s.of_type(30)[0]->text.find("In function: Assembler"), std::string::npos);
  EXPECT_EQ(files_named(cap, "prog.r26"), std::vector<std::string>{});
}

// ---- The byte count of pass 1 ------------------------------------------------------------------

// The statement on line 4 is made one byte longer than pass 1 sized it, as
// pass 2 is about to make its code: data and instructions alike must then
// stop the run; DS writes no bytes, so it has nothing to compare.
void lengthen_line_4(asm_context&, statement_rec* r, const code_sink&) {
  statement_rec* next = r->next_in_segment;
  if (next != nullptr && next->line != nullptr && next->line->line_no == 4) ++next->byte_count;
}

struct count_case {
  const char* name;
  const char* line4;
  bool stops;
};

const count_case kCounts[] = {
    {"bytes",        " DB 1,2",       true},
    {"string_words", " DW \"AB\"",    true},
    {"instruction",  " MOVW AX,#1",   true},
    {"storage",      " DS 2",         false},
};

class BytecountCheck : public WriterModule, public ::testing::WithParamInterface<count_case> {};

TEST_P(BytecountCheck, ComparesEveryStatementThatWrites) {
  cx.pass2.statement_done = lengthen_line_4;
  assemble(std::string(" NAME m\n RSEG CODE:CODE\n NOP\n") + GetParam().line4 + "\n END\n");
  EXPECT_EQ(stopped_, GetParam().stops) << cap.console;
  EXPECT_EQ(said("Wrong bytecount"), GetParam().stops) << cap.console;
}

INSTANTIATE_TEST_SUITE_P(Kinds, BytecountCheck, ::testing::ValuesIn(kCounts),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
