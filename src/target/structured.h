// structured.h — structured assembly (B05): IFS/ELSEIFS/ELSES/ENDIFS, WHILE,
// REPEAT/UNTIL, FOR/ENDF and SWITCH/CASE constructs. Each directive expands
// into compare-and-branch lines with generated labels; the lines are read
// back through the character-source stack as if they stood in the source.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

struct asm_context;
struct block_depths;
struct sa_frame;

// Generated lines being read back. Entries nest like the character sources
// that read them: a directive met inside other generated lines (through a
// macro call among them) has its lines read first.
struct sa_reading {
  std::string text;
  std::size_t pos = 0;              // next character to deliver
  bool saved_no_expand = false;     // define expansion as it was before the lines
  bool comment_after = false;       // the directive line left a "/*" comment open
};

struct structured_state {
  sa_frame* top = nullptr;          // innermost open construct
  sa_frame* free_frames = nullptr;  // closed frames, reused
  int depth = 0;                    // open constructs
  long label_counter = 0;           // generated labels "_?n" of the whole run

  std::string text;                 // the lines generated for one directive
  std::string field;                // the directive's operand field
  std::string scratch;              // an operand as a generated line names it

  // Reading the generated lines back: entries [0, reading_depth) are in use,
  // the others keep their buffers for reuse.
  std::vector<sa_reading> reading;
  int reading_depth = 0;

  // The reader's end-of-include hook that was installed before ours.
};

// Registers the sixteen directives and takes the end-of-include hook (start-up).
void register_structured_directives(asm_context& cx);

// True while the statement being read is a generated line; the statement
// loop marks its record as a structured-assembly line for the listing.
bool structured_line_active(const asm_context& cx);

// The generated line being read (without its newline); empty when none is.
std::string_view structured_line_text(const asm_context& cx);

// End of pass 1 of a module: constructs still open give error 60 once (with
// the block note) and are closed; the next module starts with none.
void end_structured_pass(asm_context& cx);

// Closes the constructs opened above `depth` (a macro expansion ending with
// ENDM or EXITM, an include file): error 60 once when there are any. Returns
// how many were closed.
int close_structured_frames(asm_context& cx, int depth);

// Expands one structured statement on its own: `directive` is the name
// (IFS ... ENDF), `field` the operand field with defines already expanded,
// `column` where the field starts in its line. The lines go to
// target_of(cx).structured.text (replacing what was there). False after a diagnostic.
bool expand_structured_statement(asm_context& cx, std::string_view directive, std::string_view field,
                                 int column);
