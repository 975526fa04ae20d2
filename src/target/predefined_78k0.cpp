// predefined_78k0.cpp — the 78K0 target's predefined preprocessor symbols (B00):
// the core symbols a shared header compares __CORE__ with, and the version.
#include "target/target.h"

#include <cstdio>

#include "driver/context.h"
#include "source/preprocessor.h"

namespace {

struct target_define_row {
  const char* name;
  const char* value;  // null: the selected core's number
};

// Defined in this order, after the built-in symbols and before -D.
constexpr target_define_row kTargetDefines[] = {
    {"__QASM__", "1"},
    {"__78K0_BASIC__", "0"},
    {"__78K0__", "1"},
    {"__78K0S__", "2"},
    {"__78K0R__", "3"},
    {"__CORE__", nullptr},
    {"__SUBVERSION__", "5"},
    {"__VER__", "4*100+ 6*10+ 2"},
};

// Processor option of -v (0 78K0 without DIV/MUL, 1 78K0, 2 78K0S) -> core.
constexpr int kCoreOfOption[] = {0, 1, 2};
constexpr long kProcessorBase = 480;

int processor_number(const asm_context& cx) {
  const int option = cx.driver.opt.processor_option;
  return option >= 0 && option < static_cast<int>(sizeof kCoreOfOption / sizeof kCoreOfOption[0]) ? option : 0;
}

}  // namespace

int target_core_number(const asm_context& cx) { return kCoreOfOption[processor_number(cx)]; }

long target_identifier(const asm_context& cx) {
  return (processor_number(cx) + kProcessorBase) * 16 + target_core_number(cx);
}

void define_target_symbols(asm_context& cx) {
  for (const target_define_row& row : kTargetDefines) {
    char core[16];
    const char* value = row.value;
    if (value == nullptr) {
      std::snprintf(core, sizeof core, "%d", target_core_number(cx));
      value = core;
    }
    define_from_text(cx, row.name, value);
  }
}
