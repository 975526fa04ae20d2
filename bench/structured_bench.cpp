// structured_bench.cpp — generated lines against the same lines written by
// hand (B05, A03): N constructs "IFS BC == CNT / NOP / ENDIFS" for the 78K0S
// (the longest compare, through memory) run through pass 1, and a source
// holding exactly the lines they expand into; pass 1 with the real
// instruction set, so every line is matched to its form.
//
//   ninja -C build structured_bench && ./build/structured_bench [constructs [directives|by-hand]]
//
// The sources are written to /tmp/qasm_structured_{directives,by_hand}.s26.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

#include "bench_support.h"
#include "target/target_state.h"
#include "driver/context.h"
#include "driver/passes.h"
#include "driver/stops.h"
#include "source/char_source.h"
#include "driver/statement_loop.h"
#include "target/structured.h"

namespace {

constexpr int kProcessor = 2;  // -v2

// A segment of its own every 2,000 constructs, so that none passes 64 KiB.
std::string segment_line(long construct) {
  return construct % 2000 == 0 ? "        RSEG    CODE" + std::to_string(construct / 2000) + "\n" : std::string();
}

// The hand-written source: each construct's lines as the expansion makes them.
std::string by_hand(const output_table& out, long constructs) {
  asm_context cx(out);
  cx.driver.opt.processor_option = kProcessor;
  init_symbol_table(cx);
  register_structured_directives(cx);
  std::string text;
  for (long i = 0; i < constructs; ++i) {
    text += segment_line(i);
    expand_structured_statement(cx, "IFS", " BC == CNT", 12);
    text += target_of(cx).structured.text;
    text += "        NOP\n";
    expand_structured_statement(cx, "ENDIFS", "", 15);
    text += target_of(cx).structured.text;
  }
  return text + "        END\n";
}

struct run_result {
  double cpu;
  long statements;
  int errors;
};

run_result pass1(const output_table& out, const char* path) {
  asm_context cx(out);
  for (auto& entry : cx.driver.opt.warning_enable_table) entry = 1;
  cx.driver.opt.processor_option = kProcessor;
  cx.driver.files.source = out.open_file(path, "rt");
  cx.driver.files.source_name = path;
  cx.driver.include_paths = {""};
  source_start(cx);
  start_assembly(cx);
  start_module(cx);
  cx.driver.pass1 = 1;
  const double c0 = cpu_seconds();
  statement_loop(cx);
  end_structured_pass(cx);
  run_result r{cpu_seconds() - c0, cx.stmt.statements, cx.driver.module_errors};
  out.close_file(cx.driver.files.source);
  cx.driver.files.source = nullptr;
  return r;
}

}  // namespace

int main(int argc, char** argv) {
  const long constructs = argc > 1 ? std::atol(argv[1]) : 50000;
  const std::string only = argc > 2 ? argv[2] : "";  // time one source alone (for a profiler)
  const output_table out = standard_output_table();
  std::string directives;
  for (long i = 0; i < constructs; ++i)
    directives += segment_line(i) + "        IFS     BC == CNT\n        NOP\n        ENDIFS\n";
  directives += "        END\n";
  const char* kDirectives = "/tmp/qasm_structured_directives.s26";
  const char* kByHand = "/tmp/qasm_structured_by_hand.s26";
  write_text_file(out, kDirectives, directives);
  write_text_file(out, kByHand, by_hand(out, constructs));

  std::printf("%ld constructs IFS BC == CNT / NOP / ENDIFS on the 78K0S; best of 5 runs of pass 1\n", constructs);
  std::printf("%-12s %12s %12s %16s\n", "source", "statements", "cpu [s]", "statements/s");
  double best[2] = {1e9, 1e9};
  for (int which = 0; which < 2; ++which) {
    if (!only.empty() && only != (which == 0 ? "directives" : "by-hand")) continue;
    const char* path = which == 0 ? kDirectives : kByHand;
    run_result keep{};
    for (int rep = 0; rep < 5; ++rep) {
      keep = pass1(out, path);
      if (keep.errors != 0) {
        std::fprintf(stderr, "unexpected: %d errors in %s\n", keep.errors, path);
        return 1;
      }
      best[which] = std::min(best[which], keep.cpu);
    }
    std::printf("%-12s %12ld %12.3f %16.0f\n", which == 0 ? "directives" : "by hand", keep.statements, best[which],
                static_cast<double>(keep.statements) / best[which]);
  }
  if (only.empty()) std::printf("directives / by hand: %.2f (cpu)\n", best[0] / best[1]);
  return 0;
}
