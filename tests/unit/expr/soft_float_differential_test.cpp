// soft_float_differential_test.cpp — the floating-point package (G03) against the host's
// IEEE double arithmetic, strtod and printf, which serve here as the oracle only.
//
// Intended differences, applied to the host result before comparing:
//  - No denormals: a result whose host value is below 2^-1022 in magnitude (a denormal,
//    or zero from underflow) is zero with sign 0 and warning code 1. A host result of
//    exactly +-2^-1022 may also be zero with the warning: the package rounds at 53 bits
//    before it checks the range, the host rounds denormals at a fixed scale.
//  - Overflow gives the bit pattern of infinity with warning code 1.
//  - Zero has no sign: the host's -0.0 compares as +0.
//  - Single precision: an exact tie at the 24th significant bit rounds away from zero,
//    and no denormal singles exist (below 2^-126 after rounding: zero with warning 1).
//  - Integer conversions saturate where C leaves the result undefined.
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

#include "soft_float_test_support.h"

namespace {

constexpr int kMaxReported = 10;  // failures shown before a loop gives up
constexpr double kMinNormal = DBL_MIN;

std::string hex(double d) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%a", d);
  return buf;
}

// Operands: random over the whole normal range, in a narrow band around 1, near
// neighbours of one another (for cancellation) and fixed boundary values.
class operand_source {
 public:
  explicit operand_source(uint64_t seed) : rng_(seed) {}

  // A normal double of random sign and fraction, its biased exponent in [low, high].
  double within(uint64_t low, uint64_t high) { return make(std::uniform_int_distribution<uint64_t>(low, high)(rng_)); }
  double boundary() {
    // clang-format off
    static constexpr double values[] = {
        1.0, -1.0, 2.0, 0.5, 3.0, 0.1, 1.0 / 3, 10.0, 1e300, 1e-300, DBL_MAX, -DBL_MAX, DBL_MIN, -DBL_MIN,
        DBL_MIN * 2, 1.0 + DBL_EPSILON, 1.0 - DBL_EPSILON / 2, 0x1.fffffffffffffp0, 0x1p-1000, 0x1p1000,
        4294967296.0, 2147483648.0, 0x1.0000000000001p-1022, 0.0};
    // clang-format on
    return values[std::uniform_int_distribution<size_t>(0, std::size(values) - 1)(rng_)];
  }
  // A value within a few units in the last place, or a small power of two apart.
  double near(double x) {
    const int64_t step = std::uniform_int_distribution<int64_t>(-4, 4)(rng_);
    double y = bits_double(double_bits(x) + static_cast<uint64_t>(step));
    if (coin()) y = std::ldexp(y, std::uniform_int_distribution<int>(-3, 3)(rng_));
    if (!std::isfinite(y) || (y != 0 && std::fabs(y) < kMinNormal))
      y = x;  // stay a normal operand: the record has no denormals
    return coin() ? -y : y;
  }
  double pick() {
    switch (std::uniform_int_distribution<int>(0, 5)(rng_)) {
      case 0: return within(1, 2046);
      case 1:
      case 2: return within(1023 - 60, 1023 + 60);
      case 3: return within(1, 60);
      case 4: return within(2046 - 60, 2046);
      default: return boundary();
    }
  }
  bool coin() { return (rng_() & 1) != 0; }
  uint64_t bits() { return rng_(); }
  std::mt19937_64& rng() { return rng_; }

 private:
  double make(uint64_t exponent) {
    const uint64_t fraction = rng_() & ((uint64_t{1} << 52) - 1);
    const uint64_t sign = rng_() & 1;
    return bits_double((sign << 63) | (exponent << 52) | fraction);
  }
  std::mt19937_64 rng_;
};

class soft_float_differential : public soft_float_fixture {
 protected:
  int failures = 0;

