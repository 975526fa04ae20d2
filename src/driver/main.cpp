// main.cpp — process entry: runs the assembler with the standard output table
// and leaves through the table's exit entry (A03).
#include "driver/driver.h"

int main(int argc, char** argv) {
  int code = qasm_main(g_output_table, argc, argv);
  g_output_table.exit(code);
  return code;
}
