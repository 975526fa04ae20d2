// cfi_text.h — small text helpers of the call-frame classes: keywords match in
// any case; names follow the case rule of user symbols.
#pragma once

#include <string_view>

inline char cfi_upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// True when `word` is `keyword` (given in upper case) in any case.
inline bool cfi_same_word(std::string_view word, std::string_view keyword) {
  if (word.size() != keyword.size()) return false;
  for (std::size_t i = 0; i < word.size(); ++i)
    if (cfi_upper(word[i]) != keyword[i]) return false;
  return true;
}
