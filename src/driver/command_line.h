// command_line.h — the option table, the argument list and the two phases in
// which options take effect; command files and QASMOPT (A03).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "driver/output_table.h"

struct asm_context;

// Flag bits of an option_rec.
enum option_flag : uint32_t {
  OPT_NO_ARG = 0x0001,        // nothing may follow the letter
  OPT_OPTIONAL_ARG = 0x0002,  // optional argument written behind the letter
  OPT_NEXT_WORD = 0x0004,     // argument is the next word
  OPT_REQUIRED_ARG = 0x0008,  // argument required, behind the letter
  OPT_ONCE = 0x0010,
  OPT_REPEAT = 0x0020,
  OPT_NOT_WITH_ANCHOR = 0x0040,   // not with the nearest earlier anchor
  OPT_NEEDS_ANCHOR = 0x0080,      // requires the nearest earlier anchor
  OPT_NEEDS_ONE_OF_TWO = 0x0100,  // requires one of the two nearest earlier anchors
  OPT_ANCHOR = 0x0400,
  OPT_ORDINARY = 0x0800,
  OPT_PHASE1 = 0x1000,
  OPT_PHASE2 = 0x2000,
  OPT_GIVEN = 0x4000,
};

// Handler of an option: 0 accepts the argument, non-zero rejects it.
using option_handler = int (*)(asm_context& cx, const char* argument);

struct option_rec {
  option_rec* next;
  option_rec* prev;
  char letter;               // second character of the help text
  const char* argument;      // text behind the letter or the next word; nullptr = none
  const char* help;
  option_handler handler;    // may be nullptr
  int* variable;             // inverted when the option takes effect; may be nullptr
  uint32_t flags;
};

// A command file whose words are in the argument list, and the command file
// whose word named it (nullptr: the command line or QASMOPT).
struct command_file_link {
  const command_file_link* parent;
  file_identity id;
  const char* path;  // full path, when the identity is unknown
};

// One word of the command line; the list starts with the program name.
struct arg_entry {
  arg_entry* next;
  const char* word;
  int origin;  // +1/+2 first/last word from QASMOPT, +4/+8 first/last of a command file
  const command_file_link* from;  // the command file holding the word; nullptr for none
};

struct command_line_state {
  option_rec head{};            // sentinel of the option table
  arg_entry* args = nullptr;    // program name first
  arg_entry* cursor = nullptr;  // the entry being parsed
  int v_entries = 0;            // processor choices registered
  option_rec* last_copy[256] = {};  // last entry made for a repeated use, by letter
};

constexpr const char* kProductName = "qasm";
constexpr const char* kVersionNumber = "4.62.5.50016";
constexpr long kBuildNumber = 50016;
constexpr const char* kObjectExtension = "r26";
constexpr const char* kSourceExtension = "s26";
constexpr const char* kDefaultSourceExtension = "msa";
constexpr const char* kOptionVariable = "QASMOPT";
constexpr const char* kIncludeVariable = "QASM_INC";
constexpr int kMaxWordLength = 1024;

// Start-up steps, in the order the driver calls them.
void register_options(asm_context& cx);
void build_arguments(asm_context& cx, int argc, char** argv);
void apply_default_warnings(asm_context& cx);
void parse_arguments(asm_context& cx);
void check_and_apply_options(asm_context& cx);
void print_usage(asm_context& cx);
void print_sign_on(asm_context& cx);

// Text of the version: "V4.62.5.50016/W32".
std::string version_text();

// Applies one -w string; returns 0 (a bad level digit stops the run).
int apply_warning_string(asm_context& cx, const char* text);

// Prints a command-line message (with the IDE marker in IDE mode).
void command_line_message(asm_context& cx, const char* format, ...) __attribute__((format(printf, 2, 3)));

// Words of QASMOPT or a command file inserted behind the cursor; `from_file`
// selects the origin texts of the messages.
void split_words(asm_context& cx, int (*next_char)(void* source), void* source, bool from_file);

// Files of a run (run_files.cpp).
void open_source_file(asm_context& cx, const char* name);
void open_stdin_source(asm_context& cx);
void open_object_file(asm_context& cx, const std::string& name);
void open_list_file(asm_context& cx, const std::string& name);
std::string output_name_in_directory(asm_context& cx, std::string_view path, const char* extension);
std::string with_default_extension(std::string_view name, const char* extension);
std::string full_path(std::string_view name);
// Opens `name` for reading when it is a regular file; nullptr otherwise (a
// directory, a device or a pipe is no source).
qfile* open_regular_file(asm_context& cx, const std::string& name);
// Records a file the run reads (source, command file, include file): no
// output may replace it. One that is an output already stops the run.
void note_read_file(asm_context& cx, const std::string& name);
void add_environment_include_paths(asm_context& cx);
void clean_up_files(asm_context& cx);
