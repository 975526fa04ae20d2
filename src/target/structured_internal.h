// structured_internal.h — what the files of structured assembly share (B05):
// the nesting stack of open constructs, the parsed parts of a statement, the
// statement scanner's state, and the handlers the grammar calls.
#pragma once

#include <cstddef>
#include <string_view>

#include "target/structured.h"

struct asm_context;

// Directive codes as registered: IFS -1 ... ENDF -16.
enum sa_directive : int {
  SA_DIR_IFS = -1, SA_DIR_ELSES = -2, SA_DIR_ENDIFS = -3, SA_DIR_ELSEIFS = -4,
  SA_DIR_WHILE = -5, SA_DIR_ENDW = -6, SA_DIR_REPEAT = -7, SA_DIR_UNTIL = -8,
  SA_DIR_SWITCH = -9, SA_DIR_CASE = -10, SA_DIR_DEFAULT = -11, SA_DIR_ENDS = -12,
  SA_DIR_FOR = -13, SA_DIR_BREAK = -14, SA_DIR_CONTINUE = -15, SA_DIR_ENDF = -16,
};

// Register codes as in the register table: X 0 ... H 7, AX 32 ... HL 35.
enum sa_register : int {
  SA_NO_REG = -1,
  SA_X = 0, SA_A = 1, SA_C = 2, SA_B = 3, SA_E = 4, SA_D = 5, SA_L = 6, SA_H = 7,
  SA_AX = 32, SA_BC = 33, SA_DE = 34, SA_HL = 35,
};

enum sa_relation : int { SA_REL_EQ = 1, SA_REL_NE, SA_REL_LT, SA_REL_GE, SA_REL_GT, SA_REL_LE };
enum sa_flag_condition : int { SA_FLAG_CC = 1, SA_FLAG_CS, SA_FLAG_EQ, SA_FLAG_NE };

// Kinds of open construct.
enum sa_kind : int { SA_IFS = 200, SA_WHILE = 201, SA_REPEAT = 202, SA_SWITCH = 203, SA_FOR = 204 };

// One open construct. Labels are numbers n of "_?n"; 0 is no label.
struct sa_frame {
  sa_frame* link;          // enclosing construct
  long continue_label;     // target of CONTINUE
  long exit_label;         // target of BREAK
  long line;               // source line that opened it
  struct ifs_slots {
    long false_label;      // the next ELSEIFS or ELSES part
    long end_label;
    bool else_seen;
    bool else_or_elseif_seen;
  };
  struct switch_slots {
    long pending_label;    // where the last CASE goes when it does not match
    int selector;          // register
    bool ended_by_break;   // the previous case ended with BREAK (true before the first)
    bool default_seen;
  };
  struct for_slots {
    long body_label;
    long test_label;
    int step;              // 1..4
    const char* limit;     // limit text (the frame's own buffer)
    std::size_t limit_len;
    int limit_reg;         // the limit is a register, or SA_NO_REG
    bool limit_is_number;
    int direction;         // 1 TO, 0 DOWNTO
    int loop_reg;
  };
  union {
    ifs_slots ifs;
    switch_slots sw;
    for_slots loop;
  };
  int kind;                // sa_kind
  char* limit_buf;         // kept across reuse of the frame
  std::size_t limit_cap;
};

// An operand as written: a register, or a text marked as number or not.
struct sa_operand {
  int reg;                 // register code, or SA_NO_REG for a text
  const char* text;        // as written (points into the operand field)
  int len;
  bool number;             // digit, character constant or "#" first: gets "#" when emitted
  int column;
};

// A flag condition or a relation with its column.
struct sa_mark {
  int code;
  int column;
};

struct sa_condition {
  int flag;                // sa_flag_condition, or 0 for a relation
  int reg;
  int rel;
  sa_operand op;
  int column;
};

// One run of the statement scanner and parser.
struct sa_parse {
  asm_context& cx;
  const char* text;        // the operand field
  int len;
  int pos;
  int field_column;        // column of text[0]
  bool columns_exact;      // the field is as written (no define expanded): columns follow it
  int op_column;           // column of the directive name
  int directive;           // sa_directive
  bool first_sent;         // the directive's own token was delivered
  bool end_sent;           // the end of the field was delivered
  bool relation_open;      // relation characters still end an operand
  int token_column;        // column of the last token
  bool failed;             // a diagnostic was reported
};

