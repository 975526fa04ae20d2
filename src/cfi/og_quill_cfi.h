// og_quill_cfi.h — the call-frame model in QUILL form: the body of the CFI
// record (layout in cfi_record.h), written from a module's model with the
// final code offsets of the statements the rows stand at.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "cfi/og_call_frame_info.h"

// The QUILL primitives the record uses: u16 and u32 big-endian, str8.
class OgQuillSink {
 public:
  explicit OgQuillSink(std::vector<uint8_t>& out) : out_(out) {}
  void Byte(uint32_t v) { out_.push_back(static_cast<uint8_t>(v)); }
  void U16(uint32_t v) {
    Byte(v >> 8);
    Byte(v);
  }
  void U32(uint32_t v) {
    U16(v >> 16);
    U16(v);
  }
  void Str8(std::string_view s);

 private:
  std::vector<uint8_t>& out_;
};

// Location expressions, first encoding: prefix order, one node byte each.
class OgQuillLocationExpr1 {
 public:
  // clang-format off
  enum Node : uint8_t {
    kRegister     = 1,  // u16 resource
    kLiteral      = 2,  // u32 high half, u32 low half (64-bit two's complement)
    kFrameAddress = 3,  // u16 CFA, u32 offset
    kUnary        = 4,  // byte operator code, operand
    kBinary       = 5,  // byte operator code, two operands
    kTrinary      = 6,  // byte operator code, three operands
    kLoad         = 7,  // byte size, address
  };
  // clang-format on

  class Writer final : public OgLocationExprVisitor {
   public:
    explicit Writer(OgQuillSink& sink) : sink_(sink) {}
    void Write(const OgLocationExpr& e) { e.Accept(*this); }
    void Visit(const OgLocationRegister& e) override;
    void Visit(const OgLocationLiteral& e) override;
    void Visit(const OgLocationFrameAddress& e) override;
    void Visit(const OgLocationUnaryOp& e) override;
    void Visit(const OgLocationBinaryOp& e) override;
    void Visit(const OgLocationTrinaryOp& e) override;
    void Visit(const OgLocationLoad& e) override;

   private:
    OgQuillSink& sink_;
  };
};

// The CFI record body of one module.
class OgQuillCfiInstructions {
 public:
  static constexpr uint8_t kVersion = 1;

  explicit OgQuillCfiInstructions(OgQuillSink& sink) : sink_(sink) {}
  void Write(const cfi_module_model& model);

  // The final code offset of a row or block bound: its statement's location.
  static int64_t FinalOffset(const statement_rec* at, int64_t fallback);
  // The data blocks in record order: by segment, then start offset.
  static std::vector<const OgCallFrameInfo*> BlocksInOrder(const cfi_module_model& model);

 private:
  void WriteNames(const OgCfiNames& names, uint32_t base);
  void WriteCommon(const OgCallFrameInfo::Common& common, uint32_t names, uint32_t original);
  void WriteBlock(const OgCallFrameInfo& block, uint32_t common);
  void WriteTarget(const OgCfiTarget& t);
  void WriteRule(const OgCfiRule& r);

  OgQuillSink& sink_;
};
