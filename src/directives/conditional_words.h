// conditional_words.h — the block directive of a line that is not assembled
// (A12): skipped lines and the lines of a macro or repeat body being recorded
// are not lexed; their first words are compared with the names registered
// for the directive classes 1 to 12 (IF ... ENDMOD), in any case.
#pragma once

#include <cstdint>
#include <string_view>

struct asm_context;

// Only the first characters of such a line are looked at.
constexpr std::size_t kSkippedLineView = 255;

// The longest name of a block directive class that is compared.
constexpr int kMaxClassWord = 8;

struct class_word {
  char name[kMaxClassWord + 1];
  uint8_t length;
  uint8_t klass;
};

// The class names, folded to upper case, made once the names are registered
// (and again when more were registered since).
struct class_word_table {
  class_word words[48];
  int count = 0;
  int made_from = -1;          // class names registered when the table was made
  uint16_t lengths[26] = {};   // per first letter: bit n for every name of n characters
  uint8_t chars[256] = {};     // kWordStart, kWordPart: what a byte is to a name
};

constexpr uint8_t kWordStart = 1;  // begins a name (letters, "_", "?", the target's own)
constexpr uint8_t kWordPart = 2;   // goes on with a name (the above and digits)

// Makes the table when the class names changed since it was made.
void prepare_class_words(const asm_context& cx, class_word_table& table);

// The directive class (directive_class) of the line's operation: its first
// word, or the second when the first is a label (a name followed by ":" or
// in column 1) or no block directive. 0 when neither is one.
int line_block_class(asm_context& cx, class_word_table& table, std::string_view line);
