// operands.h — reading directive operands (A09): punctuation, the end of the
// operand field, and expressions that must be known numbers when their line
// is read (alignments, counts, locations).
#pragma once

#include <cstdint>

#include "diag/messages.h"

struct asm_context;
struct expr_rec;
struct token;

bool is_punct(const token& t, char c);

// True when only the end of the line (or a comment) is left; nothing is consumed.
bool at_operand_end(asm_context& cx);

// Reads the next token; when it is not `c`, reports `missing` at it, gives it
// back and returns false.
bool expect_punct(asm_context& cx, char c, gen_err missing);

// An expression that must be an absolute number known now, within
// min..max: error 54 when it is not known yet, 53 when it is not absolute,
// 48 with `range` when it is out of bounds. Null after any error (the line's
// operands are then skipped by the caller's error path).
expr_rec* read_absolute_operand(asm_context& cx, int column, int32_t min, int32_t max, const char* range);

// A location for ORG or ASEG: an absolute number, or an offset in the
// current segment ($ + 10). Error 54 when not known yet, 53 for a value
// relative to another segment or external, 74 when negative. False after an
// error.
bool read_location_operand(asm_context& cx, int column, int32_t* value);
