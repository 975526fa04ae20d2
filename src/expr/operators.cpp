// operators.cpp — the operator table and the arithmetic of every operator (A08).
#include "expr/operators.h"

#include <array>
#include <cctype>
#include <cstring>
#include <ctime>

#include "diag/diag.h"
#include "driver/context.h"
#include "driver/stops.h"

namespace {


}  // namespace

// spelling            code            class   reserved index
const operator_entry kOperatorTable[] = {
    {"$",             {OP_LOC,         CLASS_1,  0, -1}},
    {"(",             {OP_LPAREN,      CLASS_1,  0, -1}},
    {")",             {OP_RPAREN,      CLASS_1,  0, -1}},
    {"PAGE",          {OP_PAGE,        CLASS_1,  0, -1}},
    {".PAGE.",        {OP_PAGE,        CLASS_1,  0, -1}},
    {"OFFSET",        {OP_LWRD,        CLASS_1,  0, -1}},
    {"LWRD",          {OP_LWRD,        CLASS_1,  0, -1}},
    {"HWRD",          {OP_HWRD,        CLASS_1,  0, -1}},
    {"NOT",           {OP_NOT,         CLASS_1,  0, -1}},
    {"!",             {OP_NOT,         CLASS_1,  0, -1}},
    {"LOW",           {OP_LOW,         CLASS_1,  0, -1}},
    {"HIGH",          {OP_HIGH,        CLASS_1,  0, -1}},
    {"BYTE2",         {OP_BYTE2,       CLASS_1,  0, -1}},
    {"BYTE3",         {OP_BYTE3,       CLASS_1,  0, -1}},
    {"DATE",          {OP_DATE,        CLASS_1,  0, -1}},
    {"SFB",           {OP_SFB,         CLASS_1,  0, -1}},
    {"SFE",           {OP_SFE,         CLASS_1,  0, -1}},
    {"SIZEOF",        {OP_SIZEOF,      CLASS_1,  0, -1}},
    {"BINNOT",        {OP_BINNOT,      CLASS_1,  0, -1}},
    {"~",             {OP_BINNOT,      CLASS_1,  0, -1}},
    {"+",             {OP_PLUS,        CLASS_1,  0, -1}},
    {"-",             {OP_MINUS,       CLASS_1,  0, -1}},
    {"MOD",           {OP_MOD,         CLASS_4,  0, -1}},
    {"%",             {OP_MOD,         CLASS_4,  0, -1}},
    {"*",             {OP_MUL,         CLASS_4,  0, -1}},
    {"/",             {OP_DIV,         CLASS_4,  0, -1}},
    {"SHR",           {OP_SHR,         CLASS_4,  0, -1}},
    {">>",            {OP_SHR_SYM,     CLASS_4,  0, -1}},
    {"SHL",           {OP_SHL,         CLASS_4,  0, -1}},
    {"<<",            {OP_SHL_SYM,     CLASS_4,  0, -1}},
    {"!>",            {OP_SHR_SYM,     CLASS_8,  0, -1}},
    {"!<",            {OP_SHL_SYM,     CLASS_8,  0, -1}},
    {"!^",            {OP_POW,         CLASS_8,  0, -1}},
    {"AND",           {OP_AND,         CLASS_16, 0, -1}},
    {"&&",            {OP_AND,         CLASS_16, 0, -1}},
    {"BINAND",        {OP_BINAND,      CLASS_16, 0, -1}},
    {"&",             {OP_BINAND,      CLASS_16, 0, -1}},
    {"!.",            {OP_BINAND,      CLASS_16, 0, -1}},
    {"BINXOR",        {OP_BINXOR,      CLASS_32, 0, -1}},
    {"^",             {OP_BINXOR,      CLASS_32, 0, -1}},
    {"!X",            {OP_BINXOR,      CLASS_32, 0, -1}},
    {"XOR",           {OP_XOR,         CLASS_32, 0, -1}},
    {"BINOR",         {OP_BINOR,       CLASS_32, 0, -1}},
    {"|",             {OP_BINOR,       CLASS_32, 0, -1}},
    {"!+",            {OP_BINOR,       CLASS_32, 0, -1}},
    {"OR",            {OP_OR,          CLASS_32, 0, -1}},
    {"||",            {OP_OR,          CLASS_32, 0, -1}},
    {"EQ",            {OP_EQ,          CLASS_64, 0, -1}},
    {"==",            {OP_EQ,          CLASS_64, 0, -1}},
    {"=",             {OP_EQ_SYM,      CLASS_64, 0, -1}},
    {"NE",            {OP_NE,          CLASS_64, 0, -1}},
    {"<>",            {OP_NE_SYM,      CLASS_64, 0, -1}},
    {"!=",            {OP_NE_SYM,      CLASS_64, 0, -1}},
    {"GT",            {OP_GT,          CLASS_64, 0, -1}},
    {">",             {OP_GT_SYM,      CLASS_64, 0, -1}},
    {"LT",            {OP_LT,          CLASS_64, 0, -1}},
    {"<",             {OP_LT_SYM,      CLASS_64, 0, -1}},
    {"UGT",           {OP_UGT,         CLASS_64, 0, -1}},
    {"ULT",           {OP_ULT,         CLASS_64, 0, -1}},
    {"GE",            {OP_GE,          CLASS_64, 0, -1}},
    {">=",            {OP_GE_SYM,      CLASS_64, 0, -1}},
    {"LE",            {OP_LE,          CLASS_64, 0, -1}},
    {"<=",            {OP_LE_SYM,      CLASS_64, 0, -1}},
    // The linker's operators, registered by push_check on first use.
    {"_?CHECK_RANGE", {OP_CHECK_RANGE, CLASS_1,  0, -1}},
    {"_?ERROR_TEXT",  {OP_ERROR_TEXT,  CLASS_1,  0, -1}},
};
const int kOperatorCount = static_cast<int>(sizeof kOperatorTable / sizeof kOperatorTable[0]);

