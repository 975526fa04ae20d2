// console_records.cpp — framing of the IDE records (A03): one line per record,
// fields separated by single blanks, texts quoted with backslash escapes.
#include <charconv>

#include "driver/ide/console_agent.h"

void append_record_quoted(std::string& out, std::string_view text) {
  out += '"';
  for (char c : text) {
    switch (c) {
      case '\b': out += "\\b"; break;
      case '\n': out += "\\n"; break;
      case '\f': out += "\\f"; break;
      case '\r': out += "\\r"; break;
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      default: out += c; break;
    }
  }
  out += '"';
}

WtConsoleAgentExe::WtConsoleAgentExe(const output_table& real, unsigned long version)
    : WtConsoleAgent(real), version_(version) {}

WtConsoleAgentExe::~WtConsoleAgentExe() { finish(); }

void WtConsoleAgentExe::begin(const char* kind) {
  record_ = "$$TOOL_BEGIN $$VERSION ";
  char digits[24];
  auto end = std::to_chars(digits, digits + sizeof digits, version_).ptr;
  append_record_quoted(record_, std::string_view(digits, static_cast<std::size_t>(end - digits)));
  record_ += ' ';
  record_ += kind;
}

void WtConsoleAgentExe::position(long value) {
  char digits[24];
  auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
  record_ += ' ';
  append_record_quoted(record_, std::string_view(digits, static_cast<std::size_t>(end - digits)));
}

void WtConsoleAgentExe::quoted(std::string_view text) {
  record_ += ' ';
  append_record_quoted(record_, text);
}

// Type, then tag, file and text where they are not empty.
void WtConsoleAgentExe::fields(int type, std::string_view text, std::string_view tag, std::string_view file) {
  record_ += " $$TYPE";
  position(type);
  if (!tag.empty()) {
    record_ += " $$TAG";
    quoted(tag);
  }
  if (!file.empty()) {
    record_ += " $$FILEPATH";
    quoted(file);
  }
  if (!text.empty()) {
    record_ += " $$TXT_BEGIN";
    quoted(text);
  }
}

void WtConsoleAgentExe::end() {
  record_ += " $$TOOL_END \n";
  write_console(record_);
}

void WtConsoleAgentExe::message(int type, std::string_view text, std::string_view tag, std::string_view file,
                                long line, long column, long pos3, long pos4) {
  begin("$$MSG_BEGIN $$MSG_POS");
  position(line);
  position(column);
  position(pos3);
  position(pos4);
  fields(type, text, tag, file);
  end();
}

void WtConsoleAgentExe::comment(int type, std::string_view text, std::string_view tag, std::string_view file,
                                long pos1, long pos2) {
  begin("$$COM_BEGIN $$COM_POS");
  position(pos1);
  position(pos2);
  fields(type, text, tag, file);
  end();
}

void WtConsoleAgentExe::file_record(const char* kind, std::string_view path) {
  begin(kind);
  if (!path.empty()) {
    record_ += " $$FILEPATH";
    quoted(path);
  }
  end();
}

void WtConsoleAgentExe::input_file(std::string_view path) { file_record("$$DEP_BEGIN", path); }
void WtConsoleAgentExe::output_file(std::string_view path) { file_record("$$OUT_BEGIN", path); }
