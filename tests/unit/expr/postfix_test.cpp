// postfix_test.cpp — building and editing postfix lists, LIMIT and the linker
// range check, the unsolved and undefined lists, symbol search, the printed
// form and the internal errors of misuse (A08).
#include "expr/expr_test_support.h"

namespace {

// Misuse no source can cause: each ends in the internal-error stop naming `text`.
struct misuse_case {
  const char* name;
  void (*run)(expr_fixture& f);
  const char* text;
};

// clang-format off
const misuse_case kMisuse[] = {
    {"push_of_no_kind",        [](expr_fixture& f) { f.rpn("1"); push(f.cx, 11, postfix_payload{}); }, "Not a type"},
    {"push_of_operator_name",  [](expr_fixture& f) {
       f.rpn("1");
       ident_node op{};
       op.name = "MOD";
       op.kind = KIND_OPERATOR;
       postfix_payload p{};
       p.symbol = &op;
       push(f.cx, PF_SYMBOL, p); }, "Illegal desc"},
    {"push_after_solved",      [](expr_fixture& f) { push_after_expression(f.cx, f.eval("1 2 +"), PF_CONSTANT, postfix_payload{}); },
     "Expression solved, can't push"},
    {"limit_of_no_kind",       [](expr_fixture& f) { expr_rec* e = make_constant(f.cx, 1); e->limit_kind = 5; limit_ok(f.cx, e); }, "Not a limit"},
    {"edit_by_unknown_operator", [](expr_fixture& f) { edit_expression(f.cx, make_constant(f.cx, 1), 1, "PLUS"); }, "Can't find Operator"},
    {"unsolved_remove_absent", [](expr_fixture& f) {
       f.symbol("X", nullptr);
       f.eval("@X");
       mark_or_get_unsolved(f.cx, UNSOLVED_REMOVE, make_constant(f.cx, 1)); }, "Not in list"},
    {"unsolved_remove_none",   [](expr_fixture& f) { mark_or_get_unsolved(f.cx, UNSOLVED_REMOVE, make_constant(f.cx, 1)); }, "root==0"},
    {"unsolved_count_nowhere", [](expr_fixture& f) { mark_or_get_unsolved(f.cx, UNSOLVED_COUNT, nullptr); }, "expr==0"},
    {"undef_remove_absent",    [](expr_fixture& f) { undef_list list; mark_or_get_undef(f.cx, UNDEF_REMOVE, &list, f.symbol("X", nullptr)); }, "No symb"},
    {"undef_of_no_mode",       [](expr_fixture& f) { undef_list list; mark_or_get_undef(f.cx, 7, &list, nullptr); }, "Not a mode"},
    {"label_of_constant",      [](expr_fixture& f) { find_label(f.cx, make_constant(f.cx, 1), 0); }, "No postfix expr."},
};
// clang-format on

class Misuse : public ::testing::TestWithParam<misuse_case> {};

TEST_P(Misuse, IsInternalError) {
  expr_fixture f;
  EXPECT_THROW(GetParam().run(f), run_stop);
  EXPECT_TRUE(f.said(GetParam().text)) << f.cap.console;
}

INSTANTIATE_TEST_SUITE_P(Internal, Misuse, ::testing::ValuesIn(kMisuse), by_name);

TEST(Records, InitAndConstantDefaults) {
  expr_fixture f;
  f.cx.driver.current_line = 42;
  expr_rec* slot = nullptr;
  expr_rec* e = init(f.cx, &slot, true, nullptr);
  EXPECT_EQ(slot, e);
  EXPECT_EQ(e->state, EXPR_UNSOLVED);
  EXPECT_EQ(e->relocatable_terms, 65535);
  EXPECT_EQ(e->limit_kind, 0);
  EXPECT_EQ(e->origin, 42u);
  EXPECT_EQ(init(f.cx, &slot, false, nullptr), e);  // reused
  EXPECT_NE(init(f.cx, &slot, true, nullptr), e);   // fresh even though the slot holds one
  expr_rec* c = make_constant(f.cx, -5);
  EXPECT_EQ(c->state, EXPR_ABSOLUTE);
  EXPECT_EQ(c->value, -5);
}

TEST(Building, UseAsLabelAndAsSegmentConflict) {
  expr_fixture f;
  f.segment("CODE", 2);
  f.label("DATA", 4);
  f.eval("0 SFB:CODE");
  f.eval("@CODE");  // now as label, previous as segment; and a segment name as value
  EXPECT_TRUE(f.said("Error[106]"));
  EXPECT_TRUE(f.said("Error[84]"));
  f.eval("@DATA");
  expr_rec* e = f.eval("0 SFE:DATA");  // now as segment, previous as label
  EXPECT_TRUE(f.said("Error[107]"));
  EXPECT_EQ(shape(e), "0 SFE");  // pushed all the same
  EXPECT_EQ(f.errors(), 3);
}

// SFB and SFE carry their segment and its number; one declared later is found
// when the expression is solved again.
TEST(Building, SegmentOperatorCarriesItsSegment) {
  expr_fixture f;
  segment_rec* code = f.segment("CODE", 7);
  f.symbol("LATER", nullptr);
  const postfix_elem* known = f.rpn("0 SFB:CODE")->list->first->next;
  EXPECT_EQ(known->kind, PF_SFB);
  EXPECT_EQ(known->aux.seg, code);
  EXPECT_EQ(known->segment_or_tag, 7u);
  const postfix_elem* sfe = f.eval("0 SFE:LATER")->list->first->next;
  EXPECT_EQ(sfe->aux.seg, nullptr);
  segment_rec* later = f.segment("LATER", 9);
  resolve_unsolved(f.cx);
  EXPECT_EQ(sfe->aux.seg, later);
  EXPECT_EQ(sfe->segment_or_tag, 9u);
}
TEST(Building, PushAfterExpressionExtendsAFinishedList) {
  expr_fixture f;
  f.external("EXT", 1);
  expr_rec* e = f.eval("@EXT");
  f.rpn("9");  // another list is being built meanwhile
  postfix_payload p{};
  p.value = 3;
  push_after_expression(f.cx, e, PF_CONSTANT, p);
  p = postfix_payload{};
  p.op.code = OP_PLUS;
  push_after_expression(f.cx, e, PF_OPERATOR, p);
  EXPECT_EQ(shape(e), "@EXT 3 +");
  EXPECT_EQ(e->list->count, 3u);
}

TEST(Limit, AbsoluteValuesAreCheckedOnce) {
  struct {
    uint16_t kind;
    int32_t value;
    bool ok;
  } cases[] = {
      {kLimitBoth, 300, false}, {kLimitBoth, -1, false}, {kLimitBoth, 255, true}, {kLimitBoth, 0, true},
      {kLimitLower, 300, true}, {kLimitLower, -1, false}, {kLimitUpper, 300, false}, {kLimitUpper, -1, true},
  };
  for (const auto& c : cases) {
    expr_fixture f;
    expr_rec* e = make_constant(f.cx, c.value);
    e->limit_kind = c.kind;
    e->limit_min = 0;
    e->limit_max = 255;
    e->limit_name = "byte";
    EXPECT_EQ(limit_ok(f.cx, e), c.ok) << c.kind << " " << c.value;
    EXPECT_EQ(f.errors(), c.ok ? 0 : 1);
    EXPECT_TRUE(e->limit_kind & kLimitApplied);
    EXPECT_TRUE(limit_ok(f.cx, e));  // applied once
    EXPECT_EQ(f.errors(), c.ok ? 0 : 1);
    if (!c.ok) {
      EXPECT_TRUE(f.said("Error[70]"));
      EXPECT_TRUE(f.said("byte"));
      EXPECT_TRUE(f.said(std::to_string(c.value)));
    }
  }
}

TEST(Limit, SetVariableIsCheckedEachTime) {
  expr_fixture f;
  ident_node* v = f.label("V", 500);
  v->label->flags |= LBL_VARIABLE;
  expr_rec* e = v->label->value;
  e->owner = v;
  e->limit_kind = kLimitBoth;
  e->limit_max = 255;
  e->limit_name = "v";
  EXPECT_FALSE(limit_ok(f.cx, e));
  EXPECT_FALSE(limit_ok(f.cx, e));
  EXPECT_EQ(f.errors(), 2);
}

TEST(Limit, RelocatableTwoSidedGetsTheLinkerCheckOnce) {
  expr_fixture f;
  f.label("L1", 10, 2);
  expr_rec* e = f.eval("@L1 2 +");
  ASSERT_EQ(e->state, EXPR_RELATIVE);
  e->limit_kind = kLimitBoth;
  e->limit_min = -128;
  e->limit_max = 255;
  e->limit_name = "range";
  EXPECT_TRUE(limit_ok(f.cx, e));
  EXPECT_EQ(e->state, EXPR_POSTFIX);
  EXPECT_EQ(shape(e), "12 'range' u_?ERROR_TEXT 255 -128 _?CHECK_RANGE '' u_?ERROR_TEXT");
  EXPECT_EQ(e->list->first->segment, 2);
  EXPECT_TRUE(limit_ok(f.cx, e));
  EXPECT_EQ(e->list->count, 8u);
  resolve_unsolved(f.cx);  // a later solve leaves the appended check alone
  EXPECT_EQ(e->list->count, 8u);
}

TEST(Limit, OneSidedOrUncheckedRelocatableGetsNoLinkerCheck) {
  expr_fixture f;
  f.external("EXT", 1);
  expr_rec* one = f.eval("@EXT 1 +");
  one->limit_kind = kLimitLower;
  EXPECT_TRUE(limit_ok(f.cx, one));
  EXPECT_EQ(shape(one), "@EXT 1 +");
  expr_rec* off = f.eval("@EXT 1 +");
  off->limit_kind = kLimitBoth;
  off->no_linker_check = 1;
  EXPECT_TRUE(limit_ok(f.cx, off));
  EXPECT_EQ(shape(off), "@EXT 1 +");
}

TEST(Limit, UnsolvedIsCheckedWhenSolved) {
  expr_fixture f;
  ident_node* fwd = f.symbol("FWD", nullptr);
  expr_rec* e = f.eval("@FWD 1 +");
  e->limit_kind = kLimitBoth;
  e->limit_max = 255;
  e->limit_name = "late";
  EXPECT_TRUE(limit_ok(f.cx, e));
  EXPECT_FALSE(e->limit_kind & kLimitApplied);
  fwd->label->value = make_constant(f.cx, 1000);
  fwd->label->flags &= ~LBL_UNDEFINED;
  resolve_unsolved(f.cx);
  EXPECT_TRUE(f.said("Error[70]"));
  EXPECT_TRUE(f.said("late"));
}

TEST(Editing, EditCombinesWithAValue) {
  expr_fixture f;
  expr_rec* e = make_constant(f.cx, 10);
  edit_expression(f.cx, e, 5, "+");
  EXPECT_EQ(e->value, 15);
  edit_expression(f.cx, e, 3, nullptr, OP_MUL);
  EXPECT_EQ(e->value, 45);
  f.label("L1", 10, 2);
  expr_rec* r = f.eval("@L1");
  edit_expression(f.cx, r, 8, "*");  // a relocatable value keeps its segment in the list
  EXPECT_EQ(r->state, EXPR_POSTFIX);
  EXPECT_EQ(shape(r), "10 8 *");
  EXPECT_EQ(r->list->first->segment, 2);
}

TEST(Editing, CatAppendsACopyOfTheSecond) {
  expr_fixture f;
  f.external("EXT", 3);
  expr_rec* first = make_constant(f.cx, 3);
  expr_rec* second = f.eval("@EXT 1 +");
  cat_expressions(f.cx, first, second, "-");
  EXPECT_EQ(shape(first), "3 @EXT 1 + -");
  EXPECT_EQ(shape(second), "@EXT 1 +");
  EXPECT_EQ(first->type, TYPE_LABEL | TYPE_COMPLEX);
  expr_rec* a = make_constant(f.cx, 6);
  cat_expressions(f.cx, a, make_constant(f.cx, 7), "*");
  EXPECT_EQ(a->value, 42);
}

TEST(UnsolvedList, ModesAppendRemoveIterateCount) {
  expr_fixture f;
  f.symbol("X", nullptr);
  expr_rec* a = f.eval("@X");
  expr_rec* b = f.eval("@X 1 +");
  expr_rec* c = f.eval("@X 2 3 + *");  // folds to X 5 *
  EXPECT_EQ(mark_or_get_unsolved(f.cx, UNSOLVED_FIRST, nullptr), a);
  EXPECT_EQ(mark_or_get_unsolved(f.cx, UNSOLVED_NEXT, nullptr), b);
  EXPECT_EQ(mark_or_get_unsolved(f.cx, UNSOLVED_NEXT, nullptr), c);
  EXPECT_EQ(mark_or_get_unsolved(f.cx, UNSOLVED_NEXT, nullptr), nullptr);
  mark_or_get_unsolved(f.cx, UNSOLVED_RESET, nullptr);
  EXPECT_EQ(mark_or_get_unsolved(f.cx, UNSOLVED_NEXT, nullptr), a);
  expr_rec* counter = make_constant(f.cx, 0);
  mark_or_get_unsolved(f.cx, UNSOLVED_COUNT, counter);
  EXPECT_EQ(counter->aux, 1u + 3u + 3u);
  mark_or_get_unsolved(f.cx, UNSOLVED_REMOVE, b);
  mark_or_get_unsolved(f.cx, UNSOLVED_APPEND, b);
  mark_or_get_unsolved(f.cx, UNSOLVED_APPEND, b);  // once only
  EXPECT_EQ(mark_or_get_unsolved(f.cx, UNSOLVED_FIRST, nullptr), a);
  EXPECT_EQ(mark_or_get_unsolved(f.cx, UNSOLVED_NEXT, nullptr), c);
  EXPECT_EQ(mark_or_get_unsolved(f.cx, UNSOLVED_NEXT, nullptr), b);
  EXPECT_EQ(mark_or_get_unsolved(f.cx, UNSOLVED_NEXT, nullptr), nullptr);
}

TEST(UndefList, AddRemoveClear) {
  expr_fixture f;
  ident_node* x = f.symbol("X", nullptr);
  ident_node* y = f.symbol("Y", nullptr);
  undef_list list;
  mark_or_get_undef(f.cx, UNDEF_ADD, &list, x);
  mark_or_get_undef(f.cx, UNDEF_ADD, &list, y);
  mark_or_get_undef(f.cx, UNDEF_ADD, &list, x);
  int n = 0;
  for (undef_entry* e = list.first; e != nullptr; e = e->next) ++n;
  EXPECT_EQ(n, 2);
  mark_or_get_undef(f.cx, UNDEF_REMOVE, &list, x);
  ASSERT_NE(list.first, nullptr);
  EXPECT_EQ(list.first->symbol, y);
  EXPECT_EQ(list.first->next, nullptr);
  mark_or_get_undef(f.cx, UNDEF_CLEAR, &list, nullptr);
  EXPECT_EQ(list.first, nullptr);
}

TEST(FindLabel, FlagsPredicateAndContinuation) {
  expr_fixture f;
  ident_node* pub = f.symbol("PUB", nullptr, LBL_CREATED | LBL_PUBLIC);
  ident_node* both = f.symbol("BOTH", nullptr, LBL_CREATED | LBL_PUBLIC | LBL_LOCAL);
  f.symbol("OTHER", nullptr);
  expr_rec* e = f.eval("@OTHER @PUB + @BOTH +");
  EXPECT_EQ(find_label(f.cx, e, LBL_PUBLIC), pub);
  EXPECT_EQ(find_label(f.cx, e, LBL_PUBLIC, false), both);
  EXPECT_EQ(find_label(f.cx, e, LBL_PUBLIC, false), nullptr);
  EXPECT_EQ(find_label(f.cx, e, LBL_PUBLIC | LBL_LOCAL), both);
  auto none_of = [](uint32_t flags, uint32_t bits) { return (flags & bits) == 0; };
  EXPECT_EQ(find_label(f.cx, e, LBL_PUBLIC, true, none_of)->name, std::string("OTHER"));
}

TEST(Print, StatesAndElements) {
  expr_fixture f;
  f.external("EXT", 3);
  print_expression(f.cx, "p", make_constant(f.cx, 255));
  EXPECT_EQ(f.cap.console, "p 255(0xFF) Type: Offset\n");
  f.cap.console.clear();
  f.symbol("U", nullptr);
  print_expression(f.cx, "q", f.eval("@U"));
  EXPECT_EQ(f.cap.console, "q Not solved Type: Label\n");  // the undefined symbol is the base
  f.cap.console.clear();
  expr_rec* r = f.eval("@EXT 2 u- +");
  r->limit_kind = kLimitBoth;
  r->limit_max = 9;
  r->limit_name = "hi";
  limit_ok(f.cx, r);
  print_expression(f.cx, "r", r);
  EXPECT_EQ(f.cap.console, "r EXT extern[3] -2 + hi _?ERROR_TEXT 9 0 _?CHECK_RANGE  _?ERROR_TEXT Type: Label\n");
}

}  // namespace