  // Compares the package's result and warnings with the host's value under the
  // intended differences above. exact_zero: the true result is 0, not an underflow.
  void expect_host(double host, const soft_float& got, bool exact_zero, const std::string& what) {
    const uint64_t bits = ieee(got);
    const std::vector<int> warned = take_warnings();
    const std::vector<int> none, range{FP_WARN_RANGE};
    std::string problem;
    if (std::isnan(host)) {
      problem = "host NaN: test produced an invalid operand";
    } else if (std::isinf(host)) {
      if (bits != double_bits(host) || warned != range) problem = "expected overflow";
    } else if (host == 0 && exact_zero) {
      if (bits != 0 || warned != none) problem = "expected exact zero";
    } else if (std::fabs(host) < kMinNormal || host == 0) {
      if (bits != 0 || warned != range) problem = "expected underflow to zero";
    } else if (std::fabs(host) == kMinNormal) {
      if (!(bits == double_bits(host) && warned == none) && !(bits == 0 && warned == range))
        problem = "expected smallest normal or underflow";
    } else if (bits != double_bits(host) || warned != none) {
      problem = "mismatch";
    }
    if (!problem.empty()) {
      ADD_FAILURE() << what << ": " << problem << ", host " << hex(host) << ", got " << hex(bits_double(bits))
                    << " with " << warned.size() << " warning(s)";
      ++failures;
    }
  }

  bool gave_up() const { return failures >= kMaxReported; }
};

enum class op { add, sub, mul, div };

double host_op(op o, double a, double b) {
  switch (o) {
    case op::add: return a + b;
    case op::sub: return a - b;
    case op::mul: return a * b;
    default: return a / b;
  }
}

void package_op(float_state& fs, op o, const soft_float& a, const soft_float& b, soft_float& r) {
  switch (o) {
    case op::add: add_floats(fs, a, b, r); break;
    case op::sub: sub_floats(fs, a, b, r); break;
    case op::mul: mul_floats(fs, a, b, r); break;
    default: div_floats(fs, a, b, r); break;
  }
}

const char* op_name(op o) {
  static constexpr const char* names[] = {"+", "-", "*", "/"};
  return names[static_cast<int>(o)];
}

class soft_float_arithmetic : public soft_float_differential, public ::testing::WithParamInterface<op> {};

TEST_P(soft_float_arithmetic, agrees_with_host_double) {
  const op o = GetParam();
  operand_source src(0x5EED0000u + static_cast<uint64_t>(o));
  int compared = 0;
  for (int i = 0; i < 6000 && !gave_up(); ++i) {
    const double a = src.pick();
    const double b = (i % 3 == 0) ? src.near(a) : src.pick();
    if (o == op::div && b == 0) continue;  // division by zero has its own test
    soft_float r;
    package_op(fs, o, from_double(a), from_double(b), r);
    const double host = host_op(o, a, b);
    const bool exact_zero = o == op::add || o == op::sub || a == 0 || b == 0;
    expect_host(host, r, exact_zero, hex(a) + " " + op_name(o) + " " + hex(b));
    ++compared;
  }
  EXPECT_GT(compared, 5000);
}

std::string op_test_name(const ::testing::TestParamInfo<op>& info) {
  static constexpr const char* names[] = {"add", "sub", "mul", "div"};
  return names[static_cast<int>(info.param)];
}

INSTANTIATE_TEST_SUITE_P(ops, soft_float_arithmetic, ::testing::Values(op::add, op::sub, op::mul, op::div),
                         op_test_name);

TEST_F(soft_float_differential, division_by_zero_warns_for_any_dividend) {
  operand_source src(77);
  for (int i = 0; i < 200; ++i) {
    const double a = src.pick();
    soft_float r;
    div_floats(fs, from_double(a), fs.zero, r);
    EXPECT_EQ(take_warnings(), std::vector<int>{FP_WARN_DIV_BY_ZERO}) << hex(a);
    const double expected = a == 0 ? 0.0 : std::copysign(INFINITY, a);
    EXPECT_EQ(ieee(r), double_bits(expected)) << hex(a);
  }
}

TEST_F(soft_float_differential, relations_agree_with_host) {
  operand_source src(0xC0FFEE);
  for (int i = 0; i < 5000 && !gave_up(); ++i) {
    const double a = src.pick();
    const double b = (i % 2 == 0) ? src.near(a) : (i % 5 == 0 ? a : src.pick());
    const soft_float sa = from_double(a), sb = from_double(b);
    const bool host[] = {a<b, a> b, a <= b, a >= b, a == b, a != b};
    for (int rel = FP_LT; rel <= FP_NE; ++rel) {
      if (relational_floats(fs, sa, sb, rel) != host[rel]) {
        ADD_FAILURE() << hex(a) << " rel " << rel << " " << hex(b);
        ++failures;
      }
    }
  }
  EXPECT_TRUE(take_warnings().empty());
}

