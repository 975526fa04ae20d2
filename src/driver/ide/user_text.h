// user_text.h — text the source supplies, on its way to the console (A03). In
// IDE mode the agent reads every console line by its first byte, so such text
// must neither break a line nor begin one with a marker byte.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

struct asm_context;

// Turns newlines and carriage returns into blanks, from `from` on.
void blank_line_breaks(std::string& text, std::size_t from = 0);

// Prints `prefix`, the text (up to a NUL byte) and a newline on the console.
// In IDE mode the text's line breaks become blanks, and a line that would
// begin with a marker byte begins with a blank instead.
void print_user_line(asm_context& cx, std::string_view prefix, std::string_view text);
