// diag.cpp — reporting of numbered errors and warnings (A01): counting against
// the error limit, the warning filter and the hidden -c letters, and the
// printer that lays a diagnostic out for the console and for the list file.
#include "diag/diag.h"

#include <charconv>
#include <cstring>
#include <string>

#include "driver/block_stack.h"
#include "driver/context.h"
#include "driver/ide/user_text.h"
#include "driver/memory.h"
#include "driver/statement.h"
#include "driver/stops.h"

namespace {

constexpr const char* kFatalNote = "\nFatal! Execution terminated...\n";
constexpr char kIdeMessage = static_cast<char>(0xC0);  // a heading and text follow
constexpr char kIdeColumn = static_cast<char>(0xC1);   // the column of the next diagnostic

// The text that opens a block note for each kind of block.
const char* block_note_text(block_type type) {
  switch (type) {
    case block_type::macro: return "Recording MACRO started in line ";
    case block_type::repeat: return "Recording REPT, REPTI or REPTC started in line ";
    case block_type::conditional: return "In conditional assembly started in line ";
    case block_type::structured: return "In structured assembly started in line ";
    case block_type::none: break;
  }
  return nullptr;
}

// What a diagnostic points at.
struct problem_site {
  const char* file;
  long line;
  const char* text;
  long text_len;
  const line_rec* macro_line;
};

problem_site locate(const asm_context& cx, const statement_rec* record) {
  if (record != nullptr && record->line != nullptr) {
    const line_rec* l = record->line;
    return {l->file_name, l->line_no, l->text, static_cast<long>(l->text_len), l->macro_line};
  }
  // Pass 1: the reader's line, but for an expanded line being read: its own text.
  if (cx.driver.pass1 && cx.source.macro_expansion > 0 && cx.stmt.current != nullptr &&
      cx.stmt.current->line != nullptr && cx.stmt.current->line->macro_line != nullptr) {
    const line_rec* l = cx.stmt.current->line;
    return {l->file_name, l->line_no, l->text, static_cast<long>(l->text_len), l->macro_line};
  }
  const source_state& s = cx.source;
  return {s.file_name != nullptr ? s.file_name : "", s.line_no, s.line != nullptr ? s.line : "",
          s.line_len, nullptr};
}

void append_decimal(std::string& out, long value) { out += std::to_string(value); }

void append_hex(std::string& out, long value) {
  char digits[24];
  auto end = std::to_chars(digits, digits + sizeof digits, static_cast<unsigned long>(value), 16).ptr;
  out.append(digits, end);
}

// The source line as the console shows it: control characters become "$".
void append_echo(std::string& out, const char* text, long length) {
  for (long i = 0; i < length && text[i] != '\0' && text[i] != '\n'; ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    out += c < ' ' ? '$' : static_cast<char>(c);
  }
}

// Source line and marker, or in IDE mode the column line the agent reads.
void append_source_and_marker(const asm_context& cx, std::string& out, problem_sink sink,
                              const char* text, long length, int column) {
  if (sink == problem_sink::console && cx.driver.ide_mode) {
    out += kIdeColumn;
    append_decimal(out, column);
    out += '\n';
    return;
  }
  if (sink == problem_sink::console) {
    append_echo(out, text, length);
    out += '\n';
  }
  out.append(static_cast<std::size_t>(column - 1), '-');
  out += "^\n";
}

void append_block_note(const asm_context& cx, std::string& out) {
  block_entry top = top_block(cx);
  const char* note = block_note_text(top.type);
  if (note == nullptr) return;
  out += '\n';
  out += note;
  append_decimal(out, top.start_line);
  out += '\n';
}

// Text from the source (a file name, a string argument) on the IDE console
// keeps to its line: its line breaks become blanks.
void append_user(std::string& out, std::string_view text, bool ide_console) {
  const std::size_t from = out.size();
  out += text;
  if (ide_console) blank_line_breaks(out, from);
}

void append_expanded(const asm_context& cx, std::string& out, const char* message, bool ide_console) {
  const char* arg = cx.diag.arg_text != nullptr ? cx.diag.arg_text : "";
  for (const char* p = message; *p != '\0'; ++p) {
    switch (*p) {
      case MSG_LEAD:
      case MSG_FATAL: break;
      case MSG_STRING: out += '\''; append_user(out, arg, ide_console); out += '\''; break;
      case MSG_QUOTED: out += '"'; append_user(out, arg, ide_console); out += '"'; break;
      case MSG_NUMBER: append_decimal(out, cx.diag.arg_number); break;
      case MSG_HEX: append_hex(out, cx.diag.arg_number); break;
      case MSG_BLOCK: append_block_note(cx, out); break;
      default: out += *p; break;
    }
  }
}

// Moves the list buffer into a piece of the statement record, or into the
// loose pieces when there is none.
void flush_list_buffer(asm_context& cx, statement_rec* record) {
  diag_state& d = cx.diag;
  if (d.list_used == 0) return;
  const std::size_t length = static_cast<std::size_t>(d.list_used);
  d.list_used = 0;
  if (record != nullptr) {
    attach_diag_piece(cx, record, d.list_buffer, length);
    return;
  }
  diag_piece* piece = am_new<diag_piece>(cx);
  piece->text = am_strdup(cx, d.list_buffer, length);
  piece->length = static_cast<uint32_t>(length);
  if (d.loose_last != nullptr)
    d.loose_last->next = piece;
  else
    d.loose_first = piece;
  d.loose_last = piece;
}

// The statement a diagnostic without a given record belongs to: the current
// one, unless the next line is being read (its record comes later).
statement_rec* implied_statement(const asm_context& cx) {
  return cx.diag.holding ? nullptr : cx.stmt.current;
}

void write_to_list(asm_context& cx, const std::string& text, statement_rec* record) {
  diag_state& d = cx.diag;
  for (char c : text) {
    d.list_buffer[d.list_used++] = c;
    if (kListBufferSize - d.list_used < kListFlushMargin) flush_list_buffer(cx, record);
  }
  flush_list_buffer(cx, record);
}

bool warning_enabled(const asm_context& cx, int number) {
  if (number < 0 || number >= kWarningTableSize) return true;
  return cx.driver.opt.warning_enable_table[number] != 0;
}

// Counts one error; true when it reaches the error limit.
bool count_error(asm_context& cx) {
  driver_state& d = cx.driver;
  ++d.module_errors;
  if (d.ide_mode) cx.out->count_notification(d.module_errors, d.module_warnings);
  return d.opt.error_limit > 0 && d.module_errors == d.opt.error_limit;
}

int origin_of(const asm_context& cx, const statement_rec* record) {
  if (record == nullptr && cx.driver.pass1) record = cx.stmt.current;
  return record != nullptr && record->line != nullptr ? record->line->origin : 0;
}

// Prints a counted diagnostic to the list file and the console, then stops
// the run when its text is fatal (unless `stop` is off: the result then says
// that the run must stop).
bool report(asm_context& cx, int number, bool is_error, const char* type_word,
            statement_rec* record, int column, bool stop = true) {
  const char* message = find_message(cx, number, is_error);
  if (message == nullptr) {
    cx.diag.arg_text = nullptr;
    internal_error(cx, "print_problem", "unknown error number", number);
  }
  const option_settings& opt = cx.driver.opt;
  if (!(opt.suppress_origin2 && origin_of(cx, record) == 2)) {
    if (cx.driver.files.list != nullptr)
      print_problem(cx, problem_sink::list, number, type_word, message, record, column);
    if (!opt.silent_diagnostics)
      print_problem(cx, problem_sink::console, number, type_word, message, record, column);
  }
  cx.diag.arg_text = nullptr;
  const bool fatal = message_is_fatal(message) && !opt.ignore_errors;
  if (fatal && stop) fatal_exit(cx);
  return fatal;
}

bool raise_error(asm_context& cx, int number, statement_rec* record, int column, const char* text,
                 long value, bool stop = true) {
  // The listing shows the location of a statement that failed.
  if (statement_rec* at = record != nullptr ? record : cx.driver.pass1 ? implied_statement(cx) : nullptr)
    at->flags |= STMT_ERROR_REPORTED;
  cx.diag.arg_text = text;
  cx.diag.arg_number = value;
  if (count_error(cx)) {
    // The error that reaches the limit is replaced by error 9 naming the limit.
    number = static_cast<int>(gen_err::too_many_errors);
    cx.diag.arg_text = nullptr;
    cx.diag.arg_number = cx.driver.opt.error_limit;
  }
  return report(cx, number, true, "Error", record, column, stop);
}

void raise_warning(asm_context& cx, int number, statement_rec* record, int column,
                   const char* text, long value) {
  if (!warning_enabled(cx, number)) return;
  driver_state& d = cx.driver;
  cx.diag.arg_text = text;
  cx.diag.arg_number = value;
  if (d.opt.warnings_as_errors) {
    // Hidden letter W: counted against the error limit and headed "Error".
    if (count_error(cx)) {
      number = static_cast<int>(gen_err::too_many_errors);
      cx.diag.arg_text = nullptr;
      cx.diag.arg_number = d.opt.error_limit;
      report(cx, number, true, "Error", record, column);
    } else if (d.opt.all_warnings) {
      report(cx, number, false, "Error", record, column);
    }
    cx.diag.arg_text = nullptr;
    return;
  }
  if (!d.ide_mode || d.opt.all_warnings) {
    ++d.module_warnings;
    if (d.ide_mode) cx.out->count_notification(d.module_errors, d.module_warnings);
  }
  if (d.opt.all_warnings) report(cx, number, false, "Warning", record, column);
  cx.diag.arg_text = nullptr;
}

int column_of(const statement_rec* record, int operand) {
  switch (operand) {
    case OPERAND_1: return record->operand_column[0];
    case OPERAND_2: return record->operand_column[1];
    default: return record->operation_column;
  }
}

// Finds the statement and column of a pass-2 report. An impossible request is
// an internal error, which stops the run.
void find_pass2_site(asm_context& cx, const char* function, int record_kind, void* record,
                     int operand, statement_rec*& statement, int& column) {
  bool operand_ok = operand == OPERAND_1 || operand == OPERAND_2 || operand == OPERATION_FIELD;
  if (!operand_ok) internal_error(cx, function, "Illegal error type", operand);
  switch (record_kind) {
    case AVM_VIA_LINE:
      statement = record != nullptr ? static_cast<line_rec*>(record)->statement : nullptr;
      break;
    case AVM_RECORD: statement = static_cast<statement_rec*>(record); break;
    default: statement = cx.driver.pass1 ? cx.stmt.current : nullptr; break;
  }
  if (statement == nullptr && (record_kind == AVM_VIA_LINE || record_kind == AVM_RECORD))
    internal_error(cx, "print_problem A01", "AVM missing");
  column = statement != nullptr && operand_ok ? column_of(statement, operand) : cx.diag.token_column;
}

}  // namespace

