// data.h — data and storage directives (A09): DB, DW, DP, DD (and their DC
// names) place constants, DS reserves space. The items of a line hang from
// its statement record; pass 2 turns them into object code.
#pragma once

#include <cstdint>

struct asm_context;
struct code_sink;
struct expr_rec;
struct statement_rec;

enum class item_kind : uint8_t {
  number,      // a plain number: its bits, and in `length` 1 when it does not fit the item
  floating,    // IEEE single bits in `bits`
  string,      // `text`, laid out over whole items, zero-padded
  expression,  // a value solved later, or left to the linker
};

struct data_item {
  data_item* next;
  item_kind kind;
  uint8_t size;       // bytes per item: 1, 2, 3 or 4
  int column;         // where the item stands, for diagnostics
  uint32_t bits;      // number: the value's low 32 bits; floating: the single-precision bits
  const char* text;   // string
  uint32_t length;    // string length
  expr_rec* expr;     // expression
};

// The bytes an item occupies.
uint32_t item_bytes(const data_item& item);

// Pass 2: the code of a data statement into `sink`: values that do not fit
// their item warn (15) and are truncated; relocatable values go to the linker
// with a range check for items below 4 bytes; a value still unknown is error
// 50. False when the statement failed.
bool gen_data(asm_context& cx, statement_rec* record, code_sink& sink);

void register_data_directives(asm_context& cx);
