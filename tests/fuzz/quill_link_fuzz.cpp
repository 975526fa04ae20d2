// quill_link_fuzz.cpp — bad input for qlink's reader and evaluator: any bytes as
// an object, linked with a valid one, must end in exit code 0 to 3, with no
// output file after errors, never a crash, a sanitizer report or a hang. Runs
// qlink_run in-process with all files in memory.
//
//   built with clang and -DQASM_LIBFUZZER=ON: a libFuzzer target
//   otherwise: ./quill_link_fuzz [seconds] [seed]  (random and mutating driver;
//   the input in progress is kept in quill_link_fuzz_current.r26)
#include <cstdint>
#include <cstdlib>
#include <string>

#include "link/linker.h"
#include "object/quill_builder.h"
#include "support/capture.h"

namespace {

int link_object(const uint8_t* data, size_t size) {
  capture_table cap;
  cap.files["fuzz.r26"] = std::string(reinterpret_cast<const char*>(data), size);
  quill_builder other;
  // Weak definitions of what the generated modules refer to, so that their own
  // strong ones win and a module alone still links.
  other.module("other").rseg(0, "CODE", QK_REL, 1).symbol(QS_WEAK, 0, 0, "f0");
  other.symbol(QS_WEAK, 0, 1, "f1").symbol(QS_WEAK, 0, 2, "f2").loc_rel(0, 0).data2(0x1234);
  cap.files["other.r26"] = other.end().eof().bytes();
  const char* words[] = {"qlink", "-o", "out.hex", "-m", "out.map", "-Z", "CODE=0000-1FFF", "-Z", "DATA=2000-3FFF",
                         "-Z", "SHARED=4000-40FF", "-Z", "VECT=0000-00FF", "fuzz.r26", "other.r26"};
  std::string store[sizeof words / sizeof words[0]];
  char* argv[sizeof words / sizeof words[0] + 1];
  int argc = 0;
  for (const char* w : words) {
    store[argc] = w;
    argv[argc] = store[argc].data();
    ++argc;
  }
  argv[argc] = nullptr;
  const int code = qlink_run(cap.table, argc, argv);
  if (code >= 2 && (cap.files.count("out.hex") || cap.files.count("out.map"))) std::abort();  // output left behind
  return code;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  link_object(data, size);
  return 0;
}

#ifndef QASM_LIBFUZZER
#include "quill_fuzz_support.h"

int main(int argc, char** argv) { return quill_fuzz::drive(argc, argv, "quill_link_fuzz_current.r26", link_object); }
#endif