int print_problem(asm_context& cx, problem_sink sink, int number, const char* type_word,
                  const char* message, statement_rec* record, int column) {
  if (message == nullptr) {
    internal_error(cx, "print_problem", "unknown error number", number);
    return 0;
  }
  if (column < 1) column = 1;
  const problem_site at = locate(cx, record);
  std::string out;

  diag_position& last = cx.diag.last_shown[static_cast<int>(sink)];
  if (!last.valid || last.line != at.line || last.column != column || last.file != at.file) {
    out += '\n';
    append_source_and_marker(cx, out, sink, at.text, at.text_len, column);
    last = diag_position{at.file, at.line, column, true};
  }
  const bool ide_console = sink == problem_sink::console && cx.driver.ide_mode;
  if (ide_console) out += kIdeMessage;
  out += '"';
  append_user(out, at.file, ide_console);
  out += "\",";
  append_decimal(out, at.line);
  out.append("  ").append(type_word).append("[");
  append_decimal(out, number);
  out += "]: ";
  append_expanded(cx, out, message, ide_console);
  out += '\n';

  if (at.macro_line != nullptr) {
    const line_rec* m = at.macro_line;
    append_source_and_marker(cx, out, sink, m->text, static_cast<long>(m->text_len), column);
    out += '"';
    append_user(out, m->file_name, ide_console);
    out += "\",";
    append_decimal(out, m->line_no);
    out += " <- macro line location\n";
  }

  const int fatal = message_is_fatal(message) && !cx.driver.opt.ignore_errors ? 1 : 0;
  if (fatal) out += kFatalNote;

  if (sink == problem_sink::console)
    cx.out->block_write(out.data(), 1, out.size(), cx.out->std_out);
  else
    write_to_list(cx, out, record != nullptr ? record : implied_statement(cx));
  return fatal;
}

