// writer_expressions.cpp — relocatable expressions for the linker (A23): an
// expression's postfix list as operand and operator records of the linker's
// stack machine, symbols written in place, segment begin and end, function
// references, and the range checks.
#include <array>
#include <cstddef>
#include <cstdint>

#include "diag/diag.h"
#include "driver/context.h"
#include "driver/segment_rec.h"
#include "driver/statement.h"
#include "driver/stops.h"
#include "expr/expression.h"
#include "expr/operators.h"
#include "object/quill_format.h"
#include "object/writer.h"
#include "target/target.h"

namespace {

// Internal operator codes that only the object format knows.
constexpr uint16_t kLogicalAnd = 6;       // the internal logical-and
constexpr uint16_t kByte4 = 126;          // bits 24..31
constexpr uint16_t kNibble0 = 127;        // nibbles 0..7 are codes 127..134 (131 is PAGE)
constexpr uint16_t kNibble7 = 134;
constexpr uint16_t kFunctionFirst = 138;  // function references 138..152
constexpr uint16_t kFunctionAddress = 147;
constexpr uint16_t kFunctionLast = 152;

// Elements one expression may write, symbols written in place included; an
// expression beyond it (a value built by doubling on itself) is error 109.
constexpr uint32_t kExpansionLimit = 1u << 16;
// The largest power `!^` unrolls into multiplications.
constexpr int32_t kPowerLimit = 255;

// One record of an operator's encoding: a tag and, for some, a u32 argument.
struct op_step {
  uint8_t tag;
  bool has_arg;
  uint32_t arg;
};
constexpr op_step t(uint8_t tag) { return {tag, false, 0}; }
constexpr op_step ta(uint8_t tag, uint32_t arg) { return {tag, true, arg}; }

constexpr std::size_t kMaxSteps = 10;
struct op_encoding {
  uint16_t code;
  uint8_t binary_count;                // records when the operator is binary
  std::array<op_step, kMaxSteps> binary;
  uint8_t unary_count;                 // records when prefix (0: writes nothing)
  std::array<op_step, kMaxSteps> unary;
};

// Logical shift right on the arithmetic shift of the linker: x >> y is
// (((x >>> 1) & 0x7FFFFFFF) >> (y - 1)), or x itself when y is 0.
constexpr std::array<op_step, kMaxSteps> kShiftRight = {
    ta(0x71, 1), ta(0x6E, 1), ta(0x61, 0x7FFFFFFF), t(0x68), ta(0x71, 1),
    ta(0x61, 1), t(0x64),     t(0xAA),              t(0x6F), t(0x92)};

// clang-format off
//  code            binary records                          unary records
constexpr op_encoding kOperatorEncodings[] = {
  {OP_MUL,        1, {t(0x65)},                             0, {}},                    // *
  {OP_DIV,        1, {t(0x66)},                             0, {}},                    // /
  {OP_MOD,        1, {t(0x67)},                             0, {}},                    // MOD %
  {OP_PLUS,       1, {t(0x63)},                             0, {}},                    // + (unary: nothing)
  {OP_MINUS,      1, {t(0x64)},                             1, {t(0x6B)}},             // -
  {OP_AND,        1, {t(0x8E)},                             0, {}},                    // AND &&
  {kLogicalAnd,   1, {t(0x8E)},                             0, {}},                    // internal logical and
  {OP_OR,         1, {t(0x8F)},                             0, {}},                    // OR ||
  {OP_XOR,        1, {t(0x90)},                             0, {}},                    // XOR
  {OP_NOT,        1, {t(0x6C)},                             1, {t(0x6C)}},             // NOT !
  {OP_BINAND,     1, {t(0x68)},                             0, {}},                    // BINAND &
  {OP_BINOR,      1, {t(0x69)},                             0, {}},                    // BINOR |
  {OP_BINXOR,     1, {t(0x6A)},                             0, {}},                    // BINXOR ^
  {OP_BINNOT,     1, {t(0x8C)},                             1, {t(0x8C)}},             // BINNOT ~
  {OP_SHL,        1, {t(0xAB)},                             0, {}},                    // SHL
  {OP_SHL_SYM,    1, {t(0xAB)},                             0, {}},                    // << !<
  {OP_SHR,       10, kShiftRight,                           0, {}},                    // SHR
  {OP_SHR_SYM,   10, kShiftRight,                           0, {}},                    // >> !>
  {OP_EQ,         1, {t(0x8A)},                             0, {}},                    // EQ ==
  {OP_EQ_SYM,     1, {t(0x8A)},                             0, {}},                    // =
  {OP_NE,         1, {t(0x8B)},                             0, {}},                    // NE
  {OP_NE_SYM,     1, {t(0x8B)},                             0, {}},                    // <> !=
  {OP_GT,         1, {t(0x82)},                             0, {}},                    // GT
  {OP_GT_SYM,     1, {t(0x82)},                             0, {}},                    // >
  {OP_GE,         1, {t(0x84)},                             0, {}},                    // GE
  {OP_GE_SYM,     1, {t(0x84)},                             0, {}},                    // >=
  {OP_LT,         1, {t(0x86)},                             0, {}},                    // LT
  {OP_LT_SYM,     1, {t(0x86)},                             0, {}},                    // <
  {OP_LE,         1, {t(0x88)},                             0, {}},                    // LE
  {OP_LE_SYM,     1, {t(0x88)},                             0, {}},                    // <=
  {OP_UGT,        1, {t(0x83)},                             0, {}},                    // UGT
  {OP_ULT,        1, {t(0x87)},                             0, {}},                    // ULT
  {OP_LOW,        1, {ta(0x99, 0)},                         1, {ta(0x99, 0)}},         // LOW
  {OP_HIGH,       1, {ta(0x99, 1)},                         1, {ta(0x99, 1)}},         // HIGH
  {OP_BYTE2,      1, {ta(0x99, 1)},                         1, {ta(0x99, 1)}},         // BYTE2
  {OP_BYTE3,      1, {ta(0x99, 2)},                         1, {ta(0x99, 2)}},         // BYTE3
  {kByte4,        1, {ta(0x99, 3)},                         1, {ta(0x99, 3)}},         // byte 4
  {OP_LWRD,       1, {t(0x9A)},                             1, {t(0x9A)}},             // LWRD OFFSET
  {OP_HWRD,       1, {t(0x9B)},                             1, {t(0x9B)}},             // HWRD
  {OP_DATE,       1, {t(0xA9)},                             1, {t(0xA9)}},             // DATE
  {OP_CHECK_RANGE,1, {t(0x9E)},                             0, {}},                    // _?CHECK_RANGE
  {OP_ERROR_TEXT, 0, {},                                    0, {}},                    // _?ERROR_TEXT (its string says it)
  {111,           1, {t(0x93)},                             1, {t(0x93)}},
  {112,           1, {t(0x94)},                             1, {t(0x94)}},
  {113,           1, {t(0x95)},                             1, {t(0x95)}},
  {114,           1, {t(0x96)},                             1, {t(0x96)}},
  {115,           1, {t(0x97)},                             1, {t(0x97)}},
  {116,           1, {t(0x98)},                             1, {t(0x98)}},
  {119,           1, {t(0x70)},                             1, {t(0x70)}},             // duplicate
  {kNibble0,      2, {ta(0x61, 15), t(0x68)},               2, {ta(0x61, 15), t(0x68)}},
};
// clang-format on

// Encodings by operator code, built once at compile time.
struct encoding_index {
  std::array<int16_t, kOperatorCodes> row{};
  constexpr encoding_index() {
    for (auto& r : row) r = -1;
    for (std::size_t i = 0; i < sizeof kOperatorEncodings / sizeof kOperatorEncodings[0]; ++i)
      row[kOperatorEncodings[i].code] = static_cast<int16_t>(i);
  }
};
constexpr encoding_index kEncodingIndex;

bool is_function_reference(uint16_t code) {
  return code >= kFunctionFirst && code <= kFunctionLast && code != kFunctionAddress;
}

bool is_operator(const postfix_elem* e, uint16_t code) {
  return e != nullptr && e->kind == PF_OPERATOR && e->payload.op.code == code;
}

void write_steps(object_spool& s, const op_step* steps, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) {
    s.byte(steps[i].tag);
    if (steps[i].has_arg) s.u32(steps[i].arg);
  }
}

