// include_files.cpp — include files (A05): the #include and "$" forms, the
// search list, the end of an include file, END inside one, the file index table.
#include <cstring>
#include <string>
#include <string_view>

#include "diag/diag.h"
#include "driver/block_stack.h"
#include "driver/command_line.h"
#include "driver/stops.h"
#include "source/char_source.h"

namespace {

bool is_absolute(std::string_view name) { return !name.empty() && name[0] == '/'; }

// A search-list entry joined with the name; the empty entry is the working directory.
std::string join_path(const std::string& dir, std::string_view name) {
  std::string path;
  if (!dir.empty()) {
    path = dir;
    if (dir.back() != '/' && dir.back() != '\\') path += '/';
  }
  path.append(name);
  return path;
}

// Only a regular file is an include file: a directory reads as empty, a
// device or a pipe may never end or never deliver.
qfile* open_readable(asm_context& cx, const std::string& path) { return open_regular_file(cx, path); }

void push_include(asm_context& cx, qfile* file, const std::string& path) {
  source_state& s = cx.source;
  const int level = s.include_depth + 1;
  source_file& f = s.files[level];
  f.file = file;
  f.index = file_table_index(cx, path.c_str());
  f.name = s.file_table[f.index];
  f.line_no = 0;
  f.at_include = block_depth(cx);
  f.open_at_include = blocks_above(cx, 0);
  f.block = level_block(cx, level);
  f.pos = 0;
  f.end = 0;
  f.at_eof = false;
  s.include_depth = level;
}

// Errors that refuse an include before its name is looked at.
bool include_allowed(asm_context& cx) {
  source_state& s = cx.source;
  if (!s.started) {
    internal_error(cx, "include_A05", "reader not started");
    return false;
  }
  if (s.macro_expansion > 0) {
    user_error(cx, gen_err::include_in_macro);
    return false;
  }
  if (s.include_depth >= kMaxIncludeDepth) {
    user_error(cx, gen_err::include_too_deep, nullptr, kMaxIncludeDepth);
    return false;
  }
  return true;
}

// Tries the search list from the first entry (quoted) or the second (angle
// brackets); the first directory that opens the file wins.
bool search_and_open(asm_context& cx, std::string_view name, bool quoted) {
  if (name.empty() || name.find('\0') != std::string_view::npos) {
    user_error(cx, gen_err::include_bad_name);
    return false;
  }
  if (is_absolute(name)) {
    std::string path(name);
    if (qfile* file = open_readable(cx, path)) {
      push_include(cx, file, path);
      note_read_file(cx, path);
      return true;
    }
  } else {
    const std::vector<std::string>& dirs = cx.driver.include_paths;
    for (std::size_t i = quoted ? 0 : 1; i < dirs.size(); ++i) {
      std::string path = join_path(dirs[i], name);
      if (qfile* file = open_readable(cx, path)) {
        push_include(cx, file, path);
        note_read_file(cx, path);
        return true;
      }
    }
  }
  const std::string shown(name);
  user_error(cx, gen_err::include_open_failed, shown.c_str());
  return false;
}

bool is_blank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

bool open_include(asm_context& cx, const char* name, std::size_t len, bool quoted) {
  return include_allowed(cx) && search_and_open(cx, std::string_view(name, len), quoted);
}

bool include_operand(asm_context& cx, const char* text, std::size_t len) {
  if (!include_allowed(cx)) return false;
  std::size_t i = 0;
  while (i < len && is_blank(text[i])) ++i;
  if (i == len || (text[i] != '"' && text[i] != '<')) {
    user_error(cx, gen_err::include_bad_name);
    return false;
  }
  const bool quoted = text[i] == '"';
  const char close = quoted ? '"' : '>';
  const std::size_t start = ++i;
  while (i < len && text[i] != close && text[i] != '\n') ++i;
  if (i == len || text[i] != close) {
    user_error(cx, gen_err::include_bad_name);
    return false;
  }
  return search_and_open(cx, std::string_view(text + start, i - start), quoted);
}

bool include_dollar_line(asm_context& cx) {
  source_state& s = cx.source;
  if (s.line_end == 0 || s.line_pos > 1 || s.line[0] != '$' || s.in_false_group ||
      s.source_top != nullptr)
    return false;
  // The whole line is the include: reading goes on with the included file.
  s.line_pos = s.line_end;
  s.sources[0].count = 0;
  s.fast_end = s.line_end;
  long i = 1;
  while (i < s.line_len && is_blank(s.line[i])) ++i;
  const long start = i;
  while (i < s.line_len && !is_blank(s.line[i])) ++i;
  // The line is the include: its errors point at its "$".
  cx.diag.token_column = 1;
  if (include_allowed(cx)) search_and_open(cx, std::string_view(s.line + start, i - start), true);
  return true;
}

// An include file leaves the blocks as it found them: blocks it opened and
// never closed are reported by type and closed.
void end_include(asm_context& cx) {
  source_state& s = cx.source;
  source_file& f = s.files[s.include_depth];
  // A file that left blocks open, or closed blocks of its includer, is
  // unbalanced; reported while the blocks are still open, so the note names
  // the innermost.
  const block_counts now = blocks_above(cx, 0);
  auto changed = [&](block_type t) { return now.of[static_cast<int>(t)] != f.open_at_include.of[static_cast<int>(t)]; };
  if (changed(block_type::structured)) user_error(cx, gen_err::structured_unbalanced);
  if (changed(block_type::repeat)) user_error(cx, gen_err::repeat_unbalanced);
  if (changed(block_type::conditional)) user_error(cx, gen_err::cond_unbalanced);
  cut_blocks(cx, f.at_include);
  if (f.file != nullptr) cx.out->close_file(f.file);
  f.file = nullptr;
  --s.include_depth;
}

bool end_in_include(asm_context& cx) {
  if (cx.source.include_depth == 0) return false;
  user_warning(cx, gen_warn::end_in_include);
  return true;
}

void close_include_files(asm_context& cx) {
  source_state& s = cx.source;
  for (; s.include_depth > 0; --s.include_depth) {
    source_file& f = s.files[s.include_depth];
    if (f.file != nullptr) cx.out->close_file(f.file);
    f.file = nullptr;
  }
}

int file_table_index(asm_context& cx, const char* name) {
  std::vector<const char*>& table = cx.source.file_table;
  for (std::size_t i = 0; i < table.size(); ++i)
    if (std::strcmp(table[i], name) == 0) return static_cast<int>(i);
  table.push_back(am_strdup(cx, name, std::strlen(name)));
  return static_cast<int>(table.size() - 1);
}

int file_table_size(const asm_context& cx) { return static_cast<int>(cx.source.file_table.size()); }

const char* file_table_name(const asm_context& cx, int index) {
  const std::vector<const char*>& table = cx.source.file_table;
  return index >= 0 && static_cast<std::size_t>(index) < table.size() ? table[index] : "";
}
