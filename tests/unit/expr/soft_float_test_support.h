// soft_float_test_support.h — fixture for the floating-point package tests (G03):
// recording callbacks and conversions between soft_float and host doubles.
#pragma once

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "expr/soft_float.h"

// What the error callback throws: the assembler's reporter does not return either.
struct fp_internal_error {
  std::string function;
  std::string text;
};

struct fp_recorder {
  std::vector<int> warnings;
  std::vector<std::unique_ptr<unsigned char[]>> blocks;
};

inline void* test_get_memory(void* user, size_t size) {
  auto* rec = static_cast<fp_recorder*>(user);
  rec->blocks.push_back(std::make_unique<unsigned char[]>(size));
  return rec->blocks.back().get();
}

[[noreturn]] inline void test_error(void*, const char* function, const char* text) {
  throw fp_internal_error{function, text};
}

inline void test_warning(void* user, int code) { static_cast<fp_recorder*>(user)->warnings.push_back(code); }

// Runs `f`, which must end in the internal error of `function` with `text`.
template <class F>
void expect_fp_error(F&& f, const char* function, const char* text) {
  try {
    f();
    ADD_FAILURE() << "accepted; expected " << function << ": " << text;
  } catch (const fp_internal_error& e) {
    EXPECT_EQ(e.function, function);
    EXPECT_EQ(e.text, text);
  }
}

inline uint64_t double_bits(double d) { return std::bit_cast<uint64_t>(d); }
inline double bits_double(uint64_t b) { return std::bit_cast<double>(b); }

class soft_float_fixture : public ::testing::Test {
 protected:
  fp_recorder rec;
  float_state fs;

  void SetUp() override { ASSERT_TRUE(init_floats(fs, test_get_memory, test_error, test_warning, &rec)); }

  // The record for a normal double or zero, built from its IEEE fields.
  static soft_float from_double(double d) {
    const uint64_t b = double_bits(d);
    soft_float v{};
    const int exponent = static_cast<int>((b >> 52) & 0x7FF);
    if (exponent == 0) return v;  // zero (the tests pass no denormals)
    v.sign = static_cast<uint8_t>(b >> 63);
    v.exponent = exponent;
    uint64_t m = (uint64_t{1} << 54) | ((b & ((uint64_t{1} << 52) - 1)) << 2);
    for (int i = 6; i >= 0; --i, m >>= 8) v.mantissa[i] = static_cast<uint8_t>(m);
    return v;
  }

  uint64_t ieee(const soft_float& v) { return (uint64_t{get_ieee_high(fs, v)} << 32) | get_ieee_low(fs, v); }

  std::vector<int> take_warnings() {
    std::vector<int> w;
    w.swap(rec.warnings);
    return w;
  }
};
