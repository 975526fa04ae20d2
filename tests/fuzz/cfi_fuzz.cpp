// cfi_fuzz.cpp — bad input for the CFI directive: sources made of random CFI
// lines (names, common and data blocks, rules with nested expressions, code
// between them, segment switches and module ends) must give diagnostics and
// an orderly end, never a crash, a sanitizer report or a hang; and the CFI
// record written for each module must read back whole. Pass 1 runs in process
// with stand-ins for what the assembler does not have yet: SEG_CODE, SEG_DATA
// and SEG_CODE2 switch segments, NOP and MOVW move the location counter.
//
// Two ways to run it, both meant for the sanitizer build:
//   built with clang and -DQASM_LIBFUZZER=ON: a libFuzzer target
//     ./cfi_fuzz -max_len=8192 corpus/ tests/golden/cfi
//   otherwise: a random and mutating driver
//     ./cfi_fuzz [seconds] [seed]
// The driver keeps the input being assembled in cfi_fuzz_current.s26.
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "cfi/cfi_record.h"
#include "cfi/cfi_stand_ins.h"
#include "cfi/cfi_state.h"
#include "driver/context.h"
#include "driver/stops.h"
#include "expr/expression.h"
#include "source/char_source.h"
#include "source/preprocessor.h"
#include "driver/statement_loop.h"
#include "fuzz_support.h"

