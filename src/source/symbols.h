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
struct line_rec;  // source line of a statement (driver/statement.h)

constexpr int kMaxIdentLength = 255;  // longer identifiers are cut (error 108)

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
  KIND_PREPROCESSOR = 82,  // found only through find_node: "#define" is no label's business
  KIND_DEFINE = 83,        // #define symbol; its name is matched exactly
  KIND_TARGET_SYMBOL = 86, // also parts of identifiers
  KIND_COMMENT_CHAR = 87,
  KIND_SFR_TYPE = 88,
};

// Flags of label_rec::flags: every bit any module sets on a symbol. The top
// eight bits travel into the flags of expressions whose value comes from it.
enum label_flag : uint32_t {
  LBL_CREATED = 0x1,
  LBL_VARIABLE = 0x2,           // SET, VAR, ASSIGN
  LBL_MODULE_NAME = 0x8,
  LBL_PUBLIC = 0x10,
  LBL_EXTERN = 0x20,
  LBL_LOCAL = 0x40,             // local to a macro or module
  LBL_DEFINED_THIS_PASS = 0x80,
  LBL_UNDEFINED = 0x100,        // cleared by a definition
  LBL_SFR = 0x200,              // a special function register
  LBL_SFR_NO_BIT = 0x400,       // SFR without bit access
  LBL_SFR_READ = 0x800,         // SFR readable
  LBL_SFR_WRITE = 0x1000,       // SFR writable
  LBL_SFR_BYTE = 0x80000,       // SFR of byte size
  LBL_SFR_WORD = 0x100000,      // SFR of word size
  LBL_WEAK = 0x800000,          // PUBWEAK
  LBL_BIT_EQUATE = 0x01000000,  // the value is a bit symbol (address.bit)
};

namespace label_flag_check {
constexpr uint32_t kAll[] = {LBL_CREATED, LBL_VARIABLE, LBL_MODULE_NAME, LBL_PUBLIC, LBL_EXTERN,
                             LBL_LOCAL, LBL_DEFINED_THIS_PASS, LBL_UNDEFINED, LBL_SFR, LBL_SFR_NO_BIT,
                             LBL_SFR_READ, LBL_SFR_WRITE, LBL_SFR_BYTE, LBL_SFR_WORD, LBL_WEAK,
                             LBL_BIT_EQUATE};
constexpr bool distinct_single_bits() {
  uint32_t seen = 0;
  for (uint32_t f : kAll) {
    if (f == 0 || (f & (f - 1)) != 0 || (seen & f) != 0) return false;
    seen |= f;
  }
  return true;
}
static_assert(distinct_single_bits(), "label flags are single bits that do not overlap");
}  // namespace label_flag_check

// Flags of label_rec::flags2.
enum label_flag2 : uint32_t {
  LBL2_DEBUG_INFO = 1,  // SYMBOL or BLOCK
};

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
  uint32_t uses;           // references pushed into expressions
  uint16_t external_index; // EXTERN: its number in the object, given in pass 2; kUnreferenced until then
  uint16_t extern_type;    // EXTERN name:type, the segment type given
};

// The external index of an external never referenced.
constexpr uint16_t kUnreferenced = 65535;

// Value of a keyword node: the code or handler index, its class, and a
// kind-specific record (operator_rec, directive entry, first instr_form,
// define record, macro record).
struct keyword_value {
  int32_t code;
  int32_t klass;
  const void* data;
};

// Bits of ident_node::state.
enum node_state : uint8_t {
  NODE_MARKED = 1,   // mark_unmark_node: to be removed by delete_marked_nodes
  NODE_DELETED = 2,  // no longer in the table
};

// Bits of ident_node::use_marks (set by the expressions).
enum node_use : uint32_t {
  USE_AS_LABEL = 1,
  USE_AS_SEGMENT = 2,
};

struct fold_group;

struct ident_node {
  const char* name;     // as stored (upper case for keywords with the upper-case flag), NUL-terminated
  uint16_t length;
  ident_kind kind;
  uint8_t state;        // node_state bits
  uint32_t use_marks;   // node_use bits
  uint32_t hash;        // of the name as stored: compared before the name
  uint32_t serial;      // order of making (fold groups list their members in it)
  keyword_value keyword;  // keywords, macros and defines
  label_rec* label;       // user symbols (kept when a user node becomes a macro)
  ident_node* same_name;  // next node of the same name and another kind
  ident_node* hash_next;  // next chain head in the bucket
};

