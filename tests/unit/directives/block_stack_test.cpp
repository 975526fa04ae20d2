// block_stack_test.cpp — a block end checked against the innermost open block:
// which error each pairing gives, with the note naming the open block, and
// that the stack is left as it was.
#include <gtest/gtest.h>

#include "diag/diag.h"
#include "driver/block_stack.h"
#include "driver/context.h"
#include "support/capture.h"

namespace {

struct end_case {
  block_type end;
  block_type open;
  int number;  // 0: the end fits
};

// clang-format off
const end_case kEnds[] = {
    {block_type::structured,  block_type::structured,  0},
    {block_type::conditional, block_type::conditional, 0},
    {block_type::macro,       block_type::none,        37},
    {block_type::repeat,      block_type::none,        68},
    {block_type::conditional, block_type::none,        59},
    {block_type::structured,  block_type::none,        82},
    {block_type::structured,  block_type::macro,       78},
    {block_type::structured,  block_type::repeat,      79},
    {block_type::structured,  block_type::conditional, 80},
    {block_type::conditional, block_type::structured,  81},
    {block_type::macro,       block_type::structured,  81},
};
// clang-format on

TEST(BlockStack, EndsAgainstTheInnermostBlock) {
  for (const end_case& c : kEnds) {
    capture_table cap;
    asm_context cx{cap.table};
    if (c.open != block_type::none) push_block(cx, c.open, 12);
    EXPECT_EQ(check_block_end(cx, c.end), c.number == 0) << static_cast<int>(c.end) << " " << static_cast<int>(c.open);
    EXPECT_EQ(cx.driver.module_errors, c.number == 0 ? 0 : 1);
    if (c.number != 0) {
      EXPECT_NE(cap.console.find("Error[" + std::to_string(c.number) + "]"), std::string::npos) << cap.console;
      // The note names the open block, when there is one.
      EXPECT_EQ(cap.console.find("started in line 12\n") != std::string::npos, c.open != block_type::none)
          << cap.console;
    }
    EXPECT_EQ(block_depth(cx), c.open == block_type::none ? 0 : 1);
  }
}

}  // namespace
