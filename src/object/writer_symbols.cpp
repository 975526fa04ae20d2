// writer_symbols.cpp — what a module tells the linker and the debugger about
// its symbols (A23): the symbol declarations (0xCE) with the name the linker
// binds by, debug frames (0xB5), functions with their frame lists (0xB0, 0xB1,
// 0xC4, 0xCA), call-graph edges (0xCB), the alias records of debug names
// (0xCD) and the predefined types (0x4A).
#include <string>

#include "diag/diag.h"
#include "directives/modules.h"
#include "driver/context.h"
#include "driver/segment_rec.h"
#include "driver/statement.h"
#include "expr/expression.h"
#include "object/quill_format.h"
#include "object/writer.h"

namespace {

// Predefined types: number and the type they are made of.
struct predefined_type {
  uint32_t number;
  uint32_t base;
};
// clang-format off
constexpr predefined_type kPredefinedTypes[] = {
  {100, 1},  // byte-sized special function register
  {101, 3},  // word-sized special function register
  {102, 7},
};
// clang-format on

constexpr uint16_t kNoFrame = 0xFFFF;
constexpr uint16_t kIndirectCallee = 0xFFFF;

bool is_relative(const expr_rec* v) { return v != nullptr && v->state == EXPR_RELATIVE && v->segment > 1; }

bool is_known(const expr_rec* v) { return v != nullptr && (v->state == EXPR_ABSOLUTE || v->state == EXPR_RELATIVE); }

// The class of a PUBLIC or PUBWEAK symbol by its value and flags.
uint8_t public_class(const label_rec* rec) {
  if (is_relative(rec->value)) return (rec->flags & LBL_WEAK) ? QS_WEAK : QS_RELOCATABLE;
  if (rec->flags & LBL_SFR) return QS_ABS_TYPED;
  return QS_ABSOLUTE;
}

void add_symbol(object_state& o, ident_node* node, uint8_t klass) {
  const auto [it, fresh] = o.symbol_numbers.try_emplace(node->label, static_cast<uint32_t>(o.symbols.size()));
  (void)it;
  if (fresh) o.symbols.push_back(object_symbol{node, klass});
}

// A label with a debug name, or the parent of a debug block, as a local symbol.
void add_debug_symbol(object_state& o, ident_node* node) {
  const label_rec* rec = node != nullptr ? node->label : nullptr;
  if (rec == nullptr || (rec->flags & (LBL_UNDEFINED | LBL_LOCAL)) || !is_known(rec->value)) return;
  add_symbol(o, node, is_relative(rec->value) ? QS_REL_LOCAL : QS_ABS_LOCAL);
}

// The frame list of a function: count, then segment, size and kind of each.
void dump_frames(asm_context& cx, const std::vector<frame_entry>& frames) {
  object_spool& s = cx.object.spool;
  s.byte(QT_FRAME_LIST);
  s.u32(static_cast<uint32_t>(frames.size()));
  for (const frame_entry& f : frames) {
    s.byte(QT_FRAME);
    s.index(segment_index(cx, f.segment));
    s.u32(static_cast<uint32_t>(f.size));
    s.u16(f.type);
  }
}

const function_rec* function_of(const asm_context& cx, const ident_node* label) {
  auto it = cx.object.functions.find(label);
  return it != cx.object.functions.end() ? it->second : nullptr;
}

// The function records after the declaration of a function symbol.
void dump_function(asm_context& cx, const object_symbol& sym, const function_rec& f) {
  object_spool& s = cx.object.spool;
  const uint32_t number = static_cast<uint32_t>(function_number(cx, sym.node, false));
  if (sym.klass == QS_EXTERNAL) {
    if (!f.loc_frames.empty()) {
      statement_rec* at = cx.module.end_statement;
      user_error_pass2(cx, at != nullptr ? AVM_RECORD : AVM_CURRENT, at, gen_err::locframe_external, OPERATION_FIELD);
    }
    s.byte(QT_FN_EXT), s.u16(number), s.u32(static_cast<uint32_t>(f.attributes));
    dump_frames(cx, f.arg_frames);
    return;
  }
  s.byte(QT_FN_DEF), s.u16(number), s.u16(kNoFrame), s.u16(kNoFrame), s.u32(static_cast<uint32_t>(f.attributes));
  s.byte(0), s.byte(0);
  dump_frames(cx, f.arg_frames);
  dump_frames(cx, f.loc_frames);
}

// The block numbers of a label with debug information: its own and its parent's.
void dump_debug_frame(asm_context& cx, const label_rec* rec) {
  object_spool& s = cx.object.spool;
  const uint32_t own = rec->block >= 0 ? static_cast<uint32_t>(rec->block) : kNoFrame;
  const label_rec* parent = rec->parent_block;
  const uint32_t up = parent != nullptr && parent->block >= 0 ? static_cast<uint32_t>(parent->block) : kNoFrame;
  s.byte(QT_SYM_DEBUG);
  s.u16(own), s.u16(up);
  s.u32(1);
  s.u16(kNoFrame), s.u16(3);
  s.u32(0);  // no frame entries
}

// One symbol declaration: class, segment (external number), value, type, and
// the name the linker binds it by; the record's length covers the name.
void dump_symbol(asm_context& cx, const object_symbol& sym) {
  object_state& o = cx.object;
  object_spool& s = o.spool;
  const label_rec* rec = sym.node->label;
  uint32_t segment = 0, value = 0, type = rec->segment_type;
  switch (sym.klass) {
    case QS_EXTERNAL:
      segment = rec->external_index;
      type = rec->extern_type;
      break;
    case QS_RELOCATABLE: case QS_REL_LOCAL: case QS_WEAK: case QS_WEAK_ALT:
      segment = segment_index(cx, rec->value->segment);
      value = static_cast<uint32_t>(rec->value->value);
      break;
    case QS_ABS_TYPED:
      value = static_cast<uint32_t>(rec->value->value);
      if (rec->flags & LBL_SFR_BYTE) type = 100;
      else if (rec->flags & LBL_SFR_WORD) type = 101;
      break;
    default:
      value = static_cast<uint32_t>(rec->value->value);
      break;
  }
  const std::string_view name(sym.node->name, sym.node->length);
  const std::size_t name_bytes = 1 + (name.size() < 255 ? name.size() : 255);
  s.byte(QT_SYMBOL);
  s.u32(static_cast<uint32_t>(12 + s.index_size(segment) + s.index_size(type) + name_bytes));
  s.byte(sym.klass);
  s.index(segment);
  s.u32(value);
  s.u32(0);  // extra word
  s.index(type);
  s.u16(0);
  s.byte(0);
  s.str8(name);
  if (o.settings.debug_frames && (cx.driver.opt.debug_output & 1) && (rec->flags2 & LBL2_DEBUG_INFO))
    dump_debug_frame(cx, rec);
  if (const function_rec* f = function_of(cx, sym.node)) dump_function(cx, sym, *f);
}

// The alias records of one label with debug information: its debug name, its
// block number, its parent block and the block's value.
void dump_aliases(asm_context& cx, const label_rec* rec) {
  object_state& o = cx.object;
  object_spool& s = o.spool;
  const auto own = o.symbol_numbers.find(rec);
  if (own == o.symbol_numbers.end()) return;
  const uint32_t number = own->second;
  if (rec->debug_name != nullptr) {
    const std::string_view text(rec->debug_name);
    s.byte(QT_ALIAS), s.u32(static_cast<uint32_t>(text.size() + 9)), s.byte(1), s.str32(text), s.u32(number);
  }
  if (rec->block >= 0) s.byte(QT_ALIAS), s.u32(9), s.byte(3), s.u32(number), s.u32(static_cast<uint32_t>(rec->block));
  if (rec->parent_block != nullptr) {
    const auto parent = o.symbol_numbers.find(rec->parent_block);
    if (parent != o.symbol_numbers.end()) {
      s.byte(QT_ALIAS), s.u32(static_cast<uint32_t>(5 + s.index_size(parent->second))), s.byte(2), s.u32(number);
      s.index(parent->second);
    }
  }
  if (rec->block_expr != nullptr && rec->block_expr->state == EXPR_ABSOLUTE) {
    s.byte(QT_ALIAS), s.u32(9), s.byte(3), s.u32(number), s.u32(static_cast<uint32_t>(rec->block_expr->value));
  }
}

}  // namespace

