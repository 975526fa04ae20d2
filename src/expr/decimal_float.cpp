// decimal_float.cpp — exact conversion of decimal floating constants and digit-by-digit
// number building into soft_float, with small fixed-size big integers (G03).
#include <cstring>

#include "expr/soft_float.h"
#include "expr/soft_float_internal.h"

namespace {

// Capacity of one big integer. The largest operands are a 801-digit constant
// over 10^1127 (about 3750 bits) and that divisor shifted by 55 bits for the
// quotient loop: 4096 bits leave a margin.
constexpr size_t kLimbs = 128;

// Digits past this many only decide rounding through being non-zero: every
// rounding boundary (a midpoint m * 2^k with m < 2^55 and k >= -1076, or an
// integer below 2^1025) has at most 770 significant digits, so replacing the
// tail by one digit 1 keeps the constant strictly inside the same interval.
constexpr size_t kKeptDigits = 800;

// A non-zero constant with decimal exponent (of its leading digit) above this
// overflows, below this underflows, whatever its digits.
constexpr int64_t kMaxDecimalExponent = 310;
constexpr int64_t kMinDecimalExponent = -326;

// Clamp for the exponent as written, far beyond any range decision.
constexpr int64_t kExponentCap = 1'000'000'000'000;

struct big_num {
  uint32_t limb[kLimbs];  // least significant first
  size_t len;             // no zero limb at the top
  bool ok;                // false after a capacity overflow
};

bool big_room(float_state& fs, big_num& x, size_t len) {
  if (len <= kLimbs) return x.ok;
  if (x.ok) sf_fail(fs, "decimal_to_float_G03", "number too long for conversion.");
  x.ok = false;
  return false;
}

void big_trim(big_num& x) {
  while (x.len > 0 && x.limb[x.len - 1] == 0) --x.len;
}

void big_set(big_num& x, uint64_t value) {
  x.limb[0] = static_cast<uint32_t>(value);
  x.limb[1] = static_cast<uint32_t>(value >> 32);
  x.len = 2;
  x.ok = true;
  big_trim(x);
}

bool big_is_zero(const big_num& x) { return x.len == 0; }

size_t big_bits(const big_num& x) {
  if (x.len == 0) return 0;
  size_t bits = (x.len - 1) * 32;
  for (uint32_t top = x.limb[x.len - 1]; top != 0; top >>= 1) ++bits;
  return bits;
}

// x = x * factor + addend
void big_mul_add(float_state& fs, big_num& x, uint32_t factor, uint32_t addend) {
  uint64_t carry = addend;
  for (size_t i = 0; i < x.len; ++i) {
    const uint64_t v = uint64_t{x.limb[i]} * factor + carry;
    x.limb[i] = static_cast<uint32_t>(v);
    carry = v >> 32;
  }
  if (carry != 0 && big_room(fs, x, x.len + 1)) x.limb[x.len++] = static_cast<uint32_t>(carry);
}

void big_shl(float_state& fs, big_num& x, size_t bits) {
  if (x.len == 0 || bits == 0) return;
  const size_t words = bits / 32;
  const unsigned rest = bits % 32;
  if (!big_room(fs, x, x.len + words + 1)) return;
  x.limb[x.len + words] = 0;
  for (size_t i = x.len; i-- > 0;) {
    const uint64_t v = uint64_t{x.limb[i]} << rest;
    x.limb[i + words + 1] |= static_cast<uint32_t>(v >> 32);
    x.limb[i + words] = static_cast<uint32_t>(v);
  }
  std::memset(x.limb, 0, words * sizeof x.limb[0]);
  x.len += words + 1;
  big_trim(x);
}

int big_cmp(const big_num& a, const big_num& b) {
  if (a.len != b.len) return a.len < b.len ? -1 : 1;
  for (size_t i = a.len; i-- > 0;)
    if (a.limb[i] != b.limb[i]) return a.limb[i] < b.limb[i] ? -1 : 1;
  return 0;
}

void big_add(float_state& fs, big_num& a, const big_num& b) {
  const size_t len = a.len > b.len ? a.len : b.len;
  if (!big_room(fs, a, len + 1)) return;
  uint64_t carry = 0;
  for (size_t i = 0; i < len; ++i) {
    const uint64_t v = uint64_t{i < a.len ? a.limb[i] : 0u} + (i < b.len ? b.limb[i] : 0u) + carry;
    a.limb[i] = static_cast<uint32_t>(v);
    carry = v >> 32;
  }
  a.limb[len] = static_cast<uint32_t>(carry);
  a.len = len + 1;
  big_trim(a);
}

// a -= b, with a >= b.
void big_sub(big_num& a, const big_num& b) {
  int64_t borrow = 0;
  for (size_t i = 0; i < a.len; ++i) {
    int64_t v = int64_t{a.limb[i]} - (i < b.len ? b.limb[i] : 0u) - borrow;
    borrow = v < 0 ? 1 : 0;
    a.limb[i] = static_cast<uint32_t>(v + (borrow << 32));
  }
  big_trim(a);
}

void big_pow10(float_state& fs, big_num& x, int64_t power) {
  big_set(x, 1);
  for (; power >= 9; power -= 9) big_mul_add(fs, x, 1'000'000'000u, 0);
  for (; power > 0; --power) big_mul_add(fs, x, 10, 0);
}

// result = sign (num / den) * 2^binary_exponent, rounded once; num and den are
// non-zero and are used up.
void quotient_to_float(float_state& fs, big_num& num, big_num& den, int64_t binary_exponent, uint8_t sign,
                       soft_float& result, const char* function) {
  // 2^t < num/den < 2^(t+2); scale so that 2^54 < num/den < 2^56.
  const int64_t t = static_cast<int64_t>(big_bits(num)) - static_cast<int64_t>(big_bits(den)) - 1;
  if (t < 54)
    big_shl(fs, num, static_cast<size_t>(54 - t));
  else
    big_shl(fs, den, static_cast<size_t>(t - 54));
  big_shl(fs, den, 55);
  uint64_t quotient = 0;
  for (int bit = 55; bit >= 0; --bit) {
    if (big_cmp(num, den) >= 0) {
      big_sub(num, den);
      quotient |= uint64_t{1} << bit;
    }
    big_shl(fs, num, 1);
  }
  if (!num.ok || !den.ok) {
    result = sf_zero();
    return;
  }
  int64_t exponent = t + binary_exponent + SF_BIAS;
  if (exponent > 4 * SF_EXP_LIMIT) exponent = 4 * SF_EXP_LIMIT;
  if (exponent < -4 * SF_EXP_LIMIT) exponent = -4 * SF_EXP_LIMIT;
  soft_float v = sf_zero();
  v.sign = sign;
  v.exponent = static_cast<int32_t>(exponent);
  sf_set_mantissa_bits(v, quotient);
  v.sticky = big_is_zero(num) ? 0 : 1;
  if ((quotient & SF_OVERFLOW_BIT) != 0) {
    rshift_mantissa(fs, v);
    v.exponent += 1;
  }
  sf_round_and_report(fs, v, function);
  result = v;
}

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// The significant digits of a constant, read across the decimal point.
struct digit_run {
  std::string_view whole;
  std::string_view fraction;
  size_t size() const { return whole.size() + fraction.size(); }
  unsigned operator[](size_t i) const {
    const char c = i < whole.size() ? whole[i] : fraction[i - whole.size()];
    return static_cast<unsigned>(c - '0');
  }
};

}  // namespace

bool decimal_to_float(float_state& fs, std::string_view text, soft_float& result) {
  result = sf_zero();
  size_t pos = 0;
  auto scan_digits = [&] {
    const size_t begin = pos;
    while (pos < text.size() && is_digit(text[pos])) ++pos;
    return text.substr(begin, pos - begin);
  };
  digit_run digits;
  digits.whole = scan_digits();
  if (pos < text.size() && text[pos] == '.') {
    ++pos;
    digits.fraction = scan_digits();
  }
  if (digits.size() == 0) return false;
  int64_t written_exponent = 0;
  if (pos < text.size() && (text[pos] == 'E' || text[pos] == 'e')) {
    ++pos;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) negative = text[pos++] == '-';
    const std::string_view exponent_digits = scan_digits();
    if (exponent_digits.empty()) return false;
    for (char c : exponent_digits)
      if (written_exponent < kExponentCap) written_exponent = written_exponent * 10 + (c - '0');
    if (negative) written_exponent = -written_exponent;
  }
  if (pos != text.size()) return false;

