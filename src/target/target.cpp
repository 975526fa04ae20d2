// target.cpp — the 78K0 target's identity, defaults and start-up (B00): what
// the core asks of its target through target.h.
#include "target/target.h"

#include "diag/diag.h"
#include "driver/context.h"
#include "driver/stops.h"
#include "expr/expression.h"
#include "target/instruction.h"
#include "target/structured.h"
#include "target/keywords_78k0.h"
#include "target/target_state.h"

namespace {

// Directive classes the block recorder and the skipper must know by name.
struct directive_name_row {
  int klass;
  const char* missing;  // the internal error when no name of the class is registered
};
constexpr directive_name_row kNeededDirectiveNames[] = {
    {DCLASS_MACRO, "MACRO name not set"}, {DCLASS_ENDM, "ENDM name not set"},
    {DCLASS_ENDR, "ENDR name not set"},   {DCLASS_REPT, "REPT name not set"},
    {DCLASS_REPTI, "REPTI name not set"}, {DCLASS_REPTC, "REPTC name not set"},
    {DCLASS_END, "END name not set"},     {DCLASS_ENDMOD, "ENDMOD name not set"},
};

// Bytes of a data item by the size code of its directive.
struct item_size_row {
  int size_code;
  int bytes;
};
constexpr item_size_row kItemSizes[] = {{1, 1}, {2, 2}, {4, 3}, {8, 4}, {32, 4}, {64, 8}};

// The processor option of -v as an index into the mnemonic tables' option bits.
int processor_option(const asm_context& cx) {
  const int option = cx.driver.opt.processor_option;
  return option >= 0 && option <= 2 ? option : 0;
}

}  // namespace

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
  cx.diag.target_text = target_message;
}

void target_release(target_state* state) { delete state; }

void register_instruction_set(asm_context& cx) {
  const int option = processor_option(cx);
  const bool small_core = option == 2;
  const mnemonic_row* rows = small_core ? kMnemonics78k0s : kMnemonics78k0;
  const std::size_t count = small_core ? kMnemonics78k0sCount : kMnemonics78k0Count;
  for (std::size_t i = 0; i < count; ++i)
    if (rows[i].variants & (1u << option)) init_mnemonic(cx, rows[i].name, rows[i].index, rows[i].forms);
  register_registers(cx);
}

void target_start(asm_context& cx) {
  register_78k0_keywords(cx);
  register_instruction_set(cx);
  register_sfr_directives(cx);
  register_equate_directives(cx);
  register_structured_directives(cx);
  cx.stmt.instruction = target_instruction;
  target_state& t = target_of(cx);
  t.const_line = nullptr;
  t.pool = constant_pool{};
  t.spare_exprs.clear();
  t.field_exprs.clear();
  t.fields_used = 0;
}

void check_directive_names(asm_context& cx) {
  for (const directive_name_row& row : kNeededDirectiveNames)
    if (directive_class_count(cx, row.klass) == 0) internal_error(cx, "assemble_A03", row.missing);
  if (find_node(cx, "ASEGN", 5, KIND_DIRECTIVE) == nullptr)
    internal_error(cx, "assemble_A03", "ASEGN directive not initialized");
}

int size_in_bytes(asm_context& cx, int size_code) {
  for (const item_size_row& row : kItemSizes)
    if (row.size_code == size_code) return row.bytes;
  internal_error(cx, "size_in_bytes_B00", "Illegal size", size_code, 0);
  return 0;
}

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

expr_rec* parse_expression(asm_context& cx) {
  expr_rec* e = nullptr;
  init_parse(cx, nullptr, 0, &e, 0);
  const int status = yyparse(cx);
  return status == PARSE_OK ? e : nullptr;
}

void target_end_module(asm_context& cx) { end_structured_pass(cx); }

bool target_line_is_generated(const asm_context& cx) { return structured_line_active(cx); }

std::string_view target_generated_line(const asm_context& cx) { return structured_line_text(cx); }