// ---- Scanner (structured_scan.cpp) ----------------------------------------

// The column of text[offset] for diagnostics.
int sa_column(const sa_parse& ps, int offset);
// The register named exactly by `name` (any case), or SA_NO_REG.
int register_by_name(std::string_view name);
// Canonical name of a register code ("A", "BC").
const char* register_name(int code);
// Identifier characters as the lexer knows them.
bool sa_ident_char(const asm_context& cx, int c);
// With text[i] a quote: the index after its closing quote (or the end);
// a backslash in the quotes escapes the next character.
std::size_t quoted_end(std::string_view text, std::size_t i);
// The next name of `text` at or after `pos` outside quotes (numbers, which
// begin with a digit, are passed over); empty at the end. `pos` moves past it.
std::string_view next_name(const asm_context& cx, std::string_view text, std::size_t& pos);
// The code of a directive name (any case), or 0.
int structured_directive_code(std::string_view name);

// ---- Generated lines (structured_emit.cpp) -------------------------------

// Appends "label\tmnemonic\tprefix text" with a comment and a newline, tabs
// expanded to the tab stops; label 0 and null strings are empty.
void emit_line(asm_context& cx, std::string_view text, long label, const char* mnemonic, const char* prefix,
               const char* comment = nullptr);
void emit_label_line(asm_context& cx, long label);
void emit_branch(asm_context& cx, const char* mnemonic, long target, long label = 0);
// A fresh generated label: the next number whose name is not in use.
long new_label(asm_context& cx);
// Branches to `label` taken when the relation is false.
void emit_opposite_rel(asm_context& cx, int relation, long label);
// The branch that is taken when the flag condition is false.
const char* opposite_branch(asm_context& cx, int flag);
// 0 for a byte register, 1 for a register pair; internal error otherwise.
int get_reg_size(asm_context& cx, int reg);

// Checks that `op` can be compared with (or loaded into) `reg`: sizes agree,
// and no register the sequence exchanges or uses is the operand or addresses
// it (error 417). `load` is for FOR's start value. False after the error.
bool check_operand(sa_parse& ps, int reg, const sa_operand& op, bool load);
// The comparison of `reg` with `op` (already checked); the carry flag is set
// when reg is below op, the zero flag when they are equal.
void emit_compare(asm_context& cx, int reg, const sa_operand& op);
// FOR's initialisation: `reg` gets `init` (already checked).
void emit_load(asm_context& cx, int reg, const sa_operand& init);
// A condition: the comparison and the branches to `label` taken when it is false.
void emit_condition(asm_context& cx, const sa_condition& c, long label);

// ---- Handlers (structured_handlers.cpp) ----------------------------------

// Diagnostics of structured statements go through these two.
void sa_error(asm_context& cx, int column, int number, const char* text = nullptr);
void sa_warning(asm_context& cx, int column, int number);

void handle_if(sa_parse& ps, const sa_condition& c);
void handle_elseif(sa_parse& ps, const sa_condition& c);
void handle_else(sa_parse& ps);
void handle_endif(sa_parse& ps);
void handle_while(sa_parse& ps, const sa_condition& c);
void handle_endw(sa_parse& ps);
void handle_repeat(sa_parse& ps);
void handle_until(sa_parse& ps, const sa_condition& c);
void handle_switch(sa_parse& ps, const sa_operand& selector);
void handle_case(sa_parse& ps, const sa_operand& value);
void handle_casein(sa_parse& ps, const sa_operand& low, const sa_operand& high);
void handle_default(sa_parse& ps);
void handle_ends(sa_parse& ps);
void handle_for(sa_parse& ps, const sa_operand& reg, const sa_mark& relation, const sa_operand& init, int direction,
                const sa_operand& limit, const sa_operand* step);
void handle_endf(sa_parse& ps);
void handle_break(sa_parse& ps);
void handle_break_n(sa_parse& ps, const sa_operand& count);
void handle_continue(sa_parse& ps);

// Removes the innermost frame; internal error "nothing to pop" when none is open.
void pop_stack(asm_context& cx);
// Drops the innermost frame only (its block entry is gone already); false when none.
bool pop_frame(asm_context& cx);

// Runs the grammar over one statement (structured_scan.cpp).
void parse_structured_statement(sa_parse& ps);
