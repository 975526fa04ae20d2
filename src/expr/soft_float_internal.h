// soft_float_internal.h — constants and helpers shared by the floating-point files (G03).
// Not for use outside the package.
#pragma once

#include "expr/soft_float.h"

inline constexpr int32_t SF_BIAS = 1023;
inline constexpr int32_t SF_EXP_LIMIT = 2047;  // first exponent out of range
inline constexpr uint64_t SF_OVERFLOW_BIT = uint64_t{1} << 55;
inline constexpr uint64_t SF_LEADING_BIT = uint64_t{1} << 54;
inline constexpr uint64_t SF_FRACTION_MASK = (uint64_t{1} << 52) - 1;

inline constexpr soft_float sf_zero() { return soft_float{0, 0, {0, 0, 0, 0, 0, 0, 0}, 0}; }

inline constexpr soft_float sf_one(uint8_t sign) { return soft_float{sign, SF_BIAS, {0x40, 0, 0, 0, 0, 0, 0}, 0}; }

// What round_float() leaves for a result too large: the sign stays, the exponent is
// out of range and the fraction is 0, so the IEEE double shows as infinity.
inline constexpr soft_float sf_overflow(uint8_t sign) {
  return soft_float{sign, SF_EXP_LIMIT, {0x40, 0, 0, 0, 0, 0, 0}, 0};
}

// Reports an internal error. The assembler's reporter does not return; when one
// does, callers go on with a harmless value. Always false, for `return sf_fail(...)`.
inline bool sf_fail(float_state& fs, const char* function, const char* text) {
  if (fs.error != nullptr) fs.error(fs.user, function, text);
  return false;
}

inline void sf_warn(float_state& fs, int code) {
  if (fs.warning != nullptr) fs.warning(fs.user, code);
}

inline uint64_t sf_mantissa_bits(const soft_float& v) {
  uint64_t m = 0;
  for (uint8_t byte : v.mantissa) m = (m << 8) | byte;
  return m;
}

inline void sf_set_mantissa_bits(soft_float& v, uint64_t m) {
  for (int i = 6; i >= 0; --i) {
    v.mantissa[i] = static_cast<uint8_t>(m);
    m >>= 8;
  }
}

// Rounds a normalised intermediate result; out-of-range results warn.
void sf_round_and_report(float_state& fs, soft_float& v, const char* function);
