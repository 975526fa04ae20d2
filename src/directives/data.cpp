// data.cpp — data and storage directives (A09): the item reader of DB, DW, DP
// and DD, the storage directive DS, and the code of data statements in pass 2.
//
//   [label] DB item[,item...]     items: [+|-]number, floating constant (4-byte
//   [label] DS count                     items), "string", expression
#include "directives/data.h"

#include <string_view>

#include "diag/diag.h"
#include "directives/directive_table.h"
#include "directives/operands.h"
#include "driver/code_sink.h"
#include "driver/context.h"
#include "driver/memory.h"
#include "driver/statement.h"
#include "expr/expression.h"
#include "expr/float_constant.h"
#include "source/lexer.h"
#include "target/target.h"

namespace {

// Size codes of the data directives, turned into bytes by the target.
constexpr int kSize8 = 1;
constexpr int kSize16 = 2;
constexpr int kSize24 = 4;
constexpr int kSize32 = 8;

bool is_line_end(const token& t) { return t.kind == TOK_EOL || t.kind == TOK_EOF; }

// The range a value of `size` bytes may take, signed or unsigned.
bool fits(int64_t value, uint8_t size) {
  if (size >= 4) return true;
  const int64_t top = int64_t{1} << (8 * size);
  return value >= -(top / 2) && value < top;
}

data_item* new_item(asm_context& cx, item_kind kind, uint8_t size, int column) {
  data_item* item = am_new<data_item>(cx);
  *item = data_item{nullptr, kind, size, column, 0, nullptr, 0, nullptr};
  return item;
}

// A floating constant as the single-precision bits of a 4-byte item.
data_item* float_item(asm_context& cx, const token& t, bool negative, uint8_t size) {
  if (size != 4) {
    user_error_at(cx, t.column, gen_err::invalid_syntax);
    return nullptr;
  }
  soft_float value;
  if (!float_constant(cx, std::string_view(t.text, t.length), value)) return nullptr;
  if (negative) negate_float(cx.floats, value);
  data_item* item = new_item(cx, item_kind::floating, size, t.column);
  item->bits = get_ieee_single(cx.floats, value);
  return item;
}

// One item; null after an error (reported).
data_item* read_item(asm_context& cx, uint8_t size) {
  token t = next_token(cx);
  token sign{};
  bool signed_item = false;
  if (t.kind == TOK_PUNCT && (t.code == '-' || t.code == '+')) {
    sign = t;
    signed_item = true;
    t = next_token(cx);
  }
  if (t.kind == TOK_FLOAT) return float_item(cx, t, signed_item && sign.code == '-', size);
  if (t.kind == TOK_STRING && !signed_item) {
    token after = next_token(cx);
    save_or_get_token(cx, TOKEN_SAVE, after);
    if (is_line_end(after) || is_punct(after, ',')) {
      data_item* item = new_item(cx, item_kind::string, size, t.column);
      item->text = am_strdup(cx, t.text, t.length);
      item->length = t.length;
      return item;
    }
  }
  const int column = signed_item ? sign.column : t.column;
  if (t.kind == TOK_NUMBER && !(t.flags & TF_LONG)) {  // a plain number: no expression to build
    token after = next_token(cx);
    save_or_get_token(cx, TOKEN_SAVE, after);
    if (is_line_end(after) || is_punct(after, ',')) {
      data_item* item = new_item(cx, item_kind::number, size, column);
      const int64_t v = signed_item && sign.code == '-' ? -t.value : t.value;
      item->bits = static_cast<uint32_t>(v);
      item->length = fits(v, size) ? 0 : 1;  // a number that does not fit warns in pass 2
      return item;
    }
  }
  save_or_get_token(cx, TOKEN_SAVE, t);
  if (signed_item) save_or_get_token(cx, TOKEN_SAVE, sign);
  expr_rec* e = parse_expression(cx);
  if (e == nullptr) return nullptr;
  data_item* item = new_item(cx, item_kind::expression, size, column);
  item->expr = e;
  return item;
}

// DB, DW, DP, DD and their DC names: the argument is the size code.
void do_data(asm_context& cx, const statement_call& call) {
  const int size = size_in_bytes(cx, call.argument);
  if (size < 1 || size > 4) {
    user_error_at(cx, call.operation_column, gen_err::illegal_size);
    return;
  }
  statement_rec* record = call.record;
  record->kind = stmt_kind::data;
  data_item* last = nullptr;
  int64_t bytes = 0;
  int index = 0;
  for (;;) {
    data_item* item = read_item(cx, static_cast<uint8_t>(size));
    if (item == nullptr) {
      mark_erroneous(record);
      return;
    }
    if (index < 2 && record->operand_column[index] == 0) record->operand_column[index] = item->column;
    ++index;
    bytes += item_bytes(*item);
    if (last != nullptr)
      last->next = item;
    else
      record->items = item;
    last = item;
    token t = next_token(cx);
    if (!is_punct(t, ',')) {
      save_or_get_token(cx, TOKEN_SAVE, t);
      break;
    }
  }
  record->byte_count = static_cast<int32_t>(bytes > kAddressSpaceEnd ? kAddressSpaceEnd + 1 : bytes);
}

// DS count: the location counter moves over count bytes; nothing is written.
void do_storage(asm_context& cx, const statement_call& call) {
  token first = next_token(cx);
  save_or_get_token(cx, TOKEN_SAVE, first);
  const int column = is_line_end(first) ? call.operation_column : first.column;
  expr_rec* e = parse_expression(cx);
  if (e == nullptr) return;
  if (e->in_unsolved_list) mark_or_get_unsolved(cx, UNSOLVED_REMOVE, e);
  int32_t count = 0;
  if (e->state == EXPR_UNSOLVED || e->state == EXPR_TEMPORARY)
    user_error_at(cx, column, gen_err::forward_reference);
  else if (e->state != EXPR_ABSOLUTE)
    user_error_at(cx, column, gen_err::must_be_absolute);
  else if (e->value < 0)
    user_error_at(cx, column, gen_err::negative_result);
  else
    count = e->value * size_in_bytes(cx, call.argument);
  call.record->kind = stmt_kind::storage;
  call.record->byte_count = count;
  call.record->value = e;
}

bool gen_item(asm_context& cx, statement_rec* record, const data_item& item, code_sink& sink) {
  switch (item.kind) {
    case item_kind::floating: emit_value(sink, item.bits, item.size); return true;
    case item_kind::string:
      for (uint32_t i = 0; i < item_bytes(item); ++i)
        emit_byte(sink, i < item.length ? static_cast<uint8_t>(item.text[i]) : 0);
      return true;
    case item_kind::number:
      if (item.length != 0) user_warning_on(cx, record, item.column, gen_warn::constant_truncated);
      emit_value(sink, item.bits, item.size);
      return true;
    case item_kind::expression: break;
  }
  expr_rec* e = item.expr;
  switch (e->state) {
    case EXPR_ABSOLUTE:
      if (!fits(e->value, item.size))
        user_warning_on(cx, record, item.column, gen_warn::constant_truncated);
      emit_value(sink, static_cast<uint32_t>(e->value), item.size);
      return true;
    case EXPR_RELATIVE:
    case EXPR_POSTFIX:
      if (item.size < 4) {
        const int32_t top = int32_t{1} << (8 * item.size);
        as_postfix(cx, e);
        push_check_after(cx, e, -(top / 2), top - 1, "Value out of range");
      }
      emit_field(sink, e, item.size);
      return true;
    default:
      user_error_on(cx, record, item.column, gen_err::undefined_symbol, unsolved_name(e));
      return false;
  }
}

//                             name    class            flags case        handler     argument
constexpr directive_entry kDataDirectives[] = {
    {"DB",   DCLASS_ORDINARY, 0, UPPER_CASE, do_data,    kSize8},
    {"DC8",  DCLASS_ORDINARY, 0, UPPER_CASE, do_data,    kSize8},
    {"DW",   DCLASS_ORDINARY, 0, UPPER_CASE, do_data,    kSize16},
    {"DC16", DCLASS_ORDINARY, 0, UPPER_CASE, do_data,    kSize16},
    {"DP",   DCLASS_ORDINARY, 0, UPPER_CASE, do_data,    kSize24},
    {"DC24", DCLASS_ORDINARY, 0, UPPER_CASE, do_data,    kSize24},
    {"DD",   DCLASS_ORDINARY, 0, UPPER_CASE, do_data,    kSize32},
    {"DC32", DCLASS_ORDINARY, 0, UPPER_CASE, do_data,    kSize32},
    {"DS",   DCLASS_ORDINARY, 0, UPPER_CASE, do_storage, kSize8},
    {"DS8",  DCLASS_ORDINARY, 0, UPPER_CASE, do_storage, kSize8},
};

}  // namespace

uint32_t item_bytes(const data_item& item) {
  if (item.kind != item_kind::string) return item.size;
  const uint32_t length = item.length > 0 ? item.length : 1;  // "" still takes one item
  return (length + item.size - 1) / item.size * item.size;
}

bool gen_data(asm_context& cx, statement_rec* record, code_sink& sink) {
  bool ok = true;
  for (const data_item* item = record->items; item != nullptr; item = item->next)
    ok = gen_item(cx, record, *item, sink) && ok;
  return ok;
}

void register_data_directives(asm_context& cx) { register_directives(cx, kDataDirectives); }
