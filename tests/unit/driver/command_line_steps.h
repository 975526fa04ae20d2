// command_line_steps.h — helpers for the command-line tests: an environment
// variable set for one test, argv built from words, the whole program run
// in-process, and the command-line steps of a start-up on a context the test
// can inspect afterwards.
#pragma once

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "driver/command_line.h"
#include "driver/context.h"
#include "driver/driver.h"
#include "driver/passes.h"
#include "driver/stops.h"
#include "support/capture.h"

// Sets (or, with nullptr, unsets) an environment variable and restores the
// earlier state when it goes out of scope.
class env_guard {
 public:
  env_guard(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value != nullptr)
      setenv(name, value, 1);
    else
      unsetenv(name);
  }
  ~env_guard() {
    if (old_)
      setenv(name_, old_->c_str(), 1);
    else
      unsetenv(name_);
  }
  env_guard(const env_guard&) = delete;
  env_guard& operator=(const env_guard&) = delete;

 private:
  const char* name_;
  std::optional<std::string> old_;
};

// Program arguments: "qasm" followed by the words.
class argv_words {
 public:
  explicit argv_words(const std::vector<std::string>& words) : words_{"qasm"} {
    words_.insert(words_.end(), words.begin(), words.end());
    for (std::string& w : words_) pointers_.push_back(w.data());
    pointers_.push_back(nullptr);
  }
  int argc() const { return static_cast<int>(words_.size()); }
  char** argv() { return pointers_.data(); }

 private:
  std::vector<std::string> words_;
  std::vector<char*> pointers_;
};

// Runs the whole program in-process; QASMOPT and QASM_INC are unset unless
// the test sets them itself.
inline int run_qasm(capture_table& cap, const std::vector<std::string>& words) {
  argv_words args(words);
  try {
    return qasm_main(cap.table, args.argc(), args.argv());
  } catch (const capture_exit& leave) {  // IDE mode leaves through the exit entry
    return leave.code;
  }
}

// The command-line steps of a start-up in the driver's order — registration,
// argument list, default warnings, parsing (phase 1), source start, checks and
// phase 2 — on a context the test keeps. A stop is caught and cleaned up as
// the program entry does.
struct command_line_run {
  capture_table cap;
  asm_context cx{cap.table};
  int stop_code = 0;  // exit code of a stop; 0 when the command line was accepted

  int run(const std::vector<std::string>& words) {
    argv_words args(words);
    try {
      register_options(cx);
      build_arguments(cx, args.argc(), args.argv());
      apply_default_warnings(cx);
      parse_arguments(cx);
      start_source(cx);
      check_and_apply_options(cx);
    } catch (const run_stop& stop) {
      stop_code = stop.exit_code;
      clean_up_files(cx);
    }
    return stop_code;
  }

  // The words of the argument list, program name first.
  std::vector<std::string> words() const {
    std::vector<std::string> result;
    for (const arg_entry* e = cx.cmdline.args; e != nullptr; e = e->next) result.emplace_back(e->word);
    return result;
  }

  // The origin marks of the argument list, in the same order.
  std::vector<int> origins() const {
    std::vector<int> result;
    for (const arg_entry* e = cx.cmdline.args; e != nullptr; e = e->next) result.push_back(e->origin);
    return result;
  }

  ~command_line_run() { clean_up_files(cx); }
};
