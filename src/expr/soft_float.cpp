// soft_float.cpp — software floating point: start-up, validation, mantissa adders (M25),
// rounding, the four operations and relations (G03).
#include "expr/soft_float.h"

#include <cstring>

#include "expr/soft_float_internal.h"

bool init_floats(float_state& fs, fp_get_memory_cb get_memory, fp_error_cb error, fp_warning_cb warning, void* user) {
  fs = float_state{};
  fs.get_memory = get_memory;
  fs.error = error;
  fs.warning = warning;
  fs.user = user;
  if (error == nullptr) return false;  // nobody to tell; the driver reports the failed start
  if (get_memory == nullptr) return sf_fail(fs, "init_floats_G03", "no get_memory");
  if (warning == nullptr) return sf_fail(fs, "init_floats_G03", "no warning");
  fs.zero = sf_zero();
  fs.plus_one = sf_one(0);
  fs.minus_one = sf_one(1);
  return true;
}

bool check_double(float_state& fs, const soft_float& v) {
  static constexpr char fn[] = "check_double_G03";
  const uint64_t m = sf_mantissa_bits(v);
  if (v.exponent == 0) {
    if (m != 0) return sf_fail(fs, fn, "inconsistent zero repressentation in argument.");
    if (v.sign != 0 || v.sticky != 0) return sf_fail(fs, fn, "invalid sign and/or sticky in zero float.");
    return true;
  }
  if (v.exponent < 0) return sf_fail(fs, fn, "negative exponent not allowed.");
  if (v.exponent > SF_EXP_LIMIT) return sf_fail(fs, fn, "double float exponent too large.");
  if (v.sign > 1) return sf_fail(fs, fn, "illegal bit(s) in sign.");
  if ((m & SF_OVERFLOW_BIT) != 0) return sf_fail(fs, fn, "illegal overflow bit in argument.");
  if ((m & 3) != 0) return sf_fail(fs, fn, "illegal g and/or r bit in argument.");
  if (v.sticky != 0) return sf_fail(fs, fn, "illegal sticky.");
  if ((m & SF_LEADING_BIT) == 0) return sf_fail(fs, fn, "argument is not normalized.");
  return true;
}

// ---- M25: mantissa adders ------------------------------------------------

int add_mantissa(float_state& fs, const fp_mantissa& a, const fp_mantissa& b, fp_mantissa& result) {
  if ((a[0] & 0x80) != 0) return sf_fail(fs, "add_mantissa_M25", "illegal overflow bit in arg1."), 0;
  unsigned carry = 0;
  for (int i = 6; i >= 0; --i) {
    const unsigned sum = unsigned{a[i]} + b[i] + carry;
    result[i] = static_cast<uint8_t>(sum);
    carry = sum >> 8;
  }
  return static_cast<int>(carry);
}

int sub_mantissa(float_state& fs, const fp_mantissa& a, const fp_mantissa& b, fp_mantissa& result) {
  if ((a[0] & 0x80) != 0) return sf_fail(fs, "sub_mantissa_M25", "illegal overflow bit in arg1."), 0;
  int borrow = 0;
  for (int i = 6; i >= 0; --i) {
    const int diff = int{a[i]} - b[i] - borrow;
    result[i] = static_cast<uint8_t>(diff);
    borrow = diff < 0 ? 1 : 0;
  }
  return borrow;
}

// Two's complement; only a zero mantissa carries out, and nobody negates zero.
void neg_mantissa(float_state& fs, fp_mantissa& m) {
  unsigned carry = 1;
  for (int i = 6; i >= 0; --i) {
    const unsigned sum = (~unsigned{m[i]} & 0xFF) + carry;
    m[i] = static_cast<uint8_t>(sum);
    carry = sum >> 8;
  }
  if (carry != 0) sf_fail(fs, "neg_mantissa_M25", "illegal carry after negation of tos");
}

void rshift_mantissa(float_state&, soft_float& v) {
  if ((v.mantissa[6] & 1) != 0) v.sticky = 1;
  for (int i = 6; i > 0; --i) v.mantissa[i] = static_cast<uint8_t>((v.mantissa[i] >> 1) | (v.mantissa[i - 1] << 7));
  v.mantissa[0] = static_cast<uint8_t>(v.mantissa[0] >> 1);
}

int lshift_mantissa(float_state&, soft_float& v) {
  const int out = v.mantissa[0] >> 7;
  for (int i = 0; i < 6; ++i) v.mantissa[i] = static_cast<uint8_t>((v.mantissa[i] << 1) | (v.mantissa[i + 1] >> 7));
  v.mantissa[6] = static_cast<uint8_t>(v.mantissa[6] << 1);
  return out;
}

