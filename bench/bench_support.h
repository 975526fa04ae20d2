// bench_support.h — what the benchmarks share: the process's CPU time and
// writing a generated input through the output table.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

#include "directives/segments.h"
#include "driver/context.h"
#include "driver/output_table.h"
#include "driver/statement_loop.h"
#include "expr/expression.h"
#include "source/lexer.h"
#include "source/reader.h"
#include "source/symbols.h"

// CPU time of the process: on a busy machine the wall clock says more about
// the neighbours than about the assembler.
inline double cpu_seconds() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

// Writes `text` to `path`; a benchmark without its input stops.
inline void write_text_file(const output_table& out, const char* path, const std::string& text) {
  qfile* f = out.open_file(path, "w");
  if (f == nullptr) {
    std::fprintf(stderr, "cannot write %s\n", path);
    std::exit(1);
  }
  out.block_write(text.data(), 1, text.size(), f);
  out.close_file(f);
}

// The start of a pass-1 run over the source `cx` has open: reader, lexer,
// directives and operators, and one relocatable segment CODE made current.
inline void start_in_code_segment(asm_context& cx) {
  source_start(cx);
  init_lexer(cx);
  start_statements(cx);
  register_operators(cx);
  reset_segments(cx);
  cx.expr.reset_for_module();
  switch_segment(cx, new_segment(cx, user_node(cx, "CODE", 4), SEG_RELOCATABLE));
}
