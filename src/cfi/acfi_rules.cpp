// acfi_rules.cpp — rules and location expressions of the CFI directive: the
// target of a rule line, the rule itself with its expression tree, and the
// checks of a rule against its target, the data alignment and the other
// rules of the same row.
#include <cstdint>
#include <vector>

#include "cfi/acfi_messages.h"
#include "cfi/acfi_scanner.h"

static_assert(kMaxLocationExprDepth == 256, "the nesting message names the limit");

namespace {

const OgCfiOperator& op_named(const char* name) { return *find_cfi_operator(name); }

}  // namespace

std::string ACfiScanner::TargetName(const OgCfiNames& names, const OgCfiTarget& t) const {
  return t.cfa ? names.CfaAt(t.index).name : names.ResourceAt(t.index).name;
}

bool ACfiScanner::ResolveTarget(const OgCfiNames& names, const ACfiToken& t, OgCfiTarget& out) {
  if (t.kind != ACfiToken::kName) {
    Error(t.column, cfi_msg::kExpectedName);
    return false;
  }
  const int64_t r = names.FindResource(t.key);
  if (r >= 0) {
    out = OgCfiTarget{false, static_cast<uint32_t>(r)};
    return true;
  }
  const int64_t f = names.FindCfa(t.key);
  if (f >= 0) {
    out = OgCfiTarget{true, static_cast<uint32_t>(f)};
    return true;
  }
  Error(t.column, std::string(cfi_msg::kUnknownName).append(t.text));
  return false;
}

bool ACfiScanner::ParseRule(ACfiCursor& c, const OgCfiNames& names, OgCfiRule& out) {
  switch (c.PeekWord()) {
    case ACfiWord::UNDEFINED: out.kind = OgCfiRuleKind::undefined; break;
    case ACfiWord::SAMEVALUE: out.kind = OgCfiRuleKind::same_value; break;
    case ACfiWord::CONCAT: out.kind = OgCfiRuleKind::concat; break;
    case ACfiWord::USED: out.kind = OgCfiRuleKind::used; break;
    case ACfiWord::NOTUSED: out.kind = OgCfiRuleKind::not_used; break;
    case ACfiWord::FRAME:
      c.Next();
      out.kind = OgCfiRuleKind::frame;
      return ParseFrame(c, names, out.cfa, out.offset);
    default:
      out.kind = OgCfiRuleKind::expression;
      out.expr = ParseExpr(c, names, 1);
      return static_cast<bool>(out.expr);
  }
  c.Next();
  return true;
}

// "(" cfa "," offset ")", the FRAME word read.
bool ACfiScanner::ParseFrame(ACfiCursor& c, const OgCfiNames& names, uint32_t& cfa, int32_t& offset) {
  if (!ExpectPunct(c, '(')) return false;
  const ACfiToken* name = ExpectName(c);
  if (name == nullptr) return false;
  const int64_t f = names.FindCfa(name->key);
  if (f < 0) {
    if (names.FindResource(name->key) >= 0)
      Error(name->column, cfi_msg::kExpectedCfa);
    else
      Error(name->column, std::string(cfi_msg::kUnknownName).append(name->text));
    return false;
  }
  int64_t v = 0;
  if (!ExpectPunct(c, ',') || !ExpectNumber(c, INT32_MIN, INT32_MAX, cfi_msg::kExpectedNumber, cfi_msg::kOutOfRange, v) ||
      !ExpectPunct(c, ')'))
    return false;
  cfa = static_cast<uint32_t>(f);
  offset = static_cast<int32_t>(v);
  return true;
}

OgLocationRef ACfiScanner::TooDeep(const ACfiToken& at) {
  Error(at.column, cfi_msg::kTooDeep);
  return {};
}

// unit { ("+" | "-") unit }
OgLocationRef ACfiScanner::ParseExpr(ACfiCursor& c, const OgCfiNames& names, int depth) {
  OgLocationRef left = ParseUnit(c, names, depth);
  while (left && (c.IsPunct('+') || c.IsPunct('-'))) {
    const ACfiToken& op = c.Next();
    OgLocationRef right = ParseUnit(c, names, depth);
    if (!right) return {};
    left = OgLocationRef(new OgLocationBinaryOp(op_named(op.code == '+' ? "ADD" : "SUB"), left, right));
    if (left->Depth() > kMaxLocationExprDepth) return TooDeep(op);
  }
  return left;
}

