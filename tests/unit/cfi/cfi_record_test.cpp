// cfi_record_test.cpp — the call-frame model as the CFI record carries it:
// what a module's directives produce, read back through the record reader;
// final offsets, code alignment, block order, module ends, the operand
// grammar of rules, nesting limits, and the reader on damaged bodies.
#include <gtest/gtest.h>

#include <cctype>

#include "cfi/cfi_fixture.h"

namespace {

TEST_F(CfiTest, ModuleRecordHoldsNamesCommonPartsAndRows) {
  run(kCfiPrelude +
      "  CFI NAMES e EXTENDS n\n"
      "  CFI FRAMECELL RET:2 CFA -2\n"
      "  CFI ENDNAMES e\n"
      "  CFI COMMON k EXTENDS c USING e\n"
      "  CFI RET UNDEFINED\n"
      "  CFI ENDCOMMON k\n"
      "  CFI BLOCK f1 USING c\n"
      "  CFI FUNCTION main\n"
      "main:\n"
      "  MOVW AX,#1\n"
      "  CFI CFA SP+4\n"
      "  CFI PC FRAME(CFA, -2)\n"
      "  NOP\n"
      "  CFI REMEMBERSTATE\n"
      "  CFI AX FRAME(CFA, -4)\n"
      "  NOP\n"
      "  CFI RESTORESTATE\n"
      "  CFI INVALID\n"
      "  CFI ENDBLOCK f1\n"
      "  CFI BLOCK f2 USING k\n"
      "  CFI NOFUNCTION\n"
      "  CFI PICKER\n"
      "  CFI RET SAMEVALUE\n"
      "  CFI ENDBLOCK f2\n");
  EXPECT_TRUE(cfi_errors().empty()) << cap.console;
  // The names and common parts as the record carries them are the golden cases' business.
  const std::string text = record_text();
  EXPECT_EQ(text.substr(std::min(text.find("common k "), text.size())),
            "common k using e extends c codealign 1 dataalign -1 returnaddress PC valid\n"
            "  RET UNDEFINED\n"
            "block f1 using c function main segment 2 from 0x0000 to 0x0005\n"
            "  0x0003 CFA ADD(SP, 4)\n"
            "  0x0003 PC FRAME(CFA, -2)\n"
            "  0x0004 REMEMBERSTATE\n"
            "  0x0004 AX FRAME(CFA, -4)\n"
            "  0x0005 RESTORESTATE\n"
            "  0x0005 INVALID\n"
            "block f2 using k nofunction picker segment 2 from 0x0005 to 0x0005\n"
            "  0x0005 RET SAMEVALUE\n");
}

TEST_F(CfiTest, OffsetsAreTheStatementsFinalLocations) {
  run(kCfiPrelude + "  CFI BLOCK b USING c\n  CFI NOFUNCTION\n  MOVW AX,#1\n  CFI CFA SP+4\n  NOP\n  CFI ENDBLOCK b\n");
  ASSERT_NE(cx.cfi.finished, nullptr);
  ASSERT_EQ(cx.cfi.finished->blocks.size(), 1u);
  OgCallFrameInfo& b = *cx.cfi.finished->blocks[0];
  // Pass 2 placed the code 0x100 further on.
  for (const statement_rec* s : {b.Begin(), b.End(), b.Rows()[0].at}) const_cast<statement_rec*>(s)->location += 0x100;
  const std::string text = record_text();
  EXPECT_NE(text.find("block b using c nofunction segment 2 from 0x0100 to 0x0104\n"
                      "  0x0103 CFA ADD(SP, 4)\n"), std::string::npos) << text;
}

TEST_F(CfiTest, CodeAlignmentIsCheckedWithFinalOffsets) {
  run("  SEG_CODE\n  CFI NAMES s\n  CFI STACKFRAME F R\n  CFI RESOURCE R:2\n  CFI ENDNAMES s\n"
      "  CFI COMMON k USING s\n  CFI CODEALIGN 2\n  CFI F R\n  CFI R SAMEVALUE\n  CFI ENDCOMMON k\n"
      "  CFI BLOCK b USING k\n  CFI NOFUNCTION\n  NOP\n  CFI F R+2\n  CFI ENDBLOCK b\n");
  EXPECT_TRUE(cfi_errors().empty()) << cap.console;
  cx.driver.pass1 = 0;
  EXPECT_NE(record_text(), "");
  const std::vector<std::string> want = {"Code offset used for CFI not code-aligned (data block b, offset 1)"};
  EXPECT_EQ(cfi_errors(), want);
  ASSERT_EQ(diagnostics().size(), 1u);
  EXPECT_EQ(diagnostics()[0].line, 14);
  EXPECT_EQ(diagnostics()[0].column, 7);
  // Placed one byte further on by pass 2, the row is aligned.
  const_cast<statement_rec*>(cx.cfi.finished->blocks[0]->Rows()[0].at)->location = 2;
  record_text();
  EXPECT_EQ(cfi_errors().size(), 1u);
}

TEST_F(CfiTest, BlocksAreWrittenBySegmentAndStart) {
  run(kCfiPrelude +
      "  SEG_CODE2\n  CFI BLOCK late USING c\n  CFI NOFUNCTION\n  CFI ENDBLOCK late\n"
      "  SEG_CODE\n  CFI BLOCK outer USING c\n  CFI NOFUNCTION\n  NOP\n"
      "  CFI BLOCK inner USING c\n  CFI (inner) NOFUNCTION\n  NOP\n  CFI ENDBLOCK inner\n"
      "  CFI ENDBLOCK outer\n");
  EXPECT_TRUE(cfi_errors().empty()) << cap.console;
  const std::string text = record_text();
  const std::size_t outer = text.find("block outer"), inner = text.find("block inner"), late = text.find("block late");
  ASSERT_NE(late, std::string::npos) << text;
  EXPECT_LT(outer, inner) << text;
  EXPECT_LT(inner, late) << text;
  EXPECT_NE(text.find("block inner using c nofunction segment 2 from 0x0001 to 0x0002"), std::string::npos);
}

TEST_F(CfiTest, SourcesWithoutCfiHaveNoRecord) {
  run("  SEG_CODE\n  NOP\n");
  EXPECT_EQ(cx.cfi.finished, nullptr);
  EXPECT_EQ(record_text(), "");
}

TEST_F(CfiTest, RefusedDirectivesLeaveNoRecord) {
  run("  CFI NAMES\n  CFI RESOURCE A:1\n");
  EXPECT_EQ(cfi_errors().size(), 2u);
  EXPECT_EQ(record_text(), "");
}

// Blocks belong to their module: a second module neither sees the first
// one's names nor closes its data block, and each module has its own record.
TEST_F(CfiTest, BlocksArePerModule) {
  run(kCfiPrelude + "  CFI BLOCK b USING c\n  CFI NOFUNCTION\n  ENDMOD\n"
      "  SEG_CODE\n  CFI COMMON k USING n\n  CFI ENDBLOCK b\n  CFI NAMES m\n  CFI ENDNAMES m\n  END\n");
  const std::vector<std::string> first = {"Data block b not closed at the end of the module"};
  EXPECT_EQ(cfi_errors(), first);
  const std::string one = record_text();
  EXPECT_NE(one.find("common c"), std::string::npos);
  EXPECT_EQ(one.find("block b"), std::string::npos);  // left open: not written

  cx.driver.module_ended = 0;
  stops([&] { statement_loop(cx); });
  const std::vector<std::string> both = {"Data block b not closed at the end of the module",
                                         "Names block n hasn't been defined",
                                         "Not in same module that we started this data block in"};
  EXPECT_EQ(cfi_errors(), both);
  EXPECT_EQ(record_text(), "names m\n");
  cfi_reset_module(cx);
  EXPECT_EQ(record_text(), "");
}

TEST_F(CfiTest, NamesFollowTheCaseRuleOfUserSymbols) {
  cx.driver.opt.case_given = 1;  // -s-: user symbols in any case
  cx.driver.opt.case_sensitive = 0;
  run(kCfiPrelude + "  CFI BLOCK b USING C\n  CFI NOFUNCTION\n  CFI pc FRAME(cfa, -4)\n  CFI ENDBLOCK B\n");
  EXPECT_TRUE(cfi_errors().empty()) << cap.console;
  EXPECT_NE(record_text().find("block b using c nofunction"), std::string::npos);
  EXPECT_NE(record_text().find("  0x0000 PC FRAME(CFA, -4)\n"), std::string::npos);
}

// ---- Rules and their operand grammar -------------------------------------------

struct rule_case {
  const char* rule;     // as written after "CFI " in the data block
  const char* written;  // as the record reader prints it
};

// clang-format off
const rule_case kRules[] = {
    {"PC UNDEFINED",                "PC UNDEFINED"},
    {"PC SAMEVALUE",                "PC SAMEVALUE"},
    {"AX CONCAT",                   "AX CONCAT"},
    {"PC FRAME(CFA, -2)",           "PC FRAME(CFA, -2)"},
    {"PC FRAME(CFA,-2147483648)",   "PC FRAME(CFA, -2147483648)"},
    {"PC -5",                       "PC -5"},
    {"PC +5",                       "PC 5"},
    {"PC LITERAL(-9223372036854775807)", "PC -9223372036854775807"},
    {"PC 0FFFFH",                   "PC 65535"},
    {"PC SP",                       "PC SP"},
    {"PC CFA",                      "PC CFA"},
    {"PC -SP",                      "PC UMINUS(SP)"},
    {"PC SP + -2",                  "PC ADD(SP, -2)"},
    {"PC SP+1-2+3",                 "PC ADD(SUB(ADD(SP, 1), 2), 3)"},
    {"PC SP+(1+2)",                 "PC ADD(SP, ADD(1, 2))"},
    {"PC ((SP))",                   "PC SP"},
    {"PC ADD(FRAME(CFA, 4), 0)",    "PC ADD(FRAME(CFA, 4), 0)"},
    {"PC LOAD(2, SUB(CFA, 2))",     "PC LOAD(2, SUB(CFA, 2))"},
    {"PC ADD(LOAD(1, CFA), LOAD(4, CFA))", "PC ADD(LOAD(1, CFA), LOAD(4, CFA))"},
    {"PC UMINUS(COMPLEMENT(NOT(SP)))", "PC UMINUS(COMPLEMENT(NOT(SP)))"},
    {"PC ADD(SUB(MUL(DIV(MOD(SP, 1), 2), 3), 4), 5)", "PC ADD(SUB(MUL(DIV(MOD(SP, 1), 2), 3), 4), 5)"},
    {"PC XOR(AND(OR(LSHIFT(RSHIFTL(RSHIFTA(SP, 1), 2), 3), 4), 5), 6)",
     "PC XOR(AND(OR(LSHIFT(RSHIFTL(RSHIFTA(SP, 1), 2), 3), 4), 5), 6)"},
    {"PC EQ(NEQ(LT(LE(GT(GE(SP, 1), 2), 3), 4), 5), 6)", "PC EQ(NEQ(LT(LE(GT(GE(SP, 1), 2), 3), 4), 5), 6)"},
    {"PC if(EQ(SP, 0), 1, LOAD(2, CFA))", "PC IF(EQ(SP, 0), 1, LOAD(2, CFA))"},
    {"CFA UNDEFINED",               "CFA UNDEFINED"},
    {"CFA LOAD(2, SP)",             "CFA LOAD(2, SP)"},
};
// clang-format on

void PrintTo(const rule_case& c, std::ostream* os) { *os << c.rule; }

class CfiRule : public CfiTest, public ::testing::WithParamInterface<rule_case> {};

TEST_P(CfiRule, IsWrittenAsRead) {
  run(kCfiPrelude + "  CFI BLOCK b USING c\n  CFI NOFUNCTION\n  CFI " + GetParam().rule + "\n  CFI ENDBLOCK b\n");
  EXPECT_TRUE(cfi_errors().empty()) << cap.console;
  const std::string text = record_text();
  const std::string row = std::string("  0x0000 ") + GetParam().written + "\n";
  EXPECT_NE(text.find(row), std::string::npos) << text;
}

std::string rule_name(const ::testing::TestParamInfo<rule_case>& info) {
  std::string name = "r" + std::to_string(info.index) + "_";
  for (const char* p = info.param.rule; *p != '\0' && name.size() < 40; ++p)
    name += (std::isalnum(static_cast<unsigned char>(*p)) != 0) ? *p : '_';
  return name;
}

INSTANTIATE_TEST_SUITE_P(Grammar, CfiRule, ::testing::ValuesIn(kRules), rule_name);

// ---- Nesting limit and long lines ------------------------------------------------

std::string nested(const char* op, int depth) {
  std::string e;
  for (int i = 0; i < depth; ++i) e += op;
  e += "SP";
  e.append(static_cast<std::size_t>(depth), ')');
  return e;
}

TEST_F(CfiTest, ExpressionDepthIsCappedNotTheStack) {
  struct depth_case {
    std::string expr;
    bool accepted;
  };
  std::string chain_ok = "SP", chain_deep = "SP";
  for (int i = 0; i < 255; ++i) chain_ok += "+1";
  for (int i = 0; i < 3000; ++i) chain_deep += "+1";
  const depth_case cases[] = {
      {nested("UMINUS(", 255), true},    // 256 nodes deep
      {nested("UMINUS(", 256), false},
      {nested("NOT(", 6000), false},     // a line of about 30,000 characters
      {nested("(", 10000), false},
      {chain_ok, true},
      {chain_deep, false},
  };
  std::string src = kCfiPrelude + "  CFI BLOCK b USING c\n  CFI NOFUNCTION\n";
  for (const depth_case& c : cases) src += "  NOP\n  CFI PC " + c.expr + "\n";
  run(src + "  CFI ENDBLOCK b\n");
  std::vector<std::string> want;
  for (const depth_case& c : cases)
    if (!c.accepted) want.push_back("Expression nested too deeply (max is 256)");
  EXPECT_EQ(cfi_errors(), want);
  const std::string text = record_text();
  EXPECT_NE(text.find("0x0001 PC UMINUS(UMINUS("), std::string::npos);
  EXPECT_NE(text.find("0x0005 PC ADD(ADD("), std::string::npos);
}

TEST_F(CfiTest, NamesTablesHoldAtMost65535Names) {
  std::string src = "  CFI NAMES m\n";
  int made = 0;
  while (made < 65536) {
    src += "  CFI RESOURCE ";
    for (int i = 0; i < 2000 && made < 65536; ++i, ++made) src += (i > 0 ? ", R" : "R") + std::to_string(made) + ":1";
    src += "\n";
  }
  run(src + "  CFI ENDNAMES m\n");
  const std::vector<std::string> want = {"Too many resources or CFAs (max is 65535)"};
  EXPECT_EQ(cfi_errors(), want);
  ASSERT_NE(cx.cfi.finished, nullptr);
  ASSERT_EQ(cx.cfi.finished->names.size(), 1u);
  EXPECT_EQ(cx.cfi.finished->names[0]->ResourceCount(), 64000u);  // the last line was refused whole
}

// ---- The reader on damaged bodies --------------------------------------------------

TEST_F(CfiTest, ReaderRefusesDamagedBodiesWithoutHarm) {
  run(kCfiPrelude + "  CFI BLOCK b USING c\n  CFI FUNCTION f\n  MOVW AX,#1\n  CFI PC LOAD(2, IF(SP, CFA, 1))\n"
      "  CFI REMEMBERSTATE\n  CFI ENDBLOCK b\n");
  std::vector<uint8_t> rec;
  stops([&] { rec = cfi_module_record(cx); });
  ASSERT_GT(rec.size(), 5u);
  const std::vector<uint8_t> body(rec.begin() + 5, rec.end());
  std::vector<std::string> lines;
  ASSERT_TRUE(decode_cfi_body(body.data(), body.size(), lines));
  // Every shorter body is refused, and says where.
  for (std::size_t n = 0; n < body.size(); ++n) {
    lines.clear();
    EXPECT_FALSE(decode_cfi_body(body.data(), n, lines)) << n;
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back().rfind("malformed CFI record body at byte ", 0), 0u) << lines.back();
  }
  // Any byte changed to any value: read or refused, never out of bounds.
  std::vector<uint8_t> bad = body;
  for (std::size_t i = 0; i < bad.size(); ++i) {
    for (int v : {0x00, 0x01, 0x07, 0x7F, 0x80, 0xFF}) {
      const uint8_t keep = bad[i];
      bad[i] = static_cast<uint8_t>(v);
      lines.clear();
      decode_cfi_body(bad.data(), bad.size(), lines);
      bad[i] = keep;
    }
  }
  // A trailing byte is refused too.
  bad.push_back(0);
  lines.clear();
  EXPECT_FALSE(decode_cfi_body(bad.data(), bad.size(), lines));
}

}  // namespace
