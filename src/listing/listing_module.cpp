// listing_module.cpp — the listing of a module (A01), written after its pass 2
// from the statement records: the header block, the diagnostics block, every
// statement the listing bits it copied let through with its diagnostics in
// place, then the segment and label tables. After a stop, what the module
// reported is written before the list file closes.
#include <cstring>

#include "diag/diag.h"
#include "listing/listing.h"
#include "listing/symbol_listing.h"
#include "driver/context.h"
#include "driver/passes.h"
#include "driver/statement.h"
#include "driver/stops.h"

namespace {

constexpr uint32_t kListRepeat = LIST_DEFAULT_0100;  // repeat-block expansions listed
constexpr int kHiddenOrigin = 2;                      // source records that show only their diagnostics

// The concatenated pieces as diagnostic lines.
void list_pieces(asm_context& cx, const diag_piece* piece) {
  std::string& text = cx.listing.scratch;
  text.clear();
  for (; piece != nullptr; piece = piece->next) text.append(piece->text, piece->length);
  if (!text.empty()) list_diagnostic_text(cx, text);
}

// Every diagnostic of the module first, in statement order, then those of no
// statement; two empty lines close the block. False when there was none.
bool list_diagnostics_block(asm_context& cx) {
  const diag_piece* loose = take_loose_diagnostics(cx);
  const driver_state& d = cx.driver;
  bool any = false;
  if (d.module_errors + d.module_warnings > 0) {
    for (const statement_rec* r = cx.stmt.first; r != nullptr; r = r->next) {
      if (r->diag_first == nullptr) continue;
      list_pieces(cx, r->diag_first);
      any = true;
    }
  }
  if (loose != nullptr) {
    list_pieces(cx, loose);
    any = true;
  }
  if (any) {
    list_empty_line(cx);
    list_empty_line(cx);
  }
  return any;
}

// The page lengths set by PAGSIZ and LSTPAG up to and including `at`
// (all that are left when `at` is null).
void apply_page_events(asm_context& cx, const statement_rec* at) {
  listing_state& L = cx.listing;
  while (L.next_event < L.events.size() && (at == nullptr || L.events[L.next_event].at == at))
    L.page_length = L.events[L.next_event++].length;
}

bool from_main_file(const asm_context& cx, const line_rec& line) {
  const char* main = cx.source.files[0].name;
  return line.file_name == main || std::strcmp(line.file_name, main) == 0;
}

// Whether a statement gets its listing line, by the bits it copied when it
// was read and where its line came from.
bool is_listed(const statement_rec& r, bool included, bool list_includes) {
  const uint32_t f = r.listing_flags;
  if (!(f & LIST_ON) || (f & AVM_NOT_LISTED)) return false;
  if (r.line != nullptr && r.line->origin == kHiddenOrigin) return false;
  if ((r.expansion & AVM_MACRO_LINE) && !(f & LIST_MACRO_EXPANSION)) return false;
  if ((r.expansion & AVM_STRUCTURED_LINE) && !(f & LIST_STRUCTURED)) return false;
  if ((r.expansion & AVM_REPEAT_LINE) && !(f & kListRepeat)) return false;
  return !included || list_includes;
}

// The statements in source order. Expansion lines and included lines are
// numbered after the last source line; a statement that is not listed still
// shows its diagnostics where it stands.
void list_statements(asm_context& cx) {
  listing_state& L = cx.listing;
  const bool list_includes = cx.driver.opt.list_includes != 0;
  const bool dual = cx.driver.opt.xref_line_spacing > 1;
  for (const statement_rec* r = cx.stmt.first; r != nullptr; r = r->next) {
    if (r->kind_word != kAvmKindWord) internal_error(cx, "print_cycles in A01", "Not an AVM record");
    apply_page_events(cx, r);
    const bool expanded = r->expansion != 0;
    const bool included = r->line != nullptr && !expanded && !from_main_file(cx, *r->line);
    if (r->line != nullptr && !expanded && !included) {
      L.last_line_no = r->line->line_no;
      L.sub_line = 0;
    }
    if ((r->listing_flags & LIST_ON) && (r->listing_flags & AVM_PAGE)) list_page(cx);
    if (!is_listed(*r, included, list_includes)) {
      list_pieces(cx, r->diag_first);
      continue;
    }
    line_number number{number_kind::none, 0, 0};
    if (r->line != nullptr)
      number = expanded || included ? line_number{number_kind::expansion, L.last_line_no, ++L.sub_line}
                                    : line_number{number_kind::source, r->line->line_no, 0};
    list_statement(cx, *r, number);
    if (dual) list_empty_line(cx);
    list_pieces(cx, r->diag_first);
  }
}

}  // namespace

void list_module(asm_context& cx) {
  listing_state& L = cx.listing;
  if (!listing_open(cx)) {
    take_loose_diagnostics(cx);
    apply_page_events(cx, nullptr);
    return;
  }
  L.state = module_listing::writing;
  list_header(cx);
  list_diagnostics_block(cx);
  if (cx.module.has_content) list_statements(cx);
  apply_page_events(cx, nullptr);
  if (cx.driver.opt.listing_flags & LIST_XREF) list_symbol_tables(cx);
  L.state = module_listing::written;
}

void start_module_listing(asm_context& cx) {
  cx.listing.reset_for_module();
  list_page(cx);
}

void list_after_stop(asm_context& cx) {
  listing_state& L = cx.listing;
  if (!listing_open(cx) || !cx.driver.files.assembly_started || L.state != module_listing::pending) return;
  L.state = module_listing::writing;  // a stop while writing this does not come back here
  list_header(cx);
  list_diagnostics_block(cx);
  L.state = module_listing::written;
}
