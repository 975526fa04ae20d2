// memory.h — the assembler's allocator `am_memory` (A05): long-lived records
// (symbols, expressions, statement records, segments, macro bodies) are carved
// from 20480-byte pool blocks and never given back before the run ends.
#pragma once

#include <cstddef>
#include <cstdint>
#include <new>
#include <vector>

struct asm_context;
struct output_table;

constexpr std::size_t kPoolBlockSize = 20480;
constexpr std::size_t kArenaAlign = alignof(void*) > 4 ? alignof(void*) : 4;

struct memory_state {
  unsigned char* pool = nullptr;  // current pool block
  std::size_t pool_used = 0;      // bytes handed out from it
  long bytes_taken = 0;           // all blocks taken from the system (for the out-of-memory report)
  std::vector<void*> blocks;      // every block, released when the context ends
  const output_table* out = nullptr;

  memory_state() = default;
  memory_state(const memory_state&) = delete;
  memory_state& operator=(const memory_state&) = delete;
  ~memory_state();
};

// At least `size` bytes, rounded to kArenaAlign and aligned to it, filled with 0xFF. Ends the run through the
// out-of-memory stop when the system refuses twice.
void* am_memory(asm_context& cx, std::size_t size);

// Typed convenience: a record constructed in arena memory. Records built this
// way are never destroyed, so they must not own heap memory themselves.
template <class T, class... Args>
T* am_new(asm_context& cx, Args&&... args) {
  static_assert(alignof(T) <= kArenaAlign, "arena records are pointer-aligned at most");
  return new (am_memory(cx, sizeof(T))) T{static_cast<Args&&>(args)...};
}

// Copy of a text into arena memory, NUL-terminated.
char* am_strdup(asm_context& cx, const char* text, std::size_t length);
