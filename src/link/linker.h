// linker.h — qlink's model of a link: the object files, their modules, the
// segment parts each module declares, the public symbols, the placed image, and
// the stages that fill it (load and select, place, build the image, write).
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "object/quill_reader.h"

struct output_table;

// One -Z option: a segment name or type word and its address ranges (inclusive).
struct link_zone {
  std::string name;
  std::vector<std::pair<uint32_t, uint32_t>> ranges;
};

// One object file of the command line; every module of a --library file is a
// library module.
struct link_input {
  std::string name;
  bool library = false;
};

struct link_options {
  std::string output = "a.hex";
  bool binary = false;
  uint8_t fill = 0xFF;
  std::vector<link_zone> zones;
  std::string map_file;
  std::vector<link_input> inputs;
  bool variable_indexes = true;
  uint32_t date[7] = {};  // DATE fields 1..6 for the link time
};

constexpr uint32_t kNoPart = 0xFFFFFFFF;
constexpr uint64_t kImageLimit = 16u << 20;  // placed bytes and binary span
constexpr int kErrorsShown = 100;

struct link_file {
  std::string name;
  bool library = false;    // given with --library
  std::string bytes;
  quill_object obj;
};

// One segment declaration of one module.
struct link_part {
  uint32_t module;
  uint32_t index;          // segment index in the module (segment number - 2)
  std::string_view name;
  uint8_t segbyte;         // kind << 5 | type
  uint8_t flags;           // alignment and NOROOT / REORDER / SORT (0x4B only)
  bool fixed;              // 0xC5: placed at `address`
  uint32_t address;
  uint64_t size = 0;       // highest offset the records reach
  uint32_t base = 0;       // placed address
  bool kept = false;       // a root, or reached from one
  bool placed = false;
  uint32_t common = kNoPart;  // first part of its COMMON group
  unsigned kind() const { return segbyte >> 5; }
  unsigned type() const { return segbyte & 0x1F; }
  unsigned align() const { return fixed ? 0 : flags & 0x1F; }
  // A relocatable part declares NOROOT in its flags; a fixed one arrives as
  // kind 2 when it is NOROOT.
  bool root() const { return fixed ? kind() != QK_STACK : (flags & kQuillNoRoot) == 0; }
};

// A public definition.
struct link_symbol {
  std::string_view name;
  uint32_t module;
  uint32_t part;           // kNoPart for an absolute value
  uint32_t value;
  bool weak;
  uint32_t address = 0;    // final value after placement
};

// What a function number of a module stands for.
struct link_function {
  bool external;
  std::string_view name;   // the external's name
  uint32_t part;           // defined: part (or kNoPart) and value
  uint32_t value;
};

struct link_module {
  uint32_t file = 0;
  const quill_module* m = nullptr;
  bool library = false;    // loaded only when something loaded needs it
  bool loaded = false;
  std::unordered_map<uint32_t, uint32_t> parts;              // segment index -> part
  std::unordered_map<uint32_t, std::string_view> externals;  // external number -> name
  std::unordered_map<uint32_t, link_function> functions;
  std::vector<std::pair<uint32_t, std::string_view>> to_symbols;  // (from part, external name)
  std::vector<std::pair<uint32_t, uint32_t>> part_edges;          // (from part, to part)
  std::vector<std::pair<uint32_t, uint64_t>> absolute_spans;      // absolute bytes (address, length)
};

// A run of placed bytes.
struct link_run {
  uint32_t address;
  uint32_t length;
  uint32_t at;             // into link_state::image
  uint32_t module;
  uint32_t part;           // kNoPart for the absolute segment
};

struct link_state {
  const output_table* out = nullptr;
  link_options options;
  std::vector<std::unique_ptr<link_file>> files;
  std::vector<link_module> modules;
  std::vector<link_part> parts;
  std::vector<link_symbol> symbols;
  std::unordered_map<std::string_view, uint32_t> by_name;  // public symbol -> symbols index
  // Segment name -> lowest address and address after the highest of its placed
  // parts (SFB and SFE), filled by placement.
  std::unordered_map<std::string_view, std::pair<uint64_t, uint64_t>> extents;
  std::string image;
  std::vector<link_run> runs;
  bool has_start = false;
  uint32_t start = 0;
  int errors = 0;
  int warnings = 0;
  bool fatal = false;  // an input could not be read

  void error(const std::string& text);
  void warning(const std::string& text);
  std::string module_name(uint32_t module) const;  // "'name' (file)"
  std::string part_name(uint32_t part) const;      // "segment CODE of module 'name' (file)"
};

// Stage 1: decode the files, scan every module, load program modules and the
// library modules they need, bind the public symbols.
bool link_load(link_state& st);
// Stage 2: keep what the roots reach and give every kept part an address.
bool link_place(link_state& st);
// Stage 3: evaluate the expressions and collect the placed bytes; check overlaps.
bool link_build_image(link_state& st);
// Stage 4: the output file and the map.
std::string link_intel_hex(const link_state& st);
bool link_binary(link_state& st, std::string& out);
std::string link_map_text(const link_state& st);

// The qlink command (argv[0] the program); returns the exit code.
int qlink_run(const output_table& out, int argc, char** argv);
