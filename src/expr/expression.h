// expression.h — expression records, their postfix chains, folding, relocatability,
// LIMIT and the linker range check (A08). Everything here lives in the arena.
#pragma once

#include <cstdint>

#include "source/symbols.h"

struct asm_context;
struct ident_node;
struct segment_rec;
struct postfix_list;
struct postfix_elem;

// Solve states of expr_rec::state.
enum expr_state_code : int32_t {
  EXPR_UNSOLVED = 0,   // a symbol is not known yet; the postfix list stays
  EXPR_ABSOLUTE = 1,   // value is a number
  EXPR_RELATIVE = 2,   // value is an offset in `segment`
  EXPR_TEMPORARY = 3,  // pass 1 only: provisional_value holds the number, the list stays
  EXPR_POSTFIX = 4,    // final postfix form for the linker
};

// Types of expr_rec::type; EXPR_COMPLEX is added when the relocatable part
// is not symbol plus constant.
enum expr_type_code : int32_t {
  TYPE_UNDEF = 0,
  TYPE_OFFSET = 1,
  TYPE_LABEL = 2,
  TYPE_COMPLEX = 128,
};

// Bits of expr_rec::flags. The top eight bits come from the symbol the value comes from.
constexpr uint32_t kExprSaddr = 0x8000000;       // short direct addressing asked for (SADDR)
constexpr uint32_t kExprSymbolBits = 0xFF000000;
constexpr uint32_t kExprBitSymbol = LBL_BIT_EQUATE;  // value is a bit symbol (bit equate)

// Bits of expr_rec::limit_kind.
constexpr uint16_t kLimitLower = 1;
constexpr uint16_t kLimitUpper = 2;
constexpr uint16_t kLimitBoth = 3;
constexpr uint16_t kLimitApplied = 128;


struct expr_rec {
  uint16_t segment;             // segment the value is relative to; 0 absolute
  int32_t state;                // expr_state_code
  uint32_t origin;              // source position at creation
  uint16_t in_unsolved_list;
  uint16_t reserved_flags;
  uint32_t flags;
  union {
    int32_t value;              // states 1 and 2
    postfix_list* list;         // states 0, 3 and 4
  };
  int32_t provisional_value;    // state 3
  ident_node* owner;            // symbol whose value this is, or null
  uint16_t limit_kind;
  int32_t limit_min;
  int32_t limit_max;
  const char* limit_name;
  uint32_t no_linker_check;
  int32_t type;                 // expr_type_code
  ident_node* base;             // label or external the value is relative to
  uint32_t aux;
  uint16_t relocatable_terms;
  uint32_t aux2;
};

struct postfix_list {
  uint32_t count;               // elements before the end element
  postfix_elem* first;
  expr_rec* owner;
  postfix_list* prev_unsolved;
  postfix_list* next_unsolved;
};

// Kinds of postfix_elem::kind.
enum postfix_kind : uint32_t {
  PF_CONSTANT = 1,
  PF_OPERATOR = 2,
  PF_SYMBOL = 3,    // label reference
  PF_SFB = 4,       // segment begin, applied to the offset before it
  PF_SFE = 5,       // segment end, likewise
  PF_SEGOP = 6,     // other segment operator (pushed like 4 and 5)
  PF_STRING = 7,
  PF_EXTERN = 8,    // external reference; segment_or_tag holds the external index
  PF_LOCATION = 9,  // location counter placeholder
  PF_END = 10,
};

union postfix_payload {
  int32_t value;                                  // PF_CONSTANT
  struct { uint16_t code; uint16_t unary; } op;   // PF_OPERATOR
  ident_node* symbol;  // PF_SYMBOL, PF_EXTERN; for PF_SFB..PF_SEGOP the segment name,
                       // so that a segment declared after the reference is found again
  const char* text;    // PF_STRING (may be null)
};

