// conditional_words.cpp — the block directive of a skipped or recorded line
// (A12), found without the lexer: a few characters are compared with the few
// names of the block directive classes.
#include "directives/conditional_words.h"

#include <cstring>

#include "driver/context.h"
#include "source/symbols.h"

namespace {

unsigned char upper(unsigned char c) { return (c >= 'a' && c <= 'z') ? static_cast<unsigned char>(c - 'a' + 'A') : c; }

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\f'; }

int registered_class_names(const asm_context& cx) {
  const symbol_state& s = cx.symbols;
  int n = s.conditional_count;
  for (int k = DCLASS_MACRO; k < kDirectiveClasses; ++k) n += s.class_name_count[k];
  return n;
}

// Identifier characters as the lexer knows them, with the target's own.
void make_char_classes(const asm_context& cx, class_word_table& t) {
  for (int c = 0; c < 256; ++c) {
    const bool start = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == '?' ||
                       cx.symbols.char_roles[c] == CHAR_IDENT_PART;
    t.chars[c] = static_cast<uint8_t>((start ? kWordStart | kWordPart : 0) | ((c >= '0' && c <= '9') ? kWordPart : 0));
  }
}

void make_table(const asm_context& cx, class_word_table& t) {
  make_char_classes(cx, t);
  t.count = 0;
  for (uint16_t& l : t.lengths) l = 0;
  for (int k = DCLASS_IF; k < kDirectiveClasses; ++k)
    for (int i = 0; i < directive_class_count(cx, k); ++i) {
      const ident_node* node = directive_class_name(cx, k, i);
      if (node == nullptr || node->length > kMaxClassWord || t.count == static_cast<int>(std::size(t.words))) continue;
      class_word& w = t.words[t.count++];
      for (int j = 0; j < node->length; ++j) w.name[j] = static_cast<char>(upper(static_cast<unsigned char>(node->name[j])));
      w.name[node->length] = '\0';
      w.length = static_cast<uint8_t>(node->length);
      w.klass = static_cast<uint8_t>(k);
      const unsigned char first = static_cast<unsigned char>(w.name[0]);
      if (first >= 'A' && first <= 'Z') t.lengths[first - 'A'] |= static_cast<uint16_t>(1u << w.length);
    }
  t.made_from = registered_class_names(cx);
}

int class_of_word(const class_word_table& t, std::string_view word) {
  if (word.empty() || word.size() > static_cast<std::size_t>(kMaxClassWord)) return 0;
  const unsigned char first = upper(static_cast<unsigned char>(word[0]));
  if (first < 'A' || first > 'Z' || !(t.lengths[first - 'A'] & (1u << word.size()))) return 0;
  char folded[kMaxClassWord];
  for (std::size_t i = 0; i < word.size(); ++i) folded[i] = static_cast<char>(upper(static_cast<unsigned char>(word[i])));
  for (int i = 0; i < t.count; ++i) {
    const class_word& w = t.words[i];
    if (w.length == word.size() && std::memcmp(w.name, folded, word.size()) == 0) return w.klass;
  }
  return 0;
}

}  // namespace

void prepare_class_words(const asm_context& cx, class_word_table& table) {
  if (table.made_from != registered_class_names(cx)) make_table(cx, table);
}

int line_block_class(asm_context& cx, class_word_table& table, std::string_view line) {
  prepare_class_words(cx, table);
  if (line.size() > kSkippedLineView) line = line.substr(0, kSkippedLineView);
  const uint8_t* const cls = table.chars;
  const std::size_t n = line.size();
  std::size_t i = 0;
  while (i < n && is_blank(line[i])) ++i;
  std::size_t start = i;
  if (i == n || !(cls[static_cast<unsigned char>(line[i])] & kWordStart)) return 0;
  while (i < n && (cls[static_cast<unsigned char>(line[i])] & kWordPart)) ++i;
  const std::string_view first = line.substr(start, i - start);
  const bool colon = i < n && line[i] == ':';
  if (!colon) {
    if (const int k = class_of_word(table, first)) return k;
  } else {
    ++i;
  }
  // The second word counts after a label, and after any first word that is no
  // block directive ("NAME MACRO" indented defines NAME).
  const std::size_t blanks = i;
  while (i < n && is_blank(line[i])) ++i;
  if (i == blanks && !colon) return 0;  // the first word goes on with other characters
  start = i;
  if (i == n || !(cls[static_cast<unsigned char>(line[i])] & kWordStart)) return 0;
  while (i < n && (cls[static_cast<unsigned char>(line[i])] & kWordPart)) ++i;
  return class_of_word(table, line.substr(start, i - start));
}
