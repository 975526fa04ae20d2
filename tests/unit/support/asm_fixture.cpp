// asm_fixture.cpp — the shared in-process fixture of the unit tests.
#include "support/asm_fixture.h"

#include <cstdio>
#include <cstdlib>

#include "driver/command_line.h"
#include "driver/driver.h"
#include "driver/passes.h"
#include "driver/statement.h"
#include "driver/statement_loop.h"
#include "expr/expression.h"
#include "source/char_source.h"
#include "source/lexer.h"
#include "source/preprocessor.h"
#include "source/symbols.h"
#include "support/segment_support.h"
#include "target/operand_grammar.h"

// ---- Diagnostics -------------------------------------------------------------------

std::ostream& operator<<(std::ostream& os, const shown_diag& d) {
  return os << d.kind << "[" << d.number << "] at " << d.line << ":" << d.column << " " << d.text;
}

std::vector<shown_diag> shown_diagnostics(const std::string& console) {
  std::vector<shown_diag> out;
  int column = 0;
  for (std::size_t at = 0; at < console.size();) {
    std::size_t end = console.find('\n', at);
    if (end == std::string::npos) end = console.size();
    const std::string line = console.substr(at, end - at);
    at = end + 1;
    if (!line.empty() && line.back() == '^' && line.find_first_not_of('-') == line.size() - 1) {
      column = static_cast<int>(line.size());
      continue;
    }
    const std::size_t quote = line.find("\",");
    if (line.empty() || line[0] != '"' || quote == std::string::npos) continue;
    char kind[16] = {};
    long number_line = 0;
    int number = 0;
    if (std::sscanf(line.c_str() + quote + 2, "%ld  %15[A-Za-z][%d]", &number_line, kind, &number) == 3) {
      const std::size_t colon = line.find("]: ");
      out.push_back({number_line, column, kind, number, colon == std::string::npos ? "" : line.substr(colon + 3)});
    }
  }
  return out;
}

std::vector<int> asm_fixture::numbers() const {
  std::vector<int> out;
  for (const shown_diag& d : diagnostics()) out.push_back(d.number);
  return out;
}

std::vector<std::string> asm_fixture::diags() const {
  std::vector<std::string> out;
  for (const shown_diag& d : diagnostics()) out.push_back((d.kind == "Error" ? "E" : "W") + std::to_string(d.number));
  return out;
}

int asm_fixture::count(const char* kind, int number) const {
  const std::string key = std::string(kind) + "[" + std::to_string(number) + "]:";
  int n = 0;
  for (std::size_t at = cap.console.find(key); at != std::string::npos; at = cap.console.find(key, at + 1)) ++n;
  return n;
}

int asm_fixture::any_errors() const {
  int n = 0;
  for (std::size_t at = cap.console.find("Error["); at != std::string::npos; at = cap.console.find("Error[", at + 1))
    ++n;
  return n;
}

// ---- Start-up and sources -------------------------------------------------------------

asm_fixture::~asm_fixture() {
  close_include_files(cx);
  if (cx.driver.files.source != nullptr && cx.driver.files.source != cap.table.std_in)
    cap.table.close_file(cx.driver.files.source);
  cx.driver.files.source = nullptr;
}

void asm_fixture::start_up() {
  for (auto& entry : cx.driver.opt.warning_enable_table) entry = 1;
  cx.driver.pass1 = 1;
  init_symbol_table(cx);
  target_start(cx);
}

void asm_fixture::start(const std::string& text) {
  cap.files["main.s26"] = text;
  cx.driver.files.source = cap.table.open_file("main.s26", "rt");
  cx.driver.files.source_name = "main.s26";
  if (cx.driver.include_paths.empty()) cx.driver.include_paths = {""};
  source_start(cx);
  init_lexer(cx);
}

bool asm_fixture::pass_one(const std::string& text, const std::function<void()>& hooks) {
  start(text);
  cx.symbols = symbol_state{};
  start_statements(cx);
  register_operators(cx);  // as the driver does: the target registered the registers
  if (hooks) hooks();
  cx.driver.pass1 = 1;
  return stops([&] {
    start_preprocessor(cx);
    statement_loop(cx);
    end_preprocessor_pass(cx);
  });
}

