// qlink.cpp — the qlink command: options, the four stages, the output files and
// the exit code (0 linked, 1 linked with warnings, 2 errors, 3 fatal).
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "driver/output_table.h"
#include "link/linker.h"
#include "object/tool_io.h"

namespace {

constexpr const char* kHelp =
    "Usage: qlink [-o FILE] [-F hex|bin] [--fill HH] [-Z NAME=LO-HI[,LO-HI...]]...\n"
    "             [-m MAPFILE] [--fixed-indexes] [--library FILE]... OBJECT...\n"
    "Links QUILL object files into one program image.\n"
    "  -o FILE          output file (default a.hex)\n"
    "  -F hex|bin       Intel HEX (default) or a raw binary image from the lowest\n"
    "                   to the highest placed address\n"
    "  --fill HH        byte for the gaps of a binary image (hexadecimal, default FF)\n"
    "  -Z NAME=LO-HI    address ranges (hexadecimal, inclusive) for the relocatable\n"
    "                   segments named NAME, or of the segment type NAME (CODE, DATA,\n"
    "                   ...) when no -Z names the segment; first fit, in command-line\n"
    "                   order\n"
    "  -m MAPFILE       write a map of the segments and symbols\n"
    "  --fixed-indexes  the objects were written with 2-byte indexes\n"
    "  --library FILE   every module of FILE is a library module\n"
    "  --help           this text\n"
    "Program modules are always loaded; a library module (one the assembler\n"
    "wrote from MODULE or LIBRARY, or any module of a --library file) only when\n"
    "it defines a symbol that something loaded refers to.\n"
    "Exit code: 0 linked, 1 linked with warnings, 2 errors (no output file is\n"
    "left), 3 fatal (bad command line, unreadable input, unwritable output).\n";

constexpr std::time_t kFakeTime = 826366246;  // the assembler's fixed test time

bool parse_hex(const char* s, const char* end, uint32_t* v) {
  if (s == end || end - s > 8) return false;
  uint32_t x = 0;
  for (; s != end; ++s) {
    const char c = *s;
    const int d = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
    if (d < 0) return false;
    x = x << 4 | static_cast<uint32_t>(d);
  }
  *v = x;
  return true;
}

// NAME=LO-HI[,LO-HI...]
bool parse_zone(const char* text, link_zone* z) {
  const char* eq = std::strchr(text, '=');
  if (eq == nullptr || eq == text) return false;
  z->name.assign(text, eq);
  const char* p = eq + 1;
  for (;;) {
    const char* dash = std::strchr(p, '-');
    if (dash == nullptr) return false;
    const char* comma = std::strchr(dash, ',');
    const char* end = comma ? comma : dash + std::strlen(dash);
    uint32_t lo = 0, hi = 0;
    if (!parse_hex(p, dash, &lo) || !parse_hex(dash + 1, end, &hi) || hi < lo) return false;
    z->ranges.push_back({lo, hi});
    if (comma == nullptr) return true;
    p = comma + 1;
  }
}

// The option's argument: the rest of the word (-ZCODE=...) or the next word.
const char* argument(int argc, char** argv, int* i, std::size_t letters) {
  if (argv[*i][letters] != '\0') return argv[*i] + letters;
  if (*i + 1 >= argc) return nullptr;
  return argv[++*i];
}

// 0 to go on, else the exit code.
int parse_options(const output_table& out, int argc, char** argv, link_options& o) {
  for (int i = 1; i < argc; ++i) {
    const char* a = argv[i];
    const char* value = nullptr;
    if (std::strcmp(a, "--help") == 0 || std::strcmp(a, "-h") == 0) {
      tool_print(out, kHelp);
      return -1;
    }
    if (std::strcmp(a, "--fixed-indexes") == 0) {
      o.variable_indexes = false;
    } else if (std::strcmp(a, "--library") == 0) {
      if (i + 1 >= argc) {
        tool_print(out, "qlink: --library needs an object file\n");
        return 3;
      }
      o.inputs.push_back({argv[++i], true});
    } else if (std::strcmp(a, "--fill") == 0) {
      uint32_t fill = 0;
      value = i + 1 < argc ? argv[++i] : nullptr;
      if (!value || !parse_hex(value, value + std::strlen(value), &fill) || fill > 0xFF) {
        tool_print(out, "qlink: --fill needs a hexadecimal byte (00 to FF)\n");
        return 3;
      }
      o.fill = static_cast<uint8_t>(fill);
    } else if (std::strncmp(a, "-o", 2) == 0 || std::strncmp(a, "-m", 2) == 0 || std::strncmp(a, "-F", 2) == 0 ||
               std::strncmp(a, "-Z", 2) == 0) {
      value = argument(argc, argv, &i, 2);
      if (value == nullptr) {
        tool_print(out, std::string("qlink: option ") + a + " needs an argument\n");
        return 3;
      }
      if (a[1] == 'o') o.output = value;
      if (a[1] == 'm') o.map_file = value;
      if (a[1] == 'F') {
        if (std::strcmp(value, "hex") != 0 && std::strcmp(value, "bin") != 0) {
          tool_print(out, std::string("qlink: unknown output format '") + value + "' (hex or bin)\n");
          return 3;
        }
        o.binary = value[0] == 'b';
      }
      if (a[1] == 'Z') {
        link_zone z;
        if (!parse_zone(value, &z)) {
          tool_print(out, std::string("qlink: bad -Z option '") + value + "' (NAME=LO-HI[,LO-HI...] in hexadecimal)\n");
          return 3;
        }
        o.zones.push_back(std::move(z));
      }
    } else if (a[0] == '-' && a[1] != '\0') {
      tool_print(out, std::string("qlink: unknown option '") + a + "'\n");
      return 3;
    } else {
      o.inputs.push_back({a, false});
    }
  }
  if (o.inputs.empty()) {
    tool_print(out, std::string("qlink: no object file given\n") + kHelp);
    return 3;
  }
  return 0;
}

void set_date(link_options& o) {
  const std::time_t now = std::getenv("VEK_INTERNAL__USE_FAKE_TIME") ? kFakeTime : std::time(nullptr);
  std::tm t{};
  localtime_r(&now, &t);
  const int fields[7] = {0, t.tm_sec, t.tm_min, t.tm_hour, t.tm_mday, t.tm_mon + 1, t.tm_year % 100};
  for (int i = 1; i <= 6; ++i) o.date[i] = static_cast<uint32_t>(fields[i]);
}

}  // namespace

