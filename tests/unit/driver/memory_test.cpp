// memory_test.cpp — the pool allocator: block choice, fill, counter, out of memory.
#include <gtest/gtest.h>

#include <cstdint>

#include "driver/context.h"
#include "driver/memory.h"
#include "driver/stops.h"
#include "support/capture.h"

TEST(Memory, PoolAndOwnBlocksAreCountedBySize) {
  capture_table cap;
  asm_context cx(cap.table);
  am_memory(cx, 20480);  // fits a pool block exactly
  EXPECT_EQ(cx.mem.bytes_taken, 20480);
  am_memory(cx, 20481);  // an own block, rounded to the arena alignment
  const long own = (20481 + kArenaAlign - 1) / kArenaAlign * kArenaAlign;
  EXPECT_EQ(cx.mem.bytes_taken, 20480 + own);
  am_memory(cx, 10);     // the full pool block is abandoned for a new one
  EXPECT_EQ(cx.mem.bytes_taken, 20480 + own + 20480);
}

TEST(Memory, RequestsAreRoundedAlignedAndFilled) {
  capture_table cap;
  asm_context cx(cap.table);
  auto* a = static_cast<unsigned char*>(am_memory(cx, 1));
  auto* b = static_cast<unsigned char*>(am_memory(cx, 5));
  auto* c = static_cast<unsigned char*>(am_memory(cx, 8));
  EXPECT_EQ(b - a, static_cast<long>(kArenaAlign));
  EXPECT_EQ(c - b, static_cast<long>(kArenaAlign));
  EXPECT_EQ(reinterpret_cast<uintptr_t>(c) % alignof(void*), 0u);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(c[i], 0xFF);
  auto* big = static_cast<unsigned char*>(am_memory(cx, 30000));
  EXPECT_EQ(big[0], 0xFF);
  EXPECT_EQ(big[29999], 0xFF);
}

TEST(Memory, NewPoolBlockWhenRestIsTooSmall) {
  capture_table cap;
  asm_context cx(cap.table);
  am_memory(cx, 20000);
  am_memory(cx, 472);  // 20472 < 20480: same block
  EXPECT_EQ(cx.mem.bytes_taken, 20480);
  am_memory(cx, 8);    // 20480 reached: new block
  EXPECT_EQ(cx.mem.bytes_taken, 40960);
}

TEST(Memory, OneRetryThenOutOfMemoryStop) {
  capture_table cap;
  asm_context cx(cap.table);
  cap.allocations_to_fail = 1;  // the retry succeeds
  EXPECT_NE(am_memory(cx, 8), nullptr);
  cap.allocations_to_fail = 2;
  try {
    am_memory(cx, 30000);
    FAIL() << "no stop";
  } catch (const run_stop& stop) {
    EXPECT_EQ(stop.exit_code, 3);
  }
  EXPECT_EQ(cap.console,
            "\n            * * *   A S S E M B L E R   O U T   O F   M E M O R Y   * * *\n"
            "\n                    Dynamic memory used: 20480 bytes\n");
}
