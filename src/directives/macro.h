// macro.h — macros and repeat blocks (A10, with the expansion reader M10):
// MACRO records a body under a name, REPT, REPTI and REPTC record one to be
// repeated; an expansion replays a body line by line as a character source
// above the file, each line built once with its actual arguments in place.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct asm_context;
struct ident_node;
struct line_rec;
struct statement_call;
struct statement_rec;
enum class line_result : uint8_t;

constexpr int kMaxMacroFormals = 36;        // formals of one MACRO (error 21)
constexpr int kMaxMacroActuals = 36;        // actuals of one call; more is error 33
constexpr int kMaxMacroNesting = 100;       // the 100th nested expansion is error 29
constexpr int kActualsTextLimit = 31995;    // all actuals of one call (error 20 shows 32000)
constexpr int kActualsTextShown = 32000;
constexpr int kOperatorStackSize = 100;     // entries of the operator-style stack (93, 92)
constexpr long kExpandedLineLimit = 1000000;   // expanded lines of one module (error 70)
constexpr long kExpandedTextLimit = 32L << 20;   // their characters (error 70)

// A formal parameter in a recorded line: kFormalMarker, then its number (1 ..
// 36). Source lines never hold a 0 byte (the reader reads one as a blank).
constexpr char kFormalMarker = '\0';
// In a named-style body: a backslash sequence that names no argument,
// reported (error 95) where it is expanded: marker, kBadOperator, the character.
constexpr unsigned char kBadOperator = 0xFF;

// One recorded line: its text with formal markers, and where it was written.
struct body_line {
  const char* text;
  uint32_t length;
  const line_rec* source;
};

// A macro, hung from its ident_node (kind 76).
struct macro_rec {
  ident_node* node;
  const body_line* lines;
  int line_count;
  int formal_count;
  bool operator_style;  // defined as "MACRO name": backslash sequences are operators
  long module;          // the module that defined it: a later module may define it again
};

// REPT 3, REPTI 2, REPTC 1.
enum class repeat_kind : uint8_t { chars = 1, items = 2, count = 3 };

struct repeat_rec {
  repeat_kind kind;
  int64_t count;              // repetitions
  const char* formal;         // REPTI, REPTC
  const char* const* items;   // REPTI: the actuals; REPTC: null
  const uint32_t* item_lengths;
  const char* chars;          // REPTC: the characters
  const body_line* lines;
  int line_count;
  long start_line;            // the REPT line, which its expansions name
};

enum class frame_kind : uint8_t { macro, repeat };

// A diagnostic met while a line was built, reported once its statement exists.
struct pending_diag {
  int number;
  int column;
  char text[4];
};

// One active expansion. Frames are kept on a free list with their buffers.
struct expansion_frame {
  expansion_frame* outer;
  frame_kind kind;
  const macro_rec* macro;
  const repeat_rec* repeat;
  int next_line;              // body line to build next
  int64_t repetition;         // repeat: the repetition being read
  const body_line* current;   // the body line being read
  char* line;                 // the expanded line and its newline (kLineBufferSize bytes)
  uint32_t line_len;
  uint32_t line_pos;
  char* actual_buffer;        // the call's actuals, one after another
  const char* actual[kMaxMacroActuals + 1];  // 1-based; slots after the last are empty
  uint32_t actual_len[kMaxMacroActuals + 1];
  int actual_count;
  int block_base;             // block-stack depth before the frame's own block
  std::size_t local_mark;     // hidden symbols before the frame's
  long start_line;            // the line that started it
  bool exited;                // EXITM, or unwound: no further line
  bool quiet;                 // unwound after an error: open groups are not reported
  bool command_mode;          // operator style: backslash sequences are commands
  int pending_count;
  pending_diag pending[4];
};

// A name hidden by LOCAL for one expansion.
struct hidden_symbol {
  ident_node* hidden;
  const char* name;  // the spelling of the expansion's own node
  uint16_t length;
};

// The body being recorded (MACRO ... ENDM, REPT ... ENDR).
struct recording_state {
  bool active = false;
  bool is_macro = false;
  int nest = 0;                      // nested MACRO (or REPT) lines inside the body
  int block_index = 0;               // its entry of the block stack
  const expansion_frame* frame = nullptr;  // the expansion it was begun in, if any
  // A macro: its node (null when it is recorded only to be dropped), style and formals.
  ident_node* node = nullptr;
  bool operator_style = false;
  bool case_sensitive = true;
  std::vector<std::string> formals;
  // A repeat block.
  repeat_rec* repeat = nullptr;
  std::vector<body_line> lines;
  std::string text;                  // the line being recorded
};

struct operator_state {
  int32_t stack[kOperatorStackSize] = {};
  int size = 0;
  int32_t counter = 0;  // the "\@" counter
};

struct macro_state {
  expansion_frame* top = nullptr;   // innermost expansion
  expansion_frame* free_frames = nullptr;
  expansion_frame* pending = nullptr;  // to be started once the current line is done
  int depth = 0;
  int zombie_sources = 0;           // sources of expansions dropped at a module's end
  long module_serial = 0;
  long expanded_lines = 0;          // in this module
  long expanded_line_limit = kExpandedLineLimit;
  long expanded_chars = 0;          // in this module
  long expanded_char_limit = kExpandedTextLimit;
  recording_state rec;
  std::vector<hidden_symbol> hidden;
  operator_state ops;
  std::string scratch;              // a line's operands as characters
  std::string actual_text;          // the actual being split off
  std::string expanded;             // an operator-style line being expanded
};

// MACRO, ENDM, ENDMAC, EXITM, LOCAL, REPT, REPTI, REPTC, ENDR; the statement
// loop's paths of macro calls and recorded lines.
void register_macro_directives(asm_context& cx);

// Module start: no expansion, recording or hidden name is left.
void reset_macros(asm_context& cx);

// True while a body is recorded.
bool macro_recording(const asm_context& cx);

// ---- The statement loop's side (macro_expand.cpp) ---------------------------

// Whether the line about to be read is an expanded line, its text (without
// its newline), its listing mark (AVM_MACRO_LINE or AVM_REPEAT_LINE) and the
// body line it was built from.
bool expansion_line_active(const asm_context& cx);
std::string_view expansion_line_text(const asm_context& cx);
uint16_t expansion_line_mark(const asm_context& cx);
const line_rec* expansion_body_line(const asm_context& cx);

// The statement of an expanded line exists: diagnostics met while the line
// was built are reported on it (or dropped when the line is skipped).
void expansion_line_started(asm_context& cx, bool assembled);

// After a line is complete: the expansion it called is started.
void start_pending_expansion(asm_context& cx);

// The end of the input while a body is recorded: error 4 or 76, and the run stops.
void recording_at_end_of_input(asm_context& cx);
