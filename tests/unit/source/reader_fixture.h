// reader_fixture.h — a reader on in-memory files, with a small line consumer
// that plays the preprocessor's part for #include and "$" lines.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "driver/context.h"
#include "driver/stops.h"
#include "source/char_source.h"
#include "support/capture.h"

// One line as the consumer saw it, with the position the reader gave it.
struct read_line_rec {
  std::string text;  // including the newline
  std::string file;
  long line_no;
};

class ReaderTest : public ::testing::Test {
 protected:
  capture_table cap;
  asm_context cx{cap.table};

  void TearDown() override {
    close_include_files(cx);
    if (cx.driver.files.source != nullptr) cap.table.close_file(cx.driver.files.source);
    cx.driver.files.source = nullptr;
  }

  // Warnings are on as after the driver's start-up.
  void SetUp() override {
    for (uint8_t& on : cx.driver.opt.warning_enable_table) on = 1;
  }

  // Starts the reader on `text` as main.s26; the search list is the empty path.
  void start(const std::string& text) {
    cap.files["main.s26"] = text;
    cx.driver.files.source = cap.table.open_file("main.s26", "rt");
    cx.driver.files.source_name = "main.s26";
    if (cx.driver.include_paths.empty()) cx.driver.include_paths = {""};
    source_start(cx);
  }

  // The next line through get_char, newline included; "" at the end of input.
  std::string next_line() {
    std::string text;
    for (int c = get_char(cx); c != -1; c = get_char(cx)) {
      text += static_cast<char>(c);
      if (c == '\n') break;
    }
    return text;
  }

  std::vector<std::string> all_lines() {
    std::vector<std::string> out;
    for (std::string l = next_line(); !l.empty(); l = next_line()) out.push_back(l);
    return out;
  }

  // Reads everything, opening includes as the preprocessor would: a line
  // "#include <operand>" and "$name" lines. Stops that the diagnostics module
  // makes of fatal errors are caught so the reader's own recovery shows.
  std::vector<read_line_rec> consume() {
    std::vector<read_line_rec> out;
    for (int c = get_char(cx); c != -1; c = get_char(cx)) {
      unget_char(cx, c);
      if (c == '$') {
        bool took = false;
        quietly([&] { took = include_dollar_line(cx); });
        if (took || cx.source.line_pos == cx.source.line_end) continue;
      }
      std::string text = next_line();
      out.push_back({text, cx.source.file_name, cx.source.line_no});
      static const std::string kInclude = "#include";
      if (text.compare(0, kInclude.size(), kInclude) == 0) {
        std::string operand = text.substr(kInclude.size());
        quietly([&] { include_operand(cx, operand.data(), operand.size()); });
      }
    }
    return out;
  }

  // Runs `f`; a run_stop from a fatal diagnostic is caught. Returns true if it stopped.
  template <class F>
  static bool quietly(F f) {
    try {
      f();
      return false;
    } catch (const run_stop&) {
      return true;
    }
  }

  // How often "Error[n]:" (or "Warning[n]:") was printed.
  int count(const char* kind, int number) const {
    const std::string key = std::string(kind) + "[" + std::to_string(number) + "]:";
    int n = 0;
    for (std::size_t at = cap.console.find(key); at != std::string::npos; at = cap.console.find(key, at + 1)) ++n;
    return n;
  }
  int errors(int number) const { return count("Error", number); }
  int warnings(int number) const { return count("Warning", number); }
  int any_errors() const {
    int n = 0;
    for (std::size_t at = cap.console.find("Error["); at != std::string::npos;
         at = cap.console.find("Error[", at + 1))
      ++n;
    return n;
  }
};
