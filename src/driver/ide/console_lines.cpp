// console_lines.cpp — classification of console lines for the IDE (A03): a
// diagnostic heading is read strictly in the layout the diagnostics printer
// writes it, so that text inside a file name or a message cannot change the
// type of the line.
#include "driver/ide/console_lines.h"

namespace {

constexpr std::string_view kMessageWord = "#message";

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// Decimal digits at `at` as a number; the count of digits goes to `length`.
// Values too large to hold stay at the largest long.
long read_decimal(std::string_view s, std::size_t at, std::size_t& length) {
  constexpr long kMax = 0x7FFFFFFFL;
  long value = 0;
  length = 0;
  while (at + length < s.size() && is_digit(s[at + length])) {
    const long digit = s[at + length] - '0';
    value = value > (kMax - digit) / 10 ? kMax : value * 10 + digit;
    ++length;
  }
  return value;
}

// The type words that may follow a heading, and the record type of each.
struct type_word {
  std::string_view word;
  int type;
  bool numbered;  // a message number follows the word
};
constexpr type_word kTypeWords[] = {
    {"Error[", IDE_ERROR, true},
    {"Error:", IDE_ERROR, false},
    {"Warning[", IDE_WARNING, true},
    {"Warning:", IDE_WARNING, false},
};

// A heading candidate: the closing quote at `q` followed by a comma, digits
// and a blank. Returns the position after the blanks, or 0.
std::size_t heading_at(std::string_view s, std::size_t q, long& line) {
  if (q + 1 >= s.size() || s[q + 1] != ',') return 0;
  std::size_t digits = 0;
  line = read_decimal(s, q + 2, digits);
  std::size_t at = q + 2 + digits;
  if (digits == 0 || at >= s.size() || s[at] != ' ') return 0;
  while (at < s.size() && s[at] == ' ') ++at;
  return at;
}

const type_word* type_word_at(std::string_view rest) {
  for (const type_word& w : kTypeWords)
    if (rest.substr(0, w.word.size()) == w.word) return &w;
  return nullptr;
}

// A diagnostic heading `"file",line  Word...` (after the marker). The file is
// closed by the first quote that is followed by a comma, a line number, blanks
// and a type word; the text after the type word is never searched, so a message
// cannot change the type of its own line.
console_line classify_diagnostic(std::string_view s) {
  console_line out;
  out.type = IDE_UNKNOWN;
  out.tag = "0";
  out.at_pending_column = true;
  if (s.empty() || s[0] != '"') return out;
  bool have_heading = false;
  for (std::size_t q = s.find('"', 1); q != std::string_view::npos; q = s.find('"', q + 1)) {
    long line = 0;
    const std::size_t at = heading_at(s, q, line);
    if (at == 0) continue;
    const type_word* w = type_word_at(s.substr(at));
    if (w == nullptr && have_heading) continue;
    have_heading = true;
    out.file = s.substr(1, q - 1);
    out.line = line;
    if (w == nullptr) continue;  // keep looking for a heading with a type word
    const std::string_view rest = s.substr(at);
    out.type = w->type;
    out.text = rest;
    out.tag = {};
    if (w->numbered) {
      std::size_t digits = 0;
      read_decimal(rest, w->word.size(), digits);
      out.tag = rest.substr(w->word.size(), digits);
    }
    return out;
  }
  return out;
}

console_line marked_note(int type, std::string_view text) {
  console_line out;
  out.type = type;
  out.text = text;
  return out;
}

}  // namespace

bool is_marker_byte(unsigned char c) {
  switch (c) {
    case kMarkDiagnostic:
    case kMarkColumn:
    case kMarkNote20:
    case kMarkNote21:
    case kMarkCommandLine:
    case kMarkInternal: return true;
    default: return false;
  }
}

console_line classify_console_line(std::string_view line) {
  const unsigned char first = line.empty() ? 0 : static_cast<unsigned char>(line[0]);
  switch (first) {
    case kMarkDiagnostic: return classify_diagnostic(line.substr(1));
    case kMarkColumn: {
      console_line out;
      out.sets_column = true;
      std::size_t at = 1;
      const bool negative = at < line.size() && line[at] == '-';
      if (negative || (at < line.size() && line[at] == '+')) ++at;
      std::size_t digits = 0;
      const long value = read_decimal(line, at, digits);
      out.column = negative ? 0 : value;
      return out;
    }
    case kMarkNote20: return marked_note(IDE_NOTE_20, line.size() > 2 ? line.substr(2) : std::string_view{});
    case kMarkNote21: return marked_note(IDE_NOTE_21, line.substr(1));
    case kMarkCommandLine: return marked_note(IDE_COMMAND_LINE, line.substr(1));
    case kMarkInternal: return marked_note(IDE_INTERNAL, line.substr(1));
    default: break;
  }
  console_line out;
  out.type = line.find(kMessageWord) != std::string_view::npos ? IDE_MESSAGE_LINE : IDE_PLAIN;
  out.text = line;
  out.newline_after = true;
  return out;
}
