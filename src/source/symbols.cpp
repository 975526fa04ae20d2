// symbols.cpp — the symbol table (A07): hashed lookup with the keyword and
// user-symbol case rules, node removal (A05), label records and the sorted walk.
// Names are hashed as written, so spellings that differ only in case land in
// buckets of their own; keywords are found under the upper-case spelling, and
// user symbols and macros of one name with case folded are kept together in a
// fold group of a second table, for the lookups that ignore case. The cost of
// a lookup depends neither on the order in which names arrived nor on how
// many spellings of a name exist.
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

// The last step of both hashes: every bit of the state reaches the low bits
// that pick a bucket. Without it, spellings that differ only in case (one bit
// of a byte) crowd into few buckets.
uint32_t spread(uint32_t h) {
  h ^= h >> 16;
  h *= 0x85EBCA6Bu;
  h ^= h >> 13;
  h *= 0xC2B2AE35u;
  return h ^ (h >> 16);
}

// The hash of a name as written; `lower` tells whether it holds lower-case
// letters. A name without them is its own upper-case spelling, so its hash
// is also the hash with case folded.
uint32_t hash_name(const char* name, std::size_t length, bool* lower) {
  uint32_t h = 2166136261u;
  unsigned char any = 0;
  for (std::size_t i = 0; i < length; ++i) {
    const auto c = static_cast<unsigned char>(name[i]);
    any |= static_cast<unsigned char>(c - 'a') < 26;
    h = (h ^ c) * 16777619u;
  }
  if (lower != nullptr) *lower = any != 0;
  return spread(h);
}

// The hash with case folded, which is the hash of the upper-case spelling.
uint32_t folded_hash(const char* name, std::size_t length) {
  uint32_t h = 2166136261u;
  for (std::size_t i = 0; i < length; ++i) h = (h ^ fold(static_cast<unsigned char>(name[i]))) * 16777619u;
  return spread(h);
}

bool same_name(const ident_node* node, const char* name, std::size_t length) {
  return node->length == length && std::memcmp(node->name, name, length) == 0;
}

bool equal_folded(const char* a, const char* b, std::size_t length) {
  for (std::size_t i = 0; i < length; ++i)
    if (fold(static_cast<unsigned char>(a[i])) != fold(static_cast<unsigned char>(b[i]))) return false;
  return true;
}

// A power-of-two table of intrusive lists (linked by `next`, keyed by `hash`),
// empty; and the same table with twice the buckets.
template <class T>
T** new_table(asm_context& cx, uint32_t count) {
  auto** table = static_cast<T**>(arena_alloc(cx, count * sizeof(T*), alignof(T*)));
  std::memset(table, 0, count * sizeof(T*));
  return table;
}