// Reports on the statement being written, at its first operand.
void report_error(asm_context& cx, error_id number, const char* text = nullptr) {
  statement_rec* r = const_cast<statement_rec*>(cx.object.statement);
  if (r != nullptr)
    user_error_pass2(cx, AVM_RECORD, r, number, OPERAND_1, text);
  else
    user_error(cx, number, text);
}

// Writes postfix lists, following symbols into their values.
class expression_writer {
 public:
  explicit expression_writer(asm_context& cx) : cx_(cx), o_(cx.object), s_(cx.object.spool) {}

  bool list(const postfix_list* l);
  bool value(const expr_rec* e);
  bool function_reference(const postfix_list* l, const postfix_elem* op, uint32_t* size);

 private:
  bool element(const postfix_elem* e);
  bool symbol(const postfix_elem* e);
  bool segment_bound(const postfix_elem* e, uint8_t tag);
  bool operation(const postfix_elem* e);
  bool power(const postfix_elem* e);
  bool string(const postfix_elem* e);
  bool spend();

  asm_context& cx_;
  object_state& o_;
  object_spool& s_;
};

bool expression_writer::spend() {
  if (o_.expansion_budget == 0) {
    report_error(cx_, gen_err::expression_too_complex);
    return false;
  }
  --o_.expansion_budget;
  return true;
}

