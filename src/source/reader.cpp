// reader.cpp — physical source lines (A05): block reads, tab expansion,
// continuation lines, truncation, multibyte checks, end of file and start-up.
#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <cwchar>

#include "diag/diag.h"
#include "driver/stops.h"
#include "source/char_source.h"

namespace {

// Byte classes: plain bytes are copied as they are; the others leave the copy loop.
enum : unsigned char { B_PLAIN = 0, B_NEWLINE, B_TAB, B_NUL, B_CR, B_MULTI };

constexpr std::array<unsigned char, 256> make_byte_classes(bool multibyte) {
  std::array<unsigned char, 256> t{};
  t['\n'] = B_NEWLINE;
  t['\t'] = B_TAB;
  t[0] = B_NUL;
  t['\r'] = B_CR;
  // ASCII is single-byte in every locale we read; only high bytes can start a sequence.
  if (multibyte)
    for (int c = 0x80; c < 256; ++c) t[c] = B_MULTI;
  return t;
}
constexpr std::array<unsigned char, 256> kSingleByteClasses = make_byte_classes(false);
constexpr std::array<unsigned char, 256> kMultibyteClasses = make_byte_classes(true);

constexpr std::uint64_t kSwarBelow14 = 0x0E0E0E0E0E0E0E0EULL;
constexpr std::uint64_t kSwarHigh = 0x8080808080808080ULL;

constexpr std::size_t kInvalidSequence = static_cast<std::size_t>(-1);
constexpr std::size_t kIncompleteSequence = static_cast<std::size_t>(-2);

std::size_t locale_mb_length(const char* p, std::size_t n) {
  std::mbstate_t state{};
  return std::mbrlen(p, n, &state);
}

// The logical line being built in the line buffer.
struct line_build {
  long len = 0;          // bytes of text so far
  long seg_start = 0;    // where the current physical line began
  long mb_end = -1;      // end of the last multibyte character
  long cut_column = 0;   // column of the first dropped character; 0 while the line is whole
  bool truncated() const { return cut_column > 0; }
};

enum class physical { line, eof };

// Makes at least `want` bytes readable at f.pos unless the file ends first;
// returns how many are.
std::size_t ensure(asm_context& cx, source_file& f, std::size_t want) {
  while (f.end - f.pos < want && !f.at_eof) {
    if (f.pos > 0) {
      std::memmove(f.block, f.block + f.pos, f.end - f.pos);
      f.end -= f.pos;
      f.pos = 0;
    }
    std::size_t got =
        f.file != nullptr ? cx.out->block_read(f.block + f.end, 1, kReadBlockSize - f.end, f.file) : 0;
    if (got == 0)
      f.at_eof = true;
    else
      f.end += got;
  }
  return f.end - f.pos;
}

// Publishes the line for the diagnostics printer and the listing.
void expose_line(asm_context& cx, const source_file& f, long text_len) {
  source_state& s = cx.source;
  s.line = s.line_buf;
  s.line_len = text_len;
  s.file_name = f.name;
  s.line_no = f.line_no;
  s.file_index = f.index;
  cx.driver.current_line = f.line_no;
}

// A fault in the middle of a line waits for the rest of the line.
void note_fault(asm_context& cx, gen_err number, long column) {
  cx.source.line_faults.push_back(line_fault{number, static_cast<int>(column)});
}

// The line is full: the rest of the physical line is read and thrown away.
void cut_line(asm_context& cx, source_file& f, line_build& b) {
  b.cut_column = b.len + 1;
  for (;;) {
    if (f.pos == f.end && ensure(cx, f, 1) == 0) return;
    const void* nl = std::memchr(f.block + f.pos, '\n', f.end - f.pos);
    if (nl != nullptr) {
      f.pos = static_cast<const unsigned char*>(nl) - f.block + 1;
      return;
    }
    f.pos = f.end;
  }
}

// Stores one byte for the one at f.pos. False when the line was cut.
bool put_byte(asm_context& cx, source_file& f, line_build& b, char c) {
  if (b.len >= kMaxLineText) {
    cut_line(cx, f, b);
    return false;
  }
  cx.source.line_buf[b.len++] = c;
  ++f.pos;
  return true;
}

// One multibyte character, copied as a unit. False when the line was cut.
bool copy_multibyte(asm_context& cx, source_file& f, line_build& b) {
  source_state& s = cx.source;
  const std::size_t avail = ensure(cx, f, s.mb_max);
  const std::size_t look = std::min<std::size_t>(avail, s.mb_max);
  std::size_t k = s.mb_length(reinterpret_cast<const char*>(f.block + f.pos), look);
  if (k == kIncompleteSequence && look < static_cast<std::size_t>(s.mb_max)) {
    // The file ends inside the sequence: a fault of the line as a whole.
    note_fault(cx, gen_err::unexpected_eof, 1);
    k = look;
  } else if (k == kInvalidSequence || k == kIncompleteSequence || k == 0 || k > look) {
    note_fault(cx, gen_err::bad_multibyte, b.len + 1);
    k = 1;  // when the run goes on, the byte is read as it is
  }
  if (b.len + static_cast<long>(k) > kMaxLineText) {
    cut_line(cx, f, b);
    return false;
  }
  std::memcpy(s.line_buf + b.len, f.block + f.pos, k);
  b.len += static_cast<long>(k);
  f.pos += k;
  b.mb_end = b.len;
  return true;
}

// Appends one physical line of `f` to the line buffer, tabs expanded, without
// its newline. Counts the line. `eof` only when the file had no byte left.
physical read_physical(asm_context& cx, source_file& f, line_build& b) {
  source_state& s = cx.source;
  char* const buf = s.line_buf;
  const unsigned char* const cls = s.byte_class;
  b.seg_start = b.len;
  if (f.pos == f.end && ensure(cx, f, 1) == 0) return physical::eof;
  ++f.line_no;
  ++s.total_lines;
  for (;;) {
    if (f.pos == f.end && ensure(cx, f, 1) == 0) return physical::line;  // no final newline
    const unsigned char* p = f.block + f.pos;
    const unsigned char* const end = f.block + f.end;
    const long room = kMaxLineText - b.len;
    const unsigned char* const stop = end - p > room ? p + room : end;
    char* out = buf + b.len;
    // Eight bytes at a time while none is below 14 (NUL, tab, newline, CR and
    // the rarer controls) nor, under -n, above 127; then byte by byte.
    while (stop - p >= 8) {
      std::uint64_t x;
      std::memcpy(&x, p, 8);
      if ((((x - kSwarBelow14) & ~x) | (x & s.swar_high)) & kSwarHigh) break;
      std::memcpy(out, p, 8);
      p += 8;
      out += 8;
    }
    while (p < stop && cls[*p] == B_PLAIN) *out++ = static_cast<char>(*p++);
    b.len = out - buf;
    f.pos = p - f.block;
    if (p == end) continue;
    switch (cls[*p]) {
      case B_NEWLINE:
        ++f.pos;
        return physical::line;
      case B_TAB: {
        ++f.pos;
        const long n = s.tab_width - (s.tab_mask >= 0 ? b.len & s.tab_mask : b.len % s.tab_width);
        if (b.len + n > kMaxLineText) {
          std::memset(buf + b.len, ' ', kMaxLineText - b.len);
          b.len = kMaxLineText;
          cut_line(cx, f, b);
          return physical::line;
        }
        // A fixed-size fill is a few stores; the buffer has room behind the text for it.
        std::memset(buf + b.len, ' ', kMaxTabWidth);
        b.len += n;
        break;
      }
      case B_CR:
        // CR LF ends a line as LF does; a CR elsewhere is text.
        if (ensure(cx, f, 2) >= 2 && f.block[f.pos + 1] == '\n') {
          ++f.pos;
          break;
        }
        if (!put_byte(cx, f, b, '\r')) return physical::line;
        break;
      case B_NUL:
        // A NUL is read as a blank: the line stays one C string, and 0 keeps
        // its meaning "source used up" on the character-source stack.
        if (!put_byte(cx, f, b, ' ')) return physical::line;
        break;
      case B_MULTI:
        if (!copy_multibyte(cx, f, b)) return physical::line;
        break;
      default:  // a plain byte with no room left
        cut_line(cx, f, b);
        return physical::line;
    }
  }
}

// One logical line of `f`: physical lines joined at a backslash before the
// newline. False at the end of the file with nothing read.
bool read_joined_line(asm_context& cx, source_file& f, line_build& b) {
  char* const buf = cx.source.line_buf;
  bool any = false;
  for (;;) {
    if (read_physical(cx, f, b) == physical::eof) {
      if (!any) return false;
      break;
    }
    any = true;
    if (b.truncated()) break;
    // Under -n the trailing byte of a multibyte character is never a backslash.
    if (b.len > b.seg_start && buf[b.len - 1] == '\\' && b.mb_end != b.len) {
      --b.len;
      continue;
    }
    break;
  }
  buf[b.len] = '\n';
  buf[b.len + 1] = '\0';
  return true;
}

// The faults of the line just read, now that the printer can show it whole;
// a fatal one stops the run here.
void report_line_faults(asm_context& cx, const line_build& b) {
  const source_state& s = cx.source;
  for (std::size_t i = 0; i < s.line_faults.size(); ++i) {
    const line_fault fault = s.line_faults[i];
    user_error_at(cx, fault.column, fault.number);
  }
  if (b.truncated() && !s.in_false_group)
    user_error_at(cx, static_cast<int>(b.cut_column), gen_err::line_too_long, nullptr, kLineBufferSize);
}

}  // namespace

