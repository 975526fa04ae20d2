// acfi_scanner.cpp — the CFI directive's blocks: opening and closing names,
// common and data blocks, the directives of common and data blocks, and the
// checks a common block must pass before functions can use it.
#include "cfi/acfi_scanner.h"

#include "cfi/acfi_messages.h"
#include "cfi/cfi_text.h"

namespace {

struct word_row {
  const char* name;
  ACfiWord word;
};

// clang-format off
constexpr word_row kWords[] = {
    {"NAMES",              ACfiWord::NAMES},
    {"ENDNAMES",           ACfiWord::ENDNAMES},
    {"EXTENDS",            ACfiWord::EXTENDS},
    {"COMMON",             ACfiWord::COMMON},
    {"ENDCOMMON",          ACfiWord::ENDCOMMON},
    {"USING",              ACfiWord::USING},
    {"BLOCK",              ACfiWord::BLOCK},
    {"ENDBLOCK",           ACfiWord::ENDBLOCK},
    {"STACKFRAME",         ACfiWord::STACKFRAME},
    {"STATICOVERLAYFRAME", ACfiWord::STATICOVERLAYFRAME},
    {"BASEADDRESS",        ACfiWord::BASEADDRESS},
    {"RESOURCE",           ACfiWord::RESOURCE},
    {"VIRTUALRESOURCE",    ACfiWord::VIRTUALRESOURCE},
    {"RESOURCEPARTS",      ACfiWord::RESOURCEPARTS},
    {"FRAMECELL",          ACfiWord::FRAMECELL},
    {"CODEALIGN",          ACfiWord::CODEALIGN},
    {"DATAALIGN",          ACfiWord::DATAALIGN},
    {"RETURNADDRESS",      ACfiWord::RETURNADDRESS},
    {"FUNCTION",           ACfiWord::FUNCTION},
    {"NOFUNCTION",         ACfiWord::NOFUNCTION},
    {"PICKER",             ACfiWord::PICKER},
    {"CONDITIONAL",        ACfiWord::CONDITIONAL},
    {"REMEMBERSTATE",      ACfiWord::REMEMBERSTATE},
    {"RESTORESTATE",       ACfiWord::RESTORESTATE},
    {"VALID",              ACfiWord::VALID},
    {"INVALID",            ACfiWord::INVALID},
    {"UNDEFINED",          ACfiWord::UNDEFINED},
    {"SAMEVALUE",          ACfiWord::SAMEVALUE},
    {"CONCAT",             ACfiWord::CONCAT},
    {"FRAME",              ACfiWord::FRAME},
    {"USED",               ACfiWord::USED},
    {"NOTUSED",            ACfiWord::NOTUSED},
    {"LITERAL",            ACfiWord::LITERAL},
    {"LOAD",               ACfiWord::LOAD},
};
// clang-format on

// Words that only a names block knows, and those only a common block knows:
// met in another block they are a misplaced directive, not a rule's target.
bool names_word(ACfiWord w) {
  return w == ACfiWord::ENDNAMES || w == ACfiWord::STACKFRAME || w == ACfiWord::STATICOVERLAYFRAME ||
         w == ACfiWord::BASEADDRESS || w == ACfiWord::RESOURCE || w == ACfiWord::VIRTUALRESOURCE ||
         w == ACfiWord::RESOURCEPARTS || w == ACfiWord::FRAMECELL;
}
bool common_word(ACfiWord w) {
  return w == ACfiWord::ENDCOMMON || w == ACfiWord::CODEALIGN || w == ACfiWord::DATAALIGN ||
         w == ACfiWord::RETURNADDRESS;
}
bool data_word(ACfiWord w) {
  return w == ACfiWord::FUNCTION || w == ACfiWord::NOFUNCTION || w == ACfiWord::PICKER ||
         w == ACfiWord::CONDITIONAL || w == ACfiWord::REMEMBERSTATE || w == ACfiWord::RESTORESTATE ||
         w == ACfiWord::ENDBLOCK;
}

std::string cat(std::string_view a, std::string_view b, std::string_view c = {}, std::string_view d = {}) {
  std::string s;
  s.reserve(a.size() + b.size() + c.size() + d.size());
  s.append(a).append(b).append(c).append(d);
  return s;
}

}  // namespace

