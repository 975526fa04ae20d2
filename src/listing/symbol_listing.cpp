// symbol_listing.cpp — the tables after a module's statements (A01): the
// segment table in the order the segments were made, the label table in name
// order, the #define symbols (-xD) and the keyword table (-xI). Each entry is
// one line; a name of 32 or more characters has a line of its own and the
// entry goes on below it after 20 blanks.
#include "listing/symbol_listing.h"

#include <algorithm>
#include <vector>

#include "listing/listing.h"
#include "driver/context.h"
#include "driver/segment_rec.h"
#include "driver/statement.h"
#include "expr/expression.h"
#include "source/preprocessor.h"
#include "source/symbols.h"

namespace {

constexpr std::size_t kNameField = 20;      // a shorter name is padded to it
constexpr std::size_t kNameOwnLine = 32;    // a name this long has a line of its own
constexpr std::size_t kAttributeColumn = 27;
constexpr std::size_t kSegmentColumn = 50;
constexpr std::size_t kSegmentField = 10;
constexpr std::size_t kSegmentRule = 40;
constexpr std::size_t kLabelRule = 78;

// Segment type codes, by the first word that names each.
constexpr const char* kSegmentTypeWords[] = {
    "UNTYPED ",   // 0
    "CODE ",      // 1
    "DATA ",      // 2  DATA, ZPAGE
    "XDATA ",     // 3  XDATA, NPAGE
    "IDATA ",     // 4
    "BIT ",       // 5
    "REGISTER ",  // 6
    "CONST ",     // 7
    "FAR ",       // 8  FAR, FARDATA
    "HUGE ",      // 9  HUGE, HUGEDATA
    "FARCONST ",  // 10
    "HUGECONST ", // 11
    "NEAR ",      // 12 NEAR, NEARDATA
    "NEARCONST ", // 13
    "FARCODE ",   // 14
    "HUGECODE ",  // 15
    "NEARCODE ",  // 16
};

// Label type numbers.
constexpr const char* kLabelTypeWords[] = {
    "UNTYP. ", "U CHAR ", "CHAR ",   "U SHORT ", "SHORT ", "U INT ", "INT ", "U LONG ",
    "LONG ",   "FLOAT ",  "DOUBLE ", "LONG ",    "VOID ",  "DOT ",  "ADDR ",
};

// The mode word of a segment kind.
constexpr const char* kModeWords[] = {"ABS    ", "REL    ", "STACK  ", "COMMON "};

struct kind_word {
  ident_kind kind;
  const char* word;
};
//                                   kind                word
constexpr kind_word kKindWords[] = {
    {KIND_MNEMONIC,     " MNEMONIC "},
    {KIND_DIRECTIVE,    " DIRECTIVE "},
    {KIND_REGISTER,     " REGISTER "},
    {KIND_PREFIX,       " PREFIX "},
    {KIND_SUFFIX,       " SUFFIX "},
    {KIND_PREPROCESSOR, " PREPROCESSOR DIRECTIVE "},
    {KIND_MACRO,        " MACRO "},
    {KIND_SEGMENT_TYPE, " SEGMENT TYPE "},
    {KIND_OPERATOR,     " OPERATOR "},
    {KIND_DELIMITER,    " DELIMITER "},
    {KIND_COMMENT_CHAR, " COMMENT CHARACTER "},
    {KIND_SFR_TYPE,     " SFR TYPE "},
};

template <std::size_t N>
std::string word_of(const char* const (&words)[N], unsigned code) {
  if (code < N) return words[code];
  return "TYPE " + std::to_string(code) + " ";
}

// The entry's line is done; with -x2 an empty line follows.
void end_entry(asm_context& cx) {
  list_newline(cx);
  if (cx.driver.opt.xref_line_spacing > 1) list_empty_line(cx);
}

// The name field: padded to 20 columns, a blank after a name of 20 to 31
// characters, and a name of 32 or more on a line of its own.
void name_field(asm_context& cx, std::string_view name) {
  std::string& b = cx.listing.line;
  b.assign(name);
  if (name.size() < kNameField) {
    pad_to(b, kNameField);
  } else if (name.size() < kNameOwnLine) {
    b += ' ';
  } else {
    list_newline(cx);
    b.assign(kNameField, ' ');
  }
}

void heading(asm_context& cx, const char* name, const char* columns, std::size_t rule) {
  list_empty_line(cx);
  name_field(cx, name);
  cx.listing.line += columns;
  end_entry(cx);
  cx.listing.line.assign(rule, '-');
  end_entry(cx);
}

const segment_rec* segment_by_number(const asm_context& cx, uint16_t number) {
  return number >= 1 && number <= cx.segs.count ? cx.segs.table[number - 1] : nullptr;
}

void segment_table(asm_context& cx) {
  heading(cx, "Segment", "Type \tMode", kSegmentRule);
  std::string& b = cx.listing.line;
  for (uint16_t i = 0; i < cx.segs.count; ++i) {
    const segment_rec& s = *cx.segs.table[i];
    // The absolute segment is always there; it is listed when it holds something.
    if (s.kind == SEG_ABSOLUTE && s.node == nullptr && s.size[0] == 0) continue;
    name_field(cx, s.node != nullptr ? std::string_view(s.name) : std::string_view("ASEG"));
    b += word_of(kSegmentTypeWords, s.type);
    const expr_rec* start = s.start_address;
    if ((s.flags & SEG_HAS_START) && start != nullptr && start->state == EXPR_ABSOLUTE) {
      b += " \tABS Org:";
      append_upper_hex(b, static_cast<uint32_t>(start->value), 1);
      b += ' ';
    } else {
      switch (s.kind) {
        case SEG_ABSOLUTE: b += " \tABS Org:0 "; break;
        case SEG_STACK: b += " \tSTACK "; break;
        case SEG_COMMON: b += " \tCOMMON "; break;
        default: b += " \tREL "; break;
      }
    }
    end_entry(cx);
  }
}

// A constant: given its value by an equate and not a variable.
bool is_constant(const label_rec& l) {
  const line_rec* at = l.defined_at;
  return !(l.flags & LBL_VARIABLE) && at != nullptr && at->statement != nullptr &&
         at->statement->kind == stmt_kind::equate;
}

void append_attributes(std::string& b, const label_rec& l) {
  if (is_constant(l)) b += "CONST ";
  if (l.flags & LBL_VARIABLE) b += "VAR ";
  if (l.flags & LBL_PUBLIC) b += "PUB ";
  if (l.flags & LBL_EXTERN) {
    if (l.external_index == kUnreferenced) {
      b += "EXT [unref] ";
    } else {
      const std::string index = std::to_string(l.external_index);
      b += "EXT [";
      if (index.size() < 3) b.append(3 - index.size(), '0');
      b += index;
      b += "] ";
    }
  }
  if (l.flags & LBL_LOCAL) b += "LOCAL ";
  if (l.flags & LBL_SFR) b += "SFR ";
}

void append_value(std::string& b, const label_rec& l) {
  const expr_rec* v = l.value;
  if (v == nullptr) return;
  switch (v->state) {
    case EXPR_UNSOLVED: b += " Not solved "; break;
    case EXPR_ABSOLUTE:
    case EXPR_RELATIVE:
      b += ' ';
      append_upper_hex(b, static_cast<uint32_t>(v->value), 1);  // a negative value in its 32 bits
      b += ' ';
      break;
    case EXPR_POSTFIX: b += (l.flags & LBL_EXTERN) ? " Solved Extern " : " Solved Complex "; break;
    default: break;  // temporarily solved: nothing to show
  }
}

void label_row(asm_context& cx, ident_node* node, void*) {
  if (node->kind != KIND_USER || node->label == nullptr) return;
  const label_rec& l = *node->label;
  std::string& b = cx.listing.line;
  name_field(cx, std::string_view(node->name, node->length));
  const expr_rec* v = l.value;
  const bool placed = v != nullptr && (v->state == EXPR_ABSOLUTE || v->state == EXPR_RELATIVE);
  const segment_rec* seg = placed && v->segment != 0 ? segment_by_number(cx, v->segment) : nullptr;
  b += kModeWords[seg != nullptr ? seg->kind & 3 : SEG_ABSOLUTE];
  pad_to(b, kAttributeColumn);
  append_attributes(b, l);
  b += label_type_word(0);  // labels carry no data type in this assembler
  pad_to(b, kSegmentColumn);
  if (seg != nullptr) {
    const std::size_t at = b.size();
    b += seg->name;
    if (b.size() < at + kSegmentField)
      pad_to(b, at + kSegmentField);
    else
      b += ' ';
  } else {
    b.append(kSegmentField, ' ');
  }
  append_value(b, l);
  end_entry(cx);
}

void define_table(asm_context& cx) {
  std::vector<const define_rec*> defines;
  for (const define_rec* d = cx.pre.first_define; d != nullptr; d = d->next)
    if (!d->removed && d->node != nullptr) defines.push_back(d);
  std::stable_sort(defines.begin(), defines.end(), [](const define_rec* a, const define_rec* b) {
    return std::string_view(a->node->name, a->node->length) < std::string_view(b->node->name, b->node->length);
  });
  heading(cx, "Define", "Value and line of definition", kLabelRule);
  for (const define_rec* d : defines) {
    name_field(cx, std::string_view(d->node->name, d->node->length));
    const std::string value = define_display_text(cx, d);
    std::string& text = cx.listing.scratch;
    text = value.empty() ? " #define,            line: " : " #define, value: " + value + ", line: ";
    text += std::to_string(d->line);
    list_wrapped(cx, text);
    if (cx.driver.opt.xref_line_spacing > 1) list_empty_line(cx);
  }
}

void keyword_row(asm_context& cx, ident_node* node, void*) {
  std::string word;
  if (node->kind == KIND_TARGET_SYMBOL) {
    word = " Target symbol: " + std::to_string(node->keyword.code) + " ";
  } else {
    for (const kind_word& k : kKindWords)
      if (k.kind == node->kind) word = k.word;
  }
  if (word.empty()) return;  // user symbols, segments and defines have tables of their own
  std::string& name = cx.listing.scratch;
  name.clear();
  append_escaped(name, std::string_view(node->name, node->length));
  name_field(cx, name);
  cx.listing.line += word;
  end_entry(cx);
}

}  // namespace

std::string segment_type_word(unsigned type) { return word_of(kSegmentTypeWords, type); }
std::string label_type_word(unsigned type) { return word_of(kLabelTypeWords, type); }

void append_escaped(std::string& out, std::string_view name) {
  constexpr char kDigits[] = "0123456789ABCDEF";
  for (char c : name) {
    const auto u = static_cast<unsigned char>(c);
    if (u >= ' ' && u != 0x7F) {
      out += c;
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\t') {
      out += "\\t";
    } else {
      out += "\\x";
      out += kDigits[u >> 4];
      out += kDigits[u & 0xF];
    }
  }
}

void list_symbol_tables(asm_context& cx) {
  segment_table(cx);
  heading(cx, "Label", "Mode   Type                   Segment    Value/Offset", kLabelRule);
  walk_symbols_sorted(cx, label_row, nullptr);
  if (cx.driver.opt.xref_show_defines > 0) define_table(cx);
  if (cx.driver.opt.xref_show_internal > 0) {
    heading(cx, "Keyword", "Kind", kLabelRule);
    walk_symbols_sorted(cx, keyword_row, nullptr);
  }
}
