// preprocessor_fixture.h — pass 1 on an in-memory source with the preprocessor
// started: every line whose operation is TOK logs the tokens of its operand
// field as the lexer delivered them, after define expansion.
#pragma once

#include <string>
#include <vector>

#include "support/asm_fixture.h"
#include "support/param_names.h"

// One TOK line: its operand tokens joined by blanks, and the column of the first.
struct tok_line {
  long line;
  std::string tokens;
  int first_column;
};

class PreprocessorTest : public AsmTest {
 protected:
  std::vector<tok_line> lines;
  bool stopped = false;

  static std::vector<tok_line>*& log() {
    static std::vector<tok_line>* target = nullptr;
    return target;
  }

  static std::string show(const token& t) {
    switch (t.kind) {
      case TOK_NUMBER: return std::to_string(t.value);
      case TOK_STRING: {
        const char q = (t.flags & TF_CHAR_QUOTES) ? '\'' : '"';
        return q + std::string(t.text, t.length) + q;
      }
      default: return std::string(t.text, t.length);
    }
  }

  static void record_tokens(asm_context& cx, const statement_call&) {
    tok_line l{cx.source.line_no, "", 0};
    for (const token* t = &next_token(cx); t->kind != TOK_EOL && t->kind != TOK_EOF; t = &next_token(cx)) {
      if (l.first_column == 0) l.first_column = t->column;
      if (!l.tokens.empty()) l.tokens += ' ';
      l.tokens += show(*t);
    }
    log()->push_back(l);
  }

  void SetUp() override {
    AsmTest::SetUp();
    log() = &lines;
  }
  void TearDown() override { log() = nullptr; }

  // Pass 1 over `text` as the driver runs it, with -D/-U already stored.
  void run(const std::string& text) {
    stopped = pass_one(text, [&] {
      init_mnemonic(cx, "TOK", 60, nullptr);
      cx.stmt.instruction = record_tokens;
    });
  }

  // The operand tokens of the TOK lines, in order.
  std::vector<std::string> tokens() const {
    std::vector<std::string> out;
    for (const tok_line& l : lines) out.push_back(l.tokens);
    return out;
  }

  // What #message printed, one entry per line.
  std::vector<std::string> messages() const {
    std::vector<std::string> out;
    const std::string tag = "#message: ";
    for (std::size_t at = cap.console.find(tag); at != std::string::npos; at = cap.console.find(tag, at + 1)) {
      const std::size_t end = cap.console.find('\n', at);
      out.push_back(cap.console.substr(at + tag.size(), end - at - tag.size()));
    }
    return out;
  }
};