ACfiWord cfi_word(std::string_view text) {
  if (text.size() < 2 || text.size() > 18) return ACfiWord::none;
  const char first = cfi_upper(text[0]);
  for (const word_row& w : kWords)
    if (w.name[0] == first && cfi_same_word(text, w.name)) return w.word;
  return ACfiWord::none;
}

ACfiScanner::ACfiScanner() : names_scanner_(*this) {}
ACfiScanner::~ACfiScanner() = default;

// ---- Shared token helpers --------------------------------------------------

const ACfiToken* ACfiScanner::ExpectName(ACfiCursor& c) {
  if (c.Peek().kind != ACfiToken::kName) {
    Error(c.Peek().column, cfi_msg::kExpectedName);
    return nullptr;
  }
  return &c.Next();
}

bool ACfiScanner::ExpectNumber(ACfiCursor& c, int64_t lo, int64_t hi, const char* missing_text,
                               const char* range_text, int64_t& out) {
  const int column = c.Peek().column;
  const bool minus = c.IsPunct('-');
  if (minus || c.IsPunct('+')) c.Next();
  const ACfiToken& t = c.Peek();
  if (t.kind != ACfiToken::kNumber) {
    Error(t.column, missing_text);
    return false;
  }
  c.Next();
  // The lexer's value is never negative but for numbers beyond 64 bits, so
  // the negation cannot overflow.
  const int64_t v = minus ? -t.value : t.value;
  if (t.value < 0 || v < lo || v > hi) {
    Error(column, range_text);
    return false;
  }
  out = v;
  return true;
}

bool ACfiScanner::ExpectSize(ACfiCursor& c, int64_t hi, const char* low_text, const char* range_text, int64_t& out) {
  if (!ExpectPunct(c, ':')) return false;
  const int column = c.Peek().column;
  int64_t v = 0;
  if (!ExpectNumber(c, INT64_MIN + 1, INT64_MAX, low_text, range_text, v)) return false;
  if (v <= 0 || v > hi) {
    Error(column, v <= 0 ? low_text : range_text);
    return false;
  }
  out = v;
  return true;
}

bool ACfiScanner::ExpectPunct(ACfiCursor& c, int ch) {
  if (c.TakePunct(ch)) return true;
  const char* text = ch == ':'   ? cfi_msg::kExpectedColon
                     : ch == ',' ? cfi_msg::kExpectedComma
                     : ch == '(' ? cfi_msg::kExpectedOpen
                                 : cfi_msg::kExpectedClose;
  Error(c.Peek().column, text);
  return false;
}

bool ACfiScanner::ExpectEnd(ACfiCursor& c) {
  if (c.AtEnd()) return true;
  Error(c.Peek().column, cfi_msg::kExpectedEnd);
  return false;
}

bool ACfiScanner::NotReserved(const ACfiToken& t) {
  if (cfi_word(t.text) == ACfiWord::none && find_cfi_operator(t.text) == nullptr) return true;
  Error(t.column, cfi_msg::kReserved);
  return false;
}

// ---- Dispatch ----------------------------------------------------------------

