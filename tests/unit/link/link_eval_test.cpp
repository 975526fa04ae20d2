// link_eval_test.cpp — every operand and operator of the linker's stack machine,
// the assembler's multi-record sequences (SHR, byte swap, power), range checks
// and the faults an object can put in front of it.
#include <gtest/gtest.h>

#include <string>

#include "link/link_eval.h"
#include "object/quill_builder.h"

namespace {

class fixed_env : public link_resolver {
 public:
  bool segment_address(uint32_t s, uint32_t* v, std::string*) override { return *v = 0x1000 + 0x100 * s, true; }
  bool segment_begin(uint32_t s, uint32_t* v, std::string*) override { return *v = 0x2000 + s, true; }
  bool segment_end(uint32_t s, uint32_t* v, std::string*) override { return *v = 0x3000 + s, true; }
  bool external_value(uint32_t n, uint32_t* v, std::string* why) override {
    if (n == 9) return *why = "undefined external 'x'", false;
    return *v = 0x4000 + n, true;
  }
  bool function_address(uint32_t n, uint32_t* v, std::string*) override { return *v = 0x5000 + n, true; }
  uint32_t location(uint32_t delta) override { return 0x600 + delta; }
  uint32_t date_field(uint32_t which) override { return 10 + which; }
};

struct outcome {
  eval_status status = eval_status::ok;  // the worst status seen
  std::string message;
  uint32_t top = 0;
  std::size_t depth = 0;
};

// Runs the expression records that `build` writes into a module, in order.
outcome evaluate(void (*build)(quill_builder&)) {
  quill_builder b;
  b.module("m");
  build(b);
  b.end().eof();
  const std::string bytes = b.bytes();
  const quill_object obj = quill_read(bytes);
  outcome o;
  if (!obj.ok()) {
    o.status = eval_status::error;
    o.message = "decode: " + obj.problems[0].text;
    return o;
  }
  fixed_env env;
  link_evaluator eval;
  const quill_module& m = obj.modules[0];
  for (uint32_t i = 0; i < m.record_count; ++i) {
    const quill_record& r = obj.records[m.first_record + i];
    const quill_role role = r.layout->role;
    if (role != quill_role::operand && role != quill_role::op && role != quill_role::store &&
        role != quill_role::funcref)
      continue;
    const eval_result e = eval.step(obj, r, env);
    if (e.status != eval_status::ok && o.status != eval_status::error) {
      o.status = e.status;
      o.message = e.message;
      if (e.status == eval_status::error) break;
    }
  }
  if (!eval.empty()) o.top = eval.top();
  o.depth = eval.depth();
  return o;
}

struct eval_case {
  const char* name;
  void (*build)(quill_builder&);
  uint32_t top;
};

using B = quill_builder;
constexpr uint32_t kMinus1 = 0xFFFFFFFF;

const eval_case kValues[] = {
    {"constant", [](B& b) { b.constant(0x1234); }, 0x1234},
    {"segment_relative", [](B& b) { b.segrel(1, 4); }, 0x1104},
    {"external", [](B& b) { b.ext(2, 3); }, 0x4005},
    {"sfb", [](B& b) { b.constant(0).sfb(1); }, 0x2001},
    {"sfe", [](B& b) { b.constant(0).sfe(1); }, 0x3001},
    {"sizeof", [](B& b) { b.constant(0).sfe(1).constant(0).sfb(1).op(0x64); }, 0x1000},
    {"location", [](B& b) { b.location(5); }, 0x605},
    {"function", [](B& b) { b.fn_addr(3); }, 0x5003},
    {"add", [](B& b) { b.constant(7).constant(5).op(0x63); }, 12},
    {"sub", [](B& b) { b.constant(5).constant(7).op(0x64); }, kMinus1 - 1},
    {"mul_wraps", [](B& b) { b.constant(0x10000).constant(0x10001).op(0x65); }, 0x10000},
    {"div_truncates", [](B& b) { b.constant(-7).constant(2).op(0x66); }, static_cast<uint32_t>(-3)},
    {"mod_signed", [](B& b) { b.constant(-7).constant(2).op(0x67); }, kMinus1},
    {"div_min_by_minus1", [](B& b) { b.constant(0x80000000).constant(kMinus1).op(0x66); }, 0x80000000},
    {"and", [](B& b) { b.constant(0xF0F0).constant(0xFF00).op(0x68); }, 0xF000},
    {"or", [](B& b) { b.constant(0xF0F0).constant(0x0F00).op(0x69); }, 0xFFF0},
    {"xor", [](B& b) { b.constant(0xF0F0).constant(0xFF00).op(0x6A); }, 0x0FF0},
    {"neg", [](B& b) { b.constant(5).op(0x6B); }, static_cast<uint32_t>(-5)},
    {"not_zero", [](B& b) { b.constant(0).op(0x6C); }, 1},
    {"not_nonzero", [](B& b) { b.constant(5).op(0x6C); }, 0},
    {"binnot", [](B& b) { b.constant(0x0F).op(0x8C); }, 0xFFFFFFF0},
    {"shl_by", [](B& b) { b.constant(0x12).op(0x6D, 8); }, 0x1200},
    {"shr_by_logical", [](B& b) { b.constant(0x80000000).op(0x6E, 8); }, 0x00800000},
    {"swap", [](B& b) { b.constant(1).constant(2).op(0x6F).op(0x64); }, 1},
    {"dup", [](B& b) { b.constant(3).op(0x70).op(0x65); }, 9},
    {"pick", [](B& b) { b.constant(5).constant(7).op(0x71, 1); }, 5},
    {"gt_signed", [](B& b) { b.constant(kMinus1).constant(1).op(0x82); }, 0},
    {"ugt", [](B& b) { b.constant(kMinus1).constant(1).op(0x83); }, 1},
    {"ge_equal", [](B& b) { b.constant(4).constant(4).op(0x84); }, 1},
    {"lt_signed", [](B& b) { b.constant(kMinus1).constant(1).op(0x86); }, 1},
    {"ult", [](B& b) { b.constant(kMinus1).constant(1).op(0x87); }, 0},
    {"le", [](B& b) { b.constant(5).constant(4).op(0x88); }, 0},
    {"eq", [](B& b) { b.constant(4).constant(4).op(0x8A); }, 1},
    {"ne", [](B& b) { b.constant(4).constant(4).op(0x8B); }, 0},
    {"logical_and", [](B& b) { b.constant(2).constant(0).op(0x8E); }, 0},
    {"logical_or", [](B& b) { b.constant(2).constant(0).op(0x8F); }, 1},
    {"logical_xor", [](B& b) { b.constant(2).constant(3).op(0x90); }, 0},
    {"select_true", [](B& b) { b.constant(10).constant(20).constant(1).op(0x92); }, 20},
    {"select_false", [](B& b) { b.constant(10).constant(20).constant(0).op(0x92); }, 10},
    {"byte1", [](B& b) { b.constant(0x12345678).op(0x99, 1); }, 0x56},
    {"byte3", [](B& b) { b.constant(0x12345678).op(0x99, 3); }, 0x12},
    {"lwrd", [](B& b) { b.constant(0x12345678).op(0x9A); }, 0x5678},
    {"hwrd", [](B& b) { b.constant(0x12345678).op(0x9B); }, 0x1234},
    {"sar", [](B& b) { b.constant(-16).constant(2).op(0xAA); }, static_cast<uint32_t>(-4)},
    {"shl_count_masked", [](B& b) { b.constant(1).constant(33).op(0xAB); }, 2},
    {"date_hours", [](B& b) { b.constant(3).op(0xA9); }, 13},
    {"discard", [](B& b) { b.constant(1).constant(2).op(QT_DISCARD); }, 1},
    // SHR as the assembler writes it: x y, then the logical shift right sequence.
    {"shr_sequence", [](B& b) { b.constant(kMinus1).constant(28).op(0x71, 1).op(0x6E, 1).constant(0x7FFFFFFF)
                                  .op(0x68).op(0x71, 1).constant(1).op(0x64).op(0xAA).op(0x6F).op(0x92); }, 15},
    {"shr_sequence_by_0", [](B& b) { b.constant(0x1234).constant(0).op(0x71, 1).op(0x6E, 1).constant(0x7FFFFFFF)
                                       .op(0x68).op(0x71, 1).constant(1).op(0x64).op(0xAA).op(0x6F).op(0x92); }, 0x1234},
    {"nibble_5", [](B& b) { b.constant(0x00A00000).op(0x6E, 20).constant(15).op(0x68); }, 0xA},
    {"range_check_in_range", [](B& b) { b.constant(5).check("m", 0, 10); }, 5},
    {"store_keeps_value", [](B& b) { b.constant(7).store(2).store(2); }, 7},
    {"operand_after_store_starts_over", [](B& b) { b.constant(7).store(1).constant(8); }, 8},
};

class EvalValues : public ::testing::TestWithParam<eval_case> {};

TEST_P(EvalValues, TopOfStack) {
  const outcome o = evaluate(GetParam().build);
  EXPECT_EQ(o.status, eval_status::ok) << o.message;
  EXPECT_EQ(o.top, GetParam().top);
}

INSTANTIATE_TEST_SUITE_P(Records, EvalValues, ::testing::ValuesIn(kValues),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(LinkEval, ByteSwappedWordStoresBothBytesSwapped) {
  const outcome o = evaluate([](B& b) {
    b.constant(0x1234).op(0x70).op(0x6D, 8).op(0x6F).op(0x6E, 8).op(0x69).store(2);
  });
  EXPECT_EQ(o.top & 0xFFFF, 0x3412u);
}

TEST(LinkEval, PowerSequenceLeavesTheBaseBelowTheResult) {
  // x !^ n as written: discard n, 1, then n times (pick 1, multiply).
  const outcome o = evaluate([](B& b) {
    b.constant(2).constant(10).op(QT_DISCARD).constant(1);
    for (int i = 0; i < 10; ++i) b.op(0x71, 1).op(0x65);
  });
  EXPECT_EQ(o.top, 1024u);
  EXPECT_EQ(o.depth, 2u);
}

struct fault_case {
  const char* name;
  void (*build)(quill_builder&);
  eval_status status;
  const char* message;
};

const fault_case kFaults[] = {
    {"range_check_fails", [](B& b) { b.constant(11).check("\n too big", 0, 10); }, eval_status::range_failed,
     "\n too big"},
    {"range_check_signed", [](B& b) { b.constant(kMinus1).check("neg", 0, 255); }, eval_status::range_failed, "neg"},
    {"div_by_zero", [](B& b) { b.constant(5).constant(0).op(0x66); }, eval_status::warning, "Division by zero"},
    {"mod_by_zero", [](B& b) { b.constant(5).constant(0).op(0x67); }, eval_status::warning, "Division by zero"},
    {"binary_on_one_entry", [](B& b) { b.constant(5).op(0x63); }, eval_status::error, "two entries"},
    {"unary_on_empty", [](B& b) { b.op(0x6B); }, eval_status::error, "empty expression"},
    {"pick_too_deep", [](B& b) { b.constant(5).op(0x71, 1); }, eval_status::error, "pick 1"},
    {"select_short", [](B& b) { b.constant(5).constant(1).op(0x92); }, eval_status::error, "three entries"},
    {"byte4", [](B& b) { b.constant(5).op(0x99, 4); }, eval_status::error, "byte 4"},
    {"date_7", [](B& b) { b.constant(7).op(0xA9); }, eval_status::error, "outside 1-6"},
    {"op111", [](B& b) { b.constant(1).constant(2).op(0x93); }, eval_status::error, "no meaning at link time"},
    {"fnref_kind", [](B& b) { b.raw_byte(0xAC).raw_byte(0).raw_byte(1).raw_byte(0).raw_byte(0).raw_byte(0); },
     eval_status::error, "no meaning at link time"},
    {"undefined_external", [](B& b) { b.ext(9); }, eval_status::error, "undefined external 'x'"},
    {"store_without_value", [](B& b) { b.store(1); }, eval_status::error, "without a value"},
    {"too_deep", [](B& b) { for (int i = 0; i < 5000; ++i) b.constant(1); }, eval_status::error, "deeper than"},
};

class EvalFaults : public ::testing::TestWithParam<fault_case> {};

TEST_P(EvalFaults, StatusAndMessage) {
  const outcome o = evaluate(GetParam().build);
  EXPECT_EQ(o.status, GetParam().status) << o.message;
  EXPECT_NE(o.message.find(GetParam().message), std::string::npos) << o.message;
}

INSTANTIATE_TEST_SUITE_P(Records, EvalFaults, ::testing::ValuesIn(kFaults),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
