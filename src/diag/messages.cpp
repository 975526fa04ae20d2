// messages.cpp — the generic error and warning texts and lookup by number (A01).
// Control bytes as octal escapes: \001 lead, \002 fatal, \003 'string',
// \004 "string", \005 decimal number, \006 hex number, \007 block note.
#include "diag/messages.h"

#include <cstring>

#include "driver/context.h"


namespace {

constexpr message_entry kGenericErrors[] = {
    {0, "Invalid syntax"},
    {1, "Too deep #include nesting (max is \005)\002"},
    {2, "Failed to open #include file \003\002"},
    {3, "Invalid #include file name\002"},
    {4, "Unexpected end of file encountered\002\007"},
    {5, "Too long source line (max is \005 characters); truncated"},
    {6, "Bad constant"},
    {7, "Hexadecimal constant without digits"},
    {8, "Invalid floating point constant"},
    {9, "Too many errors encountered (>\005).\002"},
    {10, "Space or tab expected"},
    {11, "Too deep block nesting (max is \005)\002"},
    {12, "String too long (max is \005)"},
    {13, "Missing delimiter in literal or character constant"},
    {14, "Missing #endif\002"},
    {15, "Invalid character encountered: \003; ignored"},
    {16, "\001Identifier expected"},
    {17, "\001')' expected"},
    {18, "No such pre-processor command: \003"},
    {19, "Unexpected token found in pre-processor line"},
    {20, "Argument to #define too long (max is \005)"},
    {21, "Too many formal parameters for #define (max is \005)\002"},
    {22, "Macro parameter \003 redefined"},
    {23, "\001',' or ')' expected"},
    {24, "Unmatched #else, #endif or #elif\002\007"},
    {25, "#error \003.\002"},
    {26, "\001'(' expected"},
    {27, "Too many active macro parameters (max is \005)\002"},
    {28, "Too many nested parameterized macros (max is \005)\002"},
    {29, "Too deep macro nesting (max is \005)\002"},
    {30, "Actual macro parameter too long (max is \005)"},
    {31, "Macro \003 called with too many parameters\002"},
    {32, "Macro \003 called with too few parameters"},
    {33, "Too many MACRO arguments"},
    {34, "May not be redefined"},
    {35, "No name on macro"},
    {36, "Illegal formal parameter in macro"},
    {37, "ENDM or EXITM not in macro\007"},
    {38, "'>' expected but found end-of-line"},
    {39, "END before start of module\007"},
    {40, "Bad instruction"},
    {41, "Bad label"},
    {42, "Duplicate label:\003"},
    {43, "Illegal effective address"},
    {44, "\001',' expected"},
    {45, "Name duplicated"},
    {46, "Segment type expected"},
    {47, "Segment name expected"},
    {48, "Value out of range \003"},
    {49, "Alignment already set"},
    {50, "Undefined symbol:\003"},
    {51, "Can't be both PUBLIC and EXTERN"},
    {52, "EXTERN not allowed"},
    {53, "Expression must be absolute"},
    {54, "Expression can not be forward"},
    {55, "Illegal size"},
    {56, "Too many digits"},
    {57, "Unbalanced conditional assembly directives\007"},
    {58, "ELSE without IF\007"},
    {59, "ENDIF without IF\007"},
    {60, "Unbalanced structured assembly directives\007"},
    {61, "'+' or '-' expected"},
    {62, "Illegal operation on extern or public symbol"},
    {63, "Illegal operation on non-constant label"},
    {64, "Extern or unsolved expression"},
    {65, "'=' expected"},
    {66, "Segment too long (max is \006)"},
    {67, "Public \003 did not appear in label field"},
    {68, "End of block-repeat without start"},
    {69, "Segment must be relocatable"},
    {70, "Limit exceeded: \003, value is: \005 (decimal)"},
    {71, "Symbol \003 has already been declared EXTERN"},
    {72, "Symbol \003 has already been declared PUBLIC"},
    {73, "End-of-module missing\007"},
    {74, "Expression must yield non-negative result"},
    {75, "Repeat directive unbalanced\007"},
    {76, "End of repeat directive is missing\007"},
    {77, "LOCALs not allowed in this context, (\003)"},
    {78, "End of macro expected\007"},
    {79, "End of repeat expected\007"},
    {80, "End of conditional assembly expected\007"},
    {81, "End of structured assembly expected\007"},
    {82, "Misplaced end of structured assembly\007"},
    {83, "Error in SFR attribute definition"},
    {84, "Illegal symbol type in symbol \003"},
    {85, "Wrong nr of arguments"},
    {86, "Number expected"},
    {87, "Label must be public or extern"},
    {88, "Label '\003' not defined with DEFFN"},
    {90, "Different parts of ASEG have overlapping code"},
    {92, "Empty macro stack"},
    {93, "Macro stack overflow"},
    {94, "Attempt to access out-of-stack value"},
    {95, "Invalid macro operator \003"},
    {96, "No such macro argument \005"},
    {98, "Option -re cannot handle code in include files, use -r or -rn instead\002"},
    {99, "#include within macro not supported\002"},
    {100, "Duplicate segment definitions"},
    {101, "PUBWEAK symbol \003 not declared in RSEG with address"},
    {102, "LOCFRAME not compatible with external function"},
    {103, "CFI directive error, \003"},
    {104, "A label is needed in front of this directive"},
    {105, "Erroneous multibyte encountered\002\007"},
    {106, "This use of symbol \003 conflicts with previous use (now as label, previous as segment)"},
    {107, "This use of symbol \003 conflicts with previous use (now as segment, previous as label)"},
    {108, "Symbol too long (max is \005). The symbol is \004"},
    {109, "Expression is too complex"},
    {110, "Mixing pubweak and non pubweak symbols in a segment"},
    {111, "More than one module is not allowed"},
    {112, "Module can not have a library reference"},
    {113, "Program start address is not allowed"},
    {114, "Directive is not allowed"},
    {115, "Segment type is not allowed"},
    {116, "Segment type missing"},
    {117, "Segment start address not allowed"},
    {118, "Must be placed inside a segment"},
    {119, "Label redefined in symbol (block, or overload) directive"},
    {120, "EXTWEAK directive not allowed"},
    {121, "Multiple pubweak symbols in one segment"},
    {122, "Segment with pubweak symbol must be declared REORDER"},
    {123, "Define directive does not have a constant expression"},
    {-1, nullptr},
};

constexpr message_entry kGenericWarnings[] = {
    {0, "Unreferenced label"},
    {1, "Nested comment"},
    {2, "Unknown escape sequence"},
    {3, "Non-printable character"},
    {4, "Macro or define expected"},
    {5, "Floating point value out-of-range"},
    {6, "Floating point division by zero"},
    {7, "Wrong usage of string operator ('#' or '##'); ignored"},
    {8, "Macro parameter(s) not used"},
    {9, "Macro redefined"},
    {10, "Unknown macro"},
    {11, "Empty macro argument"},
    {12, "Recursive macro"},
    {13, "Redefinition of Special Function Register"},
    {14, "Division by zero"},
    {15, "Constant truncated"},
    {16, "Suspicious sfr expression"},
    {17, "Empty module \003, module skipped"},
    {18, "END of program while in include file"},
    {19, "Symbol \003 duplicated"},
    {20, "Bit symbol can not be used as operand"},
    {21, "Label did not appear in label field"},
    {22, "Set segment alignment the same (\005) or larger"},
    {23, "Noroot is the default attribute"},
    {24, "ENDMOD directive is ignored (only one module is allowed)"},
    {-1, nullptr},
};

// Target numbers start here; lower ones belong to the generic tables.
constexpr int kFirstTargetNumber = 400;

}  // namespace

const char* search_message(const message_entry* table, int number) {
  for (; table->number >= 0; ++table)
    if (table->number == number) return table->text;
  return nullptr;
}

const message_entry* generic_error_table() { return kGenericErrors; }
const message_entry* generic_warning_table() { return kGenericWarnings; }

const char* find_message(const asm_context& cx, int number, bool is_error) {
  if (number < 0) return nullptr;
  const char* text = nullptr;
  if (number < kFirstTargetNumber) text = search_message(is_error ? kGenericErrors : kGenericWarnings, number);
  if (text == nullptr && cx.diag.target_text != nullptr) text = cx.diag.target_text(number, is_error);
  if (text == nullptr)
    text = is_error ? "ERROR MESSAGE NOT IMPLEMENTED" : "WARNING MESSAGE NOT IMPLEMENTED";
  return text;
}

bool message_is_fatal(const char* text) { return std::strchr(text, MSG_FATAL) != nullptr; }
