// acfi_names_scanner.cpp — the directives of an open names block: resources,
// resource parts, frame addresses and frame cells. Each directive is read and
// checked whole before anything is inserted, so a refused one has no effect.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "cfi/acfi_messages.h"
#include "cfi/acfi_scanner.h"

namespace {

struct names_directive {
  ACfiWord word;
  bool plain;     // usable in a plain names block
  bool extended;  // usable in an extended one
  void (ACfiNamesScanner::*handler)(ACfiNamesBlock& block, ACfiCursor& c);
};

}  // namespace

// Which directive a names block of each kind accepts.
struct ACfiNamesScanner::Table {
  // clang-format off
  static constexpr names_directive kRows[] = {
      // word                          plain  extended  handler
      {ACfiWord::STACKFRAME,           true,  false,    &ACfiNamesScanner::StackFrames},
      {ACfiWord::STATICOVERLAYFRAME,   true,  false,    &ACfiNamesScanner::StaticOverlayFrames},
      {ACfiWord::BASEADDRESS,          true,  false,    &ACfiNamesScanner::BaseAddresses},
      {ACfiWord::RESOURCE,             true,  false,    &ACfiNamesScanner::PlainResources},
      {ACfiWord::VIRTUALRESOURCE,      true,  false,    &ACfiNamesScanner::VirtualResources},
      {ACfiWord::RESOURCEPARTS,        true,  false,    &ACfiNamesScanner::ResourceParts},
      {ACfiWord::FRAMECELL,            false, true,     &ACfiNamesScanner::FrameCells},
  };
  // clang-format on
};

bool ACfiNamesScanner::Scan(ACfiNamesBlock& block, ACfiCursor& c) {
  const ACfiToken& first = c.Peek();
  const ACfiWord w = c.PeekWord();
  if (cfi_opens_block(w)) {
    s_.Error(first.column, cfi_msg::kAlreadyNames);
    return false;
  }
  if (w == ACfiWord::ENDNAMES) {
    c.Next();
    const ACfiToken* name = s_.ExpectName(c);
    if (name == nullptr || !s_.ExpectEnd(c)) return false;
    if (name->key == block.Key()) return true;
    s_.Error(name->column, cfi_msg::kNamesWrongClose);
    return false;
  }
  for (const names_directive& row : Table::kRows) {
    if (row.word != w) continue;
    if (block.IsExtension() ? !row.extended : !row.plain) {
      s_.Error(first.column, block.IsExtension() ? cfi_msg::kNotInExtended : cfi_msg::kNotInPlain);
      return false;
    }
    c.Next();
    (this->*row.handler)(block, c);
    return false;
  }
  s_.Error(first.column, cfi_msg::kUnknownNamesDirective);
  return false;
}

// A name for a new resource or CFA: no word of the language, not defined in
// the names, and room for it beside the `pending` ones of the directive.
bool ACfiNamesScanner::NameIsFree(ACfiNamesBlock& block, const ACfiToken& t, std::size_t pending) {
  if (!s_.NotReserved(t)) return false;
  const OgCfiNames& names = block.Names();
  if (names.FindResource(t.key) >= 0 || names.FindCfa(t.key) >= 0) {
    s_.Error(t.column, cfi_msg::kAlreadyDefined);
    return false;
  }
  if (names.ResourceCount() + pending >= kMaxCfiNames || names.CfaCount() + pending >= kMaxCfiNames) {
    s_.Error(t.column, cfi_msg::kTooManyNames);
    return false;
  }
  return true;
}

// The first name of the directive that repeats an earlier one, or null:
// sorted by key, the later of two equal neighbours is a repeat.
const ACfiToken* ACfiNamesScanner::FirstRepeat(const std::vector<const ACfiToken*>& line) {
  std::vector<std::size_t> order(line.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return line[a]->key < line[b]->key; });
  std::size_t first = line.size();
  for (std::size_t i = 1; i < order.size(); ++i)
    if (line[order[i]]->key == line[order[i - 1]]->key && order[i] < first) first = order[i];
  return first < line.size() ? line[first] : nullptr;
}

bool ACfiNamesScanner::NoRepeat(const std::vector<const ACfiToken*>& line, const char* text, bool with_name) {
  const ACfiToken* repeat = FirstRepeat(line);
  if (repeat == nullptr) return true;
  s_.Error(repeat->column, with_name ? std::string(repeat->text).append(text) : std::string(text));
  return false;
}

