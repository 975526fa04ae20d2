// operand_fixture.h — the operand grammar on an in-memory source with the
// target's keywords, symbols made through the symbol table, and the numbers
// of the diagnostics it printed.
#pragma once

#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "driver/context.h"
#include "driver/stops.h"
#include "expr/expression.h"
#include "source/char_source.h"
#include "source/lexer.h"
#include "source/symbols.h"
#include "support/capture.h"
#include "support/segment_support.h"
#include "target/keywords_78k0.h"
#include "target/operand_grammar.h"
#include "target/target_state.h"

class OperandTest : public ::testing::Test {
 protected:
  capture_table cap;
  asm_context cx{cap.table};
  operand_desc ops[4] = {};

  void SetUp() override {
    for (auto& entry : cx.driver.opt.warning_enable_table) entry = 1;
    cx.driver.pass1 = 1;
    init_symbol_table(cx);
    register_78k0_keywords(cx);
    register_operand_keywords(cx);
  }

  void TearDown() override {
    close_include_files(cx);
    if (cx.driver.files.source != nullptr) cap.table.close_file(cx.driver.files.source);
    cx.driver.files.source = nullptr;
  }

  // The source of the test: one or more lines.
  void start(const std::string& text) {
    ASSERT_EQ(cx.driver.files.source, nullptr) << "one source per test";
    cap.files["main.s26"] = text;
    cx.driver.files.source = cap.table.open_file("main.s26", "rt");
    cx.driver.files.source_name = "main.s26";
    if (cx.driver.include_paths.empty()) cx.driver.include_paths = {""};
    source_start(cx);
    init_lexer(cx);
  }
  // Runs one operand field (the text after the mnemonic, with its blank).
  int parse_operands(const std::string& field, int max = 2) {
    start(field + "\n");
    return run_operands(max);
  }
  // Runs the next line of the started source as an operand field.
  int run_operands(int max = 2) {
    for (auto& d : ops) d = operand_desc{};
    init_parse(cx, ops, max, nullptr, 0);
    return guarded([&] { return yyparse(cx); });
  }
  // Runs one line in expression mode.
  int parse_expression(const std::string& text, expr_rec** out, uint32_t flags = 0, ident_node* label = nullptr,
                       segment_rec* seg = nullptr) {
    start(text + "\n");
    *out = nullptr;
    init_parse(cx, nullptr, 0, out, flags, label, seg);
    return guarded([&] { return yyparse(cx); });
  }
  // The value of an expression that must fold to a number.
  int32_t value_of(const std::string& text) {
    expr_rec* e = nullptr;
    EXPECT_EQ(parse_expression(text, &e), PARSE_OK) << text;
    if (e == nullptr) return INT32_MIN;
    EXPECT_EQ(e->state, EXPR_ABSOLUTE) << text;
    return e->value;
  }

  // A user symbol with a value (state 1, or 2 with a segment).
  ident_node* define(const std::string& name, int32_t value, uint16_t segment = 0) {
    ident_node* n = user(name);
    expr_rec* e = make_constant(cx, value);
    if (segment != 0) e->state = EXPR_RELATIVE, e->segment = segment;
    n->label->value = e;
    n->label->flags &= ~LBL_UNDEFINED;
    return n;
  }
  ident_node* user(const std::string& name) {
    ident_node* n = check_ident(cx, name.c_str(), name.size(), true);
    get_label_rec(cx, n);
    return n;
  }
  segment_rec* segment(const std::string& name, uint16_t number, uint8_t kind = SEG_RELOCATABLE) {
    return make_test_segment(cx, user(name), number, kind);
  }

  // The numbers of the diagnostics printed so far, "E0", "W15", in order.
  std::vector<std::string> diags() const {
    std::vector<std::string> out;
    static const std::regex heading("(Error|Warning)\\[(\\d+)\\]");
    for (std::sregex_iterator it(cap.console.begin(), cap.console.end(), heading), end; it != end; ++it)
      out.push_back(((*it)[1] == "Error" ? "E" : "W") + (*it)[2].str());
    return out;
  }

  // The token the run left unread must end the field.
  void expect_field_end(token_kind kind = TOK_EOL) {
    const token& t = next_token(cx);
    EXPECT_EQ(t.kind, kind);
  }

  template <class F>
  int guarded(F f) {
    try {
      return f();
    } catch (const run_stop&) {
      ADD_FAILURE() << "run stopped: " << cap.console;
      return -1;
    }
  }
};
