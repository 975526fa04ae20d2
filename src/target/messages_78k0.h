// messages_78k0.h — the 78K0 target's message tables (B00), for the tests that
// check them against the numbers the target names; the assembler reads them
// through target_message.
#pragma once

#include "diag/messages.h"

const message_entry* target_error_table();
const message_entry* target_warning_table();
