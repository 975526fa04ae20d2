// cfi_bench.cpp — the CFI directive under load (pass 1 and the CFI record):
// N functions, each a data block with FUNCTION, eight rules at eight code
// offsets and ENDBLOCK, against one common block over 20 resources; beside it
// the same source without its CFI lines. Each variant runs in a child
// process, so that the peak memory reported is the variant's own, and N and
// 4N are timed to show the cost grows with N, not faster.
//
//   ninja -C build cfi_bench && ./build/cfi_bench [functions]
//
// The sources are written to /tmp/qasm_cfi_{with,without}_<N>.s26.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

#include "cfi/cfi_record.h"
#include "directives/segments.h"
#include "driver/context.h"
#include "driver/statement.h"
#include "driver/stops.h"
#include "driver/statement_loop.h"

namespace {

double cpu_seconds() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

constexpr int kResources = 20;

std::string generate(long functions, bool with_cfi) {
  std::string s;
  char line[96];
  if (with_cfi) {
    s += "        CFI NAMES frame\n        CFI STACKFRAME CFA SP\n        CFI RESOURCE SP:2, PC:2";
    for (int r = 0; r < kResources - 2; ++r) s += ", R" + std::to_string(r) + ":1";
    s += "\n        CFI ENDNAMES frame\n        CFI COMMON common USING frame\n        CFI DATAALIGN -1\n";
    s += "        CFI RETURNADDRESS PC\n        CFI CFA SP+2\n        CFI SP CFA\n        CFI PC FRAME(CFA, -2)\n";
    for (int r = 0; r < kResources - 2; ++r) s += "        CFI R" + std::to_string(r) + " SAMEVALUE\n";
    s += "        CFI ENDCOMMON common\n";
  }
  for (long f = 0; f < functions; ++f) {
    std::snprintf(line, sizeof line, "F%06ld:\n", f);
    s += line;
    if (with_cfi) {
      std::snprintf(line, sizeof line, "        CFI BLOCK B%06ld USING common\n        CFI FUNCTION F%06ld\n", f, f);
      s += line;
    }
    for (int r = 0; r < 8; ++r) {
      s += "        NOP\n";
      if (!with_cfi) continue;
      if (r < 4)
        std::snprintf(line, sizeof line, "        CFI R%d FRAME(CFA, -%d)\n", r, 2 * r + 4);
      else if (r == 4)
        std::snprintf(line, sizeof line, "        CFI CFA ADD(SP, %d)\n", 12);
      else
        std::snprintf(line, sizeof line, "        CFI R%d SAMEVALUE\n", r - 5);
      s += line;
    }
    if (with_cfi) {
      std::snprintf(line, sizeof line, "        CFI ENDBLOCK B%06ld\n", f);
      s += line;
    }
  }
  return s + "        END\n";
}

void write_file(const output_table& out, const std::string& path, const std::string& text) {
  qfile* f = out.open_file(path.c_str(), "w");
  if (f == nullptr) {
    std::fprintf(stderr, "cannot write %s\n", path.c_str());
    std::exit(1);
  }
  out.block_write(text.data(), 1, text.size(), f);
  out.close_file(f);
}

struct run_result {
  double pass1 = 0;
  double record = 0;
  long record_bytes = 0;
  long arena = 0;
  int errors = 0;
};

run_result assemble(const output_table& out, const std::string& path) {
  asm_context cx(out);
  for (auto& entry : cx.driver.opt.warning_enable_table) entry = 1;
  cx.driver.files.source = out.open_file(path.c_str(), "rt");
  cx.driver.files.source_name = path.c_str();
  cx.driver.include_paths = {""};
  source_start(cx);
  start_statements(cx);
  reset_segments(cx);
  segment_rec* code = new_segment(cx, user_node(cx, "CODE", 4), SEG_RELOCATABLE);
  code->type = 1;
  switch_segment(cx, code);
  cx.driver.pass1 = 1;
  run_result r;
  const double c0 = cpu_seconds();
  statement_loop(cx);
  const double c1 = cpu_seconds();
  cx.driver.pass1 = 0;
  r.record_bytes = static_cast<long>(cfi_module_record(cx).size());
  r.record = cpu_seconds() - c1;
  r.pass1 = c1 - c0;
  r.arena = cx.mem.bytes_taken;
  r.errors = cx.driver.module_errors + (cx.driver.program_ended ? 0 : 1);
  out.close_file(cx.driver.files.source);
  cx.driver.files.source = nullptr;
  return r;
}

// Best of three runs in a child process; the parent reads the child's peak memory.
bool measure(const output_table& out, const std::string& path, run_result& best, long& peak_kb) {
  int fds[2];
  if (pipe(fds) != 0) return false;
  const pid_t child = fork();
  if (child == 0) {
    close(fds[0]);
    run_result keep{1e9, 1e9, 0, 0, 0};
    for (int rep = 0; rep < 3; ++rep) {
      const run_result r = assemble(out, path);
      keep.pass1 = std::min(keep.pass1, r.pass1);
      keep.record = std::min(keep.record, r.record);
      keep.record_bytes = r.record_bytes;
      keep.arena = r.arena;
      keep.errors = std::max(keep.errors, r.errors);
    }
    const ssize_t n = write(fds[1], &keep, sizeof keep);
    _exit(n == static_cast<ssize_t>(sizeof keep) ? 0 : 1);
  }
  close(fds[1]);
  const ssize_t n = read(fds[0], &best, sizeof best);
  close(fds[0]);
  int status = 0;
  rusage usage{};
  wait4(child, &status, 0, &usage);
  peak_kb = usage.ru_maxrss;
  return n == static_cast<ssize_t>(sizeof best) && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  const long n = argc > 1 ? std::atol(argv[1]) : 5000;
  const output_table out = standard_output_table();
  std::printf("functions: data block, FUNCTION, 8 rules at 8 offsets, ENDBLOCK; %d resources; best of 3 (cpu)\n",
              kResources);
  std::printf("%-8s %8s %8s %10s %11s %12s %11s %10s %10s\n", "variant", "funcs", "lines", "pass 1 [s]", "record [s]",
              "record [B]", "lines/s", "arena [kB]", "peak [kB]");
  double pass1[2][2] = {};
  for (int scale = 0; scale < 2; ++scale) {
    const long funcs = scale == 0 ? n : 4 * n;
    for (int with = 1; with >= 0; --with) {
      const std::string text = generate(funcs, with == 1);
      const std::string path = "/tmp/qasm_cfi_" + std::string(with ? "with_" : "without_") + std::to_string(funcs) + ".s26";
      write_file(out, path, text);
      const long lines = static_cast<long>(std::count(text.begin(), text.end(), '\n'));
      run_result r;
      long peak = 0;
      if (!measure(out, path, r, peak) || r.errors != 0) {
        std::fprintf(stderr, "%s: run failed or reported %d errors\n", path.c_str(), r.errors);
        return 1;
      }
      pass1[scale][with] = r.pass1 + r.record;
      std::printf("%-8s %8ld %8ld %10.3f %11.4f %12ld %11.0f %10ld %10ld\n", with ? "CFI" : "no CFI", funcs, lines,
                  r.pass1, r.record, r.record_bytes, lines / r.pass1, r.arena / 1024, peak);
    }
  }
  std::printf("CFI / no CFI time: %.2f at %ld, %.2f at %ld functions; 4x functions: %.2fx time with CFI\n",
              pass1[0][1] / pass1[0][0], n, pass1[1][1] / pass1[1][0], 4 * n, pass1[1][1] / pass1[0][1]);
  return 0;
}
