// reader_bench.cpp — throughput of the source reader (A05): a generated
// 1,000,000-line source read through read_line, per character and per line.
//
//   ninja -C build reader_bench && ./build/reader_bench [lines] [file]
//
// The file is left in place (default /tmp/qasm_reader_bench.s26). To compare
// with `wc -l`, which only counts newlines and so is the floor for any reader:
//
//   time wc -l /tmp/qasm_reader_bench.s26
//
// and divide the file size by its user+sys time. The "newline count" row below
// does the same work in-process (block reads and memchr), without the
// process start-up that `time wc -l` includes.
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "driver/context.h"
#include "source/char_source.h"

namespace {

// Lines as a hand-written source has them: labels, tabs, operands, comments,
// preprocessor lines and a few continuations.
std::string make_line(long i) {
  static const char* const kOps[] = {"MOV\tA,#12H",    "MOVW\tAX,#TABLE+2", "ADD\tA,[HL+B]",
                                     "CALL\t!SUB_7",   "BR\t$LOOP",         "XCH\tA,X",
                                     "MOVW\tHL,#BUF",  "CMP\tA,#'Z'",       "DBNZ\tC,$NEXT",
                                     "SET1\tP0.3"};
  std::string line;
  switch (i % 16) {
    case 0: line = "L" + std::to_string(i) + ":"; break;
    case 7: return "#if DEBUG\n";
    case 8: return "#endif\n";
    case 11: return "\tDB\t1,2,3,\\\n\t\t4,5,6\t; a table\n";
    default: break;
  }
  line += "\t";
  line += kOps[i % 10];
  if (i % 3 == 0) line += "\t\t; step " + std::to_string(i);
  line += "\n";
  return line;
}

long generate(const output_table& out, const char* path, long lines) {
  qfile* f = out.open_file(path, "w");
  if (f == nullptr) {
    std::fprintf(stderr, "cannot write %s\n", path);
    std::exit(1);
  }
  std::string chunk;
  long bytes = 0;
  for (long i = 0; i < lines;) {
    std::string line = make_line(i);
    i += line.find("\\\n") != std::string::npos ? 2 : 1;
    chunk += line;
    if (chunk.size() > (1 << 20) || i >= lines) {
      out.block_write(chunk.data(), 1, chunk.size(), f);
      bytes += static_cast<long>(chunk.size());
      chunk.clear();
    }
  }
  out.close_file(f);
  return bytes;
}

struct result {
  double seconds;
  long lines;
  long checksum;
};

// Process CPU time (user and system): on a busy machine wall time mostly
// measures the other processes. Compare with the user+sys of `time wc -l`.
struct cpu_clock {
  std::clock_t start = std::clock();
  double seconds() const { return static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC; }
};

// What wc -l does: block reads and a newline count.
result count_newlines(const output_table& out, const char* path) {
  qfile* f = out.open_file(path, "rb");
  std::vector<char> block(kReadBlockSize);
  long lines = 0;
  const cpu_clock t0;
  for (std::size_t n; (n = out.block_read(block.data(), 1, block.size(), f)) > 0;)
    for (const char* p = block.data(); (p = static_cast<const char*>(std::memchr(p, '\n', block.data() + n - p))); ++p)
      ++lines;
  result r{t0.seconds(), lines, 0};
  out.close_file(f);
  return r;
}

// Every character through the reader, as the lexer takes them.
template <int (*Next)(asm_context&)>
result read_chars(const output_table& out, const char* path) {
  asm_context cx(out);
  cx.driver.files.source = out.open_file(path, "rt");
  cx.driver.files.source_name = path;
  const cpu_clock t0;
  source_start(cx);
  long sum = 0;
  for (int c; (c = Next(cx)) != -1;) sum += c;
  result r{t0.seconds(), cx.source.total_lines, sum};
  out.close_file(cx.driver.files.source);
  return r;
}

// Line by line: the physical reader alone (tabs, continuation, counting).
result read_lines(const output_table& out, const char* path) {
  asm_context cx(out);
  cx.driver.files.source = out.open_file(path, "rt");
  cx.driver.files.source_name = path;
  const cpu_clock t0;
  source_start(cx);
  long sum = 0;
  for (int c; (c = read_line(cx)) != -1; skip_line(cx)) sum += cx.source.line_len;
  result r{t0.seconds(), cx.source.total_lines, sum};
  out.close_file(cx.driver.files.source);
  return r;
}

template <class F>
result best_of(int runs, F f) {
  result best = f();
  for (int i = 1; i < runs; ++i) {
    result r = f();
    if (r.seconds < best.seconds) best = r;
  }
  return best;
}

void print(const char* what, const result& r, long bytes) {
  std::printf("%-34s %8.1f ms %9.1f MB/s %8.2f M lines/s  (lines %ld, check %ld)\n", what,
              r.seconds * 1e3, bytes / r.seconds / 1e6, r.lines / r.seconds / 1e6, r.lines,
              r.checksum);
}

}  // namespace

int main(int argc, char** argv) {
  const long lines = argc > 1 ? std::atol(argv[1]) : 1000000;
  const char* path = argc > 2 ? argv[2] : "/tmp/qasm_reader_bench.s26";
  const output_table out = standard_output_table();
  const long bytes = generate(out, path, lines);
  std::printf("%s: %ld physical lines, %ld bytes\n", path, lines, bytes);
  const int runs = 5;
  print("newline count (as wc -l)", best_of(runs, [&] { return count_newlines(out, path); }), bytes);
  print("read_line, every character", best_of(runs, [&] { return read_chars<read_line>(out, path); }), bytes);
  print("get_char, every character", best_of(runs, [&] { return read_chars<get_char>(out, path); }), bytes);
  print("read_line + skip_line, per line", best_of(runs, [&] { return read_lines(out, path); }), bytes);
  std::printf("compare: time wc -l %s\n", path);
  return 0;
}
