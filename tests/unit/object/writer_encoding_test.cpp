// writer_encoding_test.cpp — the object writer's spool and record encodings:
// primitives across block boundaries, data and store records, every operator
// code as bytes, the operators the linker evaluates checked against the
// assembler's own arithmetic, segment bounds, `$`, function references, and the
// errors an expression can raise while it is written.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "driver/context.h"
#include "driver/statement.h"
#include "expr/expression.h"
#include "expr/operators.h"
#include "link/link_eval.h"
#include "object/quill_builder.h"
#include "object/quill_reader.h"
#include "object/writer.h"
#include "support/asm_fixture.h"
#include "support/segment_support.h"

namespace {

std::string hex(const std::vector<uint8_t>& bytes) {
  std::string s;
  char buf[4];
  for (uint8_t b : bytes) {
    std::snprintf(buf, sizeof buf, s.empty() ? "%02X" : " %02X", b);
    s += buf;
  }
  return s;
}

class WriterEncoding : public AsmTest {
 protected:
  void SetUp() override {
    AsmTest::SetUp();
    cx.object.spool.start(&cx, false);
    ext_ = external("EXT", 3);
  }

  ident_node* external(const std::string& name, uint16_t number) {
    ident_node* n = user(name);
    n->label->flags = LBL_EXTERN | LBL_CREATED;
    n->label->external_index = number;
    return n;
  }
  // An expression in postfix form of what `pushes` appends.
  expr_rec* postfix(const std::function<void()>& pushes) {
    expr_rec* e = init(cx, nullptr, true, nullptr);
    new_postfix(cx, e);
    pushes();
    e->state = EXPR_POSTFIX;
    return e;
  }
  // The bytes one call writes to the spool.
  std::vector<uint8_t> written(const std::function<void()>& write) {
    const uint32_t at = cx.object.spool.size();
    write();
    return cx.object.spool.copy(at, cx.object.spool.size() - at);
  }
  std::vector<uint8_t> expression(expr_rec* e, expr_written* result = nullptr) {
    return written([&] {
      const expr_written w = dump_expression(cx, e);
      if (result != nullptr) *result = w;
    });
  }

