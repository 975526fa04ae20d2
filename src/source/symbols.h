// symbols.h — the one symbol table of the assembler (A07): every identifier,
// keyword or user symbol, is an ident_node of one kind; nodes of the same name
// but other kinds hang in a chain. Lookups hash the name; listings walk the
// names in byte-wise sorted order.
#pragma once

#include <cstddef>
#include <cstdint>

struct asm_context;
struct expr_rec;
struct ident_node;

// Kinds of ident_node (the codes are printed by the internal table listing).
enum ident_kind : uint8_t {
  KIND_MNEMONIC = 71,
  KIND_DIRECTIVE = 72,
  KIND_REGISTER = 73,
  KIND_USER = 74,          // label, EQU/SET symbol
  KIND_USER_SEGMENT = 75,  // user symbol used as a segment name
  KIND_MACRO = 76,
  KIND_PREFIX = 77,
  KIND_SUFFIX = 78,
  KIND_SEGMENT_TYPE = 79,
  KIND_OPERATOR = 80,
  KIND_DELIMITER = 81,
  KIND_PREPROCESSOR = 82,
  KIND_TARGET_SYMBOL = 86,  // also parts of identifiers
  KIND_COMMENT_CHAR = 87,
  KIND_SFR_TYPE = 88,
};

// Flags of label_rec::flags.
enum label_flag : uint32_t {
  LBL_CREATED = 1,
  LBL_VARIABLE = 2,       // SET, VAR, ASSIGN
  LBL_MODULE_NAME = 8,
  LBL_PUBLIC = 16,
  LBL_EXTERN = 32,
  LBL_LOCAL = 64,         // local to a macro or module
  LBL_DEFINED_THIS_PASS = 128,
  LBL_UNDEFINED = 256,    // cleared by a definition
  LBL_WEAK = 0x800000,    // PUBWEAK
};

// Flags of label_rec::flags2.
enum label_flag2 : uint32_t {
  LBL2_DEBUG_INFO = 1,  // SYMBOL or BLOCK
};

struct line_rec;  // source line of a statement (statement.h)

// One user symbol.
struct label_rec {
  uint16_t segment_type;
  uint16_t segment_index;
  uint32_t flags;
  uint32_t flags2;
  expr_rec* value;        // segment offset of a label, the expression of EQU/SET
  ident_node* owner;
  const line_rec* defined_at;
  const char* debug_name; // SYMBOL
  int32_t block;          // BLOCK number; -1 none
  label_rec* parent_block;
  expr_rec* block_expr;
};

// Value of a keyword node: the code or handler index and its class.
struct keyword_value {
  int32_t code;
  int32_t klass;
  const void* data;  // kind-specific record (operator_rec, directive handler, define record)
};

struct ident_node {
  const char* name;     // as stored (upper case for keywords with the upper-case flag)
  uint16_t length;
  ident_kind kind;
  uint8_t state;        // mark_unmark_node / delete_node
  uint32_t use_marks;   // used as a label / as a segment (expressions)
  union {
    keyword_value keyword;
    label_rec* label;
  };
  ident_node* same_name;  // next node of the same name and another kind
  ident_node* hash_next;  // bucket chain
};
