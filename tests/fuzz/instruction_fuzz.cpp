// instruction_fuzz.cpp — bad and odd instruction lines through both passes:
// pass 1 of the statement loop, the re-solving after it, and the encoding of
// every instruction statement, in one process with an in-memory output
// table. Any input must end in diagnostics, never a crash, a sanitizer report,
// a hang or a byte count that differs from the one fixed in pass 1.
//
//   built with clang and -DQASM_LIBFUZZER=ON: a libFuzzer target
//     ./instruction_fuzz -dict=tests/fuzz/statement.dict corpus/ tests/golden/instructions
//   otherwise: a random and mutating driver
//     ./instruction_fuzz [seconds] [seed] [seed directories...]
// The driver keeps the input being assembled in instruction_fuzz_current.s26.
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "directives/segments.h"
#include "driver/code_sink.h"
#include "driver/context.h"
#include "driver/statement.h"
#include "driver/stops.h"
#include "expr/expression.h"
#include "source/lexer.h"
#include "source/preprocessor.h"
#include "fuzz_support.h"
#include "target/target.h"

namespace {

constexpr const char* kSourceName = "fuzz.s26";

// Pass 1, re-solving and encoding; the processor option and the segment (the
// absolute one or a relocatable one) follow from the input's size.
void assemble(const uint8_t* data, size_t size) {
  capture_table cap;
  cap.files[kSourceName] = std::string(reinterpret_cast<const char*>(data), size);
  asm_context cx(cap.table);
  for (auto& entry : cx.driver.opt.warning_enable_table) entry = 1;
  cx.driver.opt.processor_option = static_cast<int>(size % 3);
  cx.driver.files.source = cap.table.open_file(kSourceName, "rt");
  cx.driver.files.source_name = kSourceName;
  cx.driver.include_paths = {""};
  try {
    source_start(cx);
    init_lexer(cx);
    start_statements(cx);
    register_operators(cx);
    reset_segments(cx);
    cx.expr.reset_for_module();
    if (size % 2 == 1) switch_segment(cx, new_segment(cx, check_ident(cx, "?CODE", 5), SEG_RELOCATABLE));
    cx.driver.pass1 = 1;
    start_preprocessor(cx);
    statement_loop(cx);
    end_preprocessor_pass(cx);
    cx.driver.pass1 = 0;
    resolve_unsolved(cx);
    code_sink sink;
    for (statement_rec* s = cx.stmt.first; s != nullptr; s = s->next) {
      if (s->kind != stmt_kind::instruction) continue;
      sink.clear();
      const bool erroneous_before = is_erroneous(s);
      gen_instruction(cx, s, sink);
      if (!erroneous_before && sink.size() != static_cast<uint32_t>(s->byte_count)) {
        std::fprintf(stderr, "byte count %u, fixed in pass 1 as %d: %s\n", sink.size(), s->byte_count,
                     s->line != nullptr ? s->line->text : "");
        std::abort();
      }
    }
  } catch (const run_stop&) {
    // a fatal diagnostic ended the run in order; an internal error is a fault (below)
  }
  if (cap.console.find("I N T E R N A L") != std::string::npos) {
    std::fprintf(stderr, "internal error:\n%s\n", cap.console.c_str());
    std::abort();
  }
  close_include_files(cx);
  if (cx.driver.files.source != nullptr) cap.table.close_file(cx.driver.files.source);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  assemble(data, size);
  return 0;
}

#ifndef QASM_LIBFUZZER

#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <unistd.h>
#include <vector>

#include "fuzz_seeds.h"

namespace {

const char* const kMnemonics[] = {
    "ADD", "ADDC", "SUB", "SUBC", "AND", "OR", "XOR", "CMP", "ADDW", "SUBW", "CMPW", "MOV", "MOVW", "XCH",
    "XCHW", "INC", "DEC", "INCW", "DECW", "SET1", "CLR1", "NOT1", "MOV1", "AND1", "OR1", "XOR1", "BR", "BC",
    "BNC", "BZ", "BNZ", "BT", "BF", "BTCLR", "DBNZ", "CALL", "CALLF", "CALLT", "RET", "RETI", "RETB", "BRK",
    "ROL", "ROLC", "ROR", "RORC", "ROL4", "ROR4", "PUSH", "POP", "SEL", "NOP", "HALT", "STOP", "DI", "EI",
    "ADJBA", "ADJBS", "MULU", "DIVUW", "XX"};

const char* const kOperands[] = {
    "A", "X", "B", "C", "D", "E", "H", "L", "AX", "BC", "DE", "HL", "SP", "PSW", "CY", "RB0", "RB3", "R5", "RP2",
    "[HL]", "[DE]", "[HL+B]", "[HL+C]", "[HL+0]", "[HL+255]", "[HL+256]", "[DE+C]", "[40H]", "[41H]", "[7EH]",
    "[80H]", "[F1]", "#0", "#-128", "#255", "#256", "#-129", "#0FFFFH", "#10000H", "#L1", "#LOW L2", "#F1",
    "0FE20H", "0FE1FH", "0FF1FH", "0FF20H", "0FF00H", "0FFFFH", "0FE21H", "S:0FF30H", "N:0FE80H", "S:L1",
    "1234H", "0800H", "0FFFH", "1000H", "L1", "L2", "F1", "FWD", "UNDEF", "P0", "TM", "RO", "$", "$+129", "$-127",
    "$+130", "A.7", "A.8", "PSW.3", "[HL].1", "0FE20H.7", "0FE20H.8", "P0.1", "L1.2", "S:L1.2", "F1.1", "1", "2",
    "EXT", "EXT+1", "SFE CODE"};

const char* const kHeads[] = {
    "        sfr     P0 = 0FF00H\n", "        sfrp    TM = 0FF10H\n", "        const   sfr RO = 0FF21H\n",
    "F1      EQU     0FE21H.5\n",   "L1:\n",                         "FWD     EQU     0FE80H\n",
    "        SFRTYPE T0 READ = 1FF12H\n", "L2      =       L1+2\n"};

std::string generate(std::mt19937_64& rng) {
  std::string s;
  const int lines = 1 + static_cast<int>(rng() % 30);
  for (int i = 0; i < lines; ++i) {
    if (rng() % 6 == 0) {
      s += kHeads[rng() % (sizeof kHeads / sizeof kHeads[0])];
      continue;
    }
    s += "        ";
    s += kMnemonics[rng() % (sizeof kMnemonics / sizeof kMnemonics[0])];
    const int operands = static_cast<int>(rng() % 4);
    for (int o = 0; o < operands; ++o) {
      s += o == 0 ? " " : ",";
      s += kOperands[rng() % (sizeof kOperands / sizeof kOperands[0])];
    }
    s += '\n';
  }
  if (rng() % 4 != 0) s += "        END\n";
  return s;
}

std::string mutate(std::mt19937_64& rng, std::string s) {
  const int edits = 1 + static_cast<int>(rng() % 6);
  for (int e = 0; e < edits; ++e) {
    const std::size_t at = s.empty() ? 0 : rng() % (s.size() + 1);
    switch (rng() % 4) {
      case 0:
        if (at < s.size()) s[at] = static_cast<char>(rng() % 256);
        break;
      case 1: s.insert(at, kOperands[rng() % (sizeof kOperands / sizeof kOperands[0])]); break;
      case 2: s.erase(at, rng() % 8); break;
      default: s.insert(at, generate(rng)); break;
    }
  }
  return s;
}

}  // namespace

int main(int argc, char** argv) {
  const double seconds = argc > 1 ? std::atof(argv[1]) : 60;
  const uint64_t seed = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 1;
  const std::vector<std::string> seeds = load_seeds(argc, argv, 3);
  const long runs = fuzz::drive(
      seconds, seed, "instruction_fuzz_current.s26",
      "instruction_fuzz: one input ran for more than 20 s (hang); see instruction_fuzz_current.s26\n",
      [&](std::mt19937_64& rng) {
        std::string input =
            (!seeds.empty() && rng() % 2 == 0) ? mutate(rng, seeds[rng() % seeds.size()]) : generate(rng);
        return rng() % 4 == 0 ? mutate(rng, input) : input;
      },
      [](const std::string& input, long) { assemble(reinterpret_cast<const uint8_t*>(input.data()), input.size()); });
  std::printf("%ld inputs (seed %llu, %zu seed files)\n", runs, static_cast<unsigned long long>(seed), seeds.size());
  return 0;
}

#endif
