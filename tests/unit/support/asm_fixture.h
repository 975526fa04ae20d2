// asm_fixture.h — the assembler in-process for unit tests: a context on an
// in-memory output table (capture.h), sources served from memory, stops
// caught, the diagnostics read back from the console with their line and
// column, user symbols made through the symbol table, and the whole program
// or its command-line steps run on a list of words.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "driver/context.h"
#include "driver/stops.h"
#include "source/char_source.h"
#include "support/capture.h"

// ---- Diagnostics as the console shows them -------------------------------------

struct shown_diag {
  long line;
  int column;        // of the marker line ("----^") that came before the heading
  std::string kind;  // "Error" or "Warning"
  int number;
  std::string text;  // after "]: "; not compared
  bool operator==(const shown_diag& o) const {
    return line == o.line && column == o.column && kind == o.kind && number == o.number;
  }
};
std::ostream& operator<<(std::ostream& os, const shown_diag& d);

// Every heading of `console` in order; a heading takes the column of the last
// marker line before it (one marker serves the headings of one position).
std::vector<shown_diag> shown_diagnostics(const std::string& console);

// ---- One assembler context ------------------------------------------------------

struct asm_fixture {
  capture_table cap;
  asm_context cx{cap.table};

  asm_fixture() = default;
  ~asm_fixture();  // closes include files and the source
  asm_fixture(const asm_fixture&) = delete;
  asm_fixture& operator=(const asm_fixture&) = delete;

  // As the driver leaves things before the first line: every warning
  // reported, pass 1, the symbol table holding the target's keywords.
  void start_up();
  // Serves `text` as main.s26 and starts the reader and the lexer on it.
  void start(const std::string& text);
  // Pass 1 over `text` as the driver runs it: statements, the operand
  // keywords, then `hooks` (paths, extra keywords), the preprocessor and the
  // statement loop. True when the run stopped.
  bool pass_one(const std::string& text, const std::function<void()>& hooks = {});
  // One module as the driver assembles it: the per-module start, pass 1, the
  // end of pass 1 and pass 2. True when the run stopped.
  bool assemble_module(const std::string& text, const std::function<void()>& hooks = {});
  // The module's statements as pass 2 left them, one line each (the kinds
  // that place nothing left out): "<line> <kind> <segment>:<location> [bytes] [E]".
  std::vector<std::string> statements() const;

  // Runs `f`; a stop (fatal diagnostic, internal error) is caught. True if it stopped.
  template <class F>
  static bool stops(F&& f) {
    try {
      f();
      return false;
    } catch (const run_stop&) {
      return true;
    }
  }

  // What the reader delivers through get_char: the next line with its
  // newline ("" at the end of the input), and all lines left.
  std::string next_line();
  std::vector<std::string> all_lines();

  std::vector<shown_diag> diagnostics() const { return shown_diagnostics(cap.console); }
  std::vector<int> numbers() const;        // of the headings, in order
  std::vector<std::string> diags() const;  // "E0", "W15", in order
  int count(const char* kind, int number) const;  // "Error" or "Warning"
  int errors(int number) const { return count("Error", number); }
  int warnings(int number) const { return count("Warning", number); }
  int any_errors() const;
  bool said(const std::string& piece) const { return cap.console.find(piece) != std::string::npos; }

  // User symbols through the symbol table: referenced only; defined with a
  // value (relative to `segment` when not 0); a segment of a given number.
  ident_node* user(const std::string& name);
  ident_node* define(const std::string& name, int32_t value, uint16_t segment = 0);
  segment_rec* segment(const std::string& name, uint16_t number, uint8_t kind = SEG_RELOCATABLE);

  // A copy of `text` that lives as long as the fixture.
  const char* keep(std::string text) { return kept_.emplace_back(std::move(text)).c_str(); }

 private:
  std::deque<std::string> kept_;
};

class AsmTest : public ::testing::Test, public asm_fixture {
 protected:
  void SetUp() override { start_up(); }
};

// ---- The program and its command line --------------------------------------------

// Sets (or, with nullptr, unsets) an environment variable for one scope.
class env_guard {
 public:
  env_guard(const char* name, const char* value);
  ~env_guard();
  env_guard(const env_guard&) = delete;
  env_guard& operator=(const env_guard&) = delete;

 private:
  const char* name_;
  std::optional<std::string> old_;
};

// Runs the whole program in-process on "qasm" and `words`.
int run_qasm(capture_table& cap, const std::vector<std::string>& words);

// The command-line steps of a start-up in the driver's order (registration,
// argument list, default warnings, phase 1, source start, checks and phase 2)
// on a context the test inspects afterwards; a stop is cleaned up as the
// program entry does.
struct command_line_run : asm_fixture {
  int stop_code = 0;  // exit code of a stop; 0 when the command line was accepted

  int run(const std::vector<std::string>& words);
  std::vector<std::string> words() const;  // the argument list, program name first
  std::vector<int> origins() const;        // their origin marks, in the same order
  ~command_line_run();
};
