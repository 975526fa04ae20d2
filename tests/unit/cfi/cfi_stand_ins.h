// cfi_stand_ins.h — short names for the segments CFI tests switch between:
// SEG_CODE, SEG_DATA and SEG_CODE2 make a code, a data or a second code
// segment current. Instructions (NOP, MOVW AX,#1) are the real ones.
#pragma once

#include "directives/directive_table.h"
#include "directives/segments.h"
#include "driver/context.h"
#include "driver/statement.h"
#include "source/lexer.h"

namespace cfi_stand_ins {

inline void use_segment(asm_context& cx, int number) { cx.segs.current = cx.segs.table[number - 1]; }
inline void seg_code(asm_context& cx, const statement_call&) { use_segment(cx, 2); }
inline void seg_data(asm_context& cx, const statement_call&) { use_segment(cx, 3); }
inline void seg_code2(asm_context& cx, const statement_call&) { use_segment(cx, 4); }

inline constexpr directive_entry kDirectives[] = {
    {"SEG_CODE", DCLASS_ORDINARY, 0, UPPER_CASE, seg_code},
    {"SEG_DATA", DCLASS_ORDINARY, 0, UPPER_CASE, seg_data},
    {"SEG_CODE2", DCLASS_ORDINARY, 0, UPPER_CASE, seg_code2},
};

// After start_statements: the directives, the mnemonics, and the segment
// table 1 absolute, 2 code, 3 data, 4 code, the absolute one current as at
// every module start.
inline void install(asm_context& cx) {
  register_directives(cx, kDirectives);
  reset_segments(cx);
  constexpr const char* names[3] = {"?CODE", "?DATA", "?CODE2"};
  constexpr uint8_t types[3] = {1, 2, 1};
  for (int i = 0; i < 3; ++i)
    new_segment(cx, user_node(cx, names[i], std::char_traits<char>::length(names[i])), SEG_RELOCATABLE)->type = types[i];
  cx.segs.current = cx.segs.table[0];
}

}  // namespace cfi_stand_ins