OgLocationRef ACfiScanner::ParseUnit(ACfiCursor& c, const OgCfiNames& names, int depth) {
  const ACfiToken& t = c.Peek();
  if (depth > kMaxLocationExprDepth) return TooDeep(t);
  if ((c.IsPunct('-') || c.IsPunct('+')) && c.Peek(1).kind == ACfiToken::kNumber) {
    int64_t v = 0;
    if (!ExpectNumber(c, INT64_MIN + 1, INT64_MAX, cfi_msg::kExpectedNumber, cfi_msg::kOutOfRange, v)) return {};
    return OgLocationRef(new OgLocationLiteral(v));
  }
  if (c.TakePunct('+')) return ParseUnit(c, names, depth + 1);
  if (c.TakePunct('-')) {
    OgLocationRef a = ParseUnit(c, names, depth + 1);
    if (!a) return {};
    return OgLocationRef(new OgLocationUnaryOp(op_named("UMINUS"), a));
  }
  if (t.kind == ACfiToken::kNumber) {
    int64_t v = 0;
    if (!ExpectNumber(c, 0, INT64_MAX, cfi_msg::kExpectedNumber, cfi_msg::kOutOfRange, v)) return {};
    return OgLocationRef(new OgLocationLiteral(v));
  }
  if (c.TakePunct('(')) {
    OgLocationRef e = ParseExpr(c, names, depth + 1);
    if (!e || !ExpectPunct(c, ')')) return {};
    return e;
  }
  if (t.kind != ACfiToken::kName) {
    Error(t.column, cfi_msg::kExpectedExpression);
    return {};
  }
  const ACfiWord w = cfi_word(t.text);
  const bool call = w == ACfiWord::LITERAL || w == ACfiWord::FRAME || w == ACfiWord::LOAD ||
                    find_cfi_operator(t.text) != nullptr || c.IsPunct('(', 1);
  if (call) return ParseCall(c, names, depth);
  c.Next();
  const int64_t r = names.FindResource(t.key);
  if (r >= 0) return OgLocationRef(new OgLocationRegister(static_cast<uint32_t>(r)));
  const int64_t f = names.FindCfa(t.key);
  if (f >= 0) return OgLocationRef(new OgLocationFrameAddress(static_cast<uint32_t>(f), 0));
  Error(t.column, std::string(cfi_msg::kUnknownName).append(t.text));
  return {};
}

// LITERAL(n), FRAME(cfa, offset), LOAD(size, expr) or operator(expr, ...).
OgLocationRef ACfiScanner::ParseCall(ACfiCursor& c, const OgCfiNames& names, int depth) {
  const ACfiToken& t = c.Next();
  const ACfiWord w = cfi_word(t.text);
  const OgCfiOperator* op = find_cfi_operator(t.text);
  if (w == ACfiWord::FRAME) {
    uint32_t cfa = 0;
    int32_t offset = 0;
    if (!ParseFrame(c, names, cfa, offset)) return {};
    return OgLocationRef(new OgLocationFrameAddress(cfa, offset));
  }
  if (!ExpectPunct(c, '(')) return {};
  if (w == ACfiWord::LITERAL) {
    int64_t v = 0;
    if (!ExpectNumber(c, INT64_MIN + 1, INT64_MAX, cfi_msg::kExpectedNumber, cfi_msg::kOutOfRange, v) ||
        !ExpectPunct(c, ')'))
      return {};
    return OgLocationRef(new OgLocationLiteral(v));
  }
  if (w == ACfiWord::LOAD) {
    int64_t size = 0;
    if (!ExpectNumber(c, 1, 4, cfi_msg::kLoadSize, cfi_msg::kLoadSize, size) || !ExpectPunct(c, ',')) return {};
    OgLocationRef address = ParseExpr(c, names, depth + 1);
    if (!address || !ExpectPunct(c, ')')) return {};
    return OgLocationRef(new OgLocationLoad(static_cast<uint8_t>(size), address));
  }
  if (op == nullptr) {
    Error(t.column, cfi_msg::kUnknownOperator);
    return {};
  }
  OgLocationRef args[3];
  int count = 0;
  if (!c.IsPunct(')')) {
    do {
      OgLocationRef a = ParseExpr(c, names, depth + 1);
      if (!a) return {};
      if (count < 3) args[count] = a;
      ++count;
    } while (c.TakePunct(','));
  }
  if (!ExpectPunct(c, ')')) return {};
  if (count != op->operands) {
    Error(t.column, cfi_msg::kOperandCount);
    return {};
  }
  OgLocationRef e;
  if (count == 1) e = OgLocationRef(new OgLocationUnaryOp(*op, args[0]));
  if (count == 2) e = OgLocationRef(new OgLocationBinaryOp(*op, args[0], args[1]));
  if (count == 3) e = OgLocationRef(new OgLocationTrinaryOp(*op, args[0], args[1], args[2]));
  if (e->Depth() > kMaxLocationExprDepth) return TooDeep(t);
  return e;
}

