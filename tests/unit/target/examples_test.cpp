// examples_test.cpp — the example programs assemble without a diagnostic and
// give the code their comments promise.
#include <filesystem>
#include <fstream>
#include <sstream>

#include "target/assembly_fixture.h"

namespace {

namespace fs = std::filesystem;

const fs::path kExamples = fs::path(__FILE__).parent_path() / ".." / ".." / ".." / "examples";

std::string read_file(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

class Examples : public AssemblyTest {
 protected:
  void run(const char* name, const char* header, int option) {
    assemble(read_file(kExamples / name), option, name, {{header, read_file(kExamples / header)}});
    ASSERT_FALSE(stopped) << cap.console;
    EXPECT_TRUE(diagnostics().empty()) << cap.console;
  }
};

TEST_F(Examples, Blink78k0) {
  run("blink.s26", "io78k0.inc", 1);
  EXPECT_EQ(hex(19), "71 0B 21");        // CLR1 PM1.0
  EXPECT_EQ(hex(20), "11 00 00");        // MOV S:blinks,#0: the address is the linker's
  EXPECT_EQ(fields(20).size(), 1u);
  EXPECT_EQ(hex(22), "71 0A 01");        // SET1 LED: the bit equate P1.0
  EXPECT_EQ(hex(23), "9A 00 00");        // CALL wait: relocatable
  EXPECT_EQ(fields(23).size(), 1u);
  EXPECT_EQ(hex(24), "71 0B 01");        // CLR1 LED
  EXPECT_EQ(hex(27), "FA F0");           // BR loop: near, short
  EXPECT_EQ(hex(30), "02 00 00");        // MOVW AX,pause_ticks: external
  EXPECT_EQ(hex(36), "BD F8");           // BNZ count
}

TEST_F(Examples, Count78k0s) {
  run("count.s26", "io78k0s.inc", 2);
  EXPECT_EQ(hex(12), "F0 FE FE");        // MOVW AX,#0FEFEH
  EXPECT_EQ(hex(14), "F7 20 00");        // MOV PM0,#0
  EXPECT_EQ(hex(17), "22 00 00");        // CALL tick_wait: external
  EXPECT_EQ(hex(20), "3E F5");           // BNZ show
  EXPECT_EQ(hex(22), "30 F0");           // BR show
}

}  // namespace
