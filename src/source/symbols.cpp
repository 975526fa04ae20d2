// symbols.cpp — the symbol table (A07): hashed lookup with the keyword and
// user-symbol case rules, node removal (A05), label records and the sorted walk.
// The hash folds case, so every spelling of a name meets in one bucket and the
// case rules need no second table; the cost of a lookup does not depend on the
// order in which names arrived.
#include "source/symbols.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "diag/diag.h"
#include "driver/context.h"
#include "driver/memory.h"
#include "driver/stops.h"
#include "source/symbols_internal.h"

namespace {

constexpr uint32_t kInitialBuckets = 1024;

inline unsigned char fold(unsigned char c) { return (c >= 'a' && c <= 'z') ? c - 'a' + 'A' : c; }

uint32_t fold_hash(const char* name, std::size_t length) {
  uint32_t h = 2166136261u;
  for (std::size_t i = 0; i < length; ++i) {
    h ^= fold(static_cast<unsigned char>(name[i]));
    h *= 16777619u;
  }
  return h ^ (h >> 15);
}

bool has_lower(const char* name, std::size_t length) {
  for (std::size_t i = 0; i < length; ++i)
    if (name[i] >= 'a' && name[i] <= 'z') return true;
  return false;
}

bool same_name(const ident_node* node, const char* name, std::size_t length) {
  return node->length == length && std::memcmp(node->name, name, length) == 0;
}

bool same_name_folded(const ident_node* node, const char* name, std::size_t length) {
  if (node->length != length) return false;
  for (std::size_t i = 0; i < length; ++i)
    if (fold(static_cast<unsigned char>(node->name[i])) != fold(static_cast<unsigned char>(name[i])))
      return false;
  return true;
}

// Order of the categories inside a chain: the node a lookup takes comes first.
int category(ident_kind kind) {
  switch (kind) {
    case KIND_DEFINE: return 0;
    case KIND_USER:
    case KIND_USER_SEGMENT:
    case KIND_MACRO: return 2;
    case KIND_PREPROCESSOR: return 3;
    default: return 1;
  }
}

ident_node** bucket_of(symbol_state& s, uint32_t hash) { return &s.buckets[hash & (s.bucket_count - 1)]; }

ident_node* exact_chain(symbol_state& s, uint32_t hash, const char* name, std::size_t length) {
  for (ident_node* head = *bucket_of(s, hash); head != nullptr; head = head->hash_next)
    if (head->hash == hash && same_name(head, name, length)) return head;
  return nullptr;
}

ident_node* first_of_category(ident_node* head, int cat) {
  for (ident_node* n = head; n != nullptr; n = n->same_name)
    if (category(n->kind) == cat) return n;
  return nullptr;
}

// A user symbol or macro whose name differs from `name` only in case.
ident_node* folded_user_chain(symbol_state& s, uint32_t hash, const char* name, std::size_t length) {
  for (ident_node* head = *bucket_of(s, hash); head != nullptr; head = head->hash_next)
    if (head->hash == hash && same_name_folded(head, name, length) && first_of_category(head, 2) != nullptr)
      return first_of_category(head, 2);
  return nullptr;
}

void grow_table(asm_context& cx) {
  symbol_state& s = cx.symbols;
  const uint32_t count = s.bucket_count * 2;
  auto** table = static_cast<ident_node**>(arena_alloc(cx, count * sizeof(ident_node*), alignof(ident_node*)));
  std::memset(table, 0, count * sizeof(ident_node*));
  for (uint32_t i = 0; i < s.bucket_count; ++i) {
    ident_node* head = s.buckets[i];
    while (head != nullptr) {
      ident_node* next = head->hash_next;
      ident_node** slot = &table[head->hash & (count - 1)];
      head->hash_next = *slot;
      *slot = head;
      head = next;
    }
  }
  s.buckets = table;
  s.bucket_count = count;
}

// Replaces the chain head `old_head` by `new_head` in its bucket list.
void replace_head(symbol_state& s, ident_node* old_head, ident_node* new_head) {
  ident_node** link = bucket_of(s, old_head->hash);
  while (*link != old_head) link = &(*link)->hash_next;
  if (new_head != nullptr) {
    new_head->hash_next = old_head->hash_next;
    *link = new_head;
  } else {
    *link = old_head->hash_next;
  }
  old_head->hash_next = nullptr;
}

}  // namespace

