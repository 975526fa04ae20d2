// operand_lex.cpp — the operand grammar's token source and entry points (B03):
// yylex maps the lexer's tokens onto the grammar's, yyerror reports, and
// string_to_expression runs the grammar on a text.
#include <cstdio>
#include <cstring>

#include "diag/diag.h"
#include "driver/context.h"
#include "driver/memory.h"
#include "driver/stops.h"
#include "expr/expression.h"
#include "expr/operators.h"
#include "operand_grammar.tab.h"
#include "source/char_source.h"
#include "source/symbols.h"
#include "target/operand_grammar.h"
#include "target/target_state.h"

namespace {

constexpr int kCarryClass = 161;
constexpr int kBankClass = 162;
constexpr int kSuffixSaddr = 1;
constexpr const char* kStackFull = "pcyacc internal stack overflow";

bool valid_register(int code) {
  return (code >= REG_X && code <= REG_H) || (code >= REG_AX && code <= REG_HL) || code == REG_PSW ||
         code == REG_SP;
}

bool is_end(const operand_parse_state& p, const token& t) {
  return t.kind == TOK_EOL || t.kind == TOK_EOF || (p.target != nullptr && t.kind == TOK_PUNCT && t.code == ',');
}

ident_node* user_node(ident_node* chain) {
  for (ident_node* n = chain; n != nullptr; n = n->same_name)
    if (is_user_kind(n->kind)) return n;
  return nullptr;
}

// An operator keyword: its own token, or the token of its precedence class.
int operator_token(asm_context& cx, const operator_rec* op, B03_YYSTYPE* value) {
  value->code = op->code;
  switch (op->code) {
    case OP_PLUS: return TK_PLUS;
    case OP_MINUS: return TK_MINUS;
    case OP_LPAREN: return TK_LPAREN;
    case OP_RPAREN: return TK_RPAREN;
    case OP_LOC: return TK_LOC;
    case OP_SFB:
    case OP_SFE: target_of(cx).parse.want_segname = 2; return TK_SFBE;
    case OP_SIZEOF: target_of(cx).parse.want_segname = 2; return TK_SIZEOF;
    case OP_CHECK_RANGE:
    case OP_ERROR_TEXT: return TK_B03_YYUNDEF;  // the linker's, not the source's
    default: break;
  }
  switch (op->klass) {
    case CLASS_1: return TK_OP1;
    case CLASS_4: return TK_OP4;
    case CLASS_8: return TK_OP8;
    case CLASS_16: return TK_OP16;
    case CLASS_32: return TK_OP32;
    case CLASS_64: return TK_OP64;
    default: break;
  }
  internal_error(cx, "yylex (B03)", "Illegal operator", op->code, op->klass);
  return TK_B03_YYUNDEF;
}

int punct_token(asm_context& cx, const token& t, B03_YYSTYPE* value) {
  switch (t.code) {
    case '(': return TK_LPAREN;
    case ')': return TK_RPAREN;
    case '[': return TK_LBRACK;
    case ']': return TK_RBRACK;
    case ',': return TK_COMMA;
    case ':': return TK_COLON;
    case '#': return TK_HASH;
    case '.': return TK_DOT;
    case '$': return TK_LOC;
    default: break;
  }
  const ident_node* op = find_kind(t.node, KIND_OPERATOR);
  if (op == nullptr) return TK_B03_YYUNDEF;
  return operator_token(cx, static_cast<const operator_rec*>(op->keyword.data), value);
}

int register_token(asm_context& cx, const token& t, const ident_node* node, B03_YYSTYPE* value) {
  const int code = node->keyword.code;
  if (!valid_register(code)) {
    internal_error(cx, "yylex:B03", "Illegal register", code, 0);
    return TK_B03_YYUNDEF;
  }
  value->reg.code = static_cast<uint16_t>(code);
  const std::size_t n = t.length < sizeof value->reg.name ? t.length : sizeof value->reg.name - 1;
  std::memcpy(value->reg.name, t.text, n);
  value->reg.name[n] = '\0';
  return code == REG_SP ? TK_SP : TK_REG;
}

// "S" and "N" are prefixes when a ":" follows; otherwise a symbol of that name.
int prefix_token(asm_context& cx, ident_node* chain, const ident_node* prefix, B03_YYSTYPE* value) {
  token after = next_token(cx);
  const bool colon = after.kind == TOK_PUNCT && after.code == ':';
  save_or_get_token(cx, TOKEN_SAVE, after);
  ident_node* user = user_node(chain);
  if (!colon && user != nullptr) {
    get_label_rec(cx, user);
    value->node = user;
    return TK_LABEL;
  }
  value->num = prefix->keyword.code;
  return TK_PREFIX;
}

// -1: the token is consumed without a grammar token (a suffix word).
int ident_token(asm_context& cx, const token& t, B03_YYSTYPE* value) {
  operand_parse_state& p = target_of(cx).parse;
  ident_node* chain = t.node;
  if (p.want_segname > 0) {
    p.want_segname = 0;
    ident_node* user = user_node(chain);
    if (user == nullptr) return TK_B03_YYUNDEF;
    get_label_rec(cx, user);
    value->node = user;
    return TK_SEGNAME;
  }
  // The first node of the name that means something in an operand: "AND"
  // is a mnemonic too, but here the operator.
  for (ident_node* n = chain; n != nullptr; n = n->same_name) {
    switch (n->kind) {
      case KIND_REGISTER: return register_token(cx, t, n, value);
      case KIND_OPERATOR: return operator_token(cx, static_cast<const operator_rec*>(n->keyword.data), value);
      case KIND_PREFIX: return prefix_token(cx, chain, n, value);
      case KIND_TARGET_SYMBOL:
        if (n->keyword.klass == kCarryClass) return TK_CY;
        if (n->keyword.klass == kBankClass) {
          value->num = n->keyword.code;
          return TK_RBANK;
        }
        break;
      case KIND_SUFFIX:
        if (n->keyword.code == kSuffixSaddr) {
          p.pending_saddr = true;
        } else {
          user_error(cx, tgt_err::operand_syntax);
          p.failed = true;
        }
        return -1;
      default:
        break;
    }
  }
  if (ident_node* user = user_node(chain)) {
    get_label_rec(cx, user);
    value->node = user;
    return TK_LABEL;
  }
  return TK_B03_YYUNDEF;
}

int number_token(asm_context& cx, const token& t, B03_YYSTYPE* value) {
  const bool warned = (t.flags & TF_TRUNCATED) != 0;  // by the lexer, beyond 64 bits
  if (!warned && (t.value > 0xFFFFFFFFLL || t.value < INT32_MIN)) user_warning(cx, gen_warn::constant_truncated);
  value->num = static_cast<int32_t>(static_cast<uint32_t>(t.value));
  return TK_NUMBER;
}

// Where the operands of an instruction field begin: its first token, and the
// first token after a "," outside brackets.
void note_operand_column(operand_parse_state& p, const token& t) {
  if (t.kind == TOK_PUNCT) {
    if (t.code == '(' || t.code == '[') {
      ++p.depth;
    } else if ((t.code == ')' || t.code == ']') && p.depth > 0) {
      --p.depth;
    } else if (t.code == ',' && p.depth == 0) {
      p.after_comma = true;
      return;
    }
  }
  if (p.operand_column[0] == 0)
    p.operand_column[0] = t.column;
  else if (p.after_comma && p.operand_column[1] == 0)
    p.operand_column[1] = t.column;
  p.after_comma = false;
}

// string_to_expression's input: the text, its "," and a newline that stops a
// string left open.
int read_private_text(asm_context& cx) {
  operand_parse_state& p = target_of(cx).parse;
  return p.text_pos < p.text_len ? static_cast<unsigned char>(p.text[p.text_pos++]) : 0;
}

}  // namespace

