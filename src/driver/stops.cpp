// stops.cpp — fatal stop, out-of-memory report and internal-error report (A03).
#include "driver/stops.h"

#include "driver/context.h"

namespace {

constexpr const char* kInternalBanner = "\n               * * *   I N T E R N A L   E R R O R   * * *\n";

// The request to the user that follows every internal-error report: sixteen lines.
constexpr const char* kRequestText[16] = {
    "Dear User,",
    "",
    "the assembler has found itself in a state that it was never meant to reach.",
    "Please help us to correct this by sending us:",
    "  - the source files, or better a small sample that shows the error,",
    "  - the error message printed above,",
    "  - the software version given in the sign-on line,",
    "  - the command line used, including the contents of any .xcl file,",
    "  - the hardware and operating system you work on,",
    "  - and where you bought the software.",
    "Please report the error to your distributor or to the",
    "nearest office of the maker.",
    "We are sorry for the inconvenience.",
    "",
    "",
    "                           T H A N K   Y O U !",
};

}  // namespace

void fatal_exit(asm_context& cx) {
  ++cx.driver.module_errors;
  throw run_stop{3};
}

void out_of_memory(asm_context& cx) {
  const output_table& out = *cx.out;
  out_print(out, "\n            * * *   A S S E M B L E R   O U T   O F   M E M O R Y   * * *\n");
  out_print(out, "\n                    Dynamic memory used: %ld bytes\n", cx.mem.bytes_taken);
  fatal_exit(cx);
}

void internal_error(asm_context& cx, const char* function, const char* diagnostic, long p0,
                    long p1) {
  const output_table& out = *cx.out;
  const int line = static_cast<int>(cx.driver.current_line);
  if (cx.driver.ide_mode) {
    // The IDE gets the report as a note; the run stops as it does on the console.
    out_message(out, 0, "In function: %s\nDiagnostic: %s\nLine: %d   P0: %d    P1: %d", function,
                diagnostic, line, static_cast<int>(p0), static_cast<int>(p1));
    fatal_exit(cx);
  }
  qfile* to = out.std_out;
  if (cx.driver.files.list != nullptr) {
    out_print(out, "%s", kInternalBanner);
    out_print(out, "\n\n                        Please see list file \n");
    to = cx.driver.files.list;
  }
  out_print_file(out, to, "%s", kInternalBanner);
  out_print_file(out, to, "\nIn function: %s\nDiagnostic: %s\nLine: %d   P0: %d    P1: %d\n\n",
                 function, diagnostic, line, static_cast<int>(p0), static_cast<int>(p1));
  for (const char* text : kRequestText) out_print_file(out, to, "%s\n", text);
  fatal_exit(cx);
}