void* arena_alloc(asm_context& cx, std::size_t size, std::size_t align) {
  // The pool hands out 4-aligned memory; records holding pointers need more.
  if (align < 4) align = 4;
  auto raw = reinterpret_cast<std::uintptr_t>(am_memory(cx, size + align - 4));
  raw = (raw + align - 1) & ~static_cast<std::uintptr_t>(align - 1);
  return reinterpret_cast<void*>(raw);
}

void init_symbol_table(asm_context& cx) {
  symbol_state& s = cx.symbols;
  s.bucket_count = kInitialBuckets;
  s.buckets = static_cast<ident_node**>(arena_alloc(cx, kInitialBuckets * sizeof(ident_node*), alignof(ident_node*)));
  std::memset(s.buckets, 0, kInitialBuckets * sizeof(ident_node*));
  s.chain_count = 0;
  s.node_count = 0;
  s.current = nullptr;
}

ident_node* insert_node(asm_context& cx, const char* name, std::size_t length, ident_kind kind) {
  symbol_state& s = cx.symbols;
  if (s.chain_count >= s.bucket_count) grow_table(cx);
  // The name follows its node in one piece of arena memory.
  auto* node = new (arena_alloc(cx, sizeof(ident_node) + length + 1, alignof(ident_node))) ident_node{};
  char* stored = reinterpret_cast<char*>(node + 1);
  std::memcpy(stored, name, length);
  stored[length] = '\0';
  node->name = stored;
  node->length = static_cast<uint16_t>(length);
  node->kind = kind;
  ++s.node_count;
  const uint32_t hash = fold_hash(name, length);
  node->hash = hash;
  ident_node* head = exact_chain(s, hash, name, length);
  if (head == nullptr) {
    ident_node** slot = bucket_of(s, hash);
    node->hash_next = *slot;
    *slot = node;
    ++s.chain_count;
    return node;
  }
  const int cat = category(kind);
  if (category(head->kind) > cat) {
    node->same_name = head;
    replace_head(s, head, node);
    return node;
  }
  ident_node* at = head;
  while (at->same_name != nullptr && category(at->same_name->kind) <= cat) at = at->same_name;
  node->same_name = at->same_name;
  at->same_name = node;
  return node;
}

ident_node* check_ident(asm_context& cx, const char* name, std::size_t length, bool create) {
  symbol_state& s = cx.symbols;
  if (s.buckets == nullptr) {
    internal_error(cx, "check_ident_A07", "No symb_tree_root");
    return nullptr;
  }
  const uint32_t hash = fold_hash(name, length);
  ident_node* exact = exact_chain(s, hash, name, length);
  ident_node* found = nullptr;
  if (exact != nullptr && (exact->kind == KIND_DEFINE || category(exact->kind) == 1)) {
    // A define, or a keyword of exactly this spelling: "const" is the
    // directive even where the segment type CONST has the same letters.
    found = exact;
  } else if (length <= kMaxIdentLength && has_lower(name, length)) {
    char upper[kMaxIdentLength];
    for (std::size_t i = 0; i < length; ++i) upper[i] = static_cast<char>(fold(static_cast<unsigned char>(name[i])));
    if (ident_node* up = exact_chain(s, hash, upper, length)) found = first_of_category(up, 1);
  }
  if (found == nullptr && exact != nullptr && exact->kind != KIND_PREPROCESSOR) found = exact;
  if (found == nullptr && !s.user_case_sensitive) found = folded_user_chain(s, hash, name, length);
  if (found == nullptr && create) found = insert_node(cx, name, length, KIND_USER);
  s.current = found;
  return found;
}

ident_node* find_node(asm_context& cx, const char* name, std::size_t length, ident_kind kind) {
  symbol_state& s = cx.symbols;
  if (s.buckets == nullptr) return nullptr;
  return find_kind(exact_chain(s, fold_hash(name, length), name, length), kind);
}

ident_node* find_kind(ident_node* node, ident_kind kind) {
  for (; node != nullptr; node = node->same_name)
    if (node->kind == kind) return node;
  return nullptr;
}

ident_node* recollect_ident_node(asm_context& cx, ident_node* node) {
  symbol_state& s = cx.symbols;
  if (node != nullptr && s.buckets != nullptr && !(node->state & NODE_DELETED)) {
    for (ident_node* n = exact_chain(s, node->hash, node->name, node->length);
         n != nullptr; n = n->same_name)
      if (n == node) return node;
  }
  internal_error(cx, "recollect_ident_node_A07", "Didn't find node");
  return nullptr;
}

