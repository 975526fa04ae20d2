// qdump_main.cpp — program entry of qdump, the QUILL object dumper.
#include <string>
#include <vector>

#include "cfi/cfi_record.h"
#include "driver/output_table.h"
#include "object/quill_dump.h"

namespace {

// The body of a call-frame information record as text, one indented line
// per item; a body that cannot be decoded says where it stops.
std::string cfi_text(const uint8_t* body, std::size_t size) {
  std::vector<std::string> lines;
  decode_cfi_body(body, size, lines);
  std::string text;
  for (const std::string& line : lines) {
    if (!text.empty()) text += "\n        ";
    text += line;
  }
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  g_output_table.exit(qdump_run(g_output_table, argc, argv, cfi_text));
  return 0;
}
