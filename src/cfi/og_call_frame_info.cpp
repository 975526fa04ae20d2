// og_call_frame_info.cpp — names tables, common parts and data blocks of the
// call-frame model.
#include "cfi/og_call_frame_info.h"

#include "directives/segments.h"
#include "driver/statement.h"

// ---- OgCfiNames ------------------------------------------------------------

OgCfiNames::OgCfiNames(std::string name, GeRcRef<const OgCfiNames> base)
    : name_(std::move(name)),
      base_(std::move(base)),
      first_resource_(base_ ? base_->ResourceCount() : 0),
      first_cfa_(base_ ? base_->CfaCount() : 0) {}

const OgCfiNames::Resource& OgCfiNames::ResourceAt(uint32_t index) const {
  const OgCfiNames* t = this;
  while (index < t->first_resource_) t = t->base_.Get();
  if (index - t->first_resource_ >= t->resources_.size())
    throw GeInternalError("OgCfiNames::ResourceAt", "Names CFI block builder out of sync!");
  return t->resources_[index - t->first_resource_];
}

const OgCfiNames::Cfa& OgCfiNames::CfaAt(uint32_t index) const {
  const OgCfiNames* t = this;
  while (index < t->first_cfa_) t = t->base_.Get();
  if (index - t->first_cfa_ >= t->cfas_.size())
    throw GeInternalError("OgCfiNames::CfaAt", "Names CFI block builder out of sync!");
  return t->cfas_[index - t->first_cfa_];
}

int64_t OgCfiNames::FindResource(std::string_view key) const {
  for (const OgCfiNames* t = this; t != nullptr; t = t->base_.Get()) {
    auto it = t->resource_index_.find(key);
    if (it != t->resource_index_.end()) return it->second;
  }
  return -1;
}

int64_t OgCfiNames::FindCfa(std::string_view key) const {
  for (const OgCfiNames* t = this; t != nullptr; t = t->base_.Get()) {
    auto it = t->cfa_index_.find(key);
    if (it != t->cfa_index_.end()) return it->second;
  }
  return -1;
}

uint32_t OgCfiNames::PartOf(uint32_t resource, uint32_t i) const {
  const Resource& r = ResourceAt(resource);
  if (i >= r.parts.size()) throw GeInternalError("OgCfiNames::PartOf", "Reference outside of parts vector");
  return r.parts[i];
}

bool OgCfiNames::Extends(const OgCfiNames* other) const {
  for (const OgCfiNames* t = this; t != nullptr; t = t->base_.Get())
    if (t == other) return true;
  return false;
}

uint32_t OgCfiNames::AddResource(Resource r) {
  const uint32_t index = ResourceCount();
  resource_index_.emplace(r.key, index);
  resources_.push_back(std::move(r));
  if (resource_index_.size() != resources_.size())
    throw GeInternalError("OgCfiNames::AddResource", "Names CFI block builder out of sync!");
  return index;
}

uint32_t OgCfiNames::AddCfa(Cfa c) {
  const uint32_t index = CfaCount();
  cfa_index_.emplace(c.key, index);
  cfas_.push_back(std::move(c));
  if (cfa_index_.size() != cfas_.size())
    throw GeInternalError("OgCfiNames::AddCfa", "Names CFI block builder out of sync!");
  return index;
}

void OgCfiNames::SetParts(uint32_t resource, std::vector<uint32_t> parts) {
  if (resource < first_resource_ || resource - first_resource_ >= resources_.size())
    throw GeInternalError("OgCfiNames::SetParts", "Names CFI block builder out of sync!");
  for (uint32_t p : parts) {
    if (p < first_resource_ || p - first_resource_ >= resources_.size())
      throw GeInternalError("OgCfiNames::SetParts", "Reference outside of parts vector");
    resources_[p - first_resource_].parent = resource;
  }
  resources_[resource - first_resource_].parts = std::move(parts);
}

// ---- Builders --------------------------------------------------------------

void OgCallFrameInfoRowBuilder::BeginRow(const statement_rec*, int64_t) {
  throw GeInternalError("OgCallFrameInfoRowBuilder::BeginRow", "Shouldn't call this");
}
void OgCallFrameInfoRowBuilder::InsertRule(const OgCfiTarget&, const OgCfiRule&) {
  throw GeInternalError("OgCallFrameInfoRowBuilder::InsertRule", "Shouldn't call this");
}
void OgCallFrameInfoRowBuilder::InsertMarker(OgCfiEntryOp) {
  throw GeInternalError("OgCallFrameInfoRowBuilder::InsertMarker", "Shouldn't call this");
}
void OgCallFrameInfoBuilder::SetFunction(std::string) {
  throw GeInternalError("OgCallFrameInfoBuilder::SetFunction", "Shouldn't call this");
}
void OgCallFrameInfoBuilder::SetFlag(uint8_t) {
  throw GeInternalError("OgCallFrameInfoBuilder::SetFlag", "Shouldn't call this");
}
void OgCallFrameInfoBuilder::SetRange(const segment_rec*, const statement_rec*, const statement_rec*) {
  throw GeInternalError("OgCallFrameInfoBuilder::SetRange", "Shouldn't call this");
}

void OgCallFrameInfoData::BeginRow(const statement_rec* at, int64_t offset) {
  if (!rows_.empty() && rows_.back().offset == offset) return;
  rows_.push_back(OgCfiRowData{at, offset, static_cast<uint32_t>(entries_.size()), 0});
}