// ---- conversions -------------------------------------------------------------

// The package's single: rounded at 24 significant bits with ties away from zero,
// then range-checked. Computed with host float rounding at unit scale, where no
// denormal step can interfere, and scaled back exactly.
uint32_t expected_single(double d, bool& warns) {
  warns = false;
  if (d == 0) return 0;
  int exponent = 0;
  const double unit = std::frexp(std::fabs(d), &exponent);  // [0.5, 1), same fraction bits
  float rounded = static_cast<float>(unit);
  if ((double_bits(d) & 0x1FFFFFFF) == 0x10000000) {  // exact tie at the 24th bit
    const float down = static_cast<float>(bits_double(double_bits(unit) & ~uint64_t{0x1FFFFFFF}));
    rounded = std::nextafter(down, 2.0f);
  }
  const double magnitude = std::ldexp(static_cast<double>(rounded), exponent);
  const uint32_t sign = d < 0 ? 0x80000000u : 0;
  if (magnitude >= 0x1p128) {
    warns = true;
    return sign | 0x7F800000u;
  }
  if (magnitude < 0x1p-126) {
    warns = true;
    return 0;
  }
  return sign | std::bit_cast<uint32_t>(static_cast<float>(magnitude));
}

TEST_F(soft_float_differential, single_precision_agrees_with_host_float) {
  operand_source src(0xF10A7);
  int ties = 0;
  for (int i = 0; i < 8000 && !gave_up(); ++i) {
    // Exponents from below the denormal singles to beyond the largest single.
    const uint64_t exponent = std::uniform_int_distribution<uint64_t>(1023 - 155, 1023 + 130)(src.rng());
    uint64_t fraction = src.bits() & ((uint64_t{1} << 52) - 1);
    switch (i % 4) {
      case 0: fraction = (fraction & ~uint64_t{0x1FFFFFFF}) | 0x10000000; break;  // tie
      case 1: fraction = (fraction & ~uint64_t{0x1FFFFFFF}) | (src.coin() ? 0x0FFFFFFF : 0x10000001); break;
      case 2: fraction |= uint64_t{0xFFFFFF} << 28; break;  // carry through all 23 bits
      default: break;
    }
    const double d = bits_double((src.bits() & (uint64_t{1} << 63)) | (exponent << 52) | fraction);
    ties += (fraction & 0x1FFFFFFF) == 0x10000000;
    bool warns = false;
    const uint32_t expected = expected_single(d, warns);
    const uint32_t got = get_ieee_single(fs, from_double(d));
    const std::vector<int> warned = take_warnings();
    if (got != expected || warned.size() != (warns ? 1u : 0u)) {
      ADD_FAILURE() << hex(d) << ": got " << std::hex << got << " expected " << expected
                    << (warns ? " with warning" : "");
      ++failures;
    }
    // Away from ties, host float conversion itself is the reference.
    if (!warns && (fraction & 0x1FFFFFFF) != 0x10000000) {
      EXPECT_EQ(got, std::bit_cast<uint32_t>(static_cast<float>(d))) << hex(d);
    }
  }
  EXPECT_GT(ties, 1000);
}

