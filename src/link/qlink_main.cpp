// qlink_main.cpp — program entry of qlink, the QUILL linker.
#include "driver/output_table.h"
#include "link/linker.h"

int main(int argc, char** argv) {
  g_output_table.exit(qlink_run(g_output_table, argc, argv));
  return 0;
}
