// target_state.h — the 78K0 target's state in one run (B00): the operand
// grammar's run state, the "const" mark of the SFR declarations, and the
// records the instruction path reuses so that a line costs no more memory
// than its statement needs. The context holds it behind the opaque pointer
// that target_attach sets; target modules reach it through target_of.
#pragma once

#include <cstdint>
#include <vector>

#include "driver/context.h"
#include "target/operand_grammar.h"
#include "target/structured.h"

struct expr_rec;
struct statement_rec;

// Solved operand values shared by every statement that uses them: an
// instruction keeps a pointer to the pool's record instead of a record of
// its own. Open addressing; the table doubles at half load.
struct constant_pool {
  std::vector<expr_rec*> slots;
  uint32_t used = 0;
};

struct target_state {
  operand_parse_state parse;            // one run of the operand grammar (B03)
  structured_state structured;          // open structured constructs, generated lines (B05)
  const statement_rec* const_line = nullptr;  // "const" was read on this statement's line
  constant_pool pool;                   // shared solved operand values (B01)
  std::vector<expr_rec*> spare_exprs;   // operand records given back to the grammar (B01)
  std::vector<expr_rec*> field_exprs;   // linker field records, reused per statement (B02)
  std::size_t fields_used = 0;          // of field_exprs, by the statement last encoded
};

inline target_state& target_of(asm_context& cx) { return *cx.target; }
inline const target_state& target_of(const asm_context& cx) { return *cx.target; }