TEST_F(soft_float_differential, integer_conversions_agree_with_host_truncation) {
  operand_source src(0x1A7E6E4);
  for (int i = 0; i < 6000 && !gave_up(); ++i) {
    double d;
    switch (i % 5) {
      case 0: d = std::ldexp(static_cast<double>(src.bits() >> 11), -53); break;  // below 1
      case 1: d = std::ldexp(static_cast<double>(src.bits() >> 11), -21); break;  // below 2^32
      case 2: d = std::ldexp(static_cast<double>(src.bits() >> 11), -22); break;  // below 2^31
      case 3:
        d = std::ldexp(static_cast<double>(src.bits() >> 11), std::uniform_int_distribution<int>(-25, 10)(src.rng()));
        break;
      default:
        d = std::floor(std::ldexp(1.0, std::uniform_int_distribution<int>(0, 33)(src.rng()))) + src.coin() - 1;
        break;
    }
    if (d != 0 && d < kMinNormal) continue;
    const soft_float v = from_double(d);
    const uint32_t u = d >= 4294967296.0 ? 0xFFFFFFFFu : static_cast<uint32_t>(d);
    EXPECT_EQ(float_to_unsigned_long(fs, v), u) << hex(d);
    const int32_t l = d >= 2147483648.0 ? INT32_MAX : static_cast<int32_t>(d);
    EXPECT_EQ(float_to_long(fs, v), l) << hex(d);
    const int32_t nl = d >= 2147483648.0 ? INT32_MIN : static_cast<int32_t>(-d);
    EXPECT_EQ(float_to_long(fs, from_double(-d)), nl) << hex(-d);
    if (::testing::Test::HasFailure() && ++failures >= kMaxReported) break;
  }
  EXPECT_TRUE(take_warnings().empty());
}

TEST_F(soft_float_differential, integers_to_float_and_digit_building_agree_with_host) {
  operand_source src(0xD161);
  for (int i = 0; i < 3000 && !gave_up(); ++i) {
    const uint32_t bits = static_cast<uint32_t>(src.bits() >> (src.bits() % 32));
    soft_float v;
    generic_long_to_float(fs, bits, true, v);
    EXPECT_EQ(ieee(v), double_bits(static_cast<double>(static_cast<int32_t>(bits))));
    generic_long_to_float(fs, bits, false, v);
    EXPECT_EQ(ieee(v), double_bits(static_cast<double>(bits)));

    // value * base + digit rounded once: the host's fused multiply-add.
    const double x = src.pick();
    const unsigned base = static_cast<unsigned>(src.bits() % 17);
    const unsigned digit = static_cast<unsigned>(src.bits() % 16);
    soft_float y = from_double(x);
    mul_and_add_char(fs, y, base, digit);
    const double host = std::fma(x, static_cast<double>(base), static_cast<double>(digit));
    expect_host(host, y, host == 0, hex(x) + " * " + std::to_string(base) + " + " + std::to_string(digit));
    if (::testing::Test::HasFailure()) ++failures;
  }
}

// ---- decimal constants ---------------------------------------------------------

class soft_float_decimal : public soft_float_differential {
 protected:
  void expect_strtod(const std::string& text) {
    const double host = std::strtod(text.c_str(), nullptr);
    soft_float got{};
    if (!decimal_to_float(fs, text, got)) {
      ADD_FAILURE() << "refused " << text;
      ++failures;
      return;
    }
    const bool all_zero_digits = text.find_first_of("123456789") >= text.find_first_of("Ee");
    const std::string shown = text.size() > 120 ? text.substr(0, 60) + "..." + text.substr(text.size() - 40) : text;
    expect_host(host, got, all_zero_digits, shown);
  }

  std::string digits(operand_source& src, size_t count) {
    std::string s;
    for (size_t i = 0; i < count; ++i) s += static_cast<char>('0' + src.bits() % 10);
    return s;
  }

  // Digits with a decimal point inside and an exponent chosen so that the value
  // lies around 10^target.
  std::string constant(operand_source& src, size_t count, int target) {
    std::string s = digits(src, count);
    const size_t point = 1 + src.bits() % count;
    s.insert(point, ".");
    const long exponent = target - static_cast<long>(point) + 1;
    return s + (src.coin() ? "E" : "e") + std::to_string(exponent);
  }
};

TEST_F(soft_float_decimal, short_constants_agree_with_strtod) {
  operand_source src(0xDEC1);
  for (int i = 0; i < 6000 && !gave_up(); ++i) {
    const size_t count = 1 + src.bits() % 25;
    const int target = std::uniform_int_distribution<int>(-330, 312)(src.rng());
    expect_strtod(constant(src, count, target));
  }
}

