// cfi_record.cpp — the CFI record of a module (the code-alignment check with
// the final offsets, the body, tag and length) and the reader that prints a
// record body for the object dumper.
#include "cfi/cfi_record.h"

#include <cinttypes>
#include <cstdio>

#include "cfi/acfi_messages.h"
#include "cfi/og_quill_cfi.h"
#include "diag/diag.h"
#include "driver/context.h"
#include "driver/statement.h"
#include "driver/stops.h"

namespace {

// Each row of a data block lies a multiple of the code alignment past the block's start.
void check_code_alignment(asm_context& cx, const cfi_module_model& model) {
  for (const auto& block : model.blocks) {
    const int64_t align = block->CommonPart().CodeAlign();
    const int64_t start = OgQuillCfiInstructions::FinalOffset(block->Begin(), 0);
    for (const OgCfiRowData& row : block->Rows()) {
      const int64_t offset = OgQuillCfiInstructions::FinalOffset(row.at, row.offset);
      if ((offset - start) % align == 0 || row.at == nullptr) continue;
      const std::string text = std::string(cfi_msg::kNotCodeAligned) + block->Name() + ", offset " +
                               std::to_string(offset) + ")";
      user_error_pass2(cx, AVM_RECORD, const_cast<statement_rec*>(row.at), gen_err::cfi_error, OPERAND_1,
                       text.c_str());
    }
  }
}

}  // namespace

std::vector<uint8_t> cfi_record_of(asm_context& cx, const cfi_module_model& model) {
  std::vector<uint8_t> out;
  if (model.empty()) return out;
  try {
    check_code_alignment(cx, model);
    OgQuillSink sink(out);
    sink.Byte(kCfiRecordTag);
    sink.U32(0);  // the length, filled in below
    OgQuillCfiInstructions(sink).Write(model);
  } catch (const GeInternalError& e) {
    internal_error(cx, e.Where(), e.Text().c_str());
    return {};
  }
  const uint32_t length = static_cast<uint32_t>(out.size() - 5);
  for (int i = 0; i < 4; ++i) out[1 + i] = static_cast<uint8_t>(length >> (24 - 8 * i));
  return out;
}

std::vector<uint8_t> cfi_module_record(asm_context& cx) {
  if (cx.cfi.finished == nullptr) return {};
  return cfi_record_of(cx, *cx.cfi.finished);
}

// ---- Reading a body back -------------------------------------------------------

namespace {

// A names table as read: its own names, numbered after those of the table it extends.
struct decoded_names {
  std::size_t base = SIZE_MAX;
  uint32_t first[2] = {0, 0};  // first own resource, first own CFA
  std::vector<std::string> own[2];
  uint32_t Count(int cfa) const { return first[cfa] + static_cast<uint32_t>(own[cfa].size()); }
};

class body_decoder {
 public:
  body_decoder(const uint8_t* p, std::size_t n, std::vector<std::string>& lines) : p_(p), n_(n), lines_(lines) {}

  bool Run();
  std::size_t At() const { return at_; }

 private:
  bool Byte(uint32_t& v) {
    if (at_ >= n_) return false;
    v = p_[at_++];
    return true;
  }
  bool U16(uint32_t& v) {
    uint32_t a = 0, b = 0;
    if (!Byte(a) || !Byte(b)) return false;
    v = a << 8 | b;
    return true;
  }
  bool U32(uint32_t& v) {
    uint32_t a = 0, b = 0;
    if (!U16(a) || !U16(b)) return false;
    v = a << 16 | b;
    return true;
  }
  bool Str8(std::string& s) {
    uint32_t n = 0;
    if (!Byte(n) || n > n_ - at_) return false;
    s.assign(reinterpret_cast<const char*>(p_ + at_), n);
    at_ += n;
    return true;
  }
  // A resource (cfa 0) or CFA (cfa 1) of the table `t`, by a u16 index.
  bool Name(std::size_t t, int cfa, std::string& out) {
    uint32_t i = 0;
    return U16(i) && NameAt(t, cfa, i, out);
  }
  bool NameAt(std::size_t t, int cfa, uint32_t i, std::string& out) const {
    if (i >= names_[t].Count(cfa)) return false;
    while (i < names_[t].first[cfa]) t = names_[t].base;
    out += names_[t].own[cfa][i - names_[t].first[cfa]];
    return true;
  }

  bool Names();
  bool Common();
  bool Block();
  bool Target(std::size_t names, std::string& out);
  bool Rule(std::size_t names, std::string& out);
  bool Expr(std::size_t names, std::string& out, int depth);

