// segment_directives.cpp — the directives that place code (A09): RSEG, ASEGN,
// STACK, COMMON, ASEG, ORG, ALIGN, EVEN, ODD, and the segment type words.
//
//   RSEG   name[:type][:attribute...][(alignment)][,address]     (ASEGN, STACK, COMMON alike)
//   ASEG   [address]
//   ORG    expression
//   ALIGN  exponent[,fill]     EVEN [fill]     ODD [fill]
//
// A label on these lines takes the location after the directive.
#include "directives/segment_directives.h"

#include <cstdio>

#include "diag/diag.h"
#include "directives/directive_table.h"
#include "directives/operands.h"
#include "directives/segments.h"
#include "driver/context.h"
#include "driver/statement.h"
#include "driver/statement_loop.h"
#include "expr/expression.h"
#include "source/lexer.h"
#include "target/target.h"

namespace {

// Attribute codes of the segment type words beside the type codes.
constexpr int kReorder = 4096;
constexpr int kRoot = 4097;
constexpr int kNoroot = 4098;
constexpr int kSort = 4099;

struct segment_word {
  const char* name;
  int code;
};

//                 word          code
constexpr segment_word kSegmentWords[] = {
    {"UNTYPED",   0},
    {"CODE",      1},
    {"DATA",      2}, {"ZPAGE",     2},
    {"XDATA",     3}, {"NPAGE",     3},
    {"IDATA",     4},
    {"BIT",       5},
    {"REGISTER",  6},
    {"CONST",     7},
    {"FAR",       8}, {"FARDATA",   8},
    {"HUGE",      9}, {"HUGEDATA",  9},
    {"FARCONST",  10},
    {"HUGECONST", 11},
    {"NEAR",      12}, {"NEARDATA", 12},
    {"NEARCONST", 13},
    {"FARCODE",   14},
    {"HUGECODE",  15},
    {"NEARCODE",  16},
    {"REORDER",   kReorder},
    {"ROOT",      kRoot},
    {"NOROOT",    kNoroot},
    {"SORT",      kSort},
};

// The segment named by the token, made or resumed; null after an error.
segment_rec* segment_of_name(asm_context& cx, const token& t, segment_kind kind) {
  if (t.kind != TOK_IDENT || t.node == nullptr) {
    user_error_at(cx, t.column, gen_err::segment_name_expected);
    return nullptr;
  }
  for (ident_node* n = t.node; n != nullptr; n = n->same_name)
    if (segment_rec* seg = segment_of_node(n)) {
      if (seg->kind != kind) {
        user_error_at(cx, t.column, gen_err::duplicate_segment);
        return nullptr;
      }
      return seg;
    }
  // A user symbol so far only referenced becomes the segment's name; a
  // segment type word may name a segment too.
  ident_node* user = find_kind(t.node, KIND_USER);
  if (user == nullptr) {
    const bool type_word = find_kind(t.node, KIND_SEGMENT_TYPE) != nullptr;
    if (!type_word && t.node->kind != KIND_USER) {
      user_error_at(cx, t.column, gen_err::segment_name_expected);
      return nullptr;
    }
    user = user_node(cx, t.text, t.length);
  }
  if (const label_rec* l = user->label)
    if (!(l->flags & LBL_UNDEFINED) || (l->flags & (LBL_PUBLIC | LBL_EXTERN))) {
      user_error_at(cx, t.column, gen_err::bad_label);
      return nullptr;
    }
  return new_segment(cx, user, kind);
}

struct segment_form {
  int type = -1;        // the last type word given
  uint16_t set_flags = 0;
  uint16_t clear_flags = 0;
  expr_rec* alignment = nullptr;
  expr_rec* address = nullptr;
  bool ok = true;
};

// ":type" and ":attribute" words.
void read_segment_words(asm_context& cx, segment_form& f) {
  for (;;) {
    token t = next_token(cx);
    if (!is_punct(t, ':')) {
      save_or_get_token(cx, TOKEN_SAVE, t);
      return;
    }
    token w = next_token(cx);
    ident_node* word = w.kind == TOK_IDENT ? find_kind(w.node, KIND_SEGMENT_TYPE) : nullptr;
    if (word == nullptr) {
      user_error_at(cx, w.column, gen_err::segment_type_expected);
      f.ok = false;
      return;
    }
    switch (word->keyword.code) {
      case kReorder: f.set_flags |= SEG_REORDER; break;
      case kSort: f.set_flags |= SEG_SORT; break;
      case kNoroot: f.set_flags |= SEG_NOROOT, f.clear_flags &= ~SEG_NOROOT; break;
      case kRoot: f.clear_flags |= SEG_NOROOT, f.set_flags &= ~SEG_NOROOT; break;
      default: f.type = word->keyword.code; break;
    }
  }
}

// "(alignment)" and ",address".
void read_alignment_and_address(asm_context& cx, segment_form& f) {
  token t = next_token(cx);
  if (is_punct(t, '(')) {  // the parenthesised expression is the alignment
    save_or_get_token(cx, TOKEN_SAVE, t);
    f.alignment = read_absolute_operand(cx, t.column, 0, 31, "[0-31]");
    f.ok = f.ok && f.alignment != nullptr;
    t = next_token(cx);
  }
  if (is_punct(t, ',')) {
    f.address = parse_expression(cx);
    if (f.address == nullptr) f.ok = false;
    return;
  }
  save_or_get_token(cx, TOKEN_SAVE, t);
}

// RSEG, ASEGN, STACK, COMMON: the argument is the segment kind.
void do_segment(asm_context& cx, const statement_call& call) {
  const auto kind = static_cast<segment_kind>(call.argument);
  const token name = next_token(cx);
  segment_rec* seg = segment_of_name(cx, name, kind);
  if (seg == nullptr) return;
  segment_form f;
  read_segment_words(cx, f);
  if (f.ok) read_alignment_and_address(cx, f);
  if (!f.ok) return;
  const bool fresh = !(seg->flags & SEG_IN_USE);
  const uint16_t flags = static_cast<uint16_t>((seg->flags | f.set_flags) & ~f.clear_flags);
  if ((flags & (SEG_REORDER | SEG_SORT)) && (kind == SEG_COMMON || f.address != nullptr)) {
    user_error_at(cx, name.column, gen_err::invalid_syntax);
    return;
  }
  if (!fresh && (f.address != nullptr) != ((seg->flags & SEG_HAS_START) != 0)) {
    user_error_at(cx, name.column, gen_err::duplicate_segment);
    return;
  }
  if (f.alignment != nullptr) {
    if (seg->alignment_count != 0) {
      user_error_at(cx, name.column, gen_err::alignment_already_set);
      return;
    }
    seg->alignment = f.alignment;
    ++seg->alignment_count;
  }
  if (f.type >= 0) seg->type = static_cast<uint8_t>(f.type);
  seg->flags = flags | SEG_IN_USE;
  if (fresh && f.address != nullptr) {
    seg->start_address = f.address;
    seg->flags |= SEG_HAS_START;
  }
  switch_segment(cx, seg);
  call.record->kind = stmt_kind::segment_part;
  if (call.label != nullptr) define_label(cx, call.label, call.label_column);
}

// ASEG [address]
void do_aseg(asm_context& cx, const statement_call& call) {
  segment_rec* seg = absolute_segment(cx);
  switch_segment(cx, seg);
  call.record->kind = stmt_kind::segment_part;
  if (!at_operand_end(cx)) {
    int32_t address = 0;
    if (read_location_operand(cx, call.operation_column, &address)) {
      seg->location = address;
      call.record->kind = stmt_kind::abs_location;
    }
  }
  call.record->segment = seg;
  call.record->location = seg->location;
  if (call.label != nullptr) define_label(cx, call.label, call.label_column);
}

// ORG expression: the expression becomes the location counter. In a segment
// with a start address it is an address in that segment; the first ORG of a
// segment that has placed nothing yet gives the segment its start address.
void do_org(asm_context& cx, const statement_call& call) {
  segment_rec* seg = cx.segs.current;
  int32_t value = 0;
  const int column = call.operation_column;
  if (!read_location_operand(cx, column, &value)) value = seg->location;
  if (seg->kind != SEG_ABSOLUTE) {
    if (!(seg->flags & SEG_HAS_START) && seg->size[0] == 0 && seg->location == 0 && value != 0) {
      seg->start_address = make_constant(cx, value);
      seg->flags |= SEG_HAS_START;
    }
    if ((seg->flags & SEG_HAS_START) && seg->start_address->state == EXPR_ABSOLUTE) value -= seg->start_address->value;
    if (value < 0) {
      user_error_at(cx, column, gen_err::negative_result);
      value = seg->location;
    }
  }
  seg->location = value;
  call.record->kind = stmt_kind::org;
  call.record->location = value;
  if (call.label != nullptr) define_label(cx, call.label, call.label_column);
}

// ALIGN exponent[,fill]; EVEN and ODD: argument 1 and -1 (to an odd address).
void do_align(asm_context& cx, const statement_call& call) {
  segment_rec* seg = cx.segs.current;
  int32_t exponent = call.argument > 0 ? call.argument : 1;
  if (call.argument == 0) {
    expr_rec* e = read_absolute_operand(cx, call.operation_column, 0, 8, "[0-8]");
    if (e == nullptr) return;
    exponent = e->value;
    if (!at_operand_end(cx) && !expect_punct(cx, ',', gen_err::comma_expected)) return;
  }
  expr_rec* fill = nullptr;
  if (!at_operand_end(cx)) {
    fill = parse_expression(cx);
    if (fill == nullptr) return;
  }
  const int32_t unit = int32_t{1} << exponent;
  int32_t pad = (unit - (seg->location & (unit - 1))) & (unit - 1);
  if (call.argument < 0) pad = (seg->location & 1) ? 0 : 1;  // ODD
  statement_rec* r = call.record;
  r->kind = stmt_kind::align;
  r->byte_count = pad;
  r->value = fill;
  r->instr = nullptr;
  r->operand_column[0] = exponent;  // the alignment asked for, checked against the segment's in pass 2
  // The label stands after the padding.
  if (call.label != nullptr) {
    seg->location += pad;
    define_label(cx, call.label, call.label_column);
    seg->location -= pad;
  }
}

//                              name      class            flags          case        handler     argument
constexpr directive_entry kSegmentDirectives[] = {
    {"RSEG",   DCLASS_ORDINARY, DIR_OWN_LABEL, UPPER_CASE, do_segment, SEG_RELOCATABLE},
    {"ASEGN",  DCLASS_ORDINARY, DIR_OWN_LABEL, UPPER_CASE, do_segment, SEG_RELOCATABLE},
    {"STACK",  DCLASS_ORDINARY, DIR_OWN_LABEL, UPPER_CASE, do_segment, SEG_STACK},
    {"COMMON", DCLASS_ORDINARY, DIR_OWN_LABEL, UPPER_CASE, do_segment, SEG_COMMON},
    {"ASEG",   DCLASS_ORDINARY, DIR_OWN_LABEL, UPPER_CASE, do_aseg,    0},
    {"ORG",    DCLASS_ORDINARY, DIR_OWN_LABEL, UPPER_CASE, do_org,     0},
    {"ALIGN",  DCLASS_ORDINARY, DIR_OWN_LABEL, UPPER_CASE, do_align,   0},
    {"EVEN",   DCLASS_ORDINARY, DIR_OWN_LABEL, UPPER_CASE, do_align,   1},
    {"ODD",    DCLASS_ORDINARY, DIR_OWN_LABEL, UPPER_CASE, do_align,   -1},
};

}  // namespace

void register_segment_directives(asm_context& cx) {
  for (const segment_word& w : kSegmentWords) insert_segment_type_in_tree(cx, w.name, w.code);
  register_directives(cx, kSegmentDirectives);
}
