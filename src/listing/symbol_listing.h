// symbol_listing.h — the segment and label tables of a module's listing (A01),
// with -xD the #define symbols and with -xI the keyword table. Written after
// the module's statements through the listing's lines, so they page and count.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

struct asm_context;

void list_symbol_tables(asm_context& cx);

// The word of a segment type code (0 "UNTYPED " .. 16 "NEARCODE "); another
// code gives "TYPE <n> ".
std::string segment_type_word(unsigned type);
// The word of a label's type number (0 "UNTYP. " .. 14 "ADDR "); another
// number gives "TYPE <n> ".
std::string label_type_word(unsigned type);
// A name for the tables: control characters as "\n", "\t" or "\xNN".
void append_escaped(std::string& out, std::string_view name);
