// option_handlers.cpp — the effect of each command-line option on the run's
// settings (A03). A handler returns 0 to accept its argument.
#include "driver/option_handlers.h"

#include <cstring>
#include <string>
#include <string_view>

#include "driver/command_line.h"
#include "driver/context.h"
#include "driver/stops.h"

namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_ident_start(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '$' || c == '_'; }
bool is_ident_char(char c) { return is_ident_start(c) || is_digit(c); }

// Length of the identifier at the start of `text`, 0 when there is none.
std::size_t identifier_length(const char* text) {
  if (!is_ident_start(text[0])) return 0;
  std::size_t n = 1;
  while (is_ident_char(text[n])) ++n;
  return n;
}

// Reads a decimal number as far as it goes.
long leading_number(const char* text, const char** end) {
  long value = 0;
  const char* p = text;
  while (is_digit(*p) && value < 100000000L) value = value * 10 + (*p++ - '0');
  while (is_digit(*p)) ++p;
  *end = p;
  return value;
}

}  // namespace

// -c{DSEAOM}: listing letters, plus the hidden !, #, $ and W.
int handle_c(asm_context& cx, const char* arg) {
  option_settings& o = cx.driver.opt;
  for (const char* p = arg; *p != '\0'; ++p) {
    switch (*p) {
      case 'D': case 'd': o.listing_flags &= ~LIST_ON; break;
      case 'S': case 's': o.listing_flags &= ~LIST_STRUCTURED; break;
      case 'E': case 'e': o.listing_flags &= ~LIST_MACRO_EXPANSION; break;
      case 'A': case 'a': o.listing_flags |= LIST_ASSEMBLED_ONLY; break;
      case 'O': case 'o': o.listing_flags |= LIST_MULTI_LINE_CODE; break;
      case 'M': case 'm': o.listing_flags |= LIST_MACRO_DEFINITION; break;
      case 'C': case 'c': o.listing_flags |= LIST_TOTAL_CYCLES; o.cycle_counting = 1; break;
      case 'I': case 'i': o.listing_flags |= LIST_CYCLES_EACH; o.cycle_counting = 1; break;
      case '!': o.ignore_errors = 1; break;
      case '#': o.fixed_version = 1; break;
      case '$': o.suppress_origin2 = 1; break;
      case 'W': o.warnings_as_errors = 1; break;
      default: return 1;
    }
  }
  return 0;
}

// -o file: the object file; "r26" is added when the name has no extension.
int handle_o(asm_context& cx, const char* arg) {
  open_object_file(cx, with_default_extension(arg, kObjectExtension));
  return 0;
}

// -Opath: the object file in `path`, named after the source.
int handle_O(asm_context& cx, const char* arg) {
  open_object_file(cx, output_name_in_directory(cx, arg, kObjectExtension));
  return 0;
}

// -v0/-v1/-v2: the processor option is the position of the choice whose key matches.
int handle_v(asm_context& cx, const char* arg) {
  const option_rec& head = cx.cmdline.head;
  const option_rec* rec = head.next;
  while (rec != &head && rec->letter != 'v') rec = rec->next;
  for (int index = 0; rec != &head && rec->letter == 'v'; rec = rec->next, ++index) {
    const char* key = rec->help + 2;
    std::size_t key_len = std::strcspn(key, " ");
    bool any = key_len == 1 && key[0] == '?';
    if (any || (std::strlen(arg) == key_len && std::strncmp(arg, key, key_len) == 0)) {
      cx.driver.opt.processor_option = index;
      cx.driver.opt.processor_text = arg;
      return 0;
    }
  }
  return 1;
}

int handle_w(asm_context& cx, const char* arg) { return apply_warning_string(cx, arg); }

// -Enumber: the error limit; a value that is not positive is reported and ignored.
int handle_E(asm_context& cx, const char* arg) {
  const char* end;
  long value = leading_number(arg, &end);
  if (value > 0) {
    cx.driver.opt.error_limit = static_cast<int>(value);
  } else {
    command_line_message(cx, "\nIllegal argument to -E option '%s' ignored\n", arg);
  }
  return 0;
}

int handle_f(asm_context& cx, const char* arg) { return read_command_file(cx, arg); }

// -r: debug information in the object; takes no argument text.
int handle_r(asm_context& cx, const char* arg) {
  if (*arg != '\0') return 1;
  cx.driver.opt.debug_output |= 0x1;
  return 0;
}

// -Mab: macro argument quotes, two different bracket characters.
int handle_M(asm_context& cx, const char* arg) {
  constexpr const char* kBrackets = "()<>[]{}";
  bool ok = std::strlen(arg) == 2 && arg[0] != arg[1] && std::strchr(kBrackets, arg[0]) != nullptr &&
            std::strchr(kBrackets, arg[1]) != nullptr;
  if (!ok) {
    command_line_message(cx, "\nIllegal argument to -M option '%s' ignored\n", arg);
    return 0;
  }
  cx.driver.opt.macro_quote_start = arg[0];
  cx.driver.opt.macro_quote_end = arg[1];
  return 0;
}

int handle_l(asm_context& cx, const char* arg) {
  open_list_file(cx, with_default_extension(arg, "lst"));
  return 0;
}

int handle_L(asm_context& cx, const char* arg) {
  open_list_file(cx, output_name_in_directory(cx, arg, "lst"));
  return 0;
}

