// capture.h — an output table that keeps console and file output in memory,
// so that tests run the assembler in-process and read what it printed.
#pragma once

#include <map>
#include <string>

#include "driver/output_table.h"

// The exit entry of a capture throws this instead of ending the process.
struct capture_exit {
  int code;
};

struct capture_mem_file;

// The capture is the user pointer of its table's entries. Files named in
// `files` are served from memory; other names open real files.
struct capture_table {
  output_table table;
  std::string console;                      // standard output
  std::map<std::string, std::string> files; // in-memory files by name (read and written)
  int allocations_to_fail = 0;              // next N allocations return nullptr
  std::map<qfile*, capture_mem_file*> open_memory;  // in-memory files now open

  capture_table();
  ~capture_table();
  capture_table(const capture_table&) = delete;
  capture_table& operator=(const capture_table&) = delete;
};
