// soft_float_test.cpp — unit tests of the floating-point package (G03, M25): record
// checks, mantissa adders, rounding, edge cases of the operations and conversions.
#include <cstring>
#include <functional>
#include <string>

#include "soft_float_test_support.h"

namespace {

constexpr uint64_t L = uint64_t{1} << 54;  // leading 1
constexpr uint64_t OVF = uint64_t{1} << 55;

soft_float make(uint8_t sign, int32_t exponent, uint64_t mantissa, uint8_t sticky = 0) {
  soft_float v{};
  v.sign = sign;
  v.exponent = exponent;
  for (int i = 6; i >= 0; --i, mantissa >>= 8) v.mantissa[i] = static_cast<uint8_t>(mantissa);
  v.sticky = sticky;
  return v;
}

uint64_t bits_of(const uint8_t (&m)[7]) {
  uint64_t r = 0;
  for (uint8_t b : m) r = (r << 8) | b;
  return r;
}

void set_bits(uint8_t (&m)[7], uint64_t v) {
  for (int i = 6; i >= 0; --i, v >>= 8) m[i] = static_cast<uint8_t>(v);
}

// ---- start-up ---------------------------------------------------------------

TEST(soft_float_init, missing_callbacks_are_refused) {
  fp_recorder rec;
  float_state fs;
  try {
    init_floats(fs, nullptr, test_error, test_warning, &rec);
    FAIL() << "no internal error";
  } catch (const fp_internal_error& e) {
    EXPECT_EQ(e.function, "init_floats_G03");
    EXPECT_EQ(e.text, "no get_memory");
  }
  try {
    init_floats(fs, test_get_memory, test_error, nullptr, &rec);
    FAIL() << "no internal error";
  } catch (const fp_internal_error& e) {
    EXPECT_EQ(e.text, "no warning");
  }
  EXPECT_FALSE(init_floats(fs, test_get_memory, nullptr, test_warning, &rec));
}

TEST_F(soft_float_fixture, constants_are_zero_and_plus_minus_one) {
  EXPECT_EQ(ieee(fs.zero), 0u);
  EXPECT_EQ(ieee(fs.plus_one), 0x3FF0000000000000u);
  EXPECT_EQ(ieee(fs.minus_one), 0xBFF0000000000000u);
  EXPECT_TRUE(is_zero_float(fs, fs.zero));
  EXPECT_FALSE(is_zero_float(fs, fs.minus_one));
}

// ---- check_double -----------------------------------------------------------

struct bad_record_case {
  const char* name;
  soft_float value;
  const char* text;
};

class soft_float_check_double : public soft_float_fixture, public ::testing::WithParamInterface<bad_record_case> {};

TEST_P(soft_float_check_double, reports_its_text) {
  try {
    check_double(fs, GetParam().value);
    FAIL() << "accepted";
  } catch (const fp_internal_error& e) {
    EXPECT_EQ(e.function, "check_double_G03");
    EXPECT_EQ(e.text, GetParam().text);
  }
}

INSTANTIATE_TEST_SUITE_P(
    records, soft_float_check_double,
    ::testing::Values(
        bad_record_case{"zero_with_mantissa", make(0, 0, 4), "inconsistent zero repressentation in argument."},
        bad_record_case{"negative_zero", make(1, 0, 0), "invalid sign and/or sticky in zero float."},
        bad_record_case{"zero_with_sticky", make(0, 0, 0, 1), "invalid sign and/or sticky in zero float."},
        bad_record_case{"negative_exponent", make(0, -1, L), "negative exponent not allowed."},
        bad_record_case{"exponent_2048", make(0, 2048, L), "double float exponent too large."},
        bad_record_case{"sign_2", make(2, 1023, L), "illegal bit(s) in sign."},
        bad_record_case{"overflow_bit", make(0, 1023, OVF | L), "illegal overflow bit in argument."},
        bad_record_case{"guard_bit", make(0, 1023, L | 2), "illegal g and/or r bit in argument."},
        bad_record_case{"round_bit", make(1, 1023, L | 1), "illegal g and/or r bit in argument."},
        bad_record_case{"sticky", make(0, 1023, L, 1), "illegal sticky."},
        bad_record_case{"no_leading_one", make(0, 1023, L >> 1), "argument is not normalized."}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(soft_float_fixture, check_double_accepts_finished_values) {
  EXPECT_TRUE(check_double(fs, make(0, 0, 0)));
  EXPECT_TRUE(check_double(fs, make(1, 1, L)));
  EXPECT_TRUE(check_double(fs, make(0, 2046, OVF - 4)));
  EXPECT_TRUE(check_double(fs, make(1, 2047, L)));  // overflow result stays usable
}

// Every operation validates its arguments before using them.
struct checked_op_case {
  const char* name;
  std::function<void(float_state&, const soft_float&)> run;
};

class soft_float_argument_check : public soft_float_fixture, public ::testing::WithParamInterface<checked_op_case> {};

TEST_P(soft_float_argument_check, rejects_unnormalised_value) {
  const soft_float bad = make(0, 1023, L >> 1);
  try {
    GetParam().run(fs, bad);
    FAIL() << "accepted";
  } catch (const fp_internal_error& e) {
    EXPECT_EQ(e.function, "check_double_G03");
    EXPECT_EQ(e.text, "argument is not normalized.");
  }
}

INSTANTIATE_TEST_SUITE_P(
    operations, soft_float_argument_check,
    ::testing::Values(checked_op_case{"add_first",
                                      [](float_state& f, const soft_float& x) {
                                        soft_float r;
                                        add_floats(f, x, f.plus_one, r);
                                      }},
                      checked_op_case{"add_second",
                                      [](float_state& f, const soft_float& x) {
                                        soft_float r;
                                        add_floats(f, f.plus_one, x, r);
                                      }},
                      checked_op_case{"sub",
                                      [](float_state& f, const soft_float& x) {
                                        soft_float r;
                                        sub_floats(f, f.plus_one, x, r);
                                      }},
                      checked_op_case{"mul",
                                      [](float_state& f, const soft_float& x) {
                                        soft_float r;
                                        mul_floats(f, f.plus_one, x, r);
                                      }},
                      checked_op_case{"div",
                                      [](float_state& f, const soft_float& x) {
                                        soft_float r;
                                        div_floats(f, x, f.plus_one, r);
                                      }},
                      checked_op_case{"relation", [](float_state& f,
                                                     const soft_float& x) { relational_floats(f, f.zero, x, FP_LT); }},
                      checked_op_case{"is_zero", [](float_state& f, const soft_float& x) { is_zero_float(f, x); }},
                      checked_op_case{"negate",
                                      [](float_state& f, const soft_float& x) {
                                        soft_float v = x;
                                        negate_float(f, v);
                                      }},
                      checked_op_case{"digit",
                                      [](float_state& f, const soft_float& x) {
                                        soft_float v = x;
                                        mul_and_add_char(f, v, 10, 1);
                                      }},
                      checked_op_case{"to_unsigned",
                                      [](float_state& f, const soft_float& x) { float_to_unsigned_long(f, x); }},
                      checked_op_case{"to_long", [](float_state& f, const soft_float& x) { float_to_long(f, x); }},
                      checked_op_case{"ieee_high", [](float_state& f, const soft_float& x) { get_ieee_high(f, x); }},
                      checked_op_case{"ieee_low", [](float_state& f, const soft_float& x) { get_ieee_low(f, x); }},
                      checked_op_case{"single", [](float_state& f, const soft_float& x) { get_ieee_single(f, x); }}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- M25 mantissa adders ----------------------------------------------------

struct mantissa_case {
  const char* name;
  bool subtract;
  uint64_t a, b, result;
  int carry;
};

class soft_float_mantissa : public soft_float_fixture, public ::testing::WithParamInterface<mantissa_case> {};

TEST_P(soft_float_mantissa, add_or_subtract_56_bits) {
  const auto& c = GetParam();
  fp_mantissa a, b, r;
  set_bits(a, c.a);
  set_bits(b, c.b);
  const int carry = c.subtract ? sub_mantissa(fs, a, b, r) : add_mantissa(fs, a, b, r);
  EXPECT_EQ(bits_of(r), c.result);
  EXPECT_EQ(carry, c.carry);
  // The result may be the first operand itself.
  c.subtract ? sub_mantissa(fs, a, b, a) : add_mantissa(fs, a, b, a);
  EXPECT_EQ(bits_of(a), c.result);
}

INSTANTIATE_TEST_SUITE_P(
    cases, soft_float_mantissa,
    ::testing::Values(mantissa_case{"add_plain", false, 0x12345678, 0x01010101, 0x13355779, 0},
                      mantissa_case{"add_carry_through_all_bytes", false, 0x00FFFFFFFFFFFF, 1, 0x01000000000000, 0},
                      mantissa_case{"add_into_overflow_bit", false, 0x7FFFFFFFFFFFFF, 1, 0x80000000000000, 0},
                      mantissa_case{"add_carry_out", false, 0x7FFFFFFFFFFFFF, 0xFFFFFFFFFFFFFF, 0x7FFFFFFFFFFFFE, 1},
                      mantissa_case{"sub_plain", true, 0x13355779, 0x01010101, 0x12345678, 0},
                      mantissa_case{"sub_borrow_through_all_bytes", true, 0x01000000000000, 1, 0x00FFFFFFFFFFFF, 0},
                      mantissa_case{"sub_borrow_out", true, 1, 2, 0xFFFFFFFFFFFFFF, 1},
                      mantissa_case{"sub_equal", true, 0x40000000000004, 0x40000000000004, 0, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(soft_float_fixture, mantissa_adders_refuse_overflow_bit_in_first_argument) {
  fp_mantissa a, b, r;
  set_bits(a, OVF);
  set_bits(b, 0);
  for (bool subtract : {false, true}) {
    try {
      subtract ? sub_mantissa(fs, a, b, r) : add_mantissa(fs, a, b, r);
      FAIL() << "accepted";
    } catch (const fp_internal_error& e) {
      EXPECT_EQ(e.function, subtract ? "sub_mantissa_M25" : "add_mantissa_M25");
      EXPECT_EQ(e.text, "illegal overflow bit in arg1.");
    }
  }
}

TEST_F(soft_float_fixture, neg_mantissa_is_twos_complement_and_refuses_zero) {
  fp_mantissa m;
  set_bits(m, 1);
  neg_mantissa(fs, m);
  EXPECT_EQ(bits_of(m), 0xFFFFFFFFFFFFFFu);
  set_bits(m, 0x40000000000100);
  neg_mantissa(fs, m);
  EXPECT_EQ(bits_of(m), 0xBFFFFFFFFFFF00u);
  set_bits(m, 0);
  try {
    neg_mantissa(fs, m);
    FAIL() << "negating zero did not carry";
  } catch (const fp_internal_error& e) {
    EXPECT_EQ(e.text, "illegal carry after negation of tos");
  }
}

TEST_F(soft_float_fixture, shifts_keep_lost_bits_in_sticky) {
  soft_float v = make(0, 1000, L | 2);
  rshift_mantissa(fs, v);  // guard moves to round: nothing lost yet
  EXPECT_EQ(v.sticky, 0);
  rshift_mantissa(fs, v);
  EXPECT_EQ(bits_of(v.mantissa), L >> 2);
  EXPECT_NE(v.sticky, 0);
  soft_float w = make(0, 1000, OVF | 0x01800000000001);
  EXPECT_EQ(lshift_mantissa(fs, w), 1);
  EXPECT_EQ(bits_of(w.mantissa), 0x03000000000002u);
}

// ---- round ------------------------------------------------------------------

struct round_case {
  const char* name;
  uint8_t sign;
  int32_t exponent;
  uint64_t mantissa;
  uint8_t sticky;
  int status;
  uint64_t ieee;  // expected double bits
};

class soft_float_round : public soft_float_fixture, public ::testing::WithParamInterface<round_case> {};

TEST_P(soft_float_round, nearest_even_on_guard_bit) {
  const auto& c = GetParam();
  soft_float v = make(c.sign, c.exponent, c.mantissa, c.sticky);
  EXPECT_EQ(round_float(fs, v), c.status);
  EXPECT_EQ(ieee(v), c.ieee);
}

// In the mantissa, 4 is one unit of the last fraction bit, 2 the guard and 1 the round bit.
INSTANTIATE_TEST_SUITE_P(
    cases, soft_float_round,
    ::testing::Values(round_case{"exact", 0, 1023, L | 4, 0, FP_ROUND_OK, 0x3FF0000000000001},
                      round_case{"tie_even_stays", 0, 1023, L | 2, 0, FP_ROUND_OK, 0x3FF0000000000000},
                      round_case{"tie_odd_goes_up", 0, 1023, L | 4 | 2, 0, FP_ROUND_OK, 0x3FF0000000000002},
                      round_case{"round_bit_breaks_tie", 0, 1023, L | 2 | 1, 0, FP_ROUND_OK, 0x3FF0000000000001},
                      round_case{"sticky_breaks_tie", 1, 1023, L | 2, 1, FP_ROUND_OK, 0xBFF0000000000001},
                      round_case{"below_half", 0, 1023, L | 1, 1, FP_ROUND_OK, 0x3FF0000000000000},
                      round_case{"carry_into_exponent", 0, 1023, OVF - 2, 0, FP_ROUND_OK, 0x4000000000000000},
                      round_case{"largest_finite", 1, 2046, OVF - 4, 0, FP_ROUND_OK, 0xFFEFFFFFFFFFFFFF},
                      round_case{"overflow_by_rounding", 1, 2046, OVF - 2, 0, FP_ROUND_OVERFLOW, 0xFFF0000000000000},
                      round_case{"overflow_exponent", 0, 2047, L, 0, FP_ROUND_OVERFLOW, 0x7FF0000000000000},
                      round_case{"underflow_exponent_0", 1, 0, L | 6, 1, FP_ROUND_UNDERFLOW, 0},
                      round_case{"underflow_negative_exponent", 0, -40, L, 0, FP_ROUND_UNDERFLOW, 0},
                      round_case{"rounds_up_into_range", 0, 0, OVF - 2, 0, FP_ROUND_OK, 0x0010000000000000}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(soft_float_fixture, round_refuses_overflow_bit) {
  soft_float v = make(0, 1023, OVF);
  try {
    round_float(fs, v);
    FAIL() << "accepted";
  } catch (const fp_internal_error& e) {
    EXPECT_EQ(e.function, "round_G03");
    EXPECT_EQ(e.text, "illegal overflow bit in argument");
  }
}

// ---- the operations' own edge cases ----------------------------------------

TEST_F(soft_float_fixture, one_converts_to_ieee_double_and_single) {
  const soft_float one = dec("1.0");
  EXPECT_EQ(get_ieee_high(fs, one), 0x3FF00000u);
  EXPECT_EQ(get_ieee_low(fs, one), 0u);
  EXPECT_EQ(get_ieee_single(fs, one), 0x3F800000u);
  EXPECT_TRUE(take_warnings().empty());
}

TEST_F(soft_float_fixture, halves_add_to_one_and_one_minus_one_is_positive_zero) {
  soft_float r;
  add_floats(fs, dec("0.5"), dec("0.5"), r);
  EXPECT_EQ(ieee(r), 0x3FF0000000000000u);
  sub_floats(fs, fs.plus_one, fs.plus_one, r);
  EXPECT_EQ(r.sign, 0);
  EXPECT_EQ(r.exponent, 0);
  EXPECT_TRUE(is_zero_float(fs, r));
  add_floats(fs, fs.minus_one, fs.plus_one, r);
  EXPECT_EQ(r.sign, 0);
  EXPECT_TRUE(is_zero_float(fs, r));
  EXPECT_TRUE(take_warnings().empty());
}

TEST_F(soft_float_fixture, halfway_sums_round_to_even) {
  const soft_float half_ulp = from_double(0x1p-53);
  soft_float r;
  add_floats(fs, fs.plus_one, half_ulp, r);  // 1 + 2^-53: tie, 1.0 is even
  EXPECT_EQ(ieee(r), 0x3FF0000000000000u);
  add_floats(fs, from_double(1.0 + 0x1p-52), half_ulp, r);  // odd neighbour goes up
  EXPECT_EQ(ieee(r), 0x3FF0000000000002u);
  sub_floats(fs, from_double(2.0), from_double(0x1p-53), r);  // below 2: exact
  EXPECT_EQ(ieee(r), double_bits(2.0 - 0x1p-53));
  sub_floats(fs, from_double(2.0), from_double(0x1p-54), r);  // tie between 2-2^-52 and 2
  EXPECT_EQ(ieee(r), double_bits(2.0));
}

TEST_F(soft_float_fixture, division_by_zero_warns_code_2) {
  soft_float r;
  div_floats(fs, fs.plus_one, fs.zero, r);
  EXPECT_EQ(take_warnings(), std::vector<int>{FP_WARN_DIV_BY_ZERO});
  EXPECT_EQ(ieee(r), 0x7FF0000000000000u);
  div_floats(fs, fs.minus_one, fs.zero, r);
  EXPECT_EQ(take_warnings(), std::vector<int>{FP_WARN_DIV_BY_ZERO});
  EXPECT_EQ(ieee(r), 0xFFF0000000000000u);
  div_floats(fs, fs.zero, fs.zero, r);
  EXPECT_EQ(take_warnings(), std::vector<int>{FP_WARN_DIV_BY_ZERO});
  EXPECT_TRUE(is_zero_float(fs, r));
  div_floats(fs, fs.zero, fs.minus_one, r);
  EXPECT_TRUE(take_warnings().empty());
  EXPECT_EQ(ieee(r), 0u);
}

TEST_F(soft_float_fixture, negate_flips_sign_but_not_of_zero) {
  soft_float v = fs.plus_one;
  negate_float(fs, v);
  EXPECT_EQ(ieee(v), 0xBFF0000000000000u);
  negate_float(fs, v);
  EXPECT_EQ(ieee(v), 0x3FF0000000000000u);
  soft_float z = fs.zero;
  negate_float(fs, z);
  EXPECT_EQ(z.sign, 0);
}

// ---- relations --------------------------------------------------------------

TEST_F(soft_float_fixture, unknown_relation_is_internal_error) {
  for (int code : {-1, 6}) {
    try {
      relational_floats(fs, fs.zero, fs.zero, code);
      FAIL() << code << " accepted";
    } catch (const fp_internal_error& e) {
      EXPECT_EQ(e.function, "relational_floats_G03");
      EXPECT_EQ(e.text, "no such rel. oper");
    }
  }
}

// ---- integer conversions ----------------------------------------------------

TEST_F(soft_float_fixture, truncating_conversions_saturate) {
  struct row {
    const char* text;
    bool negative;
    uint32_t as_unsigned;
    int32_t as_long;
  };
  const row rows[] = {
      {"4294967296.0", false, 0xFFFFFFFFu, INT32_MAX},
      {"4294967295.9", false, 0xFFFFFFFFu, INT32_MAX},
      {"0.75", false, 0, 0},
      {"0.0", false, 0, 0},
      {"1.0", false, 1, 1},
      {"3.7", true, 0, -3},
      {"2147483648.0", true, 0, INT32_MIN},
      {"2147483647.99", false, 2147483647u, INT32_MAX},
      {"2147483647.99", true, 0, -2147483647},
      {"2147483648.0", false, 2147483648u, INT32_MAX},
      {"0.999999", true, 0, 0},
      {"1.0E300", true, 0, INT32_MIN},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(std::string(r.negative ? "-" : "") + r.text);
    soft_float v = dec(r.text);
    if (r.negative)
      negate_float(fs, v);
    else
      EXPECT_EQ(float_to_unsigned_long(fs, v), r.as_unsigned);
    EXPECT_EQ(float_to_long(fs, v), r.as_long);
  }
}

TEST_F(soft_float_fixture, unsigned_conversion_of_negative_is_internal_error) {
  try {
    float_to_unsigned_long(fs, fs.minus_one);
    FAIL() << "accepted";
  } catch (const fp_internal_error& e) {
    EXPECT_EQ(e.function, "float_to_unsigned_long_G03");
    EXPECT_EQ(e.text, "float is negative");
  }
}

// ---- IEEE conversions -------------------------------------------------------

TEST_F(soft_float_fixture, ieee_high_refuses_exponent_outside_range) {
  const std::pair<int32_t, const char*> rows[] = {
      {2048, "exponent to large, must be within range [0,2047]."},
      {-1, "exponent to small, must be within range [0,2047]."},
  };
  for (const auto& [exponent, text] : rows) {
    try {
      get_ieee_high(fs, make(0, exponent, L));
      FAIL() << exponent << " accepted";
    } catch (const fp_internal_error& e) {
      EXPECT_EQ(e.function, "get_ieee_high_G03");
      EXPECT_EQ(e.text, text);
    }
  }
}

TEST_F(soft_float_fixture, single_conversion_range_and_rounding) {
  struct row {
    double value;
    uint32_t single;
    bool warns;
  };
  const row rows[] = {
      {1.0E39, 0x7F800000u, true},
      {-1.0E39, 0xFF800000u, true},
      {0x1p128, 0x7F800000u, true},          // single exponent field would be 255
      {0x1.fffffep127, 0x7F7FFFFFu, false},  // largest single
      {0x1.ffffffp127, 0x7F800000u, true},   // ties away from zero, then too large
      {0x1.fffffefffffffp127, 0x7F7FFFFFu, false},
      {0x1p-126, 0x00800000u, false},         // smallest normal single
      {0x1.ffffffp-127, 0x00800000u, false},  // rounds up into range
      {0x1.fffffep-127, 0, true},             // would be a denormal single
      {0x1.fffffdfffffffp-127, 0, true},      // no denormal singles
      {1.0E-40, 0, true},
      {-1.0E-40, 0, true},
      {1.0 + 0x1p-24, 0x3F800001u, false},  // exact tie rounds away from zero
      {-(1.0 + 0x1p-24), 0xBF800001u, false},
      {1.0 + 0x1p-24 - 0x1p-52, 0x3F800000u, false},
      {1.0 + 3 * 0x1p-24, 0x3F800002u, false},
      {0.1, 0x3DCCCCCDu, false},
      {0.0, 0, false},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(testing::Message() << std::hexfloat << r.value);
    EXPECT_EQ(get_ieee_single(fs, from_double(r.value)), r.single);
    EXPECT_EQ(take_warnings(), r.warns ? std::vector<int>{FP_WARN_RANGE} : std::vector<int>{});
  }
}

// ---- digit by digit ---------------------------------------------------------

TEST_F(soft_float_fixture, mul_and_add_char_builds_numbers) {
  struct row {
    unsigned base;
    const char* digits;
    uint64_t ieee;
  };
  const row rows[] = {
      {10, "123456789", double_bits(123456789.0)},
      {16, "FFFFFFFF", double_bits(4294967295.0)},
      {8, "777", double_bits(511.0)},
      {16, "1FFFFFFFFFFFFF", double_bits(9007199254740991.0)},  // 2^53 - 1: exact
      {16, "20000000000001", double_bits(9007199254740992.0)},  // 2^53 + 1: tie to even
      {16, "20000000000003", double_bits(9007199254740996.0)},  // 2^53 + 3: tie up
      {10, "18446744073709551615", double_bits(18446744073709551616.0)},
      {0, "7", double_bits(7.0)},  // base 0 keeps only the digit
  };
  for (const row& r : rows) {
    soft_float v = fs.zero;
    for (const char* p = r.digits; *p != '\0'; ++p)
      mul_and_add_char(fs, v, r.base, static_cast<unsigned>(*p <= '9' ? *p - '0' : *p - 'A' + 10));
    EXPECT_EQ(ieee(v), r.ieee) << r.digits << " base " << r.base;
  }
}

TEST_F(soft_float_fixture, mul_and_add_char_refuses_base_above_16) {
  soft_float v = fs.plus_one;
  mul_and_add_char(fs, v, 16, 15);
  try {
    mul_and_add_char(fs, v, 17, 0);
    FAIL() << "accepted";
  } catch (const fp_internal_error& e) {
    EXPECT_EQ(e.function, "mul_and_add_char_G03");
    EXPECT_EQ(e.text, "second argument to large, must be within range [0, 16]");
  }
}

// ---- decimal constants ------------------------------------------------------

TEST_F(soft_float_fixture, malformed_decimal_constants_are_refused) {
  for (const char* text :
       {"", ".", "1.5E", "1.5E+", "1.5e-", "1.5x", "1..5", "E5", "1.5E5.0", "-1.5", "1.5F", " 1.5", "1.5 ", "1,5"}) {
    soft_float v = fs.plus_one;
    EXPECT_FALSE(decimal_to_float(fs, text, v)) << '"' << text << '"';
    EXPECT_TRUE(is_zero_float(fs, v));
  }
}

TEST_F(soft_float_fixture, decimal_constant_forms) {
  struct row {
    const char* text;
    uint64_t ieee;
    int warnings;
  };
  const row rows[] = {
      {"1.", double_bits(1.0), 0},
      {".5", double_bits(0.5), 0},
      {"2.5e+3", double_bits(2500.0), 0},
      {"2.5E-3", double_bits(0.0025), 0},
      {"000012.500000", double_bits(12.5), 0},
      {"0.0E99999999999999999999", 0, 0},
      {"1.0E400", 0x7FF0000000000000u, 1},
      {"1.0E-400", 0, 1},
      {"1.0E-99999999999999999999999", 0, 1},
      {"1.0E99999999999999999999999", 0x7FF0000000000000u, 1},
      {"1.0E-310", 0, 1},  // would be a denormal double
      {"0.000000000000000000000000000001E+30", double_bits(1.0), 0},
  };
  for (const row& r : rows) {
    EXPECT_EQ(ieee(dec(r.text)), r.ieee) << r.text;
    EXPECT_EQ(take_warnings().size(), static_cast<size_t>(r.warnings)) << r.text;
  }
}

// 1 + 2^-53 written out exactly is a tie; a one far past the 800th digit lifts it.
TEST_F(soft_float_fixture, digits_far_beyond_the_tie_decide_rounding) {
  const std::string tie = "1.00000000000000011102230246251565404236316680908203125";
  EXPECT_EQ(ieee(dec(tie)), double_bits(1.0));
  EXPECT_EQ(ieee(dec(tie + std::string(5000, '0'))), double_bits(1.0));
  EXPECT_EQ(ieee(dec(tie + std::string(5000, '0') + "1")), double_bits(1.0 + 0x1p-52));
  EXPECT_EQ(ieee(dec("1" + std::string(31997, '0') + ".0E-31997")), double_bits(1.0));
}

}  // namespace
