// macro_operators.cpp — the operators of operator-style macros (M10): in such
// a body a backslash sequence is a command to a stack machine of 32-bit
// entries, which can insert actuals, parts of them and numbers into the line.
// "\T" and "\F" switch the commands on or off after the state of conditional
// assembly. Every command checks its entries first and leaves the stack as it
// was when it cannot run; arithmetic wraps around in 32 bits.
#include <cstdio>
#include <cstring>

#include "diag/diag.h"
#include "directives/conditional.h"
#include "directives/macro_internal.h"
#include "driver/context.h"

namespace {

int32_t wrap(int64_t v) { return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(v))); }

// What a command needs and what it leaves in the text.
enum class op_code : uint8_t {
  add, sub, mul, div, neg, inc, dec, swap, literal, dup, drop, pick, store, depth, length, actuals, counter,
  keep, emit_pop, emit, substring, on_if_assembled, on_if_skipped,
};

struct op_row {
  char name;
  op_code code;
  int needs;        // entries the command takes
  bool shows_top;   // the (new) top entry is inserted afterwards
  gen_err too_few;  // when fewer entries are there
};

// clang-format off
constexpr op_row kOperators[] = {
    // name  code                     needs shows  too few
    {'+',  op_code::add,              2, true,  gen_err::macro_stack_empty},
    {'-',  op_code::sub,              2, true,  gen_err::macro_stack_empty},
    {'*',  op_code::mul,              2, true,  gen_err::macro_stack_empty},
    {'/',  op_code::div,              2, true,  gen_err::macro_stack_empty},
    {'N',  op_code::neg,              1, true,  gen_err::macro_stack_empty},
    {'I',  op_code::inc,              1, true,  gen_err::macro_stack_empty},
    {'D',  op_code::dec,              1, true,  gen_err::macro_stack_empty},
    {'A',  op_code::swap,             2, true,  gen_err::macro_stack_range},
    {'L',  op_code::literal,          0, false, gen_err::macro_stack_empty},
    {'U',  op_code::dup,              1, true,  gen_err::macro_stack_empty},
    {'O',  op_code::drop,             1, true,  gen_err::macro_stack_empty},
    {'R',  op_code::pick,             1, true,  gen_err::macro_stack_empty},
    {'S',  op_code::store,            2, true,  gen_err::macro_stack_empty},
    {'$',  op_code::depth,            0, true,  gen_err::macro_stack_empty},
    {'%',  op_code::length,           1, true,  gen_err::macro_stack_empty},
    {'?',  op_code::actuals,          0, true,  gen_err::macro_stack_empty},
    {'@',  op_code::counter,          0, true,  gen_err::macro_stack_empty},
    {'=',  op_code::keep,             1, true,  gen_err::macro_stack_empty},
    {'<',  op_code::emit_pop,         1, false, gen_err::macro_stack_empty},
    {'.',  op_code::emit,             1, true,  gen_err::macro_stack_empty},
    {'"',  op_code::substring,        3, false, gen_err::macro_stack_range},
    {'T',  op_code::on_if_assembled,  0, false, gen_err::macro_stack_empty},
    {'F',  op_code::on_if_skipped,    0, false, gen_err::macro_stack_empty},
};
// clang-format on

const op_row* find_operator(char c) {
  const char upper = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
  for (const op_row& row : kOperators)
    if (row.name == upper) return &row;
  return nullptr;
}

struct machine {
  asm_context& cx;
  expansion_frame& f;
  std::string& out;
  operator_state& ops;

  int32_t& at(int from_top) { return ops.stack[ops.size - 1 - from_top]; }

  void error(gen_err e) { defer_diagnostic(f, static_cast<int>(e), static_cast<int>(out.size()) + 1, nullptr); }

  bool push(int32_t v) {
    if (ops.size == kOperatorStackSize) {
      error(gen_err::macro_stack_overflow);
      return false;
    }
    ops.stack[ops.size++] = v;
    return true;
  }

  void insert_number(int32_t v) {
    char text[16];
    std::snprintf(text, sizeof text, "%04ld", static_cast<long>(v));
    out += text;
  }

  void insert_actual(int32_t n, int32_t first = 1, int32_t last = -1) {
    if (n < 1 || n > f.actual_count) return;
    const std::string_view a(f.actual[n], f.actual_len[n]);
    if (last < 0) {
      out += a;
      return;
    }
    if (a.empty()) return;
    // Positions count from 1 and are kept inside the actual; p > q reads backwards.
    const auto clamp = [&](int32_t p) { return p < 1 ? 0 : (p > static_cast<int32_t>(a.size()) ? static_cast<int32_t>(a.size()) - 1 : p - 1); };
    const int32_t p = clamp(first);
    const int32_t q = clamp(last);
    if (p <= q)
      out.append(a.substr(static_cast<std::size_t>(p), static_cast<std::size_t>(q - p + 1)));
    else
      for (int32_t i = p; i >= q; --i) out += a[static_cast<std::size_t>(i)];
  }

