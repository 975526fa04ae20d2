// pass2.cpp — the end of pass 1 and pass 2 of a module (A03): blocks left
// open, segments closed, forward references solved, then every statement's
// code made from its final values, segment by segment, with the declaration
// checks and the external numbering the object needs, and handed to the
// object writer.
#include "driver/pass2.h"

#include <algorithm>
#include <cstring>
#include <unordered_set>
#include <vector>

#include "diag/diag.h"
#include "directives/data.h"
#include "directives/modules.h"
#include "driver/block_stack.h"
#include "driver/code_sink.h"
#include "driver/context.h"
#include "driver/memory.h"
#include "driver/statement.h"
#include "driver/stops.h"
#include "expr/expression.h"
#include "object/writer.h"
#include "target/target.h"

namespace {

// Blocks still open when the module ends.
void report_open_blocks(asm_context& cx) {
  const block_counts open = blocks_above(cx, 0);
  if (open.of[static_cast<int>(block_type::structured)] != 0) user_error(cx, gen_err::structured_unbalanced);
  if (open.of[static_cast<int>(block_type::conditional)] != 0) user_error(cx, gen_err::cond_unbalanced);
  cut_blocks(cx, 0);
}

// Statements that place bytes in the absolute segment must not overlap.
void check_absolute_overlap(asm_context& cx) {
  const segment_rec* abs = cx.segs.count > 0 ? cx.segs.table[0] : nullptr;
  if (abs == nullptr) return;
  std::vector<statement_rec*> placed;
  for (statement_rec* r = abs->first; r != nullptr; r = r->next_in_segment)
    if (r->byte_count > 0 && r->kind != stmt_kind::storage && !is_erroneous(r)) placed.push_back(r);
  std::stable_sort(placed.begin(), placed.end(),
                   [](const statement_rec* a, const statement_rec* b) { return a->location < b->location; });
  int64_t end = -1;
  for (statement_rec* r : placed) {
    if (r->location < end) user_error_pass2(cx, AVM_RECORD, r, gen_err::aseg_overlap, OPERATION_FIELD);
    end = std::max<int64_t>(end, int64_t{r->location} + r->byte_count);
  }
}

const char* module_name(const asm_context& cx) {
  return cx.module.name != nullptr ? cx.module.name : cx.driver.files.source_base.c_str();
}

// An error of the module's end: on its END line, or where the source ended
// when the module has none.
void error_at_module_end(asm_context& cx, gen_err number, const char* text = nullptr) {
  statement_rec* at = cx.module.end_statement;
  user_error_pass2(cx, at != nullptr ? AVM_RECORD : AVM_CURRENT, at, number, OPERATION_FIELD, text);
}

// The declaration checks of PUBLIC and PUBWEAK symbols.
void check_publics(asm_context& cx) {
  for (ident_node* n : cx.module.publics) {
    const label_rec* rec = n->label;
    if (rec->flags & LBL_UNDEFINED) {
      error_at_module_end(cx, gen_err::public_not_in_label_field, n->name);
      continue;
    }
    const expr_rec* v = rec->value;
    if (v == nullptr || (v->state != EXPR_ABSOLUTE && v->state != EXPR_RELATIVE)) {
      error_at_module_end(cx, gen_err::extern_or_unsolved);
      continue;
    }
    if (rec->flags & LBL_WEAK) {
      const segment_rec* seg = v->segment != 0 && v->segment <= cx.segs.count ? cx.segs.table[v->segment - 1] : nullptr;
      if (seg == nullptr || seg->kind != SEG_RELOCATABLE || !(seg->flags & SEG_HAS_START))
        error_at_module_end(cx, gen_err::pubweak_not_in_rseg, n->name);
    }
  }
}

// Each external that an expression refers to, or that FUNCTION describes,
// gets the next number, in the order of the EXTERN directives; the object's
// references and declarations read it from the symbol. With every external
// declared, all get one.
void number_externals(asm_context& cx) {
  std::unordered_set<const ident_node*> functions;
  for (const function_rec& f : cx.module.functions) functions.insert(f.label);
  uint16_t next = 0;
  const bool all = cx.object.settings.declare_all_externals;
  for (ident_node* n : cx.module.externals) {
    label_rec* rec = n->label;
    rec->external_index = rec->uses > 0 || all || functions.count(n) ? next++ : kUnreferenced;
  }
}

// Padding of ALIGN, EVEN and ODD: the fill byte in every byte of the gap.
void gen_padding(asm_context& cx, statement_rec* r, code_sink& sink) {
  if (r->value == nullptr) return;  // no fill: the object moves the location instead
  const expr_rec* fill = r->value;
  if (fill->state != EXPR_ABSOLUTE) {
    user_error_pass2(cx, AVM_RECORD, r, gen_err::must_be_absolute, OPERAND_1);
    mark_erroneous(r);
    return;
  }
  const uint32_t b = static_cast<uint8_t>(fill->value);
  const uint32_t word = b | (b << 8) | (b << 16) | (b << 24);
  int32_t left = r->byte_count;
  for (; left >= 4; left -= 4) emit_value(sink, word, 4);
  if (left > 0) emit_value(sink, word, static_cast<uint8_t>(left));
}

// Warning 22 where ALIGN asks for more than its relocatable segment has.
void check_alignment(asm_context& cx, statement_rec* r) {
  const segment_rec* seg = r->segment;
  if (seg == nullptr || seg->kind == SEG_ABSOLUTE || (seg->flags & SEG_HAS_START)) return;
  const int asked = r->operand_column[0];
  const int has = seg->alignment != nullptr && seg->alignment->state == EXPR_ABSOLUTE ? seg->alignment->value : 0;
  if (asked > has) user_warning_pass2(cx, AVM_RECORD, r, gen_warn::segment_alignment, OPERATION_FIELD, nullptr, asked);
}

// The code of one statement into the sink; false when it failed.
bool gen_statement(asm_context& cx, statement_rec* r, code_sink& sink) {
  switch (r->kind) {
    case stmt_kind::instruction: return gen_instruction(cx, r, sink);
    case stmt_kind::data: return gen_data(cx, r, sink);
    case stmt_kind::align:
      check_alignment(cx, r);
      gen_padding(cx, r, sink);
      return !is_erroneous(r);
    case stmt_kind::range_check:
      if (r->value != nullptr && r->value->state == EXPR_UNSOLVED) {
        user_error_pass2(cx, AVM_RECORD, r, gen_err::undefined_symbol, OPERAND_1,
                         find_label(cx, r->value, LBL_UNDEFINED) != nullptr
                             ? find_label(cx, r->value, LBL_UNDEFINED)->name
                             : "");
        return false;
      }
      return true;
    default: return true;
  }
}

// The bytes a statement writes: all of its byte count, but for the kinds
// that move the location without writing (DS, padding without fill).
uint32_t written_bytes(const statement_rec* r) {
  if (r->kind == stmt_kind::storage) return 0;
  if (r->kind == stmt_kind::align && r->value == nullptr) return 0;
  return kind_info(r->kind).advances ? static_cast<uint32_t>(r->byte_count) : 0;
}

// The code of a statement that is not erroneous yet. A statement on which its
// encoder reported an error, or which it failed on, becomes erroneous (error
// 52 when the failure came without a report of its own); its bytes still go
// to the listing when it made all of them.
void make_code(asm_context& cx, statement_rec* r, code_sink& sink) {
  const int errors = cx.driver.module_errors;
  const bool made = gen_statement(cx, r, sink);
  const bool reported = cx.driver.module_errors != errors;
  if (!made && !reported) user_error_pass2(cx, AVM_RECORD, r, gen_err::extern_not_allowed, OPERATION_FIELD);
  if (!made || reported) mark_erroneous(r);
  if (!made) return;
  if (sink.size() != written_bytes(r)) {
    if (!is_erroneous(r))
      internal_error(cx, "gen_asm_code_A23", "Wrong bytecount", static_cast<long>(written_bytes(r)),
                     static_cast<long>(sink.size()));
    return;
  }
  if (sink.size() > 0) {
    auto* code = static_cast<uint8_t*>(am_memory(cx, sink.size()));
    std::memcpy(code, sink.bytes.data(), sink.size());
    r->code = code;
    cx.driver.module_bytes += sink.size();
  }
}

// Every statement reaches the object writer; an erroneous one is written as such.
void encode_statement(asm_context& cx, statement_rec* r, code_sink& sink) {
  sink.clear();
  if (!is_erroneous(r)) make_code(cx, r, sink);
  gen_asm_code(cx, r, sink);
  if (!is_erroneous(r) && cx.pass2.statement_done != nullptr) cx.pass2.statement_done(cx, r, sink);
}

}  // namespace

void end_pass1(asm_context& cx) {
  target_end_module(cx);
  report_open_blocks(cx);
  resolve_unsolved(cx);
  check_absolute_overlap(cx);
}

bool run_pass2(asm_context& cx) {
  if (!cx.module.has_content) {
    statement_rec* at = cx.module.end_statement;
    user_warning_pass2(cx, at != nullptr ? AVM_RECORD : AVM_CURRENT, at, gen_warn::empty_module, OPERATION_FIELD,
                       module_name(cx));
    return false;
  }
  check_publics(cx);
  number_externals(cx);
  object_begin_module(cx);
  code_sink& sink = cx.pass2.sink;
  for (uint16_t i = 0; i < cx.segs.count; ++i) {
    segment_rec* seg = cx.segs.table[i];
    object_enter_segment(cx, seg);
    for (statement_rec* r = seg->first; r != nullptr; r = r->next_in_segment) encode_statement(cx, r, sink);
  }
  object_end_module(cx);
  return true;
}
