// soft_float_test.cpp — unit tests of the floating-point package (G03, M25): record
// checks and internal errors, the edge cases of operations and conversions that
// random operands against the host (soft_float_differential_test.cpp) do not reach.
#include <string>

#include "soft_float_test_support.h"
#include "support/param_names.h"

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

void set_bits(uint8_t (&m)[7], uint64_t v) {
  for (int i = 6; i >= 0; --i, v >>= 8) m[i] = static_cast<uint8_t>(v);
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
  expect_fp_error([&] { check_double(fs, GetParam().value); }, "check_double_G03", GetParam().text);
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
    by_name);

TEST_F(soft_float_fixture, check_double_accepts_finished_values) {
  EXPECT_TRUE(check_double(fs, make(0, 0, 0)));
  EXPECT_TRUE(check_double(fs, make(1, 1, L)));
  EXPECT_TRUE(check_double(fs, make(0, 2046, OVF - 4)));
  EXPECT_TRUE(check_double(fs, make(1, 2047, L)));  // overflow result stays usable
}

// Impossible requests the package refuses: each ends in the internal error
// of the function named.
struct refusal_case {
  const char* name;
  void (*run)(float_state&);
  const char* function;
  const char* text;
};

class soft_float_refusal : public soft_float_fixture, public ::testing::WithParamInterface<refusal_case> {};

TEST_P(soft_float_refusal, names_function_and_text) {
  expect_fp_error([&] { GetParam().run(fs); }, GetParam().function, GetParam().text);
}

// clang-format off
const refusal_case kRefusals[] = {
    {"operation_on_unnormalised_value", [](float_state& f) { soft_float r; add_floats(f, f.plus_one, make(0, 1023, L >> 1), r); },
     "check_double_G03", "argument is not normalized."},
    {"add_with_overflow_bit", [](float_state& f) { fp_mantissa a, b, r; set_bits(a, OVF); set_bits(b, 0); add_mantissa(f, a, b, r); },
     "add_mantissa_M25", "illegal overflow bit in arg1."},
    {"sub_with_overflow_bit", [](float_state& f) { fp_mantissa a, b, r; set_bits(a, OVF); set_bits(b, 0); sub_mantissa(f, a, b, r); },
     "sub_mantissa_M25", "illegal overflow bit in arg1."},
    {"negation_of_zero_mantissa", [](float_state& f) { fp_mantissa a; set_bits(a, 0); neg_mantissa(f, a); },
     "neg_mantissa_M25", "illegal carry after negation of tos"},
    {"round_with_overflow_bit", [](float_state& f) { soft_float v = make(0, 1023, OVF); round_float(f, v); },
     "round_G03", "illegal overflow bit in argument"},
    {"relation_below", [](float_state& f) { relational_floats(f, f.zero, f.zero, -1); }, "relational_floats_G03", "no such rel. oper"},
    {"relation_above", [](float_state& f) { relational_floats(f, f.zero, f.zero, 6); }, "relational_floats_G03", "no such rel. oper"},
    {"unsigned_of_negative", [](float_state& f) { float_to_unsigned_long(f, f.minus_one); }, "float_to_unsigned_long_G03", "float is negative"},
    {"ieee_exponent_2048", [](float_state& f) { get_ieee_high(f, make(0, 2048, L)); }, "get_ieee_high_G03", "exponent to large, must be within range [0,2047]."},
    {"ieee_exponent_negative", [](float_state& f) { get_ieee_high(f, make(0, -1, L)); }, "get_ieee_high_G03", "exponent to small, must be within range [0,2047]."},
    {"digit_base_17", [](float_state& f) { soft_float v = f.plus_one; mul_and_add_char(f, v, 17, 0); },
     "mul_and_add_char_G03", "second argument to large, must be within range [0, 16]"},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(internal, soft_float_refusal, ::testing::ValuesIn(kRefusals), by_name);

TEST(soft_float_init, missing_callbacks_are_refused) {
  fp_recorder rec;
  float_state fs;
  expect_fp_error([&] { init_floats(fs, nullptr, test_error, test_warning, &rec); }, "init_floats_G03",
                  "no get_memory");
  expect_fp_error([&] { init_floats(fs, test_get_memory, test_error, nullptr, &rec); }, "init_floats_G03",
                  "no warning");
  EXPECT_FALSE(init_floats(fs, test_get_memory, nullptr, test_warning, &rec));
}

// ---- the operations' own edge cases ----------------------------------------

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

// ---- digit by digit ---------------------------------------------------------

// Digit by digit, each step rounded once (random steps against the host's
// fused multiply-add are in soft_float_differential_test.cpp).
TEST_F(soft_float_fixture, mul_and_add_char_rounds_ties_at_53_bits) {
  struct row {
    unsigned base;
    const char* digits;
    uint64_t ieee;
  };
  const row rows[] = {
      {16, "1FFFFFFFFFFFFF", double_bits(9007199254740991.0)},  // 2^53 - 1: exact
      {16, "20000000000001", double_bits(9007199254740992.0)},  // 2^53 + 1: tie to even
      {16, "20000000000003", double_bits(9007199254740996.0)},  // 2^53 + 3: tie up
      {0, "7", double_bits(7.0)},  // base 0 keeps only the digit
  };
  for (const row& r : rows) {
    soft_float v = fs.zero;
    for (const char* p = r.digits; *p != '\0'; ++p)
      mul_and_add_char(fs, v, r.base, static_cast<unsigned>(*p <= '9' ? *p - '0' : *p - 'A' + 10));
    EXPECT_EQ(ieee(v), r.ieee) << r.digits << " base " << r.base;
  }
}

TEST_F(soft_float_fixture, malformed_decimal_constants_are_refused) {
  for (const char* text :
       {"", ".", "1.5E", "1.5E+", "1.5e-", "1.5x", "1..5", "E5", "1.5E5.0", "-1.5", "1.5F", " 1.5", "1.5 ", "1,5"}) {
    soft_float v = fs.plus_one;
    EXPECT_FALSE(decimal_to_float(fs, text, v)) << '"' << text << '"';
    EXPECT_TRUE(is_zero_float(fs, v));
  }
}

}  // namespace
