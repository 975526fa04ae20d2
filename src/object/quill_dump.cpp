// quill_dump.cpp — the text views of a decoded QUILL object that qdump prints.
#include "object/quill_dump.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <vector>

#include "cfi/cfi_record.h"
#include "object/tool_io.h"

namespace {

// A string field as a quoted literal with control characters escaped.
void add_quoted(std::string& out, std::string_view text) {
  out += '"';
  for (const char c : text) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (c == '\n') {
      out += "\\n";
    } else if (u < 0x20 || u >= 0x7F) {
      tool_appendf(out, "\\x%02X", u);
    } else {
      out += c;
    }
  }
  out += '"';
}

void add_hex_bytes(std::string& out, const uint8_t* b, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) tool_appendf(out, i ? " %02X" : "%02X", b[i]);
}

const char* kind_name(unsigned kind) {
  static constexpr const char* kNames[] = {"ABS", "REL", "STACK", "COMMON", "kind4", "kind5", "kind6", "kind7"};
  return kNames[kind & 7];
}

std::string segbyte_text(unsigned segbyte) {
  const char* type = quill_segment_type_name(segbyte & 0x1F);
  char buf[48];
  if (type)
    std::snprintf(buf, sizeof buf, "%s %s", kind_name(segbyte >> 5), type);
  else
    std::snprintf(buf, sizeof buf, "%s type%u", kind_name(segbyte >> 5), segbyte & 0x1F);
  return buf;
}

const char* class_name(unsigned cls) {
  switch (cls) {
    case QS_ABSOLUTE: return "public absolute";
    case QS_RELOCATABLE: return "public relocatable";
    case QS_ABS_LOCAL: return "local absolute";
    case QS_REL_LOCAL: return "local relocatable";
    case QS_EXTERNAL: return "external";
    case QS_ABS_TYPED: return "typed absolute";
    case QS_WEAK: case QS_WEAK_ALT: return "weak";
    default: return "unknown class";
  }
}

// Names a module gives its segments and externals, for the dump's annotations.
struct module_names {
  std::map<uint32_t, std::string_view> segments;   // segment index -> name
  std::map<uint32_t, std::string_view> externals;  // external number -> name
};

module_names collect_names(const quill_object& obj, const quill_module& m) {
  module_names names;
  for (uint32_t i = 0; i < m.record_count; ++i) {
    const quill_record& r = obj.records[m.first_record + i];
    const uint8_t tag = r.layout->tag;
    if (tag == QT_RSEG || tag == QT_ASEG) names.segments[obj.number(r, "segment")] = obj.text(r, "name");
    if (tag == QT_SYMBOL && obj.number(r, "class") == QS_EXTERNAL)
      names.externals[obj.number(r, "segment")] = obj.text(r, "name");
  }
  return names;
}

std::string segment_word(const module_names& names, uint32_t index) {
  auto it = names.segments.find(index);
  return it != names.segments.end() ? std::string(it->second) : "seg#" + std::to_string(index);
}

std::string with_offset(std::string base, uint32_t offset) {
  char buf[24];
  if (offset == 0) return base;
  std::snprintf(buf, sizeof buf, "+0x%X", offset);
  return base + buf;
}

std::string postfix_word(const quill_object& obj, const module_names& names, const quill_record& r) {
  char buf[48];
  const uint32_t offset = obj.number(r, "offset");
  switch (r.layout->tag) {
    case QT_CONST: std::snprintf(buf, sizeof buf, "0x%X", obj.number(r, "value")); return buf;
    case QT_SEGREL: return with_offset(segment_word(names, obj.number(r, "segment")), offset);
    case QT_SFB: return with_offset("SFB(" + segment_word(names, obj.number(r, "segment")) + ")", offset);
    case QT_SFE: return with_offset("SFE(" + segment_word(names, obj.number(r, "segment")) + ")", offset);
    case QT_EXTERN: {
      auto it = names.externals.find(obj.number(r, "external"));
      const std::string base =
          it != names.externals.end() ? std::string(it->second) : "ext#" + std::to_string(obj.number(r, "external"));
      return with_offset(base, offset);
    }
    case QT_LOCATION: {
      const auto k = static_cast<int32_t>(obj.number(r, "delta"));
      if (k == 0) return "$";
      std::snprintf(buf, sizeof buf, "$%+d", k);
      return buf;
    }
    case QT_ERROR_TEXT: {
      std::string s = "text(";
      add_quoted(s, obj.text(r, "text"));
      return s + ")";
    }
    case QT_FN_REF: return "fn#" + std::to_string(obj.number(r, "function"));
    default: break;
  }
  std::string word = r.layout->name;
  for (uint32_t i = 0; i < r.value_count; ++i) word += " " + std::to_string(obj.values[r.first_value + i].number);
  return word;
}

