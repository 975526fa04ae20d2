// afe_cfi.h — the CFI directive in the assembler front end: the scanner bound
// to the assembler context, which reads the directive's operands through the
// lexer (defines expanded), reports through error 103 and places rows at the
// current segment's location counter.
#pragma once

#include <string>
#include <vector>

#include "cfi/acfi_scanner.h"

struct asm_context;
struct segment_rec;
struct statement_call;

// Whether a segment may hold call frame information: code, or untyped, and
// neither a stack nor a common segment.
bool segment_can_carry_cfi(const segment_rec* seg);

class AfeACfiScanner final : public ACfiScanner {
 public:
  explicit AfeACfiScanner(asm_context& cx) : cx_(cx) {}

  // The operands of one CFI directive, up to the end of the line (which is
  // left to be read). A GeInternalError becomes the internal-error report.
  void ScanStatement(const statement_call& call);
  // The module's end, reported at the current statement's operation.
  cfi_module_model EndModuleHere();
  // The open blocks and the model so far are forgotten.
  void Forget();

 protected:
  void Report(int column, const std::string& text) override;
  ACfiCodePosition Position() override;
  bool IsFunctionLabel(std::string_view name) override;

 private:
  struct pending_token {
    ACfiToken token;
    uint32_t text_at, key_at;  // offsets into text_ of the text and the key
    uint32_t length;
  };
  void ReadTokens(int after_operation);

  asm_context& cx_;
  statement_rec* record_ = nullptr;  // the directive's statement
  std::vector<pending_token> pending_;
  std::vector<ACfiToken> tokens_;
  std::string text_;
};