struct postfix_elem {
  uint32_t kind;
  uint16_t segment;
  uint32_t segment_or_tag;      // segment number carried by a constant or a segment operator
  uint32_t reserved;
  postfix_payload payload;
  union {
    segment_rec* seg;           // PF_SFB, PF_SFE, PF_SEGOP
    expr_rec* tree;             // owner once linked into a solved tree
  } aux;
  expr_rec* expr;               // expression the element belongs to
  postfix_elem* next;
  postfix_elem* prev;
};

// One operator table entry, hung from the operator's spelling in the symbol table.
struct operator_rec {
  uint16_t code;
  uint16_t klass;     // precedence class: 1, 4, 8, 16, 32, 64
  uint16_t reserved;
  int32_t index;
};

// A list of undefined symbols (mark_or_get_undef).
struct undef_entry {
  ident_node* symbol;
  undef_entry* next;
};
struct undef_list {
  undef_entry* first = nullptr;
};

// ---- Records ---------------------------------------------------------------

// A fresh record in *slot (state 0, no limit, 65535 relocatable terms). With
// `fresh` clear an existing record in the slot is reused.
expr_rec* init(asm_context& cx, expr_rec** slot, bool fresh, ident_node* owner);
// A record in state 1 holding `value`.
expr_rec* make_constant(asm_context& cx, int32_t value);
// A record solved relative to segment number `segment` (state 2), or absolute
// (state 1) when `segment` is 0: the value of a label at `offset`.
expr_rec* make_relative(asm_context& cx, uint16_t segment, int32_t offset);
// Gives `expr` an empty postfix list (one end element), state 0; the push
// functions append to it from now on.
postfix_list* new_postfix(asm_context& cx, expr_rec* expr);

// ---- Building ----------------------------------------------------------------

// Appends one element to the list being built. `payload` by kind: 1 the value,
// 2 the operator code (with `unary`), 3 and 8 the symbol, 4-6 the segment
// name, 7 the text, 9 nothing. `segment` is the segment of a constant or of a
// segment operator; `seg` the segment record of 4-6; `tag` the external index of 8.
postfix_elem* push(asm_context& cx, uint32_t kind, postfix_payload payload, uint16_t unary = 0,
                   uint16_t segment = 0, segment_rec* seg = nullptr, uint32_t tag = 0);
postfix_elem* push_constant(asm_context& cx, int32_t value, uint16_t segment = 0);
postfix_elem* push_operator(asm_context& cx, uint16_t code, bool unary);
postfix_elem* push_symbol(asm_context& cx, ident_node* symbol);
postfix_elem* push_segment_operator(asm_context& cx, uint32_t kind, ident_node* name);
postfix_elem* push_string(asm_context& cx, const char* text);
postfix_elem* push_external(asm_context& cx, ident_node* symbol, uint32_t external_index);

// Appends to an expression in state 0 or 4 ("Expression solved, can't push" otherwise).
postfix_elem* push_after_expression(asm_context& cx, expr_rec* expr, uint32_t kind,
                                    postfix_payload payload, uint16_t unary = 0);
// Appends the linker range check [min, max] with `name` as its message to the
// list being built.
void push_check(asm_context& cx, int32_t min, int32_t max, const char* name);
// The same, appended to `expr` (state 0 or 4).
void push_check_after(asm_context& cx, expr_rec* expr, int32_t min, int32_t max, const char* name);
// A solved expression (state 1 or 2) made a postfix list of its one constant,
// keeping its segment, so that operators and checks can follow it for the
// linker; other states are left as they are.
void as_postfix(asm_context& cx, expr_rec* expr);

// ---- Solving -----------------------------------------------------------------

// The 32-bit result of one operator; a prefix operator takes `right`.
int32_t arithmethics(asm_context& cx, int32_t left, int32_t right, const postfix_elem* op);

