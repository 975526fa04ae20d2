// ide_records.h — a strict reader of the IDE protocol for tests: it reads every
// record of a console capture back, checking framing and quoting, and returns
// the fields decoded. Header only, so that fuzz targets can use it as well.
#pragma once

#include <string>
#include <string_view>
#include <vector>

struct ide_record {
  std::string kind;                 // "COM", "MSG", "DEP" or "OUT"
  std::string version;
  std::vector<long> positions;      // two (COM) or four (MSG)
  int type = -1;
  std::string tag, file, text;      // decoded; empty when the field is absent
};

struct ide_stream {
  std::vector<ide_record> records;
  int exit_records = 0;             // " $$TOOL_EXIT" seen (only valid as the very end)
  std::string error;                // first framing fault, empty when well formed

  bool ok() const { return error.empty(); }
  // Records of one type, in order.
  std::vector<const ide_record*> of_type(int type) const {
    std::vector<const ide_record*> out;
    for (const ide_record& r : records)
      if (r.type == type) out.push_back(&r);
    return out;
  }
};

namespace ide_records_detail {

struct cursor {
  std::string_view s;
  std::size_t at = 0;
  std::string error;

  bool fail(const std::string& what) {
    if (error.empty()) error = what + " at offset " + std::to_string(at);
    return false;
  }
  bool literal(std::string_view word) {
    if (s.substr(at, word.size()) != word) return fail("expected '" + std::string(word) + "'");
    at += word.size();
    return true;
  }
  bool next_is(std::string_view word) const { return s.substr(at, word.size()) == word; }

  // A quoted field; only the escapes of the protocol are allowed, and the
  // characters they stand for never appear unescaped.
  bool quoted(std::string& out) {
    out.clear();
    if (!literal("\"")) return false;
    for (;;) {
      if (at >= s.size()) return fail("unterminated quoted field");
      const char c = s[at++];
      if (c == '"') return true;
      if (c == '\n' || c == '\r' || c == '\b' || c == '\f') return fail("unescaped control character");
      if (c != '\\') {
        out += c;
        continue;
      }
      if (at >= s.size()) return fail("backslash at the end");
      switch (s[at++]) {
        case 'b': out += '\b'; break;
        case 'n': out += '\n'; break;
        case 'f': out += '\f'; break;
        case 'r': out += '\r'; break;
        case '"': out += '"'; break;
        case '\\': out += '\\'; break;
        default: --at; return fail("unknown escape");
      }
    }
  }
  bool number(long& value) {
    std::string text;
    if (!quoted(text)) return false;
    if (text.empty() || text.size() > 10 || text.find_first_not_of("0123456789") != std::string::npos)
      return fail("not a decimal number: " + text);
    value = std::stol(text);
    return true;
  }
  // " $$NAME" and a non-empty quoted field, when present.
  bool optional(std::string_view name, std::string& out) {
    if (!next_is(name)) return true;
    if (!literal(name)) return false;
    if (!quoted(out)) return false;
    if (out.empty()) return fail("empty field written");
    return true;
  }
};

inline bool known_type(int type) {
  for (int t : {0, 2, 3, 10, 11, 12, 20, 21, 30, 33, 34})
    if (t == type) return true;
  return false;
}

inline bool record(cursor& c, ide_record& r) {
  if (!c.literal("$$TOOL_BEGIN $$VERSION ") || !c.quoted(r.version)) return false;
  if (r.version.empty() || r.version.find_first_not_of("0123456789") != std::string::npos)
    return c.fail("bad version");
  if (c.next_is(" $$DEP_BEGIN") || c.next_is(" $$OUT_BEGIN")) {
    r.kind = c.next_is(" $$DEP_BEGIN") ? "DEP" : "OUT";
    c.at += 12;
    if (!c.optional(" $$FILEPATH ", r.file)) return false;
  } else {
    const bool com = c.next_is(" $$COM_BEGIN $$COM_POS ");
    if (!com && !c.literal(" $$MSG_BEGIN $$MSG_POS ")) return false;
    if (com) c.at += 23;
    r.kind = com ? "COM" : "MSG";
    r.positions.assign(com ? 2 : 4, 0);
    for (std::size_t i = 0; i < r.positions.size(); ++i) {
      if (i > 0 && !c.literal(" ")) return false;
      if (!c.number(r.positions[i])) return false;
    }
    long type = 0;
    if (!c.literal(" $$TYPE ") || !c.number(type)) return false;
    r.type = static_cast<int>(type);
    if (!known_type(r.type)) return c.fail("unknown record type " + std::to_string(type));
    if (!c.optional(" $$TAG ", r.tag) || !c.optional(" $$FILEPATH ", r.file) ||
        !c.optional(" $$TXT_BEGIN ", r.text))
      return false;
    if (r.tag.find_first_not_of("0123456789") != std::string::npos) return c.fail("tag not a number");
  }
  return c.literal(" $$TOOL_END \n");
}

}  // namespace ide_records_detail

// Reads a whole console capture: records, then the exit record as the very last bytes.
inline ide_stream parse_ide_output(std::string_view console) {
  ide_stream out;
  ide_records_detail::cursor c{console, 0, {}};
  while (c.at < console.size()) {
    if (c.next_is(" $$TOOL_EXIT")) {
      c.at += 12;
      ++out.exit_records;
      if (c.at != console.size()) c.fail("output after the exit record");
      break;
    }
    ide_record r;
    if (!ide_records_detail::record(c, r)) break;
    if (!out.records.empty() && r.version != out.records.front().version) {
      c.fail("version changed");
      break;
    }
    out.records.push_back(std::move(r));
  }
  out.error = c.error;
  return out;
}