  const uint8_t* p_;
  std::size_t n_;
  std::size_t at_ = 0;
  std::vector<std::string>& lines_;
  std::vector<decoded_names> names_;
  std::vector<std::string> names_titles_;
  std::vector<std::size_t> common_names_;  // per common part: its names table
  std::vector<std::string> common_titles_;
};

std::string signed_text(uint32_t v) { return std::to_string(static_cast<int32_t>(v)); }

std::string hex_offset(uint32_t v) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%04" PRIX32, v);
  return buf;
}

// clang-format off
constexpr const char* kResourceKinds[] = {"resource", "virtualresource", "framecell"};
constexpr const char* kCfaKinds[]      = {"stackframe", "staticoverlayframe", "baseaddress"};
constexpr const char* kPlainRules[]    = {"UNDEFINED", "SAMEVALUE", "CONCAT", nullptr, nullptr, "USED", "NOTUSED"};
constexpr const char* kMarkers[]       = {nullptr, "REMEMBERSTATE", "RESTORESTATE", "VALID", "INVALID"};
// clang-format on

bool body_decoder::Names() {
  std::string name;
  uint32_t base = 0, count = 0;
  if (!Str8(name) || !U32(base) || base > names_.size()) return false;
  const std::size_t t = names_.size();
  decoded_names table;
  if (base > 0) {
    table.base = base - 1;
    table.first[0] = names_[base - 1].Count(0);
    table.first[1] = names_[base - 1].Count(1);
  }
  names_.push_back(table);
  names_titles_.push_back(name);
  lines_.push_back("names " + name + (base > 0 ? " extends " + names_titles_[base - 1] : ""));
  if (!U16(count)) return false;
  for (uint32_t i = 0; i < count; ++i) {
    std::string r;
    uint32_t kind = 0, size = 0;
    if (!Str8(r) || !Byte(kind) || kind > 2 || !U16(size)) return false;
    std::string line = std::string("  ") + kResourceKinds[kind] + " " + r + ":" + std::to_string(size);
    if (kind == 2) {
      uint32_t offset = 0;
      line += ' ';
      if (!Name(t, 1, line) || !U32(offset)) return false;
      line += " " + signed_text(offset);
    }
    lines_.push_back(line);
    names_[t].own[0].push_back(r);
  }
  if (!U16(count)) return false;
  for (uint32_t i = 0; i < count; ++i) {
    std::string f, detail;
    uint32_t kind = 0;
    if (!Str8(f) || !Byte(kind) || kind > 2 || (kind != 2 && !Str8(detail))) return false;
    lines_.push_back(std::string("  ") + kCfaKinds[kind] + " " + f + (kind != 2 ? " " + detail : ""));
    names_[t].own[1].push_back(f);
  }
  if (!U16(count)) return false;
  for (uint32_t i = 0; i < count; ++i) {
    std::string line = "  resourceparts ";
    uint32_t parts = 0;
    if (!Name(t, 0, line) || !U16(parts)) return false;
    for (uint32_t k = 0; k < parts; ++k) {
      line += k == 0 ? " " : ", ";
      if (!Name(t, 0, line)) return false;
    }
    lines_.push_back(line);
  }
  return true;
}

bool body_decoder::Target(std::size_t names, std::string& out) {
  uint32_t cfa = 0;
  if (!Byte(cfa) || cfa > 1) return false;
  return Name(names, static_cast<int>(cfa), out);
}

bool body_decoder::Expr(std::size_t names, std::string& out, int depth) {
  uint32_t node = 0, v = 0, w = 0;
  if (depth > kMaxLocationExprDepth || !Byte(node)) return false;
  switch (node) {
    case OgQuillLocationExpr1::kRegister: return Name(names, 0, out);
    case OgQuillLocationExpr1::kLiteral:
      if (!U32(v) || !U32(w)) return false;
      out += std::to_string(static_cast<int64_t>(static_cast<uint64_t>(v) << 32 | w));
      return true;
    case OgQuillLocationExpr1::kFrameAddress: {
      std::string cfa;
      if (!Name(names, 1, cfa) || !U32(v)) return false;
      out += v == 0 ? cfa : "FRAME(" + cfa + ", " + signed_text(v) + ")";
      return true;
    }
    case OgQuillLocationExpr1::kLoad:
      if (!Byte(v)) return false;
      out += "LOAD(" + std::to_string(v) + ", ";
      if (!Expr(names, out, depth + 1)) return false;
      out += ')';
      return true;
    case OgQuillLocationExpr1::kUnary:
    case OgQuillLocationExpr1::kBinary:
    case OgQuillLocationExpr1::kTrinary: {
      const uint8_t operands = static_cast<uint8_t>(node - OgQuillLocationExpr1::kUnary + 1);
      if (!Byte(v)) return false;
      const OgCfiOperator* op = cfi_operator_by_code(operands, static_cast<uint8_t>(v));
      if (op == nullptr) return false;
      out.append(op->name).append("(");
      for (int i = 0; i < operands; ++i) {
        if (i > 0) out += ", ";
        if (!Expr(names, out, depth + 1)) return false;
      }
      out += ')';
      return true;
    }
    default: return false;
  }
}

