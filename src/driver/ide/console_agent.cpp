// console_agent.cpp — the IDE agent's output table (A03): console output is
// collected into lines and each line re-sent as a record; files opened are
// reported; standard input is refused; the exit entry writes the exit record.
#include "driver/ide/console_agent.h"

#include <algorithm>
#include <cstring>

#include "driver/command_line.h"
#include "driver/ide/console_lines.h"

namespace {

constexpr std::string_view kExitRecord = " $$TOOL_EXIT";
constexpr std::string_view kInputRefused = "Standard input cannot be read in IDE mode";
constexpr int kNoteBeforePass1 = 5;

int note_type(int kind) {
  switch (kind) {
    case 1: return IDE_NOTE_21;
    case 2: return IDE_NOTE_KIND_2;
    case 3: return IDE_NOTE_KIND_3;
    default: return IDE_INTERNAL;
  }
}

bool opened_for_writing(const char* mode) {
  return std::strpbrk(mode, "wa+") != nullptr;
}

}  // namespace

// Every entry of the table; a new entry of the table must be added here too.
struct WtConsoleAgent::Entries {
  static WtConsoleAgent& of(void* user) { return *static_cast<WtConsoleAgent*>(user); }
  static bool to_console(void* user, qfile* file) {
    const output_table& r = of(user).real_;
    return file == r.std_out || file == r.std_err;
  }

  // Formatted output to the console goes through the line buffer.
  static int print_console(void* user, const char* format, std::va_list args) {
    WtConsoleAgent& a = of(user);
    std::va_list again;
    va_copy(again, args);
    char text[1024];
    int n = std::vsnprintf(text, sizeof text, format, args);
    if (n >= 0 && static_cast<std::size_t>(n) < sizeof text) {
      a.take(text, static_cast<std::size_t>(n));
    } else if (n >= 0) {
      a.scratch_.assign(static_cast<std::size_t>(n), '\0');
      std::vsnprintf(a.scratch_.data(), a.scratch_.size() + 1, format, again);
      a.take(a.scratch_.data(), a.scratch_.size());
    }
    va_end(again);
    return n;
  }

  static void count_notification(void*, int, int) {}
  static void formatted_message(void* user, int kind, const char* format, std::va_list args) {
    char text[kMaxNoteText + 1];
    int n = std::vsnprintf(text, sizeof text, format, args);
    const std::size_t length = n < 0 ? 0 : std::min(static_cast<std::size_t>(n), kMaxNoteText);
    of(user).comment(note_type(kind), std::string_view(text, length), {}, {}, 0, 0);
  }
  static void progress_hook(void* user, int note) {
    if (note == kNoteBeforePass1) of(user).assembling_ = true;
  }
  static void second_hook(void*, long) {}
  static void exit(void* user, int code) {
    WtConsoleAgent& a = of(user);
    a.finish();
    a.real_.exit(code);
  }
  static void close_file(void* user, qfile* file) { of(user).real_.close_file(file); }
  static qfile* open_file(void* user, const char* name, const char* mode) {
    qfile* file = of(user).real_.open_file(name, mode);
    if (file != nullptr && std::strchr(mode, 'x') == nullptr) of(user).file_opened(name, mode);
    return file;
  }
  static void* allocate(void* user, std::size_t size) { return of(user).real_.allocate(size); }
  static int read_char(void* user, qfile* file) {
    if (file == of(user).real_.std_in) of(user).refuse_input();
    return of(user).real_.read_char(file);
  }
  static int write_char(void* user, int c, qfile* file) {
    if (!to_console(user, file)) return of(user).real_.write_char(c, file);
    const char byte = static_cast<char>(c);
    of(user).take(&byte, 1);
    return static_cast<unsigned char>(byte);
  }
  static int print(void* user, const char* format, std::va_list args) { return print_console(user, format, args); }
  static int print_file(void* user, qfile* file, const char* format, std::va_list args) {
    if (to_console(user, file)) return print_console(user, format, args);
    return of(user).real_.print_file(file, format, args);
  }
  static std::size_t block_read(void* user, void* buffer, std::size_t size, std::size_t count, qfile* file) {
    if (file == of(user).real_.std_in) of(user).refuse_input();
    return of(user).real_.block_read(buffer, size, count, file);
  }
  static std::size_t block_write(void* user, const void* buffer, std::size_t size, std::size_t count,
                                 qfile* file) {
    if (!to_console(user, file)) return of(user).real_.block_write(buffer, size, count, file);
    of(user).take(static_cast<const char*>(buffer), size * count);
    return count;
  }
  static int seek_file(void* user, qfile* file, long offset, int whence) {
    return of(user).real_.seek_file(file, offset, whence);
  }
  static long tell_file(void* user, qfile* file) { return of(user).real_.tell_file(file); }
  static int flush_file(void* user, qfile* file) { return of(user).real_.flush_file(file); }
  static int remove_file(void* user, const char* name) { return of(user).real_.remove_file(name); }
  // An output written beside its name (created exclusively) is reported when
  // it takes that name, so the IDE hears of the file that stays.
  static int rename_file(void* user, const char* from, const char* to) {
    const int result = of(user).real_.rename_file(from, to);
    if (result == 0) of(user).file_opened(to, "w");
    return result;
  }
  static file_kind identify_file(void* user, const char* name, file_identity* id) {
    return of(user).real_.identify_file(name, id);
  }
};

