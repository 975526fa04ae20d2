// og_call_frame_info.h — the call-frame model of a module as the object writer
// sees it: the names (resources, resource parts, frame addresses), the common
// parts shared by functions (initial rules), and per data block the rows of
// rule changes at code offsets. Names and common parts are shared by
// reference count: a data block refers to its common part, an extended common
// part to its original, an extended names table to the one it extends.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "cfi/ge_support.h"
#include "cfi/og_location_expr.h"

struct segment_rec;
struct statement_rec;

// ---- Rules -----------------------------------------------------------------

// The codes are written into the object.
enum class OgCfiRuleKind : uint8_t {
  undefined = 0,   // the value cannot be recovered
  same_value = 1,  // the caller's value is still in place
  concat = 2,      // the concatenation of the resource's parts
  frame = 3,       // saved in memory at a frame address plus an offset
  expression = 4,  // the value of a location expression
  used = 5,        // static overlay frame in use
  not_used = 6,    // static overlay frame not in use
};

struct OgCfiRule {
  OgCfiRuleKind kind = OgCfiRuleKind::undefined;
  uint32_t cfa = 0;    // frame
  int32_t offset = 0;  // frame
  OgLocationRef expr;  // expression
};

// What a rule is for: a resource or a CFA, by its index in the names.
struct OgCfiTarget {
  bool cfa = false;
  uint32_t index = 0;
};

// ---- Names -----------------------------------------------------------------

enum class OgCfiResourceKind : uint8_t { resource = 0, virtual_resource = 1, frame_cell = 2 };
enum class OgCfiCfaKind : uint8_t { stack_frame = 0, static_overlay = 1, base_address = 2 };

// Most resources, and most CFAs, a chain of names may hold: indices are 16 bits
// in the object and 0xFFFF means none.
constexpr uint32_t kMaxCfiNames = 0xFFFF;

// A names table, numbered across its chain: the table it extends first, then
// its own entries.
class OgCfiNames final : public GeRcObjectShare {
 public:
  struct Resource {
    std::string name;  // as first written
    std::string key;   // as looked up (upper case when user symbols ignore case)
    uint32_t size = 0;
    OgCfiResourceKind kind = OgCfiResourceKind::resource;
    uint32_t cell_cfa = 0;        // frame cell: CFA and offset of the cell
    int32_t cell_offset = 0;
    int64_t parent = -1;          // the resource this one is a part of
    std::vector<uint32_t> parts;  // RESOURCEPARTS, in order
  };
  struct Cfa {
    std::string name;
    std::string key;
    OgCfiCfaKind kind = OgCfiCfaKind::stack_frame;
    std::string detail;      // stack frame: its stack resource; static overlay frame: its segment
    std::string detail_key;  // the same as looked up
  };

  OgCfiNames(std::string name, GeRcRef<const OgCfiNames> base);

  const std::string& Name() const { return name_; }
  const OgCfiNames* Base() const { return base_.Get(); }
  uint32_t ResourceCount() const { return first_resource_ + static_cast<uint32_t>(resources_.size()); }
  uint32_t CfaCount() const { return first_cfa_ + static_cast<uint32_t>(cfas_.size()); }
  uint32_t FirstOwnResource() const { return first_resource_; }
  uint32_t FirstOwnCfa() const { return first_cfa_; }
  const Resource& ResourceAt(uint32_t index) const;
  const Cfa& CfaAt(uint32_t index) const;
  // Index across the chain, or -1.
  int64_t FindResource(std::string_view key) const;
  int64_t FindCfa(std::string_view key) const;
  // Part `i` of a resource; "Reference outside of parts vector" past its parts.
  uint32_t PartOf(uint32_t resource, uint32_t i) const;
  // True when `other` is this table or one it extends.
  bool Extends(const OgCfiNames* other) const;

  // Building, by the names blocks only. "Names CFI block builder out of sync!"
  // when a table and its lookup disagree.
  uint32_t AddResource(Resource r);
  uint32_t AddCfa(Cfa c);
  void SetParts(uint32_t resource, std::vector<uint32_t> parts);

