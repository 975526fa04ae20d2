// link_eval.cpp — the linker's expression stack machine (see link_eval.h for the
// meaning of every record). All arithmetic is on 32-bit two's-complement values.
#include "link/link_eval.h"

#include <cstdio>

namespace {

eval_result fault(std::string text) { return {eval_status::error, std::move(text), 0, 0, 0}; }

std::string tag_text(const quill_record& r) {
  char buf[48];
  std::snprintf(buf, sizeof buf, "0x%02X (%s)", r.layout->tag, r.layout->name);
  return buf;
}

int32_t s32(uint32_t v) { return static_cast<int32_t>(v); }

}  // namespace

eval_result link_evaluator::push(uint32_t v) {
  if (stack_.size() >= kEvalStackLimit)
    return fault("expression deeper than " + std::to_string(kEvalStackLimit) + " entries");
  stack_.push_back(v);
  return {};
}

eval_result link_evaluator::pop2(uint32_t* x, uint32_t* y) {
  if (stack_.size() < 2) return fault("operator needs two entries, the expression has " + std::to_string(stack_.size()));
  *y = stack_.back();
  stack_.pop_back();
  *x = stack_.back();
  stack_.pop_back();
  return {};
}

eval_result link_evaluator::binary(uint8_t tag) {
  uint32_t x = 0, y = 0;
  eval_result r = pop2(&x, &y);
  if (r.status != eval_status::ok) return r;
  uint32_t v = 0;
  switch (tag) {
    case 0x63: v = x + y; break;
    case 0x64: v = x - y; break;
    case 0x65: v = x * y; break;
    case 0x66:
    case 0x67:
      if (y == 0) {
        r = {eval_status::warning, "Division by zero", 0, 0, 0};
        v = tag == 0x66 ? 0xFFFFFFFFu : 0;
      } else if (s32(x) == INT32_MIN && s32(y) == -1) {
        v = tag == 0x66 ? x : 0;  // the one quotient that does not fit wraps around
      } else {
        v = static_cast<uint32_t>(tag == 0x66 ? s32(x) / s32(y) : s32(x) % s32(y));
      }
      break;
    case 0x68: v = x & y; break;
    case 0x69: v = x | y; break;
    case 0x6A: v = x ^ y; break;
    case 0x82: v = s32(x) > s32(y); break;
    case 0x83: v = x > y; break;
    case 0x84: v = s32(x) >= s32(y); break;
    case 0x86: v = s32(x) < s32(y); break;
    case 0x87: v = x < y; break;
    case 0x88: v = s32(x) <= s32(y); break;
    case 0x8A: v = x == y; break;
    case 0x8B: v = x != y; break;
    case 0x8E: v = x != 0 && y != 0; break;
    case 0x8F: v = x != 0 || y != 0; break;
    case 0x90: v = (x != 0) != (y != 0); break;
    case 0xAA: v = static_cast<uint32_t>(s32(x) >> (y & 31)); break;
    case 0xAB: v = x << (y & 31); break;
    default: return fault("no binary operator for this record");
  }
  stack_.push_back(v);
  return r;
}

// Operators on the top entry; `arg` is the record's u32 field when it has one.
eval_result link_evaluator::unary(uint8_t tag, uint32_t arg, link_resolver& env) {
  if (stack_.empty()) return fault("operator applied to an empty expression");
  uint32_t& y = stack_.back();
  switch (tag) {
    case 0x6B: y = 0u - y; break;
    case 0x6C: y = y == 0; break;
    case 0x8C: y = ~y; break;
    case 0x9A: y &= 0xFFFF; break;
    case 0x9B: y = (y >> 16) & 0xFFFF; break;
    case 0x6D: y <<= (arg & 31); break;
    case 0x6E: y >>= (arg & 31); break;
    case 0x99:
      if (arg > 3) return fault("byte " + std::to_string(arg) + " of a 32-bit value");
      y = (y >> (8 * arg)) & 0xFF;
      break;
    case 0xA9:
      if (y < 1 || y > 6) return fault("DATE field " + std::to_string(s32(y)) + " outside 1-6");
      y = env.date_field(y);
      break;
    default: return fault("no unary operator for this record");
  }
  return {};
}

eval_result link_evaluator::step(const quill_object& obj, const quill_record& r, link_resolver& env) {
  const uint8_t tag = r.layout->tag;
  const quill_role role = r.layout->role;
  if ((role == quill_role::operand || role == quill_role::funcref) && after_store_ && tag != QT_ERROR_TEXT) {
    stack_.clear();
    after_store_ = false;
  }
  if (role == quill_role::store) {
    if (stack_.empty()) return fault("store " + tag_text(r) + " without a value");
    if (tag == QT_DISCARD) {
      stack_.pop_back();
    } else {
      after_store_ = true;
    }
    return {};
  }
  after_store_ = false;
  std::string why;
  uint32_t v = 0;
  const uint32_t offset = obj.number(r, "offset");
  switch (tag) {
    case QT_CONST: return push(obj.number(r, "value"));
    case QT_LOCATION: return push(env.location(obj.number(r, "delta")));
    case QT_ERROR_TEXT: text_ = std::string(obj.text(r, "text")); return {};
    case QT_SEGREL:
      if (!env.segment_address(obj.number(r, "segment"), &v, &why)) return fault(why);
      return push(v + offset);
    case QT_SFB:
      if (!env.segment_begin(obj.number(r, "segment"), &v, &why)) return fault(why);
      return push(v + offset);
    case QT_SFE:
      if (!env.segment_end(obj.number(r, "segment"), &v, &why)) return fault(why);
      return push(v + offset);
    case QT_EXTERN:
      if (!env.external_value(obj.number(r, "external"), &v, &why)) return fault(why);
      return push(v + offset);
    case QT_FN_REF:
      if (!env.function_address(obj.number(r, "function"), &v, &why)) return fault(why);
      return push(v);
    case 0x70: return stack_.empty() ? fault("dup of an empty expression") : push(stack_.back());
    case 0x71: {
      const uint32_t k = obj.number(r, "depth");
      if (k >= stack_.size()) return fault("pick " + std::to_string(k) + " below the top of " +
                                           std::to_string(stack_.size()) + " entries");
      return push(stack_[stack_.size() - 1 - k]);
    }
    case 0x6F:
      if (stack_.size() < 2) return fault("swap needs two entries");
      std::swap(stack_[stack_.size() - 1], stack_[stack_.size() - 2]);
      return {};
    case 0x92: {
      if (stack_.size() < 3) return fault("select needs three entries");
      const uint32_t c = stack_.back();
      stack_.pop_back();
      const uint32_t b = stack_.back();
      stack_.pop_back();
      if (c != 0) stack_.back() = b;
      return {};
    }
    case QT_CHECK_RANGE: {
      if (stack_.size() < 3) return fault("range check needs a value and two bounds");
      const int32_t low = s32(stack_.back());
      stack_.pop_back();
      const int32_t high = s32(stack_.back());
      stack_.pop_back();
      const int32_t value = s32(stack_.back());
      if (value < low || value > high) return {eval_status::range_failed, text_, value, low, high};
      return {};
    }
    case 0x6B: case 0x6C: case 0x8C: case 0x9A: case 0x9B: case 0xA9:
      return unary(tag, 0, env);
    case 0x6D: case 0x6E:
      return unary(tag, obj.number(r, "count"), env);
    case 0x99:
      return unary(tag, obj.number(r, "which"), env);
    default: break;
  }
  if (role == quill_role::op && (tag < 0x93 || tag > 0x98)) return binary(tag);
  return fault("record " + tag_text(r) + " has no meaning at link time");
}
