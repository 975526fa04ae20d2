// statement.cpp — making statement and line records, attaching diagnostics (A08).
#include "driver/statement.h"

#include <cstring>
#include <new>

#include "driver/context.h"
#include "driver/memory.h"

namespace {

// The pool hands out 4-aligned memory; records holding pointers need their own
// alignment, so the request is padded and the start moved up.
template <class T>
T* new_record(asm_context& cx) {
  constexpr std::size_t align = alignof(T) > 4 ? alignof(T) : 4;
  auto raw = reinterpret_cast<std::uintptr_t>(am_memory(cx, sizeof(T) + align - 4));
  raw = (raw + align - 1) & ~static_cast<std::uintptr_t>(align - 1);
  return new (reinterpret_cast<void*>(raw)) T{};
}

}  // namespace

line_rec* make_line_rec(asm_context& cx, const char* file_name, long line_no, const char* text,
                        std::size_t length) {
  if (length > 0 && text[length - 1] == '\n') --length;
  line_rec* line = new_record<line_rec>(cx);
  line->line_no = line_no;
  line->file_name = file_name != nullptr ? file_name : "";
  line->text = am_strdup(cx, text, length);
  line->text_len = static_cast<uint32_t>(length);
  return line;
}

statement_rec* insert_avm_struct(asm_context& cx, line_rec* line) {
  statement_rec* record = new_record<statement_rec>(cx);
  record->line = line;
  if (line != nullptr) line->statement = record;
  cx.diag.last_avm = record;
  return record;
}

void attach_diag_piece(asm_context& cx, statement_rec* record, const char* text, std::size_t length) {
  diag_piece* piece = new_record<diag_piece>(cx);
  piece->text = am_strdup(cx, text, length);
  piece->length = static_cast<uint32_t>(length);
  if (record->diag_last != nullptr)
    record->diag_last->next = piece;
  else
    record->diag_first = piece;
  record->diag_last = piece;
}