// A constant: relocatable with its segment, else absolute. A value relative to
// the absolute segment is an address.
void write_constant(asm_context& cx, int32_t value, uint32_t segment) {
  object_spool& s = cx.object.spool;
  if (segment > 1) {
    s.byte(QT_SEGREL);
    s.index(segment_index(cx, segment));
  } else {
    s.byte(QT_CONST);
  }
  s.u32(static_cast<uint32_t>(value));
}

bool expression_writer::value(const expr_rec* e) {
  switch (e->state) {
    case EXPR_ABSOLUTE:
      if (!spend()) return false;
      write_constant(cx_, e->value, 0);
      return true;
    case EXPR_RELATIVE:
      if (!spend()) return false;
      write_constant(cx_, e->value, e->segment);
      return true;
    case EXPR_POSTFIX:
      if (e->list != nullptr) return list(e->list);
      break;
    default:
      break;
  }
  report_error(cx_, gen_err::undefined_symbol, unsolved_name(e));
  return false;
}

bool expression_writer::list(const postfix_list* l) {
  for (const postfix_elem* e = l->first; e != nullptr && e->kind != PF_END; e = e->next)
    if (!spend() || !element(e)) return false;
  return true;
}

bool expression_writer::element(const postfix_elem* e) {
  switch (e->kind) {
    case PF_CONSTANT: write_constant(cx_, e->payload.value, e->segment); return true;
    case PF_OPERATOR: return operation(e);
    case PF_SYMBOL:
      // The address operator that follows takes the symbol as its function.
      if (e->next != nullptr && is_operator(e->next, kFunctionAddress)) return true;
      return symbol(e);
    case PF_EXTERN: {
      const label_rec* rec = e->payload.symbol != nullptr ? e->payload.symbol->label : nullptr;
      if (rec == nullptr || rec->external_index == kUnreferenced) {
        internal_error(cx_, "dump_expression_A23", "External not numbered", rec != nullptr ? rec->uses : 0, 0);
        return false;
      }
      s_.byte(QT_EXTERN);
      s_.index(rec->external_index);
      s_.u32(0);
      return true;
    }
    case PF_SFB: return segment_bound(e, QT_SFB);
    case PF_SFE: return segment_bound(e, QT_SFE);
    case PF_SEGOP:  // the size of a segment: its end minus its begin
      return segment_bound(e, 0);
    case PF_STRING: return string(e);
    case PF_LOCATION: {
      const int32_t location = o_.statement != nullptr ? o_.statement->location : 0;
      s_.byte(QT_LOCATION);
      s_.u32(static_cast<uint32_t>(location) - o_.emitted);
      return true;
    }
    default:
      internal_error(cx_, "dump_expression_A23", "No tag", e->kind, 0);
      return false;
  }
}

// A label's value in place; a value that refers back to a label being written
// (A EQU A+EXT) has no end and is refused.
bool expression_writer::symbol(const postfix_elem* e) {
  const ident_node* node = e->payload.symbol;
  const label_rec* rec = node != nullptr ? node->label : nullptr;
  if (rec == nullptr) {
    internal_error(cx_, "dump_expression_A23", "Not a label", e->kind, 0);
    return false;
  }
  const expr_rec* v = rec->value;
  if (v == nullptr || (rec->flags & LBL_UNDEFINED)) {
    report_error(cx_, gen_err::undefined_symbol, node->name);
    return false;
  }
  if (v->state == EXPR_ABSOLUTE || v->state == EXPR_RELATIVE) {
    write_constant(cx_, v->value, v->state == EXPR_RELATIVE ? v->segment : 0);
    return true;
  }
  if (v->state != EXPR_POSTFIX || v->list == nullptr) {
    report_error(cx_, gen_err::undefined_symbol, node->name);
    return false;
  }
  for (const expr_rec* open : o_.expanding)
    if (open == v) {
      report_error(cx_, gen_err::expression_too_complex);
      return false;
    }
  o_.expanding.push_back(v);
  const bool ok = list(v->list);
  o_.expanding.pop_back();
  return ok;
}

