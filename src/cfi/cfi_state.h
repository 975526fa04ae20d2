// cfi_state.h — the CFI directive's part of the assembler context: the
// scanner of the module being read and the call-frame model of the module
// that ended last, which the object writer turns into the CFI record.
#pragma once

#include <memory>

struct asm_context;
struct cfi_module_model;
class AfeACfiScanner;

struct cfi_state {
  std::unique_ptr<AfeACfiScanner> scanner;     // made by the first CFI directive of the run
  std::unique_ptr<cfi_module_model> finished;  // set by cfi_end_module

  cfi_state();
  ~cfi_state();
  cfi_state(const cfi_state&) = delete;
  cfi_state& operator=(const cfi_state&) = delete;
};

// Registers the CFI directive.
void register_cfi_directives(asm_context& cx);

// The module ends (ENDMOD, END): every CFI block still open is reported with
// error 103 at the current statement and dropped; the module's model is kept
// in cx.cfi.finished for the object writer.
void cfi_end_module(asm_context& cx);

// Forgets the kept model and any block of an unfinished module, silently:
// for the start of a module, after the writer took the previous one.
void cfi_reset_module(asm_context& cx);
