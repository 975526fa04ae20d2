// directive_table.cpp — registration of directive tables (A03).
#include "directives/directive_table.h"

void register_directives(asm_context& cx, const directive_entry* entries, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i)
    init_directive(cx, entries[i].name, &entries[i], entries[i].klass, entries[i].letter_case);
}
