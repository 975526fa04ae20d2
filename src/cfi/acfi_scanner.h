// acfi_scanner.h — the language of the CFI directive. The front end cuts the
// operands of one directive into tokens (defines expanded) and hands them to
// the scanner, which checks them against the open block and builds the
// call-frame model; every complaint is one message and leaves the directive
// without effect.
//
// Operand grammar. Keywords are found in any case; names (of blocks,
// resources, CFAs) follow the case rule of user symbols. "[ ]" is optional,
// "{ }" repeats, "|" separates choices.
//
//   Blocks (a directive belongs to the open names or common block; otherwise
//   its first word opens a block or it belongs to an open data block):
//     NAMES name [EXTENDS names]            ENDNAMES name
//     COMMON name USING names               ENDCOMMON name
//     COMMON name EXTENDS common USING names
//     BLOCK name USING common               ENDBLOCK name
//   Names block (FRAMECELL only, and only it, in an extended one):
//     STACKFRAME cfa resource {, cfa resource}      stack frame and its stack pointer
//     STATICOVERLAYFRAME cfa segment {, cfa segment}
//     BASEADDRESS cfa {, cfa}
//     RESOURCE name:size {, name:size}              size 1 to 65535
//     VIRTUALRESOURCE name:size {, name:size}
//     RESOURCEPARTS resource part, part {, part}
//     FRAMECELL name:size cfa offset {, name:size cfa offset}   size 1 to 4
//   Common block:
//     CODEALIGN n                 1 to 256
//     DATAALIGN n                 -256 to 256, not 0
//     RETURNADDRESS resource
//     VALID | INVALID
//     target rule                 the initial rule of a resource or CFA
//   Data block (a directive may name its block first: "(" block ")"):
//     FUNCTION label | NOFUNCTION   before any other data directive
//     PICKER | CONDITIONAL
//     REMEMBERSTATE | RESTORESTATE
//     VALID | INVALID
//     target rule                 the rule from this code offset on
//   Rules:
//     rule    := UNDEFINED | SAMEVALUE | CONCAT | USED | NOTUSED
//              | FRAME ( cfa , offset )          saved at the frame address plus offset
//              | expr
//     expr    := unit { (+ | -) unit }           ADD and SUB
//     unit    := number | + number | - number    literal
//              | - unit                          UMINUS
//              | LITERAL ( [+ | -] number )
//              | resource                        the resource's value
//              | cfa                             the frame address
//              | FRAME ( cfa , offset )          frame address plus offset
//              | LOAD ( size , expr )            size 1 to 4 bytes read at expr
//              | operator ( expr {, expr} )      e.g. ADD(SP,2), IF(c,a,b)
//              | ( expr )
//     offset  := [+ | -] number
//   Operators: UMINUS COMPLEMENT NOT (one operand); ADD SUB MUL DIV MOD XOR AND
//   OR LSHIFT RSHIFTL RSHIFTA EQ NEQ LT LE GT GE (two); IF (three).
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "cfi/acfi_blocks.h"

struct segment_rec;
struct statement_rec;

// One token of a directive's operands.
struct ACfiToken {
  enum Kind : uint8_t { kEnd, kName, kNumber, kPunct, kOther };
  Kind kind = kEnd;
  int column = 0;
  std::string_view text;  // as written
  std::string_view key;   // names: as looked up
  int64_t value = 0;      // numbers; -1 when out of 64-bit range
  int code = 0;           // punctuation: the character
};

// The words of the directive language.
enum class ACfiWord : uint8_t {
  none, NAMES, ENDNAMES, EXTENDS, COMMON, ENDCOMMON, USING, BLOCK, ENDBLOCK, STACKFRAME, STATICOVERLAYFRAME,
  BASEADDRESS, RESOURCE, VIRTUALRESOURCE, RESOURCEPARTS, FRAMECELL, CODEALIGN, DATAALIGN, RETURNADDRESS,
  FUNCTION, NOFUNCTION, PICKER, CONDITIONAL, REMEMBERSTATE, RESTORESTATE, VALID, INVALID, UNDEFINED,
  SAMEVALUE, CONCAT, FRAME, USED, NOTUSED, LITERAL, LOAD,
};

ACfiWord cfi_word(std::string_view text);

inline bool cfi_opens_block(ACfiWord w) {
  return w == ACfiWord::NAMES || w == ACfiWord::COMMON || w == ACfiWord::BLOCK;
}

