// defines.cpp — #define symbols (A02): replacement texts read and encoded, the
// "#" and "##" operators, redefinition, #undef and -D/-U, the built-in symbols.
// Expansion is in defines_expand.cpp.
#include <cstdio>
#include <cstring>
#include <ctime>

#include "diag/diag.h"
#include "driver/command_line.h"
#include "driver/memory.h"
#include "source/preprocessor_internal.h"
#include "target/target.h"

namespace {

// ---- Built-in symbols -------------------------------------------------------

constexpr const char* kMonths[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                     "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

int clip(int n, int capacity) { return n < 0 ? 0 : (n >= capacity ? capacity - 1 : n); }

int value_line(asm_context& cx, char* out, int capacity) {
  return clip(std::snprintf(out, capacity, "%1ld", cx.source.line_no), capacity);
}

// The file name as a string constant, escaped as the lexer would read it back.
int value_file(asm_context& cx, char* out, int capacity) {
  const char* name = cx.source.file_name != nullptr ? cx.source.file_name : "";
  if (capacity < 3) return 0;
  out[0] = '"';
  std::size_t n = reverse_convert(name, std::strlen(name), out + 1, static_cast<std::size_t>(capacity - 2), true);
  if (n > static_cast<std::size_t>(capacity - 3)) n = static_cast<std::size_t>(capacity - 3);
  out[n + 1] = '"';
  out[n + 2] = '\0';
  return static_cast<int>(n + 2);
}

std::tm assembly_tm(const asm_context& cx) {
  std::tm local{};
  const std::time_t when = cx.driver.assembly_time;
  localtime_r(&when, &local);
  return local;
}

int value_date(asm_context& cx, char* out, int capacity) {
  const std::tm t = assembly_tm(cx);
  const char* month = t.tm_mon >= 0 && t.tm_mon < 12 ? kMonths[t.tm_mon] : "???";
  return clip(std::snprintf(out, capacity, "\"%s %2d %04d\"", month, t.tm_mday, t.tm_year + 1900), capacity);
}

int value_time(asm_context& cx, char* out, int capacity) {
  const std::tm t = assembly_tm(cx);
  return clip(std::snprintf(out, capacity, "\"%02d:%02d:%02d\"", t.tm_hour, t.tm_min, t.tm_sec), capacity);
}

int value_tid(asm_context& cx, char* out, int capacity) {
  return clip(std::snprintf(out, capacity, "%ld", target_identifier(cx)), capacity);
}

int value_build(asm_context&, char* out, int capacity) {
  return clip(std::snprintf(out, capacity, "%ld", kBuildNumber), capacity);
}

struct builtin_row {
  const char* name;
  builtin_value value;  // computed when used; null: the fixed text
  const char* text;
};

// In the order they are defined, before the target's symbols and -D.
constexpr builtin_row kBuiltins[] = {
    {"__LINE__", value_line, nullptr},
    {"__FILE__", value_file, nullptr},
    {"__DATE__", value_date, nullptr},
    {"__TIME__", value_time, nullptr},
    {"__TID__", value_tid, nullptr},
    {"__BUILD_NUMBER__", value_build, nullptr},
    {"__VEK_SYSTEMS_ASM__", nullptr, "1"},
    {"__VEK_SYSTEMS_ASM", nullptr, "1"},
};

// ---- Encoding a replacement text ---------------------------------------------

int formal_index(asm_context& cx, const char* const* formals, int count, const char* name, uint32_t len) {
  (void)cx;
  for (int k = 0; k < count; ++k)
    if (std::strlen(formals[k]) == len && std::memcmp(formals[k], name, len) == 0) return k;
  return -1;
}

uint32_t ident_length(asm_context& cx, const char* in, uint32_t i, uint32_t len) {
  uint32_t j = i + 1;
  while (j < len && ident_char(cx, static_cast<unsigned char>(in[j]))) ++j;
  return j - i;
}

// Writes the encoded text into `out` (room for 2 * kLineText bytes). Returns
// its length; more than kDefineTextStop is error 20 for the caller.
struct encoder {
  asm_context& cx;
  const char* const* formals;
  int count;           // kObjectLike or the number of formals
  int column;          // for warning 7; 0 says stay silent
  char* out;
  uint32_t o = 0;
  uint32_t cap;
  int last_formal_at = -1;  // where the last formal's marker stands
  int blank_at = -1;        // where the last blank stands
  bool marks = false;

  void put(int c) {
    if (o < cap) out[o] = static_cast<char>(c);
    ++o;
  }
  void put_literal(unsigned char c) {
    if (is_mark(c)) {
      put(MARK_LITERAL);
      marks = true;
    }
    put(c);
  }
  void warn_operator() {
    if (column > 0) pp_warning(cx, column, gen_warn::bad_string_operator);
  }
  void put_formal(unsigned char mark, int k) {
    if (mark != MARK_STRING) last_formal_at = static_cast<int>(o);
    put(mark);
    put(k + 1);
    marks = true;
  }

  // "##": the operand before it is taken as written; an operator with no
  // operand on one side is dropped with warning 7.
  uint32_t paste(const char* in, uint32_t i, uint32_t len, bool& raw_next) {
    i += 2;
    while (i < len && in[i] == ' ') ++i;
    if (blank_at >= 0 && static_cast<uint32_t>(blank_at) == o - 1) --o;
    if (o == 0 || i >= len) {
      warn_operator();
      return i;
    }
    if (last_formal_at >= 0 && static_cast<uint32_t>(last_formal_at) + 2 == o) out[last_formal_at] = MARK_RAW;
    put(MARK_PASTE);
    marks = true;
    raw_next = true;
    return i;
  }

  // "#" before a formal in a function-like define: the argument as a string.
  uint32_t stringize(const char* in, uint32_t i, uint32_t len) {
    uint32_t j = i + 1;
    while (j < len && in[j] == ' ') ++j;
    if (j < len && ident_start(cx, static_cast<unsigned char>(in[j]))) {
      const uint32_t n = ident_length(cx, in, j, len);
      const int k = formal_index(cx, formals, count, in + j, n);
      if (k >= 0) {
        put_formal(MARK_STRING, k);
        return j + n;
      }
    }
    warn_operator();
    return j;
  }

  void run(const char* in, uint32_t len) {
    bool raw_next = false;
    uint32_t i = 0;
    while (i < len) {
      const auto c = static_cast<unsigned char>(in[i]);
      if (c == '"' || c == '\'') {
        const uint32_t n = quoted_length(in, i, len);
        for (uint32_t k = 0; k < n; ++k) put_literal(static_cast<unsigned char>(in[i + k]));
        i += n;
        raw_next = false;
      } else if (ident_start(cx, c)) {
        const uint32_t n = ident_length(cx, in, i, len);
        const int k = count > 0 ? formal_index(cx, formals, count, in + i, n) : -1;
        if (k >= 0) {
          put_formal(raw_next ? MARK_RAW : MARK_FORMAL, k);
        } else {
          for (uint32_t m = 0; m < n; ++m) put(in[i + m]);
        }
        i += n;
        raw_next = false;
      } else if (is_digit(c)) {
        const uint32_t n = number_length(cx, in, i, len);
        for (uint32_t m = 0; m < n; ++m) put_literal(static_cast<unsigned char>(in[i + m]));
        i += n;
        raw_next = false;
      } else if (c == '#' && i + 1 < len && in[i + 1] == '#') {
        i = paste(in, i, len, raw_next);
      } else if (c == '#' && count >= 0) {
        i = stringize(in, i, len);
        raw_next = false;
      } else if (c == ' ') {
        blank_at = static_cast<int>(o);
        put(' ');
        ++i;
      } else {
        put_literal(c);
        ++i;
        raw_next = false;
      }
    }
  }
};

bool same_define(const define_rec* d, int count, const char* const* formals, const char* text, uint32_t len) {
  if (d->value != nullptr || d->formal_count != count || d->text_len != len) return false;
  for (int k = 0; k < count; ++k)
    if (std::strcmp(d->formals[k], formals[k]) != 0) return false;
  return std::memcmp(d->text, text, len) == 0;
}

define_rec* new_define(asm_context& cx, const char* name, std::size_t name_len, int count) {
  preprocessor_state& p = cx.pre;
  define_rec* d = am_new<define_rec>(cx);
  d->formal_count = static_cast<int16_t>(count);
  d->file = "";
  d->text = "";
  if (define_rec* old = find_define(cx, name, name_len)) {
    old->removed = true;
    d->node = old->node;
  } else {
    d->node = register_keyword(cx, std::string(name, name_len).c_str(), KIND_DEFINE, 0, count, nullptr, KEEP_CASE);
  }
  d->node->keyword = keyword_value{0, count, d};
  if (p.last_define != nullptr)
    p.last_define->next = d;
  else
    p.first_define = d;
  p.last_define = d;
  return d;
}

}  // namespace

// ---- Text utilities ---------------------------------------------------------------

uint32_t quoted_length(const char* in, uint32_t i, uint32_t len) {
  const char quote = in[i];
  uint32_t j = i + 1;
  while (j < len) {
    if (in[j] == '\\' && j + 1 < len) {
      j += 2;
      continue;
    }
    if (in[j++] == quote) break;
  }
  return j - i;
}

uint32_t number_length(asm_context& cx, const char* in, uint32_t i, uint32_t len) {
  bool fraction = false;
  uint32_t j = i + 1;
  while (j < len) {
    const auto c = static_cast<unsigned char>(in[j]);
    if (c == '.') fraction = true;
    const bool sign = (c == '+' || c == '-') && fraction && (in[j - 1] == 'e' || in[j - 1] == 'E');
    if (!ident_char(cx, c) && c != '.' && !sign) break;
    ++j;
  }
  return j - i;
}

uint32_t normalize_text(asm_context& cx, const char* in, uint32_t len, char* out, bool* comment_open) {
  uint32_t o = 0;
  bool blank = false;
  *comment_open = false;
  uint32_t i = 0;
  while (i < len) {
    const auto c = static_cast<unsigned char>(in[i]);
    if (cx.symbols.char_roles[c] == CHAR_COMMENT) break;
    if (c == '/' && i + 1 < len && in[i + 1] == '/') break;
    if (c == '/' && i + 1 < len && in[i + 1] == '*') {
      const char* end = nullptr;
      for (uint32_t k = i + 2; k + 1 < len; ++k)
        if (in[k] == '*' && in[k + 1] == '/') {
          end = in + k;
          break;
        }
      if (end == nullptr) {
        *comment_open = true;
        break;
      }
      i = static_cast<uint32_t>(end - in) + 2;
      blank = true;  // a comment separates like a blank
      continue;
    }
    if (is_blank(c)) {
      blank = true;
      ++i;
      continue;
    }
    if (blank && o > 0) out[o++] = ' ';
    blank = false;
    if (c == '"' || c == '\'') {
      const uint32_t n = quoted_length(in, i, len);
      std::memmove(out + o, in + i, n);
      o += n;
      i += n;
      continue;
    }
    out[o++] = static_cast<char>(c);
    ++i;
  }
  out[o] = '\0';
  return o;
}

// ---- Define records ---------------------------------------------------------------

define_rec* make_define(asm_context& cx, const char* name, std::size_t name_len, const char* const* formals,
                        int formal_count, const char* text, uint32_t text_len, int column) {
  ensure_preprocessor_buffers(cx);
  preprocessor_state& p = cx.pre;
  encoder e{cx, formals, formal_count, column, p.text, 0, 2 * kLineText};
  e.run(text, text_len);
  if (e.o > static_cast<uint32_t>(kDefineTextStop)) {
    if (column > 0) pp_error(cx, column, gen_err::define_too_long, nullptr, kDefineTextLimit);
    return nullptr;
  }
  if (define_rec* old = find_define(cx, name, name_len)) {
    if (same_define(old, formal_count, formals, p.text, e.o)) return old;
    if (column > 0) pp_warning(cx, column, gen_warn::macro_redefined);
  }
  define_rec* d = new_define(cx, name, name_len, formal_count);
  d->text = am_strdup(cx, p.text, e.o);
  d->text_len = e.o;
  d->plain = !e.marks;
  if (formal_count > 0) {
    auto** names = static_cast<const char**>(am_memory(cx, sizeof(const char*) * formal_count));
    for (int k = 0; k < formal_count; ++k) names[k] = am_strdup(cx, formals[k], std::strlen(formals[k]));
    d->formals = names;
  }
  if (column > 0) {
    d->file = cx.source.file_name != nullptr ? cx.source.file_name : "";
    d->line = cx.source.line_no;
  }
  return d;
}

define_rec* define_from_text(asm_context& cx, const char* name, const char* value) {
  ensure_preprocessor_buffers(cx);
  preprocessor_state& p = cx.pre;
  uint32_t len = static_cast<uint32_t>(std::strlen(value));
  if (len >= kLineText) len = kLineText - 1;
  bool open = false;
  std::memcpy(p.raw, value, len);
  const uint32_t n = normalize_text(cx, p.raw, len, p.raw, &open);
  return make_define(cx, name, std::strlen(name), nullptr, kObjectLike, p.raw, n, 0);
}

bool undefine(asm_context& cx, const char* name, std::size_t length) {
  define_rec* d = find_define(cx, name, length);
  if (d == nullptr) return false;
  d->removed = true;
  delete_node(cx, d->node);
  return true;
}

define_rec* find_define(asm_context& cx, const char* name, std::size_t length) {
  ident_node* node = find_node(cx, name, length, KIND_DEFINE);
  return node != nullptr ? static_cast<define_rec*>(const_cast<void*>(node->keyword.data)) : nullptr;
}

std::string define_display_text(asm_context& cx, const define_rec* d) {
  if (d->value != nullptr) {
    char buf[1024];
    const int n = d->value(cx, buf, sizeof buf);
    return std::string(buf, static_cast<std::size_t>(n));
  }
  std::string s;
  for (uint32_t i = 0; i < d->text_len; ++i) {
    const auto c = static_cast<unsigned char>(d->text[i]);
    switch (c) {
      case MARK_FORMAL:
      case MARK_RAW: s += d->formals[static_cast<unsigned char>(d->text[++i]) - 1]; break;
      case MARK_STRING: s.append("#").append(d->formals[static_cast<unsigned char>(d->text[++i]) - 1]); break;
      case MARK_PASTE: s += "##"; break;
      case MARK_LITERAL: s += d->text[++i]; break;
      default: s += static_cast<char>(c); break;
    }
  }
  return s;
}

void define_builtin_symbols(asm_context& cx) {
  for (const builtin_row& b : kBuiltins) {
    if (b.value == nullptr) {
      define_from_text(cx, b.name, b.text);
      continue;
    }
    define_rec* d = new_define(cx, b.name, std::strlen(b.name), kObjectLike);
    d->value = b.value;
    d->plain = true;
  }
}
