// run_files.cpp — opening the source, naming and creating the object and list
// files, the overwrite check, QASM_INC, and closing at the end of a run (A03).
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include "driver/command_line.h"
#include "driver/context.h"
#include "driver/stops.h"
#include "source/reader.h"

namespace {

std::size_t base_start(std::string_view name) {
  std::size_t slash = name.find_last_of("/\\");
  return slash == std::string_view::npos ? 0 : slash + 1;
}

bool has_extension(std::string_view name) {
  return name.substr(base_start(name)).find('.') != std::string_view::npos;
}

[[noreturn]] void cannot_open(asm_context& cx, const std::string& name) {
  command_line_message(cx, "Could not open file: '%s'\n", name.c_str());
  fatal_exit(cx);
}

[[noreturn]] void refuse_overwrite(asm_context& cx, const std::string& name) {
  command_line_message(cx, "\nTry to overwrite file: '%s'\n", name.c_str());
  fatal_exit(cx);
}

file_identity identify(asm_context& cx, const std::string& name) {
  file_identity id;
  cx.out->identify_file(name.c_str(), &id);
  return id;
}

bool was_read(const run_files& f, const file_identity& id) {
  for (const file_identity& r : f.read_files)
    if (same_file(r, id)) return true;
  return false;
}

// A new output file must not replace a file this run has opened: an earlier
// output, the source, or a command file, named alike or reached through a
// link. Checked before the file is created; returns what the name is now.
file_identity check_overwrite(asm_context& cx, const std::string& name) {
  run_files& f = cx.driver.files;
  std::string path = full_path(name);
  for (const auto* list : {&f.output_full_paths, &f.opened_full_paths})
    for (const std::string& earlier : *list)
      if (earlier == path) refuse_overwrite(cx, name);
  const file_identity id = identify(cx, name);
  if (was_read(f, id)) refuse_overwrite(cx, name);
  f.output_full_paths.push_back(path);
  return id;
}

constexpr int kTempAttempts = 100;

// Creates a file of a new name beside `name`: the output is written there and
// takes its own name only at clean-up, so that nothing of that name is lost
// before the run has finished. Names taken by another file are skipped.
qfile* create_beside(asm_context& cx, const std::string& name, const char* mode, std::string& temp) {
  const std::string exclusive = std::string(mode) + "x";
  for (int n = 1; n <= kTempAttempts; ++n) {
    std::string candidate = name + "~" + std::to_string(n) + ".tmp";
    if (qfile* file = cx.out->open_file(candidate.c_str(), exclusive.c_str())) {
      temp = std::move(candidate);
      return file;
    }
    // Not refused for being there: the folder itself refuses.
    if (cx.out->identify_file(candidate.c_str(), nullptr) == file_kind::missing) break;
  }
  return nullptr;
}

}  // namespace

std::string with_default_extension(std::string_view name, const char* extension) {
  std::string result(name);
  if (!has_extension(name)) {
    result += '.';
    result += extension;
  }
  return result;
}

std::string full_path(std::string_view name) {
  // Absolute first: the canonical form of a file that does not exist yet would
  // otherwise stay relative. Symbolic links are resolved as far as they exist.
  std::error_code ec;
  std::filesystem::path p = std::filesystem::absolute(std::filesystem::path(name), ec).lexically_normal();
  std::filesystem::path canonical = std::filesystem::weakly_canonical(p, ec);
  return ec ? p.string() : canonical.string();
}

std::string output_name_in_directory(asm_context& cx, std::string_view path, const char* extension) {
  std::string name(path);
  if (!name.empty() && name.back() != '/' && name.back() != '\\') name += '/';
  name += cx.driver.files.source_base;
  name += '.';
  name += extension;
  return name;
}

void open_source_file(asm_context& cx, const char* name) {
  run_files& f = cx.driver.files;
  if (f.source != nullptr) {
    command_line_message(cx, "\nTry to open more than one source file\n");
    fatal_exit(cx);
  }
  std::string path = with_default_extension(name, kDefaultSourceExtension);
  qfile* file = open_regular_file(cx, path);
  if (file == nullptr) {
    path = with_default_extension(name, kSourceExtension);
    file = open_regular_file(cx, path);
    if (file == nullptr) cannot_open(cx, path);
  }
  f.source = file;
  f.source_name = path;
  note_read_file(cx, path);
  std::string_view view(path);
  std::size_t base = base_start(view);
  cx.driver.include_paths.emplace_back(view.substr(0, base));
  std::string_view stem = view.substr(base);
  f.source_base = std::string(stem.substr(0, stem.rfind('.')));
}

