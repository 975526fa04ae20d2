// param_names.h — names for the rows of parameterized suites, so that every
// test name says what its row checks and stays the same from run to run.
#pragma once

#include <string>
#include <string_view>

// `text` as a test name: letters and digits kept, blanks as "_", other
// characters spelled out, a run of them as one word ("1 << 2" gives "1_ltlt_2").
inline std::string spelled_name(std::string_view text) {
  static constexpr struct {
    char c;
    const char* word;
  } kWords[] = {
      {'+', "plus"}, {'-', "minus"},  {'*', "star"},  {'/', "slash"}, {'%', "percent"}, {'&', "amp"},
      {'|', "bar"},  {'^', "caret"},  {'~', "tilde"}, {'!', "bang"},  {'<', "lt"},      {'>', "gt"},
      {'=', "eq"},   {'(', "lp"},     {')', "rp"},    {'[', "lb"},    {']', "rb"},      {'{', "lc"},
      {'}', "rc"},   {',', "comma"},  {'.', "dot"},   {'#', "hash"},  {'$', "dollar"},  {'\'', "q"},
      {'"', "dq"},   {'\\', "bs"},    {':', "colon"}, {';', "semi"},  {'@', "at"},      {'?', "qm"},
      {'`', "tick"}, {'\t', "tab"},   {'\n', "nl"},   {'\r', "cr"},
  };
  std::string out;
  enum { none, word, symbol, blank } last = none;
  for (char c : text) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (c == ' ' || c == '_') {
      if (last != none) last = blank;
      continue;
    }
    const bool alnum = (u >= '0' && u <= '9') || (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z');
    if (last == blank || (last != none && (last == symbol) != !alnum)) out += '_';
    if (alnum) {
      out += c;
    } else {
      std::string spelled = "x" + std::to_string(u);
      for (const auto& w : kWords)
        if (w.c == c) spelled = w.word;
      out += spelled;
    }
    last = alnum ? word : symbol;
  }
  return out.empty() ? "empty" : out;
}

// The generator for rows that carry their own `name`.
inline constexpr auto by_name = [](const auto& info) { return std::string(info.param.name); };