void ACfiScanner::Scan(const ACfiToken* tokens, std::size_t count) {
  ACfiCursor c(tokens, count);
  if (c.AtEnd()) {
    Error(c.Peek().column, cfi_msg::kExpectedDirective);
    return;
  }
  if (open_names_ != nullptr) {
    if (names_scanner_.Scan(*open_names_, c)) {
      GeRcRef<const OgCfiNames> names = open_names_->Finish();
      names_.emplace(open_names_->Key(), names);
      AddNames(std::move(names));
      open_names_.reset();
    }
    return;
  }
  if (open_common_ != nullptr) {
    ScanCommon(c);
    return;
  }
  switch (c.PeekWord()) {
    case ACfiWord::NAMES: OpenNames(c); return;
    case ACfiWord::COMMON: OpenCommon(c); return;
    case ACfiWord::BLOCK: OpenData(c); return;
    case ACfiWord::ENDBLOCK: CloseData(c); return;
    default: break;
  }
  if (open_data_.empty()) {
    Error(c.Peek().column, cfi_msg::kExpectedBlock);
    return;
  }
  ScanData(c);
}

cfi_module_model ACfiScanner::EndModule(int column) {
  if (open_names_ != nullptr) Error(column, cat("Names block ", open_names_->Name(), cfi_msg::kNotClosedAtEnd));
  if (open_common_ != nullptr) Error(column, cat("Common block ", open_common_->Name(), cfi_msg::kNotClosedAtEnd));
  for (const auto& b : open_data_) {
    Error(column, cat("Data block ", b->Name(), cfi_msg::kNotClosedAtEnd));
    left_open_.insert(b->Key());
  }
  ResetModule();
  return TakeModel();
}

void ACfiScanner::ResetModule() {
  open_names_.reset();
  open_common_.reset();
  open_data_.clear();
  names_.clear();
  commons_.clear();
  data_names_.clear();
  data_sequence_ = 0;
}

// ---- Opening and closing blocks ----------------------------------------------

// NAMES name [EXTENDS names]
void ACfiScanner::OpenNames(ACfiCursor& c) {
  c.Next();
  const ACfiToken* name = ExpectName(c);
  if (name == nullptr) return;
  if (names_.count(name->key) != 0) {
    Error(name->column, cfi_msg::kNamesExists);
    return;
  }
  GeRcRef<const OgCfiNames> base;
  if (c.PeekWord() == ACfiWord::EXTENDS) {
    c.Next();
    const ACfiToken* b = ExpectName(c);
    if (b == nullptr) return;
    auto it = names_.find(b->key);
    if (it == names_.end()) {
      Error(b->column, cfi_msg::kNamesExtendUndefined);
      return;
    }
    base = it->second;
  }
  if (!ExpectEnd(c)) return;
  if (base)
    open_names_ = std::make_unique<ACfiNamesExtensionBlock>(std::string(name->text), std::string(name->key), base);
  else
    open_names_ = std::make_unique<ACfiNamesBlock>(std::string(name->text), std::string(name->key));
}

// COMMON name USING names | COMMON name EXTENDS common USING names
void ACfiScanner::OpenCommon(ACfiCursor& c) {
  c.Next();
  const ACfiToken* name = ExpectName(c);
  if (name == nullptr) return;
  if (commons_.count(name->key) != 0) {
    Error(name->column, cat("Common block ", name->text, cfi_msg::kAlreadyDefinedBlock));
    return;
  }
  GeRcRef<const OgCallFrameInfo::Common> original;
  const ACfiWord how = c.PeekWord();
  if (how != ACfiWord::USING && how != ACfiWord::EXTENDS) {
    Error(c.Peek().column, cfi_msg::kExpectedUsingOrExtends);
    return;
  }
  c.Next();
  if (how == ACfiWord::EXTENDS) {
    const ACfiToken* o = ExpectName(c);
    if (o == nullptr) return;
    auto it = commons_.find(o->key);
    if (it == commons_.end()) {
      Error(o->column, cat("Common block ", o->text, cfi_msg::kNotDefined));
      return;
    }
    original = it->second;
    if (c.PeekWord() != ACfiWord::USING) {
      Error(c.Peek().column, cfi_msg::kExpectedUsing);
      return;
    }
    c.Next();
  }
  const ACfiToken* n = ExpectName(c);
  if (n == nullptr) return;
  auto it = names_.find(n->key);
  if (it == names_.end()) {
    Error(n->column, cat("Names block ", n->text, cfi_msg::kNotDefined));
    return;
  }
  if (original && !it->second->Extends(&original->Names())) {
    Error(n->column, cat("Names block ", n->text, cfi_msg::kNotExtendingNames));
    return;
  }
  if (!ExpectEnd(c)) return;
  std::string text(name->text), key(name->key);
  if (original)
    open_common_ = std::make_unique<ACfiCommonExtensionBlock>(std::move(text), std::move(key), it->second, original);
  else
    open_common_ = std::make_unique<ACfiCommonBlock>(std::move(text), std::move(key), it->second);
}

