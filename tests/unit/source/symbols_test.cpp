// symbols_test.cpp — the symbol table (A07): keyword and user-symbol case
// rules, chains of same-name nodes, registrations and their internal errors,
// node removal, label records and the sorted walk.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "support/asm_fixture.h"
#include "support/param_names.h"
#include "target/keywords_78k0.h"

namespace {

class Symbols : public AsmTest {
 protected:
  // The table with the target's character and word registrations only: the
  // tests register their own mnemonics, registers and directives.
  void SetUp() override {
    for (auto& entry : cx.driver.opt.warning_enable_table) entry = 1;
    cx.driver.pass1 = 1;
    init_symbol_table(cx);
    register_78k0_keywords(cx);
  }
  ident_node* look(const char* name, bool create = true) { return check_ident(cx, name, std::strlen(name), create); }
  bool internal(const char* diagnostic) const {
    return cap.console.find(std::string("Diagnostic: ") + diagnostic + "\n") != std::string::npos;
  }
};

constexpr int kDummyEntry = 0;

// ---- Case rules ---------------------------------------------------------------

struct case_row {
  const char* written;
  ident_kind found;  // KIND_USER: no keyword; a user symbol is made
};

class KeywordCase : public Symbols, public ::testing::WithParamInterface<case_row> {
 protected:
  void SetUp() override {
    Symbols::SetUp();
    init_directive(cx, "End", &kDummyEntry, DCLASS_END);  // stored as END
    init_directive(cx, "sfr", &kDummyEntry, DCLASS_ORDINARY, KEEP_CASE);
    init_register(cx, "ax", 32);
    register_keyword(cx, "define", KIND_PREPROCESSOR, 1, 0, nullptr, KEEP_CASE);
    init_directive(cx, "DEFINE", &kDummyEntry, DCLASS_ORDINARY);
    register_keyword(cx, "line", KIND_PREPROCESSOR, 2, 0, nullptr, KEEP_CASE);
  }
};

TEST_P(KeywordCase, FoundAs) {
  const case_row& r = GetParam();
  ident_node* n = look(r.written);
  ASSERT_NE(n, nullptr);
  EXPECT_EQ(n->kind, r.found) << r.written;
}

INSTANTIATE_TEST_SUITE_P(
    Rules, KeywordCase,
    ::testing::Values(case_row{"END", KIND_DIRECTIVE}, case_row{"end", KIND_DIRECTIVE}, case_row{"eNd", KIND_DIRECTIVE},
                      case_row{"AX", KIND_REGISTER}, case_row{"Ax", KIND_REGISTER},
                      case_row{"sfr", KIND_DIRECTIVE},   // kept as registered: only this spelling
                      case_row{"SFR", KIND_USER}, case_row{"Sfr", KIND_USER},
                      case_row{"define", KIND_DIRECTIVE},  // the directive, not "#define"
                      case_row{"line", KIND_USER},         // preprocessor words are no one's label
                      case_row{"Line", KIND_USER}, case_row{"SADDR", KIND_SUFFIX}, case_row{"saddr", KIND_SUFFIX},
                      case_row{"cy", KIND_TARGET_SYMBOL}, case_row{"word", KIND_SFR_TYPE}),
    [](const auto& info) { return std::string(info.param.written); });

TEST_F(Symbols, StoredNamesOfKeywords) {
  EXPECT_STREQ(init_directive(cx, "caseon", &kDummyEntry, DCLASS_ORDINARY)->name, "CASEON");
  EXPECT_STREQ(init_directive(cx, "const", &kDummyEntry, DCLASS_ORDINARY, KEEP_CASE)->name, "const");
  EXPECT_STREQ(look("SADDR")->name, "SADDR");
}

TEST_F(Symbols, PreprocessorWordFoundByItsKindOnly) {
  ident_node* pre = register_keyword(cx, "line", KIND_PREPROCESSOR, 2, 0, nullptr, KEEP_CASE);
  ident_node* user = look("line");
  ASSERT_NE(user, pre);
  EXPECT_EQ(user->kind, KIND_USER);
  EXPECT_EQ(find_node(cx, "line", 4, KIND_PREPROCESSOR), pre);
  EXPECT_EQ(find_kind(user, KIND_PREPROCESSOR), pre);  // one chain: the user symbol first
  EXPECT_EQ(look("line"), user);
}

TEST_F(Symbols, DefineOfExactNameComesFirst) {
  init_mnemonic(cx, "MOV", 35, nullptr);
  ident_node* def = register_keyword(cx, "mov", KIND_DEFINE, 0, 0, nullptr, KEEP_CASE);
  EXPECT_EQ(look("mov"), def);
  EXPECT_EQ(look("MOV")->kind, KIND_MNEMONIC);
  EXPECT_EQ(look("Mov")->kind, KIND_MNEMONIC);
}

TEST_F(Symbols, UserSymbolsCaseSensitive) {
  cx.symbols.user_case_sensitive = true;
  ident_node* a = look("Loop");
  ident_node* b = look("LOOP");
  EXPECT_NE(a, b);
  EXPECT_EQ(look("Loop"), a);
}

TEST_F(Symbols, UserSymbolsCaseInsensitive) {
  cx.symbols.user_case_sensitive = false;
  ident_node* a = look("Loop");
  EXPECT_EQ(look("LOOP"), a);
  EXPECT_EQ(look("loop"), a);
  EXPECT_STREQ(a->name, "Loop");  // the name as first written
  EXPECT_EQ(look("LOOPS")->kind, KIND_USER);
  EXPECT_NE(look("LOOPS"), a);
}

TEST_F(Symbols, MacroNamesFollowTheUserCaseRule) {
  cx.symbols.user_case_sensitive = false;
  ident_node* m = look("MyMac");
  m->kind = KIND_MACRO;
  EXPECT_EQ(look("MYMAC"), m);
  cx.symbols.user_case_sensitive = true;
  EXPECT_NE(look("MYMAC"), m);
}

// Spellings of one name made while case counted: a lookup that ignores case
// finds the oldest left, whatever was removed and however many there are.
TEST_F(Symbols, SpellingsOfOneNameWhenCaseIsIgnored) {
  cx.symbols.user_case_sensitive = true;
  std::vector<ident_node*> made;
  for (const char* name : {"abc", "ABC", "aBc"}) made.push_back(look(name));
  register_keyword(cx, "AbC", KIND_DEFINE, 0, -1, nullptr, KEEP_CASE);  // defines count only as written
  cx.symbols.user_case_sensitive = false;
  const struct {
    ident_node* removed;       // before the lookup; nullptr: none
    ident_node* found;         // by a spelling not made: "abC"
  } steps[] = {{nullptr, made[0]}, {made[1], made[0]}, {made[0], made[2]}, {made[2], nullptr}};
  for (const auto& step : steps) {
    if (step.removed != nullptr) delete_node(cx, step.removed);
    EXPECT_EQ(look("abC", false), step.found);
  }
  ident_node* again = look("ABc");
  EXPECT_EQ(look("abc", false), again);
}

TEST_F(Symbols, CheckIdentWithoutCreate) {
  EXPECT_EQ(look("ABSENT", false), nullptr);
  EXPECT_EQ(cx.symbols.current, nullptr);
  ident_node* n = look("ABSENT");
  EXPECT_EQ(cx.symbols.current, n);
}

// ---- Chains -------------------------------------------------------------------

TEST_F(Symbols, KeywordsOfDifferentKindsShareAName) {
  ident_node* seg = insert_segment_type_in_tree(cx, "CODE", 1);
  ident_node* dir = init_directive(cx, "CODE", &kDummyEntry, DCLASS_ORDINARY);
  ident_node* head = look("code");
  EXPECT_EQ(head, seg);
  EXPECT_EQ(find_kind(head, KIND_DIRECTIVE), dir);
  EXPECT_EQ(find_kind(head, KIND_SEGMENT_TYPE), seg);
  EXPECT_EQ(find_kind(head, KIND_MNEMONIC), nullptr);
}

TEST_F(Symbols, OperatorsAndDelimitersOfOneCharacter) {
  ident_node* op = init_operator(cx, "(", 26, 1, nullptr);
  ident_node* head = check_ident(cx, "(", 1, false);
  EXPECT_EQ(find_kind(head, KIND_DELIMITER)->keyword.code, 26);
  EXPECT_EQ(find_kind(head, KIND_OPERATOR), op);
}

// ---- Registration errors ------------------------------------------------------

TEST_F(Symbols, DuplicateRegistrationIsInternalError) {
  init_sfr_type(cx, "READX", 1);
  EXPECT_TRUE(stops([&] { init_sfr_type(cx, "readx", 2); }));
  EXPECT_TRUE(internal("ID 'READX' duplicated ")) << cap.console;
}

TEST_F(Symbols, DuplicateInIdeModeIsSentAsNoteAndStops) {
  cx.driver.ide_mode = 1;
  cap.table.entries.formatted_message = [](void* user, int, const char* format, std::va_list args) {
    char text[1025];
    std::vsnprintf(text, sizeof text, format, args);
    static_cast<capture_table*>(user)->console += text;
  };
  ident_node* first = init_prefix(cx, "Q", 7);
  EXPECT_TRUE(stops([&] { init_prefix(cx, "Q", 9); }));
  EXPECT_EQ(first->keyword.code, 7);
  EXPECT_NE(cap.console.find("Diagnostic: ID 'Q' duplicated "), std::string::npos) << cap.console;
}

TEST_F(Symbols, NoTableIsInternalError) {
  asm_context bare{cap.table};
  EXPECT_TRUE(stops([&] { check_ident(bare, "X", 1); }));
  EXPECT_TRUE(internal("No symb_tree_root")) << cap.console;
  EXPECT_NE(cap.console.find("In function: check_ident_A07"), std::string::npos);
}

TEST_F(Symbols, MnemonicIndexGuard) {
  EXPECT_NE(init_mnemonic(cx, "XOR", 63, nullptr), nullptr);
  EXPECT_TRUE(stops([&] { init_mnemonic(cx, "BIG", 64, nullptr); }));
  EXPECT_TRUE(internal("Instr.size too large"));
}

TEST_F(Symbols, OperatorCodeGuard) {
  EXPECT_NE(init_operator(cx, "SHR", 159, 4, nullptr), nullptr);
  EXPECT_TRUE(stops([&] { init_operator(cx, "BAD", 160, 4, nullptr); }));
  EXPECT_TRUE(internal("Index too large"));
}

struct class_limit {
  const char* name;
  int klass;
  int room;
  const char* diagnostic;
};

class DirectiveClassLimits : public Symbols, public ::testing::WithParamInterface<class_limit> {};

TEST_P(DirectiveClassLimits, FullClassIsInternalError) {
  const class_limit& c = GetParam();
  std::vector<std::string> names;
  for (int i = 0; i <= c.room; ++i) names.push_back("D" + std::to_string(c.klass) + "_" + std::to_string(i));
  for (int i = 0; i < c.room; ++i) ASSERT_NE(init_directive(cx, names[i].c_str(), &kDummyEntry, c.klass), nullptr);
  EXPECT_FALSE(internal(c.diagnostic));
  EXPECT_TRUE(stops([&] { init_directive(cx, names[c.room].c_str(), &kDummyEntry, c.klass); }));
  EXPECT_TRUE(internal(c.diagnostic)) << cap.console;
  EXPECT_EQ(directive_class_count(cx, c.klass), c.room);
  EXPECT_EQ(directive_class_name(cx, c.klass, c.room - 1)->name, names[c.room - 1]);
}

INSTANTIATE_TEST_SUITE_P(
    Classes, DirectiveClassLimits,
    ::testing::Values(class_limit{"MACRO", DCLASS_MACRO, 8, "Can't store MACRO"},
                      class_limit{"ENDM", DCLASS_ENDM, 8, "Can't store ENDM"},
                      class_limit{"REPT", DCLASS_REPT, 8, "Can't store REPT"},
                      class_limit{"REPTI", DCLASS_REPTI, 8, "Can't store REPTI"},
                      class_limit{"REPTC", DCLASS_REPTC, 8, "Can't store REPTC"},
                      class_limit{"ENDR", DCLASS_ENDR, 8, "Can't store ENDR"},
                      class_limit{"END", DCLASS_END, 8, "Can't store END"},
                      class_limit{"ENDMOD", DCLASS_ENDMOD, 8, "Can't store END"},
                      class_limit{"IF", DCLASS_IF, 19, "Table too small"}),
    by_name);

TEST_F(Symbols, ConditionalClassesShareTheirTable) {
  for (int i = 0; i < 10; ++i) init_directive(cx, ("IFX" + std::to_string(i)).c_str(), &kDummyEntry, DCLASS_IF);
  for (int i = 0; i < 9; ++i) init_directive(cx, ("ELX" + std::to_string(i)).c_str(), &kDummyEntry, DCLASS_ELSE);
  EXPECT_TRUE(stops([&] { init_directive(cx, "ENDIFX", &kDummyEntry, DCLASS_ENDIF); }));
  EXPECT_TRUE(internal("Table too small"));
  EXPECT_EQ(directive_class_count(cx, DCLASS_ELSE), 9);
  EXPECT_STREQ(directive_class_name(cx, DCLASS_ELSE, 0)->name, "ELX0");
  EXPECT_EQ(directive_class_name(cx, DCLASS_ENDIF, 0), nullptr);
  EXPECT_EQ(look("ordinary")->kind, KIND_USER);
  EXPECT_NE(init_directive(cx, "ORDINARY", &kDummyEntry, DCLASS_ORDINARY), nullptr);  // class 0 has no limit
}

TEST_F(Symbols, RegisterNames) {
  init_register(cx, "X", 0);
  init_register(cx, "R0", 0);
  init_register(cx, "AX", 32);
  EXPECT_STREQ(get_register_name(cx, 0), "X");  // the first name registered for the code
  EXPECT_STREQ(get_register_name(cx, 32), "AX");
  EXPECT_TRUE(stops([&] { get_register_name(cx, 5); }));
  EXPECT_TRUE(internal("No register"));
}

// ---- Removal ------------------------------------------------------------------

TEST_F(Symbols, DeleteHeadMiddleAndLastOfAChain) {
  ident_node* user = look("TRIO");
  ident_node* dir = init_directive(cx, "TRIO", &kDummyEntry, DCLASS_ORDINARY);
  ident_node* mn = init_mnemonic(cx, "TRIO", 5, nullptr);
  ASSERT_EQ(look("TRIO"), dir);  // keywords before user symbols
  delete_node(cx, dir);
  EXPECT_EQ(look("TRIO"), mn);
  EXPECT_EQ(find_kind(look("TRIO"), KIND_USER), user);
  delete_node(cx, user);
  EXPECT_EQ(look("TRIO"), mn);
  EXPECT_EQ(mn->same_name, nullptr);
  delete_node(cx, mn);
  ident_node* fresh = look("TRIO");
  EXPECT_EQ(fresh->kind, KIND_USER);
  EXPECT_NE(fresh, user);
  EXPECT_EQ(recollect_ident_node(cx, fresh), fresh);
  EXPECT_TRUE(stops([&] { recollect_ident_node(cx, user); }));
  EXPECT_TRUE(internal("Didn't find node"));
}

TEST_F(Symbols, DeleteMarkedNodes) {
  std::vector<ident_node*> nodes;
  for (int i = 0; i < 50; ++i) nodes.push_back(look(("LOC" + std::to_string(i)).c_str()));
  for (int i = 0; i < 50; i += 2) mark_unmark_node(cx, nodes[i], true);
  mark_unmark_node(cx, nodes[4], false);
  const uint32_t before = cx.symbols.node_count;
  EXPECT_EQ(delete_marked_nodes(cx), 24);
  EXPECT_EQ(cx.symbols.node_count, before - 24);
  EXPECT_EQ(look("LOC4", false), nodes[4]);
  EXPECT_EQ(look("LOC3", false), nodes[3]);
  EXPECT_EQ(look("LOC6", false), nullptr);
}

TEST_F(Symbols, DeletingAnAbsentNodeIsInternalError) {
  ident_node* n = look("ONCE");
  delete_node(cx, n);
  EXPECT_TRUE(stops([&] { delete_node(cx, n); }));
  EXPECT_NE(cap.console.find("In function: delete_node_A05"), std::string::npos);
}

// ---- Label records --------------------------------------------------------------

TEST_F(Symbols, LabelRecordTakesTheCurrentSegment) {
  label_rec* r = init_label_rec(cx, look("HERE"), 1, 3);
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(r->segment_type, 1);
  EXPECT_EQ(r->segment_index, 3);
  EXPECT_EQ(r->flags, uint32_t{LBL_CREATED | LBL_UNDEFINED});
  EXPECT_EQ(r->owner, look("HERE"));
  EXPECT_EQ(r->block, -1);
  EXPECT_EQ(init_label_rec(cx, look("HERE"), 1, 4), r);  // the record moves to the segment given
  EXPECT_EQ(r->segment_index, 4);
}

TEST_F(Symbols, LabelRecordOnKeywordIsBadLabel) {
  cx.diag.token_column = 3;
  EXPECT_EQ(init_label_rec(cx, look("CY"), 0, 0), nullptr);
  std::vector<shown_diag> d = diagnostics();
  ASSERT_EQ(d.size(), 1u);
  EXPECT_EQ(d[0].number, 41);
  EXPECT_EQ(d[0].text, "Bad label");
}

TEST_F(Symbols, ReferencedSymbolGetsAnUndefinedRecord) {
  label_rec* r = get_label_rec(cx, look("LATER"));
  ASSERT_NE(r, nullptr);
  EXPECT_TRUE(r->flags & LBL_UNDEFINED);
  EXPECT_EQ(get_label_rec(cx, look("LATER")), r);
  EXPECT_EQ(get_label_rec(cx, look("CY")), nullptr);
}

// ---- Sorted walk and growth ----------------------------------------------------

void collect(asm_context&, ident_node* node, void* user) {
  static_cast<std::vector<std::string>*>(user)->push_back(node->name);
}

TEST_F(Symbols, WalkIsByteWiseSortedPrefixFirst) {
  asm_context fresh{cap.table};
  init_symbol_table(fresh);
  std::vector<std::string> names = {"b", "AB", "A", "_x", "a", "ABC", "?q", "Z9", "Z", "@", "AA"};
  std::mt19937 rng(7);
  std::shuffle(names.begin(), names.end(), rng);
  for (const std::string& n : names) check_ident(fresh, n.c_str(), n.size());
  std::vector<std::string> seen;
  walk_symbols_sorted(fresh, collect, &seen);
  std::vector<std::string> want = {"?q", "@", "A", "AA", "AB", "ABC", "Z", "Z9", "_x", "a", "b"};
  EXPECT_EQ(seen, want);
}

TEST_F(Symbols, WalkVisitsEveryNodeOfAChain) {
  asm_context fresh{cap.table};
  init_symbol_table(fresh);
  insert_segment_type_in_tree(fresh, "CODE", 1);
  init_directive(fresh, "CODE", &kDummyEntry, DCLASS_ORDINARY);
  check_ident(fresh, "B", 1);
  std::vector<std::string> seen;
  walk_symbols_sorted(fresh, collect, &seen);
  EXPECT_EQ(seen, (std::vector<std::string>{"B", "CODE", "CODE"}));
}

TEST_F(Symbols, ManyNamesStayFoundWhileTheTableGrows) {
  std::vector<ident_node*> nodes;
  for (int i = 0; i < 20000; ++i) nodes.push_back(look(("N" + std::to_string(i * 7919 % 20011)).c_str()));
  EXPECT_GT(cx.symbols.bucket_count, 20000u);
  for (int i = 0; i < 20000; ++i) ASSERT_EQ(look(("N" + std::to_string(i * 7919 % 20011)).c_str(), false), nodes[i]);
  std::vector<std::string> seen;
  walk_symbols_sorted(cx, collect, &seen);
  EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
}

}  // namespace
