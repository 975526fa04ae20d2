// user_text.cpp — text the source supplies, made safe for the IDE console (A03).
#include "driver/ide/user_text.h"

#include <algorithm>

#include "driver/context.h"
#include "driver/ide/console_lines.h"

void blank_line_breaks(std::string& text, std::size_t from) {
  if (from >= text.size()) return;
  std::replace_if(
      text.begin() + static_cast<std::ptrdiff_t>(from), text.end(), [](char c) { return c == '\n' || c == '\r'; },
      ' ');
}

void print_user_line(asm_context& cx, std::string_view prefix, std::string_view text) {
  text = text.substr(0, text.find('\0'));
  std::string line(prefix);
  if (cx.driver.ide_mode) {
    if (line.empty() && !text.empty() && is_marker_byte(static_cast<unsigned char>(text[0]))) line += ' ';
    const std::size_t from = line.size();
    line += text;
    blank_line_breaks(line, from);
  } else {
    line += text;
  }
  line += '\n';
  cx.out->block_write(line.data(), 1, line.size(), cx.out->std_out);
}