// BLOCK name USING common
void ACfiScanner::OpenData(ACfiCursor& c) {
  c.Next();
  const ACfiToken* name = ExpectName(c);
  if (name == nullptr) return;
  if (c.PeekWord() != ACfiWord::USING) {
    Error(c.Peek().column, cfi_msg::kExpectedUsing);
    return;
  }
  c.Next();
  const ACfiToken* common = ExpectName(c);
  if (common == nullptr || !ExpectEnd(c)) return;
  auto it = commons_.find(common->key);
  if (it == commons_.end()) {
    Error(common->column, cat("Common block ", common->text, cfi_msg::kNotDefined));
    return;
  }
  if (data_names_.count(name->key) != 0) {
    Error(name->column, cat("Data block ", name->text, cfi_msg::kAlreadyDefinedBlock));
    return;
  }
  const ACfiCodePosition at = Position();
  if (!at.can_carry_cfi) {
    Error(name->column, cfi_msg::kNotCfiSegment);
    return;
  }
  data_names_.emplace(name->key);
  open_data_.push_back(std::make_unique<ACfiDataBlock>(std::string(name->text), std::string(name->key), it->second,
                                                       data_sequence_++, at.segment, at.statement, at.module));
}

// ENDBLOCK name
void ACfiScanner::CloseData(ACfiCursor& c) {
  c.Next();
  const ACfiToken* name = ExpectName(c);
  if (name == nullptr || !ExpectEnd(c)) return;
  auto it = open_data_.begin();
  while (it != open_data_.end() && (*it)->Key() != name->key) ++it;
  if (it == open_data_.end()) {
    auto left = left_open_.find(name->key);
    if (left != left_open_.end()) {
      left_open_.erase(left);
      Error(name->column, cfi_msg::kNotSameModule);
    } else if (open_data_.size() == 1) {
      Error(name->column, cfi_msg::kDataWrongClose);
    } else {
      Error(name->column, cat(cfi_msg::kNoDataOpen, name->text, cfi_msg::kOpen));
    }
    return;
  }
  ACfiDataBlock& b = **it;
  const ACfiCodePosition at = Position();
  if (at.module != b.Module()) {
    Error(name->column, cfi_msg::kNotSameModule);
    return;
  }
  if (at.segment != b.Segment()) {
    Error(name->column, cfi_msg::kNotSameSegment);
    return;
  }
  if (b.remembered > 0) {
    Error(name->column, cfi_msg::kUnmatchedRemember);
    return;
  }
  AddBlock(b.Finish(at.statement));
  open_data_.erase(it);
}

// ---- Common blocks -----------------------------------------------------------

void ACfiScanner::ScanCommon(ACfiCursor& c) {
  ACfiCommonBlock& b = *open_common_;
  const ACfiToken& first = c.Peek();
  const ACfiWord w = c.PeekWord();
  if (cfi_opens_block(w)) {
    Error(first.column, cfi_msg::kAlreadyCommon);
    return;
  }
  switch (w) {
    case ACfiWord::ENDCOMMON: CloseCommon(c); return;
    case ACfiWord::CODEALIGN: CommonAlignment(c, true); return;
    case ACfiWord::DATAALIGN: CommonAlignment(c, false); return;
    case ACfiWord::RETURNADDRESS: CommonReturnAddress(c); return;
    case ACfiWord::VALID:
    case ACfiWord::INVALID:
      c.Next();
      if (ExpectEnd(c)) b.settings.valid = w == ACfiWord::VALID;
      return;
    default: break;
  }
  if (names_word(w) || data_word(w) || first.kind != ACfiToken::kName) {
    Error(first.column, cfi_msg::kUnknownCommonDirective);
    return;
  }
  CommonRule(c);
}

