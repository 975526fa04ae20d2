// instruction.h — the instruction path inside the target (B00, B01): form
// matching, the short-branch choice, the SFR access check, the shared
// operand values, and the registrations of the instruction set.
#pragma once

#include <cstdint>

#include "target/instr_form.h"

struct asm_context;
struct expr_rec;
struct statement_rec;

// Mnemonic indexes the matching treats specially.
constexpr int kMnemonicAddc = 1;
constexpr int kMnemonicAdd = 2;
constexpr int kMnemonicAnd = 4;
constexpr int kMnemonicCmp = 20;
constexpr int kMnemonicOr = 41;
constexpr int kMnemonicSubc = 57;
constexpr int kMnemonicSub = 58;
constexpr int kMnemonicXor = 63;

// The form of `forms` (a mnemonic's list) that the operands match, with the
// short branch taken where its target is near; null after error 415.
// Reclassifies operands as the matching rules say (ops is changed).
const instr_form* find_instr(asm_context& cx, const instr_form* forms, int mnemonic_index, operand_desc* ops,
                             int count, statement_rec* record);

// Whether a branch from the statement to `target` fits the short form of
// `short_length` bytes: the target is known in the statement's own segment
// (or both are absolute) and the displacement lies in -128..127.
bool expr_fits(const asm_context& cx, const expr_rec* target, const statement_rec* record, int short_length);

// The SFR access check of one operand against what its form needs: false
// after error 425 or 426 (at `column`). An operand without an SFR symbol
// (a plain address in the SFR area) needs no check.
bool check_sfr_in_expression(asm_context& cx, const operand_desc& operand, const instr_form* form,
                             uint32_t requirement, int column);

// The pool's record for a solved operand value (the record given is given
// back to the grammar when the pool has one already); other records as they are.
expr_rec* shared_operand_value(asm_context& cx, expr_rec* expr);
// A record given back to the grammar, or null.
expr_rec* take_spare_expr(asm_context& cx);

// Mnemonics of the selected processor option and the register names.
void register_instruction_set(asm_context& cx);
// The SFR declarations (sfr, sfrp, const, SFRTYPE).
void register_sfr_directives(asm_context& cx);
// The equate directives EQU and "=".
void register_equate_directives(asm_context& cx);