namespace {

OgCfiNames::Cfa make_cfa(const ACfiToken& t, OgCfiCfaKind kind, const ACfiToken* detail) {
  OgCfiNames::Cfa f;
  f.name.assign(t.text);
  f.key.assign(t.key);
  f.kind = kind;
  if (detail != nullptr) {
    f.detail.assign(detail->text);
    f.detail_key.assign(detail->key);
  }
  return f;
}

OgCfiNames::Resource make_resource(const ACfiToken& t, int64_t size, OgCfiResourceKind kind) {
  OgCfiNames::Resource r;
  r.name.assign(t.text);
  r.key.assign(t.key);
  r.size = static_cast<uint32_t>(size);
  r.kind = kind;
  return r;
}

}  // namespace

// cfa [detail] {, cfa [detail]}: the frame addresses of one directive.
bool ACfiNamesScanner::ReadCfas(ACfiNamesBlock& block, ACfiCursor& c, OgCfiCfaKind kind,
                                std::vector<OgCfiNames::Cfa>& out) {
  std::vector<const ACfiToken*> line;
  do {
    const ACfiToken* name = s_.ExpectName(c);
    if (name == nullptr || !NameIsFree(block, *name, line.size())) return false;
    const ACfiToken* detail = nullptr;
    if (kind != OgCfiCfaKind::base_address && (detail = s_.ExpectName(c)) == nullptr) return false;
    line.push_back(name);
    out.push_back(make_cfa(*name, kind, detail));
  } while (c.TakePunct(','));
  return s_.ExpectEnd(c) && NoRepeat(line, cfi_msg::kAlreadyDefined, false);
}

// STACKFRAME cfa resource {, cfa resource}
void ACfiNamesScanner::StackFrames(ACfiNamesBlock& block, ACfiCursor& c) {
  std::vector<OgCfiNames::Cfa> cfas;
  if (!ReadCfas(block, c, OgCfiCfaKind::stack_frame, cfas)) return;
  for (OgCfiNames::Cfa& f : cfas) block.InsertDynamicCFA(std::move(f));
}

// STATICOVERLAYFRAME cfa segment {, cfa segment}
void ACfiNamesScanner::StaticOverlayFrames(ACfiNamesBlock& block, ACfiCursor& c) {
  std::vector<OgCfiNames::Cfa> cfas;
  if (!ReadCfas(block, c, OgCfiCfaKind::static_overlay, cfas)) return;
  for (OgCfiNames::Cfa& f : cfas) block.InsertStaticCFA(std::move(f));
}

// BASEADDRESS cfa {, cfa}
void ACfiNamesScanner::BaseAddresses(ACfiNamesBlock& block, ACfiCursor& c) {
  std::vector<OgCfiNames::Cfa> cfas;
  if (!ReadCfas(block, c, OgCfiCfaKind::base_address, cfas)) return;
  for (OgCfiNames::Cfa& f : cfas) block.InsertDynamicCFA(std::move(f));
}

void ACfiNamesScanner::PlainResources(ACfiNamesBlock& block, ACfiCursor& c) { Resources(block, c, false); }
void ACfiNamesScanner::VirtualResources(ACfiNamesBlock& block, ACfiCursor& c) { Resources(block, c, true); }

// RESOURCE name:size {, name:size}, VIRTUALRESOURCE the same
void ACfiNamesScanner::Resources(ACfiNamesBlock& block, ACfiCursor& c, bool is_virtual) {
  std::vector<const ACfiToken*> line;
  std::vector<OgCfiNames::Resource> resources;
  do {
    const ACfiToken* name = s_.ExpectName(c);
    int64_t size = 0;
    if (name == nullptr || !NameIsFree(block, *name, line.size()) ||
        !s_.ExpectSize(c, 0xFFFF, cfi_msg::kSizeAboveZero, cfi_msg::kSizeRange, size))
      return;
    line.push_back(name);
    resources.push_back(make_resource(
        *name, size, is_virtual ? OgCfiResourceKind::virtual_resource : OgCfiResourceKind::resource));
  } while (c.TakePunct(','));
  if (!s_.ExpectEnd(c) || !NoRepeat(line, cfi_msg::kAlreadyDefined, false)) return;
  for (OgCfiNames::Resource& r : resources) block.InsertResource(std::move(r));
}

