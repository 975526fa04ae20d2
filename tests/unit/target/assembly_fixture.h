// assembly_fixture.h — a source assembled in-process as far as the assembler
// goes today: pass 1 through the statement loop (preprocessor included), the
// re-solving after it, and gen_instruction on every instruction statement.
// What each line produced (bytes, linker fields) and the diagnostics printed
// are read back by line.
#pragma once

#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "directives/segments.h"
#include "driver/code_sink.h"
#include "driver/statement.h"
#include "expr/expression.h"
#include "expr/operators.h"
#include "support/asm_fixture.h"
#include "source/preprocessor.h"
#include "target/target.h"

class AssemblyTest : public AsmTest {
 protected:
  // What gen_instruction wrote for one line of the main file.
  struct line_code {
    std::vector<uint8_t> bytes;
    bool ok = false;           // gen_instruction succeeded
    int fields = 0;            // linker fields among the units
  };
  std::map<long, line_code> code;  // by line of the main file
  bool stopped = false;              // a fatal or internal error ended the run

  // Runs after the start-up, before pass 1 (segments, symbols a test needs).
  std::function<void()> before_pass1;

  // Assembles `text` as the file `name`; `files` are further files (includes).
  void assemble(const std::string& text, int option = 0, const std::string& name = "main.s26",
                const std::map<std::string, std::string>& files = {}) {
    for (const auto& [n, t] : files) cap.files[n] = t;
    cap.files[name] = text;
    main_name = name;
    cx.driver.files.source = cap.table.open_file(name.c_str(), "rt");
    cx.driver.files.source_name = main_name.c_str();
    if (cx.driver.include_paths.empty()) cx.driver.include_paths = {""};
    cx.driver.opt.processor_option = option;
    source_start(cx);
    init_lexer(cx);
    cx.symbols = symbol_state{};
    start_statements(cx);
    register_operators(cx);
    reset_segments(cx);
    cx.expr.reset_for_module();
    if (before_pass1) before_pass1();
    cx.driver.pass1 = 1;
    stopped = stops([&] {
      start_preprocessor(cx);
      statement_loop(cx);
      end_preprocessor_pass(cx);
    });
    cx.driver.pass1 = 0;
    if (!stopped) stopped = stops([&] { encode_all(); });
  }

  // The statement of a line of the main file, or null.
  statement_rec* statement_at(long line) {
    for (statement_rec* r = cx.stmt.first; r != nullptr; r = r->next)
      if (r->line != nullptr && r->line->line_no == line && main_name == r->line->file_name) return r;
    return nullptr;
  }

  // Encodes the statement of `line` again; its linker fields can be read from
  // the sink until the next encoding.
  code_sink encode(long line) {
    code_sink sink;
    statement_rec* r = statement_at(line);
    if (r != nullptr) stops([&] { gen_instruction(cx, r, sink); });
    return sink;
  }

  // The bytes of a line as "8E 34 12".
  std::string hex(long line) const {
    auto it = code.find(line);
    return it == code.end() ? std::string("(no code)") : hex_of(it->second.bytes);
  }

  static std::string hex_of(const std::vector<uint8_t>& bytes) {
    std::string out;
    for (uint8_t b : bytes) {
      char t[4];
      std::snprintf(t, sizeof t, "%02X", b);
      if (!out.empty()) out += ' ';
      out += t;
    }
    return out;
  }

  // A linker field's expression in postfix order, one word an element:
  // numbers in hex (with ":seg" when relative), symbols by name, operators by
  // spelling, checks as "CHECK", message texts in quotes.
  static std::string postfix_text(const expr_rec* e) {
    std::string out;
    auto word = [&](const std::string& w) {
      if (!out.empty()) out += ' ';
      out += w;
    };
    if (e->state == EXPR_ABSOLUTE || e->state == EXPR_RELATIVE) {
      char t[32];
      std::snprintf(t, sizeof t, "%X", static_cast<unsigned>(e->value));
      return t;
    }
    for (const postfix_elem* p = e->list->first; p != nullptr && p->kind != PF_END; p = p->next) {
      char t[32];
      switch (p->kind) {
        case PF_CONSTANT:
          std::snprintf(t, sizeof t, p->segment ? "%X:%u" : "%X", static_cast<unsigned>(p->payload.value), p->segment);
          word(t);
          break;
        case PF_SYMBOL: word(p->payload.symbol->name); break;
        case PF_STRING: word(std::string("\"") + (p->payload.text ? p->payload.text : "") + "\""); break;
        case PF_OPERATOR: {
          const uint16_t c = p->payload.op.code;
          word(c == OP_CHECK_RANGE ? "CHECK" : c == OP_ERROR_TEXT ? "TEXT" : operator_spelling(c));
          break;
        }
        default: word("?"); break;
      }
    }
    return out;
  }

  // The expressions of the linker fields of a line, in order.
  std::vector<std::string> fields(long line) {
    std::vector<std::string> out;
    code_sink sink = encode(line);
    for (const code_unit& u : sink.units)
      if (u.flags & CODE_FIELD) out.push_back(std::to_string(u.size) + ": " + postfix_text(u.expr));
    return out;
  }

  // Assembles `source` (END appended): it must give exactly `want`, text included.
  void expect_only_diagnostic(const std::string& source, int option, const shown_diag& want) {
    assemble(source + "        END\n", option);
    ASSERT_FALSE(stopped) << cap.console;
    const std::vector<shown_diag> got = diagnostics();
    ASSERT_EQ(got.size(), 1u) << cap.console;
    EXPECT_EQ(got[0], want) << cap.console;
    EXPECT_EQ(got[0].text, want.text);
  }

  std::string main_name;

 private:
  void encode_all() {
    resolve_unsolved(cx);
    code_sink sink;
    for (statement_rec* r = cx.stmt.first; r != nullptr; r = r->next) {
      if (r->kind != stmt_kind::instruction || r->line == nullptr || main_name != r->line->file_name) continue;
      sink.clear();
      line_code& c = code[r->line->line_no];
      c.ok = gen_instruction(cx, r, sink);
      c.bytes = sink.bytes;
      for (const code_unit& u : sink.units) c.fields += (u.flags & CODE_FIELD) ? 1 : 0;
    }
  }
};
