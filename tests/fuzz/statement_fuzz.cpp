// statement_fuzz.cpp — bad input for the statement loop: any bytes as a source
// must give diagnostics and an orderly end (exit code 0 to 3), never a crash,
// a sanitizer report, an internal error or a hang. The whole run goes through
// qasm_main with an in-memory output table, so no file outside memory is read
// or written; every other run also writes a list file, whose diagnostics
// take a path of their own.
//
// Two ways to run it, both meant for the sanitizer build:
//   built with clang and -DQASM_LIBFUZZER=ON: a libFuzzer target
//     ./statement_fuzz -dict=tests/fuzz/statement.dict -max_len=4096 corpus/ tests/golden
//   otherwise: a random and mutating driver
//     ./statement_fuzz [seconds] [seed] [seed directories...]
//   and to run saved inputs again:
//     ./statement_fuzz --replay input.s26...
// The driver keeps the input being assembled in statement_fuzz_current.s26,
// so a crash or a hang leaves the input that caused it behind.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "driver/driver.h"
#include "fuzz_seeds.h"
#include "fuzz_support.h"

namespace {

constexpr const char* kListName = "fuzz.lst";

fuzz::tally g_tally;

int assemble(const uint8_t* data, size_t size, bool with_list) {
  // The options follow from the input's size, so that all three instruction
  // sets, multibyte reading and runs that go on past fatal errors are fuzzed,
  // and a saved input reproduces its run.
  const bool goes_on = size % 5 == 2;
  // A source that includes itself twice is read 2^10 times over when the
  // depth error does not stop the run: finite, but more than a fuzz run may
  // take. Going on past fatal errors, the source has a name its own include
  // lines do not find.
  std::string source = goes_on ? "fuzz!.s26" : "fuzz.s26";
  capture_table cap;
  cap.files[source] = std::string(reinterpret_cast<const char*>(data), size);
  fuzz::memory_only(cap);
  char program[] = "qasm";
  char option[] = "-v0";
  option[2] = static_cast<char>('0' + size % 3);
  char multibyte[] = "-nlocale=C.UTF-8";
  char go_on[] = "-c!";
  char list_option[] = "-l";
  char list[] = "fuzz.lst";
  char* argv[8] = {program, option};
  int argc = 2;
  if (size % 7 == 3) argv[argc++] = multibyte;
  if (goes_on) argv[argc++] = go_on;
  argv[argc++] = source.data();
  if (with_list) {
    argv[argc++] = list_option;
    argv[argc++] = list;
  }
  argv[argc] = nullptr;
  const int code = qasm_main(cap.table, argc, argv);
  fuzz::check_run(cap, code, kListName, g_tally);
  return code;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  assemble(data, size, size % 2 == 0);
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

// Pieces of the language and of its errors.
const char* const kFragments[] = {
    "END", "ENDMOD", "NAME", "MODULE", "PROGRAM", "LIBRARY", "CASEON", "CASEOFF", "end", "EnDmOd",
    "L1:", "L1", "?a@b:", "_x:", "XX", "NOP", "MOV A,#1", "CY:", "READ", "SADDR", "RB0", "S:", "N:",
    "0FFH", "FFH", "101B", "17Q", "17O", "0x", "0x1G", "0x1F", "12A", "1ULL", "1LUL", "4294967296",
    "99999999999999999999999", "1.5", "1.5E+3", "1.5E", "2.5e-1F", "1.0L", "1.5Q", "1.", "0.1",
    "\"str\"", "\"a\\x41\\101\\q\\n\"", "\"open", "'A'", "'AB'", "''''", "''", "'\\''", "\"\\", "\\",
    ";c", "//c", "/*", "*/", "/* x */", "<<", "<=", "<>", "==", ">=", ">>", "&&", "||", "!=", "##",
    "++", "--", "!>", "!<", "!.", "!+", "!x", "!^", "~", ".PAGE.", ".X.", "$", "#", "#define X 1",
    "@", "(", ")", "[", "]", ",", ":", "::", ".", "{", "}", "`", "\t", "\r", " ", "  ", "\n", "\\\n",
    "\x01", "\xe4", "\xff", "!X", "#if ", "#elif ", "#else", "#endif", "#ifdef X", "#undef X", "defined(",
    "0x10000000000000000", "((((((((((((((((((((", "))))))))))))))))))))", "#include \"fuzz.s26\"", "$fuzz.s26",
    "\xC3\xA9", "\xE2\x82\xAC", "\xE2\x82", "\xC3", "\x80", "\x81\\",
    // Instruction lines of both cores and their operand shapes.
    " MOV A,0FF10H", " MOV A,S:0FF10H", " MOV A,N:0FE30H", " MOVW AX,0FE21H", " ADD A,0FF30H", " INC 0FF30H",
    " BR $+129", " BR $-127", " BC L1", " BT 0FE20H.7,$", " BF A.8,L1", " DBNZ 0FE80H,$", " CALLF 0FFFH",
    " CALLT [41H]", " CALLT [7EH]", " SEL RB3", " ROL A,2", " MULU X", " DIVUW C", " SET1 0FE20H", " SET1 F.1",
    " XCH A,[DE]", " MOV [HL+C],A", " MOV1 CY,PSW.3", " XCHW AX,AX", " MOV A,A", " PUSH HL", " ADDW AX,#-1",
    "F EQU 0FE21H.5", "G = F", " sfr P0 = 0FF00H", " sfrp TM = 0FF10H", " const sfr P1 = 0FF01H",
    " SFRTYPE T0 READ, WORD = 1FF12H", " MOV P0,#1", " MOVW TM,AX", ",", "[HL+", "].", ".3",
    // Segments, data and symbols.
    " RSEG CODE", " RSEG VARS:DATA(1),100H", " COMMON C:NOROOT", " ASEG 10H", " ORG 0FFFEH", " ALIGN 3,0AAH",
    " EVEN", " ODD 1", " DS 10", " DS -1", " DB 1,\"ab\",L1,256", " DW L1-L1,EXT", " DP 123456H", " DD 1.5",
    " EXTERN EXT", " PUBLIC L1", " PUBWEAK L1", "X SET X+1", "Y DEFINE 3", " LIMIT 5,0,3,\"m\"", " RADIX 16",
    " RTMODEL \"k\",\"v\"", " FUNCTION L1,1", " ARGFRAME CODE,2,STACK", " SYMBOL \"s\"", " END L1",
};

std::string fragment(std::mt19937_64& rng) {
  const std::size_t n = sizeof kFragments / sizeof kFragments[0];
  const unsigned pick = static_cast<unsigned>(rng() % 100);
  if (pick < 80) return kFragments[rng() % n];
  if (pick < 90) return std::string(1, static_cast<char>(rng() % 256));
  if (pick < 95) return std::string(1 + rng() % 400, static_cast<char>('A' + rng() % 26));  // long names
  if (pick < 98) return std::string(1 + rng() % 40000, static_cast<char>("1x \"/"[rng() % 5]));  // long runs
  return std::to_string(rng());
}

// A source of lines built from fragments.
std::string generate(std::mt19937_64& rng) {
  std::string s;
  const int lines = 1 + static_cast<int>(rng() % 40);
  for (int i = 0; i < lines; ++i) {
    const int parts = static_cast<int>(rng() % 7);
    for (int p = 0; p < parts; ++p) {
      if (rng() % 3 == 0) s += ' ';
      s += fragment(rng);
    }
    if (rng() % 50 != 0) s += '\n';
  }
  if (rng() % 3 != 0) s += "        END\n";
  return s;
}

// A seed with byte flips, fragment insertions, deletions and repeated chunks.
std::string mutate(std::mt19937_64& rng, std::string s) {
  const int edits = 1 + static_cast<int>(rng() % 8);
  for (int e = 0; e < edits; ++e) {
    const std::size_t at = s.empty() ? 0 : rng() % (s.size() + 1);
    switch (rng() % 5) {
      case 0:
        if (!s.empty() && at < s.size()) s[at] = static_cast<char>(rng() % 256);
        break;
      case 1: s.insert(at, fragment(rng)); break;
      case 2: s.erase(at, rng() % 16); break;
      case 3: {
        const std::size_t len = rng() % 64;
        const std::string chunk = s.substr(at, len);
        s.insert(at, chunk + chunk);
        break;
      }
      default: s.insert(at, "\n"); break;
    }
  }
  return s;
}


}  // namespace

// Assembles saved inputs again, as the run that kept them did (once without
// and once with a list file), and says how each ended and how long it took.
int replay(int argc, char** argv) {
  for (int i = 2; i < argc; ++i) {
    std::ifstream in(argv[i], std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    const std::string input = text.str();
    for (const bool with_list : {false, true}) {
      const auto start = std::chrono::steady_clock::now();
      const int code = assemble(reinterpret_cast<const uint8_t*>(input.data()), input.size(), with_list);
      std::printf("%s%s: exit %d, %.3f s\n", argv[i], with_list ? " -l" : "", code,
                  std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
  }
  return 0;
}

int main(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], "--replay") == 0) return replay(argc, argv);
  const double seconds = argc > 1 ? std::atof(argv[1]) : 60;
  const uint64_t seed = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 1;
  std::vector<std::string> seeds = load_seeds(argc, argv, 3);
  long by_code[4] = {};
  std::size_t longest = 0;
  const long runs = fuzz::drive(
      seconds, seed, "statement_fuzz_current.s26",
      "statement_fuzz: one input ran for more than 20 s (hang); see statement_fuzz_current.s26\n",
      [&](std::mt19937_64& rng) {
        std::string input =
            (!seeds.empty() && rng() % 2 == 0) ? mutate(rng, seeds[rng() % seeds.size()]) : generate(rng);
        return rng() % 4 == 0 ? mutate(rng, input) : input;
      },
      [&](const std::string& input, long index) {
        ++by_code[assemble(reinterpret_cast<const uint8_t*>(input.data()), input.size(), index % 2 == 0)];
        longest = std::max(longest, input.size());
      });
  std::printf("%ld inputs (seed %llu, %zu seed files, longest %zu bytes): exit 0: %ld, 1: %ld, 2: %ld, 3: %ld\n",
              runs, static_cast<unsigned long long>(seed), seeds.size(), longest, by_code[0], by_code[1], by_code[2],
              by_code[3]);
  return 0;
}

#endif
