// messages_test.cpp — every error and warning number printed through the real
// printer, compared with its text written out here with its arguments filled in.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "diag/diag.h"
#include "driver/block_stack.h"
#include "driver/context.h"
#include "support/asm_fixture.h"
#include "target/messages_78k0.h"

namespace {

enum flags { NONE = 0, FATAL = 1, BLOCK = 2 };

struct printed {
  int number;
  const char* text;  // as printed with the string argument "nm" and the number 100
  int flags;
};

const printed kErrors[] = {
    {0, "Invalid syntax", NONE},
    {1, "Too deep #include nesting (max is 100)", FATAL},
    {2, "Failed to open #include file 'nm'", FATAL},
    {3, "Invalid #include file name", FATAL},
    {4, "Unexpected end of file encountered", FATAL | BLOCK},
    {5, "Too long source line (max is 100 characters); truncated", NONE},
    {6, "Bad constant", NONE},
    {7, "Hexadecimal constant without digits", NONE},
    {8, "Invalid floating point constant", NONE},
    {9, "Too many errors encountered (>100).", FATAL},
    {10, "Space or tab expected", NONE},
    {11, "Too deep block nesting (max is 100)", FATAL},
    {12, "String too long (max is 100)", NONE},
    {13, "Missing delimiter in literal or character constant", NONE},
    {14, "Missing #endif", FATAL},
    {15, "Invalid character encountered: 'nm'; ignored", NONE},
    {16, "Identifier expected", NONE},
    {17, "')' expected", NONE},
    {18, "No such pre-processor command: 'nm'", NONE},
    {19, "Unexpected token found in pre-processor line", NONE},
    {20, "Argument to #define too long (max is 100)", NONE},
    {21, "Too many formal parameters for #define (max is 100)", FATAL},
    {22, "Macro parameter 'nm' redefined", NONE},
    {23, "',' or ')' expected", NONE},
    {24, "Unmatched #else, #endif or #elif", FATAL | BLOCK},
    {25, "#error 'nm'.", FATAL},
    {26, "'(' expected", NONE},
    {27, "Too many active macro parameters (max is 100)", FATAL},
    {28, "Too many nested parameterized macros (max is 100)", FATAL},
    {29, "Too deep macro nesting (max is 100)", FATAL},
    {30, "Actual macro parameter too long (max is 100)", NONE},
    {31, "Macro 'nm' called with too many parameters", FATAL},
    {32, "Macro 'nm' called with too few parameters", NONE},
    {33, "Too many MACRO arguments", NONE},
    {34, "May not be redefined", NONE},
    {35, "No name on macro", NONE},
    {36, "Illegal formal parameter in macro", NONE},
    {37, "ENDM or EXITM not in macro", BLOCK},
    {38, "'>' expected but found end-of-line", NONE},
    {39, "END before start of module", BLOCK},
    {40, "Bad instruction", NONE},
    {41, "Bad label", NONE},
    {42, "Duplicate label:'nm'", NONE},
    {43, "Illegal effective address", NONE},
    {44, "',' expected", NONE},
    {45, "Name duplicated", NONE},
    {46, "Segment type expected", NONE},
    {47, "Segment name expected", NONE},
    {48, "Value out of range 'nm'", NONE},
    {49, "Alignment already set", NONE},
    {50, "Undefined symbol:'nm'", NONE},
    {51, "Can't be both PUBLIC and EXTERN", NONE},
    {52, "EXTERN not allowed", NONE},
    {53, "Expression must be absolute", NONE},
    {54, "Expression can not be forward", NONE},
    {55, "Illegal size", NONE},
    {56, "Too many digits", NONE},
    {57, "Unbalanced conditional assembly directives", BLOCK},
    {58, "ELSE without IF", BLOCK},
    {59, "ENDIF without IF", BLOCK},
    {60, "Unbalanced structured assembly directives", BLOCK},
    {61, "'+' or '-' expected", NONE},
    {62, "Illegal operation on extern or public symbol", NONE},
    {63, "Illegal operation on non-constant label", NONE},
    {64, "Extern or unsolved expression", NONE},
    {65, "'=' expected", NONE},
    {66, "Segment too long (max is 64)", NONE},
    {67, "Public 'nm' did not appear in label field", NONE},
    {68, "End of block-repeat without start", NONE},
    {69, "Segment must be relocatable", NONE},
    {70, "Limit exceeded: 'nm', value is: 100 (decimal)", NONE},
    {71, "Symbol 'nm' has already been declared EXTERN", NONE},
    {72, "Symbol 'nm' has already been declared PUBLIC", NONE},
    {73, "End-of-module missing", BLOCK},
    {74, "Expression must yield non-negative result", NONE},
    {75, "Repeat directive unbalanced", BLOCK},
    {76, "End of repeat directive is missing", BLOCK},
    {77, "LOCALs not allowed in this context, ('nm')", NONE},
    {78, "End of macro expected", BLOCK},
    {79, "End of repeat expected", BLOCK},
    {80, "End of conditional assembly expected", BLOCK},
    {81, "End of structured assembly expected", BLOCK},
    {82, "Misplaced end of structured assembly", BLOCK},
    {83, "Error in SFR attribute definition", NONE},
    {84, "Illegal symbol type in symbol 'nm'", NONE},
    {85, "Wrong nr of arguments", NONE},
    {86, "Number expected", NONE},
    {87, "Label must be public or extern", NONE},
    {88, "Label ''nm'' not defined with DEFFN", NONE},
    {89, "ERROR MESSAGE NOT IMPLEMENTED", NONE},
    {90, "Different parts of ASEG have overlapping code", NONE},
    {91, "ERROR MESSAGE NOT IMPLEMENTED", NONE},
    {92, "Empty macro stack", NONE},
    {93, "Macro stack overflow", NONE},
    {94, "Attempt to access out-of-stack value", NONE},
    {95, "Invalid macro operator 'nm'", NONE},
    {96, "No such macro argument 100", NONE},
    {97, "ERROR MESSAGE NOT IMPLEMENTED", NONE},
    {98, "Option -re cannot handle code in include files, use -r or -rn instead", FATAL},
    {99, "#include within macro not supported", FATAL},
    {100, "Duplicate segment definitions", NONE},
    {101, "PUBWEAK symbol 'nm' not declared in RSEG with address", NONE},
    {102, "LOCFRAME not compatible with external function", NONE},
    {103, "CFI directive error, 'nm'", NONE},
    {104, "A label is needed in front of this directive", NONE},
    {105, "Erroneous multibyte encountered", FATAL | BLOCK},
    {106, "This use of symbol 'nm' conflicts with previous use (now as label, previous as segment)", NONE},
    {107, "This use of symbol 'nm' conflicts with previous use (now as segment, previous as label)", NONE},
    {108, "Symbol too long (max is 100). The symbol is \"nm\"", NONE},
    {109, "Expression is too complex", NONE},
    {110, "Mixing pubweak and non pubweak symbols in a segment", NONE},
    {111, "More than one module is not allowed", NONE},
    {112, "Module can not have a library reference", NONE},
    {113, "Program start address is not allowed", NONE},
    {114, "Directive is not allowed", NONE},
    {115, "Segment type is not allowed", NONE},
    {116, "Segment type missing", NONE},
    {117, "Segment start address not allowed", NONE},
    {118, "Must be placed inside a segment", NONE},
    {119, "Label redefined in symbol (block, or overload) directive", NONE},
    {120, "EXTWEAK directive not allowed", NONE},
    {121, "Multiple pubweak symbols in one segment", NONE},
    {122, "Segment with pubweak symbol must be declared REORDER", NONE},
    {123, "Define directive does not have a constant expression", NONE},
    {124, "ERROR MESSAGE NOT IMPLEMENTED", NONE},
    {399, "ERROR MESSAGE NOT IMPLEMENTED", NONE},
    {400, "Nothing to BREAK out of", NONE},
    {401, "Unterminated C-comment", NONE},
    {402, "CASE after DEFAULT", NONE},
    {403, "CASE outside SWITCH", NONE},
    {404, "Nothing to CONTINUE to", NONE},
    {405, "DEFAULT outside SWITCH", NONE},
    {406, "ELSE used more than once", NONE},
    {407, "ELSEIF cannot be used after ELSE", NONE},
    {408, "ELSEIF with no matching IF", NONE},
    {409, "ENDF without matching FOR", NONE},
    {410, "ENDS without matching SWITCH", NONE},
    {411, "Multiple DEFAULT", NONE},
    {412, "Break argument must be 1,2, or 3", NONE},
    {413, "UNTIL without matching REPEAT", NONE},
    {414, "Expression out of range", NONE},
    {415, "Operand syntax error", NONE},
    {416, "Too many operands", NONE},
    {417, "Illegal register, 'nm' is not allowed here", NONE},
    {418, "Cannot solve step value", NONE},
    {419, "THEN without matching IF", NONE},
    {420, "WEND without matching WHILE", NONE},
    {421, "Negative step value", NONE},
    {422, "Zero step value", NONE},
    {423, "Too large step value", NONE},
    {424, "Branch too long", NONE},
    {425, "Accessing SFR incorrectly, check read/write flags", NONE},
    {426, "Accessing SFR using incorrect size", NONE},
    {427, "ELSE without matching IF", NONE},
    {428, "Address operand must be even", NONE},
    {429, "A  or AX cannot be both source and destination", NONE},
    {430, "Illegal register on RHS (A or AX)", NONE},
    {431, "No relocatable bit expression or bit equate", NONE},
    {432, "Bit equate not allowed as PUBLIC", NONE},
    {433, "ERROR MESSAGE NOT IMPLEMENTED", NONE},
};

const printed kWarnings[] = {
    {0, "Unreferenced label", NONE},
    {1, "Nested comment", NONE},
    {2, "Unknown escape sequence", NONE},
    {3, "Non-printable character", NONE},
    {4, "Macro or define expected", NONE},
    {5, "Floating point value out-of-range", NONE},
    {6, "Floating point division by zero", NONE},
    {7, "Wrong usage of string operator ('#' or '##'); ignored", NONE},
    {8, "Macro parameter(s) not used", NONE},
    {9, "Macro redefined", NONE},
    {10, "Unknown macro", NONE},
    {11, "Empty macro argument", NONE},
    {12, "Recursive macro", NONE},
    {13, "Redefinition of Special Function Register", NONE},
    {14, "Division by zero", NONE},
    {15, "Constant truncated", NONE},
    {16, "Suspicious sfr expression", NONE},
    {17, "Empty module 'nm', module skipped", NONE},
    {18, "END of program while in include file", NONE},
    {19, "Symbol 'nm' duplicated", NONE},
    {20, "Bit symbol can not be used as operand", NONE},
    {21, "Label did not appear in label field", NONE},
    {22, "Set segment alignment the same (100) or larger", NONE},
    {23, "Noroot is the default attribute", NONE},
    {24, "ENDMOD directive is ignored (only one module is allowed)", NONE},
    {25, "WARNING MESSAGE NOT IMPLEMENTED", NONE},
    {400, "Number out of range", NONE},
    {401, "SFR neither defined as READ nor WRITE, using default (READ and WRITE)", NONE},
    {402, "More than one SFR size attribute defined, using default (BYTE)", NONE},
    {403, "No SFR size attribute defined, using default (BYTE)", NONE},
    {404, "The RSS bit is not supported by QASM0", NONE},
    {405, "Even value expected", NONE},
    {406, "WARNING MESSAGE NOT IMPLEMENTED", NONE},
};

// Prints one number with a macro block open since line 3; only the heading and
// what follows it are returned (the position lines came with an earlier print).
std::string print_one(capture_table& cap, asm_context& cx, int number, bool is_error) {
  cap.console.clear();
  cx.diag.arg_text = "nm";
  cx.diag.arg_number = 100;
  int fatal = print_problem(cx, problem_sink::console, number, is_error ? "Error" : "Warning",
                            find_message(number, is_error), nullptr, 5);
  std::string tag = fatal ? "[fatal]" : "";
  return cap.console + tag;
}

std::string expected_for(const printed& p, bool is_error) {
  std::string s = std::string("\"m.s26\",12  ") + (is_error ? "Error[" : "Warning[") +
                  std::to_string(p.number) + "]: " + p.text;
  if (p.flags & BLOCK) s += "\nRecording MACRO started in line 3\n";
  s += "\n";
  if (p.flags & FATAL) s += "\nFatal! Execution terminated...\n[fatal]";
  return s;
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
    print_one(cap, cx, 0, true);  // the source line and marker, once
  }
};

