// operand_fixture.h — the operand grammar on an in-memory source with the
// target's keywords: operand fields and expressions parsed line by line.
#pragma once

#include <string>

#include "expr/expression.h"
#include "support/asm_fixture.h"
#include "support/param_names.h"
#include "target/operand_grammar.h"
#include "target/target_state.h"

class OperandTest : public AsmTest {
 protected:
  operand_desc ops[4] = {};

  void SetUp() override {
    AsmTest::SetUp();
    register_operators(cx);  // the target registered the registers
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
  // Runs one line, or with `text` null the next line, in expression mode.
  int parse_expression(const char* text, expr_rec** out, uint32_t flags = 0, ident_node* label = nullptr,
                       segment_rec* seg = nullptr) {
    if (text != nullptr) start(std::string(text) + "\n");
    *out = nullptr;
    init_parse(cx, nullptr, 0, out, flags, label, seg);
    return guarded([&] { return yyparse(cx); });
  }
  // The value of an expression that must fold to a number.
  int32_t value_of(const char* text) {
    expr_rec* e = nullptr;
    EXPECT_EQ(parse_expression(text, &e), PARSE_OK) << text;
    if (e == nullptr) return INT32_MIN;
    EXPECT_EQ(e->state, EXPR_ABSOLUTE) << text;
    return e->value;
  }

  // The token the run left unread must end the field.
  void expect_field_end(token_kind kind = TOK_EOL) { EXPECT_EQ(next_token(cx).kind, kind); }

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