// CODEALIGN n, DATAALIGN n
void ACfiScanner::CommonAlignment(ACfiCursor& c, bool code) {
  ACfiCommonBlock& b = *open_common_;
  const ACfiToken& word = c.Next();
  if (b.IsExtension()) {
    Error(word.column, cfi_msg::kNotInExtendedCommon);
    return;
  }
  if (code ? b.code_align_set : b.data_align_set || b.data_align_used) {
    Error(word.column, code ? cfi_msg::kCodeAlignSet : cfi_msg::kDataAlignSet);
    return;
  }
  int64_t v = 0;
  const int column = c.Peek().column;
  const char* range = code ? cfi_msg::kCodeAlignRange : cfi_msg::kDataAlignRange;
  if (!ExpectNumber(c, code ? 1 : -256, 256, range, range, v)) return;
  if (v == 0) {
    Error(column, cfi_msg::kDataAlignRange);
    return;
  }
  if (!ExpectEnd(c)) return;
  if (code) {
    b.settings.code_align = static_cast<int>(v);
    b.code_align_set = true;
  } else {
    b.settings.data_align = static_cast<int>(v);
    b.data_align_set = true;
  }
}

// RETURNADDRESS resource
void ACfiScanner::CommonReturnAddress(ACfiCursor& c) {
  ACfiCommonBlock& b = *open_common_;
  const ACfiToken& word = c.Next();
  if (b.IsExtension()) {
    Error(word.column, cfi_msg::kNotInExtendedCommon);
    return;
  }
  const ACfiToken* name = ExpectName(c);
  if (name == nullptr || !ExpectEnd(c)) return;
  const int64_t r = b.Names().FindResource(name->key);
  if (b.settings.return_address >= 0 || r < 0) {
    Error(name->column, cat(cfi_msg::kReturnAddress, name->text, cfi_msg::kNotResource));
    return;
  }
  b.settings.return_address = r;
}

// target rule
void ACfiScanner::CommonRule(ACfiCursor& c) {
  ACfiCommonBlock& b = *open_common_;
  const ACfiToken& name = c.Next();
  OgCfiTarget target;
  if (!ResolveTarget(b.Names(), name, target)) return;
  const bool original = target.index < (target.cfa ? b.FirstCfa() : b.FirstResource());
  if (original) {
    Error(name.column, cat(target.cfa ? "CFA " : "Resource ", name.text, cfi_msg::kSetupInOriginal));
    return;
  }
  ACfiSlot& slot = b.Setup().At(target);
  if (slot.stamp != 0) {
    Error(name.column, cat(target.cfa ? cfi_msg::kInitialCfa : cfi_msg::kInitialResource, name.text,
                           cfi_msg::kAlreadyInserted));
    return;
  }
  const int column = c.Peek().column;
  OgCfiRule rule;
  if (!ParseRule(c, b.Names(), rule) || !ExpectEnd(c)) return;
  if (rule.kind == OgCfiRuleKind::frame && !target.cfa) b.data_align_used = true;
  if (!CheckRule(b.Names(), target, rule, b.DataAlign(), column)) return;
  slot.stamp = 1;
  slot.rule = std::move(rule);
}

// ENDCOMMON name
void ACfiScanner::CloseCommon(ACfiCursor& c) {
  ACfiCommonBlock& b = *open_common_;
  c.Next();
  const ACfiToken* name = ExpectName(c);
  if (name == nullptr || !ExpectEnd(c)) return;
  if (name->key != b.Key()) {
    Error(name->column, cfi_msg::kCommonWrongClose);
    return;
  }
  if (!CheckCommonConsistency(b, name->column)) return;
  GeRcRef<const OgCallFrameInfo::Common> common = b.Finish(static_cast<uint32_t>(Model().commons.size()));
  commons_.emplace(b.Key(), common);
  AddCommon(std::move(common));
  open_common_.reset();
}