void open_stdin_source(asm_context& cx) {
  run_files& f = cx.driver.files;
  if (f.source != nullptr) {
    command_line_message(cx, "\nTry to open more than one source file\n");
    fatal_exit(cx);
  }
  ++cx.driver.source_count;
  f.source = cx.out->std_in;
  f.source_name = "stdin.c";
  f.source_base = "stdin";
  cx.driver.include_paths.emplace_back("");
}

namespace {

// Creates an output file after the overwrite check; the object is written in
// untranslated byte mode, the list in text mode. A device or a pipe is
// written as it stands; a file is written beside its name (create_beside).
void open_output_file(asm_context& cx, const std::string& name, const char* mode, qfile*& handle,
                      std::string& slot, std::string& temp, file_identity& target) {
  const file_identity id = check_overwrite(cx, name);
  qfile* file = nullptr;
  if (id.kind == file_kind::other)
    file = cx.out->open_file(name.c_str(), mode);
  else if (id.kind != file_kind::directory)
    file = create_beside(cx, name, mode, temp);
  if (file == nullptr) cannot_open(cx, name);
  handle = file;
  slot = name;
  target = id;
}

// Closes an output. A kept file takes its name; a dropped one disappears, and
// with it (`drop_older`) a file of its name from an earlier run, unless this
// run read that file. Idempotent: a second call finds nothing to do.
void finish_output(asm_context& cx, qfile*& handle, std::string& temp, const std::string& name, bool keep,
                   bool drop_older) {
  const output_table& out = *cx.out;
  if (handle == nullptr && temp.empty()) return;
  if (handle != nullptr) out.close_file(handle);
  handle = nullptr;
  if (temp.empty()) return;  // a device or a pipe
  // A file the run read keeps its text, whatever stopped the run.
  file_identity now;
  out.identify_file(name.c_str(), &now);
  if (was_read(cx.driver.files, now)) keep = drop_older = false;
  if (keep && out.rename_file(temp.c_str(), name.c_str()) != 0) {
    command_line_message(cx, "Could not open file: '%s'\n", name.c_str());
    ++cx.driver.total_errors;
    keep = false;
  }
  if (!keep) {
    out.remove_file(temp.c_str());
    if (drop_older && now.kind == file_kind::regular) out.remove_file(name.c_str());
  }
  temp.clear();
}

}  // namespace

qfile* open_regular_file(asm_context& cx, const std::string& name) {
  if (cx.out->identify_file(name.c_str(), nullptr) != file_kind::regular) return nullptr;
  return cx.out->open_file(name.c_str(), "rt");
}

void note_read_file(asm_context& cx, const std::string& name) {
  run_files& f = cx.driver.files;
  const file_identity id = identify(cx, name);
  if (!was_read(f, id)) {
    f.read_files.push_back(id);
    f.opened_full_paths.push_back(full_path(name));
  }
  if (same_file(id, f.object_target)) refuse_overwrite(cx, f.object_name);
  if (same_file(id, f.list_target)) refuse_overwrite(cx, f.list_name);
}

void open_object_file(asm_context& cx, const std::string& name) {
  run_files& f = cx.driver.files;
  open_output_file(cx, name, "wb", f.object, f.object_name, f.object_temp, f.object_target);
}

void open_list_file(asm_context& cx, const std::string& name) {
  run_files& f = cx.driver.files;
  open_output_file(cx, name, "wt", f.list, f.list_name, f.list_temp, f.list_target);
}

// QASM_INC: directories separated by ";"; an empty entry is the current
// directory, except a trailing one.
void add_environment_include_paths(asm_context& cx) {
  const char* value = std::getenv(kIncludeVariable);
  if (value == nullptr) return;
  std::string_view rest(value);
  for (;;) {
    std::size_t semi = rest.find(';');
    std::string_view entry = rest.substr(0, semi);
    if (semi == std::string_view::npos) {
      if (!entry.empty()) cx.driver.include_paths.emplace_back(entry);
      break;
    }
    cx.driver.include_paths.emplace_back(entry);
    rest.remove_prefix(semi + 1);
  }
}

// Closes list, command file, source and object in this order. The list
// takes its name once assembly has begun; the object only when no error was
// counted and a module reached it, and a run without one leaves no object of
// that name at all.
void clean_up_files(asm_context& cx) {
  run_files& f = cx.driver.files;
  const output_table& out = *cx.out;
  finish_output(cx, f.list, f.list_temp, f.list_name, f.assembly_started, false);
  if (f.command_file != nullptr) out.close_file(f.command_file);
  f.command_file = nullptr;
  close_include_files(cx);  // after END in an include file, or a stop inside one
  if (f.source != nullptr && f.source != out.std_in) out.close_file(f.source);
  f.source = nullptr;
  const bool failed = cx.driver.module_errors != 0 || cx.driver.total_errors != 0;
  finish_output(cx, f.object, f.object_temp, f.object_name, !failed && cx.object.module_written, true);
}
