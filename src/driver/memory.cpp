// memory.cpp — pool allocator for long-lived records (A05).
#include "driver/memory.h"

#include <cstdlib>
#include <cstring>

#include "driver/context.h"
#include "driver/stops.h"

memory_state::~memory_state() {
  // The standard binding of the allocation entry is malloc; blocks are released
  // only when the context that owns them ends (at exit, or at the end of a test).
  for (void* block : blocks) std::free(block);
}

namespace {

// One block from the system: retried once, then the out-of-memory stop.
unsigned char* take_block(asm_context& cx, std::size_t size) {
  void* block = cx.out->allocate(size);
  if (block == nullptr) block = cx.out->allocate(size);
  if (block == nullptr) out_of_memory(cx);
  cx.mem.blocks.push_back(block);
  cx.mem.bytes_taken += static_cast<long>(size);
  std::memset(block, 0xFF, size);
  return static_cast<unsigned char*>(block);
}

}  // namespace

void* am_memory(asm_context& cx, std::size_t size) {
  memory_state& m = cx.mem;
  // Rounded to the alignment of a pointer on this host (8), so that every record
  // carved from a pool block is aligned for the pointers it holds.
  size = (size + kArenaAlign - 1) & ~(kArenaAlign - 1);
  if (size == 0) size = kArenaAlign;
  if (size > kPoolBlockSize) return take_block(cx, size);
  if (m.pool == nullptr || (m.pool_used > 0 && m.pool_used + size >= kPoolBlockSize)) {
    // The rest of the old block is abandoned; a fresh block takes any pool request whole.
    m.pool = take_block(cx, kPoolBlockSize);
    m.pool_used = 0;
  }
  void* result = m.pool + m.pool_used;
  m.pool_used += size;
  return result;
}

char* am_strdup(asm_context& cx, const char* text, std::size_t length) {
  char* copy = static_cast<char*>(am_memory(cx, length + 1));
  std::memcpy(copy, text, length);
  copy[length] = '\0';
  return copy;
}