bool ACfiScanner::CheckDataAligned(int64_t offset, int data_align, int column) {
  // 64-bit arithmetic: an offset of -2^31 with an alignment of -1 divides cleanly.
  const int64_t a = data_align;
  if (offset % a != 0) {
    Error(column, cfi_msg::kNotDataAligned);
    return false;
  }
  if (offset / a < 0) {
    Error(column, cfi_msg::kWrongSign);
    return false;
  }
  return true;
}

bool ACfiScanner::CheckRule(const OgCfiNames& names, const OgCfiTarget& target, const OgCfiRule& rule,
                            int data_align, int column) {
  const bool used = rule.kind == OgCfiRuleKind::used || rule.kind == OgCfiRuleKind::not_used;
  if (target.cfa) {
    if (names.CfaAt(target.index).kind == OgCfiCfaKind::static_overlay) {
      if (used) return true;
      Error(column, cfi_msg::kStaticRule);
      return false;
    }
    const char* fault = rule.kind == OgCfiRuleKind::frame ? cfi_msg::kFrameForCfa
                        : used                            ? cfi_msg::kUsedNotStatic
                        : rule.kind == OgCfiRuleKind::same_value || rule.kind == OgCfiRuleKind::concat
                            ? cfi_msg::kCfaRule
                            : nullptr;
    if (fault == nullptr) return true;
    Error(column, fault);
    return false;
  }
  if (used) {
    Error(column, cfi_msg::kUsedNotStatic);
    return false;
  }
  if (rule.kind == OgCfiRuleKind::concat && names.ResourceAt(target.index).parts.empty()) {
    Error(column, std::string(cfi_msg::kConcatOn).append(names.ResourceAt(target.index).name).append(cfi_msg::kConcatNoParts));
    return false;
  }
  if (rule.kind == OgCfiRuleKind::frame) return CheckDataAligned(rule.offset, data_align, column);
  return true;
}

// Within one row a resource gets one rule, and a resource and its parts do
// not contradict each other: a part may be set beside its resource only when
// the resource is CONCAT, and a resource set to another rule leaves its parts
// undefined.
bool ACfiScanner::CheckRowConflict(ACfiDataBlock& b, const OgCfiTarget& target, const OgCfiRule& rule,
                                   uint32_t generation, int column) {
  const OgCfiNames& names = b.CommonPart().Names();
  if (b.Row().At(target).stamp == generation) {
    Error(column, TargetName(names, target).append(cfi_msg::kAlreadyInserted));
    return false;
  }
  if (target.cfa) return true;
  bool conflict = false;
  if (rule.kind != OgCfiRuleKind::undefined) {
    for (int64_t p = names.ResourceAt(target.index).parent; p >= 0 && !conflict;
         p = names.ResourceAt(static_cast<uint32_t>(p)).parent) {
      const ACfiSlot& s = b.Row().Resource(static_cast<uint32_t>(p));
      conflict = s.stamp == generation && s.rule.kind != OgCfiRuleKind::concat;
    }
  }
  if (rule.kind != OgCfiRuleKind::concat && !names.ResourceAt(target.index).parts.empty()) {
    std::vector<uint32_t> todo(1, target.index);
    while (!todo.empty() && !conflict) {
      const uint32_t r = todo.back();
      todo.pop_back();
      for (uint32_t part : names.ResourceAt(r).parts) {
        const ACfiSlot& s = b.Row().Resource(part);
        if (s.stamp == generation && s.rule.kind != OgCfiRuleKind::undefined) conflict = true;
        todo.push_back(part);
      }
    }
  }
  if (!conflict) return true;
  Error(column, std::string(cfi_msg::kRuleFor).append(TargetName(names, target)).append(cfi_msg::kAssociated));
  return false;
}
