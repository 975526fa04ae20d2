// acfi_blocks.h — the blocks of the CFI directive while they are open: a names
// block builds a names table, a common block collects the initial rules of a
// common part, a data block the rows of one function. Closing a block hands
// its model part to the module (see ACfiOutput).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "cfi/og_call_frame_info.h"

struct segment_rec;
struct statement_rec;

class ACfiBlock {
 public:
  ACfiBlock(std::string name, std::string key) : name_(std::move(name)), key_(std::move(key)) {}
  virtual ~ACfiBlock() = default;
  ACfiBlock(const ACfiBlock&) = delete;
  ACfiBlock& operator=(const ACfiBlock&) = delete;

  const std::string& Name() const { return name_; }
  const std::string& Key() const { return key_; }

 private:
  std::string name_;
  std::string key_;
};

// ---- Names blocks ----------------------------------------------------------

// A plain names block: resources, resource parts and frame addresses. The
// scanner checks what a block kind accepts before it calls an insertion; a
// call the kind does not offer is an internal error.
class ACfiNamesBlock : public ACfiBlock {
 public:
  ACfiNamesBlock(std::string name, std::string key);
  virtual bool IsExtension() const { return false; }
  const OgCfiNames& Names() const { return *names_; }
  GeRcRef<const OgCfiNames> Finish() const { return names_; }

  virtual void InsertResource(OgCfiNames::Resource r);
  virtual void InsertParts(uint32_t resource, std::vector<uint32_t> parts);
  virtual void InsertDynamicCFA(OgCfiNames::Cfa c);  // stack frame or base address
  virtual void InsertStaticCFA(OgCfiNames::Cfa c);   // static overlay frame
  virtual void InsertFrameCell(OgCfiNames::Resource r);

 protected:
  ACfiNamesBlock(std::string name, std::string key, GeRcRef<const OgCfiNames> base);
  GeRcRef<OgCfiNames> names_;
};

// A names block that extends another: frame cells only.
class ACfiNamesExtensionBlock final : public ACfiNamesBlock {
 public:
  ACfiNamesExtensionBlock(std::string name, std::string key, GeRcRef<const OgCfiNames> base)
      : ACfiNamesBlock(std::move(name), std::move(key), std::move(base)) {}
  bool IsExtension() const override { return true; }

  void InsertResource(OgCfiNames::Resource r) override;
  void InsertParts(uint32_t resource, std::vector<uint32_t> parts) override;
  void InsertDynamicCFA(OgCfiNames::Cfa c) override;
  void InsertStaticCFA(OgCfiNames::Cfa c) override;
  void InsertFrameCell(OgCfiNames::Resource r) override;
};

// ---- Rule vectors ----------------------------------------------------------

// The rule given to one resource or CFA and when: `stamp` is 0 while none was
// given (common block) or the generation it was given in (data block row).
struct ACfiSlot {
  uint32_t stamp = 0;
  OgCfiRule rule;
};

class ACfiResourceVector {
 public:
  explicit ACfiResourceVector(uint32_t count) : resources_(count) {}
  ACfiSlot& Resource(uint32_t index) { return resources_.at(index); }
  std::vector<ACfiSlot>& Resources() { return resources_; }

 private:
  std::vector<ACfiSlot> resources_;
};

class ACfiCFAVector {
 public:
  explicit ACfiCFAVector(uint32_t count) : cfas_(count) {}
  ACfiSlot& Cfa(uint32_t index) { return cfas_.at(index); }
  std::vector<ACfiSlot>& Cfas() { return cfas_; }

 private:
  std::vector<ACfiSlot> cfas_;
};

// One slot per resource and per CFA of a names table.
class ACfiVector : public ACfiCFAVector, public ACfiResourceVector {
 public:
  explicit ACfiVector(const OgCfiNames& names)
      : ACfiCFAVector(names.CfaCount()), ACfiResourceVector(names.ResourceCount()) {}
  ACfiSlot& At(const OgCfiTarget& t) { return t.cfa ? Cfa(t.index) : Resource(t.index); }
};

// ---- Common blocks ---------------------------------------------------------

class ACfiCommonBlock : public ACfiBlock {
 public:
  ACfiCommonBlock(std::string name, std::string key, GeRcRef<const OgCfiNames> names);
  virtual bool IsExtension() const { return false; }
  // The common part this block extends, or null.
  virtual const OgCallFrameInfo::Common* Original() const { return nullptr; }
  const OgCfiNames& Names() const { return *names_; }
  ACfiVector& Setup() { return setup_; }
  // The first resource and CFA this block gives rules for.
  uint32_t FirstResource() const;
  uint32_t FirstCfa() const;
  int DataAlign() const;

  virtual GeRcRef<const OgCallFrameInfo::Common> Finish(uint32_t sequence);

  OgCallFrameInfo::Common::Impl::Base::Settings settings;
  bool code_align_set = false;
  bool data_align_set = false;
  bool data_align_used = false;  // a FRAME offset was checked against it

 protected:
  GeRcRef<const OgCfiNames> names_;
  ACfiVector setup_;
};

class ACfiCommonExtensionBlock final : public ACfiCommonBlock {
 public:
  ACfiCommonExtensionBlock(std::string name, std::string key, GeRcRef<const OgCfiNames> names,
                           GeRcRef<const OgCallFrameInfo::Common> original)
      : ACfiCommonBlock(std::move(name), std::move(key), std::move(names)), original_(std::move(original)) {}
  bool IsExtension() const override { return true; }
  const OgCallFrameInfo::Common* Original() const override { return original_.Get(); }
  GeRcRef<const OgCallFrameInfo::Common> Finish(uint32_t sequence) override;

 private:
  GeRcRef<const OgCallFrameInfo::Common> original_;
};

// ---- Data blocks -----------------------------------------------------------

class ACfiDataBlock final : public ACfiBlock {
 public:
  ACfiDataBlock(std::string name, std::string key, GeRcRef<const OgCallFrameInfo::Common> common,
                uint32_t sequence, const segment_rec* segment, const statement_rec* begin, int module);

  OgCallFrameInfoBuilder& Builder() { return *info_; }
  const OgCallFrameInfo::Common& CommonPart() const { return info_->CommonPart(); }
  const segment_rec* Segment() const { return segment_; }
  int Module() const { return module_; }
  ACfiVector& Row() { return row_; }

  // The generation of rule slots for a rule at `offset`: a new one when the
  // offset moved on since the last rule.
  uint32_t GenerationAt(int64_t offset);
  // A restored state starts afresh at the same offset.
  void NewGeneration() { ++generation_; }

  std::unique_ptr<OgCallFrameInfo> Finish(const statement_rec* end);

  bool function_set = false;
  uint8_t kind_flags = 0;  // picker or conditional
  int remembered = 0;      // REMEMBERSTATE not yet restored

 private:
  std::unique_ptr<OgCallFrameInfo> info_;
  const segment_rec* segment_;
  const statement_rec* begin_;
  int module_;
  ACfiVector row_;
  uint32_t generation_ = 0;
  int64_t last_offset_ = 0;
  bool any_row_ = false;
};