// Reading position in the tokens of one directive; past the end it stays on
// the end token.
class ACfiCursor {
 public:
  ACfiCursor(const ACfiToken* tokens, std::size_t count) : t_(tokens), n_(count) {}
  const ACfiToken& Peek(std::size_t ahead = 0) const { return i_ + ahead < n_ ? t_[i_ + ahead] : t_[n_]; }
  const ACfiToken& Next() { return i_ < n_ ? t_[i_++] : t_[n_]; }
  bool AtEnd() const { return i_ >= n_; }
  bool IsPunct(int c, std::size_t ahead = 0) const {
    const ACfiToken& t = Peek(ahead);
    return t.kind == ACfiToken::kPunct && t.code == c;
  }
  bool TakePunct(int c) {
    if (!IsPunct(c)) return false;
    ++i_;
    return true;
  }
  ACfiWord PeekWord(std::size_t ahead = 0) const {
    const ACfiToken& t = Peek(ahead);
    return t.kind == ACfiToken::kName ? cfi_word(t.text) : ACfiWord::none;
  }

 private:
  const ACfiToken* t_;  // count tokens and an end token behind them
  std::size_t n_;
  std::size_t i_ = 0;
};

// Where the complaints of the scanner go.
class ACfiErrorStream {
 public:
  virtual ~ACfiErrorStream() = default;
  void Error(int column, const std::string& text) {
    ++errors_;
    Report(column, text);
  }
  long Errors() const { return errors_; }

 protected:
  virtual void Report(int column, const std::string& text) = 0;

 private:
  long errors_ = 0;
};

// The model parts of the module, as the blocks are closed.
class ACfiOutput : public ACfiErrorStream {
 public:
  void AddNames(GeRcRef<const OgCfiNames> names) { model_.names.push_back(std::move(names)); }
  void AddCommon(GeRcRef<const OgCallFrameInfo::Common> common) { model_.commons.push_back(std::move(common)); }
  void AddBlock(std::unique_ptr<OgCallFrameInfo> block) { model_.blocks.push_back(std::move(block)); }
  cfi_module_model TakeModel() { return std::exchange(model_, cfi_module_model{}); }
  const cfi_module_model& Model() const { return model_; }

 private:
  cfi_module_model model_;
};

// What the front end tells about the code a directive stands at.
struct ACfiCodePosition {
  const segment_rec* segment = nullptr;
  const statement_rec* statement = nullptr;  // the directive's own statement
  int64_t location = 0;
  int module = 0;
  bool can_carry_cfi = false;  // the segment may hold call frame information
};

class ACfiScanner;

// The directives of an open names block.
class ACfiNamesScanner {
 public:
  explicit ACfiNamesScanner(ACfiScanner& scanner) : s_(scanner) {}
  // One directive; true when it closed the block.
  bool Scan(ACfiNamesBlock& block, ACfiCursor& c);

 private:
  struct Table;

  bool NameIsFree(ACfiNamesBlock& block, const ACfiToken& t, std::size_t pending);
  static const ACfiToken* FirstRepeat(const std::vector<const ACfiToken*>& line);
  bool NoRepeat(const std::vector<const ACfiToken*>& line, const char* text, bool with_name);
  bool ReadCfas(ACfiNamesBlock& block, ACfiCursor& c, OgCfiCfaKind kind, std::vector<OgCfiNames::Cfa>& out);
  const ACfiToken* ReadResource(ACfiNamesBlock& block, ACfiCursor& c, uint32_t& out);
  void StackFrames(ACfiNamesBlock& block, ACfiCursor& c);
  void StaticOverlayFrames(ACfiNamesBlock& block, ACfiCursor& c);
  void BaseAddresses(ACfiNamesBlock& block, ACfiCursor& c);
  void PlainResources(ACfiNamesBlock& block, ACfiCursor& c);
  void VirtualResources(ACfiNamesBlock& block, ACfiCursor& c);
  void Resources(ACfiNamesBlock& block, ACfiCursor& c, bool is_virtual);
  void ResourceParts(ACfiNamesBlock& block, ACfiCursor& c);
  void FrameCells(ACfiNamesBlock& block, ACfiCursor& c);

  ACfiScanner& s_;
};

// The scanner of one module's CFI directives.
class ACfiScanner : public ACfiOutput {
 public:
  ACfiScanner();
  ~ACfiScanner() override;

