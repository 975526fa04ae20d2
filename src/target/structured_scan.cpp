// structured_scan.cpp — the statement scanner of structured assembly (B05):
// the directive names, the words TO/DOWNTO/BY/STEP, the relations, the flag
// conditions and the register names; everything else is operand text, which
// runs up to the next word or mark that ends it. Also the grammar's error hook.
#include <cstdio>
#include <cstring>

#include "diag/diag.h"
#include "driver/context.h"
#include "driver/stops.h"
#include "structured_grammar.tab.h"
#include "target/structured_internal.h"

namespace {

struct name_code {
  const char* name;
  int code;
};

// clang-format off
constexpr name_code kDirectiveTokens[] = {
    // name        code               token
    {"IFS",      SA_K_IFS},     {"ELSES",    SA_K_ELSES},  {"ENDIFS",   SA_K_ENDIFS},
    {"ELSEIFS",  SA_K_ELSEIFS}, {"WHILE",    SA_K_WHILE},  {"ENDW",     SA_K_ENDW},
    {"REPEAT",   SA_K_REPEAT},  {"UNTIL",    SA_K_UNTIL},  {"SWITCH",   SA_K_SWITCH},
    {"CASE",     SA_K_CASE},    {"DEFAULT",  SA_K_DEFAULT},{"ENDS",     SA_K_ENDS},
    {"FOR",      SA_K_FOR},     {"BREAK",    SA_K_BREAK},  {"CONTINUE", SA_K_CONTINUE},
    {"ENDF",     SA_K_ENDF},
};  // in the order of the directive codes -1 ... -16

constexpr name_code kRegisters[] = {
    {"X",   SA_X},  {"A",   SA_A},  {"C",   SA_C},  {"B",   SA_B},
    {"E",   SA_E},  {"D",   SA_D},  {"L",   SA_L},  {"H",   SA_H},
    {"R0",  SA_X},  {"R1",  SA_A},  {"R2",  SA_C},  {"R3",  SA_B},
    {"R4",  SA_E},  {"R5",  SA_D},  {"R6",  SA_L},  {"R7",  SA_H},
    {"AX",  SA_AX}, {"BC",  SA_BC}, {"DE",  SA_DE}, {"HL",  SA_HL},
    {"RP0", SA_AX}, {"RP1", SA_BC}, {"RP2", SA_DE}, {"RP3", SA_HL},
};

// Words of the FOR statement; they are words only when standing alone.
constexpr name_code kWords[] = {
    {"DOWNTO", SA_DOWNTO},
    {"TO",     SA_TO},
    {"STEP",   SA_STEP},
    {"BY",     SA_STEP},
};

constexpr name_code kFlags[] = {
    {"<CC>", SA_FLAG_CC},
    {"<CS>", SA_FLAG_CS},
    {"<EQ>", SA_FLAG_EQ},
    {"<NE>", SA_FLAG_NE},
};

// Longest spelling first.
constexpr name_code kRelations[] = {
    {">=", SA_REL_GE}, {"<=", SA_REL_LE}, {"!=", SA_REL_NE}, {"<>", SA_REL_NE},
    {"==", SA_REL_EQ}, {"=",  SA_REL_EQ}, {">",  SA_REL_GT}, {"<",  SA_REL_LT},
};
// clang-format on

char upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool same_word(std::string_view a, const char* b) {
  const std::size_t n = std::strlen(b);
  if (a.size() != n) return false;
  for (std::size_t i = 0; i < n; ++i)
    if (upper(a[i]) != b[i]) return false;
  return true;
}

// The table entry spelled at text[pos] (any case), or null.
const name_code* spelled_at(const sa_parse& ps, int pos, const name_code* table, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) {
    const int n = static_cast<int>(std::strlen(table[i].name));
    if (pos + n <= ps.len && same_word(std::string_view(ps.text + pos, n), table[i].name)) return &table[i];
  }
  return nullptr;
}

template <std::size_t N>
const name_code* spelled_at(const sa_parse& ps, int pos, const name_code (&table)[N]) {
  return spelled_at(ps, pos, table, N);
}

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v'; }

// A word of kWords standing alone at text[pos].
const name_code* word_at(const sa_parse& ps, int pos) {
  if (pos > 0 && sa_ident_char(ps.cx, static_cast<unsigned char>(ps.text[pos - 1]))) return nullptr;
  const name_code* w = spelled_at(ps, pos, kWords);
  if (w == nullptr) return nullptr;
  const int end = pos + static_cast<int>(std::strlen(w->name));
  if (end < ps.len && sa_ident_char(ps.cx, static_cast<unsigned char>(ps.text[end]))) return nullptr;
  return w;
}

// A relation at text[pos]; "<<" and ">>" are shift operators of an expression.
const name_code* relation_at(const sa_parse& ps, int pos) {
  const char c = ps.text[pos];
  const char next = pos + 1 < ps.len ? ps.text[pos + 1] : '\0';
  if ((c == '<' || c == '>') && next == c) return nullptr;
  return spelled_at(ps, pos, kRelations);
}