void mark_unmark_node(asm_context&, ident_node* node, bool mark) {
  if (mark)
    node->state |= NODE_MARKED;
  else
    node->state &= static_cast<uint8_t>(~NODE_MARKED);
}

void delete_node(asm_context& cx, ident_node* node) {
  symbol_state& s = cx.symbols;
  ident_node* head = nullptr;
  if (node != nullptr && s.buckets != nullptr && !(node->state & NODE_DELETED))
    head = exact_chain(s, node->hash, node->name, node->length);
  if (head == node && head != nullptr) {
    replace_head(s, head, node->same_name);
    if (node->same_name == nullptr) --s.chain_count;
  } else {
    ident_node* at = head;
    while (at != nullptr && at->same_name != node) at = at->same_name;
    if (at == nullptr) {
      internal_error(cx, "delete_node_A05", "Didn't find node");
      return;
    }
    at->same_name = node->same_name;
  }
  node->same_name = nullptr;
  node->state = NODE_DELETED;
  --s.node_count;
  if (s.current == node) s.current = nullptr;
}

int delete_marked_nodes(asm_context& cx) {
  symbol_state& s = cx.symbols;
  std::vector<ident_node*> marked;
  for (uint32_t i = 0; i < s.bucket_count; ++i)
    for (ident_node* head = s.buckets[i]; head != nullptr; head = head->hash_next)
      for (ident_node* n = head; n != nullptr; n = n->same_name)
        if (n->state & NODE_MARKED) marked.push_back(n);
  for (ident_node* n : marked) delete_node(cx, n);
  return static_cast<int>(marked.size());
}

namespace {

label_rec* new_label_rec(asm_context& cx, ident_node* node) {
  auto* rec = new (arena_alloc(cx, sizeof(label_rec), alignof(label_rec))) label_rec{};
  rec->flags = LBL_CREATED | LBL_UNDEFINED;
  rec->owner = node;
  rec->block = -1;
  rec->external_index = kUnreferenced;
  node->label = rec;
  return rec;
}

}  // namespace

label_rec* init_label_rec(asm_context& cx, ident_node* node, uint16_t segment_type, uint16_t segment_index) {
  if (node == nullptr || !is_user_kind(node->kind)) {
    user_error(cx, gen_err::bad_label);
    return nullptr;
  }
  label_rec* rec = node->label != nullptr ? node->label : new_label_rec(cx, node);
  rec->segment_type = segment_type;
  rec->segment_index = segment_index;
  return rec;
}

ident_node* user_node(asm_context& cx, const char* name, std::size_t length) {
  symbol_state& s = cx.symbols;
  const uint32_t hash = fold_hash(name, length);
  for (ident_node* n = exact_chain(s, hash, name, length); n != nullptr; n = n->same_name)
    if (is_user_kind(n->kind)) return n;
  if (!s.user_case_sensitive)
    for (ident_node* n = folded_user_chain(s, hash, name, length); n != nullptr; n = n->same_name)
      if (is_user_kind(n->kind)) return n;
  return insert_node(cx, name, length, KIND_USER);
}

label_rec* get_label_rec(asm_context& cx, ident_node* node) {
  if (node == nullptr || !is_user_kind(node->kind)) return nullptr;
  return node->label != nullptr ? node->label : new_label_rec(cx, node);
}

void walk_symbols_sorted(asm_context& cx, void (*visit)(asm_context&, ident_node*, void*), void* user) {
  symbol_state& s = cx.symbols;
  std::vector<ident_node*> heads;
  heads.reserve(s.chain_count);
  for (uint32_t i = 0; i < s.bucket_count; ++i)
    for (ident_node* head = s.buckets[i]; head != nullptr; head = head->hash_next) heads.push_back(head);
  std::sort(heads.begin(), heads.end(), [](const ident_node* a, const ident_node* b) {
    const int c = std::memcmp(a->name, b->name, std::min(a->length, b->length));
    return c != 0 ? c < 0 : a->length < b->length;
  });
  for (ident_node* head : heads)
    for (ident_node* n = head; n != nullptr;) {
      ident_node* next = n->same_name;  // the visitor may delete the node
      visit(cx, n, user);
      n = next;
    }
}

void walk_symbols(asm_context& cx, void (*visit)(asm_context&, ident_node*, void*), void* user) {
  symbol_state& s = cx.symbols;
  for (uint32_t i = 0; i < s.bucket_count; ++i)
    for (ident_node* head = s.buckets[i]; head != nullptr; head = head->hash_next)
      for (ident_node* n = head; n != nullptr; n = n->same_name) visit(cx, n, user);
}
