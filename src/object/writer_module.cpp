// writer_module.cpp — one module's records (A23): the header, the segment
// declarations, the records of every statement from the code pass 2 made for
// it (data, relocatable fields, locations, checks, source tags), and the end
// record. The machine record of each element says which spool bytes it wrote.
#include <cstring>
#include <ctime>
#include <string>

#include "cfi/cfi_record.h"
#include "diag/diag.h"
#include "driver/code_sink.h"
#include "driver/context.h"
#include "driver/segment_rec.h"
#include "driver/statement.h"
#include "driver/stops.h"
#include "expr/expression.h"
#include "expr/operators.h"
#include "object/quill_format.h"
#include "object/writer.h"
#include "source/reader.h"

namespace {

// The element whose bytes start at `first` ends here.
void close_machine_rec(object_state& o, uint32_t first, machine_kind kind, const statement_rec* statement = nullptr) {
  const uint32_t end = o.spool.size();
  if (end != first || kind != machine_kind::statement) o.records.push_back(machine_rec{first, end - first, kind, statement});
}

bool debug_on(const asm_context& cx) { return (cx.driver.opt.debug_output & 1) != 0; }

// The module header: kind, format, flags, the module number, the date, the name.
void dump_header(asm_context& cx) {
  object_state& o = cx.object;
  object_spool& s = o.spool;
  const module_state& m = cx.module;
  s.byte(m.library ? QT_LIBRARY : QT_PROGRAM);
  s.byte(0x0A);
  s.byte(2 + (o.little_endian ? kQuillLittleEndian : 0));
  uint32_t number = 0;
  if (const expr_rec* e = m.numeric_operand) {
    if (e->state == EXPR_ABSOLUTE) {
      number = static_cast<uint32_t>(e->value) & 0x0F;
    } else {
      statement_rec* at = m.end_statement;
      user_error_pass2(cx, at != nullptr ? AVM_RECORD : AVM_CURRENT, at, gen_err::extern_or_unsolved, OPERATION_FIELD);
    }
  }
  s.byte(number);
  if (o.settings.fixed_date) {
    s.byte(28), s.byte(11), s.byte(90);
  } else {
    std::tm t{};
    const std::time_t when = cx.driver.assembly_time;
    localtime_r(&when, &t);
    s.byte(static_cast<uint32_t>(t.tm_mday)), s.byte(static_cast<uint32_t>(t.tm_mon + 1));
    s.byte(static_cast<uint32_t>(t.tm_year));
  }
  s.str8(m.name != nullptr ? m.name : cx.driver.files.source_base.c_str());
  for (uint8_t b : {0xBD, 0x0A, 0x00, 0x02, 0x00}) s.byte(b);
}

// A segment with a fixed address is declared with it (0xC5), any other with
// its alignment and placement flags (0x4B).
void dump_segment_declaration(asm_context& cx, const segment_rec* seg) {
  object_spool& s = cx.object.spool;
  const uint32_t index = segment_index(cx, seg);
  uint32_t kind = seg->kind;
  if (seg->flags & SEG_HAS_START) {
    uint32_t address = 0;
    const expr_rec* start = seg->start_address;
    if (start != nullptr && start->state == EXPR_ABSOLUTE) {
      address = static_cast<uint32_t>(start->value);
    } else {
      statement_rec* at = seg->first;
      user_error_pass2(cx, at != nullptr ? AVM_RECORD : AVM_CURRENT, at, gen_err::extern_or_unsolved, OPERAND_1);
    }
    if (seg->flags & SEG_NOROOT) kind = QK_STACK;
    s.byte(QT_ASEG);
    s.index(index);
    s.byte(kind << 5 | seg->type);
    s.u32(address);
  } else {
    uint32_t flags = 0;
    if (seg->alignment != nullptr && seg->alignment->state == EXPR_ABSOLUTE)
      flags = static_cast<uint32_t>(seg->alignment->value) & kQuillAlignMask;
    if (seg->flags & SEG_NOROOT) flags |= kQuillNoRoot;
    if (seg->flags & SEG_REORDER) flags |= kQuillReorder;
    if (seg->flags & SEG_SORT) flags |= kQuillSort;
    s.byte(QT_RSEG);
    s.byte(flags);
    s.index(index);
    s.byte(kind << 5 | seg->type);
  }
  s.str8(seg->name);
}

// The index of a source file in the file index table.
int file_index(asm_context& cx, const char* name) {
  const int n = file_table_size(cx);
  for (int i = 0; i < n; ++i) {
    const char* entry = file_table_name(cx, i);
    if (entry == name || std::strcmp(entry, name) == 0) return i;
  }
  internal_error(cx, "A23:dump_src_tags", (std::string("File '") + name + "' has no index").c_str(), 0, 0);
  return 0;
}

// Source tags before the code of a statement: the file when it changed, then
// the position.
void dump_src_tags(asm_context& cx, const statement_rec* r) {
  object_state& o = cx.object;
  if (!debug_on(cx) || r->line == nullptr) return;
  const char* file = r->line->file_name != nullptr ? r->line->file_name : "";
  const int index = file_index(cx, file);
  if (!o.settings.numbered_files && (o.last_file == nullptr || std::strcmp(o.last_file, file) != 0)) {
    o.spool.byte(QT_SRC_CHANGE);
    o.spool.u16(static_cast<uint32_t>(index));
    o.last_file = file;
  }
  if (o.settings.suppress_line_tags) return;
  const uint32_t number = static_cast<uint32_t>(o.settings.numbered_files ? index + 1 : index);
  o.spool.byte(QT_SRC_POS);
  o.spool.u16(number), o.spool.u16(1), o.spool.u16(number);
  o.spool.u16(static_cast<uint32_t>(std::strlen(file)));
  o.spool.byte(0x0F);
}

// The mode byte, when a segment switch or an absolute start made one due.
void dump_mode(object_state& o) {
  if (!o.mode_pending) return;
  o.spool.byte(QT_MODE);
  o.spool.byte(o.mode);
  o.mode_pending = false;
}

// Before a statement that places bytes or refers to `$`: the segment's switch
// record, or a location record where the linker's location is not the
// statement's (after an erroneous statement that wrote no bytes).
void place(asm_context& cx, const statement_rec* r) {
  object_state& o = cx.object;
  if (o.switch_pending || o.cursor.segment != r->segment || o.cursor.location != r->location)
    dump_location(cx, r->segment, r->location);
  o.switch_pending = false;
}

// The units of a statement's code: plain data records, and for each linker
// field its expression and the store of its size.
bool dump_units(asm_context& cx, const code_sink& code) {
  object_state& o = cx.object;
  for (const code_unit& u : code.units) {
    const bool swapped = (u.flags & CODE_SWAPPED) != 0;
    if (!(u.flags & CODE_FIELD)) {
      dump_data(cx, u.value, u.size, swapped);
      continue;
    }
    const expr_written w = dump_expression(cx, u.expr);
    if (!w.ok) return false;
    if (!w.funcref) dump_store(cx, u.size, swapped);
  }
  o.cursor.location += code.size();
  return true;
}

// Whether the postfix list already ends in a linker range check.
bool has_range_check(const expr_rec* e) {
  if (e->state != EXPR_POSTFIX || e->list == nullptr) return false;
  for (const postfix_elem* p = e->list->first; p != nullptr && p->kind != PF_END; p = p->next)
    if (p->kind == PF_OPERATOR && p->payload.op.code == OP_CHECK_RANGE) return true;
  return false;
}

bool is_relocatable(const expr_rec* e) {
  return e != nullptr && (e->state == EXPR_RELATIVE || e->state == EXPR_POSTFIX);
}

// The linker's part of LIMIT and of assertions: the value, its check, dropped.
bool dump_check_statement(asm_context& cx, const statement_rec* r) {
  const expr_rec* v = r->value;
  if (!is_relocatable(v)) return true;  // settled during assembly
  place(cx, r);
  if (!dump_expression(cx, v).ok) return false;
  if (r->kind == stmt_kind::range_check && !has_range_check(v))
    dump_range_check(cx, v->limit_min, v->limit_max, v->limit_name);
  cx.object.spool.byte(QT_DISCARD);
  return true;
}

// The statement's records by kind; false after an error that makes it erroneous.
bool write_statement(asm_context& cx, statement_rec* r, const code_sink& code) {
  object_state& o = cx.object;
  switch (r->kind) {
    case stmt_kind::nothing:
    case stmt_kind::label:
    case stmt_kind::equate:
    case stmt_kind::segment_part:  // the types went out with the declarations
    case stmt_kind::symbol_decl:   // so did the symbols
      return true;
    case stmt_kind::abs_location:
      o.mode_pending = true;
      o.switch_pending = false;
      dump_location(cx, r->segment, r->location);
      return true;
    case stmt_kind::error:
      o.spool.byte(QT_ERROR);
      return true;
    case stmt_kind::org:
      o.switch_pending = false;
      dump_location(cx, r->segment, r->location);
      return true;
    case stmt_kind::storage:  // the bytes are reserved, not written: the linker skips them
      o.switch_pending = false;
      dump_location(cx, r->segment, int64_t{r->location} + r->byte_count);
      return true;
    case stmt_kind::align:
      if (r->value == nullptr) {
        o.switch_pending = false;
        dump_location(cx, r->segment, int64_t{r->location} + r->byte_count);
        return true;
      }
      place(cx, r);
      return dump_units(cx, code);
    case stmt_kind::data:
    case stmt_kind::target_stmt:
      place(cx, r);
      return dump_units(cx, code);
    case stmt_kind::instruction:
    case stmt_kind::tagged_data:
      place(cx, r);
      dump_mode(o);
      dump_src_tags(cx, r);
      return dump_units(cx, code);
    case stmt_kind::assertion:
    case stmt_kind::range_check:
      return dump_check_statement(cx, r);
    case stmt_kind::call_graph:
      dump_call_graph(cx, r);
      return true;
    case stmt_kind::mode_change:
      o.mode_pending = true;
      if (r->value != nullptr && r->value->state == EXPR_ABSOLUTE && r->value->value != -1)
        o.mode = static_cast<uint8_t>(r->value->value);
      return true;
  }
  internal_error(cx, "gen_asm_code_A23", "Not a type", static_cast<long>(r->kind), 0);
  return false;
}

// The fields of a statement's code that are still unknown are its undefined
// symbols (error 50), found before anything is written.
bool fields_known(asm_context& cx, statement_rec* r, const code_sink& code) {
  for (const code_unit& u : code.units) {
    if (!(u.flags & CODE_FIELD) || u.expr == nullptr) continue;
    if (u.expr->state != EXPR_UNSOLVED && u.expr->state != EXPR_TEMPORARY) continue;
    user_error_pass2(cx, AVM_RECORD, r, gen_err::undefined_symbol, OPERAND_1, unsolved_name(u.expr));
    return false;
  }
  return true;
}

}  // namespace

