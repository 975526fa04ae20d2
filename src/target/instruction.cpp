// instruction.cpp — pass 1 of an instruction line (B00): the operand field
// through the operand grammar, the form chosen for the operands, and the
// statement record that keeps both for pass 2. Errors that do not depend on
// values (415, 425, 426, 429) are reported here; pass 2 reports the rest.
#include "target/instruction.h"

#include "diag/diag.h"
#include "directives/directive_table.h"
#include "driver/context.h"
#include "driver/memory.h"
#include "driver/statement.h"
#include "expr/expression.h"
#include "target/target_state.h"

namespace {

constexpr int kMaxOperands = 2;

// Mnemonics without sfr forms: an SFR beyond the saddr area is reached through their absolute form.
constexpr int kNoSfrForms[] = {kMnemonicAddc, kMnemonicAdd, kMnemonicAnd, kMnemonicCmp,
                               kMnemonicOr,   kMnemonicSubc, kMnemonicSub, kMnemonicXor};

bool has_no_sfr_forms(int index) {
  for (int i : kNoSfrForms)
    if (i == index) return true;
  return false;
}

bool is_register8(uint16_t mode) {
  return mode == MODE_A || mode == MODE_X || mode == MODE_B || mode == MODE_C || (mode >= MODE_D && mode <= MODE_H);
}

// Whether a form's operand mode takes the mode the grammar gave.
bool accepts(uint16_t form_mode, uint16_t mode) {
  switch (form_mode) {
    case MODE_R: return is_register8(mode);
    case MODE_RP: return mode >= MODE_AX && mode <= MODE_HL;
    case MODE_HL_IND_FORM: return mode == MODE_HL_IND;
    case MODE_DE_IND_FORM: return mode == MODE_DE_IND;
    case MODE_HL_BIT_FORM: return mode == MODE_HL_IND_BIT;
    case MODE_BIT_SYMBOL: return mode == MODE_ADDR || mode == MODE_SADDR;
    default: return form_mode == mode;
  }
}

bool matches(const instr_form* form, const operand_desc* ops, int count) {
  if (form->operand_count != count) return false;
  for (int i = 0; i < count; ++i)
    if (!accepts(form->operand_modes[i], ops[i].mode)) return false;
  return true;
}

const instr_form* walk(const instr_form* forms, const operand_desc* ops, int count) {
  for (const instr_form* f = forms;; ++f) {
    if (matches(f, ops, count)) return f;
    if (f->form_flags & FF_LAST) return nullptr;
  }
}

// The value an operand's classification may rely on in pass 1.
bool known_value(const expr_rec* e, int32_t* value) {
  if (e == nullptr) return false;
  if (e->state == EXPR_ABSOLUTE) return *value = e->value, true;
  if (e->state == EXPR_TEMPORARY && e->segment == 0) return *value = e->provisional_value, true;
  return false;
}

// An address in both the sfr and the saddr area (0FF00H..0FF1FH).
bool in_overlap(const operand_desc& d) {
  int32_t v = 0;
  return known_value(d.expr, &v) && v >= kSfrFirst && v <= kSaddrLast;
}

int column_of(const statement_rec* record, int operand) {
  const int c = operand < kMaxOperands ? record->operand_column[operand] : 0;
  return c > 0 ? c : record->operation_column;
}

// The variable register of a form, or -1.
int register_operand(const instr_form* form) {
  const int i = (form->form_flags & FF_REG_SECOND) ? 1 : 0;
  if (i >= form->operand_count) return -1;
  const uint16_t m = form->operand_modes[i];
  return m == MODE_R || m == MODE_RP ? i : -1;
}

// Error 429 where the form forbids A (AX) as its variable register.
bool register_allowed(asm_context& cx, const instr_form* form, const operand_desc* ops, statement_rec* record) {
  if (!(form->form_flags & FF_NOT_A)) return true;
  const int i = register_operand(form);
  if (i < 0 || (ops[i].reg != REG_A && ops[i].reg != REG_AX)) return true;
  user_error_at(cx, column_of(record, i), tgt_err::same_source_destination);
  return false;
}

bool access_allowed(asm_context& cx, const instr_form* form, const operand_desc* ops, int count,
                    statement_rec* record) {
  for (int i = 0; i < count; ++i) {
    const uint32_t need = form->sfr_access[i];
    if (need != 0 && ops[i].sfr != nullptr &&
        !check_sfr_in_expression(cx, ops[i], form, need, column_of(record, i)))
      return false;
  }
  return true;
}

// The form and, after it, what its operands keep.
instr_rec* make_instr_rec(asm_context& cx, const instr_form* form, const operand_desc* ops) {
  const int slots = instr_slots(form);
  auto* rec = static_cast<instr_rec*>(am_memory(cx, sizeof(instr_rec) + slots * sizeof(instr_slot)));
  rec->form = form;
  instr_slot* slot = slots_of(*rec);
  for (int i = 0; i < form->operand_count; ++i) {
    const operand_desc& d = ops[i];
    switch (slot_use_of(form->operand_modes[i])) {
      case SLOT_REG: (slot++)->reg = d.reg; break;
      case SLOT_VALUE: (slot++)->expr = shared_operand_value(cx, d.expr); break;
      case SLOT_BIT: (slot++)->expr = shared_operand_value(cx, d.bit_expr); break;
      case SLOT_VALUE_BIT:
        (slot++)->expr = shared_operand_value(cx, d.expr);
        (slot++)->expr = shared_operand_value(cx, d.bit_expr);
        break;
      case SLOT_NONE: break;
    }
  }
  return rec;
}

// The statement keeps no form: no bytes, and the object gets its error record.
void fail_statement(statement_rec* record) {
  record->byte_count = 0;
  mark_erroneous(record);
}

// The most operands any form of the mnemonic takes: more is error 416.
int most_operands(const instr_form* forms) {
  int most = 0;
  for (const instr_form* f = forms;; ++f) {
    if (f->operand_count > most) most = f->operand_count;
    if (f->form_flags & FF_LAST) return most;
  }
}

// Pass 1 of an instruction line.
void instruction_pass1(asm_context& cx, const statement_call& call) {
  statement_rec* record = call.record;
  record->kind = stmt_kind::instruction;
  const auto* forms = static_cast<const instr_form*>(call.operation->keyword.data);
  operand_desc ops[kMaxOperands] = {};
  init_parse(cx, ops, most_operands(forms), nullptr, 0);
  const int status = yyparse(cx);
  const operand_parse_state& p = target_of(cx).parse;
  record->operand_column[0] = p.operand_column[0];
  record->operand_column[1] = p.operand_column[1];
  if (status != PARSE_OK) return fail_statement(record);
  const int count = p.count;
  const instr_form* form = find_instr(cx, forms, call.operation->keyword.code, ops, count, record);
  if (form == nullptr) return fail_statement(record);
  record->byte_count = form->length;
  record->instr = make_instr_rec(cx, form, ops);
  if (!register_allowed(cx, form, ops, record) || !access_allowed(cx, form, ops, count, record))
    mark_erroneous(record);
}

// ---- Shared operand values -------------------------------------------------------------

uint32_t value_hash(const expr_rec* e) {
  uint32_t h = static_cast<uint32_t>(e->value) * 2654435761u;
  h ^= (static_cast<uint32_t>(e->segment) << 16) ^ e->flags ^ static_cast<uint32_t>(e->state);
  return h ^ (h >> 13);
}

bool same_value(const expr_rec* a, const expr_rec* b) {
  return a->state == b->state && a->value == b->value && a->segment == b->segment && a->flags == b->flags &&
         a->limit_kind == b->limit_kind;
}

void grow_pool(constant_pool& pool) {
  std::vector<expr_rec*> old;
  old.swap(pool.slots);
  pool.slots.assign(old.empty() ? 256 : old.size() * 2, nullptr);
  const std::size_t mask = pool.slots.size() - 1;
  for (expr_rec* e : old) {
    if (e == nullptr) continue;
    std::size_t i = value_hash(e) & mask;
    while (pool.slots[i] != nullptr) i = (i + 1) & mask;
    pool.slots[i] = e;
  }
}

}  // namespace