 private:
  std::string name_;
  GeRcRef<const OgCfiNames> base_;
  uint32_t first_resource_;
  uint32_t first_cfa_;
  std::vector<Resource> resources_;
  std::vector<Cfa> cfas_;
  std::map<std::string, uint32_t, std::less<>> resource_index_;
  std::map<std::string, uint32_t, std::less<>> cfa_index_;
};

// ---- Rows ------------------------------------------------------------------

// The codes are written into the object.
enum class OgCfiEntryOp : uint8_t { rule = 0, remember = 1, restore = 2, valid = 3, invalid = 4 };

struct OgCfiEntry {
  OgCfiEntryOp op = OgCfiEntryOp::rule;
  OgCfiTarget target;
  OgCfiRule rule;
};

// One row: the changes at one code offset, in the order written. The entries
// live in the data block's one vector; a row names its slice.
struct OgCfiRowData {
  const statement_rec* at = nullptr;  // the statement whose final location is the row's offset
  int64_t offset = 0;                 // its location when the row was made
  uint32_t first = 0;
  uint32_t count = 0;
};

// ---- Builders and data blocks ----------------------------------------------

// Row-level building. An operation a builder does not offer is "Shouldn't call this".
class OgCallFrameInfoRowBuilder {
 public:
  virtual ~OgCallFrameInfoRowBuilder() = default;
  // Starts a row unless the last one is at the same offset.
  virtual void BeginRow(const statement_rec* at, int64_t offset);
  virtual void InsertRule(const OgCfiTarget& target, const OgCfiRule& rule);
  virtual void InsertMarker(OgCfiEntryOp op);
};

// Block-level building.
class OgCallFrameInfoBuilder : public OgCallFrameInfoRowBuilder {
 public:
  enum Flags : uint8_t { kHasFunction = 1, kPicker = 2, kConditional = 4 };
  virtual void SetFunction(std::string label);  // empty: NOFUNCTION
  virtual void SetFlag(uint8_t flag);
  virtual void SetRange(const segment_rec* segment, const statement_rec* begin, const statement_rec* end);
};

class OgCallFrameInfoData : public OgCallFrameInfoBuilder, public GeSupportsOrdering<OgCallFrameInfoData> {
 public:
  explicit OgCallFrameInfoData(uint32_t sequence) : sequence_(sequence) {}

  void BeginRow(const statement_rec* at, int64_t offset) override;
  void InsertRule(const OgCfiTarget& target, const OgCfiRule& rule) override;
  void InsertMarker(OgCfiEntryOp op) override;
  void SetFunction(std::string label) override;
  void SetFlag(uint8_t flag) override;
  void SetRange(const segment_rec* segment, const statement_rec* begin, const statement_rec* end) override;

  uint8_t Flags() const { return flags_; }
  const std::string& Function() const { return function_; }
  const segment_rec* Segment() const { return segment_; }
  const statement_rec* Begin() const { return begin_; }
  const statement_rec* End() const { return end_; }
  const std::vector<OgCfiRowData>& Rows() const { return rows_; }
  const std::vector<OgCfiEntry>& Entries() const { return entries_; }
  uint32_t Sequence() const { return sequence_; }

  // By segment, then final start offset, then the order the blocks began in.
  int Compare(const OgCallFrameInfoData& o) const;

 private:
  uint32_t sequence_;
  uint8_t flags_ = 0;
  std::string function_;
  const segment_rec* segment_ = nullptr;
  const statement_rec* begin_ = nullptr;
  const statement_rec* end_ = nullptr;
  std::vector<OgCfiRowData> rows_;
  std::vector<OgCfiEntry> entries_;
};

// One data block: its rows and the common part it starts from.
class OgCallFrameInfo final : public OgCallFrameInfoData {
 public:
  class Common;

  OgCallFrameInfo(std::string name, uint32_t sequence, GeRcRef<const Common> common);
  ~OgCallFrameInfo() override;

  const std::string& Name() const { return name_; }
  const Common& CommonPart() const { return *common_; }

 private:
  std::string name_;
  GeRcRef<const Common> common_;
};

// ---- Common parts ----------------------------------------------------------