// SFB and SFE add the segment's begin or end to the offset before them; the
// size (SFE - SFB) is added likewise.
bool expression_writer::segment_bound(const postfix_elem* e, uint8_t tag) {
  const segment_rec* seg = e->aux.seg;
  if (seg == nullptr) {
    const ident_node* name = e->payload.symbol;
    report_error(cx_, gen_err::undefined_symbol, name != nullptr ? name->name : "");
    return false;
  }
  const uint32_t index = segment_index(cx_, seg);
  if (tag == 0) {
    s_.byte(QT_SFE), s_.index(index), s_.u32(0);
    s_.byte(QT_SFB), s_.index(index), s_.u32(0);
    s_.byte(0x64);
  } else {
    s_.byte(tag), s_.index(index), s_.u32(0);
  }
  s_.byte(0x63);
  return true;
}

// The message of the range check that follows; instruction fields name their
// message, which gets the statement's place.
bool expression_writer::string(const postfix_elem* e) {
  if (!is_operator(e->next, OP_ERROR_TEXT)) {
    internal_error(cx_, "dump_expression_A23", "Operator missing", e->kind, 0);
    return false;
  }
  const char* text = e->payload.text != nullptr ? e->payload.text : "";
  s_.byte(QT_ERROR_TEXT);
  if (linker_text_deferred(text))
    s_.str8(linker_check_text(cx_, o_.statement, text));
  else
    s_.str8(text);
  return true;
}

// x !^ n: the count n, just written, is dropped and the product of n copies
// of x is built on top of x; x is then dropped so that the power takes the
// place of its two operands.
bool expression_writer::power(const postfix_elem* e) {
  const postfix_elem* count = e->prev;
  bool absolute = false;
  int32_t n = 0;
  if (count != nullptr && count->kind == PF_CONSTANT && count->segment <= 1) {
    absolute = true;
    n = count->payload.value;
  } else if (count != nullptr && count->kind == PF_SYMBOL && count->payload.symbol != nullptr &&
             count->payload.symbol->label != nullptr) {
    const expr_rec* v = count->payload.symbol->label->value;
    if (v != nullptr && v->state == EXPR_ABSOLUTE) absolute = true, n = v->value;
  }
  if (!absolute || n < 0) {
    report_error(cx_, gen_err::must_be_absolute);
    return false;
  }
  if (n > kPowerLimit) {
    report_error(cx_, gen_err::value_out_of_range, "0-255");
    return false;
  }
  s_.byte(QT_DISCARD);
  s_.byte(QT_CONST), s_.u32(1);
  for (int32_t i = 0; i < n; ++i) s_.byte(0x71), s_.u32(1), s_.byte(0x65);
  s_.byte(0x6F);
  s_.byte(QT_DISCARD);
  return true;
}

bool expression_writer::operation(const postfix_elem* e) {
  const uint16_t code = e->payload.op.code;
  const bool unary = e->payload.op.unary != 0;
  if (code == OP_POW) return power(e);
  if (code == kFunctionAddress) {
    const postfix_elem* fn = e->prev;
    if (fn == nullptr || fn->kind != PF_SYMBOL) {
      internal_error(cx_, "dump_findex_A23", "Not a symbol", code, 0);
      return false;
    }
    s_.byte(QT_FN_REF);
    s_.u16(static_cast<uint32_t>(function_number(cx_, fn->payload.symbol, true)));
    return true;
  }
  if (code >= kFunctionFirst && code <= kFunctionLast) {
    report_error(cx_, gen_err::must_be_absolute);
    return false;
  }
  if (code > kNibble0 && code <= kNibble7) {  // nibble n: (x >> 4n) & 15
    s_.byte(0x6E), s_.u32(4u * (code - kNibble0));
    s_.byte(QT_CONST), s_.u32(15);
    s_.byte(0x68);
    return true;
  }
  const int16_t row = code < kOperatorCodes ? kEncodingIndex.row[code] : -1;
  if (row < 0) {
    internal_error(cx_, "dump_operator_A23", "Not an Operator", code, 0);
    return false;
  }
  const op_encoding& enc = kOperatorEncodings[row];
  // Only unary plus and the message operator write nothing.
  if (unary && enc.unary_count == 0 && code != OP_PLUS && code != OP_ERROR_TEXT) {
    internal_error(cx_, "dump_operator_A23", "Not an Operator", code, 1);
    return false;
  }
  if (unary)
    write_steps(s_, enc.unary.data(), enc.unary_count);
  else
    write_steps(s_, enc.binary.data(), enc.binary_count);
  return true;
}