TEST_F(EveryMessage, ErrorsPrintTheirExactText) {
  for (const printed& p : kErrors)
    EXPECT_EQ(print_one(cap, cx, p.number, true), expected_for(p, true)) << "error " << p.number;
}

TEST_F(EveryMessage, WarningsPrintTheirExactText) {
  for (const printed& p : kWarnings)
    EXPECT_EQ(print_one(cap, cx, p.number, false), expected_for(p, false)) << "warning " << p.number;
}

// The tables hold exactly the numbers checked above, each once.
TEST(MessageTables, HoldExactlyTheListedNumbers) {
  auto numbers_of = [](const message_entry* table) {
    std::multiset<int> numbers;
    for (; table->number >= 0; ++table) numbers.insert(table->number);
    return numbers;
  };
  auto listed = [](const auto& rows, int low, int high) {
    std::multiset<int> numbers;
    for (const printed& p : rows)
      if (p.number >= low && p.number <= high && std::string(p.text).find("NOT IMPLEMENTED") == std::string::npos)
        numbers.insert(p.number);
    return numbers;
  };
  EXPECT_EQ(numbers_of(generic_error_table()), listed(kErrors, 0, 399));
  EXPECT_EQ(numbers_of(target_error_table()), listed(kErrors, 400, 499));
  EXPECT_EQ(numbers_of(generic_warning_table()), listed(kWarnings, 0, 399));
  EXPECT_EQ(numbers_of(target_warning_table()), listed(kWarnings, 400, 499));
  EXPECT_EQ(numbers_of(generic_error_table()).size(), 121u);
  EXPECT_EQ(numbers_of(target_error_table()).size(), 33u);
}

TEST(MessageTables, NegativeNumberHasNoText) { EXPECT_EQ(find_message(-1, true), nullptr); }

}  // namespace