int b03_yylex(B03_YYSTYPE* value, asm_context& cx) {
  operand_parse_state& p = target_of(cx).parse;
  if (p.end_seen) return TK_YYEOF;
  if (p.target != nullptr && !p.exprmode_sent) {
    p.exprmode_sent = true;
    return TK_EXPRMODE;
  }
  for (;;) {
    const token& t = next_token(cx);
    // The first blank of an operand field is a token once; later blanks separate only.
    if (p.target == nullptr && !p.blank_seen && (t.flags & TF_BLANK_BEFORE)) {
      p.blank_seen = true;
      token again = t;
      save_or_get_token(cx, TOKEN_SAVE, again);
      return TK_BLANK;
    }
    if (is_end(p, t)) {
      p.end_seen = true;
      p.end_token = t;
      return TK_YYEOF;
    }
    if (p.target == nullptr) note_operand_column(p, t);
    int kind = TK_B03_YYUNDEF;
    const int wanted = p.want_segname;
    switch (t.kind) {
      case TOK_NUMBER: kind = number_token(cx, t, value); break;
      case TOK_STRING:
        value->str = {am_strdup(cx, t.text, t.length), t.length};
        kind = TK_STRING;
        break;
      case TOK_PUNCT: kind = punct_token(cx, t, value); break;
      case TOK_IDENT: kind = ident_token(cx, t, value); break;
      default: break;  // a floating constant has no place in an operand
    }
    if (kind < 0) continue;
    // SFB, SFE and SIZEOF name their segment next, or after "(".
    if (wanted == p.want_segname && p.want_segname > 0)
      p.want_segname = (kind == TK_LPAREN && wanted == 2) ? 1 : 0;
    return kind;
  }
}

