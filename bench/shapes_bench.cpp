// shapes_bench.cpp — inputs whose cost must grow linearly with their size,
// run through the whole assembler in-process (command line, preprocessor,
// pass 1): a command file of N repeated -DX words, N labels that differ only
// in case, and N #define names that differ only in case, each then used once
// in an #if condition.
//
//   ninja -C build shapes_bench && ./build/shapes_bench [words|labels|defines] [N ...]
//
// For each N it prints the CPU seconds and the microseconds per item; a
// linear shape keeps the second column flat as N grows. The inputs are
// written to /tmp/qasm_shapes.*.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "bench_support.h"
#include "driver/driver.h"
#include "driver/output_table.h"

namespace {

constexpr const char* kCommandFile = "/tmp/qasm_shapes.xcl";
constexpr const char* kSource = "/tmp/qasm_shapes.s26";
constexpr const char* kObject = "/tmp/qasm_shapes.r26";
constexpr const char* kPlain = "/tmp/qasm_shapes_plain.s26";

// The i-th spelling of one name: bit k of i makes its k-th letter upper case.
std::string variant(long i) {
  std::string name = "abcdefghijklmnopqrst";
  for (std::size_t k = 0; k < name.size(); ++k)
    if (i & (1L << k)) name[k] = static_cast<char>(name[k] - 'a' + 'A');
  return name;
}

std::string command_words(long n) {
  std::string text;
  for (long i = 0; i < n; ++i) text += (i % 16 == 15) ? "-DX\n" : "-DX ";
  return text;
}

std::string case_labels(long n) {
  std::string text;
  for (long i = 0; i < n; ++i) text += variant(i) + ":\n";
  return text + "        END\n";
}

std::string case_defines(long n) {
  std::string text;
  for (long i = 0; i < n; ++i) text += "#define " + variant(i) + " " + std::to_string(i) + "\n";
  for (long i = 0; i < n; ++i) text += "#if " + variant(i) + "\n#endif\n";
  return text + "        END\n";
}

// One run of the assembler; its CPU time.
double assemble(const output_table& out, std::vector<std::string> words) {
  words.insert(words.begin(), "qasm");
  std::vector<char*> argv;
  for (std::string& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);
  const double c0 = cpu_seconds();
  const int code = qasm_main(out, static_cast<int>(words.size()), argv.data());
  const double used = cpu_seconds() - c0;
  if (code > 1) {
    std::fprintf(stderr, "exit code %d\n", code);
    std::exit(1);
  }
  return used;
}

struct shape {
  const char* key;
  const char* name;
  std::string (*make)(long n);
  bool command_file;  // the text is a command file (the source is plain)
};

constexpr shape kShapes[] = {
    {"words", "-DX words in a command file", command_words, true},
    {"labels", "labels differing in case", case_labels, false},
    {"defines", "#defines differing in case", case_defines, false},
};

}  // namespace

int main(int argc, char** argv) {
  std::vector<long> sizes;
  std::string only;  // one shape by its key; all when empty
  for (int i = 1; i < argc; ++i) {
    if (argv[i][0] >= 'a' && argv[i][0] <= 'z')
      only = argv[i];
    else
      sizes.push_back(std::atol(argv[i]));
  }
  if (sizes.empty()) sizes = {10000, 40000, 100000, 200000};
  const output_table out = standard_output_table();
  write_text_file(out, kPlain, "        END\n");
  std::printf("%-30s %10s %10s %12s\n", "shape", "N", "cpu [s]", "us per item");
  for (const shape& s : kShapes) {
    if (!only.empty() && only != s.key) continue;
    for (long n : sizes) {
      write_text_file(out, s.command_file ? kCommandFile : kSource, s.make(n));
      std::vector<std::string> words = {"-S", "-o", kObject};
      if (s.command_file) {
        words.insert(words.end(), {"-f", kCommandFile, kPlain});
      } else {
        words.push_back(kSource);
      }
      double best = 1e30;
      for (int rep = 0; rep < (n <= 40000 ? 3 : 1); ++rep) best = std::min(best, assemble(out, words));
      std::printf("%-30s %10ld %10.3f %12.3f\n", s.name, n, best, best * 1e6 / static_cast<double>(n));
      std::fflush(stdout);
    }
  }
  return 0;
}
