// preprocessor.h — predefined symbols and preprocessor (A02): "#" lines, the
// #if group stack, #define symbols and their expansion in assembler lines.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct asm_context;
struct ident_node;
struct token;

constexpr int kMaxGroupDepth = 50;        // nested #if groups (error 11)
constexpr int kMaxFormals = 37;           // formals of one #define (error 21)
constexpr int kDefineTextLimit = 32000;   // shown by error 20
constexpr int kDefineTextStop = 31995;    // longest replacement text kept
constexpr int kMaxArgumentLength = 512;   // one actual argument (error 30)
constexpr int kMaxExpansionDepth = 100;   // define expansions in progress (error 29)
constexpr int kMaxParamNesting = 50;      // function-like expansions in progress (error 28)
constexpr int kMaxActiveParams = 256;     // actual arguments in progress (error 27)
constexpr int kMaxPasteLength = 31997;    // a token made by "##" (error 12)
constexpr int kObjectLike = -1;           // define_rec::formal_count without parentheses

// Computes a built-in symbol's value into `out` (at most `capacity` - 1
// characters and a NUL); returns its length.
using builtin_value = int (*)(asm_context& cx, char* out, int capacity);

// One #define symbol, hung from its ident_node (kind 83). The replacement
// text is kept encoded: formal uses as marker bytes with their index.
struct define_rec {
  ident_node* node;
  int16_t formal_count;        // kObjectLike, or 0..37
  bool plain;                  // text holds no marker: expands as it stands
  bool removed;                // taken away by #undef or replaced by a redefinition
  const char* const* formals;  // formal names in order
  const char* text;            // encoded replacement text (arena), NUL-terminated
  uint32_t text_len;
  const char* file;            // where it was defined; "" for built-ins and -D
  long line;                   // 0 for built-ins and -D
  builtin_value value;         // built-ins: the value, computed when used
  define_rec* next;            // all defines in the order they were made
  int active;                  // expansions of this define being rescanned now
};

// A text being rescanned during one expansion (a define's replacement, an
// argument, the operand of #if).
struct pp_level {
  const char* text;
  uint32_t pos;
  uint32_t len;
  define_rec* def;      // whose expansion this is; null for an argument or operand
  uint32_t work_mark;   // work storage to give back when the level ends on top
  uint32_t work_end;
  uint16_t params;      // actual arguments it holds (function-like defines)
};

// A finished expansion that the lexer is reading.
struct pp_output {
  uint32_t start;
  uint32_t pos;
  uint32_t len;
  int resume_column;    // the lexer's column in the line after the expanded text
};

constexpr int kMaxLevels = 256;
constexpr int kMaxOutputs = 8;

struct preprocessor_state {
  // #if groups: entry bit 1 = the outer region is active, bit 2 = no branch taken yet.
  bool lines_active = true;
  int group_depth = 0;
  uint8_t groups[kMaxGroupDepth] = {};

  bool no_expand = false;        // names in directive operands stay as written
  bool comment_open = false;     // a "/*" on the directive line goes on into the next
  bool started = false;
  define_rec* first_define = nullptr;
  define_rec* last_define = nullptr;
  int command_line_redefinitions = 0;  // -D giving a name another value (warning 9)

  // Expansion in progress (one top-level expansion at a time).
  pp_level levels[kMaxLevels];
  int level_count = 0;
  int depth = 0;                 // define expansions in progress
  int param_nesting = 0;         // function-like ones among them
  int active_params = 0;         // their actual arguments
  bool recursion_warned = false; // warning 12 once per expansion
  long budget = 0;               // characters scanned by this expansion
  int frame_nesting = 0;
  std::vector<std::string> frame_out;  // output of each nested frame, reused
  char* work = nullptr;          // LIFO storage of arguments and replacement texts
  uint32_t work_top = 0;

  // Expansions handed to the lexer, newest last.
  char* out_store = nullptr;
  uint32_t out_top = 0;
  pp_output outputs[kMaxOutputs];
  int output_count = 0;

  // Directive lines.
  char* raw = nullptr;           // the rest of a directive line as read
  char* text = nullptr;          // normalized or encoded text
};

// Once per run, after the symbol table is set up: the directive keywords, the
// built-in and target symbols, then -D and -U in the order they take effect.
void start_preprocessor(asm_context& cx);

// The statement loop's hook for a line whose first token is "#": reads and
// carries out the directive, up to and including the line's newline.
void preprocessor_line(asm_context& cx);

// A line read while #if has switched lines off: only the group directives
// count. Consumes the line with its newline.
void skipped_line(asm_context& cx);

// Start of a module, its counts cleared: the warnings 9 of -D are reported
// (with the first module, before its first line).
void start_preprocessor_module(asm_context& cx);

// End of pass 1 of a module: an open group is error 14; the stack starts empty.
void end_preprocessor_pass(asm_context& cx);

// The lexer's hook: `t` is an identifier whose node is a #define symbol. True
// when an expansion now stands in its place (the lexer reads on from it);
// false when the name stays (a function-like define without "(" or a name in
// a directive operand), with t.node set to what the name is besides.
bool expand_define(asm_context& cx, token& t);

// True while the lexer reads the text of an expansion, whose names were
// expanded already.
bool reading_define_output(const asm_context& cx);

// ---- Define symbols (defines.cpp) ---------------------------------------------

// Defines `name` as by "#define name value" (object-like), the way -D does.
define_rec* define_from_text(asm_context& cx, const char* name, const char* value);
// Removes a define as by #undef; false when the name was none.
bool undefine(asm_context& cx, const char* name, std::size_t length);
// The define of exactly this name, or null.
define_rec* find_define(asm_context& cx, const char* name, std::size_t length);
// The value as a listing shows it: formals by name, built-ins computed.
std::string define_display_text(asm_context& cx, const define_rec* d);
