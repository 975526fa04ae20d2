// stops.h — the orderly ways a run ends early (A03): the common fatal stop, the
// out-of-memory report and the internal-error report. A stop unwinds to the
// program entry as a `run_stop`, which cleans up and leaves with the exit code.
#pragma once

struct asm_context;

// Thrown by the stops below and caught only at the program entry.
struct run_stop {
  int exit_code;
};

// The common fatal stop: counts one module error and ends the run with code 3.
[[noreturn]] void fatal_exit(asm_context& cx);

// Out of memory: prints the report with the bytes taken and stops.
[[noreturn]] void out_of_memory(asm_context& cx);

// Report of an impossible state, naming the reporting function with its module
// tag ("assemble_A03"), on the console or the list file, or in IDE mode as a
// note to the IDE; then the run stops with exit code 3.
[[noreturn]] void internal_error(asm_context& cx, const char* function, const char* diagnostic, long p0 = 0,
                    long p1 = 0);
