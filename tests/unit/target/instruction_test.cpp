// instruction_test.cpp — instruction lines through both passes (B00-B02):
// every diagnostic with its number, text and place; the fields handed to the
// linker; the form kept from pass 1; the short branch; the statement marks.
#include <cstring>

#include "target/assembly_fixture.h"
#include "target/fields.h"
#include "target/instr_form.h"

namespace {

struct diag_case {
  const char* name;
  const char* source;  // END is appended
  int option;
  shown_diag want;
};

class InstructionDiagnostics : public AssemblyTest, public ::testing::WithParamInterface<diag_case> {};

TEST_P(InstructionDiagnostics, NumberTextAndPlace) {
  expect_only_diagnostic(GetParam().source, GetParam().option, GetParam().want);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Cases, InstructionDiagnostics, ::testing::Values(
    diag_case{"E40_mnemonic_of_another_option", "        MULU    X\n", 0, {1, 9, "Error", 40, "Bad instruction"}},
    diag_case{"E415_no_form", "        INC     0FF30H\n", 0, {1, 17, "Error", 415, "Operand syntax error"}},
    diag_case{"E415_no_operands_where_needed", "        MOV\n", 0, {1, 9, "Error", 415, "Operand syntax error"}},
    diag_case{"E416_operand_where_none", "        NOP     A\n", 0, {1, 18, "Error", 416, "Too many operands"}},
    diag_case{"E416_second_operand", "        INC     A,B\n", 0, {1, 20, "Error", 416, "Too many operands"}},
    diag_case{"E417_index_register", "        MOV     A,[DE+C]\n", 0, {1, 24, "Error", 417, "Illegal register, 'DE' is not allowed here"}},
    diag_case{"E429_a_twice", "        MOV     A,A\n", 0, {1, 17, "Error", 429, "A  or AX cannot be both source and destination"}},
    diag_case{"E425_write_read_only", "        const   sfr RO = 0FF21H\n        MOV     RO,A\n", 0, {2, 17, "Error", 425, "Accessing SFR incorrectly, check read/write flags"}},
    diag_case{"E426_word_sfr_byte_form", "        sfrp    TM = 0FF10H\n        MOV     A,TM\n", 0, {2, 19, "Error", 426, "Accessing SFR using incorrect size"}},
    diag_case{"W400_immediate", "        MOV     A,#256\n", 0, {1, 19, "Warning", 400, "Number out of range"}},
    diag_case{"E414_bit_number", "        SET1    0FE20H.8\n", 0, {1, 17, "Error", 414, "Expression out of range"}},
    diag_case{"E424_short_branch", "        BC      $+130\n", 0, {1, 17, "Error", 424, "Branch too long"}},
    diag_case{"E428_word_saddr", "        MOVW    AX,0FE21H\n", 0, {1, 20, "Error", 428, "Address operand must be even"}},
    diag_case{"E431_address_without_bit", "        SET1    0FE20H\n", 0, {1, 17, "Error", 431, "No relocatable bit expression or bit equate"}},
    diag_case{"E50_undefined", "        MOV     A,#1\n        MOV     A,NOWHERE+1\n", 0, {2, 19, "Error", 50, "Undefined symbol:'NOWHERE'"}}),
    [](const ::testing::TestParamInfo<diag_case>& info) { return std::string(info.param.name); });
// clang-format on

// Statements with a pass-1 error keep the form's length when there was one,
// and pass 2 emits nothing for them and reports nothing more.
TEST_F(AssemblyTest, StatementsMarkedInPass1) {
  assemble("        MOV     A,A\n        INC     0FF30H\n        MOV     A,(\nNEXT:   NOP\n        END\n");
  ASSERT_FALSE(stopped);
  struct row {
    long line;
    int byte_count;
  };
  for (row r : {row{1, 1}, row{2, 0}, row{3, 0}}) {
    statement_rec* s = statement_at(r.line);
    ASSERT_NE(s, nullptr);
    EXPECT_TRUE(is_erroneous(s)) << r.line;
    EXPECT_EQ(s->byte_count, r.byte_count) << r.line;
    EXPECT_FALSE(code[r.line].ok) << r.line;
    EXPECT_EQ(hex(r.line), "") << r.line;
  }
  EXPECT_EQ(check_ident(cx, "NEXT", 4, false)->label->value->value, 1);
  EXPECT_EQ(diagnostics().size(), 3u) << cap.console;
}

TEST_F(AssemblyTest, ValueErrorsMarkTheStatementButKeepItsBytes) {
  assemble("        MOVW    AX,0FE21H\n        MOV     A,#300\n        END\n");
  EXPECT_EQ(hex(1), "89 21");
  EXPECT_FALSE(code[1].ok);
  EXPECT_TRUE(is_erroneous(statement_at(1)));
  EXPECT_EQ(hex(2), "A1 2C");
  EXPECT_TRUE(code[2].ok);  // a warning only
  EXPECT_FALSE(is_erroneous(statement_at(2)));
}

struct field_case {
  const char* line;  // after L0 (location 0 of CODE, segment 2) and NOP
  std::vector<std::string> fields;
};

// Code in a relocatable segment, and a symbol that stands for an external.
class LinkerFields : public AssemblyTest, public ::testing::WithParamInterface<field_case> {
 protected:
  void SetUp() override {
    AssemblyTest::SetUp();
    before_pass1 = [this] {
      switch_segment(cx, new_segment(cx, check_ident(cx, "CODE", 4), SEG_RELOCATABLE));
      ident_node* ext = check_ident(cx, "EXT", 3);
      label_rec* rec = get_label_rec(cx, ext);
      expr_rec* value = init(cx, nullptr, true, ext);
      new_postfix(cx, value);
      push_external(cx, ext, 0);
      cx.expr.building = nullptr;
      value->state = EXPR_POSTFIX;
      rec->value = value;
      rec->flags = (rec->flags & ~static_cast<uint32_t>(LBL_UNDEFINED)) | LBL_EXTERN;
    };
  }
};

TEST_P(LinkerFields, UnknownValuesGoToTheLinkerWithTheirChecks) {
  const field_case& c = GetParam();
  assemble(std::string("L0:     NOP\n") + c.line + "\n        END\n");
  ASSERT_FALSE(stopped) << cap.console;
  EXPECT_EQ(fields(2), c.fields) << cap.console;
  for (const code_unit& u : encode(2).units) {  // the checks' texts are the deferred ones
    if (!(u.flags & CODE_FIELD) || u.expr->state == EXPR_ABSOLUTE || u.expr->state == EXPR_RELATIVE) continue;
    for (const postfix_elem* p = u.expr->list->first; p->kind != PF_END; p = p->next) {
      if (p->kind == PF_STRING && *p->payload.text != '\0') {
        EXPECT_TRUE(linker_text_deferred(p->payload.text));
      }
    }
  }
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Fields, LinkerFields, ::testing::Values(
    field_case{"        MOV     A,#EXT+1", {"1: EXT 1 + \"Number out of range\" TEXT FF FFFFFF80 CHECK \"\" TEXT"}},
    field_case{"        MOVW    AX,EXT", {"2: EXT EXT 1 BINAND \"Even value expected\" TEXT 0 0 CHECK \"\" TEXT 0 * + \"Number out of range\" TEXT FFFF FFFF8000 CHECK \"\" TEXT"}},
    field_case{"        MOV     A,S:EXT", {"1: EXT \"Number out of range\" TEXT FF1F FE20 CHECK \"\" TEXT FF BINAND"}},
    field_case{"        MOV     S:EXT,#1", {"1: EXT \"Number out of range\" TEXT FF1F FE20 CHECK \"\" TEXT FF BINAND"}},
    field_case{"        MOV     EXT,#1", {}},  // no form: error 415
    field_case{"        BC      EXT", {"1: EXT 3:2 - \"Branch too long\" TEXT 7F FFFFFF80 CHECK \"\" TEXT"}},
    field_case{"        BC      1234H", {"1: 1234 3:2 - \"Branch too long\" TEXT 7F FFFFFF80 CHECK \"\" TEXT"}},
    field_case{"        CALLF   EXT", {"1: EXT \"Number out of range\" TEXT FFF 800 CHECK \"\" TEXT 4 SHR 70 BINAND C BINOR",
                                       "1: EXT FF BINAND"}},
    field_case{"        CALLT   [EXT]", {"1: EXT EXT 1 BINAND \"Even value expected\" TEXT 0 0 CHECK \"\" TEXT 0 * + \"Number out of range\" TEXT 7F 40 CHECK \"\" TEXT 3E BINAND C1 BINOR"}},
    field_case{"        SET1    0FE20H.EXT", {"1: EXT \"Expression out of range\" TEXT 7 0 CHECK \"\" TEXT 4 SHL A BINOR"}},
    field_case{"        SET1    EXT", {}},  // not a bit symbol: error 431
    field_case{"        ROL     A,EXT", {"1: EXT \"Expression out of range\" TEXT 1 1 CHECK \"\" TEXT 0 * 26 +"}}));
// clang-format on

// Texts of deferred linker checks: found by address, not by their words; the
// statement's place is added to them (the full form is in the object golden cases).
TEST_F(AssemblyTest, LinkerCheckTexts) {
  const char* branch = text_branch_too_long();
  for (const char* deferred : {text_number_out_of_range(), text_expression_out_of_range(), branch,
                               text_even_value_expected()})
    EXPECT_TRUE(linker_text_deferred(deferred)) << deferred;
  EXPECT_STREQ(branch, target_message(424, true));  // the words of error 424
  EXPECT_FALSE(linker_text_deferred(target_message(424, true)));
  EXPECT_FALSE(linker_text_deferred("Branch too long"));
  EXPECT_FALSE(linker_text_deferred(""));
  line_rec bare{};
  bare.file_name = "";
  bare.text = "X";
  bare.text_len = 1;
  statement_rec nameless{};
  nameless.line = &bare;
  EXPECT_EQ(linker_check_text(cx, &nameless, branch), "\n Branch too long\n Source: X");
  statement_rec lineless{};
  EXPECT_EQ(linker_check_text(cx, &lineless, branch), "\n Branch too long\n ");
  EXPECT_EQ(linker_check_text(cx, &nameless, ""), "");
}

// The short branch needs a target known in the statement's own segment.
TEST_F(AssemblyTest, ShortBranchOnlyWithinTheSegment) {
  before_pass1 = [this] { switch_segment(cx, new_segment(cx, check_ident(cx, "CODE", 4), SEG_RELOCATABLE)); };
  assemble(
      "L0:     NOP\n"
      "        BR      L0\n"       // near, same segment
      "        BR      10H\n"      // absolute target from relocatable code
      "        BR      LATER\n"    // not known yet
      "LATER:  NOP\n"
      "        END\n");
  ASSERT_FALSE(stopped);
  EXPECT_EQ(hex(2), "FA FD");
  EXPECT_EQ(statement_at(3)->byte_count, 3);
  EXPECT_EQ(statement_at(4)->byte_count, 3);
  EXPECT_EQ(check_ident(cx, "LATER", 5, false)->label->value->value, 9);
}

}  // namespace
