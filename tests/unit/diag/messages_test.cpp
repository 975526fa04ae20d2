// messages_test.cpp — every error and warning number through the real printer:
// which numbers have a text, which stop the run, which name the open block,
// that no control byte reaches the console, and where each text takes its
// string or number argument.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "diag/diag.h"
#include "driver/block_stack.h"
#include "driver/context.h"
#include "support/asm_fixture.h"

namespace {

// clang-format off
constexpr int kFatal[] = {1, 2, 3, 4, 9, 11, 14, 21, 24, 25, 27, 28, 29, 31, 98, 99, 105};
constexpr int kBlock[] = {4, 24, 37, 39, 57, 58, 59, 60, 73, 75, 76, 78, 79, 80, 81, 82, 105};
constexpr int kNoText[] = {89, 91, 97};  // errors inside the numbered range without a text

struct with_arguments {
  bool is_error;
  int number;
  const char* text;  // as printed with the string argument "nm" and the number 100
};

const with_arguments kWithArguments[] = {
    {true, 1,   "Too deep #include nesting (max is 100)"},
    {true, 2,   "Failed to open #include file 'nm'"},
    {true, 5,   "Too long source line (max is 100 characters); truncated"},
    {true, 9,   "Too many errors encountered (>100)."},
    {true, 11,  "Too deep block nesting (max is 100)"},
    {true, 12,  "String too long (max is 100)"},
    {true, 15,  "Invalid character encountered: 'nm'; ignored"},
    {true, 18,  "No such pre-processor command: 'nm'"},
    {true, 20,  "Argument to #define too long (max is 100)"},
    {true, 21,  "Too many formal parameters for #define (max is 100)"},
    {true, 22,  "Macro parameter 'nm' redefined"},
    {true, 25,  "#error 'nm'."},
    {true, 27,  "Too many active macro parameters (max is 100)"},
    {true, 28,  "Too many nested parameterized macros (max is 100)"},
    {true, 29,  "Too deep macro nesting (max is 100)"},
    {true, 30,  "Actual macro parameter too long (max is 100)"},
    {true, 31,  "Macro 'nm' called with too many parameters"},
    {true, 32,  "Macro 'nm' called with too few parameters"},
    {true, 42,  "Duplicate label:'nm'"},
    {true, 48,  "Value out of range 'nm'"},
    {true, 50,  "Undefined symbol:'nm'"},
    {true, 66,  "Segment too long (max is 64)"},
    {true, 67,  "Public 'nm' did not appear in label field"},
    {true, 70,  "Limit exceeded: 'nm', value is: 100 (decimal)"},
    {true, 71,  "Symbol 'nm' has already been declared EXTERN"},
    {true, 72,  "Symbol 'nm' has already been declared PUBLIC"},
    {true, 77,  "LOCALs not allowed in this context, ('nm')"},
    {true, 84,  "Illegal symbol type in symbol 'nm'"},
    {true, 88,  "Label ''nm'' not defined with DEFFN"},
    {true, 89,  "ERROR MESSAGE NOT IMPLEMENTED"},
    {true, 95,  "Invalid macro operator 'nm'"},
    {true, 96,  "No such macro argument 100"},
    {true, 101, "PUBWEAK symbol 'nm' not declared in RSEG with address"},
    {true, 103, "CFI directive error, 'nm'"},
    {true, 106, "This use of symbol 'nm' conflicts with previous use (now as label, previous as segment)"},
    {true, 107, "This use of symbol 'nm' conflicts with previous use (now as segment, previous as label)"},
    {true, 108, "Symbol too long (max is 100). The symbol is \"nm\""},
    {true, 417, "Illegal register, 'nm' is not allowed here"},
    {false, 17, "Empty module 'nm', module skipped"},
    {false, 19, "Symbol 'nm' duplicated"},
    {false, 22, "Set segment alignment the same (100) or larger"},
    {false, 25, "WARNING MESSAGE NOT IMPLEMENTED"},
};
// clang-format on

template <class T, std::size_t N>
bool listed(const T (&list)[N], int number) {
  return std::find(std::begin(list), std::end(list), number) != std::end(list);
}

class EveryMessage : public AsmTest {
 protected:
  void SetUp() override {
    AsmTest::SetUp();
    cx.source.file_name = "m.s26";
    cx.source.line_no = 12;
    cx.source.line = "    NOP\n";
    cx.source.line_len = 8;
    push_block(cx, block_type::macro, 3);
    print_problem(cx, problem_sink::console, 0, "Error", find_message(cx, 0, true), nullptr, 5);  // the source line, once
  }
  // Prints one number with a macro block open since line 3: what follows the
  // heading's "]: ", and whether the printer says the run stops.
  std::string print(int number, bool is_error, bool* fatal = nullptr) {
    cap.console.clear();
    cx.diag.arg_text = "nm";
    cx.diag.arg_number = 100;
    const int stops = print_problem(cx, problem_sink::console, number, is_error ? "Error" : "Warning",
                                    find_message(cx, number, is_error), nullptr, 5);
    if (fatal != nullptr) *fatal = stops != 0;
    const std::string heading = std::string("\"m.s26\",12  ") + (is_error ? "Error[" : "Warning[") +
                                std::to_string(number) + "]: ";
    EXPECT_EQ(cap.console.compare(0, heading.size(), heading), 0) << cap.console;
    return cap.console.substr(std::min(heading.size(), cap.console.size()));
  }
};

// Errors 0-123 and 400-432, warnings 0-24 and 400-405: each has a text of
// printable characters, ends as its kind says, and nothing past them has one.
TEST_F(EveryMessage, NumberedRangesHaveTextsWithTheirNotes) {
  for (const bool is_error : {true, false}) {
    const int ends[2][2] = {{is_error ? 123 : 24, is_error ? 432 : 405}, {0, 400}};
    for (int part = 0; part < 2; ++part) {
      for (int n = ends[1][part]; n <= ends[0][part] + 1; ++n) {
        SCOPED_TRACE((is_error ? "error " : "warning ") + std::to_string(n));
        const bool inside = n <= ends[0][part] && !(is_error && listed(kNoText, n));
        bool fatal = false;
        const std::string text = print(n, is_error, &fatal);
        EXPECT_EQ(text.find("NOT IMPLEMENTED") == std::string::npos, inside) << text;
        EXPECT_TRUE(std::all_of(text.begin(), text.end(), [](char c) { return c == '\n' || c >= ' '; })) << text;
        const bool is_fatal = is_error && listed(kFatal, n), is_block = is_error && listed(kBlock, n);
        EXPECT_EQ(fatal, is_fatal);
        EXPECT_EQ(text.find("\nFatal! Execution terminated...\n") != std::string::npos, is_fatal) << text;
        EXPECT_EQ(text.find("\nRecording MACRO started in line 3\n") != std::string::npos, is_block) << text;
      }
    }
  }
  EXPECT_EQ(find_message(cx, -1, true), nullptr);
}

TEST_F(EveryMessage, ArgumentsStandInTheirPlace) {
  for (const with_arguments& m : kWithArguments) {
    const std::string text = print(m.number, m.is_error);
    EXPECT_EQ(text.substr(0, text.find('\n')), m.text) << m.number;
  }
}

}  // namespace
