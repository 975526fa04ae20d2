// char_source.cpp — the character-source stack (A05): redirection, push-back,
// the fall-through to the source beneath; and the io status stack (A06).
#include "source/char_source.h"

#include "driver/memory.h"
#include "driver/stops.h"

namespace {

// The inline get_char serves the line directly only while the file is the
// sole source and has nothing pushed back.
void refresh_fast(source_state& s) {
  s.fast_end = (s.source_top == nullptr && s.sources[0].count == 0) ? s.line_end : 0;
}

void pop_source(source_state& s) {
  char_source_node* n = s.source_top;
  s.cur_read = n->prev_read;
  s.cur_entry = n->prev_entry;
  s.source_top = n->next;
  n->next = s.free_nodes;
  s.free_nodes = n;
  refresh_fast(s);
}

}  // namespace

void init_char_sources(asm_context& cx) {
  source_state& s = cx.source;
  if (s.source_count != 0) return;
  s.sources[0].read = read_line;
  s.sources[0].count = 0;
  s.source_count = 1;
  s.cur_read = read_line;
  s.cur_entry = &s.sources[0];
}

int get_char_slow(asm_context& cx) {
  source_state& s = cx.source;
  // Only the file, at the end of its line.
  if (s.source_top == nullptr && s.sources[0].count == 0 && s.source_count != 0) return read_line(cx);
  init_char_sources(cx);
  for (;;) {
    char_source_entry* e = s.cur_entry;
    if (e->count > 0) {
      const int c = e->pushed[--e->count];
      if (e->count == 0 && s.source_top == nullptr) refresh_fast(s);
      return c;
    }
    char_source_node* const top = s.source_top;
    const int c = s.cur_read(cx);
    if (c != 0 || top == nullptr) return c;
    // Only the source that said 0 ends; one it pushed meanwhile is read next.
    if (s.source_top == top) pop_source(s);
  }
}

void unget_char_slow(asm_context& cx, int c) {
  source_state& s = cx.source;
  init_char_sources(cx);
  char_source_entry* e = s.cur_entry;
  if (e->count >= kPushBackSize) {
    internal_error(cx, "unget_char_A05", "buffer full", c, e->count);
    return;
  }
  e->pushed[e->count++] = c;
  s.fast_end = 0;
}

bool redirect_input(asm_context& cx, char_reader read) {
  source_state& s = cx.source;
  init_char_sources(cx);
  char_source_entry* e = nullptr;
  for (int i = 0; i < s.source_count; ++i)
    if (s.sources[i].read == read) {
      e = &s.sources[i];
      break;
    }
  if (e == nullptr) {
    if (s.source_count == kMaxCharSources) {
      internal_error(cx, "redirect_input_A05", "array too small", kMaxCharSources, 0);
      return false;
    }
    e = &s.sources[s.source_count++];
    e->read = read;
    e->count = 0;
  }
  char_source_node* n = s.free_nodes;
  if (n != nullptr)
    s.free_nodes = n->next;
  else
    n = am_new<char_source_node>(cx);
  n->prev_read = s.cur_read;
  n->prev_entry = s.cur_entry;
  n->next = s.source_top;
  s.source_top = n;
  s.cur_read = read;
  s.cur_entry = e;
  s.fast_end = 0;
  return true;
}

void skip_line(asm_context& cx) {
  source_state& s = cx.source;
  // The file's line holds one newline, at its end.
  if (s.fast_end != 0 && s.line_pos < s.line_end) {
    s.line_pos = s.line_end;
    return;
  }
  for (int c = get_char(cx); c != '\n' && c != -1; c = get_char(cx)) {
  }
}

void push_io_status(asm_context& cx, const io_status& status) {
  source_state& s = cx.source;
  io_status_node* n = s.io_free;
  if (n != nullptr)
    s.io_free = n->next;
  else
    n = am_new<io_status_node>(cx);
  n->saved = status;
  n->next = s.io_top;
  s.io_top = n;
}

io_status pop_io_status(asm_context& cx) {
  source_state& s = cx.source;
  io_status_node* n = s.io_top;
  if (n == nullptr) {
    internal_error(cx, "pop_io_status_A06", "no stack");
    return io_status{};
  }
  s.io_top = n->next;
  n->next = s.io_free;
  s.io_free = n;
  return n->saved;
}

bool io_status_empty(const asm_context& cx) { return cx.source.io_top == nullptr; }