// The user symbols and macros whose names are equal with case folded, for
// the lookups that ignore case. Removed members stay in the list, marked
// deleted in their node, and are passed over from the front.
struct fold_group {
  fold_group* next;      // next group in the bucket
  uint32_t hash;         // of the name with case folded
  uint16_t length;
  const char* name;      // one spelling of it
  ident_node** members;  // oldest first
  uint32_t count;
  uint32_t capacity;
  uint32_t head;         // members before it are all removed
};

// Whether a keyword is stored in upper case (found in any case) or as given
// (found only as written).
enum keyword_case : uint8_t { KEEP_CASE = 0, UPPER_CASE = 1 };

// Directive classes: how recording and skipping recognise block directives by name.
enum directive_class : int {
  DCLASS_ORDINARY = 0,
  DCLASS_IF = 1,
  DCLASS_ELSE = 2,
  DCLASS_ENDIF = 3,
  DCLASS_ELSEIF = 4,
  DCLASS_MACRO = 5,
  DCLASS_ENDM = 6,
  DCLASS_REPT = 7,
  DCLASS_REPTI = 8,
  DCLASS_REPTC = 9,
  DCLASS_ENDR = 10,
  DCLASS_END = 11,
  DCLASS_ENDMOD = 12,
};
constexpr int kDirectiveClasses = 13;
constexpr int kNamesPerBlockClass = 8;   // classes 5 to 12
constexpr int kConditionalNames = 19;    // classes 1 to 4 together

// What a character means to the lexer beyond letters and digits; set by the
// character registrations.
enum char_role : uint8_t {
  CHAR_NONE = 0,
  CHAR_IDENT_PART = 1,  // init_part_of_identifier ("@")
  CHAR_COMMENT = 2,     // init_comment_char (";")
  CHAR_DELIMITER = 3,   // init_delimiter
};

struct symbol_state {
  ident_node** buckets = nullptr;  // power-of-two table of chain heads; null until init_symbol_table
  uint32_t bucket_count = 0;
  uint32_t chain_count = 0;        // distinct stored names
  uint32_t node_count = 0;
  fold_group** fold_buckets = nullptr;  // table of fold groups; null until a lookup ignores case
  uint32_t fold_bucket_count = 0;
  uint32_t fold_count = 0;
  uint32_t serial = 0;             // nodes made so far
  bool user_case_sensitive = true; // -s, the target's default, CASEON/CASEOFF
  ident_node* current = nullptr;   // identifier last found by check_ident


  // Character registrations, indexed by the character; slot 256 is end of file.
  uint8_t char_roles[257] = {};
  int16_t char_codes[257] = {};

  ident_node* register_by_code[256] = {};  // first register registered under each code

  // Directive names by class, so that recording and skipping know them.
  ident_node* class_names[kDirectiveClasses][kNamesPerBlockClass] = {};
  uint8_t class_name_count[kDirectiveClasses] = {};
  ident_node* conditional_names[kConditionalNames] = {};
  int conditional_count = 0;
};

// ---- Table set-up and lookup ----------------------------------------------

// Sets up the empty table; keywords are registered afterwards.
void init_symbol_table(asm_context& cx);

// Looks the name up and makes the result the current identifier. The node
// found says what the name is:
//   1. a #define symbol or a keyword of exactly this name ("const" before
//      the segment type CONST);
//   2. a keyword stored under the upper-case form of a name with lower-case
//      letters (keywords are found in any case);
//   3. a user symbol of exactly this name;
//   4. with case sensitivity off, a user symbol whose name differs only in case.
// Preprocessor directives are never found here (they mean something only
// after "#"; see find_node). The result is the head of its chain of same-name
// nodes. When nothing is found and `create` is set, a user symbol (kind 74)
// without label record is made; otherwise the result is null.
// "No symb_tree_root" when the table was never set up.
ident_node* check_ident(asm_context& cx, const char* name, std::size_t length, bool create = true);

// The node of exactly this name and kind, or null.
ident_node* find_node(asm_context& cx, const char* name, std::size_t length, ident_kind kind);

