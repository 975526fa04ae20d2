// macro_bench.cpp — expanded lines against the same lines written out (A10,
// M10): pass 1 of three sources, each beside a source holding exactly the
// lines its expansions make:
//   rept   REPT 100000 of NOP;
//   calls  100,000 calls of a macro with 10 formals and a LOCAL label;
//   repti  REPTI with 1,000 actuals over a 100-line body.
// Each pair runs twice: with the real instruction path (operand grammar,
// matching and the statement's instruction record), and with a path that only
// reads the rest of the line, where the expansion's own cost shows most.
// Reported: statements per second, arena bytes per statement, and the CPU
// time per line of the expanding source over that of the written one.
//
//   ninja -C build macro_bench && ./build/macro_bench [rept|calls|repti]
//
// The sources are written to /tmp/qasm_macro_bench_*.s26.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench_support.h"
#include "directives/segments.h"
#include "driver/context.h"
#include "driver/statement_loop.h"
#include "driver/stops.h"
#include "expr/expression.h"
#include "source/char_source.h"
#include "source/lexer.h"
#include "source/preprocessor.h"
#include "target/target.h"

namespace {

struct run_result {
  double cpu;
  long statements;
  long arena;
  int errors;
};

statement_path g_instruction = nullptr;  // the real path, wrapped below

// The real instruction path; the location is set back before the segment's
// 64 KiB are full, so that 100,000 NOPs fit in one segment of either source.
void instruction_in_one_segment(asm_context& cx, const statement_call& call) {
  g_instruction(cx, call);
  if (cx.segs.current != nullptr && cx.segs.current->location > 0xF000) cx.segs.current->location = 0;
}

// Operands left to the statement loop, which reads the line to its end.
void read_only(asm_context&, const statement_call&) {}

run_result pass1(const output_table& out, const char* path, bool full) {
  asm_context cx(out);
  for (auto& entry : cx.driver.opt.warning_enable_table) entry = 1;
  cx.driver.files.source = out.open_file(path, "rt");
  cx.driver.files.source_name = path;
  cx.driver.include_paths = {""};
  run_result r{};
  try {
    start_in_code_segment(cx);
    g_instruction = cx.stmt.instruction;
    cx.stmt.instruction = full ? instruction_in_one_segment : read_only;
    cx.driver.pass1 = 1;
    start_preprocessor(cx);
    const long arena0 = cx.mem.bytes_taken;
    const double c0 = cpu_seconds();
    statement_loop(cx);
    r = run_result{cpu_seconds() - c0, cx.stmt.statements, cx.mem.bytes_taken - arena0, cx.driver.module_errors};
  } catch (const run_stop& stop) {
    std::fprintf(stderr, "%s: run stopped with %d\n", path, stop.exit_code);
    std::exit(1);
  }
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

run_result best_of(const output_table& out, const char* path, bool full) {
  run_result best{1e9, 0, 0, 0};
  for (int rep = 0; rep < 5; ++rep) {
    const run_result r = pass1(out, path, full);
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
  std::printf("%-6s %-5s %-9s %9s %9s %12s %13s\n", "case", "path", "source", "lines", "cpu [s]", "lines/s",
              "arena B/line");
  for (const bench_case& c : {rept_case(), calls_case(), repti_case()}) {
    if (!only.empty() && only != c.name) continue;
    const std::string expanding = std::string("/tmp/qasm_macro_bench_") + c.name + ".s26";
    const std::string written = std::string("/tmp/qasm_macro_bench_") + c.name + "_written.s26";
    write_text_file(out, expanding.c_str(), c.expanding);
    write_text_file(out, written.c_str(), c.written);
    for (const bool full : {true, false}) {
      const char* path_name = full ? "full" : "read";
      const run_result e = best_of(out, expanding.c_str(), full);
      const run_result w = best_of(out, written.c_str(), full);
      for (const auto& [label, r] : {std::pair{"expanded", e}, std::pair{"written", w}})
        std::printf("%-6s %-5s %-9s %9ld %9.3f %12.0f %13.0f\n", c.name, path_name, label, r.statements, r.cpu,
                    static_cast<double>(r.statements) / r.cpu, static_cast<double>(r.arena) / r.statements);
      std::printf("%-6s %-5s expanded / written: %.2f (cpu per line)\n", c.name, path_name,
                  (e.cpu / e.statements) / (w.cpu / w.statements));
    }
  }
  return 0;
}