bool is_expression(const quill_record& r) {
  const quill_role role = r.layout->role;
  return role == quill_role::operand || role == quill_role::op || role == quill_role::store ||
         role == quill_role::funcref;
}

void add_field(std::string& out, const quill_object& obj, const module_names& names, const quill_value& v,
               const quill_dump_options& options, bool segment_names) {
  out += ' ';
  out += v.layout->name;
  out += '=';
  const std::string_view name = v.layout->name;
  switch (v.layout->kind) {
    case quill_field::byte:
      if (name == "segbyte" || name == "flags") {
        tool_appendf(out, "0x%02X", v.number);
        if (name == "segbyte") out += "(" + segbyte_text(v.number) + ")";
      } else if (name == "class") {
        tool_appendf(out, "%u(%s)", v.number, class_name(v.number));
      } else {
        tool_appendf(out, "%u", v.number);
      }
      break;
    case quill_field::u16:
    case quill_field::length32:
      tool_appendf(out, "%u", v.number);
      break;
    case quill_field::index:
      tool_appendf(out, "%u", v.number);
      if (segment_names && name == "segment" && names.segments.count(v.number)) out += "(" + std::string(names.segments.at(v.number)) + ")";
      break;
    case quill_field::u32: tool_appendf(out, "0x%X", v.number); break;
    case quill_field::str8:
    case quill_field::str32:
    case quill_field::lstr16:
    case quill_field::lstr16s:
      add_quoted(out, obj.text(v));
      break;
    case quill_field::bytes: add_hex_bytes(out, obj.data(v), v.size); break;
    case quill_field::pairs: tool_appendf(out, "%u,%u", v.number, v.number2); break;
    case quill_field::opaque: {
      std::string decoded;
      if (options.cfi_body != nullptr) options.cfi_body(obj.data(v), v.size, decoded);
      if (!decoded.empty()) {
        out += decoded;
      } else {
        add_hex_bytes(out, obj.data(v), v.size);
      }
      break;
    }
    default: tool_appendf(out, "%u", v.number); break;
  }
}

void add_record(std::string& out, const quill_object& obj, const module_names& names, const quill_record& r,
                const quill_dump_options& options) {
  if (options.offsets) tool_appendf(out, "%06X  ", r.offset);
  tool_appendf(out, "%02X %-12s", r.layout->tag, r.layout->name);
  // The segment field of an external's symbol record holds its external number,
  // that of an absolute symbol nothing.
  const uint32_t cls = r.layout->tag == QT_SYMBOL ? obj.number(r, "class") : 0;
  const bool segment_names = r.layout->tag != QT_SYMBOL || cls == QS_RELOCATABLE || cls == QS_REL_LOCAL ||
                             cls == QS_WEAK || cls == QS_WEAK_ALT;
  for (uint32_t i = 0; i < r.value_count; ++i)
    add_field(out, obj, names, obj.values[r.first_value + i], options, segment_names);
  while (!out.empty() && out.back() == ' ') out.pop_back();
  out += '\n';
}

