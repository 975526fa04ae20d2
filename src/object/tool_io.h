// tool_io.h — whole-file reads and writes and plain text output for qdump and
// qlink, all through the output-function table.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "driver/output_table.h"

// Reads the whole file; false when it cannot be opened or read.
bool tool_read_file(const output_table& out, const char* name, std::string& bytes);

// Writes the whole file; false when it cannot be opened or fully written.
bool tool_write_file(const output_table& out, const char* name, std::string_view bytes);

// Text to standard output, as it is (no format interpretation).
void tool_print(const output_table& out, std::string_view text);

// printf-style text appended to a string (at most 511 characters a call).
void tool_appendf(std::string& out, const char* format, ...) __attribute__((format(printf, 2, 3)));

// A number as 0x... in upper-case hexadecimal.
std::string tool_hex(uint64_t value);
