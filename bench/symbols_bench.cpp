// symbols_bench.cpp — the symbol table under the statement loop (A07, A03):
// N distinct labels defined and then referenced, once in increasing name order
// (the order that turns an unbalanced search tree into a list) and once in
// random order, plus the sorted walk a symbol listing makes.
//
//   ninja -C build symbols_bench && ./build/symbols_bench [labels]
//
// The sources are written to /tmp/qasm_symbols_{increasing,random}.s26.
#include <algorithm>
#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "bench_support.h"
#include "driver/context.h"
#include "driver/stops.h"
#include "driver/statement_loop.h"

namespace {

using clock_type = std::chrono::steady_clock;

double since(clock_type::time_point t0) { return std::chrono::duration<double>(clock_type::now() - t0).count(); }

// Definitions "Lnnnnnnn:" in the given order, then one reference line per
// label through a mnemonic whose operands the loop reads token by token.
void generate(const output_table& out, const char* path, const std::vector<long>& order) {
  std::string text;
  char line[64];
  for (long i : order) {
    std::snprintf(line, sizeof line, "L%07ld:\n", i);
    text += line;
  }
  for (long i : order) {
    std::snprintf(line, sizeof line, "        JMPX    L%07ld\n", i);
    text += line;
  }
  text += "        END\n";
  write_text_file(out, path, text);
}

struct run_result {
  double pass1;
  double pass1_cpu;
  double walk;
  long symbols;
  int errors;
};

void count_user(asm_context&, ident_node* node, void* user) {
  if (node->kind == KIND_USER) ++*static_cast<long*>(user);
}

run_result assemble_pass1(const output_table& out, const char* path) {
  asm_context cx(out);
  for (auto& entry : cx.driver.opt.warning_enable_table) entry = 1;
  cx.driver.files.source = out.open_file(path, "rt");
  cx.driver.files.source_name = path;
  cx.driver.include_paths = {""};
  source_start(cx);
  start_statements(cx);
  init_mnemonic(cx, "JMPX", 8, nullptr);  // a mnemonic with no instruction path yet
  cx.driver.pass1 = 1;
  run_result r{};
  const auto t0 = clock_type::now();
  const double c0 = cpu_seconds();
  statement_loop(cx);
  r.pass1_cpu = cpu_seconds() - c0;
  r.pass1 = since(t0);
  const auto t1 = clock_type::now();
  walk_symbols_sorted(cx, count_user, &r.symbols);
  r.walk = since(t1);
  r.errors = cx.driver.module_errors + (cx.driver.program_ended ? 0 : 1);
  out.close_file(cx.driver.files.source);
  cx.driver.files.source = nullptr;
  return r;
}

}  // namespace

int main(int argc, char** argv) {
  const long labels = argc > 1 ? std::atol(argv[1]) : 200000;
  const output_table out = standard_output_table();
  std::vector<long> increasing(labels);
  for (long i = 0; i < labels; ++i) increasing[i] = i;
  std::vector<long> shuffled = increasing;
  std::mt19937_64 rng(20240611);
  std::shuffle(shuffled.begin(), shuffled.end(), rng);

  const char* kIncreasing = "/tmp/qasm_symbols_increasing.s26";
  const char* kRandom = "/tmp/qasm_symbols_random.s26";
  generate(out, kIncreasing, increasing);
  generate(out, kRandom, shuffled);

  std::printf("%ld labels defined, then referenced (%ld statements); best of 5 runs\n", labels, 2 * labels + 1);
  std::printf("%-12s %12s %12s %14s %12s %10s\n", "order", "pass 1 [s]", "cpu [s]", "lines/s (cpu)", "walk [s]",
              "symbols");
  double best[2] = {1e9, 1e9};
  double best_cpu[2] = {1e9, 1e9};
  for (int which = 0; which < 2; ++which) {
    const char* path = which == 0 ? kIncreasing : kRandom;
    run_result keep{};
    double walk = 1e9;
    for (int rep = 0; rep < 5; ++rep) {
      run_result r = assemble_pass1(out, path);
      if (r.errors != 0 || r.symbols != labels) {
        std::fprintf(stderr, "unexpected: %d errors, %ld symbols\n", r.errors, r.symbols);
        return 1;
      }
      best[which] = std::min(best[which], r.pass1);
      best_cpu[which] = std::min(best_cpu[which], r.pass1_cpu);
      walk = std::min(walk, r.walk);
      keep = r;
    }
    std::printf("%-12s %12.3f %12.3f %14.0f %12.3f %10ld\n", which == 0 ? "increasing" : "random", best[which],
                best_cpu[which], (2.0 * labels + 1) / best_cpu[which], walk, keep.symbols);
  }
  std::printf("random / increasing: %.2f (wall), %.2f (cpu)\n", best[1] / best[0], best_cpu[1] / best_cpu[0]);
  return 0;
}