// Sizes of the segments as far as the records reach, for the summary.
std::map<uint32_t, uint64_t> segment_extents(const quill_object& obj, const quill_module& m) {
  std::map<uint32_t, uint64_t> size;
  quill_cursor at;
  for (uint32_t i = 0; i < m.record_count; ++i) {
    const quill_record& r = obj.records[m.first_record + i];
    if (r.layout->tag == QT_LOC_REL) size.try_emplace(obj.number(r, "segment"), 0);
    quill_step_cursor(obj, r, at);
    if (!at.absolute) size[at.segment] = std::max(size[at.segment], at.offset);
  }
  return size;
}

void add_summary(std::string& out, const quill_object& obj, const quill_module& m) {
  const std::map<uint32_t, uint64_t> sizes = segment_extents(obj, m);
  for (uint32_t i = 0; i < m.record_count; ++i) {
    const quill_record& r = obj.records[m.first_record + i];
    const uint8_t tag = r.layout->tag;
    if (tag == QT_RSEG || tag == QT_ASEG) {
      const uint32_t index = obj.number(r, "segment");
      auto it = sizes.find(index);
      tool_appendf(out, "  segment %-16.*s %-16s", static_cast<int>(obj.text(r, "name").size()), obj.text(r, "name").data(),
          segbyte_text(obj.number(r, "segbyte")).c_str());
      if (tag == QT_ASEG) tool_appendf(out, " at 0x%X", obj.number(r, "address"));
      else tool_appendf(out, " align %u%s", obj.number(r, "flags") & kQuillAlignMask,
               obj.number(r, "flags") & kQuillNoRoot ? " NOROOT" : "");
      tool_appendf(out, " size 0x%llX\n", static_cast<unsigned long long>(it != sizes.end() ? it->second : 0));
    }
  }
  for (uint32_t i = 0; i < m.record_count; ++i) {
    const quill_record& r = obj.records[m.first_record + i];
    if (r.layout->tag != QT_SYMBOL) continue;
    const std::string_view name = obj.text(r, "name");
    tool_appendf(out, "  symbol  %-16.*s %-18s", static_cast<int>(name.size()), name.data(), class_name(obj.number(r, "class")));
    if (obj.number(r, "class") == QS_EXTERNAL)
      tool_appendf(out, " external %u\n", obj.number(r, "segment"));
    else
      tool_appendf(out, " segment %u value 0x%X\n", obj.number(r, "segment"), obj.number(r, "value"));
  }
}

}  // namespace

std::string quill_postfix_word(const quill_object& obj, const quill_module& m, const quill_record& r) {
  return postfix_word(obj, collect_names(obj, m), r);
}

void quill_dump_records(const quill_object& obj, const quill_dump_options& options, std::string& out) {
  for (const quill_module& m : obj.modules) {
    const module_names names = collect_names(obj, m);
    std::string postfix, last;
    for (uint32_t i = 0; i < m.record_count; ++i) {
      const quill_record& r = obj.records[m.first_record + i];
      if (!is_expression(r)) postfix.clear(), last.clear();
      add_record(out, obj, names, r, options);
      if (!is_expression(r)) continue;
      if (r.layout->role == quill_role::store) {
        if (postfix.empty()) postfix = last;  // a repeated item stores the same expression again
        out += "        = " + postfix + (postfix.empty() ? "" : " ") + r.layout->name + "\n";
        last = postfix;
        postfix.clear();
      } else {
        if (!postfix.empty()) postfix += ' ';
        postfix += postfix_word(obj, names, r);
      }
    }
    if (m.closed)
      tool_appendf(out, "module '%.*s': checksum 0x%04X %s\n", static_cast<int>(m.name.size()), m.name.data(), m.checksum_stored,
          m.checksum_ok() ? "ok" : "BAD");
    else
      tool_appendf(out, "module '%.*s': incomplete\n", static_cast<int>(m.name.size()), m.name.data());
    add_summary(out, obj, m);
  }
  if (obj.end_of_file) out += "end of file\n";
}