TEST_F(soft_float_decimal, long_mantissas_agree_with_strtod) {
  operand_source src(0xDEC3);
  for (int i = 0; i < 400 && !gave_up(); ++i) {
    const size_t count = 100 + src.bits() % 1500;
    const int target = std::uniform_int_distribution<int>(-320, 310)(src.rng());
    expect_strtod(constant(src, count, target));
  }
  // At the edges of the computed range the big numbers are largest.
  for (int target : {-327, -326, -325, -308, 308, 309, 310})
    for (size_t count : {17u, 790u, 2000u}) expect_strtod(constant(src, count, target));
  // The longest digit run a line can hold, all digits significant.
  expect_strtod(constant(src, 31998, 5));
  expect_strtod(constant(src, 31998, -300));
  expect_strtod("1" + std::string(31997, '0') + ".0E-31997");
  // 1 + 2^-53 written out exactly is a tie; a one far past the 800th digit lifts it.
  const std::string tie = "1.00000000000000011102230246251565404236316680908203125";
  for (const std::string& tail : {std::string(), std::string(5000, '0'), std::string(5000, '0') + "1"})
    expect_strtod(tie + tail);
}

// Exact midpoints between neighbouring doubles, written out in full by printf from
// the host's extended precision; then nudged just above and just below.
TEST_F(soft_float_decimal, halfway_cases_agree_with_strtod) {
  static_assert(LDBL_MANT_DIG >= 54, "midpoints need a wider host long double");
  operand_source src(0xDEC4);
  int cases = 0;
  for (int i = 0; i < 1500 && !gave_up(); ++i) {
    double x = std::fabs(src.pick());
    if (x == 0 || x == DBL_MAX) continue;
    const double next = std::nextafter(x, INFINITY);
    const long double mid = (static_cast<long double>(x) + next) / 2;
    std::string text(1300, '\0');
    text.resize(static_cast<size_t>(std::snprintf(text.data(), text.size(), "%.1100Le", mid)));
    const size_t e = text.find('e');
    std::string mantissa = text.substr(0, e);
    const std::string exponent = text.substr(e);
    mantissa.erase(mantissa.find_last_not_of('0') + 1);
    ASSERT_NE(mantissa.back(), '.') << "midpoint printed inexactly";
    expect_strtod(mantissa + exponent);
    expect_strtod(mantissa + std::string(src.bits() % 900, '0') + "1" + exponent);
    std::string below = mantissa;
    below.back() = static_cast<char>(below.back() - 1);  // last digit of a midpoint is 5
    expect_strtod(below + "9999" + exponent);
    cases += 3;
  }
  EXPECT_GT(cases, 3000);
}

TEST_F(soft_float_decimal, boundaries_and_forms_agree_with_strtod) {
  // clang-format off
  for (const char* text : {
           "1.7976931348623157E308", "1.7976931348623158e308", "1.7976931348623158079e308",
           "1.797693134862315807937289714053e308", "1.7976931348623159e308", "1.8e308",
           "2.2250738585072014E-308", "2.2250738585072013e-308", "2.2250738585072012e-308",
           "2.2250738585072011e-308", "2.225073858507201e-308", "4.9406564584124654e-324", "1.0e-320",
           "2.4703282292062327e-324", "1.0e-330", "9.9999999999999999e-327", "0.000e-400", "1.0e309",
           "179769313486231570000000000000000000000000000000000000000"
           "000000000000000000000000000000000000000000000000000000000000000000000000000000000000"
           "000000000000000000000000000000000000000000000000000000000000000000000000000000000000"
           "000000000000000000000000000000000000000000000000000000000000000000000000000000000000"
           "00000000000000000000000000000.0",
           "9007199254740993.0", "9007199254740993.00000000001", "0.1", "0.2", "0.3",
           "123456789012345678901234567890.0", "3.14159265358979323846264338327950288",
           // the written forms: no digit before or after the point, signed exponents, zeros
           "1.", ".5", "2.5e+3", "2.5E-3", "000012.500000", "0.000000000000000000000000000001E+30",
           "0.0E99999999999999999999", "1.0E-99999999999999999999999", "1.0E99999999999999999999999"}) {
    // clang-format on
    expect_strtod(text);
  }
}

}  // namespace