  // An entry `n` places from the top, as \R and \S name it: below the bottom
  // is error 92, beyond the 100 entries error 93.
  int32_t* reach(int top_index, int32_t n) {
    const int64_t index = static_cast<int64_t>(top_index) + n;
    if (index < 0) {
      error(gen_err::macro_stack_empty);
      return nullptr;
    }
    if (index >= kOperatorStackSize) {
      error(gen_err::macro_stack_overflow);
      return nullptr;
    }
    return &ops.stack[index];
  }

  // Runs one command; `text` and `i` point after its character (\L reads on).
  // Returns whether the new top is to be shown.
  bool run(const op_row& row, std::string_view text, std::size_t& i) {
    if (ops.size < row.needs) {
      error(row.too_few);
      return false;
    }
    switch (row.code) {
      case op_code::add: at(1) = wrap(int64_t{at(0)} + at(1)); --ops.size; break;
      case op_code::sub: at(1) = wrap(int64_t{at(0)} - at(1)); --ops.size; break;
      case op_code::mul: at(1) = wrap(int64_t{at(0)} * at(1)); --ops.size; break;
      case op_code::div:
        if (at(1) == 0) {
          error(gen_err::macro_stack_range);
          at(1) = 0;
        } else {
          at(1) = wrap(int64_t{at(0)} / at(1));  // INT_MIN / -1 wraps to INT_MIN
        }
        --ops.size;
        break;
      case op_code::neg: at(0) = wrap(-int64_t{at(0)}); break;
      case op_code::inc: at(0) = wrap(int64_t{at(0)} + 1); break;
      case op_code::dec: at(0) = wrap(int64_t{at(0)} - 1); break;
      case op_code::swap: std::swap(at(0), at(1)); break;
      case op_code::literal: {
        uint32_t v = 0;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') v = v * 10 + static_cast<uint32_t>(text[i++] - '0');
        if (i < text.size() && text[i] == '.') ++i;
        push(static_cast<int32_t>(v));
        return false;
      }
      case op_code::dup: return push(at(0));
      case op_code::drop: --ops.size; return ops.size > 0;
      case op_code::pick: {
        const int32_t* from = reach(ops.size - 1, at(0));
        if (from == nullptr) return false;
        at(0) = *from;
        break;
      }
      case op_code::store: {
        int32_t* to = reach(ops.size - 2, at(1));
        if (to == nullptr) return false;
        const int32_t v = at(0);
        ops.size -= 2;
        *to = v;
        return ops.size > 0;
      }
      case op_code::depth: return push(ops.size);
      case op_code::length: {
        const int32_t n = at(0);
        at(0) = n >= 1 && n <= f.actual_count ? static_cast<int32_t>(f.actual_len[n]) : 0;
        break;
      }
      case op_code::actuals: return push(f.actual_count);
      case op_code::counter: return push(ops.counter++);
      case op_code::keep: {
        const int32_t n = at(0);
        if (n < 0) {
          error(gen_err::macro_stack_empty);
          ops.size = 1;
        } else if (n >= kOperatorStackSize) {
          error(gen_err::macro_stack_overflow);
          ops.size = kOperatorStackSize;
        } else {
          ops.size = n;  // entries above the old top come back as they were left
        }
        return ops.size > 0;
      }
      case op_code::emit_pop: insert_number(at(0)); --ops.size; return false;
      case op_code::emit: break;
      case op_code::substring: {
        const int32_t a = at(0);
        if (a < 1 || a > f.actual_count) {
          error(gen_err::macro_stack_range);
          return false;
        }
        insert_actual(a, at(1), at(2));
        ops.size -= 3;
        return false;
      }
      case op_code::on_if_assembled:
      case op_code::on_if_skipped: return false;
    }
    return row.shows_top;
  }
};

}  // namespace

void expand_operator_line(asm_context& cx, expansion_frame& f, const body_line& line, std::string& out) {
  machine m{cx, f, out, cx.macros.ops};
  out.clear();
  const std::string_view text(line.text, line.length);
  for (std::size_t i = 0; i < text.size();) {
    const char c = text[i];
    if (c == kFormalMarker) {
      const int n = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0;
      m.insert_actual(n);
      i += 2;
      continue;
    }
    if (c != '\\') {
      out += c;
      ++i;
      continue;
    }
    const char command = i + 1 < text.size() ? text[i + 1] : '\0';
    const char upper = (command >= 'a' && command <= 'z') ? static_cast<char>(command - 'a' + 'A') : command;
    if (upper == 'T' || upper == 'F') {  // after the state of conditional assembly
      f.command_mode = (upper == 'T') != cond_skipping(cx);
      i += 2;
      continue;
    }
    if (!f.command_mode) {  // commands off: the sequence stays as it is
      out.append(text.substr(i, std::min<std::size_t>(2, text.size() - i)));
      i += 2;
      continue;
    }
    i += 2;
    if (command >= '0' && command <= '9') {  // \1 .. \9: an actual; \0 inserts nothing
      m.insert_actual(command - '0');
      continue;
    }
    const op_row* row = find_operator(command);
    if (row == nullptr) {
      const char shown[3] = {'\\', command, '\0'};
      defer_diagnostic(f, static_cast<int>(gen_err::bad_macro_operator), static_cast<int>(out.size()) + 1, shown);
      continue;
    }
    if (m.run(*row, text, i) && m.ops.size > 0) m.insert_number(m.at(0));
  }
}