void plan_object_symbols(asm_context& cx) {
  object_state& o = cx.object;
  module_state& m = cx.module;
  o.symbols.clear();
  o.symbol_numbers.clear();
  o.function_numbers.clear();
  o.functions.clear();
  o.call_edges.clear();
  o.next_function = 0;
  for (function_rec& f : m.functions) {
    f.number = -1;
    o.functions.try_emplace(f.label, &f);
  }
  for (std::size_t i = 0; i < m.calls.size(); ++i) o.call_edges.try_emplace(m.calls[i].statement, i);
  // Externals as pass 2 numbered them; the unreferenced ones keep no number and stay out.
  for (ident_node* n : m.externals)
    if (n->label != nullptr && n->label->external_index != kUnreferenced) add_symbol(o, n, QS_EXTERNAL);
  // Publics that are defined with a known value (the others were reported in pass 2).
  for (ident_node* n : m.publics) {
    const label_rec* rec = n->label;
    if (rec == nullptr || (rec->flags & (LBL_UNDEFINED | LBL_LOCAL)) || !is_known(rec->value)) continue;
    add_symbol(o, n, public_class(rec));
  }
  for (ident_node* n : m.debug_symbols) {
    add_debug_symbol(o, n);
    if (n->label != nullptr && n->label->parent_block != nullptr) add_debug_symbol(o, n->label->parent_block->owner);
  }
}

