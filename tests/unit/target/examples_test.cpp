// examples_test.cpp — the example programs assemble without a diagnostic and
// give the code their comments promise. Where the assembler does not register
// RSEG, DS, PUBLIC and EXTERN yet, small stand-ins of this file do.
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "directives/directive_table.h"
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

bool line_end(const token& t) { return t.kind == TOK_EOL || t.kind == TOK_EOF; }

// RSEG name[:type]
void standin_rseg(asm_context& cx, const statement_call&) {
  const token name = next_token(cx);
  segment_rec* seg = find_segment(cx, name.node);
  if (seg == nullptr) seg = new_segment(cx, name.node, SEG_RELOCATABLE);
  switch_segment(cx, seg);
  skip_tokens_to_end_of_line(cx);
}

// DS count
void standin_ds(asm_context& cx, const statement_call& call) {
  int32_t n = 0;
  parse_absolute_expression(cx, &n);
  call.record->kind = stmt_kind::storage;
  call.record->byte_count = n;
}

// PUBLIC name, ...: nothing to do here.
void standin_public(asm_context& cx, const statement_call&) { skip_tokens_to_end_of_line(cx); }

// EXTERN name, ...: each name's value is an external reference.
void standin_extern(asm_context& cx, const statement_call&) {
  for (token t = next_token(cx); !line_end(t); t = next_token(cx)) {
    if (t.kind != TOK_IDENT) continue;
    label_rec* rec = get_label_rec(cx, t.node);
    expr_rec* value = init(cx, nullptr, true, t.node);
    new_postfix(cx, value);
    push_external(cx, t.node, 0);
    cx.expr.building = nullptr;
    value->state = EXPR_POSTFIX;
    rec->value = value;
    rec->flags = (rec->flags & ~static_cast<uint32_t>(LBL_UNDEFINED)) | LBL_EXTERN;
  }
}

constexpr directive_entry kStandIns[] = {
    {"RSEG", DCLASS_ORDINARY, 0, UPPER_CASE, standin_rseg},
    {"DS", DCLASS_ORDINARY, 0, UPPER_CASE, standin_ds},
    {"PUBLIC", DCLASS_ORDINARY, 0, UPPER_CASE, standin_public},
    {"EXTERN", DCLASS_ORDINARY, 0, UPPER_CASE, standin_extern},
};

class Examples : public AssemblyTest {
 protected:
  void run(const char* name, const char* header, int option) {
    before_pass1 = [this] {
      for (const directive_entry& d : kStandIns)
        if (find_node(cx, d.name, std::strlen(d.name), KIND_DIRECTIVE) == nullptr)
          init_directive(cx, d.name, &d, d.klass, d.letter_case);
    };
    assemble(read_file(kExamples / name), option, name, {{header, read_file(kExamples / header)}});
    ASSERT_FALSE(stopped) << cap.console;
    EXPECT_TRUE(diagnostics().empty()) << cap.console;
  }
};

TEST_F(Examples, Blink78k0) {
  run("blink.s26", "io78k0.inc", 1);
  EXPECT_EQ(hex(18), "7B 1E");           // DI
  EXPECT_EQ(hex(19), "71 0B 21");        // CLR1 PM1.0
  EXPECT_EQ(hex(20), "11 00 00");        // MOV S:blinks,#0: the address is the linker's
  EXPECT_EQ(fields(20).size(), 1u);
  EXPECT_EQ(hex(21), "61 D0");           // SEL RB0
  EXPECT_EQ(hex(22), "71 0A 01");        // SET1 LED: the bit equate P1.0
  EXPECT_EQ(hex(23), "9A 00 00");        // CALL wait: relocatable
  EXPECT_EQ(fields(23).size(), 1u);
  EXPECT_EQ(hex(24), "71 0B 01");        // CLR1 LED
  EXPECT_EQ(hex(27), "FA F0");           // BR loop: near, short
  EXPECT_EQ(hex(30), "02 00 00");        // MOVW AX,pause_ticks: external
  EXPECT_EQ(hex(33), "30");              // XCH A,X
  EXPECT_EQ(hex(34), "61 68");           // OR A,X
  EXPECT_EQ(hex(36), "BD F8");           // BNZ count
}

TEST_F(Examples, Count78k0s) {
  run("count.s26", "io78k0s.inc", 2);
  EXPECT_EQ(hex(12), "F0 FE FE");        // MOVW AX,#0FEFEH
  EXPECT_EQ(hex(13), "E6 1C");           // MOVW SP,AX
  EXPECT_EQ(hex(14), "F7 20 00");        // MOV PM0,#0
  EXPECT_EQ(hex(16), "E7 00");           // MOV P0,A
  EXPECT_EQ(hex(17), "22 00 00");        // CALL tick_wait: external
  EXPECT_EQ(hex(18), "0A C3");           // INC A
  EXPECT_EQ(hex(20), "3E F5");           // BNZ show
  EXPECT_EQ(hex(22), "30 F0");           // BR show
}

}  // namespace