// An operand value as folding sees it.
struct operand_value {
  bool known;      // foldable
  bool temporary;  // comes from a provisional (state 3) value
  bool unsolved;   // refers to a symbol whose value is not known yet
  int32_t value;
  uint16_t segment;
};
// The value of one constant or symbol element.
operand_value get_value(asm_context& cx, const postfix_elem* elem);
// Whether `op` may be folded on these operands, and the result's segment.
bool get_operands(asm_context& cx, const postfix_elem* op, const operand_value& left,
                  const operand_value& right, uint16_t* result_segment);

// Gives the expression's postfix list back for reuse; the record is empty
// (state 0, no list) until it is built again.
void release_postfix(asm_context& cx, expr_rec* expr);

// Folds the list as far as the operands allow and sets the state from what is left.
int32_t fold_expression(asm_context& cx, expr_rec* expr);
// The solve state of a list that folding has left; a result of 4 enters the
// expression into the list of unsolved expressions.
int32_t solved(asm_context& cx, postfix_list* list, expr_rec* expr);
// type, base and relocatable_terms from the postfix list.
void set_expression_type(asm_context& cx, expr_rec* expr);
// The action for a complete expression: type, SFR check (warning 16 unless
// `quiet_sfr`), folding, and entry into the unsolved list when not final.
// Returns the SFR symbol the expression refers to, if any.
ident_node* finish_expression(asm_context& cx, expr_rec* expr, bool quiet_sfr = false);
// Solves the unsolved list again (after pass 1) until nothing more resolves;
// applies pending limits. Returns how many expressions are still in state 0.
int resolve_unsolved(asm_context& cx);

// Applies the LIMIT bounds; false when a bound was violated (error 70).
bool limit_ok(asm_context& cx, expr_rec* expr);

// ---- Editing -----------------------------------------------------------------

// The operator of this spelling (any case), or null.
const operator_rec* find_operator(const char* spelling);
// The printed spelling of an operator code, or null.
const char* operator_spelling(uint16_t code);
// Registers every operator spelling in the symbol table (not the two linker
// operators, which push_check registers on first use).
void register_operators(asm_context& cx);

// expr combined with `value` by the operator `name`, or by `code` when name is null.
void edit_expression(asm_context& cx, expr_rec* expr, int32_t value, const char* name,
                     uint16_t code = 0);
// first combined with second by the operator `name`; second is left as it was.
void cat_expressions(asm_context& cx, expr_rec* first, const expr_rec* second, const char* name);

// ---- Lists -------------------------------------------------------------------

enum unsolved_mode : int {
  UNSOLVED_APPEND = 0,
  UNSOLVED_REMOVE = 1,
  UNSOLVED_FIRST = 2,
  UNSOLVED_RESET = 3,
  UNSOLVED_COUNT = 4,   // element count of all listed expressions into expr->value
  UNSOLVED_NEXT = 5,
};
expr_rec* mark_or_get_unsolved(asm_context& cx, int mode, expr_rec* expr);

enum undef_mode : int { UNDEF_ADD = 0, UNDEF_REMOVE = 1, UNDEF_CLEAR = 2 };
void mark_or_get_undef(asm_context& cx, int mode, undef_list* list, ident_node* symbol);

// The first (or, with `from_first` clear, the next) symbol reference whose
// label flags satisfy `accept` (default: every bit of `bits` set).
using label_predicate = bool (*)(uint32_t flags, uint32_t bits);
ident_node* find_label(asm_context& cx, const expr_rec* expr, uint32_t bits, bool from_first = true,
                       label_predicate accept = nullptr);

// The symbol to name when `expr` cannot be given a value (error 50): the first
// undefined one, else the first whose own value is still unknown, else the
// first symbol at all (a value that refers back to itself); null when the
// expression has no symbol.
const ident_node* unsolved_symbol(const expr_rec* expr);
// Its name, or "" when there is none.
const char* unsolved_name(const expr_rec* expr);

// Debugging print of an expression after `prefix`.
void print_expression(asm_context& cx, const char* prefix, const expr_rec* expr);
