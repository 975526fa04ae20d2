// writer_spool.cpp — the object writer's spool and the primitive encodings (A23).
#include "object/writer_spool.h"

#include <cstring>

#include "driver/memory.h"
#include "object/quill_format.h"

void object_spool::start(asm_context* cx, bool fixed_indexes) {
  cx_ = cx;
  fixed_indexes_ = fixed_indexes;
  recycle();
}

void object_spool::truncate(uint32_t size) {
  if (size >= this->size()) return;
  const std::size_t keep = (size + kSpoolBlockSize - 1) / kSpoolBlockSize;  // blocks holding a kept byte
  while (blocks_.size() > keep) {
    spool_block* b = blocks_.back();
    blocks_.pop_back();
    b->next = free_;
    free_ = b;
  }
  current_ = blocks_.empty() ? nullptr : blocks_.back();
  used_ = blocks_.empty() ? kSpoolBlockSize : size - (keep - 1) * kSpoolBlockSize;
}

void object_spool::next_block() {
  spool_block* b = free_;
  if (b != nullptr)
    free_ = b->next;
  else
    b = static_cast<spool_block*>(am_memory(*cx_, sizeof(spool_block)));
  b->next = nullptr;
  blocks_.push_back(b);
  current_ = b;
  used_ = 0;
}

void object_spool::put(const uint8_t* bytes, std::size_t size) {
  while (size > 0) {
    if (used_ == kSpoolBlockSize) next_block();
    std::size_t n = kSpoolBlockSize - used_;
    if (n > size) n = size;
    std::memcpy(current_->data + used_, bytes, n);
    used_ += n;
    bytes += n;
    size -= n;
  }
}

std::vector<uint8_t> object_spool::copy(uint32_t first, uint32_t count) const {
  std::vector<uint8_t> out;
  out.reserve(count);
  read(first, count, [&](const uint8_t* p, std::size_t n) { out.insert(out.end(), p, p + n); });
  return out;
}
