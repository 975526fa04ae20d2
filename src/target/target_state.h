// target_state.h — the 78K0 target's state in one run (B00): the operand
// grammar's run state. The context holds it behind the opaque pointer that
// target_attach sets; target modules reach it through target_of.
#pragma once

#include "driver/context.h"
#include "target/operand_grammar.h"
#include "target/structured.h"

struct target_state {
  operand_parse_state parse;     // one run of the operand grammar (B03)
  structured_state structured;   // open structured constructs, generated lines (B05)
};

inline target_state& target_of(asm_context& cx) { return *cx.target; }
inline const target_state& target_of(const asm_context& cx) { return *cx.target; }