const char* b03_message(const char* text) {
  return std::strcmp(text, "memory exhausted") == 0 ? kStackFull : text;
}

void b03_yyerror(asm_context& cx, const char* message) {
  // A nesting deeper than the stack is bad input, not a broken assembler.
  if (std::strcmp(message, kStackFull) == 0) {
    user_error(cx, gen_err::expression_too_complex);
    target_of(cx).parse.failed = true;
    return;
  }
  if (std::strncmp(message, "syntax", 6) == 0) {
    user_error(cx, gen_err::invalid_syntax);
    target_of(cx).parse.failed = true;
    return;
  }
  char text[160];
  std::snprintf(text, sizeof text, "YACC error [%s]", message);
  internal_error(cx, "yyerror_B03", text, 0, 0);
}

void init_parse(asm_context& cx, operand_desc* operands, int max_operands, expr_rec** expression,
                uint32_t flags, ident_node* equate_label, segment_rec* align_segment) {
  operand_parse_state& p = target_of(cx).parse;
  p.operands = operands;
  p.max_operands = max_operands;
  p.target = expression;
  p.flags = flags;
  p.equate_label = equate_label;
  p.align_segment = align_segment;
  p.count = 0;
  p.prefix = 0;
  p.blank_seen = false;
  p.exprmode_sent = false;
  p.end_seen = false;
  p.failed = false;
  p.pending_saddr = false;
  p.want_segname = 0;
  p.current = nullptr;
  p.last = nullptr;
  p.operand_column[0] = p.operand_column[1] = 0;
  p.depth = 0;
  p.after_comma = false;
  p.end_token = token{};
}

int yyparse(asm_context& cx) {
  operand_parse_state& p = target_of(cx).parse;
  const int result = b03_yyparse(cx);
  while (!p.end_seen) {  // the parse stopped early: the rest of the field goes unread
    const token& t = next_token(cx);
    if (is_end(p, t)) {
      p.end_seen = true;
      p.end_token = t;
    }
  }
  token end = p.end_token;
  save_or_get_token(cx, TOKEN_SAVE, end);
  if (p.current != nullptr) {  // an expression left half built
    if (cx.expr.building == p.current->list) cx.expr.building = nullptr, cx.expr.building_end = nullptr;
    p.current = nullptr;
  }
  if (result == 2) return PARSE_STACK_FULL;
  return result != 0 || p.failed ? PARSE_FAILED : PARSE_OK;
}

expr_rec* string_to_expression(asm_context& cx, const char* text) {
  const std::size_t length = std::strlen(text);
  if (length > static_cast<std::size_t>(kStringExpressionMax)) {
    internal_error(cx, "string_to_expression_A08", "Buffer too small", static_cast<long>(length), 0);
    return nullptr;
  }
  operand_parse_state& p = target_of(cx).parse;
  std::memcpy(p.text, text, length);
  p.text[length] = ',';
  p.text[length + 1] = '\n';
  p.text_len = static_cast<int>(length) + 2;
  p.text_pos = 0;
  // The lexer's place in the line it was reading is kept.
  const int column = cx.lex.column;
  const bool at_line_start = cx.lex.at_line_start;
  const int token_column = cx.diag.token_column;
  if (!redirect_input(cx, read_private_text)) return nullptr;
  expr_rec* result = nullptr;
  init_parse(cx, nullptr, 0, &result, 0);
  const int status = yyparse(cx);
  token end;
  save_or_get_token(cx, TOKEN_GET, end);
  // What is left of the text (after an early ",") must not reach the line;
  // the emptied source ends by itself at the next character read.
  source_state& s = cx.source;
  if (s.cur_read == read_private_text) s.cur_entry->count = 0;
  p.text_pos = p.text_len;
  cx.lex.column = column;
  cx.lex.at_line_start = at_line_start;
  cx.diag.token_column = token_column;
  return status == PARSE_OK ? result : nullptr;
}
