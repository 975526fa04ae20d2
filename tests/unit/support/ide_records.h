// ide_records.h — a strict reader of the IDE protocol for tests: it reads every
// record of a console capture back, checking framing and quoting, and returns
// the fields decoded. Header only, so that fuzz targets can use it as well.
#pragma once

#include <string>
#include <string_view>
#include <vector>

struct ide_record {
  std::string kind;             // "COM", "MSG", "DEP" or "OUT"
  std::string version;
  std::vector<long> positions;  // two (COM) or four (MSG)
  int type = -1;
  std::string tag, file, text;  // decoded; empty when the field is absent
};

struct ide_stream {
  std::vector<ide_record> records;
  int exit_records = 0;  // " $$TOOL_EXIT", valid only as the very end
  std::string error;     // first framing fault; empty when well formed

  bool ok() const { return error.empty(); }
  std::vector<const ide_record*> of_type(int type) const {
    std::vector<const ide_record*> out;
    for (const ide_record& r : records)
      if (r.type == type) out.push_back(&r);
    return out;
  }
};

class ide_reader {
 public:
  explicit ide_reader(std::string_view s) : s_(s) {}

  ide_stream read() {
    ide_stream out;
    while (at_ < s_.size() && error_.empty()) {
      if (take(" $$TOOL_EXIT")) {
        ++out.exit_records;
        if (at_ != s_.size()) fail("output after the exit record");
        break;
      }
      ide_record r;
      if (!record(r)) break;
      if (!out.records.empty() && r.version != out.records.front().version) fail("version changed");
      out.records.push_back(std::move(r));
    }
    out.error = error_;
    return out;
  }

 private:
  bool fail(const std::string& what) {
    if (error_.empty()) error_ = what + " at offset " + std::to_string(at_);
    return false;
  }
  bool take(std::string_view word) {
    if (s_.substr(at_, word.size()) != word) return false;
    at_ += word.size();
    return true;
  }
  bool expect(std::string_view word) { return take(word) || fail("expected '" + std::string(word) + "'"); }

  // A quoted field: only the protocol's escapes, and what they stand for never raw.
  bool quoted(std::string& out) {
    out.clear();
    if (!expect("\"")) return false;
    for (;;) {
      if (at_ >= s_.size()) return fail("unterminated field");
      const char c = s_[at_++];
      if (c == '"') return true;
      if (c == '\n' || c == '\r' || c == '\b' || c == '\f') return fail("unescaped control character");
      if (c != '\\') {
        out += c;
        continue;
      }
      const std::string_view from = "bnfr\"\\", to = "\b\n\f\r\"\\";
      const std::size_t k = at_ < s_.size() ? from.find(s_[at_++]) : std::string_view::npos;
      if (k == std::string_view::npos) return fail("unknown escape");
      out += to[k];
    }
  }
  bool number(long& value) {
    std::string text;
    if (!quoted(text)) return false;
    if (text.empty() || text.size() > 10 || text.find_first_not_of("0123456789") != std::string::npos)
      return fail("not a decimal number");
    value = std::stol(text);
    return true;
  }
  // " $$NAME" and a field that is never written empty.
  bool optional(std::string_view name, std::string& out) {
    if (!take(name)) return true;
    return quoted(out) && (!out.empty() || fail("empty field written"));
  }
  bool record(ide_record& r) {
    long version = 0;
    if (!expect("$$TOOL_BEGIN $$VERSION ") || !number(version)) return false;
    r.version = std::to_string(version);
    if (take(" $$DEP_BEGIN") || take(" $$OUT_BEGIN")) {
      r.kind = s_.substr(at_ - 9, 3);
      if (!optional(" $$FILEPATH ", r.file)) return false;
    } else {
      const bool com = take(" $$COM_BEGIN $$COM_POS ");
      if (!com && !expect(" $$MSG_BEGIN $$MSG_POS ")) return false;
      r.kind = com ? "COM" : "MSG";
      r.positions.assign(com ? 2 : 4, 0);
      for (std::size_t i = 0; i < r.positions.size(); ++i)
        if ((i > 0 && !expect(" ")) || !number(r.positions[i])) return false;
      long type = 0;
      if (!expect(" $$TYPE ") || !number(type)) return false;
      r.type = static_cast<int>(type);
      if (std::string_view(",0,2,3,10,11,12,20,21,30,33,34,").find("," + std::to_string(type) + ",") ==
          std::string_view::npos)
        return fail("unknown record type");
      if (!optional(" $$TAG ", r.tag) || !optional(" $$FILEPATH ", r.file) || !optional(" $$TXT_BEGIN ", r.text))
        return false;
      if (r.tag.find_first_not_of("0123456789") != std::string::npos) return fail("tag not a number");
    }
    return expect(" $$TOOL_END \n");
  }

  std::string_view s_;
  std::size_t at_ = 0;
  std::string error_;
};

inline ide_stream parse_ide_output(std::string_view console) { return ide_reader(console).read(); }
