// target.h — everything the assembler core asks of its target processor (B00).
// The driver, diagnostics, source, expression and directive modules include
// nothing else from src/target/; the target includes the core freely. This
// header itself includes no other header of the assembler, so it can sit
// below every module.
#pragma once

#include <cstdint>
#include <string>

struct asm_context;
struct code_sink;
struct expr_rec;
struct statement_call;
struct statement_rec;
struct target_state;

// ---- Message numbers -----------------------------------------------------------
// The target's errors and warnings, numbers 400 and up; the texts are the
// target's (target_message).

enum class tgt_err : int {
  nothing_to_break = 400,
  unterminated_comment = 401,
  case_after_default = 402,
  case_outside_switch = 403,
  nothing_to_continue = 404,
  default_outside_switch = 405,
  else_twice = 406,
  elseif_after_else = 407,
  elseif_without_if = 408,
  endf_without_for = 409,
  ends_without_switch = 410,
  multiple_default = 411,
  bad_break_argument = 412,
  until_without_repeat = 413,
  expression_out_of_range = 414,
  operand_syntax = 415,
  too_many_operands = 416,
  illegal_register = 417,
  step_unsolvable = 418,
  then_without_if = 419,
  wend_without_while = 420,
  negative_step = 421,
  zero_step = 422,
  step_too_large = 423,
  branch_too_long = 424,
  sfr_access = 425,
  sfr_size = 426,
  else_without_if = 427,
  odd_address = 428,
  same_source_destination = 429,
  illegal_rhs_register = 430,
  no_relocatable_bit = 431,
  bit_equate_public = 432,
};

enum class tgt_warn : int {
  number_out_of_range = 400,
  sfr_no_access_flags = 401,
  sfr_multiple_sizes = 402,
  sfr_no_size = 403,
  rss_not_supported = 404,
  even_value_expected = 405,
};

// The stored text of a target error or warning (control bytes as in the
// generic tables), or null when the target has none of that number.
const char* target_message(int number, bool is_error);

// ---- Identity and defaults -------------------------------------------------------

// "78K0 and 78K0S": the processors named in the sign-on and the listing header.
const char* target_processor_names();
// The -v help head ("-v?" with "?" replaced by each choice's first character)
// and the comma-separated choices; the first choice is the default.
const char* target_processor_head();
const char* target_processor_choices();
// User symbols are case sensitive unless -s says otherwise.
bool target_case_sensitive_default();
// The warning string applied before the command line's -w.
const char* target_default_warnings();
// Whether the target counts instruction cycles for the listing.
bool target_counts_cycles(const asm_context& cx);

// ---- Start-up ----------------------------------------------------------------------

// Makes the target's state for this context (once, before anything below).
void target_attach(asm_context& cx);
// Releases what target_attach made; the context's destructor calls it.
void target_release(target_state* state);
// Registers the target's keywords in the symbol table: special characters,
// prefixes, suffix, SFR types, target symbols, delimiters, the mnemonics of
// the selected processor option (-v), the registers, and the target's
// directives (sfr, sfrp, const, SFRTYPE, EQU, "="); installs the path of
// instruction lines. The expression operators are registered by the core.
void target_start(asm_context& cx);

// After the core's directives are registered: every directive class that
// recording and skipping recognise by name has a name, and ASEGN exists;
// a missing one is an internal error of "assemble_A03".
void check_directive_names(asm_context& cx);

// The predefined preprocessor symbols of the target, defined as -D does.
void define_target_symbols(asm_context& cx);
// Core number of the selected processor option (__CORE__).
int target_core_number(const asm_context& cx);
// __TID__: (processor number + 480) * 16 + core number.
long target_identifier(const asm_context& cx);

// ---- Operand fields and expressions -------------------------------------------------

// How an expression read by parse_absolute_expression turned out.
enum class expr_outcome : int {
  absolute = 0,     // *value holds the number
  syntax_error,     // reported (error 0) by the parser
  relocatable,      // known, but relative to a segment
  not_known,        // refers to a symbol whose value is not known (yet)
};

// Parses one expression from the current input (the operand grammar in
// expression mode), up to the end of the line or a ","; the token that ended
// it is left to be read. The expression is folded and taken out of the list
// of unsolved expressions.
expr_outcome parse_absolute_expression(asm_context& cx, int32_t* value);

// Parses one expression from the current input into a new expression record;
// null after a syntax error. The token that ended it is left to be read.
expr_rec* parse_expression(asm_context& cx);

// Parses a text of at most 118 characters as one expression ("Buffer too
// small" beyond); null after a syntax error.
expr_rec* string_to_expression(asm_context& cx, const char* text);

// ---- Instructions -----------------------------------------------------------------------

// Pass 1 of a line whose operation is a mnemonic: reads the operand field,
// chooses the instruction form, and records the form and the operands in the
// statement (kind instruction) with the form's length as its byte count.
// Errors that do not depend on values are reported here (0, 415, 416, 417,
// 425, 426, 429) and mark the statement erroneous; it keeps the length of
// its form when one was found (425, 426, 429), else it has no bytes.
void target_instruction(asm_context& cx, const statement_call& call);

// Pass 2: emits the code of an instruction statement for the form chosen in
// pass 1, with its operands' final values; fields not known at assembly time
// go to the sink as expressions for the linker with their range checks.
// Value errors (400, 414, 424, 428, 431, and 50 for a symbol still
// undefined) are reported on the statement, whose bytes are emitted all the
// same. False when the statement failed (it is then marked erroneous), or
// was marked in pass 1 (nothing is emitted then). The expressions of the
// sink's linker fields stay valid until the next call.
bool gen_instruction(asm_context& cx, statement_rec* record, code_sink& sink);

// Linker range checks of instruction fields carry their message text by
// reference: the string element before "_?ERROR_TEXT" points at one of the
// target's own message texts, recognised by linker_text_deferred. The object
// writer writes linker_check_text for it, built from the message and the
// statement the field belongs to ("\n %s\n File: %s, Line: %d \n Source: %s";
// without a file name "\n %s\n Source: %s"; without a line "\n %s\n ";
// empty for no message).
bool linker_text_deferred(const char* text);
std::string linker_check_text(asm_context& cx, const statement_rec* record, const char* message);

// Bytes of a data item of the size code of a data directive: 1 -> 1, 2 -> 2,
// 4 -> 3, 8 and 32 -> 4, 64 -> 8; another code is the internal error
// "Illegal size" of size_in_bytes.
int size_in_bytes(asm_context& cx, int size_code);
