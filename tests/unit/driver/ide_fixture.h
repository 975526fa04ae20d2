// ide_fixture.h — an IDE agent over a capture table, and the whole program run
// in IDE mode in-process; tests read the console back as records.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "driver/driver.h"
#include "driver/ide/console_agent.h"
#include "support/capture.h"
#include "support/ide_records.h"

class IdeAgent : public ::testing::Test {
 protected:
  capture_table cap;
  WtConsoleAgentExe agent{cap.table, 1};
  const output_table& t = agent.table();

  void say(const std::string& bytes) { t.block_write(bytes.data(), 1, bytes.size(), t.std_out); }
  // Leaves through the agent's exit entry; the code the real entry got.
  int leave(int code = 0) {
    try {
      t.exit(code);
    } catch (const capture_exit& e) {
      return e.code;
    }
    return -1;
  }
  // The records so far; a framing fault fails the test.
  ide_stream records() {
    ide_stream s = parse_ide_output(cap.console);
    EXPECT_TRUE(s.ok()) << s.error << "\n" << cap.console;
    return s;
  }
};

inline std::string absolute(const std::string& name) {
  return (std::filesystem::current_path() / name).lexically_normal().string();
}

// The program in-process; the exit code is the one handed to the exit entry.
inline int run_ide(capture_table& cap, std::vector<std::string> words) {
  words.insert(words.begin(), "qasm");
  std::vector<char*> argv;
  for (std::string& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);
  try {
    ADD_FAILURE() << "returned " << qasm_main(cap.table, static_cast<int>(words.size()), argv.data());
  } catch (const capture_exit& e) {
    return e.code;
  }
  return -1;
}
