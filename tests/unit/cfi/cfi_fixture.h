// cfi_fixture.h — pass 1 with the CFI directive on an in-memory source, with
// two stand-ins the assembler does not have yet: SEG_CODE, SEG_DATA and
// SEG_CODE2 make a code, a data or a second code segment current, and the
// mnemonics NOP (1 byte) and MOVW (3 bytes) move the location counter. The
// module's CFI record comes back as the reader's text.
#pragma once

#include <string>
#include <vector>

#include "cfi/cfi_record.h"
#include "cfi/cfi_state.h"
#include "cfi/og_call_frame_info.h"
#include "directives/directive_table.h"
#include "driver/statement.h"
#include "source/lexer_fixture.h"
#include "source/preprocessor.h"
#include "source/statement_loop.h"
#include "target/operand_grammar.h"

class CfiTest : public LexerTest {
 protected:
  bool stopped = false;

  // Segment `number` (2 to 4) of the table made in SetUp becomes current.
  static void use_segment(asm_context& cx, int number) { cx.segs.current = cx.segs.table[number - 1]; }
  static void seg_code(asm_context& cx, const statement_call&) { use_segment(cx, 2); }
  static void seg_data(asm_context& cx, const statement_call&) { use_segment(cx, 3); }
  static void seg_code2(asm_context& cx, const statement_call&) { use_segment(cx, 4); }

  // An instruction as long as its mnemonic's index.
  static void advance(asm_context& cx, const statement_call& call) {
    segment_rec* seg = cx.segs.current;
    if (seg == nullptr) return;
    call.record->segment = seg;
    call.record->location = seg->location;
    seg->location += call.operation->keyword.code;
    skip_tokens_to_end_of_line(cx);
  }

  static constexpr directive_entry kTestDirectives[] = {
      {"SEG_CODE", DCLASS_ORDINARY, 0, UPPER_CASE, seg_code},
      {"SEG_DATA", DCLASS_ORDINARY, 0, UPPER_CASE, seg_data},
      {"SEG_CODE2", DCLASS_ORDINARY, 0, UPPER_CASE, seg_code2},
  };

  segment_rec* make_segment(uint16_t number, uint8_t kind, uint8_t type) {
    return am_new<segment_rec>(cx, "S", nullptr, number, kind, type, nullptr, uint16_t{0}, int32_t{0});
  }

  // Pass 1 over `text`; "  END" is added when the text has no END line.
  void run(const std::string& text) {
    const bool has_end = text.find("  END") != std::string::npos || text.find("ENDMOD") != std::string::npos;
    start(has_end ? text : text + "  END\n");
    cx.symbols = symbol_state{};
    start_statements(cx);
    register_operand_keywords(cx);
    register_directives(cx, kTestDirectives);
    init_mnemonic(cx, "NOP", 1, nullptr);
    init_mnemonic(cx, "MOVW", 3, nullptr);
    cx.stmt.instruction = advance;
    cx.segs.table = static_cast<segment_rec**>(am_memory(cx, 4 * sizeof(segment_rec*)));
    cx.segs.table[0] = make_segment(1, SEG_ABSOLUTE, 0);
    cx.segs.table[1] = make_segment(2, SEG_RELOCATABLE, 1);
    cx.segs.table[2] = make_segment(3, SEG_RELOCATABLE, 2);
    cx.segs.table[3] = make_segment(4, SEG_RELOCATABLE, 1);
    cx.segs.count = 4;
    cx.driver.pass1 = 1;
    stopped = stops([&] {
      start_preprocessor(cx);
      statement_loop(cx);
      end_preprocessor_pass(cx);
    });
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
