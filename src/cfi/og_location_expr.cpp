// og_location_expr.cpp — the operator table lookups and the visitor hooks of
// the location expressions.
#include "cfi/og_location_expr.h"

#include "cfi/cfi_text.h"

const OgCfiOperator* find_cfi_operator(std::string_view name) {
  for (const OgCfiOperator& op : kCfiOperators)
    if (cfi_same_word(name, op.name)) return &op;
  return nullptr;
}

const OgCfiOperator* cfi_operator_by_code(uint8_t operands, uint8_t code) {
  for (const OgCfiOperator& op : kCfiOperators)
    if (op.operands == operands && op.code == code) return &op;
  return nullptr;
}

namespace {

int deepest(int a, int b, int c) {
  const int ab = a > b ? a : b;
  return ab > c ? ab : c;
}

}  // namespace

OgLocationTrinaryOp::OgLocationTrinaryOp(const OgCfiOperator& op, OgLocationRef a, OgLocationRef b,
                                         OgLocationRef c)
    : OgLocationExpr(deepest(a->Depth(), b->Depth(), c->Depth()) + 1), op_(&op), a_(a), b_(b), c_(c) {}

void OgLocationRegister::Accept(OgLocationExprVisitor& v) const { v.Visit(*this); }
void OgLocationLiteral::Accept(OgLocationExprVisitor& v) const { v.Visit(*this); }
void OgLocationFrameAddress::Accept(OgLocationExprVisitor& v) const { v.Visit(*this); }
void OgLocationUnaryOp::Accept(OgLocationExprVisitor& v) const { v.Visit(*this); }
void OgLocationBinaryOp::Accept(OgLocationExprVisitor& v) const { v.Visit(*this); }
void OgLocationTrinaryOp::Accept(OgLocationExprVisitor& v) const { v.Visit(*this); }
void OgLocationLoad::Accept(OgLocationExprVisitor& v) const { v.Visit(*this); }
