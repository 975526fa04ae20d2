// sfr.cpp — special function registers (B00): the declarations "sfr",
// "sfrp", "const" and SFRTYPE, which make a symbol an SFR with an address and
// access attributes, and the access check of an SFR operand against what its
// instruction form does with it.
#include "diag/diag.h"
#include "directives/directive_table.h"
#include "directives/segments.h"
#include "driver/context.h"
#include "driver/statement.h"
#include "expr/expression.h"
#include "source/lexer.h"
#include "target/instruction.h"
#include "target/target_state.h"

namespace {

constexpr int32_t kSfrLimitMin = 0xFF00;
constexpr int32_t kSfrLimitMax = 0x7FFFF;
constexpr const char* kSfrLimitName = "Special Function Register (SFR) address is out of range";

// Every attribute an SFR declaration sets; a new declaration replaces them.
constexpr uint32_t kSfrAttributes = LBL_SFR | LBL_SFR_NO_BIT | LBL_SFR_READ | LBL_SFR_WRITE | LBL_SFR_BYTE | LBL_SFR_WORD;
// What SFRTYPE keeps of a symbol's flags: its visibility (and that it exists).
constexpr uint32_t kSfrtypeKeeps = 0x74 | LBL_CREATED;

enum sfr_kind : int { SFR_BYTE = 0, SFR_WORD = 1, SFR_TYPED = 2 };

bool is_line_end(const token& t) { return t.kind == TOK_EOL || t.kind == TOK_EOF; }

void give_back(asm_context& cx, token t) { save_or_get_token(cx, TOKEN_SAVE, t); }

// The absolute segment while the declaration is read, the previous one after.
struct absolute_scope {
  asm_context& cx;
  segment_rec* previous;
  explicit absolute_scope(asm_context& c) : cx(c), previous(c.segs.current) {
    if (segment_rec* abs = absolute_segment(cx)) switch_segment(cx, abs);
  }
  ~absolute_scope() { switch_segment(cx, previous); }
};

// The name being declared: a user symbol, not a label defined elsewhere.
// Null after error 41 or 42.
label_rec* declared_name(asm_context& cx, const token& t) {
  if (t.kind != TOK_IDENT || t.node == nullptr || !is_user_kind(t.node->kind)) {
    user_error_at(cx, t.column, gen_err::bad_label);
    if (is_line_end(t)) give_back(cx, t);
    return nullptr;
  }
  const segment_rec* seg = cx.segs.current;
  label_rec* rec = init_label_rec(cx, t.node, seg != nullptr ? seg->type : 0, seg != nullptr ? seg->number : 0);
  if (rec == nullptr) return nullptr;
  if (rec->flags & LBL_SFR) {
    user_warning_at(cx, t.column, gen_warn::sfr_redefined);
  } else if (rec->flags & LBL_DEFINED_THIS_PASS) {
    user_error_at(cx, t.column, gen_err::duplicate_label, t.node->name);
    return nullptr;
  }
  return rec;
}

// SFRTYPE's attribute words: one or more, separated by ",". False after error 83.
bool read_attributes(asm_context& cx, label_rec* rec) {
  for (;;) {
    const token t = next_token(cx);
    const ident_node* word = t.kind == TOK_IDENT ? find_kind(t.node, KIND_SFR_TYPE) : nullptr;
    if (word == nullptr) {
      user_error_at(cx, t.column, gen_err::sfr_attribute);
      if (is_line_end(t)) give_back(cx, t);
      return false;
    }
    rec->flags |= static_cast<uint32_t>(word->keyword.code);
    const token sep = next_token(cx);
    if (sep.kind != TOK_PUNCT || sep.code != ',') {
      give_back(cx, sep);
      return true;
    }
  }
}

// SFRTYPE fills in what its attributes left open.
void apply_defaults(asm_context& cx, label_rec* rec, int column) {
  if (!(rec->flags & (LBL_SFR_READ | LBL_SFR_WRITE))) {
    rec->flags |= LBL_SFR_READ | LBL_SFR_WRITE;
    user_warning_at(cx, column, tgt_warn::sfr_no_access_flags);
  }
  const uint32_t size = rec->flags & (LBL_SFR_BYTE | LBL_SFR_WORD);
  if (size == 0) {
    rec->flags |= LBL_SFR_BYTE;
    user_warning_at(cx, column, tgt_warn::sfr_no_size);
  } else if (size == (LBL_SFR_BYTE | LBL_SFR_WORD)) {
    rec->flags &= ~static_cast<uint32_t>(LBL_SFR_WORD);
    user_warning_at(cx, column, tgt_warn::sfr_multiple_sizes);
  }
}

// The address: 0FF00H..7FFFFH whose low 16 bits lie in the SFR area (bits
// 16..18 are access modifiers). Null after an error.
expr_rec* read_address(asm_context& cx) {
  const token first = next_token(cx);
  give_back(cx, first);
  expr_rec* e = parse_expression(cx);
  if (e == nullptr) return nullptr;
  e->limit_kind = kLimitBoth;
  e->limit_min = kSfrLimitMin;
  e->limit_max = kSfrLimitMax;
  e->limit_name = kSfrLimitName;
  cx.diag.token_column = first.column;
  if (!limit_ok(cx, e)) return nullptr;
  if (e->state == EXPR_ABSOLUTE && (e->value & 0xFFFF) < kSfrFirst) {
    user_error_at(cx, first.column, gen_err::limit_exceeded, kSfrLimitName, e->value);
    return nullptr;
  }
  return e;
}

// sfr name = address; sfrp name = address; SFRTYPE name attribute [, attribute ...] = address
void declare_sfr(asm_context& cx, const statement_call& call) {
  const int kind = call.argument;
  absolute_scope scope(cx);
  const token name = next_token(cx);
  label_rec* rec = declared_name(cx, name);
  if (rec == nullptr) return;
  if (kind == SFR_TYPED) {
    rec->flags = (rec->flags & kSfrtypeKeeps) | LBL_SFR;
    if (!read_attributes(cx, rec)) return;
  } else {
    const bool read_only = target_of(cx).const_line == call.record;
    rec->flags &= ~(kSfrAttributes | static_cast<uint32_t>(LBL_UNDEFINED));
    rec->flags |= LBL_SFR | LBL_SFR_READ | (read_only ? 0u : static_cast<uint32_t>(LBL_SFR_WRITE)) |
                  (kind == SFR_WORD ? LBL_SFR_WORD : LBL_SFR_BYTE);
  }
  rec->flags = (rec->flags & ~static_cast<uint32_t>(LBL_UNDEFINED)) | LBL_DEFINED_THIS_PASS;
  const token eq = next_token(cx);
  if (eq.kind != TOK_PUNCT || eq.code != '=') {
    user_error_at(cx, eq.column, kind == SFR_TYPED ? gen_err::invalid_syntax : gen_err::equals_expected);
    if (is_line_end(eq)) give_back(cx, eq);
    return;
  }
  expr_rec* address = read_address(cx);
  if (address == nullptr) return;
  address->owner = name.node;
  rec->value = address;
  rec->defined_at = call.record->line;
  call.record->kind = stmt_kind::equate;
  call.record->value = address;
  if (kind == SFR_TYPED) apply_defaults(cx, rec, name.column);
}

// const sfr ... / const sfrp ...: the SFR is read only.
void do_const(asm_context& cx, const statement_call& call) {
  target_of(cx).const_line = call.record;
  token t = next_token(cx);
  const ident_node* node = t.kind == TOK_IDENT ? find_kind(t.node, KIND_DIRECTIVE) : nullptr;
  const directive_entry* entry = node != nullptr ? directive_of(node) : nullptr;
  if (entry == nullptr || entry->handler != declare_sfr || entry->argument == SFR_TYPED) {
    give_back(cx, t);  // the line's end check reports it
    return;
  }
  statement_call declared = call;
  declared.operation = t.node;
  declared.operation_column = t.column;
  declared.argument = entry->argument;
  declare_sfr(cx, declared);
}

// clang-format off
constexpr directive_entry kSfrDirectives[] = {
    // name       class            flags  case        handler      argument
    {"sfr",       DCLASS_ORDINARY, 0,     KEEP_CASE,  declare_sfr, SFR_BYTE},
    {"sfrp",      DCLASS_ORDINARY, 0,     KEEP_CASE,  declare_sfr, SFR_WORD},
    {"const",     DCLASS_ORDINARY, 0,     KEEP_CASE,  do_const,    0},
    {"SFRTYPE",   DCLASS_ORDINARY, 0,     UPPER_CASE, declare_sfr, SFR_TYPED},
};
// clang-format on

}  // namespace

void register_sfr_directives(asm_context& cx) { register_directives(cx, kSfrDirectives); }

bool check_sfr_in_expression(asm_context& cx, const operand_desc& operand, const instr_form* form,
                             uint32_t requirement, int column) {
  if (operand.sfr == nullptr || operand.sfr->label == nullptr) return true;  // a plain address: nothing to check
  const uint32_t flags = operand.sfr->label->flags;
  if ((requirement & kAccessBit) && (flags & LBL_SFR_NO_BIT)) {
    user_error_at(cx, column, tgt_err::sfr_access);
    return false;
  }
  const uint32_t need = requirement & (kAccessRead | kAccessWrite);
  if ((flags & need) != need) {
    user_error_at(cx, column, tgt_err::sfr_access);
    return false;
  }
  const uint16_t size = form->form_flags & (FF_BYTE | FF_WORD);
  const bool ok = size == FF_BYTE   ? (flags & LBL_SFR_BYTE) != 0
                  : size == FF_WORD ? (flags & LBL_SFR_WORD) != 0
                                    : true;
  if (!ok) user_error_at(cx, column, tgt_err::sfr_size);
  return ok;
}
