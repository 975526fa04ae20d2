// keywords_78k0.cpp — the 78K0 target's keyword and character registrations (B00).
#include "target/keywords_78k0.h"

#include "source/symbols.h"

namespace {

struct char_row {
  int character;
  int code;
};

struct word_row {
  const char* name;
  int value;
};

struct target_symbol_row {
  const char* name;
  int value;
  int klass;
};

constexpr int kCarryClass = 161;
constexpr int kBankClass = 162;

constexpr char_row kPartsOfIdentifier[] = {{'@', 35}};
constexpr char_row kCommentChars[] = {{';', 23}};

constexpr word_row kPrefixes[] = {
    {"N", 4},  // N: forces the absolute address
    {"S", 1},  // S: forces short direct (saddr) addressing
};
constexpr word_row kSuffixes[] = {{"SADDR", 1}};

constexpr word_row kSfrTypes[] = {
    {"READ", 0x800},
    {"WRITE", 0x1000},
    {"BYTE", 0x80000},
    {"WORD", 0x100000},
};

constexpr target_symbol_row kTargetSymbols[] = {
    {"CY", 1, kCarryClass},
    {"RB0", 0, kBankClass},
    {"RB1", 1, kBankClass},
    {"RB2", 2, kBankClass},
    {"RB3", 3, kBankClass},
};

constexpr char_row kDelimiters[] = {
    {'(', 26}, {')', 27}, {'\n', 59}, {' ', 58}, {',', 25},
    {':', 22}, {'[', 28}, {']', 29}, {kEndOfFileChar, 57},
};

}  // namespace

void register_78k0_keywords(asm_context& cx) {
  for (const char_row& r : kPartsOfIdentifier) init_part_of_identifier(cx, r.character, r.code);
  for (const char_row& r : kCommentChars) init_comment_char(cx, r.character, r.code);
  for (const word_row& r : kPrefixes) init_prefix(cx, r.name, r.value);
  for (const word_row& r : kSuffixes) init_suffix(cx, r.name, r.value);
  for (const word_row& r : kSfrTypes) init_sfr_type(cx, r.name, r.value);
  for (const target_symbol_row& r : kTargetSymbols) init_target_symbol(cx, r.name, r.value, r.klass);
  for (const char_row& r : kDelimiters) init_delimiter(cx, r.character, r.code);
}
