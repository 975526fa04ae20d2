// afe_cfi.cpp — the CFI directive's handler and its front-end scanner: tokens
// from the lexer, diagnostics as error 103, code positions from the current
// segment, function labels from the symbol table; the module's end and reset.
#include "cfi/afe_cfi.h"

#include "cfi/cfi_state.h"
#include "cfi/cfi_text.h"
#include "diag/diag.h"
#include "directives/directive_table.h"
#include "directives/segments.h"
#include "driver/context.h"
#include "driver/statement.h"
#include "driver/stops.h"
#include "source/lexer.h"

namespace {

// Segment types that hold code: untyped, CODE, FARCODE, HUGECODE, NEARCODE.
constexpr uint8_t kCodeSegmentTypes[] = {0, 1, 14, 15, 16};

// Every CFI complaint goes through here: error 103 at a column of the line.
void cfi_error_at(asm_context& cx, int column, const char* text) {
  cx.diag.token_column = column > 0 ? column : 1;
  user_error(cx, gen_err::cfi_error, text);
}

// The location counter a rule is placed at: the current segment's.
int64_t current_location(const asm_context& cx) {
  return cx.segs.current != nullptr ? cx.segs.current->location : 0;
}

// Identifiers read for the directive do not become user symbols.
struct no_new_symbols {
  explicit no_new_symbols(asm_context& c) : cx(c), was(c.lex.create_symbols) { cx.lex.create_symbols = false; }
  ~no_new_symbols() { cx.lex.create_symbols = was; }
  asm_context& cx;
  bool was;
};

void report_internal(asm_context& cx, const GeInternalError& e) {
  internal_error(cx, e.Where(), e.Text().c_str());
}

void do_cfi(asm_context& cx, const statement_call& call) {
  if (cx.cfi.scanner == nullptr) cx.cfi.scanner = std::make_unique<AfeACfiScanner>(cx);
  cx.cfi.scanner->ScanStatement(call);
}

// clang-format off
constexpr directive_entry kCfiDirectives[] = {
    // name  class            flags  case        handler
    {"CFI",  DCLASS_ORDINARY, 0,     UPPER_CASE, do_cfi},
};
// clang-format on

}  // namespace

bool segment_can_carry_cfi(const segment_rec* seg) {
  if (seg == nullptr || seg->kind == SEG_STACK || seg->kind == SEG_COMMON) return false;
  for (uint8_t type : kCodeSegmentTypes)
    if (seg->type == type) return true;
  return false;
}

// The end of the operands is placed right after their last token, not after
// a comment that may follow.
void AfeACfiScanner::ReadTokens(int after_operation) {
  no_new_symbols guard(cx_);
  pending_.clear();
  text_.clear();
  const bool exact = cx_.symbols.user_case_sensitive;
  int end_column = after_operation;
  for (;;) {
    const token& t = next_token(cx_);
    if (t.kind == TOK_EOL || t.kind == TOK_EOF) {
      token end = t;
      save_or_get_token(cx_, TOKEN_SAVE, end);
      pending_.push_back({ACfiToken{ACfiToken::kEnd, end_column, {}, {}, 0, 0}, 0, 0, 0});
      break;
    }
    end_column = t.column + static_cast<int>(t.length);
    pending_token p{};
    p.token.column = t.column;
    p.text_at = static_cast<uint32_t>(text_.size());
    text_.append(t.text, t.length);
    p.key_at = p.text_at;
    switch (t.kind) {
      case TOK_IDENT:
        p.token.kind = ACfiToken::kName;
        if (!exact) {
          p.key_at = static_cast<uint32_t>(text_.size());
          for (uint32_t i = 0; i < t.length; ++i) text_ += cfi_upper(t.text[i]);
        }
        break;
      case TOK_NUMBER:
        p.token.kind = ACfiToken::kNumber;
        p.token.value = t.value;
        break;
      case TOK_PUNCT:
        p.token.kind = ACfiToken::kPunct;
        p.token.code = t.code;
        break;
      default: p.token.kind = ACfiToken::kOther; break;
    }
    p.length = t.length;
    pending_.push_back(p);
  }
  // The text buffer is complete: the views into it stay valid now.
  tokens_.clear();
  for (const pending_token& p : pending_) {
    ACfiToken t = p.token;
    if (t.kind != ACfiToken::kEnd) {
      t.text = std::string_view(text_.data() + p.text_at, p.length);
      t.key = std::string_view(text_.data() + p.key_at, p.length);
    }
    tokens_.push_back(t);
  }
}

void AfeACfiScanner::ScanStatement(const statement_call& call) {
  record_ = call.record;
  ReadTokens(call.operation_column + call.operation->length);
  if (record_ != nullptr && record_->operand_column[0] == 0 && tokens_.size() > 1)
    record_->operand_column[0] = tokens_.front().column;
  try {
    Scan(tokens_.data(), tokens_.size() - 1);
  } catch (const GeInternalError& e) {
    report_internal(cx_, e);
  }
  record_ = nullptr;
}

cfi_module_model AfeACfiScanner::EndModuleHere() {
  const statement_rec* at = cx_.stmt.current;
  const int column = at != nullptr && at->operation_column > 0 ? at->operation_column : cx_.diag.token_column;
  return EndModule(column);
}

void AfeACfiScanner::Forget() {
  ResetModule();
  TakeModel();
}

void AfeACfiScanner::Report(int column, const std::string& text) { cfi_error_at(cx_, column, text.c_str()); }

ACfiCodePosition AfeACfiScanner::Position() {
  ACfiCodePosition at;
  segment_rec* seg = cx_.segs.current;
  statement_rec* rec = record_ != nullptr ? record_ : cx_.stmt.current;
  at.segment = seg;
  at.location = current_location(cx_);
  at.module = cx_.module.begun;
  at.can_carry_cfi = segment_can_carry_cfi(seg);
  // The statement's record carries the place for pass 2, where the final
  // offset of the row is read.
  if (rec != nullptr && rec->segment == nullptr && seg != nullptr) {
    rec->segment = seg;
    rec->location = static_cast<long>(at.location);
  }
  at.statement = rec;
  return at;
}

bool AfeACfiScanner::IsFunctionLabel(std::string_view name) {
  ident_node* node = check_ident(cx_, name.data(), name.size(), true);
  ident_node* user = find_kind(node, KIND_USER);
  if (user == nullptr) return false;
  const label_rec* rec = get_label_rec(cx_, user);
  return rec != nullptr && (rec->flags & (LBL_EXTERN | LBL_VARIABLE)) == 0;
}

cfi_state::cfi_state() = default;
cfi_state::~cfi_state() = default;

void register_cfi_directives(asm_context& cx) { register_directives(cx, kCfiDirectives); }

void cfi_end_module(asm_context& cx) {
  if (cx.cfi.scanner == nullptr) return;
  try {
    cx.cfi.finished = std::make_unique<cfi_module_model>(cx.cfi.scanner->EndModuleHere());
  } catch (const GeInternalError& e) {
    report_internal(cx, e);
  }
}

void cfi_reset_module(asm_context& cx) {
  cx.cfi.finished.reset();
  if (cx.cfi.scanner != nullptr) cx.cfi.scanner->Forget();
}