// A resource of the names for RESOURCEPARTS.
const ACfiToken* ACfiNamesScanner::ReadResource(ACfiNamesBlock& block, ACfiCursor& c, uint32_t& out) {
  const ACfiToken* name = s_.ExpectName(c);
  if (name == nullptr) return nullptr;
  const int64_t r = block.Names().FindResource(name->key);
  if (r < 0) {
    if (block.Names().FindCfa(name->key) >= 0)
      s_.Error(name->column, cfi_msg::kExpectedResource);
    else
      s_.Error(name->column, std::string(cfi_msg::kUnknownName).append(name->text));
    return nullptr;
  }
  out = static_cast<uint32_t>(r);
  return name;
}

// RESOURCEPARTS resource part, part {, part}
void ACfiNamesScanner::ResourceParts(ACfiNamesBlock& block, ACfiCursor& c) {
  const OgCfiNames& names = block.Names();
  const int column = c.Peek().column;
  uint32_t whole = 0;
  if (!ReadResource(block, c, whole)) return;
  if (!names.ResourceAt(whole).parts.empty()) {
    s_.Error(column, std::string(names.ResourceAt(whole).name).append(cfi_msg::kHasParts));
    return;
  }
  std::vector<uint32_t> parts;
  std::vector<const ACfiToken*> line;
  int64_t sum = 0;  // at most 65535 per part: no wrap in 64 bits
  do {
    uint32_t part = 0;
    const ACfiToken* name = ReadResource(block, c, part);
    if (name == nullptr) return;
    if (names.ResourceAt(part).parent >= 0) {
      s_.Error(name->column, std::string(names.ResourceAt(part).name).append(cfi_msg::kIsPart));
      return;
    }
    parts.push_back(part);
    line.push_back(name);
    sum += names.ResourceAt(part).size;
  } while (c.TakePunct(','));
  if (!s_.ExpectEnd(c) || !NoRepeat(line, cfi_msg::kIsPart, true)) return;
  if (parts.size() < 2) {
    s_.Error(column, cfi_msg::kTwoOrMoreParts);
    return;
  }
  if (sum != names.ResourceAt(whole).size) {
    s_.Error(column, cfi_msg::kPartsSizeSum);
    return;
  }
  block.InsertParts(whole, std::move(parts));
}

// FRAMECELL name:size cfa offset {, name:size cfa offset}
void ACfiNamesScanner::FrameCells(ACfiNamesBlock& block, ACfiCursor& c) {
  std::vector<const ACfiToken*> line;
  std::vector<OgCfiNames::Resource> cells;
  do {
    const ACfiToken* name = s_.ExpectName(c);
    int64_t size = 0;
    if (name == nullptr || !NameIsFree(block, *name, line.size()) ||
        !s_.ExpectSize(c, 4, cfi_msg::kCellSize, cfi_msg::kCellSize, size))
      return;
    const ACfiToken* cfa = s_.ExpectName(c);
    if (cfa == nullptr) return;
    const int64_t f = block.Names().FindCfa(cfa->key);
    if (f < 0) {
      s_.Error(cfa->column, block.Names().FindResource(cfa->key) >= 0
                                ? std::string(cfi_msg::kExpectedCfa)
                                : std::string(cfi_msg::kUnknownName).append(cfa->text));
      return;
    }
    int64_t offset = 0;
    if (!s_.ExpectNumber(c, INT32_MIN, INT32_MAX, cfi_msg::kExpectedNumber, cfi_msg::kOutOfRange, offset)) return;
    line.push_back(name);
    OgCfiNames::Resource r = make_resource(*name, size, OgCfiResourceKind::frame_cell);
    r.cell_cfa = static_cast<uint32_t>(f);
    r.cell_offset = static_cast<int32_t>(offset);
    cells.push_back(std::move(r));
  } while (c.TakePunct(','));
  if (!s_.ExpectEnd(c) || !NoRepeat(line, cfi_msg::kAlreadyDefined, false)) return;
  for (OgCfiNames::Resource& r : cells) block.InsertFrameCell(std::move(r));
}
