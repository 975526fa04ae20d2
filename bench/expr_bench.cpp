// expr_bench.cpp — operand fields parsed by the operand grammar and their
// expressions folded (B03, A08): 1,000,000 fields of mixed shapes, each with
// exactly one expression, read from a generated source.
//
//   ninja -C build expr_bench && ./build/expr_bench [fields] [file]
//
// The fields are run in modules of 10,000 lines, each with a fresh context as
// the assembler starts each module's arena; only the parse loop is timed.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

#include "driver/context.h"
#include "driver/stops.h"
#include "directives/segments.h"
#include "expr/expression.h"
#include "source/lexer.h"
#include "source/symbols.h"
#include "target/keywords_78k0.h"
#include "target/operand_grammar.h"
#include "target/target_state.h"

namespace {

constexpr long kModuleLines = 10000;

// One expression each: numbers, symbols, relocatable labels, forward
// references, SFRs, segment operators, prefixes and every precedence class.
constexpr const char* kFields[] = {
    " A,#LOW (TABLE + 2)",
    " A,[HL+10H]",
    " A,0FE30H",
    " A,S:0FE20H",
    " AX,#1234H * 2 + 5",
    " L1 + 4",
    " FWDSYM + 2",
    " #SIZEOF CODE",
    " #(1 + 2) !< 3 & 0FFH",
    " #HIGH (L2 - L1)",
    " A,P0",
    " #'A' + 1 = 42H OR 0",
};
constexpr long kShapes = sizeof kFields / sizeof kFields[0];

void write_source(const output_table& out, const char* path) {
  qfile* f = out.open_file(path, "w");
  if (f == nullptr) {
    std::fprintf(stderr, "cannot write %s\n", path);
    std::exit(1);
  }
  std::string text;
  for (long i = 0; i < kModuleLines; ++i) text += std::string(kFields[i % kShapes]) + "\n";
  out.block_write(text.data(), 1, text.size(), f);
  out.close_file(f);
}

void define(asm_context& cx, const char* name, int32_t value, uint16_t segment, uint32_t flags = 0) {
  ident_node* n = check_ident(cx, name, std::char_traits<char>::length(name), true);
  label_rec* l = get_label_rec(cx, n);
  expr_rec* e = make_constant(cx, value);
  if (segment != 0) e->state = EXPR_RELATIVE, e->segment = segment;
  l->value = e;
  l->flags = (l->flags & ~static_cast<uint32_t>(LBL_UNDEFINED)) | flags;
}

struct module_run {
  double seconds;      // wall clock
  double cpu_seconds;  // this process's CPU time: fair on a busy machine
  long fields;
  long failed;
  long checksum;
};

// One module: start-up untimed, then every line parsed and folded.
module_run run_module(const char* path) {
  output_table table = standard_output_table();
  asm_context cx(table);
  for (auto& entry : cx.driver.opt.warning_enable_table) entry = 1;
  cx.driver.pass1 = 1;
  init_symbol_table(cx);
  register_78k0_keywords(cx);
  register_operand_keywords(cx);
  define(cx, "TABLE", 0x1000, 0);
  define(cx, "L1", 0x10, 2);
  define(cx, "L2", 0x30, 2);
  define(cx, "P0", 0xFF00, 0, LBL_SFR);
  ident_node* code = check_ident(cx, "CODE", 4, true);
  get_label_rec(cx, code);
  reset_segments(cx);
  segment_rec* seg = new_segment(cx, code, SEG_RELOCATABLE);
  seg->type = 1;
  switch_segment(cx, seg);
  cx.driver.files.source = table.open_file(path, "rt");
  cx.driver.files.source_name = path;
  cx.driver.include_paths = {""};
  source_start(cx);
  init_lexer(cx);

  operand_desc ops[2];
  module_run r{0, 0, 0, 0, 0};
  const auto t0 = std::chrono::steady_clock::now();
  const std::clock_t c0 = std::clock();
  for (long i = 0; i < kModuleLines; ++i) {
    init_parse(cx, ops, 2, nullptr, 0);
    if (yyparse(cx) != PARSE_OK) ++r.failed;
    next_token(cx);  // the end of the line
    const operand_desc& d = ops[target_of(cx).parse.count - 1];
    const expr_rec* e = d.expr != nullptr ? d.expr : ops[0].expr;
    if (e != nullptr) r.checksum += e->state * 131 + (e->state == EXPR_ABSOLUTE ? e->value : 0) + d.mode;
    ++r.fields;
  }
  r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  r.cpu_seconds = static_cast<double>(std::clock() - c0) / CLOCKS_PER_SEC;
  table.close_file(cx.driver.files.source);
  return r;
}

}  // namespace

int main(int argc, char** argv) {
  const long fields = argc > 1 ? std::atol(argv[1]) : 1000000;
  const char* path = argc > 2 ? argv[2] : "/tmp/qasm_expr_bench.s26";
  const output_table table = standard_output_table();
  write_source(table, path);
  try {
    module_run total{0, 0, 0, 0, 0};
    for (long done = 0; done < fields; done += kModuleLines) {
      const module_run r = run_module(path);
      total.seconds += r.seconds;
      total.cpu_seconds += r.cpu_seconds;
      total.fields += r.fields;
      total.failed += r.failed;
      total.checksum += r.checksum;
    }
    std::printf("operand fields parsed and folded: %ld (%ld shapes, one expression each)\n", total.fields,
                kShapes);
    const double n = static_cast<double>(total.fields);
    std::printf("wall: %.3f s  %.1f ns per expression;  cpu: %.3f s  %.1f ns per expression\n", total.seconds,
                total.seconds * 1e9 / n, total.cpu_seconds, total.cpu_seconds * 1e9 / n);
    std::printf("failed: %ld   checksum %ld\n", total.failed, total.checksum);
  } catch (const run_stop& stop) {
    std::fprintf(stderr, "run stopped with %d\n", stop.exit_code);
    return 1;
  }
  return 0;
}
