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

// ---- start-up ---------------------------------------------------------------

TEST(soft_float_init, missing_callbacks_are_refused) {
  fp_recorder rec;
  float_state fs;
  expect_fp_error([&] { init_floats(fs, nullptr, test_error, test_warning, &rec); }, "init_floats_G03",
                  "no get_memory");
  expect_fp_error([&] { init_floats(fs, test_get_memory, test_error, nullptr, &rec); }, "init_floats_G03",
                  "no warning");
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

// Every operation validates its arguments before using them.
struct checked_op_case {
  const char* name;
  void (*run)(float_state&, const soft_float&);
};

class soft_float_argument_check : public soft_float_fixture, public ::testing::WithParamInterface<checked_op_case> {};

TEST_P(soft_float_argument_check, rejects_unnormalised_value) {
  expect_fp_error([&] { GetParam().run(fs, make(0, 1023, L >> 1)); }, "check_double_G03", "argument is not normalized.");
}

// clang-format off
const checked_op_case kCheckedOps[] = {
    {"add_first",   [](float_state& f, const soft_float& x) { soft_float r; add_floats(f, x, f.plus_one, r); }},
    {"add_second",  [](float_state& f, const soft_float& x) { soft_float r; add_floats(f, f.plus_one, x, r); }},
    {"sub",         [](float_state& f, const soft_float& x) { soft_float r; sub_floats(f, f.plus_one, x, r); }},
    {"mul",         [](float_state& f, const soft_float& x) { soft_float r; mul_floats(f, f.plus_one, x, r); }},
    {"div",         [](float_state& f, const soft_float& x) { soft_float r; div_floats(f, x, f.plus_one, r); }},
    {"relation",    [](float_state& f, const soft_float& x) { relational_floats(f, f.zero, x, FP_LT); }},
    {"is_zero",     [](float_state& f, const soft_float& x) { is_zero_float(f, x); }},
    {"negate",      [](float_state& f, const soft_float& x) { soft_float v = x; negate_float(f, v); }},
    {"digit",       [](float_state& f, const soft_float& x) { soft_float v = x; mul_and_add_char(f, v, 10, 1); }},
    {"to_unsigned", [](float_state& f, const soft_float& x) { float_to_unsigned_long(f, x); }},
    {"to_long",     [](float_state& f, const soft_float& x) { float_to_long(f, x); }},
    {"ieee_high",   [](float_state& f, const soft_float& x) { get_ieee_high(f, x); }},
    {"ieee_low",    [](float_state& f, const soft_float& x) { get_ieee_low(f, x); }},
    {"single",      [](float_state& f, const soft_float& x) { get_ieee_single(f, x); }},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(operations, soft_float_argument_check, ::testing::ValuesIn(kCheckedOps), by_name);

// ---- internal checks of the mantissa adders and of round -------------------------
// (Their arithmetic is checked through the operations, against the host, in
// soft_float_differential_test.cpp.)

TEST_F(soft_float_fixture, adders_and_round_refuse_an_overflow_bit) {
  fp_mantissa a, b, r;
  set_bits(a, OVF);
  set_bits(b, 0);
  expect_fp_error([&] { add_mantissa(fs, a, b, r); }, "add_mantissa_M25", "illegal overflow bit in arg1.");
  expect_fp_error([&] { sub_mantissa(fs, a, b, r); }, "sub_mantissa_M25", "illegal overflow bit in arg1.");
  set_bits(a, 0);
  expect_fp_error([&] { neg_mantissa(fs, a); }, "neg_mantissa_M25", "illegal carry after negation of tos");
  soft_float v = make(0, 1023, OVF);
  expect_fp_error([&] { round_float(fs, v); }, "round_G03", "illegal overflow bit in argument");
}

// ---- the operations' own edge cases ----------------------------------------

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
  for (int code : {-1, 6})
    expect_fp_error([&] { relational_floats(fs, fs.zero, fs.zero, code); }, "relational_floats_G03",
                    "no such rel. oper");
}

// ---- integer conversions ----------------------------------------------------

TEST_F(soft_float_fixture, unsigned_conversion_of_negative_is_internal_error) {
  expect_fp_error([&] { float_to_unsigned_long(fs, fs.minus_one); }, "float_to_unsigned_long_G03",
                  "float is negative");
}

// ---- IEEE conversions -------------------------------------------------------

TEST_F(soft_float_fixture, ieee_high_refuses_exponent_outside_range) {
  const std::pair<int32_t, const char*> rows[] = {
      {2048, "exponent to large, must be within range [0,2047]."},
      {-1, "exponent to small, must be within range [0,2047]."},
  };
  for (const auto& [exponent, text] : rows)
    expect_fp_error([&, e = exponent] { get_ieee_high(fs, make(0, e, L)); }, "get_ieee_high_G03", text);
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
      {1.0, 0x3F800000u, false},
      {0.0, 0, false},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(testing::Message() << std::hexfloat << r.value);
    EXPECT_EQ(get_ieee_single(fs, from_double(r.value)), r.single);
    EXPECT_EQ(take_warnings(), r.warns ? std::vector<int>{FP_WARN_RANGE} : std::vector<int>{});
  }
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

TEST_F(soft_float_fixture, mul_and_add_char_refuses_base_above_16) {
  soft_float v = fs.plus_one;
  mul_and_add_char(fs, v, 16, 15);
  expect_fp_error([&] { mul_and_add_char(fs, v, 17, 0); }, "mul_and_add_char_G03",
                  "second argument to large, must be within range [0, 16]");
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