  // One directive's tokens; tokens[count] is the end token.
  void Scan(const ACfiToken* tokens, std::size_t count);
  // The module ends: each block still open is reported at `column` and
  // dropped. Returns the module's model; the scanner starts afresh.
  cfi_module_model EndModule(int column);
  // Drops the open blocks and the module's names, common and data blocks
  // without a word (the blocks left open at an earlier module's end are kept).
  void ResetModule();

  // ---- shared with ACfiNamesScanner ----
  // A name token; reports "Expected a name" otherwise.
  const ACfiToken* ExpectName(ACfiCursor& c);
  // A number with an optional sign in [lo, hi]; reports `missing_text` when
  // there is no number, `range_text` when it lies outside.
  bool ExpectNumber(ACfiCursor& c, int64_t lo, int64_t hi, const char* missing_text, const char* range_text,
                    int64_t& out);
  // The ":size" of "name:size", 1 to `hi`; `low_text` for a size below 1.
  bool ExpectSize(ACfiCursor& c, int64_t hi, const char* low_text, const char* range_text, int64_t& out);
  bool ExpectPunct(ACfiCursor& c, int ch);
  // Nothing may follow the directive.
  bool ExpectEnd(ACfiCursor& c);
  // A new resource or CFA name must not be a word of the directive language.
  bool NotReserved(const ACfiToken& t);

 protected:
  // The front end's part.
  virtual ACfiCodePosition Position() = 0;
  virtual bool IsFunctionLabel(std::string_view name) = 0;

 private:
  struct Resolved;  // a name found in a names table

  // Blocks.
  void OpenNames(ACfiCursor& c);
  void OpenCommon(ACfiCursor& c);
  void OpenData(ACfiCursor& c);
  void CloseData(ACfiCursor& c);
  void ScanCommon(ACfiCursor& c);
  void CloseCommon(ACfiCursor& c);
  void CommonAlignment(ACfiCursor& c, bool code);
  void CommonReturnAddress(ACfiCursor& c);
  void CommonRule(ACfiCursor& c);
  void ScanData(ACfiCursor& c);
  ACfiDataBlock* SelectData(ACfiCursor& c);
  void DataRule(ACfiDataBlock& b, ACfiCursor& c, const ACfiCodePosition& at);
  bool CheckCommonConsistency(ACfiCommonBlock& b, int column);

  // Rules (acfi_rules.cpp).
  bool ResolveTarget(const OgCfiNames& names, const ACfiToken& t, OgCfiTarget& out);
  bool ParseRule(ACfiCursor& c, const OgCfiNames& names, OgCfiRule& out);
  bool ParseFrame(ACfiCursor& c, const OgCfiNames& names, uint32_t& cfa, int32_t& offset);
  OgLocationRef ParseExpr(ACfiCursor& c, const OgCfiNames& names, int depth);
  OgLocationRef ParseUnit(ACfiCursor& c, const OgCfiNames& names, int depth);
  OgLocationRef ParseCall(ACfiCursor& c, const OgCfiNames& names, int depth);
  OgLocationRef TooDeep(const ACfiToken& at);
  bool CheckRule(const OgCfiNames& names, const OgCfiTarget& target, const OgCfiRule& rule, int data_align,
                 int column);
  bool CheckDataAligned(int64_t offset, int data_align, int column);
  bool CheckRowConflict(ACfiDataBlock& b, const OgCfiTarget& target, const OgCfiRule& rule, uint32_t generation,
                        int column);
  std::string TargetName(const OgCfiNames& names, const OgCfiTarget& t) const;

  ACfiNamesScanner names_scanner_;
  std::unique_ptr<ACfiNamesBlock> open_names_;
  std::unique_ptr<ACfiCommonBlock> open_common_;
  std::vector<std::unique_ptr<ACfiDataBlock>> open_data_;
  std::map<std::string, GeRcRef<const OgCfiNames>, std::less<>> names_;
  std::map<std::string, GeRcRef<const OgCallFrameInfo::Common>, std::less<>> commons_;
  std::set<std::string, std::less<>> data_names_;  // every data block begun in the module
  // Data blocks left open when an earlier module ended: a later ENDBLOCK of
  // one of them names the fault.
  std::set<std::string, std::less<>> left_open_;
  uint32_t data_sequence_ = 0;
};
