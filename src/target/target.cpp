// target.cpp — the 78K0 target's identity, defaults and start-up (B00): what
// the core asks of its target through target.h.
#include "target/target.h"

#include "driver/stops.h"
#include "expr/expression.h"
#include "target/keywords_78k0.h"
#include "target/structured.h"
#include "target/target_state.h"

const char* target_processor_names() { return "78K0 and 78K0S"; }
const char* target_processor_head() { return "-v?           Select processor option: "; }
// 0: 78K0 without the multiply and divide instructions, 1: 78K0, 2: 78K0S.
const char* target_processor_choices() { return "078K0 (no DIV/MUL),178K0,278K0S"; }
bool target_case_sensitive_default() { return true; }
const char* target_default_warnings() { return "+"; }
// No cycle counts are known for these cores: the listing's cycle column stays empty.
bool target_counts_cycles(const asm_context&) { return false; }

void target_attach(asm_context& cx) {
  if (cx.target == nullptr) cx.target = new target_state{};
}

void target_release(target_state* state) { delete state; }

void target_start(asm_context& cx) {
  register_78k0_keywords(cx);
  register_structured_directives(cx);
}

void target_end_module(asm_context& cx) { end_structured_pass(cx); }

bool target_line_is_generated(const asm_context& cx) { return structured_line_active(cx); }

std::string_view target_generated_line(const asm_context& cx) { return structured_line_text(cx); }

expr_outcome parse_absolute_expression(asm_context& cx, int32_t* value) {
  expr_rec* e = parse_expression(cx);
  if (e == nullptr) return expr_outcome::syntax_error;
  if (e->in_unsolved_list) mark_or_get_unsolved(cx, UNSOLVED_REMOVE, e);
  switch (e->state) {
    case EXPR_ABSOLUTE: *value = e->value; return expr_outcome::absolute;
    case EXPR_RELATIVE:
    case EXPR_TEMPORARY: return expr_outcome::relocatable;
    default: return expr_outcome::not_known;
  }
}

int size_in_bytes(asm_context& cx, int size_code) {
  switch (size_code) {
    case 1: return 1;
    case 2: return 2;
    case 4: return 3;
    case 8:
    case 32: return 4;
    case 64: return 8;
    default: internal_error(cx, "size_in_bytes_B00", "Illegal size", size_code, 0); return 0;
  }
}

expr_rec* parse_expression(asm_context& cx) {
  expr_rec* e = nullptr;
  init_parse(cx, nullptr, 0, &e, 0);
  const int status = yyparse(cx);
  return status == PARSE_OK ? e : nullptr;
}

// Until the instruction set is registered no statement is an instruction.
bool gen_instruction(asm_context& cx, statement_rec*, code_sink&) {
  internal_error(cx, "gen_instruction_B00", "No instruction set", 0, 0);
  return false;
}
