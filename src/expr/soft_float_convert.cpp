// soft_float_convert.cpp — soft_float to and from 32-bit integers and to the IEEE
// double and single bit patterns the data directives store (G03).
#include <bit>

#include "expr/soft_float.h"
#include "expr/soft_float_internal.h"

void generic_long_to_float(float_state&, uint32_t bits, bool is_signed, soft_float& result) {
  soft_float v = sf_zero();
  uint64_t magnitude = bits;
  if (is_signed && (bits & 0x80000000u) != 0) {
    v.sign = 1;
    magnitude = (uint64_t{1} << 32) - bits;  // 2^31 for the most negative value
  }
  if (magnitude == 0) {
    result = sf_zero();
    return;
  }
  const int top = 63 - std::countl_zero(magnitude);  // at most 32: always exact
  v.exponent = SF_BIAS + top;
  sf_set_mantissa_bits(v, magnitude << (54 - top));
  result = v;
}

// Magnitude truncated toward zero; the caller has limited the exponent to
// SF_BIAS .. SF_BIAS + 31, so the result fits 32 bits.
static uint32_t truncated_magnitude(const soft_float& v) {
  const uint64_t significand = sf_mantissa_bits(v) >> 2;
  return static_cast<uint32_t>(significand >> (SF_BIAS + 52 - v.exponent));
}

uint32_t float_to_unsigned_long(float_state& fs, const soft_float& value) {
  if (!check_double(fs, value) || value.exponent == 0) return 0;
  if (value.sign != 0) return sf_fail(fs, "float_to_unsigned_long_G03", "float is negative"), 0;
  if (value.exponent < SF_BIAS) return 0;
  if (value.exponent >= SF_BIAS + 32) return 0xFFFFFFFFu;
  return truncated_magnitude(value);
}

int32_t float_to_long(float_state& fs, const soft_float& value) {
  if (!check_double(fs, value) || value.exponent < SF_BIAS) return 0;
  if (value.exponent >= SF_BIAS + 31) return value.sign != 0 ? INT32_MIN : INT32_MAX;
  const auto magnitude = static_cast<int32_t>(truncated_magnitude(value));
  return value.sign != 0 ? -magnitude : magnitude;
}

uint32_t get_ieee_high(float_state& fs, const soft_float& value) {
  static constexpr char fn[] = "get_ieee_high_G03";
  if (value.exponent > SF_EXP_LIMIT) return sf_fail(fs, fn, "exponent to large, must be within range [0,2047]."), 0;
  if (value.exponent < 0) return sf_fail(fs, fn, "exponent to small, must be within range [0,2047]."), 0;
  if (!check_double(fs, value)) return 0;
  const uint64_t fraction = (sf_mantissa_bits(value) >> 2) & SF_FRACTION_MASK;
  return (uint32_t{value.sign} << 31) | (static_cast<uint32_t>(value.exponent) << 20) |
         static_cast<uint32_t>(fraction >> 32);
}

uint32_t get_ieee_low(float_state& fs, const soft_float& value) {
  if (!check_double(fs, value)) return 0;
  return static_cast<uint32_t>(sf_mantissa_bits(value) >> 2);
}

// The top 32 mantissa bits (overflow, leading 1, 23 fraction bits, then 7 more),
// sticky from the rest in bit 0, rounded by adding half a unit of the 24th
// significant bit: an exact tie rounds away from zero.
uint32_t get_ieee_single(float_state& fs, const soft_float& value) {
  if (!check_double(fs, value) || value.exponent == 0) return 0;
  const uint64_t m = sf_mantissa_bits(value);
  uint32_t top = static_cast<uint32_t>(m >> 24);
  if ((m & 0xFFFFFF) != 0) top |= 1;
  top += 64;
  int32_t exponent = value.exponent - (SF_BIAS - 127);
  if ((top & 0x80000000u) != 0) {
    top >>= 1;
    exponent += 1;
  }
  const uint32_t sign = uint32_t{value.sign} << 31;
  // Exponent 255 is the IEEE infinity and NaN code: no finite single has it.
  if (exponent >= 255) {
    sf_warn(fs, FP_WARN_RANGE);
    return sign | 0x7F800000u;
  }
  if (exponent < 1) {
    sf_warn(fs, FP_WARN_RANGE);
    return 0;
  }
  return sign | (static_cast<uint32_t>(exponent) << 23) | ((top >> 7) & 0x7FFFFFu);
}
