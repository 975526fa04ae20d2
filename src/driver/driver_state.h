// driver_state.h — run-wide settings written by the command line and the
// counters of the pass driver (A03). Other modules read these; the command
// line and the driver write them.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

#include "driver/output_table.h"

constexpr int kWarningTableSize = 500;

// Bits of `listing_flags`.
enum listing_bit : uint32_t {
  LIST_ON = 0x001,              // listing on (cleared by -cD)
  LIST_ASSEMBLED_ONLY = 0x002,  // -cA
  LIST_MULTI_LINE_CODE = 0x004, // -cO
  LIST_MACRO_EXPANSION = 0x008, // cleared by -cE
  LIST_MACRO_DEFINITION = 0x010,// -cM
  LIST_TOTAL_CYCLES = 0x080,    // -cC
  LIST_DEFAULT_0100 = 0x100,
  LIST_XREF = 0x200,            // -x
  LIST_STRUCTURED = 0x400,      // cleared by -cS
  LIST_CYCLES_EACH = 0x10080,   // -cI
};

// Settings written by the options.
struct option_settings {
  uint8_t warning_enable_table[kWarningTableSize] = {};  // 1 = reported
  int all_warnings = 1;            // 0 after -w (all warnings off)
  int warnings_exit_code = 0;      // -ws
  int error_limit = 100;           // -1 = unlimited (IDE mode)
  int tab_spacing = 8;             // -t
  int page_length = 0;             // -p; 0 = no paging
  uint32_t listing_flags = LIST_ON | LIST_MACRO_EXPANSION | LIST_DEFAULT_0100 | LIST_STRUCTURED;
  int listing_header = 1;          // cleared by -N
  int xref_show_defines = 0;       // -xD
  int xref_show_internal = 0;      // -xI
  int xref_line_spacing = 1;       // -x2 adds one
  int list_includes = 0;           // -i
  int macro_debug = 0;             // -B
  char macro_quote_start = '<';    // -M
  char macro_quote_end = '>';
  int case_given = 0;              // -s was given
  int case_sensitive = 1;          // user symbols
  int sign_on = 1;                 // cleared by -S
  int silent_diagnostics = 0;      // -ST: no diagnostics on the console
  int multibyte = 0;               // -n
  std::string locale_name;         // -nlocale=...
  uint32_t debug_output = 0;       // -r sets 0x1
  int processor_option = 0;        // -v0/-v1/-v2
  std::string processor_text;      // argument of -v
  int cycle_counting = 0;          // -cC / -cI
  int ignore_errors = 0;           // hidden -c!: errors do not fail the run
  int fixed_version = 0;           // hidden -c#: fixed version text and file date
  int suppress_origin2 = 0;        // hidden -c$
  int warnings_as_errors = 0;      // hidden -cW
  int stdin_source = 0;            // -G
};

// The files of a run and their names.
struct run_files {
  qfile* source = nullptr;
  qfile* command_file = nullptr;   // the command file being read, if any
  qfile* list = nullptr;
  qfile* object = nullptr;
  std::string source_name;         // as opened
  std::string source_base;         // base name without extension (default output names)
  std::string object_name;
  std::string list_name;
  // The object and the list are written under these names next to their
  // own and renamed at clean-up; empty when the file is written directly.
  std::string object_temp;
  std::string list_temp;
  bool assembly_started = false;   // the command line was complete
  std::vector<std::string> opened_full_paths;  // inputs and outputs, for the overwrite check
  std::vector<std::string> output_full_paths;
  std::vector<file_identity> read_files;       // source, command and include files
  file_identity object_target;     // what the output names were when opened
  file_identity list_target;
};

// A -D or -U of the command line, in the order they take effect.
struct command_define {
  std::string name;
  std::string value;  // -DNAME alone gives "1"
  bool undefine;
};

struct driver_state {
  option_settings opt;
  run_files files;
  int source_count = 0;
  // Counters of the pass driver.
  int module_errors = 0;
  int module_warnings = 0;
  int total_errors = 0;
  int total_warnings = 0;
  int module_count = 0;
  long module_bytes = 0;
  long module_cycles = 0;
  long total_cycles = 0;
  unsigned module_checksum = 0;    // CRC of the module's object records
  int module_ended = 0;
  int program_ended = 0;
  int pass1 = 0;
  int ide_mode = 0;
  long current_line = 0;           // for internal-error reports
  std::time_t assembly_time = 0;   // read once per run
  std::vector<std::string> include_paths;  // search list, in search order
  std::vector<command_define> command_defines;  // -D and -U, for the preprocessor
};