namespace {

// A run of bytes that one record places: known bytes from the file, a repeated
// value of an absolute block, or bytes the linker computes.
struct placed_piece {
  bool absolute;
  uint32_t segment;
  uint64_t offset;
  uint64_t length;
  const quill_record* record;
};

constexpr uint64_t kLongRun = 64;  // longer blocks are shown as one line

int piece_byte(const quill_object& obj, const quill_module& m, const placed_piece& p, uint64_t i) {
  const quill_record& r = *p.record;
  if (r.layout->role == quill_role::data && r.layout->tag != QT_ABS_BLOCK) return obj.data(*obj.field(r, "bytes"))[i];
  if (r.layout->tag != QT_ABS_BLOCK) return -1;
  const unsigned size = obj.number(r, "size");
  const unsigned k = static_cast<unsigned>(i % size);
  const unsigned shift = 8 * (m.little_endian() ? k : size - 1 - k);
  return static_cast<int>((obj.number(r, "value") >> shift) & 0xFF);
}

void add_pieces(std::string& out, const quill_object& obj, const quill_module& m, const std::vector<placed_piece>& pieces,
                const module_names& names) {
  bool started = false, line_open = false;
  bool abs = false;
  uint32_t seg = 0;
  uint64_t next = 0, in_line = 0;
  for (const placed_piece& p : pieces) {
    if (!started || p.absolute != abs || p.segment != seg) {
      if (line_open) out += '\n';
      line_open = false;
      if (p.absolute)
        out += "absolute:\n";
      else
        out += "segment " + segment_word(names, p.segment) + ":\n";
      started = true;
      abs = p.absolute;
      seg = p.segment;
    }
    if (p.record->layout->tag == QT_ABS_BLOCK && p.length > kLongRun) {
      if (line_open) out += '\n';
      tool_appendf(out, "  %06llX: ", static_cast<unsigned long long>(p.offset));
      const unsigned size = obj.number(*p.record, "size");
      for (unsigned i = 0; i < size; ++i) tool_appendf(out, i ? " %02X" : "%02X", piece_byte(obj, m, p, i));
      tool_appendf(out, " repeated %u times\n", obj.number(*p.record, "count"));
      line_open = false;
      continue;
    }
    for (uint64_t i = 0; i < p.length; ++i) {
      const uint64_t at = p.offset + i;
      if (!line_open || at != next || in_line == 16) {
        if (line_open) out += '\n';
        tool_appendf(out, "  %06llX:", static_cast<unsigned long long>(at));
        line_open = true;
        in_line = 0;
      }
      const int b = piece_byte(obj, m, p, i);
      if (b < 0) out += " ??";
      else tool_appendf(out, " %02X", b);
      next = at + 1;
      ++in_line;
    }
  }
  if (line_open) out += '\n';
}

}  // namespace

void quill_dump_bytes(const quill_object& obj, const quill_dump_options&, std::string& out) {
  for (const quill_module& m : obj.modules) {
    const module_names names = collect_names(obj, m);
    tool_appendf(out, "module '%.*s'\n", static_cast<int>(m.name.size()), m.name.data());
    std::vector<placed_piece> pieces;
    quill_cursor at;
    for (uint32_t i = 0; i < m.record_count; ++i) {
      const quill_record& r = obj.records[m.first_record + i];
      const quill_cursor before = at;
      const uint64_t n = quill_step_cursor(obj, r, at);
      if (n > 0) pieces.push_back({before.absolute, before.segment, before.offset, n, &r});
    }
    std::stable_sort(pieces.begin(), pieces.end(), [](const placed_piece& a, const placed_piece& b) {
      if (a.absolute != b.absolute) return a.absolute;
      if (a.segment != b.segment) return a.segment < b.segment;
      return a.offset < b.offset;
    });
    add_pieces(out, obj, m, pieces, names);
  }
}

// ---------------------------------------------------------------- the qdump command

#include <cstring>

