// ide_lines_fuzz.cpp — random console output through the IDE agent: whatever
// bytes the assembler writes, in whatever pieces and through whichever console
// entry, the agent must send well-framed records and exactly one exit record,
// with texts within their limits, never crash, and never trip a sanitizer.
//
// Two ways to run it, both meant for the sanitizer build (-DQASM_SANITIZE=ON):
//   built with clang and -DQASM_LIBFUZZER=ON: a libFuzzer target
//     ./ide_lines_fuzz -max_len=20000 corpus/
//   otherwise: a random driver
//     ./ide_lines_fuzz [seconds] [seed]
// The driver keeps the console bytes being fed in ide_lines_fuzz_current.bin.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "driver/ide/console_agent.h"
#include "driver/ide/console_lines.h"
#include "support/capture.h"
#include "support/ide_records.h"

namespace {

[[noreturn]] void fault(const char* what, const std::string& console) {
  std::fprintf(stderr, "ide_lines_fuzz: %s\n--- console ---\n%s\n", what, console.c_str());
  std::abort();
}

// What must hold for any record stream the agent wrote.
void check(const std::string& console) {
  const ide_stream s = parse_ide_output(console);
  if (!s.ok()) fault(s.error.c_str(), console);
  if (s.exit_records != 1) fault("not exactly one exit record", console);
  for (const ide_record& r : s.records) {
    if (r.kind != "COM") fault("a record other than a comment", console);
    const std::size_t limit = r.type == 2 || r.type == 3 ? kMaxRecordText + 1 : kMaxRecordText;
    if (r.text.size() > limit) fault("record text beyond the limit", console);
    if ((r.type == 10 || r.type == 11) && r.text.rfind(r.type == 11 ? "Error" : "Warning", 0) != 0)
      fault("diagnostic record whose text does not start with its type word", console);
    if (r.type == 0 && !r.text.empty()) fault("record of type 0 with a text", console);
  }
}

// Feeds `bytes` to a fresh agent in pieces chosen by `choose` (through the
// three console entries), leaves through the exit entry and checks the records.
template <typename Choose>
void feed(const std::string& bytes, Choose choose) {
  capture_table cap;
  {
    WtConsoleAgentExe agent{cap.table, 1};
    const output_table& t = agent.table();
    std::size_t at = 0;
    while (at < bytes.size()) {
      const unsigned how = choose();
      const std::size_t n = std::min<std::size_t>(bytes.size() - at, 1 + how % 300);
      switch (how % 3) {
        case 0: t.block_write(bytes.data() + at, 1, n, how & 8 ? t.std_err : t.std_out); break;
        case 1: t.write_char(static_cast<unsigned char>(bytes[at]), t.std_out); break;
        default: {
          const std::string piece = bytes.substr(at, n);
          out_print(t, "%.*s", static_cast<int>(n), piece.c_str());
          break;
        }
      }
      at += how % 3 == 1 ? 1 : n;
    }
    try {
      t.exit(0);
    } catch (const capture_exit&) {
    }
  }
  check(cap.console);
  for (std::size_t start = 0; start <= bytes.size();) {  // the classifier alone, line by line
    const std::size_t end = std::min(bytes.find('\n', start), bytes.size());
    const std::string line = bytes.substr(start, end - start);
    const console_line c = classify_console_line(line);
    if (c.sets_column && c.column < 0) fault("negative column", line);
    start = end + 1;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  unsigned step = 0;
  feed(bytes, [&] { return step = step * 1103515245u + 12345u + static_cast<unsigned>(size); });
  return 0;
}

#ifndef QASM_LIBFUZZER

#include <chrono>
#include <fstream>
#include <random>

namespace {

// Pieces of console lines: markers, headings, type words, quotes, numbers.
const char* const kPieces[] = {
    "\xC0", "\xC1", "\xC2", "\xC3", "\xC8", "\xC9", "\n", "\n", "\r", "\"", "\"a.s26\"", "\",", ",",
    "12", "-7", "99999999999999999999", "  ", " ", "Error[", "Error:", "Warning[", "Warning:", "40]: ",
    "Bad instruction", "#message", "#message: ", "\\", "\\\"", "\b", "\f", "\t", "\x01", "\xff", "\x80",
    "Errors:   0", "$$TOOL_END", " $$TOOL_EXIT", "$$TOOL_BEGIN", "%", "%s", "%n",
};

std::string generate(std::mt19937_64& rng) {
  std::string s;
  const int parts = static_cast<int>(rng() % 200);
  for (int p = 0; p < parts; ++p) {
    const unsigned pick = static_cast<unsigned>(rng() % 100);
    if (pick < 85) s += kPieces[rng() % (sizeof kPieces / sizeof kPieces[0])];
    else if (pick < 95) s += static_cast<char>(rng() % 256);
    else if (pick < 99) s.append(1 + rng() % 3000, "p/\"E"[rng() % 4]);  // long runs
    else s.append(1 + rng() % 6000, 'w');
  }
  return s;
}

}  // namespace

int main(int argc, char** argv) {
  const double seconds = argc > 1 ? std::atof(argv[1]) : 60;
  const uint64_t seed = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 1;
  std::mt19937_64 rng(seed);
  long runs = 0;
  std::size_t bytes_fed = 0;
  const auto start = std::chrono::steady_clock::now();
  while (std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() < seconds) {
    const std::string input = generate(rng);
    {
      std::ofstream keep("ide_lines_fuzz_current.bin", std::ios::binary | std::ios::trunc);
      keep << input;
    }
    feed(input, [&] { return static_cast<unsigned>(rng()); });
    ++runs;
    bytes_fed += input.size();
  }
  std::printf("%ld inputs, %zu bytes (seed %llu): all records well formed\n", runs, bytes_fed,
              static_cast<unsigned long long>(seed));
  std::remove("ide_lines_fuzz_current.bin");
  return 0;
}

#endif
