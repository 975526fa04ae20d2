// og_location_expr.h — location expressions of the call-frame model: the
// value of a resource or a frame address as a tree of registers, literals,
// frame addresses, loads and operators, shared by reference count and walked
// by visitors (the record writer, the checks).
#pragma once

#include <cstdint>
#include <string_view>

#include "cfi/ge_support.h"

// One operator of the expression language. The operand count selects the
// node class; the code is written into the object as it stands here.
struct OgCfiOperator {
  const char* name;
  uint8_t operands;
  uint8_t code;
};

// clang-format off
inline constexpr OgCfiOperator kCfiOperators[] = {
    // name          operands  code
    {"UMINUS",       1,        1},   // -a
    {"COMPLEMENT",   1,        2},   // ~a
    {"NOT",          1,        3},   // !a
    {"ADD",          2,        1},   // a + b
    {"SUB",          2,        2},   // a - b
    {"MUL",          2,        3},   // a * b
    {"DIV",          2,        4},   // a / b
    {"MOD",          2,        5},   // a % b
    {"XOR",          2,        6},   // a ^ b
    {"AND",          2,        7},   // a & b
    {"OR",           2,        8},   // a | b
    {"LSHIFT",       2,        9},   // a << b
    {"RSHIFTL",      2,        10},  // a >> b, zeros shifted in
    {"RSHIFTA",      2,        11},  // a >> b, sign shifted in
    {"EQ",           2,        12},  // a == b
    {"NEQ",          2,        13},  // a != b
    {"LT",           2,        14},  // a < b
    {"LE",           2,        15},  // a <= b
    {"GT",           2,        16},  // a > b
    {"GE",           2,        17},  // a >= b
    {"IF",           3,        1},   // a ? b : c
};
// clang-format on

// The operator of this name in any case, or null.
const OgCfiOperator* find_cfi_operator(std::string_view name);
// The operator with this operand count and code, or null.
const OgCfiOperator* cfi_operator_by_code(uint8_t operands, uint8_t code);

// Deepest expression tree accepted: deeper ones are refused by the scanner
// and by the record reader, so that no walk runs out of stack.
constexpr int kMaxLocationExprDepth = 256;

class OgLocationExprVisitor;

class OgLocationExpr : public GeRcObjectShare {
 public:
  virtual void Accept(OgLocationExprVisitor& v) const = 0;
  // Nodes on the longest path from here to a leaf, the node included.
  int Depth() const { return depth_; }

 protected:
  explicit OgLocationExpr(int depth) : depth_(depth) {}

 private:
  int depth_;
};

using OgLocationRef = GeRcRef<const OgLocationExpr>;

// The value of a resource (its index in the names of the common block).
class OgLocationRegister final : public OgLocationExpr {
 public:
  explicit OgLocationRegister(uint32_t resource) : OgLocationExpr(1), resource_(resource) {}
  void Accept(OgLocationExprVisitor& v) const override;
  uint32_t Resource() const { return resource_; }

 private:
  uint32_t resource_;
};

class OgLocationLiteral final : public OgLocationExpr {
 public:
  explicit OgLocationLiteral(int64_t value) : OgLocationExpr(1), value_(value) {}
  void Accept(OgLocationExprVisitor& v) const override;
  int64_t Value() const { return value_; }

 private:
  int64_t value_;
};

// The address of a frame (a CFA) plus an offset.
class OgLocationFrameAddress final : public OgLocationExpr {
 public:
  OgLocationFrameAddress(uint32_t cfa, int32_t offset) : OgLocationExpr(1), cfa_(cfa), offset_(offset) {}
  void Accept(OgLocationExprVisitor& v) const override;
  uint32_t Cfa() const { return cfa_; }
  int32_t Offset() const { return offset_; }

 private:
  uint32_t cfa_;
  int32_t offset_;
};

class OgLocationUnaryOp final : public OgLocationExpr {
 public:
  OgLocationUnaryOp(const OgCfiOperator& op, OgLocationRef a)
      : OgLocationExpr(a->Depth() + 1), op_(&op), a_(static_cast<OgLocationRef&&>(a)) {}
  void Accept(OgLocationExprVisitor& v) const override;
  const OgCfiOperator& Op() const { return *op_; }
  const OgLocationExpr& A() const { return *a_; }

 private:
  const OgCfiOperator* op_;
  OgLocationRef a_;
};

class OgLocationBinaryOp final : public OgLocationExpr {
 public:
  OgLocationBinaryOp(const OgCfiOperator& op, OgLocationRef a, OgLocationRef b)
      : OgLocationExpr((a->Depth() > b->Depth() ? a->Depth() : b->Depth()) + 1), op_(&op), a_(a), b_(b) {}
  void Accept(OgLocationExprVisitor& v) const override;
  const OgCfiOperator& Op() const { return *op_; }
  const OgLocationExpr& A() const { return *a_; }
  const OgLocationExpr& B() const { return *b_; }

 private:
  const OgCfiOperator* op_;
  OgLocationRef a_, b_;
};

class OgLocationTrinaryOp final : public OgLocationExpr {
 public:
  OgLocationTrinaryOp(const OgCfiOperator& op, OgLocationRef a, OgLocationRef b, OgLocationRef c);
  void Accept(OgLocationExprVisitor& v) const override;
  const OgCfiOperator& Op() const { return *op_; }
  const OgLocationExpr& A() const { return *a_; }
  const OgLocationExpr& B() const { return *b_; }
  const OgLocationExpr& C() const { return *c_; }

 private:
  const OgCfiOperator* op_;
  OgLocationRef a_, b_, c_;
};

// The `size` bytes (1 to 4) read from memory at the address `address` gives.
class OgLocationLoad final : public OgLocationExpr {
 public:
  OgLocationLoad(uint8_t size, OgLocationRef address)
      : OgLocationExpr(address->Depth() + 1), size_(size), address_(static_cast<OgLocationRef&&>(address)) {}
  void Accept(OgLocationExprVisitor& v) const override;
  uint8_t Size() const { return size_; }
  const OgLocationExpr& Address() const { return *address_; }

 private:
  uint8_t size_;
  OgLocationRef address_;
};

class OgLocationExprVisitor {
 public:
  virtual ~OgLocationExprVisitor() = default;
  virtual void Visit(const OgLocationRegister& e) = 0;
  virtual void Visit(const OgLocationLiteral& e) = 0;
  virtual void Visit(const OgLocationFrameAddress& e) = 0;
  virtual void Visit(const OgLocationUnaryOp& e) = 0;
  virtual void Visit(const OgLocationBinaryOp& e) = 0;
  virtual void Visit(const OgLocationTrinaryOp& e) = 0;
  virtual void Visit(const OgLocationLoad& e) = 0;
};