static_assert(sizeof(output_entries) == 20 * sizeof(void (*)()),
              "a new entry of the output table must be wrapped by the IDE agent");

WtConsoleAgent::WtConsoleAgent(const output_table& real) : real_(real), table_(real) {
  table_.user = this;
  table_.entries = output_entries{
      Entries::count_notification, Entries::formatted_message, Entries::progress_hook,
      Entries::second_hook,        Entries::exit,              Entries::close_file,
      Entries::open_file,          Entries::allocate,          Entries::read_char,
      Entries::write_char,         Entries::print,             Entries::print_file,
      Entries::block_read,         Entries::block_write,       Entries::seek_file,
      Entries::tell_file,          Entries::flush_file,        Entries::remove_file,
      Entries::rename_file,        Entries::identify_file};
  line_.reserve(kMaxRecordText + 1);
}

WtConsoleAgent::~WtConsoleAgent() = default;

void WtConsoleAgent::write_console(std::string_view bytes) const {
  real_.block_write(bytes.data(), 1, bytes.size(), real_.std_out);
}

// Appends console bytes; each newline ends a line, except the one right after
// a marker byte that stands alone: its text is the next line.
void WtConsoleAgent::take(const char* bytes, std::size_t n) {
  while (n > 0) {
    const char* newline = static_cast<const char*>(std::memchr(bytes, '\n', n));
    const std::size_t chunk = newline != nullptr ? static_cast<std::size_t>(newline - bytes) : n;
    line_.append(bytes, chunk);
    if (newline == nullptr) return;
    bytes += chunk + 1;
    n -= chunk + 1;
    if (line_.size() == 1 && is_marker_byte(static_cast<unsigned char>(line_[0]))) continue;
    end_line();
  }
}

// Classifies the whole line, then sends it with its text cut to the record limit.
void WtConsoleAgent::end_line() {
  const console_line c = classify_console_line(line_);
  if (c.sets_column) {
    pending_column_ = c.column;
  } else if (c.newline_after) {
    // Plain output: the whole line is the text, with its newline.
    if (line_.size() > kMaxRecordText) line_.resize(kMaxRecordText);
    line_ += '\n';
    comment(c.type, line_, {}, {}, 0, 0);
  } else {
    comment(c.type, c.text.substr(0, kMaxRecordText), c.tag, c.file, c.line,
            c.at_pending_column ? pending_column_ : 0);
  }
  line_.clear();
}

// A file opened for writing is an output. Files read before pass 1 are the
// source and the command files, which the IDE named itself; a file read later
// is a dependency unless it is one of those (the same full path).
void WtConsoleAgent::file_opened(const char* name, const char* mode) {
  std::string path = full_path(name);
  if (opened_for_writing(mode)) {
    output_file(path);
  } else if (!assembling_) {
    named_inputs_.push_back(std::move(path));
  } else if (std::find(named_inputs_.begin(), named_inputs_.end(), path) == named_inputs_.end()) {
    input_file(path);
  }
}

void WtConsoleAgent::refuse_input() {
  comment(IDE_COMMAND_LINE, kInputRefused, {}, {}, 0, 0);
  throw InputRefused{};
}

void WtConsoleAgent::finish() {
  if (finished_) return;
  finished_ = true;
  if (!line_.empty()) end_line();
  write_console(kExitRecord);
}