// ---- Data ---------------------------------------------------------------------------

void dump_data(asm_context& cx, uint32_t value, unsigned size, bool swapped) {
  object_state& o = cx.object;
  const bool low_first = o.little_endian != swapped;
  uint8_t b[5];
  switch (size) {
    case 1:
      b[0] = QT_DATA1, b[1] = static_cast<uint8_t>(value);
      break;
    case 2:
      b[0] = QT_DATA2;
      b[low_first ? 1 : 2] = static_cast<uint8_t>(value);
      b[low_first ? 2 : 1] = static_cast<uint8_t>(value >> 8);
      break;
    case 3:  // four bytes are written, three placed
      b[0] = QT_DATA3;
      if (o.little_endian) {
        for (int i = 0; i < 4; ++i) b[1 + i] = static_cast<uint8_t>(value >> (8 * i));
      } else {
        b[1] = static_cast<uint8_t>(value >> 16), b[2] = static_cast<uint8_t>(value >> 8);
        b[3] = static_cast<uint8_t>(value), b[4] = 0;
      }
      break;
    case 4:
      b[0] = QT_DATA4;
      for (int i = 0; i < 4; ++i) b[1 + i] = static_cast<uint8_t>(value >> (8 * (low_first ? i : 3 - i)));
      break;
    default:
      internal_error(cx, "dump_data_A23", "Illegal data size", size, 0);
      return;
  }
  o.spool.put(b, size == 3 ? 5 : size + 1);
  o.emitted += size;
}

