// link_equivalence_test.cpp — one program assembled twice: as relocatable
// modules that qlink places at fixed addresses, and as one absolute module
// with ORG at those addresses. Both images must hold the same bytes, and the
// relocatable objects must use every kind of field the writer leaves to the
// linker (so that a kind the program no longer reaches fails the test).
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <set>
#include <sstream>

#include "link/link_test_support.h"
#include "object/quill_reader.h"
#include "support/asm_fixture.h"

namespace {

// A piece of one module: the statements of one segment placed at `address`,
// or (segment null) lines at the head of the module.
struct fragment {
  const char* module;
  const char* segment;
  const char* type;
  uint32_t address;
  const char* body;
};

struct program {
  const char* name;
  const char* core;     // -v1 or -v2
  bool far_calls;       // CALLF exists on this core
  std::vector<fragment> parts;
};

// The SFR header of both cores.
constexpr const char* kIo = "        sfr     P0 = 0FF00H\n";

// Operands carry N: or S: where the form would otherwise depend on whether
// the value is known in pass 1; branches that go near are to labels of the
// same segment in both versions, so the same form is chosen in both.
const char* const kCode78k0 = R"(start:  CALL    N:subr
        CALL    N:start
        CALLF   far_fn
        CALLT   [tfn]
        BR      subr
        BR      near_m
        BNZ     sub_near
        BZ      near_m
        MOVW    AX,#table
        MOVW    DE,#subr+3
        MOV     A,#LOW far_fn
        MOV     X,#HIGH far_fn
        MOV     B,#LOW(sub_near-start)
        MOV     A,N:counter
        MOV     N:counter,A
        MOV     A,S:vars
        MOV     S:counter,A
        MOVW    AX,S:counter
        MOVW    S:vars,AX
        MOVW    AX,N:table
        MOV     S:flags,#HIGH subr
        MOV     P0+ext_off,A
        MOV     A,P0+ext_off
        DBNZ    S:vars,start
        BT      S:flags.3,start
        SET1    S:flags.1
        CMP     S:counter,#LOW table
near_m: RET
)";

const char* const kCode78k0s = R"(start:  CALL    N:subr
        CALL    N:start
        CALLT   [tfn]
        BR      subr
        BR      near_m
        BNZ     sub_near
        BZ      near_m
        MOVW    AX,#table
        MOVW    DE,#subr+3
        MOV     A,#LOW far_fn
        MOV     X,#HIGH far_fn
        MOV     A,N:counter
        MOV     N:counter,A
        MOV     A,S:vars
        MOVW    AX,S:counter
        MOVW    S:vars,AX
        MOV     S:flags,#HIGH subr
        MOV     P0+ext_off,A
        MOV     A,P0+ext_off
        DBNZ    S:vars,start
        BT      S:flags.3,start
        SET1    S:flags.1
        CMP     S:counter,#LOW table
        ADDW    AX,#far_fn
near_m: RET
)";

// Data of labels and expressions, the same for both cores.
const char* const kTable = R"(table:  DW      start, subr, far_fn, table+2
        DW      near_m-start, subr-start, counter-vars, start-table
        DW      subr*2, subr/3, subr MOD 7, -subr, ~subr, subr SHR 3, subr SHL 2
        DW      subr & 0F0H, subr | 1, subr ^ 0FFH, subr > start, subr = subr
        DB      subr AND start, subr OR 0, subr XOR start, subr < start
        DB      LOW subr, HIGH subr, LOW far_fn, HIGH(far_fn+1)
        DB      subr-start, counter AND 0FFH
        DP      subr, far_fn+10H
        DD      subr, start*2, table-subr
)";

std::vector<fragment> parts_with(const char* code, const char* sub_code, const char* far_code) {
  return {
      {"main", "CODE_M", "CODE", 0x0100, code},
      {"main", "SDATA_M", "DATA", 0xFE20, "vars:   DS      2\n        DB      0\n"},
      {"main", "TABLE_M", "CONST", 0x0300, kTable},
      {"second", nullptr, nullptr, 0, "ext_off EQU     1\n"},
      {"second", "CALLT_S", "CODE", 0x0040, "tfn:    DW      subr\n"},
      {"second", "CODE_S", "CODE", 0x0160, sub_code},
      {"second", "FAR_S", "CODE", 0x0840, far_code},
      {"second", "SDATA_S", "DATA", 0xFE40, "counter: DS     2\nflags:  DS      1\n"},
  };
}

const char* const kSubCode = "sub_near:\n        NOP\nsubr:   MOV     A,S:flags\n        CALL    N:start\n"
                             "        BR      far_fn\n        RET\n";

