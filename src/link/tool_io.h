// tool_io.h — whole-file reads and writes and plain text output for qdump and
// qlink, all through the output-function table.
#pragma once

#include <string>
#include <string_view>

#include "driver/output_table.h"

// Reads the whole file; false when it cannot be opened or read.
bool tool_read_file(const output_table& out, const char* name, std::string& bytes);

// Writes the whole file; false when it cannot be opened or fully written.
bool tool_write_file(const output_table& out, const char* name, std::string_view bytes);

// Text to standard output, as it is (no format interpretation).
void tool_print(const output_table& out, std::string_view text);
