// arguments.cpp — the argument list: program arguments, QASMOPT and command
// files, split into words with the quoting rules of the command line (A03).
#include <cstdlib>
#include <cstring>
#include <string>

#include "driver/command_line.h"
#include "driver/context.h"
#include "driver/stops.h"

namespace {

arg_entry* new_entry(asm_context& cx, const char* word, std::size_t length) {
  auto* entry = static_cast<arg_entry*>(am_memory(cx, sizeof(arg_entry)));
  *entry = arg_entry{nullptr, am_strdup(cx, word, length), 0, nullptr};
  return entry;
}

void insert_behind_cursor(asm_context& cx, arg_entry* entry) {
  command_line_state& cl = cx.cmdline;
  entry->next = cl.cursor->next;
  cl.cursor->next = entry;
  cl.cursor = entry;
}

[[noreturn]] void bad_argument(asm_context& cx, const std::string& shown, bool from_file) {
  if (from_file)
    command_line_message(cx, "\nBad argument (%s) in command file\n", shown.c_str());
  else
    command_line_message(cx, "\nBad argument (%s) in command line extension variable %s\n", shown.c_str(),
                         kOptionVariable);
  fatal_exit(cx);
}

struct string_source {
  const char* text;
};

int next_string_char(void* source) {
  auto* s = static_cast<string_source*>(source);
  if (*s->text == '\0') return EOF;
  return static_cast<unsigned char>(*s->text++);
}

struct file_source {
  asm_context* cx;
  qfile* file;
};

int next_file_char(void* source) {
  auto* s = static_cast<file_source*>(source);
  return s->cx->out->read_char(s->file);
}

}  // namespace

void split_words(asm_context& cx, int (*next_char)(void*), void* source, bool from_file) {
  arg_entry* before = cx.cmdline.cursor;
  arg_entry* first = nullptr;
  std::string word;
  int c = next_char(source);
  for (;;) {
    while (c == ' ' || c == '\t' || c == '\n' || c == '\r') c = next_char(source);
    if (c == EOF) break;
    word.clear();
    bool quoted_word = c == '"';
    bool in_quotes = false;
    if (quoted_word) {
      in_quotes = true;
      c = next_char(source);
    }
    for (;;) {
      if (c == EOF || c == '\n' || (c == '\r' && !in_quotes)) {
        if (in_quotes) bad_argument(cx, "\"" + word, from_file);
        break;
      }
      if (!in_quotes && (c == ' ' || c == '\t')) break;
      if (c == '"') {
        if (in_quotes) {
          in_quotes = false;
          c = next_char(source);
          if (c == '"') {  // a quote right behind the closing one is literal and reopens
            word += '"';
            in_quotes = true;
            c = next_char(source);
          }
          continue;
        }
        if (!quoted_word) bad_argument(cx, word + "\"", from_file);
        in_quotes = true;
        c = next_char(source);
        continue;
      }
      word += static_cast<char>(c);
      if (word.size() >= kMaxWordLength) {
        command_line_message(cx, "\nParameter exceeded %d characters\n", kMaxWordLength);
        fatal_exit(cx);
      }
      c = next_char(source);
    }
    arg_entry* entry = new_entry(cx, word.data(), word.size());
    insert_behind_cursor(cx, entry);
    if (first == nullptr) first = entry;
  }
  if (first == nullptr) {
    if (from_file)
      command_line_message(cx, "\nCommand file empty\n");
    else
      command_line_message(cx, "\nCommand line extension variable %s found but was empty\n", kOptionVariable);
    fatal_exit(cx);
  }
  (void)before;
  first->origin += from_file ? 4 : 1;
  cx.cmdline.cursor->origin += from_file ? 8 : 2;
}

void build_arguments(asm_context& cx, int argc, char** argv) {
  command_line_state& cl = cx.cmdline;
  const char* program = argc > 0 && argv[0] ? argv[0] : kProductName;
  cl.args = new_entry(cx, program, std::strlen(program));
  arg_entry* last = cl.args;
  for (int i = 1; i < argc; ++i) {
    arg_entry* entry = new_entry(cx, argv[i], std::strlen(argv[i]));
    last->next = entry;
    last = entry;
  }
  cl.cursor = cl.args;
  if (!cx.driver.ide_mode) {
    if (const char* value = std::getenv(kOptionVariable)) {
      string_source source{value};
      split_words(cx, next_string_char, &source, false);
    }
  }
  cl.cursor = cl.args;
}

namespace {

bool same_command_file(const command_file_link& a, const file_identity& id, const std::string& path) {
  if (a.id.kind != file_kind::missing && id.kind != file_kind::missing) return same_file(a.id, id);
  return path == a.path;
}

}  // namespace

// -f: reads a command file (extension "xcl" by default) into the argument list
// right behind the current word. A file that is being read already, further
// up the chain of command files that led to this word, would never end.
int read_command_file(asm_context& cx, const char* name) {
  std::string path = with_default_extension(name, "xcl");
  file_identity id;
  qfile* file = nullptr;
  if (cx.out->identify_file(path.c_str(), &id) != file_kind::directory) file = cx.out->open_file(path.c_str(), "rt");
  if (file == nullptr) {
    command_line_message(cx, "Could not open file: '%s'\n", path.c_str());
    fatal_exit(cx);
  }
  const std::string full = full_path(path);
  arg_entry* at = cx.cmdline.cursor;
  for (const command_file_link* open = at->from; open != nullptr; open = open->parent) {
    if (!same_command_file(*open, id, full)) continue;
    cx.out->close_file(file);
    command_line_message(cx, "\nError in command line: Command file already open: '%s'\n", path.c_str());
    fatal_exit(cx);
  }
  cx.driver.files.command_file = file;
  note_read_file(cx, path);
  auto* link = static_cast<command_file_link*>(am_memory(cx, sizeof(command_file_link)));
  *link = command_file_link{at->from, id, am_strdup(cx, full.data(), full.size())};
  file_source source{&cx, file};
  split_words(cx, next_file_char, &source, true);
  for (arg_entry* e = at->next;; e = e->next) {
    e->from = link;
    if (e == cx.cmdline.cursor) break;
  }
  cx.cmdline.cursor = at;  // parsing goes on with the file's first word
  cx.driver.files.command_file = nullptr;
  cx.out->close_file(file);
  return 0;
}
