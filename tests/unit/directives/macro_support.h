// macro_support.h — pass 1 for the macro and repeat tests: a source run as
// the driver runs it, and the text of every DB line that was assembled (an
// expanded line shows its own text), so a test reads what its expansions made.
#pragma once

#include <string>

#include "driver/statement.h"
#include "support/asm_fixture.h"

class MacroTest : public AsmTest {
 protected:
  // Pass 1 on `text`; false when the run stopped. The limits of expanded
  // lines and characters may be lowered for a test.
  bool run(const std::string& text, long line_limit = 0, long char_limit = 0) {
    return !pass_one(text, [&] {
      if (line_limit > 0) cx.macros.expanded_line_limit = line_limit;
      if (char_limit > 0) cx.macros.expanded_char_limit = char_limit;
    });
  }
  // The operands of the DB lines assembled, in order, separated by " | ".
  std::string assembled() const {
    std::string out;
    for (const statement_rec* r = cx.stmt.first; r != nullptr; r = r->next) {
      if (r->kind != stmt_kind::data) continue;
      const std::string text(r->line->text, r->line->text_len);
      const std::size_t at = text.find("DB");
      std::string operands = text.substr(at + 2);
      operands.erase(0, operands.find_first_not_of(' '));
      out += (out.empty() ? "" : " | ") + operands;
    }
    return out;
  }
  // The text of every expanded line, blanks around it dropped, " | " between lines.
  std::string expanded() const {
    std::string out;
    for (const statement_rec* r = cx.stmt.first; r != nullptr; r = r->next) {
      if (!(r->expansion & (AVM_MACRO_LINE | AVM_REPEAT_LINE))) continue;
      std::string text(r->line->text, r->line->text_len);
      text.erase(0, text.find_first_not_of(' '));
      text.erase(text.find_last_not_of(' ') + 1);
      out += (out.empty() ? "" : " | ") + text;
    }
    return out;
  }

};
