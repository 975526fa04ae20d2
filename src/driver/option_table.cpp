// option_table.cpp — the options in registration order, the usage screen and
// the sign-on (A03). The order of the rows is the order of the usage screen and
// of the second phase.
#include <cstring>
#include <string>

#include "driver/command_line.h"
#include "driver/context.h"
#include "driver/option_handlers.h"

namespace {

constexpr uint32_t kOnce = OPT_ONCE | OPT_ORDINARY;
constexpr uint32_t kRepeat = OPT_REPEAT | OPT_ORDINARY;

struct option_row {
  const char* help;
  uint32_t flags;
  option_handler handler;
  int option_settings::*variable;
};

// Help text "\x01" stands for the object extension; a tab prints as eight blanks.
// The processor entries are built from the target's choice list behind -O.
constexpr option_row kOptionsBeforeProcessor[] = {
    {"-c{DSEAOM}    Listing options\n"
     "\t\t D: Disable listing,             S: No structured asm. list\n"
     "\t\t E: Disable macro expansion,     A: List only assembled part \n"
     "\t\t O: List several lines of code,  M: List Macro definition",
     kRepeat | OPT_OPTIONAL_ARG | OPT_PHASE1, handle_c, nullptr},
    {"-o file       Put object  on: <file> <.\x01>",
     OPT_ONCE | OPT_ANCHOR | OPT_NEXT_WORD | OPT_PHASE2, handle_o, nullptr},
    {"-Opath        Put object on: <path> \\ <source> <.\x01>",
     OPT_ONCE | OPT_ANCHOR | OPT_NOT_WITH_ANCHOR | OPT_OPTIONAL_ARG | OPT_PHASE2, handle_O, nullptr},
};

constexpr option_row kOptionsAfterProcessor[] = {
    {"-ws           To make warnings generate exit code 1\n"
     "-wstring      Disable warnings\n"
     "\t\t string: <+|-,><+|-range><,+|-range>...\n"
     "\t\t range: low_warning_nr<-high_warning_nr>\n"
     "\t\t example: -w turns all warnings off\n"
     "\t\t          -w-,+10-12,+20 turns all but 10,11,12 and 20 off\n",
     kOnce | OPT_OPTIONAL_ARG | OPT_PHASE1, handle_w, nullptr},
    {"-Enumber      Allow <number> errors", kOnce | OPT_OPTIONAL_ARG | OPT_PHASE1, handle_E, nullptr},
    {"-f file       Extend command line with <file> <.xcl>", kRepeat | OPT_NEXT_WORD | OPT_PHASE1,
     handle_f, nullptr},
    {"-r            Enable debugger output in object", kOnce | OPT_OPTIONAL_ARG | OPT_PHASE1, handle_r,
     nullptr},
    {"-B            Print debug info for assembler macros", kOnce | OPT_NO_ARG | OPT_PHASE1, nullptr,
     &option_settings::macro_debug},
    {"-Mab          Change asm.macro argument quote chars,\n"
     " \t\t where a is start-of-quote and b is end-of-quote char.\n"
     " \t\t default is a == < and b == >.",
     kOnce | OPT_OPTIONAL_ARG | OPT_PHASE1, handle_M, nullptr},
    {"-l file       Generate a list on: <file> <.lst>",
     OPT_ONCE | OPT_ANCHOR | OPT_NEXT_WORD | OPT_PHASE2, handle_l, nullptr},
    {"-Lpath        Generate a list on: <path> \\ <source> <.lst>",
     OPT_ONCE | OPT_ANCHOR | OPT_NOT_WITH_ANCHOR | OPT_OPTIONAL_ARG | OPT_PHASE2, handle_L, nullptr},
    {"-tn           Set tab spacing between 2 and 9 (default 8)", kOnce | OPT_REQUIRED_ARG | OPT_PHASE1,
     handle_t, nullptr},
    {"-x{DI2}       Generate cross-reference list\n"
     "\t\t D: Show all #defines, I: Show Internal table\n"
     "\t\t 2: Dual line space listing",
     kOnce | OPT_OPTIONAL_ARG | OPT_NEEDS_ONE_OF_TWO | OPT_PHASE1, handle_x, nullptr},
    {"-i            List #included files", kOnce | OPT_NO_ARG | OPT_NEEDS_ONE_OF_TWO | OPT_PHASE1, nullptr,
     &option_settings::list_includes},
    {"-pnn          Page listing with 'nn' lines/page (10-150)",
     OPT_ONCE | OPT_ANCHOR | OPT_REQUIRED_ARG | OPT_NEEDS_ONE_OF_TWO | OPT_PHASE1, handle_p, nullptr},
    {"-DSYMB        Equivalent to: #define SYMB 1", kRepeat | OPT_REQUIRED_ARG | OPT_PHASE2, handle_D,
     nullptr},
    {"-DSYMB=xx     Equivalent to: #define SYMB xx", 0, nullptr, nullptr},
    {"-USYMB        Equivalent to: #undef SYMB", kRepeat | OPT_REQUIRED_ARG | OPT_PHASE2, handle_U,
     nullptr},
    {"-Ipath        Add #include search path", kRepeat | OPT_REQUIRED_ARG | OPT_PHASE2, handle_I, nullptr},
    {"-G            Open standard input as source", kOnce | OPT_NO_ARG | OPT_PHASE1, handle_G, nullptr},
    {"-s{+|-}       Set case sensitivity for user symbols\n"
     "\t\t -s and -s+ enables sensitivity, -s- disables it.",
     kOnce | OPT_OPTIONAL_ARG | OPT_PHASE1, handle_s, nullptr},
    {"-S            Silent operation of assembler", kOnce | OPT_OPTIONAL_ARG | OPT_PHASE1, handle_S,
     &option_settings::sign_on},
    {"-N            No header in listing", kOnce | OPT_NO_ARG | OPT_PHASE1, nullptr,
     &option_settings::listing_header},
    {"-n            Enable multibytes", kOnce | OPT_OPTIONAL_ARG | OPT_PHASE1, handle_n, nullptr},
};

// The target's processor choices: the head with "?" replaced by each choice's
// first character, then the rest of the choice; the first is the default.

option_rec* append(asm_context& cx, const char* help, uint32_t flags, option_handler handler, int* variable) {
  auto* rec = static_cast<option_rec*>(am_memory(cx, sizeof(option_rec)));
  option_rec& head = cx.cmdline.head;
  *rec = option_rec{&head, head.prev, help[1], nullptr, help, handler, variable, flags};
  head.prev->next = rec;
  head.prev = rec;
  return rec;
}

void append_rows(asm_context& cx, const option_row* rows, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) {
    const option_row& row = rows[i];
    append(cx, row.help, row.flags, row.handler, row.variable ? &(cx.driver.opt.*row.variable) : nullptr);
  }
}

