// fields.h — operand fields of an instruction in pass 2 (B02): a value known
// now is range-checked and written; a relocatable or external one goes to the
// linker as a postfix expression with the operators that fit it into its
// field and a range check whose message text is built when the object is
// written. One function per field kind; the encoders combine them.
#pragma once

#include <cstdint>

#include "target/encoders.h"
#include "target/target.h"

struct expr_rec;
struct postfix_elem;
struct postfix_list;

// The value of an operand expression as pass 2 finds it: known, or left to
// the linker. An undefined symbol is error 50 (with its name) and reads as 0.
struct field_value {
  bool known;
  int32_t value;
};
field_value field_of(encode_call& call, const expr_rec* expr, int operand);

// A byte immediate or [HL+byte] offset: -128..255, else warning 400.
void emit_imm8(encode_call& call, const expr_rec* expr, int operand);
// A 16-bit immediate: -32768..65535, else warning 400.
void emit_imm16(encode_call& call, const expr_rec* expr, int operand);
// A 16-bit address; `even` in word forms (error 428).
void emit_address16(encode_call& call, const expr_rec* expr, int operand, bool even);
// The low byte of an address in the saddr area (0FE20H..0FF1FH) or, with
// `sfr`, the SFR area (0FF00H..0FFFFH): warning 400 outside; `even` in word forms.
void emit_area_byte(encode_call& call, const expr_rec* expr, int operand, bool sfr, bool even);
// The 8-bit displacement from the end of the instruction to `target`: error
// 424 beyond -128..127.
void emit_displacement(encode_call& call, const expr_rec* target, int operand);
// `opcode` with a bit number 0..7 in bits 4..6: error 414 beyond.
void emit_bit_opcode(encode_call& call, const expr_rec* bit, int operand, uint8_t opcode);

// Reports on the statement at an operand.
void report_error(encode_call& call, tgt_err number, int operand);
void report_range_warning(encode_call& call, int operand);

// True when the expression is a bit symbol: a bit equate, or a reference to one.
bool is_bit_symbol(const expr_rec* expr);

// Builds the postfix expression of one field the linker fills in. The
// records are reused from one statement to the next (recycle_linker_fields).
class linker_field {
 public:
  explicit linker_field(encode_call& call);
  linker_field& operand(const expr_rec* x);
  linker_field& constant(int32_t value, uint16_t segment = 0);
  linker_field& op(uint16_t code);
  // The linker checks the value so far against [min, max]; `message` is one of
  // the target's linker texts.
  linker_field& check(int32_t min, int32_t max, const char* message);
  // Adds (x AND 1, checked to be 0) * 0: an odd x is reported, the value stays.
  linker_field& even(const expr_rec* x);
  void emit(uint8_t size);

 private:
  encode_call& call_;
  expr_rec* expr_;
  postfix_list* saved_list_;   // what the push functions appended to before
  postfix_elem* saved_end_;
};

// The linker fields of the statement encoded before are no longer needed.
void recycle_linker_fields(asm_context& cx);

// The message texts the linker checks carry.
const char* text_number_out_of_range();
const char* text_expression_out_of_range();
const char* text_branch_too_long();
const char* text_even_value_expected();
