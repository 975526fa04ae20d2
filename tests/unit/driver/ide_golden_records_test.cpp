// ide_golden_records_test.cpp — every record of the IDE golden cases read back
// by the strict record reader: the expected outputs are the outputs of the
// golden run, so this checks the framing of every record those runs produce.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "support/ide_records.h"

namespace {

namespace fs = std::filesystem;

TEST(IdeGoldenRecords, EveryExpectedConsoleIsWellFramed) {
  const fs::path root = fs::path(__FILE__).parent_path().parent_path().parent_path() / "golden" / "ide";
  ASSERT_TRUE(fs::is_directory(root)) << root;
  int cases = 0;
  for (const fs::directory_entry& entry : fs::directory_iterator(root)) {
    const fs::path stdout_file = entry.path() / "stdout";
    ASSERT_TRUE(fs::exists(stdout_file)) << entry.path();
    std::ifstream in(stdout_file, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    const ide_stream s = parse_ide_output(bytes.str());
    EXPECT_TRUE(s.ok()) << entry.path() << ": " << s.error;
    EXPECT_EQ(s.exit_records, 1) << entry.path();
    EXPECT_FALSE(s.records.empty()) << entry.path();
    ++cases;
  }
  EXPECT_GE(cases, 9);
}

// The reader itself must refuse what the agent must never write, or the
// checks above could not fail.
TEST(IdeGoldenRecords, ReaderRefusesBadFraming) {
  const std::string good = "$$TOOL_BEGIN $$VERSION \"1\" $$COM_BEGIN $$COM_POS \"1\" \"2\" $$TYPE \"11\" $$TXT_BEGIN \"x\" $$TOOL_END \n";
  ASSERT_TRUE(parse_ide_output(good + " $$TOOL_EXIT").ok());
  const std::string head = "$$TOOL_BEGIN $$VERSION \"1\" $$COM_BEGIN $$COM_POS \"1\" \"2\" $$TYPE ";
  const std::string bad[] = {
      head + "\"11\" $$TXT_BEGIN \"x\" $$TOOL_END\n",         // no blank before the newline
      head + "\"11\" $$TXT_BEGIN \"a\nb\" $$TOOL_END \n",     // raw newline in a text
      head + "\"11\" $$TXT_BEGIN \"a\\qb\" $$TOOL_END \n",   // unknown escape
      head + "\"11\" $$TXT_BEGIN \"a\"b\" $$TOOL_END \n",     // raw quote
      head + "\"11\" $$TAG \"\" $$TOOL_END \n",                // empty field
      head + "\"99\" $$TOOL_END \n",                             // unknown type
      good + " $$TOOL_EXIT" + good,                                 // output after the exit record
  };
  for (const std::string& text : bad) EXPECT_FALSE(parse_ide_output(text).ok()) << text;
}

}  // namespace