const program kPrograms[] = {
    {"core_78k0", "-v1", true, parts_with(kCode78k0, kSubCode, "far_fn: BR      N:subr\n")},
    {"core_78k0s", "-v2", false, parts_with(kCode78k0s, kSubCode, "far_fn: BR      N:subr\n")},
};

// The names a fragment defines: labels ("name:") and equates ("name EQU ...").
std::vector<std::string> defined_names(const char* body) {
  std::vector<std::string> names;
  std::istringstream in(body);
  for (std::string line; std::getline(in, line);) {
    std::size_t n = 0;
    while (n < line.size() && (std::isalnum(static_cast<unsigned char>(line[n])) || line[n] == '_')) ++n;
    if (n == 0) continue;
    std::size_t next = line.find_first_not_of(' ', n);
    if (next == std::string::npos) continue;
    if (line[next] == ':' || line.compare(next, 4, "EQU ") == 0) names.push_back(line.substr(0, n));
  }
  return names;
}

std::string join(const std::vector<std::string>& names) {
  std::string s;
  for (const std::string& n : names) s += (s.empty() ? "" : ",") + n;
  return s;
}

// One relocatable source per module: every name it defines PUBLIC, every name
// the other modules define EXTERN.
std::map<std::string, std::string> relocatable_sources(const program& p) {
  std::map<std::string, std::vector<std::string>> defined;
  for (const fragment& f : p.parts)
    for (const std::string& n : defined_names(f.body)) defined[f.module].push_back(n);
  std::map<std::string, std::string> sources;
  for (const auto& [module, names] : defined) {
    std::vector<std::string> others;
    for (const auto& [m, n] : defined)
      if (m != module) others.insert(others.end(), n.begin(), n.end());
    std::string s = "        NAME    " + module + "\n#include \"io.inc\"\n        PUBLIC  " + join(names) +
                    "\n        EXTERN  " + join(others) + "\n";
    for (const fragment& f : p.parts) {
      if (f.module != module) continue;
      if (f.segment != nullptr) s += std::string("        RSEG    ") + f.segment + ":" + f.type + "\n";
      s += f.body;
    }
    sources[module + ".s26"] = s + "        END\n";
  }
  return sources;
}

// The same statements in one module, each fragment at its address.
std::string absolute_source(const program& p) {
  std::string s = "        NAME    whole\n#include \"io.inc\"\n";
  for (const fragment& f : p.parts)
    if (f.segment == nullptr) s += f.body;
  s += "        ASEG\n";
  char org[40];
  for (const fragment& f : p.parts) {
    if (f.segment == nullptr) continue;
    std::snprintf(org, sizeof org, "        ORG     0%XH\n", f.address);
    s += org + std::string(f.body);
  }
  return s + "        END\n";
}

// Assembles `sources` with `core`; every object by its name. A report other
// than warning 16 (the SFR operand with an external in it) fails the test.
std::map<std::string, std::string> assemble(const std::map<std::string, std::string>& sources, const program& p) {
  std::map<std::string, std::string> objects;
  for (const auto& [name, text] : sources) {
    capture_table cap;
    cap.files[name] = text;
    cap.files["io.inc"] = kIo;
    const int exit = run_qasm(cap, {p.core, name});
    EXPECT_LE(exit, 1) << name << "\n" << cap.console;
    for (const shown_diag& d : shown_diagnostics(cap.console))
      EXPECT_TRUE(d.kind == "Warning" && d.number == 16) << name << ": " << d << "\n" << text;
    const std::string object = name.substr(0, name.size() - 4) + ".r26";
    EXPECT_TRUE(cap.files.count(object)) << cap.console;
    objects[object] = cap.files[object];
  }
  return objects;
}

// What the linker is asked to do in a set of objects: range checks by their
// bounds (maximum, minimum), and the tags of operands, operators and stores.
struct field_kinds {
  std::set<std::pair<uint32_t, uint32_t>> checks;
  std::set<uint8_t> tags;
};

field_kinds kinds_of(const std::map<std::string, std::string>& objects) {
  field_kinds k;
  for (const auto& [name, bytes] : objects) {
    const quill_object obj = quill_read(bytes);
    EXPECT_TRUE(obj.ok()) << name;
    for (std::size_t i = 0; i < obj.records.size(); ++i) {
      const quill_record& r = obj.records[i];
      const quill_role role = r.layout->role;
      if (role == quill_role::operand || role == quill_role::op || role == quill_role::store) k.tags.insert(r.layout->tag);
      if (r.layout->tag == QT_CHECK_RANGE && i >= 2)
        k.checks.insert({obj.number(obj.records[i - 2], "value"), obj.number(obj.records[i - 1], "value")});
    }
  }
  return k;
}

struct field_kind {
  const char* what;
  uint8_t tag;                // 0: a range check instead
  uint32_t max, min;
  bool far_calls_only;
};

