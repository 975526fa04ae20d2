// og_quill_cfi.cpp — writing the call-frame model as the CFI record body.
#include "cfi/og_quill_cfi.h"

#include <algorithm>
#include <map>

#include "directives/segments.h"
#include "driver/statement.h"

void OgQuillSink::Str8(std::string_view s) {
  const std::size_t n = s.size() < 255 ? s.size() : 255;
  Byte(static_cast<uint32_t>(n));
  out_.insert(out_.end(), s.begin(), s.begin() + static_cast<std::ptrdiff_t>(n));
}

// ---- Expressions -------------------------------------------------------------

void OgQuillLocationExpr1::Writer::Visit(const OgLocationRegister& e) {
  sink_.Byte(kRegister);
  sink_.U16(e.Resource());
}

void OgQuillLocationExpr1::Writer::Visit(const OgLocationLiteral& e) {
  const uint64_t v = static_cast<uint64_t>(e.Value());
  sink_.Byte(kLiteral);
  sink_.U32(static_cast<uint32_t>(v >> 32));
  sink_.U32(static_cast<uint32_t>(v));
}

void OgQuillLocationExpr1::Writer::Visit(const OgLocationFrameAddress& e) {
  sink_.Byte(kFrameAddress);
  sink_.U16(e.Cfa());
  sink_.U32(static_cast<uint32_t>(e.Offset()));
}

void OgQuillLocationExpr1::Writer::Visit(const OgLocationUnaryOp& e) {
  sink_.Byte(kUnary);
  sink_.Byte(e.Op().code);
  Write(e.A());
}

void OgQuillLocationExpr1::Writer::Visit(const OgLocationBinaryOp& e) {
  sink_.Byte(kBinary);
  sink_.Byte(e.Op().code);
  Write(e.A());
  Write(e.B());
}

void OgQuillLocationExpr1::Writer::Visit(const OgLocationTrinaryOp& e) {
  sink_.Byte(kTrinary);
  sink_.Byte(e.Op().code);
  Write(e.A());
  Write(e.B());
  Write(e.C());
}

void OgQuillLocationExpr1::Writer::Visit(const OgLocationLoad& e) {
  sink_.Byte(kLoad);
  sink_.Byte(e.Size());
  Write(e.Address());
}

// ---- The body ----------------------------------------------------------------

int64_t OgQuillCfiInstructions::FinalOffset(const statement_rec* at, int64_t fallback) {
  return at != nullptr ? at->location : fallback;
}

std::vector<const OgCallFrameInfo*> OgQuillCfiInstructions::BlocksInOrder(const cfi_module_model& model) {
  std::vector<const OgCallFrameInfo*> blocks;
  blocks.reserve(model.blocks.size());
  for (const auto& b : model.blocks) blocks.push_back(b.get());
  std::stable_sort(blocks.begin(), blocks.end(),
                   [](const OgCallFrameInfo* a, const OgCallFrameInfo* b) { return *a < *b; });
  return blocks;
}

void OgQuillCfiInstructions::WriteTarget(const OgCfiTarget& t) {
  sink_.Byte(t.cfa ? 1 : 0);
  sink_.U16(t.index);
}

void OgQuillCfiInstructions::WriteRule(const OgCfiRule& r) {
  sink_.Byte(static_cast<uint8_t>(r.kind));
  if (r.kind == OgCfiRuleKind::frame) {
    sink_.U16(r.cfa);
    sink_.U32(static_cast<uint32_t>(r.offset));
  } else if (r.kind == OgCfiRuleKind::expression) {
    OgQuillLocationExpr1::Writer(sink_).Write(*r.expr);
  }
}

void OgQuillCfiInstructions::WriteNames(const OgCfiNames& names, uint32_t base) {
  sink_.Str8(names.Name());
  sink_.U32(base);
  sink_.U16(names.ResourceCount() - names.FirstOwnResource());
  for (uint32_t i = names.FirstOwnResource(); i < names.ResourceCount(); ++i) {
    const OgCfiNames::Resource& r = names.ResourceAt(i);
    sink_.Str8(r.name);
    sink_.Byte(static_cast<uint8_t>(r.kind));
    sink_.U16(r.size);
    if (r.kind == OgCfiResourceKind::frame_cell) {
      sink_.U16(r.cell_cfa);
      sink_.U32(static_cast<uint32_t>(r.cell_offset));
    }
  }
  sink_.U16(names.CfaCount() - names.FirstOwnCfa());
  for (uint32_t i = names.FirstOwnCfa(); i < names.CfaCount(); ++i) {
    const OgCfiNames::Cfa& f = names.CfaAt(i);
    sink_.Str8(f.name);
    sink_.Byte(static_cast<uint8_t>(f.kind));
    if (f.kind != OgCfiCfaKind::base_address) sink_.Str8(f.detail);
  }
  uint32_t with_parts = 0;
  for (uint32_t i = names.FirstOwnResource(); i < names.ResourceCount(); ++i)
    with_parts += names.ResourceAt(i).parts.empty() ? 0 : 1;
  sink_.U16(with_parts);
  for (uint32_t i = names.FirstOwnResource(); i < names.ResourceCount(); ++i) {
    const OgCfiNames::Resource& r = names.ResourceAt(i);
    if (r.parts.empty()) continue;
    sink_.U16(i);
    sink_.U16(static_cast<uint32_t>(r.parts.size()));
    for (uint32_t k = 0; k < r.parts.size(); ++k) sink_.U16(names.PartOf(i, k));
  }
}