namespace {

constexpr const char* kQdumpHelp =
    "Usage: qdump [--bytes] [--no-offsets] [--fixed-indexes] FILE\n"
    "Prints a QUILL object file as text.\n"
    "  (default)        one line per record: offset, tag, name and decoded fields;\n"
    "                   each stored expression again as one postfix line; the\n"
    "                   checksum verdict per module; a segment and symbol summary\n"
    "  --bytes          the bytes each segment holds, ?? where the linker fills in\n"
    "  --no-offsets     leave out the file offsets (stable text for comparisons)\n"
    "  --fixed-indexes  the object was written with 2-byte indexes\n"
    "  --help           this text\n"
    "Exit code: 0 valid file, 1 corrupt or truncated file (after what could be\n"
    "decoded, with the offset and what is wrong), 2 usage or I/O error.\n";

}  // namespace

bool qdump_cfi_text(const uint8_t* body, std::size_t size, std::string& text) {
  std::vector<std::string> lines;
  const bool ok = decode_cfi_body(body, size, lines);
  for (const std::string& line : lines) {
    if (!text.empty()) text += "\n        ";
    text += line;
  }
  return ok;
}

namespace {

// Call-frame records whose body does not decode, as problems of the file.
void check_cfi_bodies(const quill_object& obj, std::vector<quill_problem>& problems) {
  for (const quill_record& r : obj.records) {
    if (r.layout->tag != QT_CFI) continue;
    for (uint32_t i = 0; i < r.value_count; ++i) {
      const quill_value& v = obj.values[r.first_value + i];
      if (v.layout == nullptr || v.layout->kind != quill_field::opaque) continue;
      std::string text;
      if (qdump_cfi_text(obj.data(v), v.size, text)) continue;
      const std::size_t last = text.rfind('\n');
      const std::string where = last == std::string::npos ? text : text.substr(text.find_first_not_of(' ', last + 1));
      problems.push_back({r.offset, "call-frame record does not decode: " + where});
    }
  }
}

}  // namespace

int qdump_run(const output_table& out, int argc, char** argv) {
  quill_dump_options options;
  options.cfi_body = qdump_cfi_text;
  quill_read_options read_options;
  bool bytes_view = false;
  const char* file = nullptr;
  for (int i = 1; i < argc; ++i) {
    const char* a = argv[i];
    if (std::strcmp(a, "--help") == 0 || std::strcmp(a, "-h") == 0) {
      tool_print(out, kQdumpHelp);
      return 0;
    }
    if (std::strcmp(a, "--bytes") == 0) {
      bytes_view = true;
    } else if (std::strcmp(a, "--no-offsets") == 0) {
      options.offsets = false;
    } else if (std::strcmp(a, "--fixed-indexes") == 0) {
      read_options.variable_indexes = false;
    } else if (a[0] == '-' && a[1] != '\0') {
      tool_print(out, std::string("qdump: unknown option '") + a + "'\n" + kQdumpHelp);
      return 2;
    } else if (file != nullptr) {
      tool_print(out, std::string("qdump: more than one file given ('") + file + "', '" + a + "')\n");
      return 2;
    } else {
      file = a;
    }
  }
  if (file == nullptr) {
    tool_print(out, std::string("qdump: no file given\n") + kQdumpHelp);
    return 2;
  }
  std::string bytes;
  if (!tool_read_file(out, file, bytes)) {
    tool_print(out, std::string("qdump: cannot read '") + file + "'\n");
    return 2;
  }
  if (bytes.size() > 0x7FFFFFFFu) {
    tool_print(out, std::string("qdump: '") + file + "' is larger than 2 GiB\n");
    return 2;
  }
  const quill_object obj = quill_read(bytes, read_options);
  std::string text;
  if (bytes_view)
    quill_dump_bytes(obj, options, text);
  else
    quill_dump_records(obj, options, text);
  std::vector<quill_problem> problems = obj.problems;
  check_cfi_bodies(obj, problems);
  for (const quill_problem& p : problems) {
    char head[64];
    std::snprintf(head, sizeof head, ": offset 0x%X: ", p.offset);
    text += "qdump: " + std::string(file) + head + p.text + "\n";
  }
  tool_print(out, text);
  return problems.empty() ? 0 : 1;
}
