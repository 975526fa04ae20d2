// run_files_test.cpp — the files of a run on a real folder: an output never
// replaces a file the run read (by name, hard or symbolic link, or include),
// outputs take their names only at clean-up and leave nothing half written,
// and sources, includes and command files that are no regular files are
// refused instead of read forever.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "support/asm_fixture.h"

namespace {

namespace fs = std::filesystem;
using words = std::vector<std::string>;

constexpr const char* kGood = "        DB 0\n        END\n";  // a module with content: it writes an object
constexpr const char* kBad = "        bogus_op\n        END\n";

// A fresh folder per test; names in a case are relative to it.
class RunFiles : public ::testing::Test {
 public:
  env_guard qasmopt_{"QASMOPT", nullptr};
  env_guard qasm_inc_{"QASM_INC", nullptr};
  fs::path dir;

  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(info->test_suite_name()) + "_" + info->name();
    for (char& c : name)
      if (c == '/') c = '_';
    dir = fs::path(::testing::TempDir()) / ("qasm_run_files_" + name + "_" + std::to_string(getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
  void TearDown() override { fs::remove_all(dir); }

  std::string at(const std::string& name) const { return (dir / name).string(); }
  void write(const std::string& name, const std::string& text) const { std::ofstream(at(name)) << text; }
  std::string read(const std::string& name) const {
    std::ifstream in(at(name));
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  bool exists(const std::string& name) const { return fs::exists(fs::symlink_status(at(name))); }

  // Every file left in the folder that an output was written to on its way.
  words leftovers() const {
    words left;
    for (const auto& e : fs::directory_iterator(dir))
      if (e.path().filename().string().find(".tmp") != std::string::npos) left.push_back(e.path().filename());
    return left;
  }

  // Runs the assembler with the folder's names made absolute (absolute
  // names are real files for the capture table).
  int run(capture_table& cap, const words& args) {
    words absolute;
    for (const std::string& w : args)
      absolute.push_back(w[0] == '-' || w.empty() ? w : at(w));
    return run_qasm(cap, absolute);
  }
};

// ---------------------------------------------------------------------------
// Refusals: exit 3, the message naming the output, the files read intact.

struct refusal_case {
  const char* name;
  std::function<void(RunFiles&)> setup;
  words args;
  std::string refused;   // the output named by "Try to overwrite file"
  words intact;          // files that keep their text
};

class Refusal : public RunFiles, public ::testing::WithParamInterface<refusal_case> {};

TEST_P(Refusal, StopsAndLeavesTheFilesRead) {
  const refusal_case& c = GetParam();
  write("a.s26", kGood);
  write("inc.h", "; included\n");
  write("main.s26", "#include \"inc.h\"\n        END\n");
  write("cmd.xcl", "-DX\n");
  c.setup(*this);
  std::vector<std::string> before;
  for (const std::string& name : c.intact) before.push_back(read(name));
  capture_table cap;
  EXPECT_EQ(run(cap, c.args), 3);
  EXPECT_NE(cap.console.find("Try to overwrite file: '" + at(c.refused) + "'"), std::string::npos) << cap.console;
  for (std::size_t i = 0; i < c.intact.size(); ++i) EXPECT_EQ(read(c.intact[i]), before[i]) << c.intact[i];
  EXPECT_EQ(leftovers(), words{});
  EXPECT_FALSE(exists("a.r26"));
  EXPECT_FALSE(exists("main.r26"));
}

void link_hard(RunFiles& t, const char* from, const char* to) { fs::create_hard_link(t.at(from), t.at(to)); }
void link_soft(RunFiles& t, const char* from, const char* to) { fs::create_symlink(t.at(from), t.at(to)); }

const refusal_case kRefusals[] = {
    {"object_hard_link_to_source", [](RunFiles& t) { link_hard(t, "a.s26", "hard.obj"); },
     {"a.s26", "-o", "hard.obj"}, "hard.obj", {"a.s26"}},
    {"list_symbolic_link_to_source", [](RunFiles& t) { link_soft(t, "a.s26", "soft.lst"); },
     {"-l", "soft.lst", "a.s26"}, "soft.lst", {"a.s26"}},
    {"object_hard_link_to_command_file", [](RunFiles& t) { link_hard(t, "cmd.xcl", "c.r26"); },
     {"-f", "cmd.xcl", "-o", "c.r26", "a.s26"}, "c.r26", {"cmd.xcl"}},
    {"list_is_include", [](RunFiles&) {}, {"-l", "inc.h", "main.s26"}, "inc.h", {"inc.h", "main.s26"}},
    {"object_is_include", [](RunFiles&) {}, {"-o", "inc.h", "main.s26"}, "inc.h", {"inc.h", "main.s26"}},
    {"object_hard_link_to_include", [](RunFiles& t) { link_hard(t, "inc.h", "inc.r26"); },
     {"-o", "inc.r26", "main.s26"}, "inc.r26", {"inc.h"}},
};

INSTANTIATE_TEST_SUITE_P(RunFiles, Refusal, ::testing::ValuesIn(kRefusals),
                         [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------
// Outputs at the end of a run: the list is kept once assembly began, the
// object only without errors; a failed run removes an older object too.

struct outcome_case {
  const char* name;
  const char* source;
  words args;
  int exit_code;
  words present;  // with their new text (not "old")
  words absent;
  words old;      // still holding "old"
};

class Outcome : public RunFiles, public ::testing::WithParamInterface<outcome_case> {};

TEST_P(Outcome, OutputsInPlace) {
  const outcome_case& c = GetParam();
  write("a.s26", c.source);
  write("a.r26", "old");
  write("a.lst", "old");
  capture_table cap;
  EXPECT_EQ(run(cap, c.args), c.exit_code) << cap.console;
  for (const std::string& name : c.present) {
    EXPECT_TRUE(exists(name)) << name;
    EXPECT_NE(read(name), "old") << name;
  }
  for (const std::string& name : c.absent) EXPECT_FALSE(exists(name)) << name;
  for (const std::string& name : c.old) EXPECT_EQ(read(name), "old") << name;
  EXPECT_EQ(leftovers(), words{});
}

const outcome_case kOutcomes[] = {
    {"clean_run_replaces_both", kGood, {"-l", "a.lst", "a.s26", "-o", "a.r26"}, 0, {"a.r26", "a.lst"}, {}, {}},
    {"errors_keep_list_drop_object", kBad, {"-l", "a.lst", "-o", "a.r26", "a.s26"}, 2, {"a.lst"}, {"a.r26"}, {}},
    {"fatal_in_assembly_keeps_list", "        NAME x\n", {"-l", "a.lst", "-o", "a.r26", "a.s26"}, 3,
     {"a.lst"}, {"a.r26"}, {}},
    // A stop on the command line after the list was named: the older list stays.
    {"stop_before_assembly_keeps_older_list", kGood, {"-l", "a.lst", "-o", "a.r26", "-D1A", "a.s26"}, 3, {},
     {"a.r26"}, {"a.lst"}},
};

INSTANTIATE_TEST_SUITE_P(RunFiles, Outcome, ::testing::ValuesIn(kOutcomes),
                         [](const auto& info) { return std::string(info.param.name); });

// A device is written as it stands and never removed.
TEST_F(RunFiles, DeviceAsListIsWrittenNotReplaced) {
  write("a.s26", kBad);
  capture_table cap;
  EXPECT_EQ(run_qasm(cap, {"-l", "/dev/null", at("a.s26"), "-o", at("a.r26")}), 2) << cap.console;
  struct stat st {};
  ASSERT_EQ(::stat("/dev/null", &st), 0);
  EXPECT_TRUE(S_ISCHR(st.st_mode));
  EXPECT_EQ(leftovers(), words{});
}

// ---------------------------------------------------------------------------
// Files that are no regular files: refused, never read.

struct kind_case {
  const char* name;
  std::function<void(RunFiles&)> setup;
  words args;
  int exit_code;
  std::string console;  // a part of the console output
};

class NotRegular : public RunFiles, public ::testing::WithParamInterface<kind_case> {};

TEST_P(NotRegular, Refused) {
  const kind_case& c = GetParam();
  write("a.s26", kGood);
  c.setup(*this);
  capture_table cap;
  std::string console = c.console;
  for (std::size_t p = console.find('@'); p != std::string::npos; p = console.find('@'))
    console.replace(p, 1, dir.string() + "/");
  EXPECT_EQ(run(cap, c.args), c.exit_code) << cap.console;
  EXPECT_NE(cap.console.find(console), std::string::npos) << cap.console;
  EXPECT_EQ(leftovers(), words{});
}

void make_fifo(RunFiles& t, const char* name) { ASSERT_EQ(mkfifo(t.at(name).c_str(), 0600), 0); }

const kind_case kNotRegular[] = {
    {"source_directory", [](RunFiles& t) { fs::create_directory(t.at("d.s26")); }, {"d.s26"}, 3,
     "Could not open file: '@d.s26'\n"},
    {"source_fifo", [](RunFiles& t) { make_fifo(t, "f.s26"); }, {"f.s26"}, 3, "Could not open file: '@f.s26'\n"},
    {"source_link_to_device", [](RunFiles& t) { fs::create_symlink("/dev/zero", t.at("z.s26")); }, {"z.s26"}, 3,
     "Could not open file: '@z.s26'\n"},
    {"source_msa_directory_then_s26", [](RunFiles& t) { fs::create_directory(t.at("a.msa")); }, {"a"}, 0,
     "Errors:   0"},
    {"include_device", [](RunFiles& t) { t.write("i.s26", "#include \"/dev/zero\"\n        END\n"); }, {"i.s26"},
     3, "Error[2]: Failed to open #include file '/dev/zero'"},
    {"include_fifo",
     [](RunFiles& t) {
       make_fifo(t, "p.h");
       t.write("i.s26", "#include \"" + t.at("p.h") + "\"\n        END\n");
     },
     {"i.s26"}, 3, "Error[2]"},
    {"dollar_include_device", [](RunFiles& t) { t.write("i.s26", "$/dev/zero\n        END\n"); }, {"i.s26"}, 3,
     "Error[2]"},
    {"command_file_directory", [](RunFiles& t) { fs::create_directory(t.at("c.xcl")); }, {"-f", "c.xcl", "a.s26"},
     3, "Could not open file: '@c.xcl'\n"},
};

INSTANTIATE_TEST_SUITE_P(RunFiles, NotRegular, ::testing::ValuesIn(kNotRegular),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
