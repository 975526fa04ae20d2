// structured_run_test.cpp — the generated lines run on a small machine: every
// relation on byte and word registers against numbers, registers and memory,
// on both cores, takes the branch the relation says and leaves the registers
// as they were; CASE ranges and fall-through; FOR loops run as often as they
// should, and the ones that never end are the ones warned about.
#include "target/structured_fixture.h"
#include "target/structured_sim.h"

namespace {

enum operand_kind { NUMBER, REGISTER, MEMORY };

struct compare_case {
  const char* reg;      // the compared register
  const char* other;    // the register operand
  operand_kind kind;
  int processor;
};

std::string param_name(const compare_case& c) {
  static const char* kinds[] = {"Number", "Register", "Memory"};
  return std::string(c.reg) + "With" + (c.kind == REGISTER ? c.other : kinds[c.kind]) + (c.processor == 2 ? "On78K0S" : "On78K0");
}

// clang-format off
const compare_case kCompares[] = {
    {"A",  "X",  NUMBER, 0},   {"A",  "X",  REGISTER, 0}, {"A",  "X",  MEMORY, 0},
    {"X",  "A",  NUMBER, 0},   {"X",  "A",  REGISTER, 0}, {"H",  "C",  MEMORY, 0},
    {"AX", "DE", NUMBER, 0},   {"AX", "DE", REGISTER, 0}, {"AX", "DE", MEMORY, 0},
    {"BC", "AX", NUMBER, 2},   {"BC", "AX", REGISTER, 2}, {"AX", "HL", MEMORY, 2},
    {"HL", "BC", REGISTER, 0}, {"HL", "BC", MEMORY, 2},   {"DE", "BC", MEMORY, 0},
};
// clang-format on

struct relation_row {
  const char* spelling;
  bool (*holds)(unsigned a, unsigned b);
};
const relation_row kRelations[] = {
    {"==", [](unsigned a, unsigned b) { return a == b; }}, {"<>", [](unsigned a, unsigned b) { return a != b; }},
    {"<", [](unsigned a, unsigned b) { return a < b; }},   {">=", [](unsigned a, unsigned b) { return a >= b; }},
    {">", [](unsigned a, unsigned b) { return a > b; }},   {"<=", [](unsigned a, unsigned b) { return a <= b; }},
};

class Compares : public StructuredTest, public ::testing::WithParamInterface<compare_case> {};

TEST_P(Compares, BranchFollowsTheRelationAndRegistersStay) {
  const compare_case& c = GetParam();
  core(c.processor);
  const bool word = std::strlen(c.reg) == 2;
  const std::vector<unsigned> values = word ? std::vector<unsigned>{0, 1, 0xFF, 0x100, 0x1FF, 0x7FFF, 0x8000, 0xFFFE, 0xFFFF}
                                            : std::vector<unsigned>{0, 1, 0x7F, 0x80, 0xFE, 0xFF};
  for (const relation_row& rel : kRelations) {
    for (unsigned b : values) {
      // A number operand is part of the text; the others are set in the machine.
      std::string op = c.kind == REGISTER ? c.other : c.kind == MEMORY ? "VAR" : std::to_string(b);
      const std::string program =
          this->program({std::string("IFS ") + c.reg + " " + rel.spelling + " " + op, "\tBR\tTRUE\n", "ENDIFS", "\tBR\tFALSE\n"});
      for (unsigned a : values) {
        sim_machine m;
        for (int i = 0; i < 8; ++i) m.r[i] = static_cast<uint8_t>(0x11 * (i + 1));
        m.symbols["VAR"] = 0xFE80;
        m.mem[0xFE80] = static_cast<uint8_t>(b);
        m.mem[0xFE81] = static_cast<uint8_t>(b >> 8);
        if (word) {
          if (c.kind == REGISTER) m.set16(sim_machine::reg16(c.other), b);
          m.set16(sim_machine::reg16(c.reg), a);
        } else {
          if (c.kind == REGISTER) m.r[sim_machine::reg8(c.other)] = static_cast<uint8_t>(b);
          m.r[sim_machine::reg8(c.reg)] = static_cast<uint8_t>(a);
        }
        const sim_machine before = m;
        const std::string taken = m.run(program);
        ASSERT_EQ(taken, rel.holds(a, b) ? "TRUE" : "FALSE")
            << c.reg << " " << rel.spelling << " " << op << " with " << a << ", " << b << "\n" << program;
        EXPECT_TRUE(std::equal(m.r, m.r + 8, before.r)) << "registers changed by\n" << program;
        EXPECT_TRUE(m.stack.empty());
      }
    }
  }
  EXPECT_TRUE(cap.console.empty()) << cap.console;
}

INSTANTIATE_TEST_SUITE_P(Structured, Compares, ::testing::ValuesIn(kCompares),
                         [](const ::testing::TestParamInfo<compare_case>& i) { return param_name(i.param); });

TEST_F(StructuredTest, FlagConditionsBranchOnTheFlag) {
  struct flag_case {
    const char* flag;
    bool (*holds)(bool z, bool cy);
  };
  const flag_case flags[] = {{"<CC>", [](bool, bool cy) { return !cy; }},
                             {"<CS>", [](bool, bool cy) { return cy; }},
                             {"<EQ>", [](bool z, bool) { return z; }},
                             {"<NE>", [](bool z, bool) { return !z; }}};
  for (const flag_case& f : flags) {
    const std::string program = this->program({std::string("WHILE ") + f.flag, "\tBR\tTRUE\n", "ENDW", "\tBR\tFALSE\n"});
    for (int z = 0; z < 2; ++z)
      for (int cy = 0; cy < 2; ++cy) {
        sim_machine m;
        m.z = z != 0;
        m.cy = cy != 0;
        EXPECT_EQ(m.run(program), f.holds(z != 0, cy != 0) ? "TRUE" : "FALSE") << f.flag << " z=" << z << " cy=" << cy;
      }
  }
}

TEST_F(StructuredTest, CaseRangeOnAWordWithLongNames78K0S) {
  core(2);
  const std::string low(800, 'L');
  const std::string high(800, 'H');
  const std::string program =
      this->program({"SWITCH BC\nCASE " + low + ".." + high, "\tBR\tIN\n", "DEFAULT", "\tBR\tOUT\n", "ENDS"});
  for (unsigned v : {0u, 0x122u, 0x123u, 0x124u, 0x300u, 0x455u, 0x456u, 0x457u, 0xFFFFu}) {
    sim_machine m;
    m.symbols[low] = 0xFE80;
    m.symbols[high] = 0xFE90;
    m.mem[0xFE80] = 0x23, m.mem[0xFE81] = 0x01;  // 0123H
    m.mem[0xFE90] = 0x56, m.mem[0xFE91] = 0x04;  // 0456H
    m.set16(1, v);
    EXPECT_EQ(m.run(program), v >= 0x123 && v <= 0x456 ? "IN" : "OUT") << v;
    EXPECT_EQ(m.get16(1), v);
  }
}

TEST_F(StructuredTest, CaseWithoutBreakFallsIntoTheNextBody) {
  const std::string program = this->program(
      {"SWITCH E\nCASE 1", "\tNOP\n", "CASE 2", "\tBR\tTWO\n", "DEFAULT", "\tBR\tOTHER\n", "ENDS"});
  struct expect_case {
    unsigned value;
    const char* exit;
    long nops;
  };
  for (const expect_case& e : {expect_case{1, "TWO", 1}, expect_case{2, "TWO", 0}, expect_case{3, "OTHER", 0}}) {
    sim_machine m;
    m.r[4] = static_cast<uint8_t>(e.value);
    EXPECT_EQ(m.run(program), e.exit) << e.value;
    EXPECT_EQ(m.nops, e.nops) << e.value;
  }
}

struct loop_case {
  const char* name;
  const char* header;  // the FOR statement
  long runs;           // times the body runs; -1 never ends
  bool warned;         // warning 400 at the FOR
};

// clang-format off
const loop_case kLoops[] = {
    {"UpToTen",              "FOR A = 0 TO 10",                 11, false},
    {"DownToOne",            "FOR A = 10 DOWNTO 1",             10, false},
    {"StepThree",            "FOR C = 0 TO 10 STEP 3",           4, false},
    {"StartAboveLimit",      "FOR A = 5 TO 4",                   0, false},
    {"UpToTop",              "FOR B = 250 TO 0FFH",             -1, true},
    {"DownToZero",           "FOR B = 10 DOWNTO 0",             -1, true},
    {"DownBelowStep",        "FOR A = 9 DOWNTO 1 STEP 2",       -1, true},
    {"DownToStep",           "FOR A = 8 DOWNTO 2 BY 2",          4, false},
    {"WithinAStepOfTop",     "FOR H = 0F0H TO 0FEH STEP 2",     -1, true},
    {"ClearOfTheTop",        "FOR H = 0F0H TO 0FDH STEP 2",      7, false},
    {"WordUpTo",             "FOR DE = 1000 TO 1003",            4, false},
    {"WordAxUpTo",           "FOR AX = 300 TO 302",              3, false},
    {"WordAcrossAByte",      "FOR HL = 0FEH TO 101H",            4, false},
    {"WordDownToZero",       "FOR BC = 3 DOWNTO 0",             -1, true},
    {"WordUpToTop",          "FOR AX = 0FFF0H TO 0FFFEH BY 2",  -1, true},
    {"WordFromMemory",       "FOR HL = VAR TO LIM",              4, false},
    {"StartFromA",           "FOR B = A TO 5",                   6, false},
    {"WordStartFromAx",      "FOR DE = AX DOWNTO LIM",           3, false},
};
// clang-format on

class Loops : public StructuredTest, public ::testing::WithParamInterface<loop_case> {};

TEST_P(Loops, BodyRunsAsOftenAsTheLoopSays) {
  const loop_case& c = GetParam();
  for (int processor : {0, 2}) {
    core(processor);
    const int warnings = cx.driver.module_warnings;
    const std::string program = this->program({c.header, "\tNOP\n", "ENDF", "\tBR\tDONE\n"});
    EXPECT_EQ(cx.driver.module_warnings - warnings, c.warned ? 1 : 0) << cap.console;
    sim_machine m;
    m.set16(0, 10);  // AX = 10: A = 0, X = 10
    m.symbols["VAR"] = 0xFE80;
    m.symbols["LIM"] = 0xFE82;
    m.mem[0xFE80] = 5;   // VAR = 5
    m.mem[0xFE82] = 8;   // LIM = 8
    const std::string exit = m.run(program, 400000);
    if (c.runs < 0) {
      EXPECT_EQ(exit, "ENDLESS") << program;
    } else {
      EXPECT_EQ(exit, "DONE") << program;
      EXPECT_EQ(m.nops, c.runs) << (processor == 2 ? "78K0S\n" : "78K0\n") << program;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Structured, Loops, ::testing::ValuesIn(kLoops),
                         [](const ::testing::TestParamInfo<loop_case>& i) { return std::string(i.param.name); });

}  // namespace
