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

// A new output file must not replace a file this run has opened: an earlier
// output, the source, or a command file. Checked before the file is created.
void check_overwrite(asm_context& cx, const std::string& name) {
  run_files& f = cx.driver.files;
  std::string path = full_path(name);
  for (const auto* list : {&f.output_full_paths, &f.opened_full_paths}) {
    for (const std::string& earlier : *list) {
      if (earlier == path) {
        command_line_message(cx, "\nTry to overwrite file: '%s'\n", name.c_str());
        fatal_exit(cx);
      }
    }
  }
  f.output_full_paths.push_back(path);
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
  qfile* file = cx.out->open_file(path.c_str(), "rt");
  if (file == nullptr) {
    path = with_default_extension(name, kSourceExtension);
    file = cx.out->open_file(path.c_str(), "rt");
    if (file == nullptr) cannot_open(cx, path);
  }
  f.source = file;
  f.source_name = path;
  f.opened_full_paths.push_back(full_path(path));
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
// untranslated byte mode, the list in text mode.
void open_output_file(asm_context& cx, const std::string& name, const char* mode, qfile*& handle,
                      std::string& slot) {
  check_overwrite(cx, name);
  qfile* file = cx.out->open_file(name.c_str(), mode);
  if (file == nullptr) cannot_open(cx, name);
  handle = file;
  slot = name;
}

}  // namespace

void open_object_file(asm_context& cx, const std::string& name) {
  open_output_file(cx, name, "wb", cx.driver.files.object, cx.driver.files.object_name);
}

void open_list_file(asm_context& cx, const std::string& name) {
  open_output_file(cx, name, "wt", cx.driver.files.list, cx.driver.files.list_name);
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

// Closes list, command file, source and object in this order; a run that
// counted an error, or wrote no module, loses its object file.
void clean_up_files(asm_context& cx) {
  run_files& f = cx.driver.files;
  const output_table& out = *cx.out;
  if (f.list != nullptr) {
    out.close_file(f.list);
    f.list = nullptr;
    // A run that stops before assembling leaves no list file behind either.
    if (!f.assembly_started) out.remove_file(f.list_name.c_str());
  }
  if (f.command_file != nullptr) out.close_file(f.command_file);
  f.command_file = nullptr;
  close_include_files(cx);  // after END in an include file, or a stop inside one
  if (f.source != nullptr && f.source != out.std_in) out.close_file(f.source);
  f.source = nullptr;
  if (f.object != nullptr) {
    out.close_file(f.object);
    f.object = nullptr;
    // A run with errors, or without a module that reached the file, leaves no object.
    const bool failed = cx.driver.module_errors != 0 || cx.driver.total_errors != 0;
    if (failed || !cx.object.module_written) out.remove_file(f.object_name.c_str());
  }
}
