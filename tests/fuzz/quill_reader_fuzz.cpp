// quill_reader_fuzz.cpp — bad input for the reader side of qdump: any bytes as an
// object file must give the dump views and an exit code of 0 or 1 (a problem
// with its offset), never a crash, a sanitizer report or a hang. Runs qdump_run
// in-process with the file in memory.
//
//   built with clang and -DQASM_LIBFUZZER=ON: a libFuzzer target
//   otherwise: ./quill_reader_fuzz [seconds] [seed]  (random and mutating driver;
//   the input in progress is kept in quill_reader_fuzz_current.r26)
#include <cstdint>
#include <cstdlib>
#include <string>

#include "object/quill_dump.h"
#include "support/capture.h"

namespace {

int dump(const uint8_t* data, size_t size, const char* view) {
  capture_table cap;
  cap.files["fuzz.r26"] = std::string(reinterpret_cast<const char*>(data), size);
  std::string program = "qdump", option = view, file = "fuzz.r26";
  char* argv[] = {program.data(), option.data(), file.data(), nullptr};
  const int code = qdump_run(cap.table, 3, argv);
  const quill_object obj = quill_read(cap.files["fuzz.r26"]);
  if (code != (obj.ok() ? 0 : 1)) std::abort();  // the exit code follows the decode
  return code;
}

int run_both(const uint8_t* data, size_t size) {
  dump(data, size, "--bytes");
  return dump(data, size, "--no-offsets");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  run_both(data, size);
  return 0;
}

#ifndef QASM_LIBFUZZER
#include "quill_fuzz_support.h"

int main(int argc, char** argv) { return quill_fuzz::drive(argc, argv, "quill_reader_fuzz_current.r26", run_both); }
#endif