  ident_node* ext_ = nullptr;
};

// ---- Spool --------------------------------------------------------------------------

struct primitive_case {
  const char* name;
  bool fixed;
  void (*write)(object_spool&);
  const char* bytes;
};

const primitive_case kPrimitives[] = {
    {"index_127",        false, [](object_spool& s) { s.index(127); },      "7F"},
    {"index_128",        false, [](object_spool& s) { s.index(128); },      "80 01"},
    {"index_16384",      false, [](object_spool& s) { s.index(16384); },    "80 80 01"},
    {"fixed_index_128",  true,  [](object_spool& s) { s.index(128); },      "00 80"},
    {"u16",              false, [](object_spool& s) { s.u16(0xABCD); },     "AB CD"},
    {"u32",              false, [](object_spool& s) { s.u32(0x01020304); }, "01 02 03 04"},
    {"str8",             false, [](object_spool& s) { s.str8("Hi"); },      "02 48 69"},
    {"str32",            false, [](object_spool& s) { s.str32("Hi"); },     "00 00 00 02 48 69"},
    {"lstr16",           false, [](object_spool& s) { s.lstr16("Hi"); },    "00 02 48 69"},
};

class SpoolPrimitives : public WriterEncoding, public ::testing::WithParamInterface<primitive_case> {};

TEST_P(SpoolPrimitives, WritesTheFormatsEncoding) {
  cx.object.spool.start(&cx, GetParam().fixed);
  EXPECT_EQ(hex(written([&] { GetParam().write(cx.object.spool); })), GetParam().bytes);
}

INSTANTIATE_TEST_SUITE_P(Forms, SpoolPrimitives, ::testing::ValuesIn(kPrimitives),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(WriterEncoding, LongNamesAreCutTo255AndBytesSurviveBlockEdges) {
  object_spool& s = cx.object.spool;
  const std::string name(300, 'N');
  s.byte(0xAA);
  s.str8(name);
  for (int i = 0; i < 9000; ++i) s.byte(static_cast<uint32_t>(i));
  ASSERT_EQ(s.size(), 1u + 256u + 9000u);
  const std::vector<uint8_t> all = s.copy(0, s.size());
  EXPECT_EQ(all[1], 255);
  EXPECT_EQ(all[256], 'N');
  for (int i = 0; i < 9000; ++i) ASSERT_EQ(all[257 + i], static_cast<uint8_t>(i)) << i;
  // Dropping the tail and writing again reuses the blocks.
  const long taken = cx.mem.bytes_taken;
  s.truncate(4100);
  for (int i = 0; i < 5000; ++i) s.byte(0x55);
  EXPECT_EQ(s.size(), 9100u);
  EXPECT_EQ(s.copy(4099, 2), (std::vector<uint8_t>{all[4099], 0x55}));
  s.recycle();
  for (int i = 0; i < 9000; ++i) s.byte(1);
  EXPECT_EQ(cx.mem.bytes_taken, taken);
}

// ---- Data and stores --------------------------------------------------------------------

struct data_case {
  const char* name;
  uint32_t value;
  unsigned size;
  bool little;
  bool swapped;
  const char* bytes;
  uint32_t emitted;
};

const data_case kData[] = {
    {"byte",                0x1FF,      1, true,  false, "36 FF",          1},
    {"word_little",         0x1234,     2, true,  false, "37 34 12",       2},
    {"word_big",            0x1234,     2, false, false, "37 12 34",       2},
    {"word_swapped",        0x1234,     2, true,  true,  "37 12 34",       2},
    {"three_little_4bytes", 0xFF123456, 3, true,  false, "A3 56 34 12 FF", 3},
    {"three_big_pad",       0x00123456, 3, false, false, "A3 12 34 56 00", 3},
    {"long_little",         0x12345678, 4, true,  false, "38 78 56 34 12", 4},
    {"long_big",            0x12345678, 4, false, false, "38 12 34 56 78", 4},
};

class DataRecords : public WriterEncoding, public ::testing::WithParamInterface<data_case> {};

TEST_P(DataRecords, ValueBytesInTheDataOrder) {
  const data_case& c = GetParam();
  cx.object.little_endian = c.little;
  cx.object.emitted = 0;
  EXPECT_EQ(hex(written([&] { dump_data(cx, c.value, c.size, c.swapped); })), c.bytes);
  EXPECT_EQ(cx.object.emitted, c.emitted);
}

INSTANTIATE_TEST_SUITE_P(Sizes, DataRecords, ::testing::ValuesIn(kData),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(WriterEncoding, StoresAndBlocksCountTheirBytes) {
  cx.object.emitted = 0;
  EXPECT_EQ(hex(written([&] { dump_store(cx, 1, false); })), "5A");
  EXPECT_EQ(hex(written([&] { dump_store(cx, 3, false); })), "A4");
  EXPECT_EQ(hex(written([&] { dump_store(cx, 4, false); })), "5C");
  EXPECT_EQ(hex(written([&] { dump_store(cx, 2, true); })),
            "70 6D 00 00 00 08 6F 6E 00 00 00 08 69 5B");
  EXPECT_EQ(hex(written([&] { dump_abs_block(cx, 2, 0xBEEF, 3); })), "74 02 00 00 BE EF 00 00 00 03");
  EXPECT_EQ(cx.object.emitted, 1u + 3 + 4 + 2 + 6);
  EXPECT_TRUE(stops([&] { dump_abs_block(cx, 5, 0, 1); }));
}

// ---- Operators as bytes -------------------------------------------------------------

struct operator_bytes_case {
  const char* name;
  uint16_t code;
  bool unary;
  const char* bytes;  // of the operator alone
};

const operator_bytes_case kOperatorBytes[] = {
    {"mul",           OP_MUL,         false, "65"},
    {"div",           OP_DIV,         false, "66"},
    {"mod",           OP_MOD,         false, "67"},
    {"plus",          OP_PLUS,        false, "63"},
    {"unary_plus",    OP_PLUS,        true,  ""},
    {"minus",         OP_MINUS,       false, "64"},
    {"negate",        OP_MINUS,       true,  "6B"},
    {"and",           OP_AND,         false, "8E"},
    {"internal_and",  6,              false, "8E"},
    {"or",            OP_OR,          false, "8F"},
    {"xor",           OP_XOR,         false, "90"},
    {"not",           OP_NOT,         true,  "6C"},
    {"binand",        OP_BINAND,      false, "68"},
    {"binor",         OP_BINOR,       false, "69"},
    {"binxor",        OP_BINXOR,      false, "6A"},
    {"binnot",        OP_BINNOT,      true,  "8C"},
    {"shl",           OP_SHL,         false, "AB"},
    {"shl_symbol",    OP_SHL_SYM,     false, "AB"},
    {"shr",           OP_SHR,         false, "71 00 00 00 01 6E 00 00 00 01 61 7F FF FF FF 68 71 00 00 00 01 "
                                             "61 00 00 00 01 64 AA 6F 92"},
    {"eq",            OP_EQ,          false, "8A"},
    {"eq_symbol",     OP_EQ_SYM,      false, "8A"},
    {"ne",            OP_NE_SYM,      false, "8B"},
    {"gt",            OP_GT,          false, "82"},
    {"ge",            OP_GE_SYM,      false, "84"},
    {"lt",            OP_LT,          false, "86"},
    {"le",            OP_LE_SYM,      false, "88"},
    {"ugt",           OP_UGT,         false, "83"},
    {"ult",           OP_ULT,         false, "87"},
    {"low",           OP_LOW,         true,  "99 00 00 00 00"},
    {"high",          OP_HIGH,        true,  "99 00 00 00 01"},
    {"byte2",         OP_BYTE2,       true,  "99 00 00 00 01"},
    {"byte3",         OP_BYTE3,       true,  "99 00 00 00 02"},
    {"byte4",         126,            true,  "99 00 00 00 03"},
    {"lwrd",          OP_LWRD,        true,  "9A"},
    {"hwrd",          OP_HWRD,        true,  "9B"},
    {"date",          OP_DATE,        true,  "A9"},
    {"check_range",   OP_CHECK_RANGE, false, "9E"},
    {"error_text",    OP_ERROR_TEXT,  true,  ""},
    {"op111",         111,            false, "93"},
    {"op116",         116,            false, "98"},
    {"dup119",        119,            true,  "70"},
    {"nibble0",       127,            true,  "61 00 00 00 0F 68"},
    {"nibble1",       128,            true,  "6E 00 00 00 04 61 00 00 00 0F 68"},
    {"page",          OP_PAGE,        true,  "6E 00 00 00 10 61 00 00 00 0F 68"},
    {"nibble7",       134,            true,  "6E 00 00 00 1C 61 00 00 00 0F 68"},
};

class OperatorBytes : public WriterEncoding, public ::testing::WithParamInterface<operator_bytes_case> {};

// The operand records come first (the external, then for a binary operator
// the constant 2); what follows them is the operator's own encoding.
TEST_P(OperatorBytes, FollowTheOperands) {
  const operator_bytes_case& c = GetParam();
  expr_rec* e = postfix([&] {
    push_external(cx, ext_, 3);
    if (!c.unary) push_constant(cx, 2);
    push_operator(cx, c.code, c.unary);
  });
  std::string expected = c.unary ? "5D 03 00 00 00 00" : "5D 03 00 00 00 00 61 00 00 00 02";
  if (*c.bytes != '\0') expected += std::string(" ") + c.bytes;
  EXPECT_EQ(hex(expression(e)), expected);
}

INSTANTIATE_TEST_SUITE_P(Codes, OperatorBytes, ::testing::ValuesIn(kOperatorBytes),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(WriterEncoding, UnknownOperatorCodeIsInternalError) {
  expr_rec* e = postfix([&] {
    push_external(cx, ext_, 3);
    push_operator(cx, 150 + 9, false);
  });
  EXPECT_TRUE(stops([&] { expression(e); }));
  EXPECT_TRUE(said("Not an Operator"));
}

// ---- Operators as the linker evaluates them ----------------------------------------------

class value_env : public link_resolver {
 public:
  explicit value_env(uint32_t x) : x_(x) {}
  bool segment_address(uint32_t s, uint32_t* v, std::string*) override { return *v = 0x1000 * (s + 1), true; }
  bool segment_begin(uint32_t s, uint32_t* v, std::string*) override { return *v = 0x8000 + s, true; }
  bool segment_end(uint32_t s, uint32_t* v, std::string*) override { return *v = 0x9000 + s, true; }
  bool external_value(uint32_t, uint32_t* v, std::string*) override { return *v = x_, true; }
  bool function_address(uint32_t n, uint32_t* v, std::string*) override { return *v = 0x5000 + n, true; }
  uint32_t location(uint32_t delta) override { return 0x600 + delta; }
  uint32_t date_field(uint32_t which) override { return which; }

 private:
  uint32_t x_;
};

struct evaluation {
  bool ok = true;
  uint32_t value = 0;
  std::size_t depth = 0;
};

// The written expression followed by a 4-byte store, evaluated as the linker does.
evaluation link_value(const std::vector<uint8_t>& bytes, uint32_t x) {
  quill_builder b;
  b.module("m");
  for (uint8_t byte : bytes) b.raw_byte(byte);
  b.store(4).end().eof();
  const std::string file = b.bytes();
  const quill_object obj = quill_read(file);
  evaluation out;
  if (!obj.ok()) return {false, 0, 0};
  value_env env(x);
  link_evaluator eval;
  const quill_module& m = obj.modules[0];
  for (uint32_t i = 0; i < m.record_count; ++i) {
    const quill_record& r = obj.records[m.first_record + i];
    const quill_role role = r.layout->role;
    if (role != quill_role::operand && role != quill_role::op && role != quill_role::store &&
        role != quill_role::funcref)
      continue;
    if (role == quill_role::store && r.layout->tag != QT_DISCARD) {
      out.value = eval.top();
      out.depth = eval.depth();
      break;
    }
    if (eval.step(obj, r, env).status != eval_status::ok) return {false, 0, 0};
  }
  return out;
}

struct linker_case {
  const char* name;
  uint16_t code;
  bool unary;
  int32_t right;  // the constant operand of a binary operator
};

const linker_case kLinkerCases[] = {
    {"mul", OP_MUL, false, 7},         {"div", OP_DIV, false, -3},       {"mod", OP_MOD, false, 5},
    {"plus", OP_PLUS, false, 9},       {"minus", OP_MINUS, false, 9},    {"and", OP_AND, false, 1},
    {"or", OP_OR, false, 0},           {"xor", OP_XOR, false, 1},        {"binand", OP_BINAND, false, 0xF0F0},
    {"binor", OP_BINOR, false, 0x0F},  {"binxor", OP_BINXOR, false, 0xFF}, {"shl", OP_SHL, false, 4},
    {"shr_1", OP_SHR, false, 1},       {"shr_4", OP_SHR_SYM, false, 4},  {"shr_31", OP_SHR, false, 31},
    {"shr_0", OP_SHR, false, 0},       {"eq", OP_EQ, false, 5},          {"ne", OP_NE_SYM, false, 5},
    {"gt", OP_GT, false, 5},           {"ge", OP_GE, false, 5},          {"lt", OP_LT_SYM, false, 5},
    {"le", OP_LE, false, 5},           {"ugt", OP_UGT, false, 5},        {"ult", OP_ULT, false, 5},
    {"pow_0", OP_POW, false, 0},       {"pow_3", OP_POW, false, 3},      {"negate", OP_MINUS, true, 0},
    {"not", OP_NOT, true, 0},          {"binnot", OP_BINNOT, true, 0},   {"low", OP_LOW, true, 0},
    {"high", OP_HIGH, true, 0},        {"byte3", OP_BYTE3, true, 0},     {"lwrd", OP_LWRD, true, 0},
    {"hwrd", OP_HWRD, true, 0},        {"page", OP_PAGE, true, 0},
};

class LinkerAgrees : public WriterEncoding, public ::testing::WithParamInterface<linker_case> {};

// EXT op y, alone and as the right operand of 1000 + (...), for externals of
// several values: the linker's result is the assembler's and nothing is left
// on its stack.
TEST_P(LinkerAgrees, WithTheAssemblersArithmetic) {
  const linker_case& c = GetParam();
  postfix_elem op{};
  op.kind = PF_OPERATOR;
  op.payload.op.code = c.code;
  op.payload.op.unary = c.unary;
  for (int32_t x : {0, 1, 5, 0x1234, -5, INT32_MIN, 0x7FFFFFFF}) {
    const int32_t expected = c.unary ? arithmethics(cx, 0, x, &op) : arithmethics(cx, x, c.right, &op);
    for (bool nested : {false, true}) {
      expr_rec* e = postfix([&] {
        if (nested) push_constant(cx, 1000);
        push_external(cx, ext_, 3);
        if (!c.unary) push_constant(cx, c.right);
        push_operator(cx, c.code, c.unary);
        if (nested) push_operator(cx, OP_PLUS, false);
      });
      const evaluation v = link_value(expression(e), static_cast<uint32_t>(x));
      ASSERT_TRUE(v.ok) << x;
      EXPECT_EQ(v.value, static_cast<uint32_t>(expected) + (nested ? 1000u : 0u)) << "x=" << x << " nested=" << nested;
      EXPECT_EQ(v.depth, 1u) << "x=" << x << " nested=" << nested;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Operators, LinkerAgrees, ::testing::ValuesIn(kLinkerCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(WriterEncoding, NibblesAndByteFourAsTheLinkerComputesThem) {
  for (uint16_t code = 126; code <= 134; ++code) {
    expr_rec* e = postfix([&] {
      push_external(cx, ext_, 3);
      push_operator(cx, code, true);
    });
    const uint32_t x = 0x9ABCDEF1;
    const uint32_t expected = code == 126 ? x >> 24 : (x >> (4 * (code - 127))) & 15;
    const evaluation v = link_value(expression(e), x);
    ASSERT_TRUE(v.ok) << code;
    EXPECT_EQ(v.value, expected) << code;
  }
}

// ---- Operands ------------------------------------------------------------------------

TEST_F(WriterEncoding, OperandsSegmentsLocationAndMessages) {
  segment("CODE", 2);
  ident_node* data = user("DATA");
  make_test_segment(cx, data, 5, SEG_RELOCATABLE);
  struct row {
    const char* name;
    std::function<void()> pushes;
    const char* bytes;
  };
  const row rows[] = {
      {"relocatable constant", [&] { push_constant(cx, 0x10, 2); }, "5E 00 00 00 00 10"},
      {"absolute constant", [&] { push_constant(cx, -1); }, "61 FF FF FF FF"},
      {"sfb plus offset", [&] { push_constant(cx, 4), push_segment_operator(cx, PF_SFB, data); },
       "61 00 00 00 04 5F 03 00 00 00 00 63"},
      {"sfe", [&] { push_constant(cx, 0), push_segment_operator(cx, PF_SFE, data); },
       "61 00 00 00 00 60 03 00 00 00 00 63"},
      {"size of a segment", [&] { push_constant(cx, 0), push_segment_operator(cx, PF_SEGOP, data); },
       "61 00 00 00 00 60 03 00 00 00 00 5F 03 00 00 00 00 64 63"},
      {"message", [&] { push_constant(cx, 1), push_string(cx, "big"), push_operator(cx, OP_ERROR_TEXT, true); },
       "61 00 00 00 01 9D 03 62 69 67"},
      {"location", [&] { push(cx, PF_LOCATION, postfix_payload{}); }, "62 00 00 00 1B"},
  };
  statement_rec at;
  at.location = 0x20;
  for (const row& r : rows) {
    cx.object.statement = &at;
    cx.object.emitted = 5;
    EXPECT_EQ(hex(expression(postfix(r.pushes))), r.bytes) << r.name;
  }
  // The size of a segment evaluates to its end minus its begin, plus the offset.
  const evaluation v = link_value(expression(postfix([&] {
                                    push_constant(cx, 2);
                                    push_segment_operator(cx, PF_SEGOP, data);
                                  })),
                                  0);
  EXPECT_EQ(v.value, 0x9003u - 0x8003u + 2u);
}

TEST_F(WriterEncoding, SymbolsAreWrittenByTheirValues) {
  define("ABS", 0x42);
  define("REL", 0x10, 4);
  ident_node* chain = user("CHAIN");  // CHAIN = EXT + 1
  expr_rec* v = postfix([&] {
    push_external(cx, ext_, 3);
    push_constant(cx, 1);
    push_operator(cx, OP_PLUS, false);
  });
  chain->label->value = v;
  chain->label->flags &= ~LBL_UNDEFINED;
  EXPECT_EQ(hex(expression(postfix([&] { push_symbol(cx, check_ident(cx, "ABS", 3)); }))), "61 00 00 00 42");
  EXPECT_EQ(hex(expression(postfix([&] { push_symbol(cx, check_ident(cx, "REL", 3)); }))), "5E 02 00 00 00 10");
  EXPECT_EQ(hex(expression(postfix([&] { push_symbol(cx, chain); }))),
            "5D 03 00 00 00 00 61 00 00 00 01 63");
  // A value relative to the absolute segment is an address.
  EXPECT_EQ(hex(expression(make_relative(cx, 1, 0x300))), "61 00 00 03 00");
}

TEST_F(WriterEncoding, ExternalWithoutNumberIsRefused) {
  ident_node* loose = external("LOOSE", kUnreferenced);
  EXPECT_TRUE(stops([&] { expression(postfix([&] { push_external(cx, loose, 0); })); }));
  EXPECT_TRUE(said("External not numbered"));
}

TEST_F(WriterEncoding, TheAbsoluteSegmentHasNoIndex) {
  EXPECT_EQ(segment_index(cx, 2u), 0u);
  EXPECT_EQ(segment_index(cx, 130u), 128u);
  EXPECT_TRUE(stops([&] { segment_index(cx, 1u); }));
}

// ---- Errors while writing --------------------------------------------------------------

TEST_F(WriterEncoding, ErrorsAreReportedAndTheExpressionRefused) {
  ident_node* undefined = user("NOWHERE");
  ident_node* self = user("SELF");  // SELF = SELF + EXT
  self->label->value = postfix([&] {
    push_symbol(cx, self);
    push_external(cx, ext_, 3);
    push_operator(cx, OP_PLUS, false);
  });
  self->label->flags &= ~LBL_UNDEFINED;
  ident_node* level = ext_;  // D(k+1) = D(k) + D(k): a value that doubles with every level
  for (int k = 0; k < 20; ++k) {
    ident_node* next = user("D" + std::to_string(k));
    ident_node* prev = level;
    next->label->value = postfix([&] {
      push_symbol(cx, prev);
      push_symbol(cx, prev);
      push_operator(cx, OP_PLUS, false);
    });
    next->label->flags &= ~LBL_UNDEFINED;
    level = next;
  }
  ext_->label->value = postfix([&] { push_external(cx, ext_, 3); });
  ext_->label->flags &= ~LBL_UNDEFINED;
  ident_node* huge = level;
  struct row {
    const char* name;
    std::function<void()> pushes;
    int error;
  };
  const row rows[] = {
      {"undefined symbol", [&] { push_symbol(cx, undefined); }, 50},
      {"value refers to itself", [&] { push_symbol(cx, self); }, 109},
      {"value of a million elements", [&] { push_symbol(cx, huge); }, 109},
      {"power above 255", [&] { push_external(cx, ext_, 3), push_constant(cx, 256), push_operator(cx, OP_POW, false); }, 48},
      {"negative power", [&] { push_external(cx, ext_, 3), push_constant(cx, -1), push_operator(cx, OP_POW, false); }, 53},
      {"power not absolute", [&] { push_constant(cx, 2), push_external(cx, ext_, 3), push_operator(cx, OP_POW, false); }, 53},
  };
  for (const row& r : rows) {
    const int before = errors(r.error);
    expr_written w;
    const uint32_t size = cx.object.spool.size();
    expression(postfix(r.pushes), &w);
    EXPECT_FALSE(w.ok) << r.name;
    EXPECT_EQ(errors(r.error), before + 1) << r.name;
    EXPECT_LT(cx.object.spool.size() - size, 5u * 70000u) << r.name;
  }
  // 255 is the largest power written.
  expr_written w;
  expression(postfix([&] { push_external(cx, ext_, 3), push_constant(cx, 255), push_operator(cx, OP_POW, false); }), &w);
  EXPECT_TRUE(w.ok);
}

// ---- Function references -----------------------------------------------------------------

struct funcref_case {
  const char* name;
  uint16_t code;
  uint16_t after;   // operator after the reference (LOW, HIGH) or 0
  bool minus;       // the constant is subtracted
  const char* bytes;
  uint32_t size;
};

const funcref_case kFunctionReferences[] = {
    {"kind_0",        138, 0,        false, "AC 00 00 00 03 00",                   1},
    {"kind_2_word",   140, 0,        false, "AC 00 00 00 03 02",                   2},
    {"kind_2_low",    140, OP_LOW,   false, "AC 00 00 00 03 08",                   1},
    {"kind_2_high",   140, OP_HIGH,  false, "AC 00 00 00 03 0A",                   1},
    {"kind_6_low",    144, OP_LOW,   false, "AC 00 00 00 03 09",                   1},
    {"kind_6_high",   144, OP_HIGH,  false, "AC 00 00 00 03 0B",                   1},
    {"kind_7_minus",  145, 0,        true,  "AC 00 00 FF FD 07",                   1},
    {"word",          146, 0,        false, "AD 00 00",                            2},
    {"byte",          148, 0,        false, "AE 00 00",                            1},
    {"address_three", 149, 0,        false, "AF 00 00 A4",                         3},
    {"address_four",  150, 0,        false, "AF 00 00 5C",                         4},
    {"segment_151",   151, 0,        false, "CC 00 00 00 00 00 03 00 01 02",       0},
    {"segment_152",   152, 0,        false, "CC 00 00 00 00 00 03 00 00 02",       0},
};

class FunctionReferences : public WriterEncoding, public ::testing::WithParamInterface<funcref_case> {};

TEST_P(FunctionReferences, StandForTheWholeExpression) {
  const funcref_case& c = GetParam();
  ident_node* fn = define("FN", 0x40, 4);
  cx.module.functions.push_back(function_rec{fn, 0, -1, {}, {}});
  plan_object_symbols(cx);
  cx.object.emitted = 0;
  expr_written w;
  const std::vector<uint8_t> bytes = expression(postfix([&] {
    push_symbol(cx, fn);
    push_constant(cx, 3);
    push_operator(cx, c.minus ? OP_MINUS : OP_PLUS, false);
    push_operator(cx, c.code, true);
    if (c.after != 0) push_operator(cx, c.after, true);
  }), &w);
  EXPECT_EQ(hex(bytes), c.bytes);
  EXPECT_TRUE(w.ok && w.funcref);
  EXPECT_EQ(w.size, c.size);
  EXPECT_EQ(cx.object.emitted, c.size);
  EXPECT_EQ(any_errors(), 0);
}

INSTANTIATE_TEST_SUITE_P(Codes, FunctionReferences, ::testing::ValuesIn(kFunctionReferences),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(WriterEncoding, FunctionNumbersAndTheirErrors) {
  ident_node* fn = define("FN", 0x40, 4);
  ident_node* plain = define("PLAIN", 0x50, 4);
  cx.module.functions.push_back(function_rec{fn, 0, -1, {}, {}});
  plan_object_symbols(cx);
  // The address of a function inside an expression; a label that is no function gets a number with error 88.
  EXPECT_EQ(hex(expression(postfix([&] {
              push_symbol(cx, plain);
              push_operator(cx, 147, true);
              push_symbol(cx, fn);
              push_operator(cx, 147, true);
              push_operator(cx, OP_PLUS, false);
            }))),
            "AF 00 00 AF 00 01 63");
  EXPECT_EQ(errors(88), 1);
  // A reference inside a label's value is not the whole expression: error 53.
  ident_node* holder = user("HOLDER");
  holder->label->value = postfix([&] {
    push_symbol(cx, fn);
    push_operator(cx, 146, true);
  });
  holder->label->flags &= ~LBL_UNDEFINED;
  expr_written w;
  expression(postfix([&] {
    push_symbol(cx, holder);
    push_constant(cx, 1);
    push_operator(cx, OP_PLUS, false);
  }), &w);
  EXPECT_FALSE(w.ok);
  EXPECT_EQ(errors(53), 1);
}

TEST_F(WriterEncoding, RangeCheckWritesMaximumThenMinimum) {
  EXPECT_EQ(hex(written([&] { dump_range_check(cx, -128, 255, "m"); })),
            "9D 01 6D 61 00 00 00 FF 61 FF FF FF 80 9E 9D 00");
  // The same order as an expression's own check, so the linker reads both alike.
  expr_rec* e = postfix([&] { push_external(cx, ext_, 3); });
  push_check_after(cx, e, -128, 255, "m");
  EXPECT_EQ(hex(expression(e)), "5D 03 00 00 00 00 9D 01 6D 61 00 00 00 FF 61 FF FF FF 80 9E 9D 00");
}

}  // namespace
