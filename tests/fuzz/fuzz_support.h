// fuzz_support.h — what the fuzz drivers share: an output table that keeps
// every file in memory (no fuzzed name reaches a real file, for reading,
// writing, renaming or removing), and the checks every run must pass.
#pragma once

#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>
#include <map>
#include <set>
#include <string>

#include "support/capture.h"

namespace fuzz {

// The capture's own entries, wrapped below; one capture at a time.
inline output_table& capture_entries() {
  static output_table entries{};
  return entries;
}
inline capture_table*& current_capture() {
  static capture_table* cap = nullptr;
  return cap;
}

// The names the run opened for reading, and their text before it.
inline std::set<std::string>& read_names() {
  static std::set<std::string> names;
  return names;
}
inline std::map<std::string, std::string>& texts_before() {
  static std::map<std::string, std::string> texts;
  return texts;
}

// Internal errors in IDE mode are a note to the IDE, and the run goes on.
inline std::string& ide_notes() {
  static std::string notes;
  return notes;
}
inline void note_to_ide(void*, int kind, const char* format, std::va_list args) {
  char text[1025];
  std::vsnprintf(text, sizeof text, format, args);
  if (kind == 0) ide_notes() += std::string("I N T E R N A L\n") + text + "\n";
}

inline bool in_memory(const char* name) { return current_capture()->files.count(name) != 0; }

// Reads only files held in memory; writes only relative names (kept in memory).
inline qfile* open_memory_only(void* user, const char* name, const char* mode) {
  if (mode[0] == 'r' && !in_memory(name)) return nullptr;
  if (mode[0] == 'r') read_names().insert(name);
  if (mode[0] != 'r' && name[0] == '/') return nullptr;
  return capture_entries().entries.open_file(user, name, mode);
}
inline int remove_memory_only(void* user, const char* name) {
  return in_memory(name) ? capture_entries().entries.remove_file(user, name) : -1;
}
inline int rename_memory_only(void* user, const char* from, const char* to) {
  return in_memory(from) && to[0] != '/' ? capture_entries().entries.rename_file(user, from, to) : -1;
}
inline file_kind identify_memory_only(void* user, const char* name, file_identity* id) {
  if (in_memory(name)) return capture_entries().entries.identify_file(user, name, id);
  if (id != nullptr) *id = file_identity{};
  return file_kind::missing;
}

// Binds the wrappers into `cap`, whose files must all be in memory; call it
// once the run's files are in place.
inline void memory_only(capture_table& cap) {
  current_capture() = &cap;
  ide_notes().clear();
  read_names().clear();
  texts_before() = cap.files;
  capture_entries() = cap.table;
  cap.table.entries.open_file = open_memory_only;
  cap.table.entries.remove_file = remove_memory_only;
  cap.table.entries.rename_file = rename_memory_only;
  cap.table.entries.identify_file = identify_memory_only;
  cap.table.entries.formatted_message = note_to_ide;
}

// The runs checked, by exit code.
struct tally {
  long runs = 0;
  long by_code[4] = {};
};

// Aborts the process when one run takes more than 20 s; `note` says where
// the input of the run is kept.
inline const char*& hang_note() {
  static const char* note = "";
  return note;
}
inline void on_hang(int) {
  (void)!write(2, hang_note(), std::strlen(hang_note()));
  std::abort();
}
inline void watch_for_hangs(const char* note) {
  hang_note() = note;
  std::signal(SIGALRM, on_hang);
}

// The random driver: for `seconds`, takes an input from `next(rng)`, keeps it
// in `keep_name` while `run(input, index)` assembles it (a crash or a hang
// leaves it behind; a run over 20 s aborts with `hang_text`) and reports
// progress every 20,000 runs. Returns the number of runs.
template <class Next, class Run>
long drive(double seconds, uint64_t seed, const char* keep_name, const char* hang_text, Next next, Run run) {
  std::mt19937_64 rng(seed);
  watch_for_hangs(hang_text);
  long runs = 0;
  const auto start = std::chrono::steady_clock::now();
  const auto elapsed = [&] { return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(); };
  while (elapsed() < seconds) {
    const std::string input = next(rng);
    {
      std::ofstream keep(keep_name, std::ios::binary | std::ios::trunc);
      keep << input;
    }
    alarm(20);
    run(input, runs);
    alarm(0);
    if (++runs % 20000 == 0) std::fprintf(stderr, "%ld runs, %.0f s\n", runs, elapsed());
  }
  std::remove(keep_name);
  return runs;
}

// A name of the form "<output>~<n>.tmp".
inline bool temporary_name(const std::string& name) {
  const std::size_t tilde = name.rfind('~');
  if (tilde == std::string::npos || name.size() < tilde + 6 || name.compare(name.size() - 4, 4, ".tmp") != 0)
    return false;
  for (std::size_t i = tilde + 1; i < name.size() - 4; ++i)
    if (name[i] < '0' || name[i] > '9') return false;
  return true;
}

// Stops the process with the console when a run ended in a way no input may
// cause: an exit code outside 0..3, an internal error, an object after
// errors, an output left under its temporary name, or a file the run read
// that lost its text.
inline void check_run(const capture_table& cap, int code, const char* list_name, tally& t) {
  std::string why;
  const std::string list = (list_name != nullptr && cap.files.count(list_name) ? cap.files.at(list_name) : "") +
                           ide_notes();
  if (code < 0 || code > 3) why = "exit code " + std::to_string(code);
  // The report goes to the console, to the IDE or into the list file, whatever its name.
  bool internal = cap.console.find("I N T E R N A L") != std::string::npos ||
                  list.find("I N T E R N A L") != std::string::npos;
  for (const auto& [name, data] : cap.files)
    if (data.find("I N T E R N A L") != std::string::npos) internal = true;
  if (internal) why = "internal error";
  for (const std::string& name : read_names()) {
    auto now = cap.files.find(name);
    if (now == cap.files.end() || now->second != texts_before()[name]) why = "file read and then replaced: " + name;
  }
  for (const auto& [name, data] : cap.files) {
    if (temporary_name(name)) why = "output left under its temporary name " + name;
    if (code >= 2 && name.size() > 4 && name.compare(name.size() - 4, 4, ".r26") == 0)
      why = "object " + name + " left after a failed run";
  }
  if (!why.empty()) {
    std::fprintf(stderr, "%s\n--- console ---\n%s\n--- list ---\n%s\n", why.c_str(), cap.console.c_str(), list.c_str());
    std::abort();
  }
  ++t.runs;
  ++t.by_code[code];
}

}  // namespace fuzz
