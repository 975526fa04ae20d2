// char_source.h — the characters the lexer reads: the file line reader at the
// bottom of the character-source stack, push-back, redirection (A05) and the
// io status stack (A06). The hot paths are inline: one comparison per character.
#pragma once

#include "driver/context.h"
#include "source/reader.h"

// Next character of the current physical line; a new line is read when this
// one is used up. -1 only when the main file is exhausted. Never 0: a NUL byte
// in a file is read as a blank.
inline int read_line(asm_context& cx) {
  source_state& s = cx.source;
  if (s.line_pos < s.line_end) return static_cast<unsigned char>(s.line[s.line_pos++]);
  return read_next_line(cx);
}

int get_char_slow(asm_context& cx);
void unget_char_slow(asm_context& cx, int c);

// Next character of the current source: the newest pushed-back character if
// there is one, else the source's read function; a 0 from a source above the
// file ends that source and the one beneath goes on.
inline int get_char(asm_context& cx) {
  source_state& s = cx.source;
  if (s.line_pos < s.fast_end) return static_cast<unsigned char>(s.line[s.line_pos++]);
  return get_char_slow(cx);
}

// Pushes `c` back onto the current source (at most kPushBackSize per source,
// else internal error "buffer full").
inline void unget_char(asm_context& cx, int c) {
  source_state& s = cx.source;
  // Giving back the character just read from the line only moves the position.
  if (s.fast_end != 0 && s.line_pos > 0 && static_cast<unsigned char>(s.line[s.line_pos - 1]) == c) {
    --s.line_pos;
    return;
  }
  unget_char_slow(cx, c);
}

// Makes `read` the current source, covering the one active now until `read`
// yields 0. A function already in the table reuses its entry and push-back
// buffer. Returns false (internal error "array too small") when the table of
// kMaxCharSources entries is full.
bool redirect_input(asm_context& cx, char_reader read);

// True while a source above the file is active.
inline bool input_redirected(const asm_context& cx) { return cx.source.source_top != nullptr; }

// Throws away the rest of the current line of the current source, up to and
// including its newline (error recovery, false groups, comments).
void skip_line(asm_context& cx);

// io status stack (A06): the lexer saves its input state when its input is
// redirected and takes it back when that input ends.
void push_io_status(asm_context& cx, const io_status& status);
// The newest saved state; internal error "no stack" (and a cleared state) when empty.
io_status pop_io_status(asm_context& cx);
bool io_status_empty(const asm_context& cx);