// -tn: tab spacing, one digit 2..9.
int handle_t(asm_context& cx, const char* arg) {
  if (arg[0] < '2' || arg[0] > '9' || arg[1] != '\0') return 1;
  cx.driver.opt.tab_spacing = arg[0] - '0';
  return 0;
}

// -x{DI2}: cross-reference listing.
int handle_x(asm_context& cx, const char* arg) {
  option_settings& o = cx.driver.opt;
  o.listing_flags |= LIST_XREF;
  for (const char* p = arg; *p != '\0'; ++p) {
    switch (*p) {
      case 'D': ++o.xref_show_defines; break;
      case 'I': ++o.xref_show_internal; break;
      case '2': ++o.xref_line_spacing; break;
      default: return 1;
    }
  }
  return 0;
}

// -pnn: page length 10..150.
int handle_p(asm_context& cx, const char* arg) {
  const char* end;
  long value = leading_number(arg, &end);
  if (*end != '\0' || value < 10 || value > 150) return 1;
  cx.driver.opt.page_length = static_cast<int>(value);
  return 0;
}

// -DSYMB or -DSYMB=xx.
int handle_D(asm_context& cx, const char* arg) {
  std::size_t n = identifier_length(arg);
  if (n == 0 || (arg[n] != '\0' && arg[n] != '=')) return 1;
  std::string value = arg[n] == '=' ? std::string(arg + n + 1) : std::string("1");
  cx.driver.command_defines.push_back({std::string(arg, n), value, false});
  return 0;
}

// -USYMB.
int handle_U(asm_context& cx, const char* arg) {
  std::size_t n = identifier_length(arg);
  if (n == 0 || arg[n] != '\0') return 1;
  cx.driver.command_defines.push_back({std::string(arg, n), std::string(), true});
  return 0;
}

int handle_I(asm_context& cx, const char* arg) {
  cx.driver.include_paths.emplace_back(arg);
  return 0;
}

int handle_G(asm_context& cx, const char*) {
  cx.driver.opt.stdin_source = 1;
  open_stdin_source(cx);
  return 0;
}

// -s, -s+ sensitive; -s- insensitive.
int handle_s(asm_context& cx, const char* arg) {
  if (std::strcmp(arg, "") == 0 || std::strcmp(arg, "+") == 0)
    cx.driver.opt.case_sensitive = 1;
  else if (std::strcmp(arg, "-") == 0)
    cx.driver.opt.case_sensitive = 0;
  else
    return 1;
  cx.driver.opt.case_given = 1;
  return 0;
}

// -S silent; -ST also keeps diagnostics off the console.
int handle_S(asm_context& cx, const char* arg) {
  if (std::strcmp(arg, "T") == 0)
    cx.driver.opt.silent_diagnostics = 1;
  else if (*arg != '\0')
    return 1;
  return 0;
}

// -n, -nlocale=name: multibyte support.
int handle_n(asm_context& cx, const char* arg) {
  constexpr const char* kLocale = "locale=";
  constexpr std::size_t kLocaleLen = 7;
  if (*arg != '\0') {
    if (std::strncmp(arg, kLocale, kLocaleLen) != 0) return 1;
    if (std::strlen(arg + kLocaleLen) >= 200) return 1;
    cx.driver.opt.locale_name = arg + kLocaleLen;
  }
  cx.driver.opt.multibyte = 1;
  return 0;
}

// -w: warning string, applied left to right.
int apply_warning_string(asm_context& cx, const char* text) {
  option_settings& o = cx.driver.opt;
  if (*text == '\0') {
    o.all_warnings = 0;
    std::memset(o.warning_enable_table, 0, sizeof o.warning_enable_table);
    return 0;
  }
  const char* p = text;
  if (is_digit(p[0]) && !is_digit(p[1])) {
    if (p[0] != '0' && p[0] != '9') {
      command_line_message(cx, "\nIllegal warning level '%c'\n", p[0]);
      fatal_exit(cx);
    }
    std::memset(o.warning_enable_table, p[0] == '9' ? 1 : 0, sizeof o.warning_enable_table);
    ++p;
  }
  long low = 0, high = kWarningTableSize - 1;
  std::string_view low_text = "0";  // the low number as typed, for the message
  for (;;) {
    if (*p == ',') {
      ++p;
    } else if (*p == 's' || *p == 'S') {
      o.warnings_exit_code = 1;
      ++p;
    } else if (*p == '+' || *p == '-') {
      uint8_t value = *p == '+' ? 1 : 0;
      ++p;
      if (is_digit(*p)) {
        const char* end;
        low = leading_number(p, &end);
        high = low;
        while (*p == '0' && is_digit(p[1])) ++p;
        low_text = std::string_view(p, static_cast<std::size_t>(end - p));
        p = end;
        if (*p == '-' && is_digit(p[1])) {
          high = leading_number(p + 1, &end);
          p = end;
        }
        if (high > kWarningTableSize - 1) high = kWarningTableSize - 1;
      }
      if (low > high) {
        // The number as typed: one too large for a long still reads as itself.
        command_line_message(cx, "\nIllegal range in -w option: %.*s-%ld, ignored\n",
                             static_cast<int>(low_text.size()), low_text.data(), high);
        continue;
      }
      for (long i = low; i <= high; ++i) o.warning_enable_table[i] = value;
    } else {
      break;
    }
  }
  return 0;
}
