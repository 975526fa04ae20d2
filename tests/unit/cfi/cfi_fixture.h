// cfi_fixture.h — pass 1 with the CFI directive on an in-memory source, with
// the stand-ins for segments and instructions (cfi_stand_ins.h). The module's
// CFI record comes back as the reader's text.
#pragma once

#include <string>
#include <vector>

#include "cfi/cfi_record.h"
#include "cfi/cfi_state.h"
#include "cfi/cfi_stand_ins.h"
#include "cfi/og_call_frame_info.h"
#include "driver/statement.h"
#include "support/asm_fixture.h"

class CfiTest : public AsmTest {
 protected:
  bool stopped = false;

  // Pass 1 over `text`; "  END" is added when the text has no END line.
  void run(const std::string& text) {
    const bool has_end = text.find("  END") != std::string::npos || text.find("ENDMOD") != std::string::npos;
    stopped = pass_one(has_end ? text : text + "  END\n", [&] { cfi_stand_ins::install(cx); });
  }

  // The module's CFI record, read back; "" when there is none.
  std::string record_text() {
    std::vector<uint8_t> rec;
    stops([&] { rec = cfi_module_record(cx); });
    if (rec.empty()) return "";
    EXPECT_EQ(rec[0], kCfiRecordTag);
    EXPECT_GE(rec.size(), 5u);
    if (rec.size() < 5) return "(short)";
    const uint32_t length = uint32_t{rec[1]} << 24 | uint32_t{rec[2]} << 16 | uint32_t{rec[3]} << 8 | rec[4];
    EXPECT_EQ(length, rec.size() - 5);
    std::vector<std::string> lines;
    EXPECT_TRUE(decode_cfi_body(rec.data() + 5, rec.size() - 5, lines));
    std::string text;
    for (const std::string& l : lines) text += l + "\n";
    return text;
  }

  // The texts of the errors 103 printed, without "CFI directive error, " and quotes.
  std::vector<std::string> cfi_errors() const {
    std::vector<std::string> out;
    const std::string head = "CFI directive error, '";
    for (const shown_diag& d : diagnostics()) {
      if (d.number != 103 || d.text.compare(0, head.size(), head) != 0) {
        out.push_back("(other) " + d.text);
        continue;
      }
      out.push_back(d.text.substr(head.size(), d.text.size() - head.size() - 1));
    }
    return out;
  }
};

// Names and a common part most cases start from: lines 1 to 17, in the code segment.
inline const std::string kCfiPrelude =
    "  SEG_CODE\n"
    "  CFI NAMES n\n"
    "  CFI STACKFRAME CFA SP\n"
    "  CFI RESOURCE A:1, X:1, AX:2, SP:2, PC:2\n"
    "  CFI RESOURCEPARTS AX A, X\n"
    "  CFI ENDNAMES n\n"
    "  CFI COMMON c USING n\n"
    "  CFI CODEALIGN 1\n"
    "  CFI DATAALIGN -1\n"
    "  CFI RETURNADDRESS PC\n"
    "  CFI CFA SP+2\n"
    "  CFI A UNDEFINED\n"
    "  CFI X UNDEFINED\n"
    "  CFI AX SAMEVALUE\n"
    "  CFI SP CFA\n"
    "  CFI PC FRAME(CFA, -2)\n"
    "  CFI ENDCOMMON c\n";
constexpr long kCfiPreludeLines = 17;