void dump_module_types(asm_context& cx) {
  object_spool& s = cx.object.spool;
  for (const ident_node* n : cx.module.debug_symbols)
    if (n->label != nullptr) dump_aliases(cx, n->label);
  for (const predefined_type& t : kPredefinedTypes) {
    s.byte(QT_PREDEF_TYPE);
    s.index(t.number);
    s.byte(QT_TYPE_SIZE);
    s.u32(0x8000);
    s.index(t.base);
  }
}

void dump_symbol_declarations(asm_context& cx) {
  for (const object_symbol& sym : cx.object.symbols) dump_symbol(cx, sym);
}

int function_number(asm_context& cx, const ident_node* label, bool report) {
  object_state& o = cx.object;
  auto it = o.functions.find(label);
  if (it != o.functions.end()) {
    function_rec* f = it->second;
    if (f->number < 0) f->number = o.next_function++;
    return f->number;
  }
  if (report) {
    const char* name = label != nullptr ? label->name : "";
    if (statement_rec* at = const_cast<statement_rec*>(o.statement))
      user_error_pass2(cx, AVM_RECORD, at, gen_err::not_deffn, OPERAND_1, name);
    else
      user_error(cx, gen_err::not_deffn, name);
  }
  const auto [at, fresh] = o.function_numbers.try_emplace(label, o.next_function);
  if (fresh) ++o.next_function;
  return at->second;
}

void dump_call_graph(asm_context& cx, const statement_rec* record) {
  object_state& o = cx.object;
  const auto it = o.call_edges.find(record);
  if (it == o.call_edges.end()) return;
  const call_edge& edge = cx.module.calls[it->second];
  const uint32_t caller = static_cast<uint32_t>(function_number(cx, edge.caller, true));
  const uint32_t callee =
      edge.callee != nullptr ? static_cast<uint32_t>(function_number(cx, edge.callee, true)) : kIndirectCallee;
  o.spool.byte(QT_CALL);
  o.spool.u16(caller), o.spool.u16(callee), o.spool.u16(edge.callee == nullptr ? 1 : 0);
  const std::vector<frame_entry> none;
  const function_rec* f = function_of(cx, edge.caller);
  dump_frames(cx, f != nullptr ? f->loc_frames : none);
  dump_frames(cx, f != nullptr ? f->arg_frames : none);
}