// Every resource and CFA of the block has its initial rule; a resource with
// parts is either CONCAT of parts of which one at least is defined, or has
// another rule with every part undefined; stack frames name resources.
bool ACfiScanner::CheckCommonConsistency(ACfiCommonBlock& b, int column) {
  const long errors = Errors();
  const OgCfiNames& names = b.Names();
  for (uint32_t i = b.FirstResource(); i < names.ResourceCount(); ++i)
    if (b.Setup().Resource(i).stamp == 0) Error(column, cat(cfi_msg::kNoInitialResource, names.ResourceAt(i).name));
  for (uint32_t i = b.FirstCfa(); i < names.CfaCount(); ++i)
    if (b.Setup().Cfa(i).stamp == 0) Error(column, cat(cfi_msg::kNoInitialCfa, names.CfaAt(i).name));
  for (uint32_t i = b.FirstResource(); i < names.ResourceCount(); ++i) {
    const OgCfiNames::Resource& r = names.ResourceAt(i);
    if (r.parts.empty() || b.Setup().Resource(i).stamp == 0) continue;
    const bool concat = b.Setup().Resource(i).rule.kind == OgCfiRuleKind::concat;
    int64_t defined_part = -1;
    for (uint32_t k = 0; k < r.parts.size() && defined_part < 0; ++k) {
      const uint32_t p = names.PartOf(i, k);
      if (b.Setup().Resource(p).rule.kind != OgCfiRuleKind::undefined) defined_part = p;
    }
    if (concat && defined_part < 0)
      Error(column, cat(cfi_msg::kAllPartsUndefined, r.name, cfi_msg::kRuleConcat));
    if (!concat && defined_part >= 0)
      Error(column, cat(cfi_msg::kInitialResource, r.name, cfi_msg::kRuleNotConcat,
                        cat(", ", names.ResourceAt(static_cast<uint32_t>(defined_part)).name,
                            cfi_msg::kRuleNotUndefined)));
  }
  if (!b.IsExtension()) {
    std::string missing;
    for (uint32_t i = 0; i < names.CfaCount(); ++i) {
      const OgCfiNames::Cfa& f = names.CfaAt(i);
      if (f.kind == OgCfiCfaKind::stack_frame && names.FindResource(f.detail_key) < 0) missing.append(" ").append(f.detail);
    }
    if (!missing.empty()) Error(column, cat(cfi_msg::kStackNotResource, missing));
  }
  return Errors() == errors;
}

// ---- Data blocks -------------------------------------------------------------

// The data block a directive is for: named by "(" block ")", or the only one open.
ACfiDataBlock* ACfiScanner::SelectData(ACfiCursor& c) {
  if (c.TakePunct('(')) {
    const ACfiToken& t = c.Peek();
    if (t.kind != ACfiToken::kName || !c.IsPunct(')', 1)) {
      Error(t.column, cfi_msg::kMissingDataRef);
      return nullptr;
    }
    c.Next();
    c.Next();
    for (auto& b : open_data_)
      if (b->Key() == t.key) return b.get();
    Error(t.column, cat(cfi_msg::kNoDataOpen, t.text, cfi_msg::kOpen));
    return nullptr;
  }
  if (open_data_.size() > 1) {
    Error(c.Peek().column, cfi_msg::kWhichDataBlock);
    return nullptr;
  }
  return open_data_.front().get();
}

