// acfi_blocks.cpp — names, common and data blocks of the CFI directive.
#include "cfi/acfi_blocks.h"

// ---- Names blocks ----------------------------------------------------------

ACfiNamesBlock::ACfiNamesBlock(std::string name, std::string key)
    : ACfiNamesBlock(std::move(name), std::move(key), GeRcRef<const OgCfiNames>()) {}

ACfiNamesBlock::ACfiNamesBlock(std::string name, std::string key, GeRcRef<const OgCfiNames> base)
    : ACfiBlock(name, std::move(key)), names_(GeMakeRc<OgCfiNames>(std::move(name), std::move(base))) {}

void ACfiNamesBlock::InsertResource(OgCfiNames::Resource r) {
  if (r.kind == OgCfiResourceKind::frame_cell)
    throw GeInternalError("ACfiNamesBlock::InsertResource", "Can't come here");
  names_->AddResource(std::move(r));
}

void ACfiNamesBlock::InsertParts(uint32_t resource, std::vector<uint32_t> parts) {
  names_->SetParts(resource, std::move(parts));
}

void ACfiNamesBlock::InsertDynamicCFA(OgCfiNames::Cfa c) {
  if (c.kind == OgCfiCfaKind::static_overlay) throw GeInternalError("ACfiNamesBlock::InsertDynamicCFA", "Can't come here");
  names_->AddCfa(std::move(c));
}

void ACfiNamesBlock::InsertStaticCFA(OgCfiNames::Cfa c) {
  if (c.kind != OgCfiCfaKind::static_overlay) throw GeInternalError("ACfiNamesBlock::InsertStaticCFA", "Can't come here");
  names_->AddCfa(std::move(c));
}

void ACfiNamesBlock::InsertFrameCell(OgCfiNames::Resource) {
  throw GeInternalError("ACfiNamesBlock::InsertFrameCell", "InsertFrameCell not callable");
}

void ACfiNamesExtensionBlock::InsertResource(OgCfiNames::Resource) {
  throw GeInternalError("ACfiNamesExtensionBlock::InsertResource", "InsertResource not callable");
}

void ACfiNamesExtensionBlock::InsertParts(uint32_t, std::vector<uint32_t>) {
  throw GeInternalError("ACfiNamesExtensionBlock::InsertParts", "InsertParts not callable");
}

void ACfiNamesExtensionBlock::InsertDynamicCFA(OgCfiNames::Cfa) {
  throw GeInternalError("ACfiNamesExtensionBlock::InsertDynamicCFA", "InsertDynamicCFA not callable");
}

void ACfiNamesExtensionBlock::InsertStaticCFA(OgCfiNames::Cfa) {
  throw GeInternalError("ACfiNamesExtensionBlock::InsertStaticCFA", "InsertStaticCFA not callable");
}

void ACfiNamesExtensionBlock::InsertFrameCell(OgCfiNames::Resource r) {
  if (r.kind != OgCfiResourceKind::frame_cell)
    throw GeInternalError("ACfiNamesExtensionBlock::InsertFrameCell", "Can't come here");
  names_->AddResource(std::move(r));
}

// ---- Common blocks ---------------------------------------------------------

ACfiCommonBlock::ACfiCommonBlock(std::string name, std::string key, GeRcRef<const OgCfiNames> names)
    : ACfiBlock(std::move(name), std::move(key)), names_(std::move(names)), setup_(*names_) {}

uint32_t ACfiCommonBlock::FirstResource() const {
  return Original() != nullptr ? Original()->Names().ResourceCount() : 0;
}

uint32_t ACfiCommonBlock::FirstCfa() const { return Original() != nullptr ? Original()->Names().CfaCount() : 0; }

int ACfiCommonBlock::DataAlign() const {
  return Original() != nullptr ? Original()->DataAlign() : settings.data_align;
}

namespace {

std::vector<OgCfiRule> rules_from(std::vector<ACfiSlot>& slots, uint32_t first) {
  std::vector<OgCfiRule> rules;
  rules.reserve(slots.size() - first);
  for (std::size_t i = first; i < slots.size(); ++i) rules.push_back(std::move(slots[i].rule));
  return rules;
}

}  // namespace

GeRcRef<const OgCallFrameInfo::Common> ACfiCommonBlock::Finish(uint32_t sequence) {
  auto impl = std::make_unique<OgCallFrameInfo::Common::Impl::Base>(names_, settings, rules_from(setup_.Resources(), 0),
                                                                     rules_from(setup_.Cfas(), 0));
  return GeMakeRc<OgCallFrameInfo::Common>(Name(), sequence, std::move(impl));
}

GeRcRef<const OgCallFrameInfo::Common> ACfiCommonExtensionBlock::Finish(uint32_t sequence) {
  auto impl = std::make_unique<OgCallFrameInfo::Common::Impl::Extended>(
      original_, names_, settings.valid, rules_from(setup_.Resources(), FirstResource()),
      rules_from(setup_.Cfas(), FirstCfa()));
  return GeMakeRc<OgCallFrameInfo::Common>(Name(), sequence, std::move(impl));
}

// ---- Data blocks -----------------------------------------------------------

ACfiDataBlock::ACfiDataBlock(std::string name, std::string key, GeRcRef<const OgCallFrameInfo::Common> common,
                             uint32_t sequence, const segment_rec* segment, const statement_rec* begin, int module)
    : ACfiBlock(name, std::move(key)),
      info_(std::make_unique<OgCallFrameInfo>(std::move(name), sequence, common)),
      segment_(segment),
      begin_(begin),
      module_(module),
      row_(common->Names()) {}

uint32_t ACfiDataBlock::GenerationAt(int64_t offset) {
  if (!any_row_ || offset != last_offset_) ++generation_;
  any_row_ = true;
  last_offset_ = offset;
  return generation_;
}

std::unique_ptr<OgCallFrameInfo> ACfiDataBlock::Finish(const statement_rec* end) {
  info_->SetRange(segment_, begin_, end);
  return std::move(info_);
}
