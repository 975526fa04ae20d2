// macro_bench.cpp — expanded lines against the same lines written out (A10,
// M10): pass 1 of three sources, each beside a source holding exactly the
// lines its expansions make:
//   rept   REPT 100000 of NOP;
//   calls  100,000 calls of a macro with 10 formals and a LOCAL label;
//   repti  REPTI with 1,000 actuals over a 100-line body.
// Mnemonics are registered without an instruction path, so every line is read
// to its end. Reported: lines per second and arena bytes per line.
//
//   ninja -C build macro_bench && ./build/macro_bench [rept|calls|repti]
//
// The sources are written to /tmp/qasm_macro_bench_*.s26.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

#include "driver/context.h"
#include "driver/statement_loop.h"
#include "driver/stops.h"
#include "source/char_source.h"

namespace {

constexpr const char* kMnemonics[] = {"NOP", "MOV", "MOVW", "ADD", "BR", "CMP"};

double cpu_seconds() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

void write_file(const output_table& out, const char* path, const std::string& text) {
  qfile* f = out.open_file(path, "w");
  if (f == nullptr) {
    std::fprintf(stderr, "cannot write %s\n", path);
    std::exit(1);
  }
  out.block_write(text.data(), 1, text.size(), f);
  out.close_file(f);
}

struct run_result {
  double cpu;
  long statements;
  long arena;
  int errors;
};

run_result pass1(const output_table& out, const char* path) {
  asm_context cx(out);
  for (auto& entry : cx.driver.opt.warning_enable_table) entry = 1;
  cx.driver.files.source = out.open_file(path, "rt");
  cx.driver.files.source_name = path;
  cx.driver.include_paths = {""};
  source_start(cx);
  start_statements(cx);
  int index = 1;
  for (const char* m : kMnemonics) init_mnemonic(cx, m, index++, nullptr);
  cx.driver.pass1 = 1;
  const long arena0 = cx.mem.bytes_taken;
  const double c0 = cpu_seconds();
  statement_loop(cx);
  run_result r{cpu_seconds() - c0, cx.stmt.statements, cx.mem.bytes_taken - arena0, cx.driver.module_errors};
  out.close_file(cx.driver.files.source);
  cx.driver.files.source = nullptr;
  return r;
}

// One comparison: the expanding source and the source written out.
struct bench_case {
  const char* name;
  std::string expanding;
  std::string written;
};

bench_case rept_case() {
  std::string written;
  for (int i = 0; i < 100000; ++i) written += "        NOP\n";
  return {"rept", "        REPT    100000\n        NOP\n        ENDR\n        END\n", written + "        END\n"};
}

bench_case calls_case() {
  std::string text = "STEP    MACRO   a0,a1,a2,a3,a4,a5,a6,a7,a8,a9\n        LOCAL   HERE\n"
                     "HERE:   MOV     A,#a0+a1\n        ADD     A,#a2+a3+a4\n        CMP     A,#a5\n"
                     "        MOVW    AX,#a6+a7+a8+a9\n        BR      HERE\n        ENDM\n";
  std::string written;
  for (int i = 0; i < 100000; ++i) {
    text += "        STEP    1,2,3,4,5,6,7,8,9," + std::to_string(i % 1000) + "\n";
    const std::string label = "H" + std::to_string(i);
    written += label + ":   MOV     A,#1+2\n        ADD     A,#3+4+5\n        CMP     A,#6\n"
                       "        MOVW    AX,#7+8+9+" + std::to_string(i % 1000) + "\n        BR      " + label + "\n";
  }
  return {"calls", text + "        END\n", written + "        END\n"};
}

bench_case repti_case() {
  std::string text = "        REPTI   V";
  for (int i = 0; i < 1000; ++i) text += "," + std::to_string(i);
  text += "\n";
  std::string written;
  for (int j = 0; j < 100; ++j) text += "        MOV     A,#V+" + std::to_string(j) + "\n";
  text += "        ENDR\n        END\n";
  for (int i = 0; i < 1000; ++i)
    for (int j = 0; j < 100; ++j) written += "        MOV     A,#" + std::to_string(i) + "+" + std::to_string(j) + "\n";
  return {"repti", text, written + "        END\n"};
}

run_result best_of(const output_table& out, const char* path) {
  run_result best{1e9, 0, 0, 0};
  for (int rep = 0; rep < 5; ++rep) {
    const run_result r = pass1(out, path);
    if (r.errors != 0) {
      std::fprintf(stderr, "unexpected: %d errors in %s\n", r.errors, path);
      std::exit(1);
    }
    if (r.cpu < best.cpu) best = r;
  }
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string only = argc > 1 ? argv[1] : "";
  const output_table out = standard_output_table();
  std::printf("pass 1, best of 5 runs; lines are statements made\n");
  std::printf("%-6s %-10s %10s %9s %14s %12s\n", "case", "source", "lines", "cpu [s]", "lines/s", "arena B/line");
  for (const bench_case& c : {rept_case(), calls_case(), repti_case()}) {
    if (!only.empty() && only != c.name) continue;
    const std::string expanding = std::string("/tmp/qasm_macro_bench_") + c.name + ".s26";
    const std::string written = std::string("/tmp/qasm_macro_bench_") + c.name + "_written.s26";
    write_file(out, expanding.c_str(), c.expanding);
    write_file(out, written.c_str(), c.written);
    const run_result e = best_of(out, expanding.c_str());
    const run_result w = best_of(out, written.c_str());
    for (const auto& [label, r] : {std::pair{"expanded", e}, std::pair{"written", w}})
      std::printf("%-6s %-10s %10ld %9.3f %14.0f %12.0f\n", c.name, label, r.statements, r.cpu,
                  static_cast<double>(r.statements) / r.cpu, static_cast<double>(r.arena) / r.statements);
    std::printf("%-6s expanded / written: %.2f (cpu per line)\n", c.name,
                (e.cpu / e.statements) / (w.cpu / w.statements));
  }
  return 0;
}