// clang-format off
constexpr field_kind kFieldKinds[] = {
    {"word field, -32768..65535",   0,               0xFFFF, 0xFFFF8000, false},
    {"byte immediate, -128..255",   0,               0xFF,   0xFFFFFF80, false},
    {"branch displacement",         0,               0x7F,   0xFFFFFF80, false},
    {"saddr operand",               0,               0xFF1F, 0xFE20,     false},
    {"sfr operand",                 0,               0xFFFF, 0xFF00,     false},
    {"even address",                0,               0,      0,          false},
    {"CALLT table entry",           0,               0x7F,   0x40,       false},
    {"CALLF target",                0,               0xFFF,  0x800,      true},
    {"external",                    QT_EXTERN,       0,      0,          false},
    {"segment address",             QT_SEGREL,       0,      0,          false},
    {"store of 1 byte",             QT_STORE1,       0,      0,          false},
    {"store of 2 bytes",            QT_STORE2,       0,      0,          false},
    {"store of 3 bytes",            QT_STORE3,       0,      0,          false},
    {"store of 4 bytes",            QT_STORE4,       0,      0,          false},
    {"+",                           0x63,            0,      0,          false},
    {"-",                           0x64,            0,      0,          false},
    {"*",                           0x65,            0,      0,          false},
    {"/",                           0x66,            0,      0,          false},
    {"MOD",                         0x67,            0,      0,          false},
    {"&",                           0x68,            0,      0,          false},
    {"|",                           0x69,            0,      0,          false},
    {"^",                           0x6A,            0,      0,          false},
    {"AND",                         0x8E,            0,      0,          false},
    {"OR",                          0x8F,            0,      0,          false},
    {"XOR",                         0x90,            0,      0,          false},
    {"<",                           0x86,            0,      0,          false},
    {"unary -",                     0x6B,            0,      0,          false},
    {"~",                           0x8C,            0,      0,          false},
    {">",                           0x82,            0,      0,          false},
    {"=",                           0x8A,            0,      0,          false},
    {"LOW, HIGH (byte of)",         0x99,            0,      0,          false},
    {"SHR (arithmetic shift)",      0xAA,            0,      0,          false},
    {"SHL",                         0xAB,            0,      0,          false},
};
// clang-format on

class LinkEquivalence : public ::testing::TestWithParam<program> {};

TEST_P(LinkEquivalence, LinkedBytesEqualAbsoluteBytes) {
  const program& p = GetParam();
  const std::map<std::string, std::string> relocatable = assemble(relocatable_sources(p), p);
  const std::map<std::string, std::string> absolute = assemble({{"whole.s26", absolute_source(p)}}, p);
  ASSERT_FALSE(HasFailure());

  // The absolute object leaves the linker nothing to compute: it only copies.
  EXPECT_TRUE(kinds_of(absolute).tags.empty());
  const field_kinds used = kinds_of(relocatable);
  for (const field_kind& k : kFieldKinds) {
    if (k.far_calls_only && !p.far_calls) continue;
    if (k.tag != 0)
      EXPECT_TRUE(used.tags.count(k.tag)) << "no " << k.what << " in the relocatable objects";
    else
      EXPECT_TRUE(used.checks.count({k.max, k.min})) << "no " << k.what << " check in the relocatable objects";
  }

  std::vector<std::string> args = {"-o", "rel.hex"};
  for (const fragment& f : p.parts) {
    if (f.segment == nullptr) continue;
    char zone[64];
    std::snprintf(zone, sizeof zone, "%s=%04X-FFFF", f.segment, f.address);
    args.insert(args.end(), {"-Z", zone});
  }
  for (const auto& [name, bytes] : relocatable) args.push_back(name);
  const link_run_result linked = run_qlink(relocatable, args);
  ASSERT_EQ(linked.exit, 0) << linked.console;
  const link_run_result placed = run_qlink(absolute, {"-o", "abs.hex", "whole.r26"});
  ASSERT_EQ(placed.exit, 0) << placed.console;

  const hex_image a = parse_hex(linked.files.at("rel.hex")), b = parse_hex(placed.files.at("abs.hex"));
  ASSERT_TRUE(a.fault.empty() && b.fault.empty()) << a.fault << b.fault;
  EXPECT_GT(a.bytes.size(), 140u);
  for (const auto& [address, byte] : b.bytes) {
    auto it = a.bytes.find(address);
    ASSERT_NE(it, a.bytes.end()) << "linked image lacks the byte at " << address;
    EXPECT_EQ(it->second, byte) << "at address " << address;
  }
  EXPECT_EQ(a.bytes.size(), b.bytes.size());
}

INSTANTIATE_TEST_SUITE_P(Programs, LinkEquivalence, ::testing::ValuesIn(kPrograms),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