void hold_diagnostics(asm_context& cx) {
  diag_state& d = cx.diag;
  d.holding = true;
  d.held_after = d.loose_last;
}

void attach_held_diagnostics(asm_context& cx, statement_rec* record) {
  diag_state& d = cx.diag;
  d.holding = false;
  diag_piece* first = d.held_after != nullptr ? d.held_after->next : d.loose_first;
  if (first == nullptr || record == nullptr) return;
  diag_piece* last = d.loose_last;
  if (d.held_after != nullptr)
    d.held_after->next = nullptr;
  else
    d.loose_first = nullptr;
  d.loose_last = d.held_after;
  if (record->diag_last != nullptr)
    record->diag_last->next = first;
  else
    record->diag_first = first;
  record->diag_last = last;
}

void release_held_diagnostics(asm_context& cx) { cx.diag.holding = false; }

diag_piece* take_loose_diagnostics(asm_context& cx) {
  diag_state& d = cx.diag;
  diag_piece* first = d.loose_first;
  d.loose_first = d.loose_last = d.held_after = nullptr;
  return first;
}

void user_error(asm_context& cx, error_id number, const char* text, long value) {
  raise_error(cx, number.number, nullptr, cx.diag.token_column, text, value);
}

bool user_error_deferred(asm_context& cx, error_id number, const char* text, long value) {
  return raise_error(cx, number.number, nullptr, cx.diag.token_column, text, value, false);
}