void ACfiScanner::ScanData(ACfiCursor& c) {
  ACfiDataBlock* pb = SelectData(c);
  if (pb == nullptr) return;
  ACfiDataBlock& b = *pb;
  const ACfiToken& first = c.Peek();
  if (c.AtEnd()) {
    Error(first.column, cfi_msg::kExpectedDirective);
    return;
  }
  const ACfiWord w = c.PeekWord();
  if (names_word(w) || common_word(w) || cfi_opens_block(w) || w == ACfiWord::ENDBLOCK ||
      first.kind != ACfiToken::kName) {
    Error(first.column, cfi_msg::kUnknownDataDirective);
    return;
  }
  const ACfiCodePosition at = Position();
  if (at.segment != b.Segment()) {
    Error(first.column, cfi_msg::kNotSameSegment);
    return;
  }
  if (w == ACfiWord::FUNCTION || w == ACfiWord::NOFUNCTION) {
    c.Next();
    if (b.function_set) {
      Error(first.column, cfi_msg::kFunctionSet);
      return;
    }
    std::string label;
    if (w == ACfiWord::FUNCTION) {
      const ACfiToken& t = c.Peek();
      if (t.kind != ACfiToken::kName || !IsFunctionLabel(t.text)) {
        Error(t.column, cfi_msg::kNotFunctionLabel);
        return;
      }
      c.Next();
      label.assign(t.text);
    }
    if (!ExpectEnd(c)) return;
    b.Builder().SetFunction(std::move(label));
    b.function_set = true;
    return;
  }
  if (!b.function_set) {
    Error(first.column, cfi_msg::kFunctionFirst);
    return;
  }
  switch (w) {
    case ACfiWord::PICKER:
    case ACfiWord::CONDITIONAL: {
      c.Next();
      const uint8_t flag = w == ACfiWord::PICKER ? OgCallFrameInfoBuilder::kPicker : OgCallFrameInfoBuilder::kConditional;
      if (!ExpectEnd(c)) return;
      if ((b.kind_flags & ~flag) != 0) {
        Error(first.column, cfi_msg::kPickerConditional);
        return;
      }
      b.kind_flags |= flag;
      b.Builder().SetFlag(flag);
      return;
    }
    case ACfiWord::REMEMBERSTATE:
    case ACfiWord::RESTORESTATE:
    case ACfiWord::VALID:
    case ACfiWord::INVALID: {
      c.Next();
      if (!ExpectEnd(c)) return;
      if (w == ACfiWord::RESTORESTATE && b.remembered == 0) {
        Error(first.column, cfi_msg::kNoRememberedState);
        return;
      }
      b.GenerationAt(at.location);
      b.Builder().BeginRow(at.statement, at.location);
      if (w == ACfiWord::REMEMBERSTATE) {
        ++b.remembered;
        b.Builder().InsertMarker(OgCfiEntryOp::remember);
      } else if (w == ACfiWord::RESTORESTATE) {
        --b.remembered;
        b.NewGeneration();
        b.Builder().InsertMarker(OgCfiEntryOp::restore);
      } else {
        b.Builder().InsertMarker(w == ACfiWord::VALID ? OgCfiEntryOp::valid : OgCfiEntryOp::invalid);
      }
      return;
    }
    default: break;
  }
  DataRule(b, c, at);
}

// target rule, from the directive's code offset on.
void ACfiScanner::DataRule(ACfiDataBlock& b, ACfiCursor& c, const ACfiCodePosition& at) {
  const OgCfiNames& names = b.CommonPart().Names();
  const ACfiToken& name = c.Next();
  OgCfiTarget target;
  if (!ResolveTarget(names, name, target)) return;
  const int column = c.Peek().column;
  OgCfiRule rule;
  if (!ParseRule(c, names, rule) || !ExpectEnd(c)) return;
  if (!CheckRule(names, target, rule, b.CommonPart().DataAlign(), column)) return;
  const uint32_t generation = b.GenerationAt(at.location);
  if (!CheckRowConflict(b, target, rule, generation, name.column)) return;
  ACfiSlot& slot = b.Row().At(target);
  slot.stamp = generation;
  slot.rule.kind = rule.kind;
  b.Builder().BeginRow(at.statement, at.location);
  b.Builder().InsertRule(target, rule);
}