void OgCallFrameInfoData::InsertRule(const OgCfiTarget& target, const OgCfiRule& rule) {
  if (rows_.empty()) throw GeInternalError("OgCallFrameInfoData::InsertRule", "Can't come here");
  entries_.push_back(OgCfiEntry{OgCfiEntryOp::rule, target, rule});
  ++rows_.back().count;
}

void OgCallFrameInfoData::InsertMarker(OgCfiEntryOp op) {
  if (rows_.empty() || op == OgCfiEntryOp::rule)
    throw GeInternalError("OgCallFrameInfoData::InsertMarker", "Can't come here");
  entries_.push_back(OgCfiEntry{op, {}, {}});
  ++rows_.back().count;
}

void OgCallFrameInfoData::SetFunction(std::string label) {
  function_ = std::move(label);
  if (!function_.empty()) flags_ |= kHasFunction;
}

void OgCallFrameInfoData::SetFlag(uint8_t flag) { flags_ |= flag; }

void OgCallFrameInfoData::SetRange(const segment_rec* segment, const statement_rec* begin,
                                   const statement_rec* end) {
  segment_ = segment;
  begin_ = begin;
  end_ = end;
}

int OgCallFrameInfoData::Compare(const OgCallFrameInfoData& o) const {
  const int sa = segment_ != nullptr ? segment_->number : 0;
  const int sb = o.segment_ != nullptr ? o.segment_->number : 0;
  if (sa != sb) return sa < sb ? -1 : 1;
  const long la = begin_ != nullptr ? begin_->location : 0;
  const long lb = o.begin_ != nullptr ? o.begin_->location : 0;
  if (la != lb) return la < lb ? -1 : 1;
  return sequence_ < o.sequence_ ? -1 : sequence_ > o.sequence_ ? 1 : 0;
}

OgCallFrameInfo::OgCallFrameInfo(std::string name, uint32_t sequence, GeRcRef<const Common> common)
    : OgCallFrameInfoData(sequence), name_(std::move(name)), common_(std::move(common)) {}

OgCallFrameInfo::~OgCallFrameInfo() = default;

// ---- Common parts ----------------------------------------------------------

OgCallFrameInfo::Common::Common(std::string name, uint32_t sequence, std::unique_ptr<Impl> impl)
    : name_(std::move(name)), sequence_(sequence), impl_(std::move(impl)) {}

OgCallFrameInfo::Common::~Common() = default;

const OgCfiNames& OgCallFrameInfo::Common::Names() const { return impl_->Names(); }
const OgCallFrameInfo::Common* OgCallFrameInfo::Common::Original() const { return impl_->Original(); }
int OgCallFrameInfo::Common::CodeAlign() const { return impl_->CodeAlign(); }
int OgCallFrameInfo::Common::DataAlign() const { return impl_->DataAlign(); }
int64_t OgCallFrameInfo::Common::ReturnAddress() const { return impl_->ReturnAddress(); }
bool OgCallFrameInfo::Common::Valid() const { return impl_->Valid(); }
const OgCfiRule& OgCallFrameInfo::Common::Rule(const OgCfiTarget& target) const { return impl_->Rule(target); }

int OgCallFrameInfo::Common::Compare(const Common& o) const {
  return sequence_ < o.sequence_ ? -1 : sequence_ > o.sequence_ ? 1 : 0;
}

OgCallFrameInfo::Common::Impl::Base::Base(GeRcRef<const OgCfiNames> names, const Settings& settings,
                                          std::vector<OgCfiRule> resources, std::vector<OgCfiRule> cfas)
    : names_(std::move(names)), settings_(settings), resources_(std::move(resources)), cfas_(std::move(cfas)) {
  if (resources_.size() != names_->ResourceCount() || cfas_.size() != names_->CfaCount())
    throw GeInternalError("OgCallFrameInfo::Common::Impl::Base::Base", "Names CFI block builder out of sync!");
}

const OgCfiRule& OgCallFrameInfo::Common::Impl::Base::Rule(const OgCfiTarget& target) const {
  const std::vector<OgCfiRule>& v = target.cfa ? cfas_ : resources_;
  if (target.index >= v.size()) throw GeInternalError("OgCallFrameInfo::Common::Impl::Base::Rule", "Can't come here");
  return v[target.index];
}

OgCallFrameInfo::Common::Impl::Extended::Extended(GeRcRef<const Common> original, GeRcRef<const OgCfiNames> names,
                                                  bool valid, std::vector<OgCfiRule> resources,
                                                  std::vector<OgCfiRule> cfas)
    : original_(std::move(original)),
      names_(std::move(names)),
      valid_(valid),
      resources_(std::move(resources)),
      cfas_(std::move(cfas)) {
  const OgCfiNames& base = original_->Names();
  if (!names_->Extends(&base) || base.ResourceCount() + resources_.size() != names_->ResourceCount() ||
      base.CfaCount() + cfas_.size() != names_->CfaCount())
    throw GeInternalError("OgCallFrameInfo::Common::Impl::Extended::Extended", "Names CFI block builder out of sync!");
}

const OgCfiRule& OgCallFrameInfo::Common::Impl::Extended::Rule(const OgCfiTarget& target) const {
  const OgCfiNames& base = original_->Names();
  const uint32_t first = target.cfa ? base.CfaCount() : base.ResourceCount();
  if (target.index < first) return original_->Rule(target);
  const std::vector<OgCfiRule>& v = target.cfa ? cfas_ : resources_;
  if (target.index - first >= v.size())
    throw GeInternalError("OgCallFrameInfo::Common::Impl::Extended::Rule", "Can't come here");
  return v[target.index - first];
}
