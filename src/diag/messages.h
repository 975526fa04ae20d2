// messages.h — numbered diagnostic texts (A01): the generic error and warning
// tables, the target's tables, lookup by number, and the names of the numbers.
#pragma once

struct asm_context;

// Control bytes inside a stored text, replaced when the text is printed.
enum message_control : char {
  MSG_LEAD = 1,    // stands first in the text; skipped
  MSG_FATAL = 2,   // the run stops after the message
  MSG_STRING = 3,  // the string argument in single quotes
  MSG_QUOTED = 4,  // the string argument in double quotes
  MSG_NUMBER = 5,  // the number argument in decimal
  MSG_HEX = 6,     // the number argument in hexadecimal
  MSG_BLOCK = 7,   // where the innermost open block started
};

// One row of a message table; a table ends with a row whose number is negative.
struct message_entry {
  int number;
  const char* text;
};

// Generic errors. Numbers 89, 91 and 97 have no text.
enum class gen_err : int {
  invalid_syntax = 0,
  include_too_deep = 1,
  include_open_failed = 2,
  include_bad_name = 3,
  unexpected_eof = 4,
  line_too_long = 5,
  bad_constant = 6,
  hex_without_digits = 7,
  bad_float = 8,
  too_many_errors = 9,
  space_or_tab_expected = 10,
  block_too_deep = 11,
  string_too_long = 12,
  missing_delimiter = 13,
  missing_endif = 14,
  invalid_character = 15,
  identifier_expected = 16,
  rparen_expected = 17,
  no_such_pp_command = 18,
  pp_unexpected_token = 19,
  define_too_long = 20,
  too_many_formals = 21,
  macro_param_redefined = 22,
  comma_or_rparen_expected = 23,
  unmatched_pp_else = 24,
  error_directive = 25,
  lparen_expected = 26,
  too_many_active_params = 27,
  too_many_param_macros = 28,
  macro_too_deep = 29,
  actual_too_long = 30,
  too_many_actuals = 31,
  too_few_actuals = 32,
  too_many_macro_args = 33,
  may_not_be_redefined = 34,
  macro_without_name = 35,
  bad_formal = 36,
  endm_outside_macro = 37,
  gt_expected = 38,
  end_before_module = 39,
  bad_instruction = 40,
  bad_label = 41,
  duplicate_label = 42,
  bad_effective_address = 43,
  comma_expected = 44,
  name_duplicated = 45,
  segment_type_expected = 46,
  segment_name_expected = 47,
  value_out_of_range = 48,
  alignment_already_set = 49,
  undefined_symbol = 50,
  public_and_extern = 51,
  extern_not_allowed = 52,
  must_be_absolute = 53,
  forward_reference = 54,
  illegal_size = 55,
  too_many_digits = 56,
  cond_unbalanced = 57,
  else_without_if = 58,
  endif_without_if = 59,
  structured_unbalanced = 60,
  plus_or_minus_expected = 61,
  extern_public_operation = 62,
  non_constant_label_operation = 63,
  extern_or_unsolved = 64,
  equals_expected = 65,
  segment_too_long = 66,
  public_not_in_label_field = 67,
  endr_without_start = 68,
  segment_not_relocatable = 69,
  limit_exceeded = 70,
  already_extern = 71,
  already_public = 72,
  end_of_module_missing = 73,
  negative_result = 74,
  repeat_unbalanced = 75,
  repeat_end_missing = 76,
  local_not_allowed = 77,
  macro_end_expected = 78,
  repeat_end_expected = 79,
  cond_end_expected = 80,
  structured_end_expected = 81,
  structured_end_misplaced = 82,
  sfr_attribute = 83,
  bad_symbol_type = 84,
  wrong_argument_count = 85,
  number_expected = 86,
  must_be_public_or_extern = 87,
  not_deffn = 88,
  aseg_overlap = 90,
  macro_stack_empty = 92,
  macro_stack_overflow = 93,
  macro_stack_range = 94,
  bad_macro_operator = 95,
  no_such_macro_arg = 96,
  re_with_include = 98,
  include_in_macro = 99,
  duplicate_segment = 100,
  pubweak_not_in_rseg = 101,
  locframe_external = 102,
  cfi_error = 103,
  label_needed = 104,
  bad_multibyte = 105,
  label_was_segment = 106,
  segment_was_label = 107,
  symbol_too_long = 108,
  expression_too_complex = 109,
  mixed_pubweak = 110,
  multiple_modules = 111,
  library_reference = 112,
  start_address_not_allowed = 113,
  directive_not_allowed = 114,
  segment_type_not_allowed = 115,
  segment_type_missing = 116,
  segment_start_not_allowed = 117,
  outside_segment = 118,
  label_redefined_in_symbol = 119,
  extweak_not_allowed = 120,
  multiple_pubweak = 121,
  pubweak_needs_reorder = 122,
  define_not_constant = 123,
};

// Generic warnings.
enum class gen_warn : int {
  unreferenced_label = 0,
  nested_comment = 1,
  unknown_escape = 2,
  non_printable = 3,
  macro_or_define_expected = 4,
  float_out_of_range = 5,
  float_division_by_zero = 6,
  bad_string_operator = 7,
  macro_params_unused = 8,
  macro_redefined = 9,
  unknown_macro = 10,
  empty_macro_argument = 11,
  recursive_macro = 12,
  sfr_redefined = 13,
  division_by_zero = 14,
  constant_truncated = 15,
  suspicious_sfr_expression = 16,
  empty_module = 17,
  end_in_include = 18,
  symbol_duplicated = 19,
  bit_symbol_operand = 20,
  label_not_in_label_field = 21,
  segment_alignment = 22,
  noroot_default = 23,
  endmod_ignored = 24,
};

// The generic tables.
const message_entry* generic_error_table();
const message_entry* generic_warning_table();

// The text of `number` in a table ending with number -1, or null.
const char* search_message(const message_entry* table, int number);

// The stored text of an error or warning number, control bytes included.
// Numbers below 400 are looked up in the generic table, all others and any
// generic number without a text in the target's; a number the target lacks
// gets the "not implemented" text. Null only for a negative number.
const char* find_message(const asm_context& cx, int number, bool is_error);

// True when the stored text carries the fatal flag.
bool message_is_fatal(const char* text);
