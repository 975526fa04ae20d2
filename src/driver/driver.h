// driver.h — the program entry and the run frame (A03).
#pragma once

#include "driver/output_table.h"

// Runs the assembler with the arguments (argv[0] is the program name) and
// returns the exit code: 0, 1 (warnings), 2 (errors) or 3 (stopped). Output
// goes through `out` only; the caller leaves through its exit entry. With
// "--IDE" or "--IDE2" as the first argument the run goes through the IDE
// agent, which leaves through `out`'s exit entry itself after the exit record.
int qasm_main(const output_table& out, int argc, char** argv);
