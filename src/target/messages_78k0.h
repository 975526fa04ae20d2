// messages_78k0.h — names of the 78K0 target's error and warning numbers (B00);
// the texts are in messages_78k0.cpp and are reported through the diagnostics.
#pragma once

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
