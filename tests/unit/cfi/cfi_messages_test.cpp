// cfi_messages_test.cpp — every complaint of the CFI directive: each case has
// one line marked ";<" that must draw exactly that error 103, at the column of
// the text `at` in the line (when given), and no other diagnostic but the
// optional one at the END line.
#include <gtest/gtest.h>

#include "cfi/cfi_fixture.h"

namespace {

// A names block with a stack frame F on R, used where the common part needs
// few rules: "F R" and "R SAMEVALUE" set everything up.
const std::string kSmall =
    "  SEG_CODE\n"
    "  CFI NAMES s\n"
    "  CFI STACKFRAME F R\n"
    "  CFI RESOURCE R:2\n"
    "  CFI ENDNAMES s\n";

// The prelude and an extended names block "e" with the frame cell C, and the
// common part "k" extending "c" over it, left open.
const std::string kExtended = kCfiPrelude +
                              "  CFI NAMES e EXTENDS n\n"
                              "  CFI FRAMECELL C:2 CFA -2\n"
                              "  CFI ENDNAMES e\n"
                              "  CFI COMMON k EXTENDS c USING e\n";

// A data block "b" in the code segment after the prelude.
const std::string kBlock = kCfiPrelude + "  CFI BLOCK b USING c\n";

struct message_case {
  const char* name;
  std::string source;
  const char* text;
  const char* at;        // the text the caret points at, or "" (not checked)
  const char* end_text;  // a second error at the END line, or null
};

// clang-format off
const message_case kCases[] = {
    // ---- blocks
    {"virtual_extended", kCfiPrelude + "  CFI NAMES e EXTENDS n\n  CFI VIRTUALRESOURCE R:1 ;<\n  CFI ENDNAMES e\n", "This directive is not usable in an extended names block", "VIRTUAL", nullptr},
    {"parts_extended", kCfiPrelude + "  CFI NAMES e EXTENDS n\n  CFI RESOURCEPARTS AX A, X ;<\n  CFI ENDNAMES e\n", "This directive is not usable in an extended names block", "RESOURCEPARTS", nullptr},
    {"size_missing", "  CFI NAMES m\n  CFI RESOURCE A: ;<\n  CFI ENDNAMES m\n", "Expected a size larger than zero", "", nullptr},
    {"size_too_large", "  CFI NAMES m\n  CFI RESOURCE A:65536 ;<\n  CFI ENDNAMES m\n", "Expected a size in range [1, 65535]", "65536", nullptr},
    {"parts_twice", "  CFI NAMES m\n  CFI RESOURCE A:1, X:1, B:1, Y:1, AX:2\n  CFI RESOURCEPARTS AX A, X\n  CFI RESOURCEPARTS AX B, Y ;<\n  CFI ENDNAMES m\n", "AX already has a resourceparts definition", "AX B", nullptr},
    {"part_of_two", "  CFI NAMES m\n  CFI RESOURCE A:1, X:1, Y:1, AX:2, AY:2\n  CFI RESOURCEPARTS AX A, X\n  CFI RESOURCEPARTS AY A, Y ;<\n  CFI ENDNAMES m\n", "A is already a part of a resource", "A, Y", nullptr},
    {"part_repeated", "  CFI NAMES m\n  CFI RESOURCE A:1, AA:2\n  CFI RESOURCEPARTS AA A, A ;<\n  CFI ENDNAMES m\n", "A is already a part of a resource", "A ;", nullptr},
    {"parts_unknown", "  CFI NAMES m\n  CFI RESOURCE A:1\n  CFI RESOURCEPARTS ZZ A, A ;<\n  CFI ENDNAMES m\n", "Unknown resource or CFA ZZ", "ZZ", nullptr},
    {"parts_of_cfa", "  CFI NAMES m\n  CFI RESOURCE A:1, X:1\n  CFI BASEADDRESS B\n  CFI RESOURCEPARTS B A, X ;<\n  CFI ENDNAMES m\n", "Expected a resource", "B A", nullptr},
    {"resource_twice_in_line", "  CFI NAMES m\n  CFI VIRTUALRESOURCE A:1, B:1, A:1 ;<\n  CFI ENDNAMES m\n", "Already defined", "A:1 ;", nullptr},
    {"cfa_named_as_resource", "  CFI NAMES m\n  CFI RESOURCE SP:2\n  CFI STACKFRAME SP SP ;<\n  CFI ENDNAMES m\n", "Already defined", "SP SP", nullptr},
    {"cfa_twice", "  CFI NAMES m\n  CFI BASEADDRESS B, B ;<\n  CFI ENDNAMES m\n", "Already defined", "B ;", nullptr},
    {"reserved_name", "  CFI NAMES m\n  CFI RESOURCE add:2 ;<\n  CFI ENDNAMES m\n", "A word of the CFI directive can not be used as a name", "add", nullptr},
    {"cell_unknown_cfa", kCfiPrelude + "  CFI NAMES e EXTENDS n\n  CFI FRAMECELL C:2 Q -2 ;<\n  CFI ENDNAMES e\n", "Unknown resource or CFA Q", "Q", nullptr},
    {"cell_on_resource", kCfiPrelude + "  CFI NAMES e EXTENDS n\n  CFI FRAMECELL C:2 SP -2 ;<\n  CFI ENDNAMES e\n", "Expected a CFA", "SP", nullptr},
    {"cell_offset_range", kCfiPrelude + "  CFI NAMES e EXTENDS n\n  CFI FRAMECELL C:2 CFA 2147483648 ;<\n  CFI ENDNAMES e\n", "Value out of range", "2147483648", nullptr},
    // ---- common blocks
    {"common_twice", kCfiPrelude + "  CFI COMMON c USING n ;<\n", "Common block c has already been defined", "c USING", nullptr},
    {"common_extends_without_using", kCfiPrelude + "  CFI COMMON k EXTENDS c ;<\n", "Expected USING", "", nullptr},
    {"common_extends_undefined", kCfiPrelude + "  CFI COMMON k EXTENDS q USING n ;<\n", "Common block q hasn't been defined", "q", nullptr},
    {"common_names_unrelated", kCfiPrelude + kSmall + "  CFI COMMON k EXTENDS c USING s ;<\n", "Names block s doesn't extend the names block of the original common block", "s ;", nullptr},
    {"common_in_common", kSmall + "  CFI COMMON k USING s\n  CFI COMMON j USING s ;<\n  CFI F R\n  CFI R SAMEVALUE\n  CFI ENDCOMMON k\n", "Already defining a common block", "COMMON j", nullptr},
    {"block_in_common", kSmall + "  CFI COMMON k USING s\n  CFI BLOCK j USING k ;<\n  CFI F R\n  CFI R SAMEVALUE\n  CFI ENDCOMMON k\n", "Already defining a common block", "BLOCK", nullptr},
    {"unknown_in_common", kSmall + "  CFI COMMON k USING s\n  CFI FUNCTION f ;<\n  CFI F R\n  CFI R SAMEVALUE\n  CFI ENDCOMMON k\n", "Unknown directive for a common block", "FUNCTION", nullptr},
    {"codealign_zero", kSmall + "  CFI COMMON k USING s\n  CFI CODEALIGN 0 ;<\n  CFI F R\n  CFI R SAMEVALUE\n  CFI ENDCOMMON k\n", "Expected a code-alignment in range [1, 256]", "0 ;", nullptr},
    {"codealign_257", kSmall + "  CFI COMMON k USING s\n  CFI CODEALIGN 257 ;<\n  CFI F R\n  CFI R SAMEVALUE\n  CFI ENDCOMMON k\n", "Expected a code-alignment in range [1, 256]", "257", nullptr},
    {"codealign_name", kSmall + "  CFI COMMON k USING s\n  CFI CODEALIGN R ;<\n  CFI F R\n  CFI R SAMEVALUE\n  CFI ENDCOMMON k\n", "Expected a code-alignment in range [1, 256]", "R ;", nullptr},
    {"codealign_twice", kSmall + "  CFI COMMON k USING s\n  CFI CODEALIGN 2\n  CFI CODEALIGN 2 ;<\n  CFI F R\n  CFI R SAMEVALUE\n  CFI ENDCOMMON k\n", "Code alignment already set or has been used", "CODEALIGN 2 ;", nullptr},
    {"dataalign_below", kSmall + "  CFI COMMON k USING s\n  CFI DATAALIGN -257 ;<\n  CFI F R\n  CFI R SAMEVALUE\n  CFI ENDCOMMON k\n", "Expected a data-alignment in range [-256, 256] and not 0", "-257", nullptr},
    {"dataalign_above", kSmall + "  CFI COMMON k USING s\n  CFI DATAALIGN 257 ;<\n  CFI F R\n  CFI R SAMEVALUE\n  CFI ENDCOMMON k\n", "Expected a data-alignment in range [-256, 256] and not 0", "257", nullptr},
    {"dataalign_twice", kSmall + "  CFI COMMON k USING s\n  CFI DATAALIGN 2\n  CFI DATAALIGN 2 ;<\n  CFI F R\n  CFI R SAMEVALUE\n  CFI ENDCOMMON k\n", "Data alignment already set or has been used", "DATAALIGN 2 ;", nullptr},
    {"dataalign_after_use", kSmall + "  CFI COMMON k USING s\n  CFI R FRAME(F, 2)\n  CFI DATAALIGN 2 ;<\n  CFI F R\n  CFI ENDCOMMON k\n", "Data alignment already set or has been used", "DATAALIGN", nullptr},
    {"returnaddress_twice", kSmall + "  CFI COMMON k USING s\n  CFI RETURNADDRESS R\n  CFI RETURNADDRESS R ;<\n  CFI F R\n  CFI R SAMEVALUE\n  CFI ENDCOMMON k\n", "Already defined return address resource or R is not a resource", "R ;", nullptr},
    {"common_wrong_close", kSmall + "  CFI COMMON k USING s\n  CFI F R\n  CFI R SAMEVALUE\n  CFI ENDCOMMON j ;<\n  CFI ENDCOMMON k\n", "Wrong name used to close this common block", "j", nullptr},
    {"codealign_extended", kExtended + "  CFI CODEALIGN 2 ;<\n  CFI C UNDEFINED\n  CFI ENDCOMMON k\n", "Directive not usable in an extended common block", "CODEALIGN", nullptr},
    {"returnaddress_extended", kExtended + "  CFI RETURNADDRESS C ;<\n  CFI C UNDEFINED\n  CFI ENDCOMMON k\n", "Directive not usable in an extended common block", "RETURNADDRESS", nullptr},
    {"resource_of_original", kExtended + "  CFI SP SAMEVALUE ;<\n  CFI C UNDEFINED\n  CFI ENDCOMMON k\n", "Resource SP has already been setup in the original common block", "SP SAMEVALUE", nullptr},
    {"cfa_of_original", kExtended + "  CFI CFA SP ;<\n  CFI C UNDEFINED\n  CFI ENDCOMMON k\n", "CFA CFA has already been setup in the original common block", "CFA SP", nullptr},
    {"resource_set_twice", kSmall + "  CFI COMMON k USING s\n  CFI R SAMEVALUE\n  CFI R UNDEFINED ;<\n  CFI F R\n  CFI ENDCOMMON k\n", "Initial setup for resource R already inserted", "R UNDEFINED", nullptr},
    {"cfa_set_twice", kSmall + "  CFI COMMON k USING s\n  CFI F R\n  CFI F R+2 ;<\n  CFI R SAMEVALUE\n  CFI ENDCOMMON k\n", "Initial setup for CFA F already inserted", "F R+2", nullptr},
    {"no_setup_cfa", kSmall + "  CFI COMMON k USING s\n  CFI R SAMEVALUE\n  CFI ENDCOMMON k ;<\n  CFI F R\n  CFI ENDCOMMON k\n", "No initial setup for CFA F", "k ;", nullptr},
    {"part_set_beside_rule", kCfiPrelude + "  CFI COMMON k USING n\n  CFI CFA SP\n  CFI A SAMEVALUE\n  CFI X UNDEFINED\n  CFI AX SAMEVALUE\n  CFI SP SAMEVALUE\n  CFI PC SAMEVALUE\n  CFI ENDCOMMON k ;<\n",
     "Initial setup for resource AX has a rule other than concat but in one or more of its parts, A has a rule other than undefined", "k ;", "Common block k not closed at the end of the module"},
    {"stack_not_resource", "  CFI NAMES m\n  CFI STACKFRAME F SPX, G SPY\n  CFI RESOURCE R:1\n  CFI ENDNAMES m\n  CFI COMMON k USING m\n  CFI F R\n  CFI G R\n  CFI R SAMEVALUE\n  CFI ENDCOMMON k ;<\n",
     "StackFrame(s) not declared as a resource: SPX SPY", "k ;", "Common block k not closed at the end of the module"},
    // ---- rules
    {"load_size", kBlock + "  CFI NOFUNCTION\n  CFI PC LOAD(5, CFA) ;<\n  CFI ENDBLOCK b\n", "Need a size between 1 and 4", "5", nullptr},
    {"load_size_zero", kBlock + "  CFI NOFUNCTION\n  CFI PC LOAD(0, CFA) ;<\n  CFI ENDBLOCK b\n", "Need a size between 1 and 4", "0", nullptr},
    {"too_many_operands", kBlock + "  CFI NOFUNCTION\n  CFI PC UMINUS(SP, 1, 2, 3) ;<\n  CFI ENDBLOCK b\n", "Illegal nr of operands", "UMINUS", nullptr},
    {"unknown_operator", kBlock + "  CFI NOFUNCTION\n  CFI PC FOO(SP) ;<\n  CFI ENDBLOCK b\n", "Unknown operator", "FOO", nullptr},
    {"static_frame_rule", "  CFI NAMES m\n  CFI STATICOVERLAYFRAME S OVL\n  CFI RESOURCE R:1\n  CFI ENDNAMES m\n  CFI COMMON k USING m\n  CFI S SAMEVALUE ;<\n  CFI S USED\n  CFI R SAMEVALUE\n  CFI ENDCOMMON k\n",
     "A static overlay frame can only have the rule USED or NOTUSED", "SAMEVALUE", nullptr},
    {"used_on_stack_frame", kBlock + "  CFI NOFUNCTION\n  CFI CFA NOTUSED ;<\n  CFI ENDBLOCK b\n", "USED and NOTUSED are only for a static overlay frame", "NOTUSED", nullptr},
    {"samevalue_on_cfa", kBlock + "  CFI NOFUNCTION\n  CFI CFA SAMEVALUE ;<\n  CFI ENDBLOCK b\n", "SAMEVALUE and CONCAT are not usable for a CFA", "SAMEVALUE", nullptr},
    {"already_inserted", kBlock + "  CFI NOFUNCTION\n  MOVW AX,#1\n  CFI PC FRAME(CFA, -1)\n  CFI PC UNDEFINED ;<\n  CFI ENDBLOCK b\n", "PC already inserted", "PC UNDEFINED", nullptr},
    {"part_beside_resource", kBlock + "  CFI NOFUNCTION\n  MOVW AX,#1\n  CFI AX FRAME(CFA, -2)\n  CFI A FRAME(CFA, -1) ;<\n  CFI ENDBLOCK b\n", "Rule for A failed, associated resource already assigned a value (or one of it's part)", "A FRAME", nullptr},
    {"resource_beside_part", kBlock + "  CFI NOFUNCTION\n  MOVW AX,#1\n  CFI X FRAME(CFA, -1)\n  CFI AX SAMEVALUE ;<\n  CFI ENDBLOCK b\n", "Rule for AX failed, associated resource already assigned a value (or one of it's part)", "AX SAME", nullptr},
    // ---- data blocks
    {"block_without_using", kCfiPrelude + "  CFI BLOCK b c ;<\n", "Expected USING", "c ;", nullptr},
    {"block_common_undefined", kCfiPrelude + "  CFI BLOCK b USING q ;<\n", "Common block q hasn't been defined", "q", nullptr},
    {"block_twice", kBlock + "  CFI NOFUNCTION\n  CFI ENDBLOCK b\n  CFI BLOCK b USING c ;<\n", "Data block b has already been defined", "b USING", nullptr},
    {"function_of_register", kBlock + "  CFI FUNCTION A ;<\n  CFI NOFUNCTION\n  CFI ENDBLOCK b\n", "Not a function label", "A ;", nullptr},
    {"function_twice", kBlock + "  CFI FUNCTION f\n  CFI NOFUNCTION ;<\n  CFI ENDBLOCK b\n", "Function already set for this data-block", "NOFUNCTION", nullptr},
    {"function_first", kBlock + "  CFI PICKER ;<\n  CFI NOFUNCTION\n  CFI ENDBLOCK b\n", "Function must be set prior to any data directives", "PICKER", nullptr},
    {"rule_before_function", kBlock + "  CFI PC UNDEFINED ;<\n  CFI NOFUNCTION\n  CFI ENDBLOCK b\n", "Function must be set prior to any data directives", "PC", nullptr},
    {"picker_and_conditional", kBlock + "  CFI NOFUNCTION\n  CFI PICKER\n  CFI CONDITIONAL ;<\n  CFI ENDBLOCK b\n", "Can't both be a picker and a conditional data block", "CONDITIONAL", nullptr},
    {"restore_without_remember", kBlock + "  CFI NOFUNCTION\n  CFI RESTORESTATE ;<\n  CFI ENDBLOCK b\n", "Restoring state when there is no remebered state", "RESTORESTATE", nullptr},
    {"remember_left_open", kBlock + "  CFI NOFUNCTION\n  CFI REMEMBERSTATE\n  CFI ENDBLOCK b ;<\n  CFI RESTORESTATE\n  CFI ENDBLOCK b\n", "Unmatched RememberState encountered", "b ;", nullptr},
    {"data_wrong_close", kBlock + "  CFI NOFUNCTION\n  CFI ENDBLOCK q ;<\n  CFI ENDBLOCK b\n", "Wrong name used to close this data block", "q", nullptr},
    {"reference_not_open", kBlock + "  CFI NOFUNCTION\n  CFI (q) PC UNDEFINED ;<\n  CFI ENDBLOCK b\n", "No data block with name q open", "q)", nullptr},
    {"which_block", kBlock + "  CFI BLOCK d USING c\n  CFI NOFUNCTION ;<\n  CFI (b) NOFUNCTION\n  CFI (d) NOFUNCTION\n  CFI ENDBLOCK d\n  CFI ENDBLOCK b\n", "Don't know which of several data blocks to use for the directive", "NOFUNCTION ;", nullptr},
    {"missing_reference", kBlock + "  CFI ( ) NOFUNCTION ;<\n  CFI NOFUNCTION\n  CFI ENDBLOCK b\n", "Missing a data block reference for the directive", ") NO", nullptr},
    {"end_in_other_segment", kBlock + "  CFI NOFUNCTION\n  SEG_CODE2\n  CFI ENDBLOCK b ;<\n  SEG_CODE\n  CFI ENDBLOCK b\n", "Not in same segment that we started this data block in", "b ;", nullptr},
    {"rule_in_other_segment", kBlock + "  CFI NOFUNCTION\n  SEG_CODE2\n  CFI PC UNDEFINED ;<\n  SEG_CODE\n  CFI ENDBLOCK b\n", "Not in same segment that we started this data block in", "PC", nullptr},
    {"unknown_in_data", kBlock + "  CFI NOFUNCTION\n  CFI CODEALIGN 2 ;<\n  CFI ENDBLOCK b\n", "Unknown directive for a data block", "CODEALIGN", nullptr},
    {"data_directive_missing", kBlock + "  CFI (b) ;<\n  CFI NOFUNCTION\n  CFI ENDBLOCK b\n", "Expected a directive", "", nullptr},
    // ---- blocks left open at the module's end
    {"data_open_at_end", kBlock + "  CFI NOFUNCTION\n  END ;<\n", "Data block b not closed at the end of the module", "END", nullptr},
    // ---- operand syntax
    {"name_missing", "  CFI NAMES ;<\n", "Expected a name", "", nullptr},
    {"text_after_directive", "  CFI NAMES m junk ;<\n", "Expected the end of the directive", "junk", nullptr},
    {"expression_missing", kBlock + "  CFI NOFUNCTION\n  CFI PC ;<\n  CFI ENDBLOCK b\n", "Expected an expression", "", nullptr},
    {"comma_missing", kBlock + "  CFI NOFUNCTION\n  CFI PC FRAME(CFA -2) ;<\n  CFI ENDBLOCK b\n", "Expected a comma ','", "-2", nullptr},
    {"open_missing", kBlock + "  CFI NOFUNCTION\n  CFI PC LOAD 2 ;<\n  CFI ENDBLOCK b\n", "Expected a parenthesis '('", "2 ;", nullptr},
    {"close_missing", kBlock + "  CFI NOFUNCTION\n  CFI PC ADD(SP, 2 ;<\n  CFI ENDBLOCK b\n", "Expected a parenthesis ')'", "", nullptr},
    {"number_missing", kBlock + "  CFI NOFUNCTION\n  CFI PC FRAME(CFA, X) ;<\n  CFI ENDBLOCK b\n", "Expected a number", "X)", nullptr},
    {"offset_out_of_range", kBlock + "  CFI NOFUNCTION\n  CFI PC FRAME(CFA, -2147483650) ;<\n  CFI ENDBLOCK b\n", "Value out of range", "-2147483650", nullptr},
    {"literal_beyond_64_bits", kBlock + "  CFI NOFUNCTION\n  CFI PC LITERAL(0FFFFFFFFFFFFFFFFH) ;<\n  CFI ENDBLOCK b\n", "Value out of range", "0FFFF", nullptr},
    {"unknown_in_expression", kBlock + "  CFI NOFUNCTION\n  CFI PC ADD(SP, Q) ;<\n  CFI ENDBLOCK b\n", "Unknown resource or CFA Q", "Q)", nullptr},
};
// clang-format on

void PrintTo(const message_case& c, std::ostream* os) { *os << c.name; }

class CfiMessage : public CfiTest, public ::testing::WithParamInterface<message_case> {};

TEST_P(CfiMessage, IsReportedAtItsLine) {
  const message_case& c = GetParam();
  run(c.source);
  ASSERT_FALSE(stopped) << cap.console;
  // The marked line, its number and the column of `at` in it.
  long line = 1;
  std::size_t begin = 0;
  for (std::size_t at = 0; at < c.source.find(";<"); ++at)
    if (c.source[at] == '\n') ++line, begin = at + 1;
  const std::string text = c.source.substr(begin, c.source.find('\n', begin) - begin);
  std::vector<std::string> want = {c.text};
  if (c.end_text != nullptr) want.push_back(c.end_text);
  EXPECT_EQ(cfi_errors(), want) << cap.console;
  const std::vector<shown_diag> shown = diagnostics();
  ASSERT_FALSE(shown.empty());
  EXPECT_EQ(shown[0].line, line) << cap.console;
  if (*c.at != '\0') {
    ASSERT_NE(text.find(c.at), std::string::npos) << text;
    EXPECT_EQ(shown[0].column, static_cast<int>(text.find(c.at)) + 1) << cap.console;
  }
}

INSTANTIATE_TEST_SUITE_P(Every, CfiMessage, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<message_case>& info) { return std::string(info.param.name); });

}  // namespace
