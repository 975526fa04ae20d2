// conditional_skip.cpp — the skipper (A12): lines of a branch that is not
// taken are not lexed; only their first words are looked at. A nested IF
// opens a group of its own (state 5) that its ENDIF closes here; the ELSE,
// ELSEIF and ENDIF that switch or end the skipped part are handed back to
// their handlers, as are END and ENDMOD, which end the module.
#include "diag/diag.h"
#include "directives/conditional.h"
#include "directives/conditional_words.h"
#include "driver/block_stack.h"
#include "driver/context.h"
#include "driver/statement.h"
#include "driver/statement_loop.h"
#include "driver/stops.h"
#include "source/char_source.h"

namespace {

long skipped_line_no(const asm_context& cx, const statement_rec* record) {
  return record != nullptr && record->line != nullptr ? record->line->line_no : cx.source.line_no;
}

// The line is used up as it stands: the file's line by moving the position,
// an expanded or generated line character by character.
line_result consume(asm_context& cx) {
  skip_line(cx);
  return line_result::consumed;
}

line_result hand_back(asm_context& cx) {
  cx.cond.hand_back = kCondHandedBack;
  return line_result::handed_back;
}

// One skipped line, with nothing of it read yet.
line_result skip_one_line(asm_context& cx, statement_rec* record, std::string_view line) {
  cond_state& c = cx.cond;
  const int klass = line_block_class(cx, c.class_words, line);
  // A macro body met while skipping: its directives are text.
  if (c.macro_depth > 0 || klass == DCLASS_MACRO || klass == DCLASS_ENDM) {
    if (klass == DCLASS_MACRO) ++c.macro_depth;
    if (klass == DCLASS_ENDM && c.macro_depth > 0) --c.macro_depth;  // a stray ENDM is ignored
    return consume(cx);
  }
  if (c.stack.empty()) {  // the skipped part was cut off: the line is assembled
    refresh_line_mode(cx);
    return line_result::handed_back;
  }
  cond_entry& top = c.stack.back();
  switch (klass) {
    case DCLASS_IF:
      // A group inside skipped lines: it opens a block like any IF, and its
      // ENDIF closes it here.
      push_block(cx, block_type::conditional, skipped_line_no(cx, record));
      ++c.if_depth;
      c.stack.push_back(cond_entry{COND_DONE, false, true});
      return consume(cx);
    case DCLASS_ELSE:
    case DCLASS_ELSEIF:
      if (top.while_skipping) return consume(cx);
      // After the taken branch: the first ELSE is skipped like its lines, a
      // second one (or an ELSEIF after it) is handed back for error 58.
      if (top.state == COND_DONE && !top.else_seen) {
        if (klass == DCLASS_ELSE) top.else_seen = true;
        return consume(cx);
      }
      return hand_back(cx);
    case DCLASS_ENDIF:
      if (cond_skip_depth(cx) == 1) return hand_back(cx);
      pop_block(cx);
      if (c.if_depth > 0) --c.if_depth;
      c.stack.pop_back();
      return consume(cx);
    case DCLASS_END:
    case DCLASS_ENDMOD:
      // The module ends here; its end reports the open IF.
      return hand_back(cx);
    default: return consume(cx);
  }
}

// Lines of the file that nobody lists and that hold no block directive are
// dropped here, one after the other, straight from the reader's line: no
// statement is made for them. The first line that needs more is left unread.
void skip_plain_file_lines(asm_context& cx) {
  source_state& s = cx.source;
  cond_state& c = cx.cond;
  while (cx.stmt.mode == line_mode::skipping && c.macro_depth == 0 && s.fast_end != 0 &&
         s.line_pos == s.line_end) {
    if (read_line(cx) == -1) return;
    --s.line_pos;  // the line's first character is read again by whoever takes it
    if (cx.stmt.mode != line_mode::skipping) return;  // an include file ended with the skipped part
    const std::string_view line(s.line, static_cast<std::size_t>(s.line_len));
    if (line_block_class(cx, c.class_words, line) != 0) return;
    s.line_pos = s.line_end;
  }
}

}  // namespace

line_result skip_conditional_line(asm_context& cx, statement_rec* record, std::string_view line) {
  cx.diag.token_column = 1;  // what is said about a skipped line is said about its start
  const line_result r = skip_one_line(cx, record, line);
  if (r == line_result::consumed && record == nullptr) skip_plain_file_lines(cx);
  return r;
}

void skipping_at_end_of_input(asm_context& cx) {
  cx.diag.token_column = 1;
  if (!cx.cond.stack.empty())
    user_error(cx, gen_err::cond_unbalanced);
  else if (blocks_of_type(cx, block_type::repeat) > 0)
    user_error(cx, gen_err::repeat_end_missing);
  else
    user_error(cx, gen_err::unexpected_eof);
  if (!cx.driver.opt.ignore_errors) fatal_exit(cx);
  cut_blocks(cx, 0);
}