template <class T>
T** doubled_table(asm_context& cx, T** old, uint32_t count, T* T::*next) {
  T** table = new_table<T>(cx, count * 2);
  for (uint32_t i = 0; i < count; ++i)
    for (T* e = old[i]; e != nullptr;) {
      T* after = e->*next;
      T** slot = &table[e->hash & (count * 2 - 1)];
      e->*next = *slot;
      *slot = e;
      e = after;
    }
  return table;
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

// ---- Fold groups -----------------------------------------------------------

bool in_fold_group(ident_kind kind) { return category(kind) == 2; }

fold_group* find_group(symbol_state& s, uint32_t folded, const char* name, std::size_t length) {
  for (fold_group* g = s.fold_buckets[folded & (s.fold_bucket_count - 1)]; g != nullptr; g = g->next)
    if (g->hash == folded && g->length == length && equal_folded(g->name, name, length)) return g;
  return nullptr;
}

// A new user symbol or macro joins the group of its folded name, last.
void join_group(asm_context& cx, ident_node* node, uint32_t folded) {
  symbol_state& s = cx.symbols;
  if (s.fold_buckets == nullptr) return;  // no lookup has ignored case yet
  fold_group* g = find_group(s, folded, node->name, node->length);
  if (g == nullptr) {
    if (s.fold_count >= s.fold_bucket_count) {
      s.fold_buckets = doubled_table(cx, s.fold_buckets, s.fold_bucket_count, &fold_group::next);
      s.fold_bucket_count *= 2;
    }
    g = new (arena_alloc(cx, sizeof(fold_group), alignof(fold_group))) fold_group{};
    g->hash = folded;
    g->name = node->name;
    g->length = node->length;
    fold_group** slot = &s.fold_buckets[folded & (s.fold_bucket_count - 1)];
    g->next = *slot;
    *slot = g;
    ++s.fold_count;
  }
  if (g->count == g->capacity) {  // the old list is left in the arena
    const uint32_t capacity = g->capacity == 0 ? 2 : g->capacity * 2;
    auto** members = static_cast<ident_node**>(arena_alloc(cx, capacity * sizeof(ident_node*), alignof(ident_node*)));
    if (g->count > 0) std::memcpy(members, g->members, g->count * sizeof(ident_node*));
    g->members = members;
    g->capacity = capacity;
  }
  g->members[g->count++] = node;
}

// The groups are made when a lookup first ignores case (most sources never
// do): every user symbol and macro then in the table joins, oldest first.
void build_groups(asm_context& cx) {
  symbol_state& s = cx.symbols;
  s.fold_bucket_count = kInitialBuckets;
  s.fold_buckets = new_table<fold_group>(cx, kInitialBuckets);
  s.fold_count = 0;
  std::vector<ident_node*> members;
  for (uint32_t i = 0; i < s.bucket_count; ++i)
    for (ident_node* head = s.buckets[i]; head != nullptr; head = head->hash_next)
      for (ident_node* n = head; n != nullptr; n = n->same_name)
        if (in_fold_group(n->kind)) members.push_back(n);
  std::sort(members.begin(), members.end(),
            [](const ident_node* a, const ident_node* b) { return a->serial < b->serial; });
  for (ident_node* n : members) join_group(cx, n, folded_hash(n->name, n->length));
}

// The oldest user symbol or macro whose name differs from `name` only in case.
ident_node* folded_user_node(asm_context& cx, uint32_t folded, const char* name, std::size_t length) {
  if (cx.symbols.fold_buckets == nullptr) build_groups(cx);
  fold_group* g = find_group(cx.symbols, folded, name, length);
  if (g == nullptr) return nullptr;
  while (g->head < g->count && (g->members[g->head]->state & NODE_DELETED)) ++g->head;
  return g->head < g->count ? g->members[g->head] : nullptr;
}

// The fold group `node` belongs to, once groups exist.
fold_group* group_of(symbol_state& s, const ident_node* node) {
  if (s.fold_buckets == nullptr) return nullptr;
  return find_group(s, folded_hash(node->name, node->length), node->name, node->length);
}

// A node back in the table is a member of its group again, in the order of
// making: one deleted before the groups were made joins now, and the first
// live member may be an older one than before.
void regroup(asm_context& cx, ident_node* node) {
  fold_group* g = group_of(cx.symbols, node);
  if (g == nullptr) {
    join_group(cx, node, folded_hash(node->name, node->length));
    g = group_of(cx.symbols, node);
    if (g == nullptr) return;  // no lookup has ignored case yet
  } else {
    uint32_t i = g->count;
    while (i > 0 && g->members[i - 1] != node) --i;
    if (i == 0) join_group(cx, node, g->hash);
  }
  // Back into order by serial number, then the first live member.
  uint32_t at = g->count;
  while (at > 0 && g->members[at - 1] != node) --at;
  for (--at; at > 0 && g->members[at - 1]->serial > node->serial; --at) g->members[at] = g->members[at - 1];
  g->members[at] = node;
  if (at < g->head) g->head = at;
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
  s.buckets = new_table<ident_node>(cx, kInitialBuckets);
  s.fold_buckets = nullptr;
  s.fold_bucket_count = 0;
  s.fold_count = 0;
  s.chain_count = 0;
  s.node_count = 0;
  s.current = nullptr;
}

namespace {

// Puts `node` (name, kind and hash set) into the chain of its name, so that
// the node a lookup takes stays first.
ident_node* link_node(asm_context& cx, ident_node* node) {
  symbol_state& s = cx.symbols;
  if (s.chain_count >= s.bucket_count) {
    s.buckets = doubled_table(cx, s.buckets, s.bucket_count, &ident_node::hash_next);
    s.bucket_count *= 2;
  }
  ++s.node_count;
  const uint32_t hash = node->hash;
  const ident_kind kind = node->kind;
  ident_node* head = exact_chain(s, hash, node->name, node->length);
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

// `hash` is the name's as written, `folded` its hash with case folded.
ident_node* insert_hashed(asm_context& cx, const char* name, std::size_t length, ident_kind kind, uint32_t hash,
                          uint32_t folded) {
  symbol_state& s = cx.symbols;
  // The name follows its node in one piece of arena memory.
  auto* node = new (arena_alloc(cx, sizeof(ident_node) + length + 1, alignof(ident_node))) ident_node{};
  char* stored = reinterpret_cast<char*>(node + 1);
  std::memcpy(stored, name, length);
  stored[length] = '\0';
  node->name = stored;
  node->length = static_cast<uint16_t>(length);
  node->kind = kind;
  node->serial = s.serial++;
  node->hash = hash;
  if (in_fold_group(kind)) join_group(cx, node, folded);
  return link_node(cx, node);
}

}  // namespace

ident_node* insert_node(asm_context& cx, const char* name, std::size_t length, ident_kind kind) {
  bool lower = false;
  const uint32_t hash = hash_name(name, length, &lower);
  return insert_hashed(cx, name, length, kind, hash, lower ? folded_hash(name, length) : hash);
}

void relink_node(asm_context& cx, ident_node* node) {
  if (node == nullptr || !(node->state & NODE_DELETED)) return;
  node->state = 0;
  node->same_name = nullptr;
  node->hash_next = nullptr;
  link_node(cx, node);
  if (in_fold_group(node->kind)) regroup(cx, node);
}

ident_node* check_ident(asm_context& cx, const char* name, std::size_t length, bool create) {
  symbol_state& s = cx.symbols;
  if (s.buckets == nullptr) {
    internal_error(cx, "check_ident_A07", "No symb_tree_root");
    return nullptr;
  }
  bool lower = false;
  const uint32_t hash = hash_name(name, length, &lower);
  uint32_t folded = hash;  // the same unless the name holds lower-case letters
  ident_node* exact = exact_chain(s, hash, name, length);
  ident_node* found = nullptr;
  if (exact != nullptr && (exact->kind == KIND_DEFINE || category(exact->kind) == 1)) {
    // A define, or a keyword of exactly this spelling: "const" is the
    // directive even where the segment type CONST has the same letters.
    found = exact;
  } else if (lower) {
    folded = folded_hash(name, length);
    if (length <= kMaxIdentLength) {
      char upper[kMaxIdentLength];
      for (std::size_t i = 0; i < length; ++i) upper[i] = static_cast<char>(fold(static_cast<unsigned char>(name[i])));
      if (ident_node* up = exact_chain(s, folded, upper, length)) found = first_of_category(up, 1);
    }
  }
  if (found == nullptr && exact != nullptr && exact->kind != KIND_PREPROCESSOR) found = exact;
  if (found == nullptr && !s.user_case_sensitive) found = folded_user_node(cx, folded, name, length);
  if (found == nullptr && create) found = insert_hashed(cx, name, length, KIND_USER, hash, folded);
  s.current = found;
  return found;
}

ident_node* find_node(asm_context& cx, const char* name, std::size_t length, ident_kind kind) {
  symbol_state& s = cx.symbols;
  if (s.buckets == nullptr) return nullptr;
  return find_kind(exact_chain(s, hash_name(name, length, nullptr), name, length), kind);
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
  // The newest member of a group leaves it at once (a macro's LOCAL names
  // come and go with every expansion); older ones are passed over.
  if (in_fold_group(node->kind))
    if (fold_group* g = group_of(s, node); g != nullptr && g->count > 0 && g->members[g->count - 1] == node) {
      --g->count;
      if (g->head > g->count) g->head = g->count;
    }
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
  bool lower = false;
  const uint32_t hash = hash_name(name, length, &lower);
  for (ident_node* n = exact_chain(s, hash, name, length); n != nullptr; n = n->same_name)
    if (is_user_kind(n->kind)) return n;
  const uint32_t folded = lower ? folded_hash(name, length) : hash;
  if (!s.user_case_sensitive) {
    if (s.fold_buckets == nullptr) build_groups(cx);
    if (fold_group* g = find_group(s, folded, name, length))
      for (uint32_t i = g->head; i < g->count; ++i)
        if (!(g->members[i]->state & NODE_DELETED) && is_user_kind(g->members[i]->kind)) return g->members[i];
  }
  return insert_hashed(cx, name, length, KIND_USER, hash, folded);
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
