// statement.cpp — making statement and line records, placing them in their
// segments, attaching diagnostics (A08).
#include "driver/statement.h"

#include "driver/context.h"
#include "driver/memory.h"
#include "diag/diag.h"
#include "expr/expression.h"

namespace {

//                                  name            location  advances
constexpr stmt_kind_info kKindInfo[] = {
    {"nothing",      false, false},  // nothing
    {"label",        true,  false},  // label
    {"equate",       false, false},  // equate
    {"abs_location", true,  false},  // abs_location
    {"instruction",  true,  true },  // instruction
    {"error",        true,  true },  // error
    {"org",          true,  false},  // org
    {"storage",      true,  true },  // storage
    {"segment_part", false, false},  // segment_part
    {"symbol_decl",  false, false},  // symbol_decl
    {"data",         true,  true },  // data
    {"align",        true,  true },  // align
    {"assertion",    false, false},  // assertion
    {"range_check",  false, false},  // range_check
    {"call_graph",   false, false},  // call_graph
    {"target_stmt",  true,  true },  // target_stmt
    {"mode_change",  false, false},  // mode_change
    {"tagged_data",  true,  true },  // tagged_data
};
static_assert(std::size(kKindInfo) == kStmtKinds, "one row per statement kind");

}  // namespace

const stmt_kind_info& kind_info(stmt_kind kind) { return kKindInfo[static_cast<int>(kind)]; }

line_rec* make_line_rec(asm_context& cx, const char* file_name, long line_no, const char* text, std::size_t length) {
  if (length > 0 && text[length - 1] == '\n') --length;
  line_rec* line = am_new<line_rec>(cx);
  line->line_no = line_no;
  line->file_name = file_name != nullptr ? file_name : "";
  line->text = am_strdup(cx, text, length);
  line->text_len = static_cast<uint32_t>(length);
  return line;
}

statement_rec* insert_avm_struct(asm_context& cx, line_rec* line) {
  statement_rec* record = am_new<statement_rec>(cx);
  record->line = line;
  if (line != nullptr) line->statement = record;
  statement_state& st = cx.stmt;
  if (segment_rec* seg = cx.segs.current) {
    record->segment = seg;
    record->location = seg->location;
  }
  if (st.last != nullptr)
    st.last->next = record;
  else
    st.first = record;
  st.last = record;
  st.current = record;
  ++st.statements;
  return record;
}

statement_rec* current_statement(const asm_context& cx) { return cx.stmt.current; }

void mark_erroneous(statement_rec* record) {
  if (record != nullptr) record->flags |= STMT_ERRONEOUS;
}

void dump_asm_op(asm_context& cx, statement_rec* record) {
  if (record == nullptr || (record->flags & STMT_PLACED)) return;
  segment_rec* seg = cx.segs.current;
  if (seg == nullptr) return;
  if (record->segment != seg) {  // the line switched segments: it starts the new one's part
    record->segment = seg;
    record->location = seg->location;
  }
  record->flags |= STMT_PLACED;
  if (seg->last != nullptr)
    seg->last->next_in_segment = record;
  else
    seg->first = record;
  seg->last = record;
  if (kind_info(record->kind).advances) {
    // The location counter never passes the end of the address space; in a
    // segment with a known start address the bytes land from that address.
    int64_t base = 0;
    if ((seg->flags & SEG_HAS_START) && seg->start_address != nullptr && seg->start_address->state == EXPR_ABSOLUTE)
      base = seg->start_address->value;
    const int64_t end = base + seg->location + record->byte_count;
    if (end > kAddressSpaceEnd || end < 0) {
      user_error_at(cx, record->operation_column, gen_err::segment_too_long, nullptr, kAddressSpaceEnd - 1);
      mark_erroneous(record);
    } else {
      seg->location = static_cast<int32_t>(end - base);
    }
  }
  if (seg->location > seg->size[0]) seg->size[0] = seg->location;
}

void attach_diag_piece(asm_context& cx, statement_rec* record, const char* text, std::size_t length) {
  diag_piece* piece = am_new<diag_piece>(cx);
  piece->text = am_strdup(cx, text, length);
  piece->length = static_cast<uint32_t>(length);
  if (record->diag_last != nullptr)
    record->diag_last->next = piece;
  else
    record->diag_first = piece;
  record->diag_last = piece;
}