// The first node of `kind` in the chain starting at `node`, or null.
ident_node* find_kind(ident_node* node, ident_kind kind);

// True for the kinds that carry a label record (74, 75).
inline bool is_user_kind(ident_kind kind) { return kind == KIND_USER || kind == KIND_USER_SEGMENT; }

// The node again after the table changed; "Didn't find node" when it is gone.
ident_node* recollect_ident_node(asm_context& cx, ident_node* node);

// Marks (mark = true) or unmarks a node for delete_marked_nodes.
void mark_unmark_node(asm_context& cx, ident_node* node, bool mark);
// Takes one node out of the table (local symbols of a module or macro).
void delete_node(asm_context& cx, ident_node* node);
// Puts a node that delete_node took out back into the table (a name that a
// macro expansion's LOCAL symbol hid for the expansion).
void relink_node(asm_context& cx, ident_node* node);
// Takes every marked node out of the table; returns how many.
int delete_marked_nodes(asm_context& cx);

// ---- User symbols ---------------------------------------------------------

// Called where a label is defined: gives the node a record in the segment
// given (the current one), or moves its record there. A node that is not a
// user symbol gives error 41 "Bad label" and the result is null.
label_rec* init_label_rec(asm_context& cx, ident_node* node, uint16_t segment_type, uint16_t segment_index);

// The user symbol of exactly this name (or, with case sensitivity off, of
// this name in any case), made when there is none: also when the name is a
// keyword too (a segment named CODE, a label named like a segment type).
ident_node* user_node(asm_context& cx, const char* name, std::size_t length);

// The label record of a user symbol, made (flags: created, undefined) when the
// symbol is only referenced so far. Null for other kinds.
label_rec* get_label_rec(asm_context& cx, ident_node* node);

// ---- Registration of keywords ----------------------------------------------

// Registers one keyword. A second registration of the name with the same kind
// is the internal error "ID '%.80s' duplicated " and returns the first node.
ident_node* register_keyword(asm_context& cx, const char* name, ident_kind kind, int32_t code,
                             int32_t klass, const void* data, keyword_case letter_case);

// Mnemonic with its index (below 64, else "Instr.size too large") and first form.
ident_node* init_mnemonic(asm_context& cx, const char* name, int index, const void* first_form);
// Directive with its handler entry and class (directive_class). Names of the
// classes 1 to 12 are also kept by class ("Can't store MACRO" ..., "Table too small").
ident_node* init_directive(asm_context& cx, const char* name, const void* entry, int klass,
                           keyword_case letter_case = UPPER_CASE);
ident_node* init_register(asm_context& cx, const char* name, int code);
ident_node* init_prefix(asm_context& cx, const char* name, int value);
ident_node* init_suffix(asm_context& cx, const char* name, int value);
ident_node* insert_segment_type_in_tree(asm_context& cx, const char* name, int code);
// Operator with its code (below 160, else "Index too large"), precedence class and record.
ident_node* init_operator(asm_context& cx, const char* name, int code, int klass, const void* record);
// A delimiter character; kEndOfFileChar registers end of file.
ident_node* init_delimiter(asm_context& cx, int character, int code);
ident_node* init_part_of_identifier(asm_context& cx, int character, int code);
ident_node* init_target_symbol(asm_context& cx, const char* name, int value, int klass);
ident_node* init_comment_char(asm_context& cx, int character, int code);
ident_node* init_sfr_type(asm_context& cx, const char* name, int value);

constexpr int kEndOfFileChar = 256;  // the character slot of end of file

// Directive names of one class, for recording and skipping.
int directive_class_count(const asm_context& cx, int klass);
ident_node* directive_class_name(const asm_context& cx, int klass, int index);

// The name of a register keyword by its code, for messages; "No register"
// (internal error) and "" when there is none.
const char* get_register_name(asm_context& cx, int code);

// ---- Walks ------------------------------------------------------------------

// Calls `visit` for every node, names in byte-wise order (a name that is a
// prefix of another first), the nodes of one name in chain order.
void walk_symbols_sorted(asm_context& cx, void (*visit)(asm_context& cx, ident_node* node, void* user),
                         void* user);

// Calls `visit` for every node in no particular order; the visitor may mark
// nodes but must not delete them.
void walk_symbols(asm_context& cx, void (*visit)(asm_context& cx, ident_node* node, void* user), void* user);