static bool mantissa_is_zero(const fp_mantissa& m) {
  for (uint8_t byte : m)
    if (byte != 0) return false;
  return true;
}

// ---- rounding --------------------------------------------------------------

int round_float(float_state& fs, soft_float& v) {
  static constexpr char fn[] = "round_G03";
  if ((v.mantissa[0] & 0x80) != 0) {
    sf_fail(fs, fn, "illegal overflow bit in argument");
    v = sf_zero();
    return FP_ROUND_OK;
  }
  const uint8_t last = v.mantissa[6];
  const bool guard = (last & 2) != 0;
  const bool above_half = (last & 1) != 0 || v.sticky != 0;
  const bool odd = (last & 4) != 0;
  if (guard && (above_half || odd)) {
    unsigned carry = 4;  // one unit in the last fraction bit
    for (int i = 6; i >= 0 && carry != 0; --i) {
      const unsigned sum = unsigned{v.mantissa[i]} + carry;
      v.mantissa[i] = static_cast<uint8_t>(sum);
      carry = sum >> 8;
    }
    if (carry != 0) {
      sf_fail(fs, fn, "illegal carry after rounding.");
      v = sf_zero();
      return FP_ROUND_OK;
    }
    if ((v.mantissa[0] & 0x80) != 0) {
      rshift_mantissa(fs, v);
      v.exponent += 1;
    }
  }
  if (v.exponent >= SF_EXP_LIMIT) {
    v = sf_overflow(v.sign);
    return FP_ROUND_OVERFLOW;
  }
  if (v.exponent <= 0) {
    v = sf_zero();  // no denormals
    return FP_ROUND_UNDERFLOW;
  }
  v.mantissa[6] &= 0xFC;
  v.sticky = 0;
  return FP_ROUND_OK;
}

void sf_round_and_report(float_state& fs, soft_float& v, const char* function) {
  switch (round_float(fs, v)) {
    case FP_ROUND_OK: return;
    case FP_ROUND_OVERFLOW:
    case FP_ROUND_UNDERFLOW: sf_warn(fs, FP_WARN_RANGE); return;
    default: sf_fail(fs, function, "undefined round status."); v = sf_zero();
  }
}

// ---- addition --------------------------------------------------------------

// a + b exactly signed, normalised but not rounded. False when the sum is exactly
// zero. Relations use this directly so that a tiny difference is not flushed.
static bool add_unrounded(float_state& fs, const soft_float& a, const soft_float& b, soft_float& sum) {
  static constexpr char fn[] = "add_floats_G03";
  if (b.exponent == 0) {
    sum = a;
    return a.exponent != 0;
  }
  if (a.exponent == 0) {
    sum = b;
    return true;
  }
  const bool a_larger =
      a.exponent > b.exponent || (a.exponent == b.exponent && std::memcmp(a.mantissa, b.mantissa, 7) >= 0);
  const soft_float& large = a_larger ? a : b;
  soft_float small = a_larger ? b : a;
  // Past 57 places every bit of the smaller operand is in sticky.
  const int32_t distance = large.exponent - small.exponent;
  for (int32_t i = 0; i < distance && i < 57; ++i) rshift_mantissa(fs, small);

  sum = large;
  sum.sticky = small.sticky;
  if (large.sign == small.sign) {
    add_mantissa(fs, large.mantissa, small.mantissa, sum.mantissa);
    if ((sum.mantissa[0] & 0x80) != 0) {
      rshift_mantissa(fs, sum);
      sum.exponent += 1;
    }
    return true;
  }

  if (sub_mantissa(fs, large.mantissa, small.mantissa, sum.mantissa) != 0)
    return sf_fail(fs, fn, "Unexpected underflow result in mantissa.");
  if (small.sticky != 0) {
    // Lost bits of the subtrahend: one unit less at the round bit, the rest
    // of that unit stays in sticky.
    static constexpr fp_mantissa one_round_unit = {0, 0, 0, 0, 0, 0, 1};
    if (sub_mantissa(fs, sum.mantissa, one_round_unit, sum.mantissa) != 0)
      return sf_fail(fs, fn, "Unexpected underflow result in mantissa.");
  }
  if (mantissa_is_zero(sum.mantissa) && sum.sticky == 0) return false;
  while ((sum.mantissa[0] & 0x40) == 0) {
    if (mantissa_is_zero(sum.mantissa)) return sf_fail(fs, fn, "Unexpected zero result in mantissa.");
    if (lshift_mantissa(fs, sum) != 0) return sf_fail(fs, fn, "illegal carry after lshift of large.");
    sum.exponent -= 1;
  }
  return true;
}