void dump_abs_block(asm_context& cx, unsigned size, uint32_t value, uint32_t count) {
  if (size > 4) {
    internal_error(cx, "dump_abs_block_A23", "Size not within 0-4", size, 0);
    return;
  }
  object_state& o = cx.object;
  o.spool.byte(QT_ABS_BLOCK);
  o.spool.byte(size);
  o.spool.u32(value);
  o.spool.u32(count);
  o.emitted += size * count;
}

void dump_store(asm_context& cx, unsigned size, bool swapped) {
  object_spool& s = cx.object.spool;
  switch (size) {
    case 1: s.byte(QT_STORE1); break;
    case 2:
      if (swapped) {  // (v << 8) | (v >> 8): the low two bytes exchanged
        s.byte(0x70);
        s.byte(0x6D), s.u32(8);
        s.byte(0x6F);
        s.byte(0x6E), s.u32(8);
        s.byte(0x69);
      }
      s.byte(QT_STORE2);
      break;
    case 3: s.byte(QT_STORE3); break;
    case 4: s.byte(QT_STORE4); break;
    default: internal_error(cx, "DB_label_popper_A23", "Illegal size", size, 0); return;
  }
  cx.object.emitted += size;
}

void dump_location(asm_context& cx, const segment_rec* seg, int64_t location) {
  object_state& o = cx.object;
  if (seg == nullptr || seg->kind == SEG_ABSOLUTE) {
    o.spool.byte(QT_LOC_ABS);
    o.spool.u16(0);
  } else {
    o.spool.byte(QT_LOC_REL);
    o.spool.index(segment_index(cx, seg));
  }
  o.spool.u32(static_cast<uint32_t>(location));
  o.cursor.segment = seg;
  o.cursor.location = location;
}