bool body_decoder::Rule(std::size_t names, std::string& out) {
  uint32_t kind = 0, offset = 0;
  if (!Byte(kind) || kind > 6) return false;
  if (kPlainRules[kind] != nullptr) {
    out += kPlainRules[kind];
    return true;
  }
  if (kind == 4) return Expr(names, out, 1);
  out += "FRAME(";
  if (!Name(names, 1, out) || !U32(offset)) return false;
  out += ", " + signed_text(offset) + ")";
  return true;
}

bool body_decoder::Common() {
  std::string name;
  uint32_t names = 0, original = 0, code = 0, data = 0, ra = 0, valid = 0, count = 0;
  if (!Str8(name) || !U32(names) || names >= names_.size() || !U32(original) || original > common_titles_.size() ||
      !U16(code) || !U16(data) || !U16(ra) || !Byte(valid) || !U32(count))
    return false;
  std::string line = "common " + name + " using " + names_titles_[names];
  if (original > 0) line += " extends " + common_titles_[original - 1];
  line += " codealign " + std::to_string(code) + " dataalign " + std::to_string(static_cast<int16_t>(data));
  if (ra != 0xFFFF) {
    line += " returnaddress ";
    if (!NameAt(names, 0, ra, line)) return false;
  }
  lines_.push_back(line + (valid ? " valid" : " invalid"));
  for (uint32_t i = 0; i < count; ++i) {
    std::string rule = "  ";
    if (!Target(names, rule)) return false;
    rule += ' ';
    if (!Rule(names, rule)) return false;
    lines_.push_back(rule);
  }
  common_names_.push_back(names);
  common_titles_.push_back(name);
  return true;
}

bool body_decoder::Block() {
  std::string name, function;
  uint32_t common = 0, flags = 0, segment = 0, start = 0, end = 0, rows = 0;
  if (!Str8(name) || !U32(common) || common >= common_titles_.size() || !Byte(flags) || !Str8(function) ||
      !U16(segment) || !U32(start) || !U32(end) || !U32(rows))
    return false;
  const std::size_t table = common_names_[common];
  std::string line = "block " + name + " using " + common_titles_[common];
  line += (flags & 1) ? " function " + function : " nofunction";
  if (flags & 2) line += " picker";
  if (flags & 4) line += " conditional";
  lines_.push_back(line + " segment " + std::to_string(segment) + " from " + hex_offset(start) + " to " +
                   hex_offset(end));
  for (uint32_t r = 0; r < rows; ++r) {
    uint32_t offset = 0, count = 0;
    if (!U32(offset) || !U32(count)) return false;
    for (uint32_t i = 0; i < count; ++i) {
      std::string entry = "  " + hex_offset(offset) + " ";
      uint32_t op = 0;
      if (!Byte(op) || op > 4) return false;
      if (op != 0) {
        entry += kMarkers[op];
      } else {
        if (!Target(table, entry)) return false;
        entry += ' ';
        if (!Rule(table, entry)) return false;
      }
      lines_.push_back(entry);
    }
  }
  return true;
}

bool body_decoder::Run() {
  uint32_t version = 0, count = 0;
  if (!Byte(version) || version != OgQuillCfiInstructions::kVersion || !U32(count)) return false;
  for (uint32_t i = 0; i < count; ++i)
    if (!Names()) return false;
  if (!U32(count)) return false;
  for (uint32_t i = 0; i < count; ++i)
    if (!Common()) return false;
  if (!U32(count)) return false;
  for (uint32_t i = 0; i < count; ++i)
    if (!Block()) return false;
  return at_ == n_;
}

}  // namespace

bool decode_cfi_body(const uint8_t* body, std::size_t size, std::vector<std::string>& lines) {
  body_decoder d(body, size, lines);
  if (d.Run()) return true;
  lines.push_back("malformed CFI record body at byte " + std::to_string(d.At()));
  return false;
}