// The function reference of an expression that holds one: the function is the
// last label before the operator, the constant the one added to it (negated
// when subtracted), and LOW or HIGH right after it select the byte.
bool expression_writer::function_reference(const postfix_list* l, const postfix_elem* op, uint32_t* size) {
  const ident_node* fn = nullptr;
  int32_t constant = 0;
  for (const postfix_elem* e = l->first; e != op; e = e->next) {
    if (e->kind == PF_SYMBOL) fn = e->payload.symbol;
    if (e->kind == PF_CONSTANT) constant = e->payload.value;
    if (is_operator(e, OP_MINUS) && !e->payload.op.unary) constant = -constant;
  }
  if (fn == nullptr || fn->label == nullptr) {
    internal_error(cx_, "dump_findex_A23", "Not a symbol", op->payload.op.code, 0);
    return false;
  }
  const uint32_t number = static_cast<uint32_t>(function_number(cx_, fn, true));
  const uint16_t code = op->payload.op.code;
  const bool low = is_operator(op->next, OP_LOW);
  const bool high = is_operator(op->next, OP_HIGH);
  if (code <= 145) {  // 0xAC: kinds 0..7 in code order; the word kinds 2 and 6 have byte forms
    uint8_t kind = static_cast<uint8_t>(code - kFunctionFirst);
    if (kind == 2 && (low || high)) kind = low ? 8 : 10;
    if (kind == 6 && (low || high)) kind = low ? 9 : 11;
    s_.byte(0xAC), s_.u16(number), s_.u16(static_cast<uint32_t>(constant)), s_.byte(kind);
    *size = kind == 2 || kind == 6 ? 2 : 1;
  } else if (code == 146) {
    s_.byte(0xAD), s_.u16(number);
    *size = 2;
  } else if (code == 148) {
    s_.byte(0xAE), s_.u16(number);
    *size = 1;
  } else if (code == 149 || code == 150) {
    s_.byte(QT_FN_REF), s_.u16(number);
    s_.byte(code == 149 ? QT_STORE3 : QT_STORE4);
    *size = code == 149 ? 3 : 4;
  } else {  // 151, 152: the function's segment
    const expr_rec* v = fn->label->value;
    if (v == nullptr || v->state != EXPR_RELATIVE || v->segment <= 1) {
      internal_error(cx_, "dump_reffn_tag_A23", "Segment not set", code, 0);
      return false;
    }
    s_.byte(0xCC), s_.u16(number), s_.u32(static_cast<uint32_t>(constant)), s_.u16(code == 151 ? 1 : 0);
    s_.index(segment_index(cx_, v->segment));
    *size = 0;
  }
  o_.emitted += *size;
  return true;
}

const postfix_elem* find_function_reference(const postfix_list* l) {
  for (const postfix_elem* e = l->first; e != nullptr && e->kind != PF_END; e = e->next)
    if (e->kind == PF_OPERATOR && is_function_reference(e->payload.op.code)) return e;
  return nullptr;
}

}  // namespace

uint32_t segment_index(asm_context& cx, uint32_t number) {
  if (number <= 1) {
    internal_error(cx, "segment_index_A23", "Absolute segment has no index", number, 0);
    return 0;
  }
  return number - 2;
}

uint32_t segment_index(asm_context& cx, const segment_rec* seg) {
  return segment_index(cx, seg != nullptr ? seg->number : 0);
}

expr_written dump_expression(asm_context& cx, const expr_rec* expr) {
  object_state& o = cx.object;
  expression_writer w(cx);
  o.expansion_budget = kExpansionLimit;
  o.expanding.clear();
  expr_written result;
  if (expr->state == EXPR_POSTFIX && expr->list != nullptr) {
    if (const postfix_elem* op = find_function_reference(expr->list)) {
      result.funcref = true;
      result.ok = w.function_reference(expr->list, op, &result.size);
      return result;
    }
  }
  result.ok = w.value(expr);
  return result;
}

void dump_range_check(asm_context& cx, int32_t min, int32_t max, const char* message) {
  object_spool& s = cx.object.spool;
  s.byte(QT_ERROR_TEXT), s.str8(message != nullptr ? message : "");
  s.byte(QT_CONST), s.u32(static_cast<uint32_t>(max));
  s.byte(QT_CONST), s.u32(static_cast<uint32_t>(min));
  s.byte(QT_CHECK_RANGE);
  s.byte(QT_ERROR_TEXT), s.str8("");
}
