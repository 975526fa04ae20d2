// messages_78k0.cpp — the 78K0 target's error and warning texts, numbers 400 and
// up (B00). Control bytes as in the generic tables: \003 is the string argument.
#include "target/messages_78k0.h"

#include "diag/messages.h"
#include "target/target.h"

namespace {

constexpr message_entry kTargetErrors[] = {
    {400, "Nothing to BREAK out of"},
    {401, "Unterminated C-comment"},
    {402, "CASE after DEFAULT"},
    {403, "CASE outside SWITCH"},
    {404, "Nothing to CONTINUE to"},
    {405, "DEFAULT outside SWITCH"},
    {406, "ELSE used more than once"},
    {407, "ELSEIF cannot be used after ELSE"},
    {408, "ELSEIF with no matching IF"},
    {409, "ENDF without matching FOR"},
    {410, "ENDS without matching SWITCH"},
    {411, "Multiple DEFAULT"},
    {412, "Break argument must be 1,2, or 3"},
    {413, "UNTIL without matching REPEAT"},
    {414, "Expression out of range"},
    {415, "Operand syntax error"},
    {416, "Too many operands"},
    {417, "Illegal register, \003 is not allowed here"},
    {418, "Cannot solve step value"},
    {419, "THEN without matching IF"},
    {420, "WEND without matching WHILE"},
    {421, "Negative step value"},
    {422, "Zero step value"},
    {423, "Too large step value"},
    {424, "Branch too long"},
    {425, "Accessing SFR incorrectly, check read/write flags"},
    {426, "Accessing SFR using incorrect size"},
    {427, "ELSE without matching IF"},
    {428, "Address operand must be even"},
    {429, "A  or AX cannot be both source and destination"},
    {430, "Illegal register on RHS (A or AX)"},
    {431, "No relocatable bit expression or bit equate"},
    {432, "Bit equate not allowed as PUBLIC"},
    {-1, nullptr},
};

constexpr message_entry kTargetWarnings[] = {
    {400, "Number out of range"},
    {401, "SFR neither defined as READ nor WRITE, using default (READ and WRITE)"},
    {402, "More than one SFR size attribute defined, using default (BYTE)"},
    {403, "No SFR size attribute defined, using default (BYTE)"},
    {404, "The RSS bit is not supported by QASM0"},
    {405, "Even value expected"},
    {-1, nullptr},
};

}  // namespace

const message_entry* target_error_table() { return kTargetErrors; }
const message_entry* target_warning_table() { return kTargetWarnings; }

const char* target_message(int number, bool is_error) {
  return search_message(is_error ? kTargetErrors : kTargetWarnings, number);
}