int qlink_run(const output_table& out, int argc, char** argv) {
  link_state st;
  st.out = &out;
  const int parsed = parse_options(out, argc, argv, st.options);
  if (parsed != 0) return parsed < 0 ? 0 : parsed;
  set_date(st.options);
  const link_options& o = st.options;
  std::string output;
  const bool linked = link_load(st) && link_place(st) && link_build_image(st) &&
                      (o.binary ? link_binary(st, output) : (output = link_intel_hex(st), true));
  if (!linked || st.errors > 0) {
    // No output of a failed link is left behind, not even one of an earlier run.
    out.remove_file(o.output.c_str());
    if (!o.map_file.empty()) out.remove_file(o.map_file.c_str());
    tool_print(out, "qlink: " + std::to_string(st.errors) + " error(s), " + std::to_string(st.warnings) +
                        " warning(s); no output written\n");
    return st.fatal ? 3 : 2;
  }
  if (!tool_write_file(out, o.output.c_str(), output)) {
    out.remove_file(o.output.c_str());
    tool_print(out, "qlink: cannot write '" + o.output + "'\n");
    return 3;
  }
  if (!o.map_file.empty() && !tool_write_file(out, o.map_file.c_str(), link_map_text(st))) {
    out.remove_file(o.output.c_str());
    out.remove_file(o.map_file.c_str());
    tool_print(out, "qlink: cannot write '" + o.map_file + "'\n");
    return 3;
  }
  return st.warnings > 0 ? 1 : 0;
}
