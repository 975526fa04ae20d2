// keywords_78k0.h — the 78K0 target's registrations in the symbol table (B00):
// the characters the lexer treats specially, prefixes, suffix, SFR types,
// target symbols and delimiters. Mnemonics and registers come with the
// instruction set.
#pragma once

struct asm_context;

// User symbols are case sensitive unless -s- says otherwise.
constexpr bool kTargetCaseSensitive = true;

void register_78k0_keywords(asm_context& cx);