  // value = D * 10^scale, D the digits from the first to the last non-zero one.
  size_t first = 0;
  while (first < digits.size() && digits[first] == 0) ++first;
  if (first == digits.size()) return true;  // zero
  size_t last = digits.size() - 1;
  while (digits[last] == 0) --last;
  size_t count = last - first + 1;
  int64_t scale =
      written_exponent - static_cast<int64_t>(digits.fraction.size()) + static_cast<int64_t>(digits.size() - 1 - last);

  const int64_t leading_exponent = scale + static_cast<int64_t>(count) - 1;
  if (leading_exponent > kMaxDecimalExponent || leading_exponent < kMinDecimalExponent) {
    sf_warn(fs, FP_WARN_RANGE);
    if (leading_exponent > kMaxDecimalExponent) result = sf_overflow(0);
    return true;
  }

  bool sticky_digit = false;
  if (count > kKeptDigits) {
    scale += static_cast<int64_t>(count - kKeptDigits - 1);
    count = kKeptDigits;
    sticky_digit = true;
  }
  big_num num;
  big_num den;
  big_set(num, 0);
  size_t i = first;
  for (; i + 9 <= first + count; i += 9) {
    uint32_t chunk = 0;
    for (size_t k = i; k < i + 9; ++k) chunk = chunk * 10 + digits[k];
    big_mul_add(fs, num, 1'000'000'000u, chunk);
  }
  for (; i < first + count; ++i) big_mul_add(fs, num, 10, digits[i]);
  if (sticky_digit) big_mul_add(fs, num, 10, 1);

  if (scale >= 0) {
    for (; scale >= 9; scale -= 9) big_mul_add(fs, num, 1'000'000'000u, 0);
    for (; scale > 0; --scale) big_mul_add(fs, num, 10, 0);
    big_set(den, 1);
  } else {
    big_pow10(fs, den, -scale);
  }
  quotient_to_float(fs, num, den, 0, 0, result, "decimal_to_float_G03");
  return true;
}

// value * base + digit, computed exactly on the integer significand and rounded once.
void mul_and_add_char(float_state& fs, soft_float& value, unsigned base, unsigned digit) {
  static constexpr char fn[] = "mul_and_add_char_G03";
  if (base > 16) {
    sf_fail(fs, fn, "second argument to large, must be within range [0, 16]");
    return;
  }
  if (!check_double(fs, value)) return;
  // value = significand * 2^k
  const uint64_t scaled = (sf_mantissa_bits(value) >> 2) * base;  // below 2^58
  int64_t k = value.exponent == 0 ? 0 : value.exponent - (SF_BIAS + 52);
  big_num product;
  big_num addend;
  big_set(product, scaled);
  big_set(addend, digit);
  if (k >= 0)
    big_shl(fs, product, static_cast<size_t>(k));
  else
    big_shl(fs, addend, static_cast<size_t>(-k));
  if (k > 0) k = 0;

  uint8_t sign = 0;
  if (value.sign == 0) {
    big_add(fs, product, addend);
  } else if (big_cmp(product, addend) >= 0) {
    big_sub(product, addend);
    sign = 1;
  } else {
    big_sub(addend, product);
    product = addend;
  }
  if (big_is_zero(product)) {
    value = sf_zero();
    return;
  }
  big_num one;
  big_set(one, 1);
  quotient_to_float(fs, product, one, k, sign, value, fn);
}
