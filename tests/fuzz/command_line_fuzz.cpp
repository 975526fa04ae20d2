// command_line_fuzz.cpp — bad command lines: random option words on the
// command line, in QASMOPT and in command files that name each other (and
// themselves), over sources that include files, with outputs named like the
// inputs. Every run must end in order (exit code 0 to 3) without a crash, a
// sanitizer report, an internal error or a hang, and no file the run read may
// lose its text. Files live in memory only (fuzz_support.h).
//
//   cmake -S . -B build-asan -G Ninja -DQASM_SANITIZE=ON && ninja -C build-asan command_line_fuzz
//   ./build-asan/command_line_fuzz [seconds] [seed]
//
// The arguments of the run in progress are kept in command_line_fuzz_current.txt.
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "driver/driver.h"
#include "fuzz_support.h"

namespace {

constexpr int kCommandFiles = 4;  // c0.xcl .. c3.xcl

// Words that mean something to the command line, and some that should not.
const char* const kWords[] = {
    "-c", "-cD", "-cSEAOM", "-cCI", "-c!", "-c#", "-c$", "-cW", "-cq", "-o", "out", "out.r26", "a.r26", "-O",
    "-Oobj", "-v0", "-v1", "-v2", "-v3", "-v", "-w", "-ws", "-w0", "-w9", "-w5", "-w+10-12", "-w-,+5,s", "-w+600",
    "-w+99999999999999999999999", "-w-20-10", "-E", "-E5", "-E0", "-Eabc", "-f", "-f", "-f", "c0", "c1", "c2",
    "c3.xcl", "nofile", "-ffoo", "-r", "-r1", "-B", "-Bx", "-M()", "-M((", "-M", "-l", "a.lst", "-L", "-Llst", "-t4",
    "-t1", "-t", "-x", "-xDI2", "-xq", "-i", "-p10", "-p9", "-p151", "-DA", "-DA=1", "-DA=2", "-DB=x y", "-D1A",
    "-D=1", "-UA", "-UB", "-UA=1", "-I", "-Iinc", "-I.", "-G", "-s", "-s+", "-s-", "-sx", "-S", "-ST", "-Sx", "-N",
    "-n", "-nlocale=C", "-nfoo", "-", "--IDE", "-q", "a.s26", "a", "b.s26", "inc.h", "main.s26", "main", "c0.xcl",
    "\"", "\"\"", "a\"b", "\"-Ix y\"", "",
};

// Words that a run accepts (some in pairs), so that many runs get as far as
// assembling, with outputs named like the inputs now and then.
const char* const kGoodWords[] = {
    "-cD", "-cSEAOM", "-v1", "-ws", "-w-,+5,s", "-E5", "-r", "-B", "-M()", "-t4", "-DA", "-DA=1", "-DA=2", "-UA",
    "-Iinc", "-s-", "-S", "-N", "-l a.lst", "-l inc.h", "-o out", "-o inc.h", "-o a.lst", "-L -x", "-L -i -p20",
    "-Oobj", "-f c0", "-f c1", "-f c2", "-f c3", "-c!", "-G",
};

// Command-file words beyond those: naming each other, and quoting.
const char* const kFileWords[] = {"-f c0", "-f c1", "-f c2", "-f c3", "\"-DQ=a b\"", "\"open", "x\"y", "\n", "\t"};

// `good_share` in 8ths: how often a word is taken from the accepted ones.
std::string word(std::mt19937_64& rng, unsigned good_share = 4) {
  if (rng() % 8 < good_share) return kGoodWords[rng() % (sizeof kGoodWords / sizeof kGoodWords[0])];
  const unsigned pick = static_cast<unsigned>(rng() % 100);
  if (pick < 85) return kWords[rng() % (sizeof kWords / sizeof kWords[0])];
  if (pick < 92) return std::string(1, static_cast<char>(rng() % 256));
  if (pick < 96) return "-" + std::string(1, static_cast<char>(32 + rng() % 95)) + std::to_string(rng() % 1000);
  return std::string(1000 + rng() % 40, 'w');  // about the longest word allowed
}

std::string words_text(std::mt19937_64& rng, bool in_file) {
  std::string text;
  const int n = static_cast<int>(rng() % 8);
  for (int i = 0; i < n; ++i) {
    if (in_file && rng() % 3 == 0)
      text += kFileWords[rng() % (sizeof kFileWords / sizeof kFileWords[0])];
    else
      text += word(rng, 6);
    text += rng() % 5 == 0 ? "\n" : " ";
  }
  return text;
}

struct run_input {
  std::vector<std::string> args;
  std::string qasmopt;  // unset when `has_qasmopt` is false
  bool has_qasmopt = false;
  std::string files[kCommandFiles];
};

run_input generate(std::mt19937_64& rng) {
  run_input in;
  const int n = static_cast<int>(rng() % 10);
  if (rng() % 10 == 0) in.args.push_back("--IDE");
  const unsigned good_share = rng() % 3 == 0 ? 8 : 4;  // a third of the runs use accepted words only
  for (int i = 0; i < n; ++i) {
    const std::string w = word(rng, good_share);
    if (w[0] != '-' || w.find('"') != std::string::npos) {
      in.args.push_back(w);
      continue;
    }
    std::size_t from = 0;  // an option and its next word are two words
    for (std::size_t blank = w.find(' '); blank != std::string::npos; blank = w.find(' ', from)) {
      in.args.push_back(w.substr(from, blank - from));
      from = blank + 1;
    }
    in.args.push_back(w.substr(from));
  }
  if (rng() % 3 != 0) in.args.push_back(rng() % 2 ? "a.s26" : "main");
  in.has_qasmopt = rng() % 3 == 0;
  if (in.has_qasmopt) in.qasmopt = words_text(rng, false);
  for (std::string& f : in.files) f = words_text(rng, true);
  return in;
}

fuzz::tally g_tally;

int assemble(const run_input& in) {
  capture_table cap;
  cap.files["a.s26"] = "        NAME a\n        END\n";
  cap.files["b.s26"] = "        bogus\n        END\n";
  cap.files["main.s26"] = "#include \"inc.h\"\n$inc.h\n        END\n";
  cap.files["inc.h"] = "; included\n";
  for (int i = 0; i < kCommandFiles; ++i) cap.files["c" + std::to_string(i) + ".xcl"] = in.files[i];
  fuzz::memory_only(cap);
  // -G reads standard input: a text in memory, never the terminal.
  static char stdin_text[] = "        END\n";
  qfile* in_stream = fmemopen(stdin_text, sizeof stdin_text - 1, "r");
  cap.table.std_in = in_stream;
  if (in.has_qasmopt)
    setenv("QASMOPT", in.qasmopt.c_str(), 1);
  else
    unsetenv("QASMOPT");
  std::vector<std::string> words = {"qasm"};
  words.insert(words.end(), in.args.begin(), in.args.end());
  std::vector<char*> argv;
  for (std::string& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);
  int code = 0;
  try {
    code = qasm_main(cap.table, static_cast<int>(words.size()), argv.data());
  } catch (const capture_exit& leave) {  // IDE mode leaves through the exit entry
    code = leave.code;
  }
  std::fclose(in_stream);
  fuzz::check_run(cap, code, nullptr, g_tally);
  return code;
}

void keep(const run_input& in) {
  std::ofstream out("command_line_fuzz_current.txt", std::ios::binary | std::ios::trunc);
  out << "args:";
  for (const std::string& a : in.args) out << " [" << a << "]";
  out << "\nQASMOPT: " << (in.has_qasmopt ? "[" + in.qasmopt + "]" : "(unset)") << "\n";
  for (int i = 0; i < kCommandFiles; ++i) out << "c" << i << ".xcl: [" << in.files[i] << "]\n";
}

}  // namespace

int main(int argc, char** argv) {
  const double seconds = argc > 1 ? std::atof(argv[1]) : 60;
  const uint64_t seed = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 1;
  std::mt19937_64 rng(seed);
  fuzz::watch_for_hangs("command_line_fuzz: one run took more than 20 s (hang); see command_line_fuzz_current.txt\n");
  unsetenv("QASM_INC");
  const auto start = std::chrono::steady_clock::now();
  auto elapsed = [&] { return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(); };
  while (elapsed() < seconds) {
    const run_input in = generate(rng);
    keep(in);
    alarm(20);
    assemble(in);
    alarm(0);
    if (g_tally.runs % 20000 == 0) std::fprintf(stderr, "%ld runs, %.0f s\n", g_tally.runs, elapsed());
  }
  std::printf("%ld runs (seed %llu): exit 0: %ld, 1: %ld, 2: %ld, 3: %ld\n", g_tally.runs,
              static_cast<unsigned long long>(seed), g_tally.by_code[0], g_tally.by_code[1], g_tally.by_code[2],
              g_tally.by_code[3]);
  std::remove("command_line_fuzz_current.txt");
  return 0;
}