// ---- Matching ----------------------------------------------------------------------------

bool expr_fits(const asm_context& cx, const expr_rec* target, const statement_rec* record, int short_length) {
  (void)cx;
  const segment_rec* seg = record->segment;
  const uint16_t own = expr_segment_of(seg);
  int32_t value;
  switch (target->state) {
    case EXPR_ABSOLUTE:
      if (own != 0) return false;
      value = target->value;
      break;
    case EXPR_RELATIVE:
      if (target->segment != own) return false;
      value = target->value;
      break;
    case EXPR_TEMPORARY:
      if (target->segment != own) return false;
      value = target->provisional_value;
      break;
    default:
      return false;
  }
  const int64_t displacement = static_cast<int64_t>(value) - (static_cast<int64_t>(record->location) + short_length);
  return displacement >= -128 && displacement <= 127;
}

const instr_form* find_instr(asm_context& cx, const instr_form* forms, int mnemonic_index, operand_desc* ops,
                             int count, statement_rec* record) {
  // These mnemonics reach an SFR above the saddr area through their absolute form.
  if (count == 2 && has_no_sfr_forms(mnemonic_index) && (ops[1].mode & kModeSfr)) {
    int32_t v = 0;
    if (!known_value(ops[1].expr, &v) || v >= kSaddrLast + 1) ops[1].mode = static_cast<uint16_t>((ops[1].mode & kModeBit) | MODE_ADDR);
  }
  int sfr_operand = -1;
  for (int i = 0; i < count && sfr_operand < 0; ++i)
    if (ops[i].mode & kModeSfr) sfr_operand = i;

  const instr_form* form = walk(forms, ops, count);
  // An address in 0FF00H..0FF1FH lies in both areas: a saddr form serves it too.
  if (form == nullptr && sfr_operand >= 0 && in_overlap(ops[sfr_operand])) {
    operand_desc& d = ops[sfr_operand];
    d.mode = static_cast<uint16_t>((d.mode & ~kModeSfr) | kModeSaddr);
    form = walk(forms, ops, count);
  }
  if (form == nullptr) {
    user_error_at(cx, column_of(record, 0), tgt_err::operand_syntax);
    return nullptr;
  }
  if ((form->form_flags & FF_SHORT_NEXT) && expr_fits(cx, ops[0].expr, record, form[1].length)) ++form;
  return form;
}

void target_instruction(asm_context& cx, const statement_call& call) { instruction_pass1(cx, call); }

// ---- Shared operand values -------------------------------------------------------------

expr_rec* shared_operand_value(asm_context& cx, expr_rec* expr) {
  if (expr == nullptr || (expr->state != EXPR_ABSOLUTE && expr->state != EXPR_RELATIVE)) return expr;
  target_state& t = target_of(cx);
  constant_pool& pool = t.pool;
  if ((pool.used + 1) * 2 > pool.slots.size()) grow_pool(pool);
  const std::size_t mask = pool.slots.size() - 1;
  std::size_t i = value_hash(expr) & mask;
  for (; pool.slots[i] != nullptr; i = (i + 1) & mask) {
    expr_rec* shared = pool.slots[i];
    if (shared == expr) return expr;
    if (same_value(shared, expr)) {
      t.spare_exprs.push_back(expr);
      return shared;
    }
  }
  pool.slots[i] = expr;
  ++pool.used;
  return expr;
}

expr_rec* take_spare_expr(asm_context& cx) {
  std::vector<expr_rec*>& spare = target_of(cx).spare_exprs;
  if (spare.empty()) return nullptr;
  expr_rec* e = spare.back();
  spare.pop_back();
  return e;
}
