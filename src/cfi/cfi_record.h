// cfi_record.h — the CFI record of a QUILL module: the call-frame model of the
// module's CFI directives, written before the end-of-module record so that
// the module checksum covers it, and only by modules that used CFI. The
// reader turns a record body back into text for the object dumper.
//
// Record: byte 0xE0, u32 length of the body (the bytes after the length), body.
// Forms: byte, u16 and u32 big-endian, str8 (length byte, at most 255 characters).
//
// Body:
//   byte  version (1)
//   u32   names table count, then per table:
//           str8  name
//           u32   table it extends: 0 none, else 1 + its index (an earlier table)
//           u16   own resource count; resources are numbered across the chain,
//                 the extended table's first. Per resource:
//                   str8 name, byte kind (0 resource, 1 virtual resource, 2 frame cell),
//                   u16 size; a frame cell adds u16 CFA and u32 offset
//           u16   own CFA count (numbered as resources are). Per CFA:
//                   str8 name, byte kind (0 stack frame, 1 static overlay frame,
//                   2 base address); a stack frame adds str8 its stack resource,
//                   a static overlay frame str8 its segment
//           u16   count of own resources with parts, then per one:
//                   u16 resource, u16 part count, u16 per part
//   u32   common part count, then per common part:
//           str8  name
//           u32   names table index
//           u32   common part it extends: 0 none, else 1 + its index
//           u16   code alignment, u16 data alignment (two's complement),
//           u16   return-address resource or 0xFFFF, byte valid (1) or not (0)
//           u32   rule count, then per rule: target, rule. A common part gives the
//                 initial rule of every name of its table; an extending one only
//                 of the names its original's table does not have.
//   u32   data block count, by segment and start offset, then per block:
//           str8  name
//           u32   common part index
//           byte  flags: 1 function, 2 picker, 4 conditional
//           str8  function label (empty without)
//           u16   segment number (1 is the absolute segment)
//           u32   start offset, u32 end offset (BLOCK and ENDBLOCK)
//           u32   row count, then per row: u32 code offset, u32 entry count,
//                 entries in order. An entry: byte op (0 rule: target, rule;
//                 1 remember the state; 2 restore it; 3 valid; 4 invalid).
//   target: byte 0 resource or 1 CFA, u16 index
//   rule:   byte kind: 0 undefined, 1 same value, 2 concat, 3 frame: u16 CFA,
//           u32 offset (saved at CFA plus offset), 4 expression: expr,
//           5 used, 6 not used
//   expr:   prefix, one node byte each: 1 register: u16 resource; 2 literal:
//           u32 high and u32 low half; 3 frame address: u16 CFA, u32 offset;
//           4 unary, 5 binary, 6 trinary: byte operator code, operands;
//           7 load: byte size, address. Operator codes: unary UMINUS 1,
//           COMPLEMENT 2, NOT 3; binary ADD 1, SUB 2, MUL 3, DIV 4, MOD 5, XOR 6,
//           AND 7, OR 8, LSHIFT 9, RSHIFTL 10, RSHIFTA 11, EQ 12, NEQ 13, LT 14,
//           LE 15, GT 16, GE 17; trinary IF 1.
//
// The state at a code address of a data block: the common part's initial
// rules, then each row up to that address applied in order. Setting a
// resource with parts to a rule other than concat makes its parts undefined;
// setting a part to a rule other than undefined makes its resource concat.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct asm_context;
struct cfi_module_model;

constexpr uint8_t kCfiRecordTag = 0xE0;

// The CFI record of the module that ended last (cfi_end_module), or nothing
// when it used no CFI. Rows whose final code offset is not a multiple of the
// code alignment are reported with error 103 at their statement.
std::vector<uint8_t> cfi_module_record(asm_context& cx);

// The same for a given model.
std::vector<uint8_t> cfi_record_of(asm_context& cx, const cfi_module_model& model);

// The body of a CFI record as text lines, appended to `lines`. A malformed
// body ends with a line saying where, and the result is false.
bool decode_cfi_body(const uint8_t* body, std::size_t size, std::vector<std::string>& lines);