void add_floats(float_state& fs, const soft_float& a, const soft_float& b, soft_float& result) {
  soft_float sum = sf_zero();
  if (check_double(fs, a) && check_double(fs, b) && add_unrounded(fs, a, b, sum))
    sf_round_and_report(fs, sum, "add_floats_G03");
  else
    sum = sf_zero();
  result = sum;
}

void sub_floats(float_state& fs, const soft_float& a, const soft_float& b, soft_float& result) {
  soft_float negated = b;
  if (negated.exponent != 0) negated.sign ^= 1;
  add_floats(fs, a, negated, result);
}

// ---- multiplication and division -------------------------------------------

// Shift-and-add over the 53 significant bits of b; the partial sum is shifted
// right after each step so its lost bits collect in sticky.
void mul_floats(float_state& fs, const soft_float& a, const soft_float& b, soft_float& result) {
  if (!check_double(fs, a) || !check_double(fs, b) || a.exponent == 0 || b.exponent == 0) {
    result = sf_zero();
    return;
  }
  soft_float acc = sf_zero();
  const uint64_t b_bits = sf_mantissa_bits(b) >> 2;
  for (int i = 0; i < 53; ++i) {
    if (i > 0) rshift_mantissa(fs, acc);
    if (((b_bits >> i) & 1) != 0) add_mantissa(fs, acc.mantissa, a.mantissa, acc.mantissa);
  }
  acc.sign = static_cast<uint8_t>(a.sign ^ b.sign);
  acc.exponent = a.exponent + b.exponent - SF_BIAS;
  if ((acc.mantissa[0] & 0x80) != 0) {
    rshift_mantissa(fs, acc);
    acc.exponent += 1;
  }
  sf_round_and_report(fs, acc, "mul_floats_G03");
  result = acc;
}

// Restoring division, one quotient bit per step, 56 bits; a non-zero remainder
// is sticky. Both operands are halved first (exactly: their round bits are
// clear) so that the doubled remainder never reaches the overflow bit.
void div_floats(float_state& fs, const soft_float& a, const soft_float& b, soft_float& result) {
  if (!check_double(fs, a) || !check_double(fs, b)) {
    result = sf_zero();
    return;
  }
  if (b.exponent == 0) {
    sf_warn(fs, FP_WARN_DIV_BY_ZERO);
    result = a.exponent == 0 ? sf_zero() : sf_overflow(a.sign);
    return;
  }
  if (a.exponent == 0) {
    result = sf_zero();
    return;
  }
  soft_float rem = a;
  soft_float divisor = b;
  rshift_mantissa(fs, rem);
  rshift_mantissa(fs, divisor);
  uint64_t quotient = 0;
  for (int bit = 55; bit >= 0; --bit) {
    fp_mantissa diff;
    if (sub_mantissa(fs, rem.mantissa, divisor.mantissa, diff) == 0) {
      std::memcpy(rem.mantissa, diff, sizeof diff);
      quotient |= uint64_t{1} << bit;
    }
    lshift_mantissa(fs, rem);
  }
  soft_float q = sf_zero();
  q.sign = static_cast<uint8_t>(a.sign ^ b.sign);
  q.exponent = a.exponent - b.exponent + SF_BIAS;
  sf_set_mantissa_bits(q, quotient);
  q.sticky = mantissa_is_zero(rem.mantissa) ? 0 : 1;
  if ((quotient & SF_OVERFLOW_BIT) != 0)
    rshift_mantissa(fs, q);
  else
    q.exponent -= 1;
  sf_round_and_report(fs, q, "div_floats_G03");
  result = q;
}

// ---- relations, zero, sign -------------------------------------------------

bool relational_floats(float_state& fs, const soft_float& a, const soft_float& b, int relation) {
  if (relation < FP_LT || relation > FP_NE) return sf_fail(fs, "relational_floats_G03", "no such rel. oper");
  if (!check_double(fs, a) || !check_double(fs, b)) return false;
  soft_float negated = b;
  if (negated.exponent != 0) negated.sign ^= 1;
  soft_float diff = sf_zero();
  const bool nonzero = add_unrounded(fs, a, negated, diff);
  const bool less = nonzero && diff.sign != 0;
  const bool greater = nonzero && diff.sign == 0;
  switch (relation) {
    case FP_LT: return less;
    case FP_GT: return greater;
    case FP_LE: return !greater;
    case FP_GE: return !less;
    case FP_EQ: return !nonzero;
    default: return nonzero;  // FP_NE
  }
}

bool is_zero_float(float_state& fs, const soft_float& value) { return check_double(fs, value) && value.exponent == 0; }

void negate_float(float_state& fs, soft_float& value) {
  if (check_double(fs, value) && value.exponent != 0) value.sign ^= 1;
}
