// cond_bench.cpp — skipped lines against read lines (A12, A05): N lines of
// instructions inside "IF 0 ... ENDIF" run through pass 1, beside the same
// file read line by line by the reader alone (read_line and skip_line, what
// the skipper cannot do without). Without a listing no skipped line gets a
// statement record; with "listed" each one does, as a listing needs them.
//
//   ninja -C build cond_bench && ./build/cond_bench [lines [listed]]
//
// The source is written to /tmp/qasm_cond_bench.s26.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

#include "bench_support.h"
#include "driver/context.h"
#include "driver/statement_loop.h"
#include "driver/stops.h"
#include "source/char_source.h"

namespace {

// Lines as a hand-written program has them, some with labels and comments,
// and a nested group now and then.
std::string make_source(long lines) {
  static const char* const kOps[] = {"MOV\tA,#12H",   "MOVW\tAX,#TABLE+2", "ADD\tA,[HL+B]", "CALL\t!SUB_7",
                                     "BR\t$LOOP",     "XCH\tA,X",          "MOVW\tHL,#BUF", "CMP\tA,#'Z'",
                                     "DBNZ\tC,$NEXT", "SET1\tP0.3"};
  std::string text = "\tIF 0\n";
  for (long i = 0; i < lines; ++i) {
    if (i % 16 == 0) text += "L" + std::to_string(i) + ":";
    if (i % 1000 == 500) {
      text += "\tIF 1\n";
      continue;
    }
    if (i % 1000 == 501) {
      text += "\tENDIF\n";
      continue;
    }
    text += "\t";
    text += kOps[i % 10];
    if (i % 3 == 0) text += "\t\t; step " + std::to_string(i);
    text += "\n";
  }
  return text + "\tENDIF\n\tEND\n";
}

struct run_result {
  double cpu;
  long lines;
  long statements;
  int errors;
};

void open_source(asm_context& cx, const output_table& out, const char* path) {
  cx.driver.files.source = out.open_file(path, "rt");
  cx.driver.files.source_name = path;
  cx.driver.include_paths = {""};
}

// The reader alone: every line read and dropped.
run_result read_lines(const output_table& out, const char* path) {
  asm_context cx(out);
  open_source(cx, out, path);
  const double c0 = cpu_seconds();
  source_start(cx);
  for (int c; (c = read_line(cx)) != -1;) skip_line(cx);
  run_result r{cpu_seconds() - c0, cx.source.total_lines, 0, 0};
  out.close_file(cx.driver.files.source);
  return r;
}

// Pass 1 of the source: the IF line, the skipped lines, ENDIF and END.
run_result skip_lines(const output_table& out, const char* path, bool listed) {
  asm_context cx(out);
  for (auto& entry : cx.driver.opt.warning_enable_table) entry = 1;
  open_source(cx, out, path);
  // A list file makes every skipped line a statement record; nothing is written to it.
  if (listed) cx.driver.files.list = out.open_file("/dev/null", "w");
  const double c0 = cpu_seconds();
  source_start(cx);
  start_statements(cx);
  cx.driver.pass1 = 1;
  statement_loop(cx);
  run_result r{cpu_seconds() - c0, cx.source.total_lines, cx.stmt.statements, cx.driver.module_errors};
  out.close_file(cx.driver.files.source);
  if (listed) out.close_file(cx.driver.files.list);
  return r;
}

}  // namespace

int main(int argc, char** argv) {
  const long lines = argc > 1 ? std::atol(argv[1]) : 1000000;
  const bool listed = argc > 2 && std::string(argv[2]) == "listed";
  const output_table out = standard_output_table();
  const char* kPath = "/tmp/qasm_cond_bench.s26";
  write_text_file(out, kPath, make_source(lines));

  std::printf("IF 0 around %ld lines%s; best of 5 runs\n", lines, listed ? ", skipped lines listed" : "");
  std::printf("%-10s %12s %12s %12s %14s\n", "run", "lines", "records", "cpu [s]", "lines/s");
  double best[2] = {1e9, 1e9};
  for (int which = 0; which < 2; ++which) {
    run_result keep{};
    for (int rep = 0; rep < 5; ++rep) {
      keep = which == 0 ? read_lines(out, kPath) : skip_lines(out, kPath, listed);
      if (keep.errors != 0) {
        std::fprintf(stderr, "unexpected: %d errors\n", keep.errors);
        return 1;
      }
      best[which] = std::min(best[which], keep.cpu);
    }
    std::printf("%-10s %12ld %12ld %12.3f %14.0f\n", which == 0 ? "reader" : "skipper", keep.lines, keep.statements,
                best[which], static_cast<double>(keep.lines) / best[which]);
  }
  std::printf("skipper / reader: %.2f (cpu)\n", best[1] / best[0]);
  return 0;
}
