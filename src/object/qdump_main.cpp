// qdump_main.cpp — program entry of qdump, the QUILL object dumper.
#include "driver/output_table.h"
#include "object/quill_dump.h"

int main(int argc, char** argv) {
  g_output_table.exit(qdump_run(g_output_table, argc, argv));
  return 0;
}