bool asm_fixture::assemble_module(const std::string& text, const std::function<void()>& hooks) {
  start(text);
  cx.symbols = symbol_state{};
  start_statements(cx);
  register_operators(cx);  // as the driver does: the target registered the registers
  if (hooks) hooks();
  return stops([&] {
    start_preprocessor(cx);
    start_module(cx);
    cx.driver.pass1 = 1;
    statement_loop(cx);
    end_preprocessor_pass(cx);
    end_pass1(cx);
    cx.driver.pass1 = 0;
    run_pass2(cx);
  });
}

std::vector<std::string> asm_fixture::statements() const {
  std::vector<std::string> out;
  for (const statement_rec* r = cx.stmt.first; r != nullptr; r = r->next) {
    if (r->kind == stmt_kind::nothing) continue;
    char head[96];
    const segment_rec* seg = r->segment;
    std::snprintf(head, sizeof head, "%ld %s %s:%04X", r->line != nullptr ? r->line->line_no : 0L,
                  kind_info(r->kind).name, seg == nullptr ? "-" : (seg->number == 1 ? "ABS" : seg->name),
                  static_cast<unsigned>(r->location));
    std::string line = head;
    if (r->code != nullptr) {
      line += ' ';
      for (int32_t i = 0; i < r->byte_count; ++i) {
        char hex[3];
        std::snprintf(hex, sizeof hex, "%02X", r->code[i]);
        line += hex;
      }
    }
    if (is_erroneous(r)) line += " E";
    out.push_back(line);
  }
  return out;
}

std::string asm_fixture::next_line() {
  std::string text;
  for (int c = get_char(cx); c != -1; c = get_char(cx)) {
    text += static_cast<char>(c);
    if (c == '\n') break;
  }
  return text;
}

std::vector<std::string> asm_fixture::all_lines() {
  std::vector<std::string> out;
  for (std::string l = next_line(); !l.empty(); l = next_line()) out.push_back(l);
  return out;
}

// ---- Symbols ----------------------------------------------------------------------------

ident_node* asm_fixture::user(const std::string& name) {
  ident_node* n = check_ident(cx, keep(name), name.size(), true);
  get_label_rec(cx, n);
  return n;
}

ident_node* asm_fixture::define(const std::string& name, int32_t value, uint16_t segment) {
  ident_node* n = user(name);
  expr_rec* e = make_constant(cx, value);
  if (segment != 0) e->state = EXPR_RELATIVE, e->segment = segment;
  n->label->value = e;
  n->label->flags &= ~LBL_UNDEFINED;
  return n;
}

segment_rec* asm_fixture::segment(const std::string& name, uint16_t number, uint8_t kind) {
  return make_test_segment(cx, user(name), number, kind);
}

// ---- The program and its command line ---------------------------------------------------

env_guard::env_guard(const char* name, const char* value) : name_(name) {
  if (const char* old = std::getenv(name)) old_ = old;
  if (value != nullptr)
    setenv(name, value, 1);
  else
    unsetenv(name);
}

env_guard::~env_guard() {
  if (old_)
    setenv(name_, old_->c_str(), 1);
  else
    unsetenv(name_);
}

namespace {

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

}  // namespace

int run_qasm(capture_table& cap, const std::vector<std::string>& words) {
  argv_words args(words);
  try {
    return qasm_main(cap.table, args.argc(), args.argv());
  } catch (const capture_exit& leave) {  // IDE mode leaves through the exit entry
    return leave.code;
  }
}

int command_line_run::run(const std::vector<std::string>& words) {
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

std::vector<std::string> command_line_run::words() const {
  std::vector<std::string> result;
  for (const arg_entry* e = cx.cmdline.args; e != nullptr; e = e->next) result.emplace_back(e->word);
  return result;
}

std::vector<int> command_line_run::origins() const {
  std::vector<int> result;
  for (const arg_entry* e = cx.cmdline.args; e != nullptr; e = e->next) result.push_back(e->origin);
  return result;
}

command_line_run::~command_line_run() { clean_up_files(cx); }