void append_processor_entries(asm_context& cx) {
  const char* choice = target_processor_choices();
  int index = 0;
  while (*choice != '\0') {
    const char* end = std::strchr(choice, ',');
    if (end == nullptr) end = choice + std::strlen(choice);
    std::string help = target_processor_head();
    help[help.find('?')] = *choice;
    help.append(choice + 1, end);
    if (index == 0) help += " (default)";
    uint32_t flags = OPT_ONCE | OPT_REQUIRED_ARG | OPT_PHASE1 | (index == 0 ? OPT_ANCHOR : OPT_ORDINARY);
    append(cx, am_strdup(cx, help.data(), help.size()), flags, handle_v, nullptr);
    ++index;
    choice = *end == ',' ? end + 1 : end;
  }
  cx.cmdline.v_entries = index;
}

// Prints a help text: a tab as eight blanks, the control character 1 as the
// object extension.
void print_help(asm_context& cx, const char* help) {
  std::string text;
  for (const char* p = help; *p != '\0'; ++p) {
    if (*p == '\t')
      text += "        ";
    else if (*p == '\x01')
      text += kObjectExtension;
    else
      text += *p;
  }
  out_print(*cx.out, "%s\n", text.c_str());
}

}  // namespace

std::string version_text() { return std::string("V") + kVersionNumber + "" + "/" + "W32"; }

void register_options(asm_context& cx) {
  option_rec& head = cx.cmdline.head;
  head.next = head.prev = &head;
  append_rows(cx, kOptionsBeforeProcessor, std::size(kOptionsBeforeProcessor));
  append_processor_entries(cx);
  append_rows(cx, kOptionsAfterProcessor, std::size(kOptionsAfterProcessor));
}

void print_sign_on(asm_context& cx) {
  std::string text = "VEK Assembler " + version_text() + " for " + std::string(target_processor_names());
  out_print(*cx.out, "\n    %s\n", text.c_str());
}

void print_usage(asm_context& cx) {
  const output_table& out = *cx.out;
  out_print(out, "\nUsage:        %s {<options>} <sourcefile> {<options>}", kProductName);
  out_print(out, "\nSourcefile:   source file with default extension: .%s, or .%s\n", kDefaultSourceExtension,
            kSourceExtension);
  out_print(out, "\nEnvironment:  %s", kOptionVariable);
  out_print(out, "\nOptions (specified order is of no importance):\n");
  const option_rec& head = cx.cmdline.head;
  for (const option_rec* rec = head.next; rec != &head; rec = rec->next) print_help(cx, rec->help);
}
