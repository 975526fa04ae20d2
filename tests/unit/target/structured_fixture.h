// structured_fixture.h — structured assembly on its own (statements expanded
// one by one into text) and inside the statement loop, with the mnemonics the
// expansions use registered so that their lines are read as instructions.
#pragma once

#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "driver/statement_loop.h"
#include "source/preprocessor.h"
#include "support/asm_fixture.h"
#include "target/operand_grammar.h"
#include "target/structured.h"
#include "target/target_state.h"

// An instruction line as an instruction path saw it.
struct seen_line {
  std::string mnemonic;
  std::string operands;  // the operand tokens as the lexer delivered them, joined
  bool structured;       // read while the generated lines were the source
  std::string text;      // the generated line as the loop can list it
};

inline std::vector<seen_line>* g_seen = nullptr;

inline void record_instruction(asm_context& cx, const statement_call& call) {
  seen_line s{call.operation->name, "", structured_line_active(cx), std::string(structured_line_text(cx))};
  for (;;) {
    const token& t = next_token(cx);
    if (t.kind == TOK_EOL || t.kind == TOK_EOF) break;
    s.operands += t.kind == TOK_NUMBER ? std::to_string(t.value) : std::string(t.text, t.length);
  }
  if (g_seen != nullptr) g_seen->push_back(s);
}

class StructuredTest : public AsmTest {
 protected:
  std::vector<seen_line> seen;
  void (*before_loop)(asm_context& cx) = nullptr;  // more registrations for one test

  void SetUp() override {
    AsmTest::SetUp();
    register_operators(cx);  // the target registered the registers
    cx.driver.opt.all_warnings = 1;
    g_seen = &seen;
  }
  void TearDown() override { g_seen = nullptr; }

  void core(int processor_option) { cx.driver.opt.processor_option = processor_option; }

  // The lines of `script` (one statement a line: directive and operands)
  // expanded one after the other; the generated text of all of them.
  std::string expand(const std::string& script) {
    std::string out;
    std::istringstream in(script);
    std::string line;
    stops([&] {
      while (std::getline(in, line)) {
        const std::size_t start = line.find_first_not_of(' ');
        if (start == std::string::npos) continue;
        std::size_t end = line.find(' ', start);
        if (end == std::string::npos) end = line.size();
        cx.source.line_no++;
        expand_structured_statement(cx, line.substr(start, end - start), std::string_view(line).substr(end),
                                    static_cast<int>(end) + 1);
        out += target_of(cx).structured.text;
      }
    });
    return out;
  }

  // A program in pieces, in order: a piece that starts with a tab is a line
  // written by hand, any other is a script to expand.
  std::string program(std::initializer_list<std::string> pieces) {
    std::string out;
    for (const std::string& p : pieces) out += !p.empty() && p[0] == '\t' ? p : expand(p);
    return out;
  }

  // Generated text written with tabs, as emit_line lays it out at tab width 8.
  static std::string tabs(const std::string& compact) {
    std::string out;
    std::size_t line_start = 0;
    for (char c : compact) {
      if (c == '\n') {
        out += c;
        line_start = out.size();
      } else if (c == '\t') {
        out.append(8 - (out.size() - line_start) % 8, ' ');
      } else {
        out += c;
      }
    }
    return out;
  }

  // Pass 1 over `text` with the generated mnemonics logged by an instruction path.
  void run(const std::string& text) {
    const bool stopped = pass_one(text, [&] {
      cx.stmt.instruction = record_instruction;  // the target's mnemonics, logged instead of assembled
      if (before_loop != nullptr) before_loop(cx);
    });
    if (!stopped) stops([&] { end_structured_pass(cx); });
  }

  std::vector<std::string> mnemonics() const {
    std::vector<std::string> out;
    for (const seen_line& s : seen) out.push_back(s.mnemonic);
    return out;
  }
};