void dump_end_record(asm_context& cx, const expr_rec* start) {
  object_spool& s = cx.object.spool;
  if (start == nullptr) {
    s.byte(QT_END);
  } else if (start->state == EXPR_ABSOLUTE || (start->state == EXPR_RELATIVE && start->segment <= 1)) {
    s.byte(QT_END_ABS), s.u16(0), s.u32(static_cast<uint32_t>(start->value));
  } else if (start->state == EXPR_RELATIVE) {
    s.byte(QT_END_REL), s.index(segment_index(cx, start->segment)), s.u32(static_cast<uint32_t>(start->value));
  } else {
    statement_rec* at = cx.module.end_statement;
    user_error_pass2(cx, at != nullptr ? AVM_RECORD : AVM_CURRENT, at, gen_err::extern_or_unsolved, OPERAND_1);
    s.byte(QT_END);
  }
}

// ---- The module ---------------------------------------------------------------------

void object_begin_module(asm_context& cx) {
  object_state& o = cx.object;
  o.spool.start(&cx, o.settings.fixed_indexes);
  o.records.clear();
  o.little_endian = cx.pass2.sink.little_endian;
  o.emitted = 0;
  o.statement_start = 0;
  o.statement = nullptr;
  o.mode_pending = false;
  o.mode = 2;
  o.last_file = nullptr;
  o.switch_pending = false;
  o.segment = nullptr;
  o.cursor = object_cursor{};

  dump_header(cx);
  close_machine_rec(o, 0, machine_kind::header);

  plan_object_symbols(cx);
  uint32_t first = o.spool.size();
  dump_module_types(cx);
  close_machine_rec(o, first, machine_kind::declaration);
  for (uint16_t i = 0; i < cx.segs.count; ++i) {
    const segment_rec* seg = cx.segs.table[i];
    if (seg->kind == SEG_ABSOLUTE) continue;  // its records say addresses, not an index
    first = o.spool.size();
    dump_segment_declaration(cx, seg);
    close_machine_rec(o, first, machine_kind::declaration);
  }
  first = o.spool.size();
  dump_symbol_declarations(cx);
  close_machine_rec(o, first, machine_kind::declaration);
}

void object_enter_segment(asm_context& cx, segment_rec* seg) {
  object_state& o = cx.object;
  o.segment = seg;
  o.switch_pending = true;
  o.mode_pending = true;
}

void gen_asm_code(asm_context& cx, statement_rec* r, const code_sink& code) {
  object_state& o = cx.object;
  o.statement = r;
  o.statement_start = o.emitted;
  const uint32_t first = o.spool.size();
  const object_cursor cursor = o.cursor;
  const bool mode_pending = o.mode_pending, switch_pending = o.switch_pending;
  const char* last_file = o.last_file;
  const int next_function = o.next_function;
  bool erroneous = is_erroneous(r) && !o.settings.pass_erroneous;
  if (!erroneous && !(fields_known(cx, r, code) && write_statement(cx, r, code))) {
    // What the statement wrote is taken back; it is written as erroneous.
    o.spool.truncate(first);
    o.emitted = o.statement_start;
    o.cursor = cursor;
    o.mode_pending = mode_pending, o.switch_pending = switch_pending;
    o.last_file = last_file;
    (void)next_function;
    mark_erroneous(r);
    erroneous = true;
  }
  if (erroneous) o.spool.byte(QT_ERROR);
  close_machine_rec(o, first, machine_kind::statement, r);
  o.statement = nullptr;
}

void object_end_module(asm_context& cx) {
  object_state& o = cx.object;
  const std::vector<uint8_t> cfi = cfi_module_record(cx);
  if (!cfi.empty()) {
    const uint32_t first = o.spool.size();
    o.spool.put(cfi.data(), cfi.size());
    close_machine_rec(o, first, machine_kind::declaration);
  }
  const uint32_t first = o.spool.size();
  dump_end_record(cx, cx.module.start_address);
  close_machine_rec(o, first, machine_kind::end);
  write_module_file(cx);
  cx.driver.module_checksum = o.last_checksum;
  o.spool.recycle();
}