namespace {

constexpr const char* kSourceName = "fuzz.s26";

// The module's record must read back whole. True when there was one.
bool check_record(asm_context& cx, const std::string& console) {
  const std::vector<uint8_t> rec = cfi_module_record(cx);
  if (rec.empty()) return false;
  std::vector<std::string> lines;
  const uint32_t length = uint32_t{rec[1]} << 24 | uint32_t{rec[2]} << 16 | uint32_t{rec[3]} << 8 | rec[4];
  if (rec[0] != kCfiRecordTag || length != rec.size() - 5 || !decode_cfi_body(rec.data() + 5, rec.size() - 5, lines)) {
    std::fprintf(stderr, "CFI record does not read back: %s\n%s\n", lines.empty() ? "" : lines.back().c_str(),
                 console.c_str());
    std::abort();
  }
  return true;
}

// Assembles one input; returns the number of CFI records it produced.
int assemble(const uint8_t* data, size_t size) {
  capture_table cap;
  cap.files[kSourceName] = std::string(reinterpret_cast<const char*>(data), size);
  fuzz::memory_only(cap);  // a fuzzed "$/dev/stdin" must not block
  asm_context cx(cap.table);
  for (auto& entry : cx.driver.opt.warning_enable_table) entry = 1;
  cx.driver.files.source = cap.table.open_file(kSourceName, "rt");
  cx.driver.files.source_name = kSourceName;
  cx.driver.include_paths = {""};
  int records = 0;
  try {
    source_start(cx);
    start_statements(cx);
    register_operators(cx);
    start_preprocessor(cx);
    cfi_stand_ins::install(cx);
    cx.driver.pass1 = 1;
    for (int module = 0; module < 64 && !cx.driver.program_ended; ++module) {
      cx.driver.module_ended = 0;
      statement_loop(cx);
      cx.driver.pass1 = 0;
      records += check_record(cx, cap.console) ? 1 : 0;
      cx.driver.pass1 = 1;
      cfi_reset_module(cx);
      if (!cx.driver.module_ended) break;  // the end of the input
    }
    end_preprocessor_pass(cx);
  } catch (const run_stop&) {
  }
  close_include_files(cx);
  if (cx.driver.files.source != nullptr) cap.table.close_file(cx.driver.files.source);
  return records;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  assemble(data, size);
  return 0;
}

#ifndef QASM_LIBFUZZER

#include <chrono>
#include <fstream>
#include <random>
#include <unistd.h>

namespace {

// clang-format off
const char* const kWords[] = {
    "NAMES", "ENDNAMES", "EXTENDS", "COMMON", "ENDCOMMON", "USING", "BLOCK", "ENDBLOCK", "STACKFRAME",
    "STATICOVERLAYFRAME", "BASEADDRESS", "RESOURCE", "VIRTUALRESOURCE", "RESOURCEPARTS", "FRAMECELL", "CODEALIGN",
    "DATAALIGN", "RETURNADDRESS", "FUNCTION", "NOFUNCTION", "PICKER", "CONDITIONAL", "REMEMBERSTATE", "RESTORESTATE",
    "VALID", "INVALID", "UNDEFINED", "SAMEVALUE", "CONCAT", "FRAME", "USED", "NOTUSED", "LITERAL", "LOAD", "if", "add",
    "(", ")", ",", ":", "+", "-", "\"s\"", "1.5", "#", "$", "\\",
};
const char* const kNumbers[] = {
    "0", "1", "2", "3", "4", "5", "-1", "-2", "-4", "255", "256", "257", "-256", "-257", "65535", "65536",
    "2147483647", "-2147483648", "2147483648", "4294967296", "0FFFFFFFFFFFFFFFFH", "9223372036854775807", "'A'",
};
const char* const kOperators[] = {
    "UMINUS", "COMPLEMENT", "NOT", "ADD", "SUB", "MUL", "DIV", "MOD", "XOR", "AND", "OR", "LSHIFT", "RSHIFTL",
    "RSHIFTA", "EQ", "NEQ", "LT", "LE", "GT", "GE", "IF", "FOO",
};
const char* const kDataWords[] = {"PICKER", "CONDITIONAL", "REMEMBERSTATE", "RESTORESTATE", "VALID", "INVALID"};
const char* const kNames[] = {"A", "X", "AX", "SP", "PC", "R0", "R1", "R2", "CFA", "F0", "OVL", "CELL", "Q"};
// clang-format on

template <std::size_t N>
const char* pick(std::mt19937_64& rng, const char* const (&from)[N]) { return from[rng() % N]; }

std::string block_name(std::mt19937_64& rng, char kind) { return std::string(1, kind) + std::to_string(rng() % 3); }

std::string expression(std::mt19937_64& rng, int depth) {
  const unsigned k = static_cast<unsigned>(rng() % (depth > 6 ? 3 : 9));
  switch (k) {
    case 0: return pick(rng, kNumbers);
    case 1: return pick(rng, kNames);
    case 2: return "FRAME(" + std::string(pick(rng, kNames)) + ", " + pick(rng, kNumbers) + ")";
    case 3: return "LOAD(" + std::string(pick(rng, kNumbers)) + ", " + expression(rng, depth + 1) + ")";
    case 4: return expression(rng, depth + 1) + (rng() % 2 ? " + " : " - ") + expression(rng, depth + 1);
    case 5: return "(" + expression(rng, depth + 1) + ")";
    case 6: return "LITERAL(" + std::string(pick(rng, kNumbers)) + ")";
    default: {
      std::string e = std::string(pick(rng, kOperators)) + "(";
      const int n = static_cast<int>(rng() % 4);
      for (int i = 0; i < n; ++i) e += (i ? ", " : "") + expression(rng, depth + 1);
      return e + ")";
    }
  }
}

std::string rule(std::mt19937_64& rng) {
  switch (rng() % 8) {
    case 0: return "UNDEFINED";
    case 1: return "SAMEVALUE";
    case 2: return "CONCAT";
    case 3: return rng() % 2 ? "USED" : "NOTUSED";
    case 4: return "FRAME(CFA, " + std::string(pick(rng, kNumbers)) + ")";
    case 5:
      if (rng() % 20 == 0) {  // far past the nesting limit
        const int n = 200 + static_cast<int>(rng() % 400);
        std::string e;
        for (int i = 0; i < n; ++i) e += "NOT(";
        return e + "SP" + std::string(static_cast<std::size_t>(n), ')');
      }
      [[fallthrough]];
    default: return expression(rng, 0);
  }
}

// One line: mostly well-formed directives over a few shared names, so that
// blocks open, refer to each other and close; sometimes a jumble of words.
std::string line(std::mt19937_64& rng) {
  const std::string ref = rng() % 8 == 0 ? "(" + block_name(rng, 'b') + ") " : "";
  switch (rng() % 24) {
    case 0: return "  CFI NAMES " + block_name(rng, 'n') + (rng() % 3 == 0 ? " EXTENDS " + block_name(rng, 'n') : "");
    case 1: return "  CFI ENDNAMES " + block_name(rng, 'n');
    case 2: return "  CFI RESOURCE A:1, X:1, AX:2, SP:2, PC:" + std::string(pick(rng, kNumbers));
    case 3: return "  CFI RESOURCEPARTS AX A, X";
    case 4: return "  CFI STACKFRAME CFA SP" + std::string(rng() % 2 ? ", F0 R0" : "");
    case 5: return rng() % 2 ? "  CFI STATICOVERLAYFRAME OVL SEG" : "  CFI BASEADDRESS F0";
    case 6: return "  CFI FRAMECELL CELL:" + std::string(pick(rng, kNumbers)) + " CFA " + pick(rng, kNumbers);
    case 7:
      return "  CFI COMMON " + block_name(rng, 'c') + (rng() % 3 == 0 ? " EXTENDS " + block_name(rng, 'c') : "") +
             " USING " + block_name(rng, 'n');
    case 8: return "  CFI ENDCOMMON " + block_name(rng, 'c');
    case 9:
      return std::string("  CFI ") + (rng() % 2 ? "CODEALIGN " : "DATAALIGN ") + pick(rng, kNumbers);
    case 10: return "  CFI RETURNADDRESS " + std::string(pick(rng, kNames));
    case 11: return "  CFI BLOCK " + block_name(rng, 'b') + " USING " + block_name(rng, 'c');
    case 12: return "  CFI " + ref + "ENDBLOCK " + block_name(rng, 'b');
    case 13: return "  CFI " + ref + (rng() % 2 ? "FUNCTION main" : "NOFUNCTION");
    case 14: return "  CFI " + ref + pick(rng, kDataWords);
    case 15:
    case 16:
    case 17: return "  CFI " + ref + pick(rng, kNames) + " " + rule(rng);
    case 18: return rng() % 2 ? "  NOP" : "  MOVW";
    case 19: return rng() % 3 == 0 ? "  SEG_DATA" : rng() % 2 ? "  SEG_CODE2" : "  SEG_CODE";
    case 20: return rng() % 4 == 0 ? "  END" : "  ENDMOD";
    case 21: return "main:";
    default: {
      std::string s = "  CFI";
      const int n = static_cast<int>(rng() % 8);
      for (int i = 0; i < n; ++i) s += std::string(" ") + (rng() % 2 ? pick(rng, kWords) : pick(rng, kNames));
      return s;
    }
  }
}

std::string generate(std::mt19937_64& rng) {
  std::string s = rng() % 2 ? "  SEG_CODE\n" : "";
  const int lines = 1 + static_cast<int>(rng() % 80);
  for (int i = 0; i < lines; ++i) s += line(rng) + "\n";
  return s;
}

std::string mutate(std::mt19937_64& rng, std::string s) {
  const int edits = 1 + static_cast<int>(rng() % 8);
  for (int e = 0; e < edits; ++e) {
    const std::size_t at = s.empty() ? 0 : rng() % (s.size() + 1);
    switch (rng() % 4) {
      case 0:
        if (at < s.size()) s[at] = static_cast<char>(rng() % 256);
        break;
      case 1: s.insert(at, line(rng) + "\n"); break;
      case 2: s.erase(at, rng() % 16); break;
      default: s.insert(at, std::string(" ") + pick(rng, kWords)); break;
    }
  }
  return s;
}

}  // namespace

int main(int argc, char** argv) {
  const double seconds = argc > 1 ? std::atof(argv[1]) : 60;
  const uint64_t seed = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 1;
  long with_record = 0;
  const long runs = fuzz::drive(
      seconds, seed, "cfi_fuzz_current.s26",
      "cfi_fuzz: one input ran for more than 20 s (hang); see cfi_fuzz_current.s26\n",
      [](std::mt19937_64& rng) {
        std::string input = generate(rng);
        return rng() % 3 == 0 ? mutate(rng, input) : input;
      },
      [&](const std::string& input, long) {
        with_record += assemble(reinterpret_cast<const uint8_t*>(input.data()), input.size()) > 0 ? 1 : 0;
      });
  std::printf("%ld inputs (seed %llu), %ld with a CFI record read back, no fault\n", runs,
              static_cast<unsigned long long>(seed), with_record);
  return 0;
}

#endif
