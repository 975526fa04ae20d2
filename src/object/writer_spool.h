// writer_spool.h — the spool of the object writer (A23): a module's record
// bytes gathered in 4096-byte blocks that are recycled for the next module,
// the primitive encodings of the QUILL format, and the machine records that
// say which bytes each element of the module produced.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "object/quill_format.h"

struct asm_context;
struct statement_rec;

constexpr std::size_t kSpoolBlockSize = 4096;

struct spool_block {
  spool_block* next;  // on the free list
  uint8_t data[kSpoolBlockSize];
};

// What a machine record holds.
enum class machine_kind : uint8_t {
  header,       // the module header
  declaration,  // types, segment and symbol declarations
  statement,    // the records of one statement
  end,          // the end record
};

// The bytes of one element of the module: a range of the spool.
struct machine_rec {
  uint32_t first;  // offset of the first byte in the module's spool
  uint32_t count;  // bytes; 0 for an element that wrote nothing
  machine_kind kind;
  const statement_rec* statement;  // the statement, for kind statement
};

// The module's bytes. Blocks come from the arena once and are reused for every
// later module; nothing is allocated per byte or per record.
class object_spool : public quill_forms<object_spool> {
 public:
  // `cx` gives the arena; `fixed_indexes` writes every index as a u16.
  void start(asm_context* cx, bool fixed_indexes);
  // Empties the spool; its blocks go to the free list.
  void recycle() { truncate(0); }
  // Drops the bytes from `size` on; emptied blocks go to the free list.
  void truncate(uint32_t size);

  void byte(uint32_t value) {
    if (used_ < kSpoolBlockSize) {
      current_->data[used_++] = static_cast<uint8_t>(value);
      return;
    }
    const uint8_t b = static_cast<uint8_t>(value);
    put(&b, 1);
  }
  void put(const uint8_t* bytes, std::size_t size);
  bool variable_indexes() const { return !fixed_indexes_; }

  // Bytes held.
  uint32_t size() const {
    return blocks_.empty() ? 0 : static_cast<uint32_t>((blocks_.size() - 1) * kSpoolBlockSize + used_);
  }

  // Calls `visit(bytes, count)` for the spool's bytes [first, first + count), in
  // at most one call per block.
  template <class Visit>
  void read(uint32_t first, uint32_t count, Visit&& visit) const {
    while (count > 0) {
      const std::size_t block = first / kSpoolBlockSize;
      const std::size_t at = first % kSpoolBlockSize;
      std::size_t n = kSpoolBlockSize - at;
      if (n > count) n = count;
      visit(blocks_[block]->data + at, n);
      first += static_cast<uint32_t>(n);
      count -= static_cast<uint32_t>(n);
    }
  }
  // A copy of bytes [first, first + count), for tests and small records.
  std::vector<uint8_t> copy(uint32_t first, uint32_t count) const;

 private:
  void next_block();

  asm_context* cx_ = nullptr;
  std::vector<spool_block*> blocks_;  // filled blocks in order, the current one last
  spool_block* current_ = nullptr;
  std::size_t used_ = kSpoolBlockSize;  // bytes of the current block in use
  spool_block* free_ = nullptr;
  bool fixed_indexes_ = false;
};
