// listing_directives.cpp — the listing-control directives (A01). They act
// while their statements are read: the LSTxxx switches change the listing
// bits that each later statement copies; LSTPAG and PAGSIZ change the page
// length from their statement on; PAGE marks its statement for a new page.
//
//   LSTOUT +|-   (LSTCND, LSTCOD, LSTEXP, LSTMAC, LSTREP, LSTXRF, LSTSAS alike)
//   LSTPAG +|-   paging on at the saved length, or off with the length saved
//   PAGSIZ n     page length n, clamped to 10..150
//   PAGE         a new page before this line
#include "directives/listing_directives.h"

#include <algorithm>

#include "diag/diag.h"
#include "listing/listing.h"
#include "directives/directive_table.h"
#include "directives/operands.h"
#include "driver/context.h"
#include "driver/statement.h"
#include "expr/expression.h"
#include "source/lexer.h"

namespace {

bool is_line_end(const token& t) { return t.kind == TOK_EOL || t.kind == TOK_EOF; }

// The operand "+" (1) or "-" (0) and nothing after it; -1 after error 61.
int read_switch(asm_context& cx, const statement_call& call) {
  token t = next_token(cx);
  const int column = is_line_end(t) ? call.operation_column : t.column;
  const int value = is_punct(t, '+') ? 1 : is_punct(t, '-') ? 0 : -1;
  if (value >= 0) {
    token after = next_token(cx);
    save_or_get_token(cx, TOKEN_SAVE, after);
    if (is_line_end(after)) return value;
  }
  if (is_line_end(t)) save_or_get_token(cx, TOKEN_SAVE, t);
  user_error_at(cx, column, gen_err::plus_or_minus_expected);
  return -1;
}

// LSTOUT ... LSTSAS: the row's argument is the listing bit.
void do_list_switch(asm_context& cx, const statement_call& call) {
  const int on = read_switch(cx, call);
  if (on < 0) return;
  const auto bit = static_cast<uint32_t>(call.argument);
  uint32_t& flags = cx.driver.opt.listing_flags;
  flags = on ? flags | bit : flags & ~bit;
}

// LSTPAG -: the page length is saved (a second LSTPAG - keeps what the first
// saved) and paging stops; LSTPAG +: the saved length is in force again.
void do_lstpag(asm_context& cx, const statement_call& call) {
  const int on = read_switch(cx, call);
  if (on < 0) return;
  listing_state& L = cx.listing;
  if (on) {
    set_page_length_at(cx, call.record, L.saved_page_length);
    return;
  }
  if (L.read_page_length != 0) L.saved_page_length = L.read_page_length;
  set_page_length_at(cx, call.record, 0);
}

void do_pagsiz(asm_context& cx, const statement_call& call) {
  const expr_rec* e = read_absolute_operand(cx, call.operation_column, INT32_MIN, INT32_MAX, "");
  if (e == nullptr) return;
  const int length = static_cast<int>(std::clamp<int32_t>(e->value, kMinPageLength, kMaxPageLength));
  cx.listing.saved_page_length = length;
  set_page_length_at(cx, call.record, length);
}

void do_page(asm_context&, const statement_call& call) { call.record->listing_flags |= AVM_PAGE; }

constexpr int kListRepeat = LIST_DEFAULT_0100;  // repeat-block expansions listed

//                              name      class            flags            case        handler         argument
constexpr directive_entry kListingDirectives[] = {
    {"LSTOUT", DCLASS_ORDINARY, DIR_NOT_CONTENT, UPPER_CASE, do_list_switch, LIST_ON},
    {"LSTCND", DCLASS_ORDINARY, DIR_NOT_CONTENT, UPPER_CASE, do_list_switch, LIST_ASSEMBLED_ONLY},
    {"LSTCOD", DCLASS_ORDINARY, DIR_NOT_CONTENT, UPPER_CASE, do_list_switch, LIST_MULTI_LINE_CODE},
    {"LSTEXP", DCLASS_ORDINARY, DIR_NOT_CONTENT, UPPER_CASE, do_list_switch, LIST_MACRO_EXPANSION},
    {"LSTMAC", DCLASS_ORDINARY, DIR_NOT_CONTENT, UPPER_CASE, do_list_switch, LIST_MACRO_DEFINITION},
    {"LSTREP", DCLASS_ORDINARY, DIR_NOT_CONTENT, UPPER_CASE, do_list_switch, kListRepeat},
    {"LSTXRF", DCLASS_ORDINARY, DIR_NOT_CONTENT, UPPER_CASE, do_list_switch, LIST_XREF},
    {"LSTSAS", DCLASS_ORDINARY, DIR_NOT_CONTENT, UPPER_CASE, do_list_switch, LIST_STRUCTURED},
    {"LSTPAG", DCLASS_ORDINARY, DIR_NOT_CONTENT, UPPER_CASE, do_lstpag,      0},
    {"PAGSIZ", DCLASS_ORDINARY, DIR_NOT_CONTENT, UPPER_CASE, do_pagsiz,      0},
    {"PAGE",   DCLASS_ORDINARY, DIR_NOT_CONTENT, UPPER_CASE, do_page,        0},
};

}  // namespace

void register_listing_directives(asm_context& cx) { register_directives(cx, kListingDirectives); }
