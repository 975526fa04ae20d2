// link_eval.h — the linker's stack machine for the relocatable expressions of a
// QUILL module: operand records push 32-bit entries, operator records combine
// them, store records write the top entry as data bytes.
//
// Operands (each pushes one entry):
//   0x61 u32 v          the constant v
//   0x5E idx s, u32 d   the placed address of segment s of this module, plus d
//   0x5D idx e, u32 d   the value of external number e of this module, plus d
//   0x5F idx s, u32 d   SFB: the lowest address of all placed parts named as s, plus d
//   0x60 idx s, u32 d   SFE: the address after the highest placed part named as s, plus d
//                       (so SFE - SFB is the size the segment occupies)
//   0x62 u32 k          `$`: k plus the module's emission count plus the base of the
//                       current segment; the writer records k = statement location -
//                       emission count, so this is the statement's own address
//   0xAF u16 f          the address of function number f of this module (the symbol of
//                       the 0xCE record that its 0xB0 / 0xB1 record follows)
//   0x9D str8 t         pushes nothing: t becomes the message of the next range check
// Operators, with x the entry below the top and y the top:
//   0x63 x+y  0x64 x-y  0x65 x*y  0x66 x/y (signed, truncating; by zero -1 and a warning)
//   0x67 x%y (signed; by zero 0 and a warning)  0x68 x&y  0x69 x|y  0x6A x^y
//   0x82 x>y  0x84 x>=y  0x86 x<y  0x88 x<=y (signed)  0x83 x>y  0x87 x<y (unsigned)
//   0x8A x==y  0x8B x!=y  0x8E x&&y  0x8F x||y  0x90 (x!=0)!=(y!=0)  all giving 1 or 0
//   0xAA x>>(y&31) arithmetic   0xAB x<<(y&31)
//   0x6B -y   0x6C !y   0x8C ~y   0x9A y&0xFFFF   0x9B (y>>16)&0xFFFF
//   0x99 u32 k   byte k of y (k 0..3)
//   0x6D u32 n   y<<(n&31)      0x6E u32 n   y>>(n&31), logical
//   0x6F swap the two top entries   0x70 duplicate the top
//   0x71 u32 k   push a copy of the entry k places below the top (0x71 0 = 0x70)
//   0x92 of three entries a, b, c (c on top) leaves (c != 0 ? b : a)
//   0x9E of three entries v, max, min (min on top) leaves v; a v outside min..max
//        (signed) fails the range check with the current message
//   0xA9 DATE of y (1..6) at the time of the link
// Stores: 0x5A, 0x5B, 0xA4, 0x5C write the top entry as 1, 2, 3 or 4 bytes in the
// module's data byte order and leave the stack as it is, so that a repeated data
// item written as one expression and several stores gets the same value each
// time; 0x9C removes the top entry. The stack starts empty for every expression:
// at any record that is not an expression record, and at an operand that follows
// a store.
// Refused with an error: the operators 0x93 to 0x98 and the function-reference
// records 0xAC, 0xAD, 0xAE and 0xCC, which have no link-time meaning here.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "object/quill_reader.h"

// What the evaluator asks of the linker for the operands it cannot compute.
class link_resolver {
 public:
  virtual ~link_resolver() = default;
  // Each returns false with `why` filled when the operand cannot be given a value.
  virtual bool segment_address(uint32_t segment_index, uint32_t* value, std::string* why) = 0;
  virtual bool segment_begin(uint32_t segment_index, uint32_t* value, std::string* why) = 0;
  virtual bool segment_end(uint32_t segment_index, uint32_t* value, std::string* why) = 0;
  virtual bool external_value(uint32_t external, uint32_t* value, std::string* why) = 0;
  virtual bool function_address(uint32_t function, uint32_t* value, std::string* why) = 0;
  // `$` for the delta k of a 0x62 record.
  virtual uint32_t location(uint32_t delta) = 0;
  // DATE field 1..6 (seconds, minutes, hours, day, month, year of century).
  virtual uint32_t date_field(uint32_t which) = 0;
};

enum class eval_status : uint8_t {
  ok,           // the record was applied
  warning,      // applied, with `message` (division by zero)
  range_failed, // a range check failed: `message`, `value`, `low`, `high`
  error,        // the record could not be applied: `message`
};

struct eval_result {
  eval_status status = eval_status::ok;
  std::string message;
  int32_t value = 0, low = 0, high = 0;
};

constexpr std::size_t kEvalStackLimit = 4096;

class link_evaluator {
 public:
  // Applies one expression record (role operand, op, store or funcref).
  eval_result step(const quill_object& obj, const quill_record& r, link_resolver& env);
  // Forgets the expression in progress (at a record that is not part of one).
  void reset() {
    stack_.clear();
    after_store_ = false;
  }
  bool empty() const { return stack_.empty(); }
  uint32_t top() const { return stack_.back(); }
  std::size_t depth() const { return stack_.size(); }
  const std::string& check_text() const { return text_; }

 private:
  eval_result pop2(uint32_t* x, uint32_t* y);
  eval_result binary(uint8_t tag);
  eval_result unary(uint8_t tag, uint32_t arg, link_resolver& env);
  eval_result push(uint32_t v);

  std::vector<uint32_t> stack_;
  std::string text_;  // message of the next range check
  bool after_store_ = false;
};

