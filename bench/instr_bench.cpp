// instr_bench.cpp — instruction lines through both passes (B00-B02): a
// generated 78K0 program of mixed instructions (every operand shape, a label
// every 10 lines, branches forward and back, SFR, bit-equate and saddr
// operands) is read by the statement loop with the preprocessor, re-solved,
// and every instruction encoded into a code sink, in one process.
//
//   ninja -C build instr_bench && ./build/instr_bench [lines] [file]
//
// Three runs of pass 1 split its time: reading the lines (tokens only), the
// operand grammar on top, and the whole instruction path (matching, the
// statement's instruction record). Pass 2 is timed on the full run, which
// runs first: encoding alone, then encoding with the object writer (its
// records spooled and written to an object file, checksum included), whose
// difference is the writer's share. Times are CPU times of this process; memory is the arena the
// full run took and the process's peak resident size after it, per line.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

#include "bench_support.h"
#include "directives/segments.h"
#include "driver/code_sink.h"
#include "driver/context.h"
#include "driver/statement.h"
#include "driver/stops.h"
#include "expr/expression.h"
#include "object/writer.h"
#include "source/lexer.h"
#include "source/preprocessor.h"
#include "target/operand_grammar.h"
#include "target/target.h"

namespace {

// The program's head: SFRs and bit equates the lines use.
constexpr const char* kHead =
    "        sfr     P0 = 0FF00H\n"
    "        sfr     P1 = 0FF01H\n"
    "        sfrp    TM0 = 0FF10H\n"
    "        const   sfr PIN = 0FF02H\n"
    "FLAG    EQU     0FE21H.3\n"
    "BUF     EQU     0FE80H\n";

// One line each; {P} is the label of the block before, {N} the next block's
// label, {B} the label of this block, {F} a bit equate defined at the end.
constexpr const char* kLines[] = {
    "MOV     A,#12H",       "MOV     A,[HL+5]",      "ADD     A,BUF",        "MOVW    AX,#1234H",
    "BR      {P}",          "BNZ     {N}",           "CALL    {N}",          "SET1    P0.3",
    "MOV     A,P1",         "AND1    CY,FLAG",       "XCH     A,B",          "MOV     [HL],A",
    "SUB     A,[HL+B]",     "CMP     A,#'Z'",        "INCW    HL",           "DEC     BUF+1",
    "MOVW    AX,TM0",       "BT      P0.1,{N}",      "MOV1    CY,A.7",       "CLR1    {F}",
    "PUSH    BC",           "POP     BC",            "MOV     A,PIN",        "OR      A,[HL]",
    "DBNZ    B,{B}",        "CALLT   [40H]",         "CALLF   0800H",        "SEL     RB1",
    "ROL     A,1",          "MOVW    BUF,AX",        "ADDW    AX,#10H",      "MOV     P1,#0FFH",
    "BF      PSW.0,{P}",    "MOV     A,S:BUF+2",     "CMP     BUF+4,#3",     "MOV     A,1234H",
    "MULU    X",            "XOR     A,#LOW ({B})",  "BR      AX",           "NOP",
};
constexpr int kShapes = sizeof kLines / sizeof kLines[0];
constexpr int kBlock = 10;  // a label every 10 lines

std::string expand(const char* pattern, long block) {
  std::string out;
  for (const char* p = pattern; *p != '\0'; ++p) {
    if (*p == '{' && p[2] == '}') {
      const long target = p[1] == 'P' ? (block > 0 ? block - 1 : 0) : p[1] == 'N' ? block + 1 : block;
      if (p[1] == 'F')
        out += "LATE";
      else
        out += "B" + std::to_string(target);
      p += 2;
    } else {
      out += *p;
    }
  }
  return out;
}

void write_source(const output_table& out, const char* path, long lines) {
  std::string text = kHead;
  long shape = 0;
  for (long i = 0; i < lines; ++i) {
    // A segment of its own every 20,000 lines keeps each within the 64 KiB the cores address.
    if (i % 20000 == 0) text += "        RSEG    CODE" + std::to_string(i / 20000) + ":CODE\n";
    const long block = i / kBlock;
    const std::string label = i % kBlock == 0 ? "B" + std::to_string(block) + ":" : "";
    text += label + std::string(8 - label.size() % 8, ' ') + expand(kLines[shape++ % kShapes], block) + "\n";
  }
  text += "B" + std::to_string(lines / kBlock + 1) + ":\n";
  text += "LATE    EQU     0FE22H.6\n        END\n";
  write_text_file(out, path, text);
}

enum class run_kind { read, parse, full };

// Pass 1 paths of the split runs: the rest of the line is left to the
// statement loop (read), or run through the operand grammar (parse).
void read_only(asm_context&, const statement_call&) {}
void parse_only(asm_context& cx, const statement_call&) {
  operand_desc ops[2];
  init_parse(cx, ops, 2, nullptr, 0);
  yyparse(cx);
}

double cpu_now() { return static_cast<double>(std::clock()) / CLOCKS_PER_SEC; }

struct run_result {
  double pass1 = 0;
  double resolve = 0;
  double pass2 = 0;
  double write = 0;   // the object writer on top of encoding
  long object_bytes = 0;
  long statements = 0;
  long instructions = 0;
  long bytes = 0;
  long fields = 0;
  long errors = 0;
  long warnings = 0;
  long arena = 0;
};

// Pass 2 again with the object writer: every statement encoded and written,
// segment by segment, into `object`. Returns the CPU time.
double encode_and_write(asm_context& cx, const char* object) {
  const output_table& table = *cx.out;
  cx.driver.files.object = table.open_file(object, "wb");
  cx.driver.files.object_name = object;
  code_sink& sink = cx.pass2.sink;
  const double t = cpu_now();
  object_begin_module(cx);
  for (uint16_t i = 0; i < cx.segs.count; ++i) {
    segment_rec* seg = cx.segs.table[i];
    object_enter_segment(cx, seg);
    for (statement_rec* s = seg->first; s != nullptr; s = s->next_in_segment) {
      sink.clear();
      if (s->kind == stmt_kind::instruction) gen_instruction(cx, s, sink);
      gen_asm_code(cx, s, sink);
    }
  }
  object_end_module(cx);
  object_complete_file(cx);
  const double spent = cpu_now() - t;
  table.close_file(cx.driver.files.object);
  cx.driver.files.object = nullptr;
  return spent;
}

run_result run(const char* path, run_kind kind, const char* object = nullptr) {
  output_table table = standard_output_table();
  asm_context cx(table);
  for (auto& entry : cx.driver.opt.warning_enable_table) entry = 1;
  cx.driver.opt.processor_option = 1;
  cx.driver.files.source = table.open_file(path, "rt");
  cx.driver.files.source_name = path;
  cx.driver.include_paths = {""};
  run_result r;
  try {
    start_in_code_segment(cx);
    if (kind == run_kind::read) cx.stmt.instruction = read_only;
    if (kind == run_kind::parse) cx.stmt.instruction = parse_only;
    cx.driver.pass1 = 1;
    start_preprocessor(cx);
    double t = cpu_now();
    statement_loop(cx);
    end_preprocessor_pass(cx);
    r.pass1 = cpu_now() - t;
    cx.driver.pass1 = 0;
    t = cpu_now();
    resolve_unsolved(cx);
    r.resolve = cpu_now() - t;
    code_sink sink;
    t = cpu_now();
    for (statement_rec* s = cx.stmt.first; s != nullptr; s = s->next) {
      ++r.statements;
      if (s->kind != stmt_kind::instruction) continue;
      sink.clear();
      gen_instruction(cx, s, sink);
      ++r.instructions;
      r.bytes += sink.size();
      for (const code_unit& u : sink.units) r.fields += (u.flags & CODE_FIELD) ? 1 : 0;
    }
    r.pass2 = cpu_now() - t;
    if (object != nullptr) {
      r.write = encode_and_write(cx, object) - r.pass2;
      std::FILE* f = std::fopen(object, "rb");
      if (f != nullptr) {
        std::fseek(f, 0, SEEK_END);
        r.object_bytes = std::ftell(f);
        std::fclose(f);
      }
    }
  } catch (const run_stop& stop) {
    std::fprintf(stderr, "run stopped with %d\n", stop.exit_code);
    std::exit(1);
  }
  r.errors = cx.driver.module_errors;
  r.warnings = cx.driver.module_warnings;
  r.arena = cx.mem.bytes_taken;
  table.close_file(cx.driver.files.source);
  return r;
}

}  // namespace

