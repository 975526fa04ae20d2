// console_agent.h — the IDE agent (A03): in IDE mode the assembler runs with
// the agent's output table, which wraps the real one. Console output is cut
// into lines, each line classified and re-sent as one framed record; files
// opened are reported; the exit entry writes the exit record.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "driver/output_table.h"

// Longest record text; longer texts are cut after the line was classified.
constexpr std::size_t kMaxRecordText = 1000;
// Longest text of a formatted note (the formatted-message entry).
constexpr std::size_t kMaxNoteText = 1024;

class WtConsoleAgent {
 public:
  // Thrown by the read entries when the run tries to read standard input;
  // the program entry turns it into the fatal stop.
  struct InputRefused {};

  virtual ~WtConsoleAgent();
  WtConsoleAgent(const WtConsoleAgent&) = delete;
  WtConsoleAgent& operator=(const WtConsoleAgent&) = delete;

  // The table the run uses in IDE mode; its user pointer is this agent.
  const output_table& table() const { return table_; }

  // A message record: positions are line, column and two more the IDE may use.
  virtual void message(int type, std::string_view text, std::string_view tag, std::string_view file,
                       long line, long column, long pos3, long pos4) = 0;
  // A comment record with two positions (line and column of a diagnostic).
  virtual void comment(int type, std::string_view text, std::string_view tag, std::string_view file,
                       long pos1, long pos2) = 0;
  // A file the run read (a dependency) or wrote, by its full path.
  virtual void input_file(std::string_view path) = 0;
  virtual void output_file(std::string_view path) = 0;

 protected:
  // `real` is copied: the agent forwards to it with its own user pointer.
  explicit WtConsoleAgent(const output_table& real);

  const output_table& real() const { return real_; }
  // Writes bytes to the real standard output.
  void write_console(std::string_view bytes) const;
  // Sends what is left of the console and writes the exit record, once; the
  // derived class calls it from its destructor for a run that never reached
  // the exit entry.
  void finish();

 private:
  struct Entries;  // the table entries, defined with the agent
  friend struct Entries;

  void take(const char* bytes, std::size_t n);
  void end_line();
  void file_opened(const char* name, const char* mode);
  [[noreturn]] void refuse_input();

  output_table real_;
  output_table table_;
  std::string line_;             // the console line being collected
  long pending_column_ = 0;      // column of the next diagnostic
  bool assembling_ = false;      // pass 1 of the first module has begun
  bool finished_ = false;        // the exit record was written
  std::vector<std::string> named_inputs_;  // source and command files, by full path
  std::string scratch_;          // formatted output
};

// The agent of the assembler: records framed for protocol version 1 ("--IDE")
// or 2 ("--IDE2") and written to the real standard output.
class WtConsoleAgentExe : public WtConsoleAgent {
 public:
  WtConsoleAgentExe(const output_table& real, unsigned long version);
  ~WtConsoleAgentExe() override;

  void message(int type, std::string_view text, std::string_view tag, std::string_view file, long line,
               long column, long pos3, long pos4) override;
  void comment(int type, std::string_view text, std::string_view tag, std::string_view file, long pos1,
               long pos2) override;
  void input_file(std::string_view path) override;
  void output_file(std::string_view path) override;

 private:
  void begin(const char* kind);
  void fields(int type, std::string_view text, std::string_view tag, std::string_view file);
  void position(long value);
  void file_record(const char* kind, std::string_view path);
  void quoted(std::string_view text);
  void end();

  unsigned long version_;
  std::string record_;
};

// Appends `text` quoted for a record: backspace, newline, form feed, carriage
// return, double quote and backslash escaped with a backslash.
void append_record_quoted(std::string& out, std::string_view text);