bool range_at(const sa_parse& ps, int pos) { return pos + 1 < ps.len && ps.text[pos] == '.' && ps.text[pos + 1] == '.'; }

// Where the operand text starting at `pos` ends: at the end, at "..", at a
// word standing alone, and before the first relation at a relation; quotes
// are kept whole.
int operand_end(const sa_parse& ps, int pos) {
  const std::string_view text(ps.text, static_cast<std::size_t>(ps.len));
  for (int i = pos; i < ps.len;) {
    const char c = ps.text[i];
    if (c == '\'' || c == '"') {
      i = static_cast<int>(quoted_end(text, static_cast<std::size_t>(i)));
      continue;
    }
    if (range_at(ps, i) || word_at(ps, i) != nullptr) return i;
    if (ps.relation_open && i > pos && relation_at(ps, i) != nullptr) return i;
    ++i;
  }
  return ps.len;
}

int operand_token(sa_parse& ps, SA_YYSTYPE* value, int start) {
  int end = operand_end(ps, start);
  while (end > start && is_blank(ps.text[end - 1])) --end;
  const std::string_view text(ps.text + start, static_cast<std::size_t>(end - start));
  ps.pos = end;
  const int reg = register_by_name(text);
  const char first = text[0];
  value->op = sa_operand{reg, text.data(), static_cast<int>(text.size()),
                         (first >= '0' && first <= '9') || first == '\'' || first == '#', ps.token_column};
  return reg != SA_NO_REG ? SA_REG : SA_OPERAND;
}

}  // namespace

int sa_column(const sa_parse& ps, int offset) {
  return ps.columns_exact ? ps.field_column + offset : ps.field_column;
}

int register_by_name(std::string_view name) {
  for (const name_code& r : kRegisters)
    if (same_word(name, r.name)) return r.code;
  return SA_NO_REG;
}

const char* register_name(int code) {
  for (const name_code& r : kRegisters)
    if (r.code == code) return r.name;
  return "?";
}

bool sa_ident_char(const asm_context& cx, int c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '?' ||
         (c >= 0 && c < 256 && cx.symbols.char_roles[c] == CHAR_IDENT_PART);
}

std::size_t quoted_end(std::string_view text, std::size_t i) {
  const char quote = text[i];
  for (++i; i < text.size(); ++i) {
    if (text[i] == '\\')
      ++i;
    else if (text[i] == quote)
      return i + 1;
  }
  return text.size();
}

std::string_view next_name(const asm_context& cx, std::string_view text, std::size_t& pos) {
  while (pos < text.size()) {
    const char c = text[pos];
    if (c == '\'' || c == '"') {
      pos = quoted_end(text, pos);
      continue;
    }
    if (!sa_ident_char(cx, static_cast<unsigned char>(c))) {
      ++pos;
      continue;
    }
    const std::size_t start = pos;
    while (pos < text.size() && sa_ident_char(cx, static_cast<unsigned char>(text[pos]))) ++pos;
    if (c < '0' || c > '9') return text.substr(start, pos - start);
  }
  return {};
}

int structured_directive_code(std::string_view name) {
  for (std::size_t i = 0; i < sizeof kDirectiveTokens / sizeof kDirectiveTokens[0]; ++i)
    if (same_word(name, kDirectiveTokens[i].name)) return -static_cast<int>(i) - 1;
  return 0;
}

int sa_yylex(SA_YYSTYPE* value, sa_parse& ps) {
  if (!ps.first_sent) {
    ps.first_sent = true;
    ps.token_column = ps.op_column;
    return kDirectiveTokens[-ps.directive - 1].code;
  }
  while (ps.pos < ps.len && is_blank(ps.text[ps.pos])) ++ps.pos;
  ps.token_column = sa_column(ps, ps.pos);
  if (ps.pos >= ps.len) {
    if (ps.end_sent) return SA_YYEOF;
    ps.end_sent = true;
    return SA_END;
  }
  const int start = ps.pos;
  if (const name_code* f = spelled_at(ps, start, kFlags)) {
    ps.pos += 4;
    value->mark = sa_mark{f->code, ps.token_column};
    return SA_FLAG;
  }
  if (const name_code* r = relation_at(ps, start)) {
    ps.pos += static_cast<int>(std::strlen(r->name));
    ps.relation_open = false;
    value->mark = sa_mark{r->code, ps.token_column};
    return SA_REL;
  }
  if (range_at(ps, start)) {
    ps.pos += 2;
    return SA_RANGE;
  }
  if (const name_code* w = word_at(ps, start)) {
    ps.pos += static_cast<int>(std::strlen(w->name));
    return w->code;
  }
  return operand_token(ps, value, start);
}

void sa_yyerror(sa_parse& ps, const char* message) {
  if (std::strncmp(message, "syntax", 6) == 0) {
    sa_error(ps.cx, ps.token_column, static_cast<int>(gen_err::invalid_syntax));
    ps.failed = true;
    return;
  }
  char text[160];
  std::snprintf(text, sizeof text, "YACC error [%s]", message);
  internal_error(ps.cx, "yyerror_B05", text);
}

void parse_structured_statement(sa_parse& ps) { sa_yyparse(ps); }
