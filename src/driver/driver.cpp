// driver.cpp — program entry, start-up order, clean-up and exit code (A03).
#include "driver/driver.h"

#include <new>

#include "driver/context.h"
#include "driver/stops.h"

namespace {

int run(asm_context&, int, char**) { return 0; }

}  // namespace

int qasm_main(const output_table& out, int argc, char** argv) {
  asm_context cx(out);
  try {
    return run(cx, argc, argv);
  } catch (const run_stop& stop) {
    return stop.exit_code;
  }
}