int main(int argc, char** argv) {
  const long lines = argc > 1 ? std::atol(argv[1]) : 200000;
  const char* path = argc > 2 ? argv[2] : "/tmp/qasm_instr_bench.s26";
  write_source(standard_output_table(), path, lines);
  // The full run first: the peak resident size after it is its own.
  const std::string object = std::string(path) + ".r26";
  const run_result full = run(path, run_kind::full, object.c_str());
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  const run_result read = run(path, run_kind::read);
  const run_result parse = run(path, run_kind::parse);
  const double n = static_cast<double>(full.statements);
  const double total = full.pass1 + full.resolve + full.pass2 + full.write;
  std::printf("source lines: %ld (instructions %ld, %ld bytes, %ld linker fields)\n", full.statements,
              full.instructions, full.bytes, full.fields);
  std::printf("errors %ld, warnings %ld\n", full.errors, full.warnings);
  std::printf("both passes and the object: %.3f s cpu, %.0f lines per second\n", total, n / total);
  std::printf("per line: read %.0f ns, parse %.0f ns, match and record %.0f ns, re-solve %.0f ns, encode %.0f ns, "
              "write the object %.0f ns\n",
              read.pass1 * 1e9 / n, (parse.pass1 - read.pass1) * 1e9 / n, (full.pass1 - parse.pass1) * 1e9 / n,
              full.resolve * 1e9 / n, full.pass2 * 1e9 / n, full.write * 1e9 / n);
  std::printf("object: %ld bytes, the writer %.1f%% of the time\n", full.object_bytes, 100.0 * full.write / total);
  std::printf("memory per line: arena %.0f bytes, peak resident %.0f bytes (the process after the full run)\n",
              static_cast<double>(full.arena) / n, static_cast<double>(usage.ru_maxrss) * 1024.0 / n);
  return 0;
}