// The setup shared by the functions of a common block: alignments, return
// address and the initial rule of every resource and CFA. An extended common
// part holds only the rules of the names its original does not have.
class OgCallFrameInfo::Common final : public GeSupportsOrdering<OgCallFrameInfo::Common>, public GeRcObjectShare {
 public:
  class Impl;

  Common(std::string name, uint32_t sequence, std::unique_ptr<Impl> impl);
  ~Common() override;

  const std::string& Name() const { return name_; }
  uint32_t Sequence() const { return sequence_; }
  const OgCfiNames& Names() const;
  const Common* Original() const;  // the common part this one extends, or null
  int CodeAlign() const;
  int DataAlign() const;
  int64_t ReturnAddress() const;   // resource index, or -1
  bool Valid() const;
  const OgCfiRule& Rule(const OgCfiTarget& target) const;

  // In the order the module defines them.
  int Compare(const Common& o) const;

 private:
  std::string name_;
  uint32_t sequence_;
  std::unique_ptr<Impl> impl_;
};

// The settings and rules of a common part, given whole (Base) or on top of an
// original (Extended).
class OgCallFrameInfo::Common::Impl {
 public:
  class Base;
  class Extended;

  virtual ~Impl() = default;
  virtual const OgCfiNames& Names() const = 0;
  virtual const Common* Original() const = 0;
  virtual int CodeAlign() const = 0;
  virtual int DataAlign() const = 0;
  virtual int64_t ReturnAddress() const = 0;
  virtual bool Valid() const = 0;
  virtual const OgCfiRule& Rule(const OgCfiTarget& target) const = 0;
};

class OgCallFrameInfo::Common::Impl::Base final : public OgCallFrameInfo::Common::Impl {
 public:
  struct Settings {
    int code_align = 1;
    int data_align = 1;
    int64_t return_address = -1;
    bool valid = true;
  };
  Base(GeRcRef<const OgCfiNames> names, const Settings& settings, std::vector<OgCfiRule> resources,
       std::vector<OgCfiRule> cfas);

  const OgCfiNames& Names() const override { return *names_; }
  const Common* Original() const override { return nullptr; }
  int CodeAlign() const override { return settings_.code_align; }
  int DataAlign() const override { return settings_.data_align; }
  int64_t ReturnAddress() const override { return settings_.return_address; }
  bool Valid() const override { return settings_.valid; }
  const OgCfiRule& Rule(const OgCfiTarget& target) const override;

 private:
  GeRcRef<const OgCfiNames> names_;
  Settings settings_;
  std::vector<OgCfiRule> resources_;
  std::vector<OgCfiRule> cfas_;
};

class OgCallFrameInfo::Common::Impl::Extended final : public OgCallFrameInfo::Common::Impl {
 public:
  // `resources` and `cfas` are the rules of the names past the original's.
  Extended(GeRcRef<const Common> original, GeRcRef<const OgCfiNames> names, bool valid,
           std::vector<OgCfiRule> resources, std::vector<OgCfiRule> cfas);

  const OgCfiNames& Names() const override { return *names_; }
  const Common* Original() const override { return original_.Get(); }
  int CodeAlign() const override { return original_->CodeAlign(); }
  int DataAlign() const override { return original_->DataAlign(); }
  int64_t ReturnAddress() const override { return original_->ReturnAddress(); }
  bool Valid() const override { return valid_; }
  const OgCfiRule& Rule(const OgCfiTarget& target) const override;

 private:
  GeRcRef<const Common> original_;
  GeRcRef<const OgCfiNames> names_;
  bool valid_;
  std::vector<OgCfiRule> resources_;
  std::vector<OgCfiRule> cfas_;
};

// The model of one module: names and common parts in the order defined, data
// blocks in the order closed.
struct cfi_module_model {
  std::vector<GeRcRef<const OgCfiNames>> names;
  std::vector<GeRcRef<const OgCallFrameInfo::Common>> commons;
  std::vector<std::unique_ptr<OgCallFrameInfo>> blocks;

  bool empty() const { return names.empty() && commons.empty() && blocks.empty(); }
};