void OgQuillCfiInstructions::WriteCommon(const OgCallFrameInfo::Common& common, uint32_t names, uint32_t original) {
  const OgCfiNames& n = common.Names();
  const uint32_t first_resource = common.Original() != nullptr ? common.Original()->Names().ResourceCount() : 0;
  const uint32_t first_cfa = common.Original() != nullptr ? common.Original()->Names().CfaCount() : 0;
  sink_.Str8(common.Name());
  sink_.U32(names);
  sink_.U32(original);
  sink_.U16(static_cast<uint32_t>(common.CodeAlign()));
  sink_.U16(static_cast<uint32_t>(common.DataAlign()));
  sink_.U16(common.ReturnAddress() < 0 ? 0xFFFF : static_cast<uint32_t>(common.ReturnAddress()));
  sink_.Byte(common.Valid() ? 1 : 0);
  sink_.U32((n.ResourceCount() - first_resource) + (n.CfaCount() - first_cfa));
  for (uint32_t i = first_resource; i < n.ResourceCount(); ++i) {
    WriteTarget(OgCfiTarget{false, i});
    WriteRule(common.Rule(OgCfiTarget{false, i}));
  }
  for (uint32_t i = first_cfa; i < n.CfaCount(); ++i) {
    WriteTarget(OgCfiTarget{true, i});
    WriteRule(common.Rule(OgCfiTarget{true, i}));
  }
}

void OgQuillCfiInstructions::WriteBlock(const OgCallFrameInfo& block, uint32_t common) {
  sink_.Str8(block.Name());
  sink_.U32(common);
  sink_.Byte(block.Flags());
  sink_.Str8(block.Function());
  sink_.U16(block.Segment() != nullptr ? block.Segment()->number : 0);
  sink_.U32(static_cast<uint32_t>(FinalOffset(block.Begin(), 0)));
  sink_.U32(static_cast<uint32_t>(FinalOffset(block.End(), 0)));
  sink_.U32(static_cast<uint32_t>(block.Rows().size()));
  for (const OgCfiRowData& row : block.Rows()) {
    sink_.U32(static_cast<uint32_t>(FinalOffset(row.at, row.offset)));
    sink_.U32(row.count);
    for (uint32_t i = row.first; i < row.first + row.count; ++i) {
      const OgCfiEntry& e = block.Entries()[i];
      sink_.Byte(static_cast<uint8_t>(e.op));
      if (e.op != OgCfiEntryOp::rule) continue;
      WriteTarget(e.target);
      WriteRule(e.rule);
    }
  }
}

namespace {

// The record index of a names table or common part; every one a module
// refers to was added to its model before.
template <class K>
uint32_t index_of(const std::map<const K*, uint32_t>& index, const K* key) {
  auto it = index.find(key);
  if (it == index.end()) throw GeInternalError("OgQuillCfiInstructions::Write", "Can't come here");
  return it->second;
}

}  // namespace

void OgQuillCfiInstructions::Write(const cfi_module_model& model) {
  std::map<const OgCfiNames*, uint32_t> names_index;
  std::map<const OgCallFrameInfo::Common*, uint32_t> common_index;
  sink_.Byte(kVersion);
  sink_.U32(static_cast<uint32_t>(model.names.size()));
  for (const auto& n : model.names) {
    const uint32_t index = static_cast<uint32_t>(names_index.size());
    const auto base = n->Base() != nullptr ? names_index.find(n->Base()) : names_index.end();
    WriteNames(*n, base != names_index.end() ? base->second + 1 : 0);
    names_index.emplace(n.Get(), index);
  }
  sink_.U32(static_cast<uint32_t>(model.commons.size()));
  for (const auto& c : model.commons) {
    const uint32_t index = static_cast<uint32_t>(common_index.size());
    const auto original = c->Original() != nullptr ? common_index.find(c->Original()) : common_index.end();
    WriteCommon(*c, index_of(names_index, &c->Names()), original != common_index.end() ? original->second + 1 : 0);
    common_index.emplace(c.Get(), index);
  }
  const std::vector<const OgCallFrameInfo*> blocks = BlocksInOrder(model);
  sink_.U32(static_cast<uint32_t>(blocks.size()));
  for (const OgCallFrameInfo* b : blocks) WriteBlock(*b, index_of(common_index, &b->CommonPart()));
}
