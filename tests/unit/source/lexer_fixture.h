// lexer_fixture.h — a lexer on an in-memory source with the target's
// registrations, and the diagnostics it printed, read back with their
// line and column.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "driver/context.h"
#include "driver/stops.h"
#include "source/char_source.h"
#include "source/lexer.h"
#include "source/symbols.h"
#include "support/capture.h"
#include "target/target.h"

// One diagnostic as the console showed it.
struct shown_diag {
  long line;
  int column;
  std::string kind;  // "Error" or "Warning"
  int number;
  std::string text;
  bool operator==(const shown_diag& o) const {
    return line == o.line && column == o.column && kind == o.kind && number == o.number;
  }
};

inline std::ostream& operator<<(std::ostream& os, const shown_diag& d) {
  return os << d.kind << "[" << d.number << "] at " << d.line << ":" << d.column << " " << d.text;
}

class LexerTest : public ::testing::Test {
 protected:
  capture_table cap;
  asm_context cx{cap.table};
  std::deque<std::string> kept;  // texts of collected tokens

  void SetUp() override {
    for (auto& entry : cx.driver.opt.warning_enable_table) entry = 1;
    cx.driver.pass1 = 1;
    init_symbol_table(cx);
    target_start(cx);
  }

  void TearDown() override {
    close_include_files(cx);
    if (cx.driver.files.source != nullptr) cap.table.close_file(cx.driver.files.source);
    cx.driver.files.source = nullptr;
  }

  // Starts the reader on `text` as main.s26.
  void start(const std::string& text) {
    cap.files["main.s26"] = text;
    cx.driver.files.source = cap.table.open_file("main.s26", "rt");
    cx.driver.files.source_name = "main.s26";
    if (cx.driver.include_paths.empty()) cx.driver.include_paths = {""};
    source_start(cx);
    init_lexer(cx);
  }

  // Runs `f`; a stop (fatal diagnostic, internal error) is caught. True if it stopped.
  template <class F>
  static bool stops(F f) {
    try {
      f();
      return false;
    } catch (const run_stop&) {
      return true;
    }
  }

  // Every token of the input up to its end (the end token not included); the
  // texts are kept beyond the lexer's one token of look-ahead.
  std::vector<token> all_tokens() {
    std::vector<token> out;
    stops([&] {
      for (;;) {
        token t = next_token(cx);
        if (t.kind == TOK_EOF) break;
        kept.emplace_back(t.text, t.length);
        t.text = kept.back().c_str();
        out.push_back(t);
      }
    });
    return out;
  }

  // The first token of `text` (a line of its own); once per test.
  token first_token(const std::string& text) {
    start(text + "\n");
    token t;
    stops([&] { t = next_token(cx); });
    return t;
  }

  // The diagnostics printed: a marker line ("---^") gives the column of the
  // headings that follow it until the next marker.
  std::vector<shown_diag> diagnostics() const {
    std::vector<shown_diag> out;
    int column = 0;
    std::size_t at = 0;
    const std::string& s = cap.console;
    while (at < s.size()) {
      std::size_t end = s.find('\n', at);
      if (end == std::string::npos) end = s.size();
      const std::string line = s.substr(at, end - at);
      at = end + 1;
      if (!line.empty() && line.back() == '^' && line.find_first_not_of('-') == line.size() - 1) {
        column = static_cast<int>(line.size());
        continue;
      }
      char kind[16] = {};
      long number_line = 0;
      int number = 0;
      const std::size_t q = line.find("\",");
      if (line.empty() || line[0] != '"' || q == std::string::npos) continue;
      if (std::sscanf(line.c_str() + q + 2, "%ld  %15[A-Za-z][%d]", &number_line, kind, &number) == 3) {
        const std::size_t colon = line.find("]: ");
        out.push_back({number_line, column, kind, number, colon == std::string::npos ? "" : line.substr(colon + 3)});
      }
    }
    return out;
  }
};