namespace {

// Code to spelling: the first spelling registered for a code is the printed one.
constexpr std::array<const char*, kOperatorCodes> make_spellings() {
  std::array<const char*, kOperatorCodes> names{};
  for (const operator_entry& e : kOperatorTable)
    if (names[e.rec.code] == nullptr) names[e.rec.code] = e.spelling;
  return names;
}
constexpr std::array<const char*, kOperatorCodes> kSpelling = make_spellings();

static_assert(kSpelling[OP_SHR_SYM][0] == '>', "the class-4 spelling prints for code 13");

// What arithmethics can do with a code: bit 0 prefix form, bit 1 infix form.
constexpr uint8_t kPrefix = 1, kInfix = 2;
constexpr std::array<uint8_t, kOperatorCodes> make_forms() {
  std::array<uint8_t, kOperatorCodes> f{};
  for (uint16_t c : {OP_NOT, OP_LOW, OP_HIGH, OP_LWRD, OP_HWRD, OP_DATE, OP_BINNOT, OP_BYTE2,
                     OP_BYTE3, OP_PAGE})
    f[c] = kPrefix;
  f[OP_PLUS] = f[OP_MINUS] = kPrefix | kInfix;
  for (uint16_t c : {OP_MUL, OP_DIV, OP_MOD, OP_SHR, OP_SHR_SYM, OP_SHL, OP_SHL_SYM, OP_POW, OP_AND,
                     OP_OR, OP_XOR, OP_BINAND, OP_BINOR, OP_BINXOR, OP_EQ, OP_EQ_SYM, OP_NE,
                     OP_NE_SYM, OP_GT, OP_GT_SYM, OP_LT, OP_LT_SYM, OP_GE, OP_GE_SYM, OP_LE,
                     OP_LE_SYM, OP_UGT, OP_ULT})
    f[c] = kInfix;
  return f;
}
constexpr std::array<uint8_t, kOperatorCodes> kForms = make_forms();

// x to the power y by squaring: the same 32 bits as repeated multiplication.
uint32_t power(uint32_t x, int32_t y) {
  uint32_t result = 1;
  for (uint32_t n = y <= 0 ? 0u : static_cast<uint32_t>(y); n != 0; n >>= 1) {
    if (n & 1) result *= x;
    x *= x;
  }
  return result;
}

// DATE n: a field of the run's start time.
int32_t date_field(asm_context& cx, int32_t n) {
  if (n < 1 || n > 6) {
    user_error(cx, gen_err::value_out_of_range, "1-6");
    return n;
  }
  std::tm t{};
  localtime_r(&cx.driver.assembly_time, &t);
  const int fields[6] = {t.tm_sec, t.tm_min, t.tm_hour, t.tm_mday, t.tm_mon + 1, t.tm_year % 100};
  return fields[n - 1];
}

int32_t divide(asm_context& cx, int32_t x, int32_t y, bool remainder) {
  if (y == 0) {
    user_warning(cx, gen_warn::division_by_zero);
    return remainder ? 0 : -1;
  }
  if (y == -1) return remainder ? 0 : static_cast<int32_t>(0u - static_cast<uint32_t>(x));
  return remainder ? x % y : x / y;
}

}  // namespace

