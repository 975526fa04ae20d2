// diag.h — numbered errors and warnings (A01): reporting, counting against the
// error limit, the warning filter, and the printer for the console and the list.
#pragma once

#include <string>

#include "diag/messages.h"

struct asm_context;
struct diag_piece;
struct statement_rec;

// The list file collects a diagnostic in a buffer of this size, flushed into a
// piece of the statement record when fewer than kListFlushMargin places remain.
constexpr int kListBufferSize = 128;
constexpr int kListFlushMargin = 6;

// Where print_problem writes; the values are the echo flag.
enum class problem_sink : int { list = 0, console = 1 };

struct diag_position {
  std::string file;
  long line = 0;
  int column = 0;
  bool valid = false;
};

// The target's message numbers (declared by the target); a report takes
// them as it takes the generic ones.
enum class tgt_err : int;
enum class tgt_warn : int;

// The text of a target message by number (error or warning), or nullptr:
// the target hands it over when it is attached.
using target_text_lookup = const char* (*)(int number, bool is_error);

struct diag_state {
  target_text_lookup target_text = nullptr;
  const char* arg_text = nullptr;      // string argument of the report ({s}, {q})
  long arg_number = 0;                 // number argument of the report ({n}, {x})
  int token_column = 1;                // pass-1 column; the lexer keeps it at the token being read
  diag_position last_shown[2];         // previous diagnostic's position, per sink
  char list_buffer[kListBufferSize] = {};
  int list_used = 0;
  // List-file pieces with no statement record to go to: those of a line being
  // read before its record exists (the reader's errors), which then go to that
  // record, and those of no line at all, which the listing writes in the
  // module's diagnostics block.
  diag_piece* loose_first = nullptr;
  diag_piece* loose_last = nullptr;
  diag_piece* held_after = nullptr;  // the loose pieces after this one belong to the line being read
  bool holding = false;
};

// An error or warning number, given by name; a bare number must be spelled out.
struct error_id {
  int number;
  constexpr explicit error_id(int n) : number(n) {}
  constexpr error_id(gen_err e) : number(static_cast<int>(e)) {}
  constexpr error_id(tgt_err e) : number(static_cast<int>(e)) {}
};
struct warning_id {
  int number;
  constexpr explicit warning_id(int n) : number(n) {}
  constexpr warning_id(gen_warn w) : number(static_cast<int>(w)) {}
  constexpr warning_id(tgt_warn w) : number(static_cast<int>(w)) {}
};

// How user_error_pass2 finds the statement: through a line record, the
// statement record itself, or the current statement (pass 1 only).
enum avm_ref_kind : int { AVM_CURRENT = 0, AVM_VIA_LINE = 1, AVM_RECORD = 2 };

// Operand positions of user_error_pass2: the column reported.
enum operand_pos : int { OPERAND_1 = 1, OPERAND_2 = 2, OPERATION_FIELD = 3 };

// From here until the next call below, diagnostics without a statement record
// given belong to the line about to be read, not to the current statement.
void hold_diagnostics(asm_context& cx);
// The line's record exists: the diagnostics held for it go to it.
void attach_held_diagnostics(asm_context& cx, statement_rec* record);
// No record follows (the end of the input): what was held stays loose.
void release_held_diagnostics(asm_context& cx);
// The loose pieces in the order written; the list is empty afterwards.
diag_piece* take_loose_diagnostics(asm_context& cx);

// An error found while reading a statement (pass 1), at the source reader's
// line and the lexer's column. `text` fills {s}/{q}, `value` fills {n}/{x}.
// Stops the run when the message is fatal.
void user_error(asm_context& cx, error_id number, const char* text = nullptr, long value = 0);

// As user_error, but a fatal text does not stop the run: the result says that
// it must stop, which the caller does once it has finished what comes first.
bool user_error_deferred(asm_context& cx, error_id number, const char* text = nullptr, long value = 0);

// As user_error, at `column` of the line being read.
void user_error_at(asm_context& cx, int column, error_id number, const char* text = nullptr, long value = 0);

// An error on a recorded statement; `record` is a line record (AVM_VIA_LINE),
// a statement record (AVM_RECORD) or ignored (AVM_CURRENT).
void user_error_pass2(asm_context& cx, int record_kind, void* record, error_id number, int operand,
                      const char* text = nullptr, long value = 0);

// A warning found while reading a statement; nothing happens when disabled.
void user_warning(asm_context& cx, warning_id number, const char* text = nullptr, long value = 0);

// An error on a recorded statement at a column of its line (pass 2).
void user_error_on(asm_context& cx, statement_rec* record, int column, error_id number, const char* text = nullptr,
                   long value = 0);
// A warning on a recorded statement at a column of its line (pass 2).
void user_warning_on(asm_context& cx, statement_rec* record, int column, warning_id number, const char* text = nullptr,
                     long value = 0);

// As user_warning, at `column` of the line being read.
void user_warning_at(asm_context& cx, int column, warning_id number, const char* text = nullptr, long value = 0);

// A warning on a recorded statement; arguments as for user_error_pass2.
void user_warning_pass2(asm_context& cx, int record_kind, void* record, warning_id number,
                        int operand, const char* text = nullptr, long value = 0);

// Warning hook of the floating-point package; `user` is the asm_context.
// Code 1: value out of range, code 2: division by zero.
void fp_warnings(void* user, int code);

// Prints one diagnostic with the stored text `message` to the console or into
// the list buffer, positioned at `record` (or the reader's current line when
// null) and `column`. Returns non-zero when the text is fatal and fatal flags
// are honoured; the caller stops the run.
int print_problem(asm_context& cx, problem_sink sink, int number, const char* type_word,
                  const char* message, statement_rec* record, int column);
