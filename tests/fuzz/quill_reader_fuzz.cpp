// quill_reader_fuzz.cpp — bad input for the reader side of qdump: any bytes as an
// object file must give the dump views and an exit code of 0 or 1 (a problem
// with its offset), never a crash, a sanitizer report or a hang. Runs qdump_run
// in-process with the file in memory, call-frame records decoded as qdump does.
//
//   built with clang and -DQASM_LIBFUZZER=ON: a libFuzzer target
//   otherwise: ./quill_reader_fuzz [seconds] [seed]  (random and mutating driver,
//   also mutating the object the assembler makes of the sample source; the
//   input in progress is kept in quill_reader_fuzz_current.r26)
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
  // A file the reader refuses is exit 1; one it takes may still hold a
  // call-frame body that does not decode, also exit 1.
  const quill_object obj = quill_read(cap.files["fuzz.r26"]);
  if (code > 1 || (!obj.ok() && code != 1)) std::abort();
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
#include <vector>

#include "driver/driver.h"
#include "object/quill_sample_source.h"
#include "quill_fuzz_support.h"

namespace {

// The object the assembler makes of the sample source.
std::vector<std::string> assembled_seeds() {
  capture_table cap;
  cap.files["sample.s26"] = kQuillSampleSource;
  std::string words[] = {"qasm", "-S", "-r", "sample.s26"};
  char* argv[] = {words[0].data(), words[1].data(), words[2].data(), words[3].data(), nullptr};
  if (qasm_main(cap.table, 4, argv) != 0 || cap.files.count("sample.r26") == 0) std::abort();
  return {cap.files["sample.r26"]};
}

}  // namespace

int main(int argc, char** argv) {
  return quill_fuzz::drive(argc, argv, "quill_reader_fuzz_current.r26", run_both, assembled_seeds());
}
#endif
