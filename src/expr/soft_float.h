// soft_float.h — 16-byte software floating point for constants and float data (G03),
// with the mantissa adders (M25). Results are bit-exact on every host: no host FP.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

// One value. The mantissa is 56 bits, most significant byte first:
//   bit 55 overflow (clear in a finished value), bit 54 the leading 1,
//   bits 53..2 the 52 fraction bits, bit 1 guard, bit 0 round.
// Sticky is non-zero when a bit below the round bit was lost.
// Zero is exponent 0, mantissa 0, sign 0, sticky 0; exponent is biased by 1023.
struct soft_float {
  uint8_t sign;      // 0 positive, 1 negative
  int32_t exponent;  // 1..2046 finite, 2047 out of range, 0 zero
  uint8_t mantissa[7];
  uint8_t sticky;
};
static_assert(sizeof(soft_float) == 16, "soft_float is a 16-byte record");

using fp_mantissa = uint8_t[7];

// Callbacks into the assembler; `user` is handed back as the first argument.
using fp_get_memory_cb = void* (*)(void* user, size_t size);
using fp_error_cb = void (*)(void* user, const char* function, const char* text);  // internal error
using fp_warning_cb = void (*)(void* user, int code);

enum : int {
  FP_WARN_RANGE = 1,        // value out of range (overflow or underflow)
  FP_WARN_DIV_BY_ZERO = 2,  // division by zero
};

// Relation codes of relational_floats.
enum : int { FP_LT = 0, FP_GT = 1, FP_LE = 2, FP_GE = 3, FP_EQ = 4, FP_NE = 5 };

// Rounding status of round_float().
enum : int { FP_ROUND_OK = 0, FP_ROUND_OVERFLOW = 1, FP_ROUND_UNDERFLOW = 2 };

// Package state, one per assembler context; init_floats fills it for each module.
struct float_state {
  fp_get_memory_cb get_memory = nullptr;
  fp_error_cb error = nullptr;
  fp_warning_cb warning = nullptr;
  void* user = nullptr;
  soft_float zero{};
  soft_float plus_one{};
  soft_float minus_one{};
};

// Installs the callbacks and constants. False when the package cannot run.
bool init_floats(float_state& fs, fp_get_memory_cb get_memory, fp_error_cb error, fp_warning_cb warning, void* user);

// Validates a value; reports an internal error and returns false when it is inconsistent.
bool check_double(float_state& fs, const soft_float& value);

// M25: 56-bit mantissa arithmetic. Result may alias an argument; returns the carry
// (or borrow) out of the first byte.
int add_mantissa(float_state& fs, const fp_mantissa& a, const fp_mantissa& b, fp_mantissa& result);
int sub_mantissa(float_state& fs, const fp_mantissa& a, const fp_mantissa& b, fp_mantissa& result);
void neg_mantissa(float_state& fs, fp_mantissa& m);
// One-bit shifts. Right: the bit out of the last byte goes into sticky.
// Left: a zero comes in; returns the bit shifted out of the first byte.
void rshift_mantissa(float_state& fs, soft_float& value);
int lshift_mantissa(float_state& fs, soft_float& value);

// Rounds a normalised value to nearest, ties to even, and range-checks the exponent.
// Returns FP_ROUND_OK, FP_ROUND_OVERFLOW (value set to the overflow constant)
// or FP_ROUND_UNDERFLOW (value set to zero).
int round_float(float_state& fs, soft_float& value);

void add_floats(float_state& fs, const soft_float& a, const soft_float& b, soft_float& result);
void sub_floats(float_state& fs, const soft_float& a, const soft_float& b, soft_float& result);
void mul_floats(float_state& fs, const soft_float& a, const soft_float& b, soft_float& result);
void div_floats(float_state& fs, const soft_float& a, const soft_float& b, soft_float& result);

// a relation b, relation one of FP_LT..FP_NE.
bool relational_floats(float_state& fs, const soft_float& a, const soft_float& b, int relation);
bool is_zero_float(float_state& fs, const soft_float& value);
void negate_float(float_state& fs, soft_float& value);

// value = value * base + digit, rounded once; base in 0..16.
void mul_and_add_char(float_state& fs, soft_float& value, unsigned base, unsigned digit);
// Exact conversion of a 32-bit integer, read as signed or unsigned.
void generic_long_to_float(float_state& fs, uint32_t bits, bool is_signed, soft_float& result);

// Truncating conversions with saturation.
uint32_t float_to_unsigned_long(float_state& fs, const soft_float& value);
int32_t float_to_long(float_state& fs, const soft_float& value);

// IEEE 754 double halves and single bit pattern.
uint32_t get_ieee_high(float_state& fs, const soft_float& value);
uint32_t get_ieee_low(float_state& fs, const soft_float& value);
uint32_t get_ieee_single(float_state& fs, const soft_float& value);

// Converts a decimal floating constant: digits, optional "." and digits, optional
// "E"/"e" with optional sign and digits (no suffix). Correctly rounded for any
// number of digits. Returns false, leaving result zero, when the text is malformed;
// overflow and underflow warn FP_WARN_RANGE.
bool decimal_to_float(float_state& fs, std::string_view text, soft_float& result);