int read_next_line(asm_context& cx) {
  source_state& s = cx.source;
  if (!s.started || s.at_end) return -1;
  for (;;) {
    source_file& f = s.files[s.include_depth];
    line_build b;
    s.line_faults.clear();
    if (read_joined_line(cx, f, b)) {
      expose_line(cx, f, b.len);
      s.line_end = b.len + 1;
      s.line_pos = 1;
      s.fast_end = (s.source_top == nullptr && s.sources[0].count == 0) ? s.line_end : 0;
      report_line_faults(cx, b);
      return static_cast<unsigned char>(s.line_buf[0]);
    }
    if (s.include_depth == 0) {
      s.at_end = true;
      s.line_pos = s.line_end;
      s.fast_end = 0;
      return -1;
    }
    end_include(cx);
  }
}

unsigned char* level_block(asm_context& cx, int level) {
  source_file& f = cx.source.files[level];
  if (f.block == nullptr) f.block = static_cast<unsigned char*>(am_memory(cx, kReadBlockSize));
  return f.block;
}

void source_start(asm_context& cx) {
  source_state& s = cx.source;
  if (s.started) {
    internal_error(cx, "source_start_A05", "reader started twice");
    return;
  }
  const option_settings& opt = cx.driver.opt;
  const run_files& files = cx.driver.files;
  qfile* file = files.source;
  const char* name = files.source_name.c_str();
  if (opt.stdin_source) {
    if (file == nullptr) file = cx.out->std_in;
    name = "stdin.c";
  }
  if (file == nullptr) internal_error(cx, "source_start_A05", "no source file");

  s.line_buf = static_cast<char*>(am_memory(cx, kLineBufferSize + kMaxTabWidth));
  s.line_buf[0] = '\0';
  s.line = s.line_buf;
  s.tab_width = opt.tab_spacing >= 1 && opt.tab_spacing <= kMaxTabWidth ? opt.tab_spacing : 8;
  s.tab_mask = (s.tab_width & (s.tab_width - 1)) == 0 ? s.tab_width - 1 : -1;
  s.byte_class = opt.multibyte ? kMultibyteClasses.data() : kSingleByteClasses.data();
  s.swar_high = opt.multibyte ? kSwarHigh : 0;
  if (s.mb_length == nullptr) {
    s.mb_length = locale_mb_length;
    s.mb_max = std::max(1, static_cast<int>(MB_CUR_MAX));
  }

  source_file& main = s.files[0];
  main.file = file;
  main.index = file_table_index(cx, name);
  main.name = s.file_table[main.index];
  main.block = level_block(cx, 0);
  s.file_name = main.name;
  s.file_index = main.index;
  init_char_sources(cx);
  s.started = true;
}