bool operator_has_arithmetic(uint16_t code, bool unary) {
  return code < kOperatorCodes && (kForms[code] & (unary ? kPrefix : kInfix)) != 0;
}

const char* operator_spelling(uint16_t code) { return code < kOperatorCodes ? kSpelling[code] : nullptr; }

const operator_rec* find_operator(const char* spelling) {
  for (const operator_entry& e : kOperatorTable) {
    const char* a = e.spelling;
    const char* b = spelling;
    while (*a != '\0' && *a == std::toupper(static_cast<unsigned char>(*b))) ++a, ++b;
    if (*a == '\0' && *b == '\0') return &e.rec;
  }
  return nullptr;
}

int32_t arithmethics(asm_context& cx, int32_t left, int32_t right, const postfix_elem* op) {
  const uint16_t code = op->payload.op.code;
  const uint32_t x = static_cast<uint32_t>(left), y = static_cast<uint32_t>(right);
  if (op->payload.op.unary) {
    switch (code) {
      case OP_PLUS: return right;
      case OP_MINUS: return static_cast<int32_t>(0u - y);
      case OP_NOT: return right == 0;
      case OP_BINNOT: return static_cast<int32_t>(~y);
      case OP_LOW: return static_cast<int32_t>(y & 0xFF);
      case OP_HIGH:
      case OP_BYTE2: return static_cast<int32_t>((y >> 8) & 0xFF);
      case OP_BYTE3: return static_cast<int32_t>((y >> 16) & 0xFF);
      case OP_LWRD: return static_cast<int32_t>(y & 0xFFFF);
      case OP_HWRD: return static_cast<int32_t>(y >> 16);
      case OP_PAGE: return static_cast<int32_t>((y >> 16) & 15);
      case OP_DATE: return date_field(cx, right);
      default: break;
    }
  } else {
    switch (code) {
      case OP_PLUS: return static_cast<int32_t>(x + y);
      case OP_MINUS: return static_cast<int32_t>(x - y);
      case OP_MUL: return static_cast<int32_t>(x * y);
      case OP_DIV: return divide(cx, left, right, false);
      case OP_MOD: return divide(cx, left, right, true);
      case OP_SHR:
      case OP_SHR_SYM: return static_cast<int32_t>(x >> (y & 31));
      case OP_SHL:
      case OP_SHL_SYM: return static_cast<int32_t>(x << (y & 31));
      case OP_POW: return static_cast<int32_t>(power(x, right));
      case OP_AND: return left != 0 && right != 0;
      case OP_OR: return left != 0 || right != 0;
      case OP_XOR: return (left != 0) != (right != 0);
      case OP_BINAND: return static_cast<int32_t>(x & y);
      case OP_BINOR: return static_cast<int32_t>(x | y);
      case OP_BINXOR: return static_cast<int32_t>(x ^ y);
      case OP_EQ:
      case OP_EQ_SYM: return left == right;
      case OP_NE:
      case OP_NE_SYM: return left != right;
      case OP_GT:
      case OP_GT_SYM: return left > right;
      case OP_LT:
      case OP_LT_SYM: return left < right;
      case OP_GE:
      case OP_GE_SYM: return left >= right;
      case OP_LE:
      case OP_LE_SYM: return left <= right;
      case OP_UGT: return x > y;
      case OP_ULT: return x < y;
      default: break;
    }
  }
  internal_error(cx, "arithmethics_A08", "Not an Operator", code, op->payload.op.unary);
  return 0;
}
