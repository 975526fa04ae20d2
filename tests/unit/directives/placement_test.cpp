// placement_test.cpp — where statements land and what they hold after pass 2:
// segments and their location counters, ORG, alignment, data items, storage,
// values and visibility, and the diagnostics of these directives.
#include <string>
#include <vector>

#include "directives/modules.h"
#include "support/asm_fixture.h"
#include "support/param_names.h"

namespace {

using lines = std::vector<std::string>;

struct placement_case {
  const char* name;
  const char* source;    // "END" is added
  lines statements;      // as asm_fixture::statements shows them
  std::vector<int> diagnostics;
};

class Placement : public AsmTest, public ::testing::WithParamInterface<placement_case> {};

TEST_P(Placement, StatementsAndDiagnostics) {
  const placement_case& c = GetParam();
  ASSERT_FALSE(assemble_module(std::string(c.source) + "        END\n")) << cap.console;
  EXPECT_EQ(statements(), c.statements) << cap.console;
  EXPECT_EQ(numbers(), c.diagnostics) << cap.console;
}

const placement_case kPlacements[] = {
    // A module starts in the absolute segment at 0; a label takes the location.
    {"absolute_from_the_start", "L0:\n DB 1,2\n", {"1 label ABS:0000", "2 data ABS:0000 0102"}, {}},
    // A segment resumed continues where it was left; another keeps its own counter.
    {"resumed_segment_continues",
     " RSEG CODE\n DB 1\n RSEG DATA\n DW 2\n RSEG CODE\n DB 3\n",
     {"1 segment_part CODE:0000", "2 data CODE:0000 01", "3 segment_part DATA:0000", "4 data DATA:0000 0200",
      "5 segment_part CODE:0001", "6 data CODE:0001 03"},
     {}},
    // A label on a segment directive takes the location after the switch.
    {"label_on_segment_directive", " RSEG SA\n DB 1,2\n RSEG SB\nLX: RSEG SA\n",
     {"1 segment_part SA:0000", "2 data SA:0000 0102", "3 segment_part SB:0000", "4 segment_part SA:0002"},
     {}},
    // ORG in the absolute segment, ASEG with an address, overlapping parts.
    {"org_and_aseg", " ORG 100H\n DB 1\n ASEG 100H\n DB 2\n",
     {"1 org ABS:0100", "2 data ABS:0100 01", "3 abs_location ABS:0100", "4 data ABS:0100 02"},
     {90}},
    // The first ORG of an empty relocatable segment gives it its address: the
    // next byte is at that address, the location counts from the start.
    {"org_sets_start_address", " RSEG SC\n ORG 200H\n DB 1\n ORG 204H\n DB 2\n",
     {"1 segment_part SC:0000", "2 org SC:0000", "3 data SC:0000 01", "4 org SC:0004", "5 data SC:0004 02"},
     {}},
    // ALIGN pads to the power of two; a fill byte repeats into every byte.
    {"align_with_fill", " DB 1\n ALIGN 3,0AAH\n DB 2\n EVEN\n ODD 0\n DB 3\n",
     {"1 data ABS:0000 01", "2 align ABS:0001 AAAAAAAAAAAAAA", "3 data ABS:0008 02", "4 align ABS:0009",
      "5 align ABS:000A 00", "6 data ABS:000B 03"},
     {}},
    // DS moves the location over the bytes it reserves, writing none.
    {"storage", " DB 1\n DS 300H\n DB 2\n", {"1 data ABS:0000 01", "2 storage ABS:0001", "3 data ABS:0301 02"}, {}},
    // Items of every size; strings fill whole items, zero-padded.
    {"items_of_every_size", " DB 1,-1,255,\"ab\"\n DW -1,\"abc\"\n DP 123456H\n DD 12345678H,1.0\n",
     {"1 data ABS:0000 01FFFF6162", "2 data ABS:0005 FFFF61626300", "3 data ABS:000B 563412",
      "4 data ABS:000E 785634120000803F"},
     {}},
    // A value that fits neither signed nor unsigned warns and is cut.
    {"truncation", " DB 256,-129,255+1,-128\n DW 10000H\n", {"1 data ABS:0000 007F0080", "2 data ABS:0004 0000"},
     {15, 15, 15, 15}},
    // A floating constant has no place in items below four bytes.
    {"float_in_byte_item", " DB 1.0\n", {"1 data ABS:0000 E"}, {0}},
    // Forward values are solved before pass 2; what never gets one is error 50.
    {"forward_and_undefined", " DB F,U\nF SET 7\n", {"1 data ABS:0000 E", "2 equate ABS:0002"}, {50}},
    // SET gives a new value from its line on; DEFINE must be a constant.
    {"set_and_define", "VX SET 1\n DB VX\nVX SET 2\n DB VX\nLB: DB 0\nDF DEFINE LB+1\n",
     {"1 equate ABS:0000", "2 data ABS:0000 01", "3 equate ABS:0001", "4 data ABS:0001 02",
      "5 data ABS:0002 00", "6 equate ABS:0003"},
     {}},
    // The operands of DS, ORG and ALIGN must be known when their line is read.
    {"forward_counts", " DS CNT\n ORG CNT\n ALIGN CNT\nCNT SET 2\n",
     {"1 storage ABS:0000", "2 org ABS:0000", "4 equate ABS:0000"},
     {54, 54, 54}},
    // Negative counts and locations, alignments out of range.
    {"bad_counts", " DS -1\n ORG -2\n ALIGN 9\n RSEG SEGX(32)\n",
     {"1 storage ABS:0000", "2 org ABS:0000"},
     {74, 74, 48, 48}},
    // Segment errors: type word expected, resumed with another kind, alignment twice.
    {"segment_errors", " RSEG SA:NOSUCH\n RSEG SB\n COMMON SB\n RSEG SC(1)\n RSEG SC(1)\n RSEG ,\n",
     {"2 segment_part SB:0000", "4 segment_part SC:0000"},
     {46, 100, 49, 47}},
};

INSTANTIATE_TEST_SUITE_P(Directives, Placement, ::testing::ValuesIn(kPlacements), by_name);

// The location counter never passes the end of the address space.
TEST_F(AsmTest, LocationCounterStopsAtTheTop) {
  ASSERT_FALSE(assemble_module(" ORG 0FFFEH\n DB 1,2,3\n DB 4\n        END\n")) << cap.console;
  EXPECT_EQ(numbers(), std::vector<int>{66}) << cap.console;
  EXPECT_TRUE(said("Segment too long (max is ffff)")) << cap.console;
  EXPECT_EQ(statements().back(), "3 data ABS:FFFE 04") << cap.console;
}

// Externals referenced get numbers in declaration order; the others none.
TEST_F(AsmTest, ExternalsAreNumberedWhenReferenced) {
  ASSERT_FALSE(assemble_module(" EXTERN EA,EB,EC\n DW EC,EA\n        END\n")) << cap.console;
  const std::vector<ident_node*>& ext = cx.module.externals;
  ASSERT_EQ(ext.size(), 3u);
  EXPECT_EQ(ext[0]->label->external_index, 0);
  EXPECT_EQ(ext[1]->label->external_index, kUnreferenced);
  EXPECT_EQ(ext[2]->label->external_index, 1);
}

struct visibility_case {
  const char* name;
  const char* source;
  std::vector<int> diagnostics;
};

class Visibility : public AsmTest, public ::testing::WithParamInterface<visibility_case> {};

TEST_P(Visibility, Diagnostics) {
  ASSERT_FALSE(assemble_module(std::string(GetParam().source) + " DB 0\n        END\n")) << cap.console;
  EXPECT_EQ(numbers(), GetParam().diagnostics) << cap.console;
}

const visibility_case kVisibility[] = {
    {"public_and_extern", " PUBLIC PA\n EXTERN PA\nPA: DB 1\n", {51}},
    {"public_never_defined", " PUBLIC NOWHERE\n", {67}},
    {"public_colon", " PUBLIC PA:CODE\nPA:\n", {44}},
    {"extern_type_word", " EXTERN EE:CODE, EF:NOTYPE\n", {46}},
    {"set_on_public", " PUBLIC V\nV SET 1\n", {62, 67}},
    {"set_without_label", " SET 1\n", {41}},
    {"equal_label_twice", "LB: DB 0\nLB: DB 1\n", {42}},
    {"pubweak_needs_rseg_with_address", " PUBWEAK W\n RSEG R\nW: DB 1\n RSEG Q,100H\n PUBWEAK V\nV: DB 2\n", {101}},
    {"symbol_and_block_need_labels", " SYMBOL \"s\"\nLB: DB 0\nLB SYMBOL \"s\"\nLB SYMBOL \"t\"\n", {104, 119}},
    {"overload_is_bad_instruction", " OVERLOAD\n", {40}},
    {"function_and_frames", " RSEG STK\nFN: DB 0\n FUNCTION FN,3\n ARGFRAME STK,4,STACK\n LOCFRAME NOSEG,2,STATIC\n"
                            " LOCFRAME STK,QQ,STATIC\n LOCFRAME STK,2,HEAP\n",
     {47, 86, 0}},
    {"locframe_of_external", " EXTERN EE\n FUNCTION EE,1\n LOCFRAME STK,2,STACK\n RSEG STK\n", {47}},
    {"rtmodel_and_radix", " RTMODEL \"a\" \"b\"\n RTMODEL aa,\"b\"\n RADIX 3\n", {44, 0, 48}},
    {"limit", " LIMIT 5,0,3,\"five\"\n LIMIT 2,0,3,\"ok\"\n LIMIT 1,0\n", {70, 44}},
};

INSTANTIATE_TEST_SUITE_P(Directives, Visibility, ::testing::ValuesIn(kVisibility), by_name);

// What a module keeps for its object: RTMODEL entries, NAME's number, the
// start address of END, functions with their frames.
TEST_F(AsmTest, ModuleRecordsWhatTheObjectNeeds) {
  ASSERT_FALSE(assemble_module(" NAME m,5\n RTMODEL \"k\",\"v\"\n RSEG SEGM\nFN: DB 0\n FUNCTION FN,3\n ARGFRAME SEGM,4,STACK\n"
                               "        END FN\n"))
      << cap.console;
  const module_state& m = cx.module;
  ASSERT_EQ(m.rtmodel.size(), 1u);
  EXPECT_STREQ(m.rtmodel[0].key, "k");
  ASSERT_NE(m.numeric_operand, nullptr);
  EXPECT_EQ(m.numeric_operand->value, 5);
  ASSERT_NE(m.start_address, nullptr);
  EXPECT_EQ(m.start_address->state, EXPR_RELATIVE);
  ASSERT_EQ(m.functions.size(), 1u);
  EXPECT_EQ(m.functions[0].attributes, 3);
  ASSERT_EQ(m.functions[0].arg_frames.size(), 1u);
  EXPECT_EQ(m.functions[0].arg_frames[0].size, 4);
}

}  // namespace