void user_error_at(asm_context& cx, int column, error_id number, const char* text, long value) {
  raise_error(cx, number.number, nullptr, column > 0 ? column : 1, text, value);
}

void user_error_on(asm_context& cx, statement_rec* record, int column, error_id number, const char* text,
                   long value) {
  raise_error(cx, number.number, record, column > 0 ? column : 1, text, value);
}

void user_warning_on(asm_context& cx, statement_rec* record, int column, warning_id number, const char* text,
                     long value) {
  raise_warning(cx, number.number, record, column > 0 ? column : 1, text, value);
}

void user_error_pass2(asm_context& cx, int record_kind, void* record, error_id number, int operand,
                      const char* text, long value) {
  statement_rec* statement = nullptr;
  int column = 1;
  find_pass2_site(cx, "user_error_pass2_A01", record_kind, record, operand, statement, column);
  raise_error(cx, number.number, statement, column, text, value);
}

void user_warning(asm_context& cx, warning_id number, const char* text, long value) {
  raise_warning(cx, number.number, nullptr, cx.diag.token_column, text, value);
}

void user_warning_at(asm_context& cx, int column, warning_id number, const char* text, long value) {
  raise_warning(cx, number.number, nullptr, column > 0 ? column : 1, text, value);
}

void user_warning_pass2(asm_context& cx, int record_kind, void* record, warning_id number,
                        int operand, const char* text, long value) {
  if (!warning_enabled(cx, number.number)) return;
  statement_rec* statement = nullptr;
  int column = 1;
  find_pass2_site(cx, "user_warning_pass2_A01", record_kind, record, operand, statement, column);
  raise_warning(cx, number.number, statement, column, text, value);
}

void fp_warnings(void* user, int code) {
  asm_context& cx = *static_cast<asm_context*>(user);
  switch (code) {
    case 1: user_warning(cx, gen_warn::float_out_of_range); break;
    case 2: user_warning(cx, gen_warn::float_division_by_zero); break;
    default: internal_error(cx, "fp_warnings - A03", "unknown warning", code); break;
  }
}
