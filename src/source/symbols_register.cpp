// symbols_register.cpp — registration of keywords into the symbol table (A07):
// one function per keyword kind, the character roles the lexer reads, the
// directive names kept by class, and register names for messages.
#include <cstdio>
#include <cstring>

#include "driver/context.h"
#include "driver/stops.h"
#include "source/symbols.h"
#include "source/symbols_internal.h"

namespace {

// Texts of the block classes 5 to 12 when their 8 places are taken.
constexpr const char* kCantStore[kDirectiveClasses] = {
    nullptr, nullptr, nullptr, nullptr, nullptr,
    "Can't store MACRO", "Can't store ENDM", "Can't store REPT", "Can't store REPTI",
    "Can't store REPTC", "Can't store ENDR", "Can't store END", "Can't store END",
};

ident_node* register_char(asm_context& cx, int character, ident_kind kind, int code, char_role role) {
  symbol_state& s = cx.symbols;
  if (character < 0 || character > kEndOfFileChar) {
    internal_error(cx, "register_char_A07", "Illegal character", character, code);
    return nullptr;
  }
  s.char_roles[character] = role;
  s.char_codes[character] = static_cast<int16_t>(code);
  if (character == kEndOfFileChar) return nullptr;  // end of file has no spelling
  const char name[2] = {static_cast<char>(character), '\0'};
  return register_keyword(cx, name, kind, code, 0, nullptr, KEEP_CASE);
}

}  // namespace

ident_node* register_keyword(asm_context& cx, const char* name, ident_kind kind, int32_t code,
                             int32_t klass, const void* data, keyword_case letter_case) {
  if (cx.symbols.buckets == nullptr) init_symbol_table(cx);
  std::size_t length = std::strlen(name);
  if (length > kMaxIdentLength) length = kMaxIdentLength;
  char stored[kMaxIdentLength + 1];
  for (std::size_t i = 0; i < length; ++i) {
    char c = name[i];
    if (letter_case == UPPER_CASE && c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    stored[i] = c;
  }
  stored[length] = '\0';
  if (ident_node* twin = find_node(cx, stored, length, kind)) {
    char text[128];
    std::snprintf(text, sizeof text, "ID '%.80s' duplicated ", stored);
    internal_error(cx, "register_keyword_A07", text);
    return twin;
  }
  ident_node* node = insert_node(cx, stored, length, kind);
  node->keyword = keyword_value{code, klass, data};
  return node;
}

ident_node* init_mnemonic(asm_context& cx, const char* name, int index, const void* first_form) {
  if (index < 0 || index >= 64) {
    internal_error(cx, "init_mnemonic_A07", "Instr.size too large", index);
    return nullptr;
  }
  return register_keyword(cx, name, KIND_MNEMONIC, index, 0, first_form, UPPER_CASE);
}

ident_node* init_directive(asm_context& cx, const char* name, const void* entry, int klass,
                           keyword_case letter_case) {
  symbol_state& s = cx.symbols;
  if (klass < 0 || klass >= kDirectiveClasses) {
    internal_error(cx, "init_directive_A07", "Illegal class", klass);
    return nullptr;
  }
  if (klass >= DCLASS_IF && klass <= DCLASS_ELSEIF && s.conditional_count >= kConditionalNames) {
    internal_error(cx, "init_directive_A07", "Table too small", klass);
    return nullptr;
  }
  if (klass >= DCLASS_MACRO && s.class_name_count[klass] >= kNamesPerBlockClass) {
    internal_error(cx, "init_directive_A07", kCantStore[klass], klass);
    return nullptr;
  }
  const uint32_t before = s.node_count;
  ident_node* node = register_keyword(cx, name, KIND_DIRECTIVE, 0, klass, entry, letter_case);
  if (node == nullptr || s.node_count == before) return node;  // a duplicate keeps the first
  if (klass >= DCLASS_IF && klass <= DCLASS_ELSEIF) s.conditional_names[s.conditional_count++] = node;
  if (klass >= DCLASS_MACRO) s.class_names[klass][s.class_name_count[klass]++] = node;
  return node;
}

ident_node* init_register(asm_context& cx, const char* name, int code) {
  ident_node* node = register_keyword(cx, name, KIND_REGISTER, code, 0, nullptr, UPPER_CASE);
  // R0 names the same register as X: messages use the name registered first.
  if (node != nullptr && code >= 0 && code < 256 && cx.symbols.register_by_code[code] == nullptr)
    cx.symbols.register_by_code[code] = node;
  return node;
}

ident_node* init_prefix(asm_context& cx, const char* name, int value) {
  return register_keyword(cx, name, KIND_PREFIX, value, 0, nullptr, UPPER_CASE);
}

ident_node* init_suffix(asm_context& cx, const char* name, int value) {
  return register_keyword(cx, name, KIND_SUFFIX, value, 0, nullptr, UPPER_CASE);
}

ident_node* insert_segment_type_in_tree(asm_context& cx, const char* name, int code) {
  return register_keyword(cx, name, KIND_SEGMENT_TYPE, code, 0, nullptr, UPPER_CASE);
}

ident_node* init_operator(asm_context& cx, const char* name, int code, int klass, const void* record) {
  if (code < 0 || code >= 160) {
    internal_error(cx, "init_operator_A07", "Index too large", code);
    return nullptr;
  }
  return register_keyword(cx, name, KIND_OPERATOR, code, klass, record, UPPER_CASE);
}

ident_node* init_delimiter(asm_context& cx, int character, int code) {
  return register_char(cx, character, KIND_DELIMITER, code, CHAR_DELIMITER);
}

ident_node* init_part_of_identifier(asm_context& cx, int character, int code) {
  return register_char(cx, character, KIND_TARGET_SYMBOL, code, CHAR_IDENT_PART);
}

ident_node* init_comment_char(asm_context& cx, int character, int code) {
  return register_char(cx, character, KIND_COMMENT_CHAR, code, CHAR_COMMENT);
}

ident_node* init_target_symbol(asm_context& cx, const char* name, int value, int klass) {
  return register_keyword(cx, name, KIND_TARGET_SYMBOL, value, klass, nullptr, UPPER_CASE);
}

ident_node* init_sfr_type(asm_context& cx, const char* name, int value) {
  return register_keyword(cx, name, KIND_SFR_TYPE, value, 0, nullptr, UPPER_CASE);
}

int directive_class_count(const asm_context& cx, int klass) {
  const symbol_state& s = cx.symbols;
  if (klass >= DCLASS_MACRO && klass < kDirectiveClasses) return s.class_name_count[klass];
  int count = 0;
  for (int i = 0; i < s.conditional_count; ++i)
    if (s.conditional_names[i]->keyword.klass == klass) ++count;
  return count;
}

ident_node* directive_class_name(const asm_context& cx, int klass, int index) {
  const symbol_state& s = cx.symbols;
  if (index < 0) return nullptr;
  if (klass >= DCLASS_MACRO && klass < kDirectiveClasses)
    return index < s.class_name_count[klass] ? s.class_names[klass][index] : nullptr;
  for (int i = 0; i < s.conditional_count; ++i)
    if (s.conditional_names[i]->keyword.klass == klass && index-- == 0) return s.conditional_names[i];
  return nullptr;
}

const char* get_register_name(asm_context& cx, int code) {
  if (code >= 0 && code < 256 && cx.symbols.register_by_code[code] != nullptr)
    return cx.symbols.register_by_code[code]->name;
  internal_error(cx, "get_register_name_A07", "No register", code);
  return "";
}
