// golden_expect_test.cpp — the inline expectations of the instruction and SFR
// golden cases, checked in-process: every line's "; EXPECT: <hex>" against the
// bytes gen_instruction wrote for it, and its "; EXPECT-ERROR: n" /
// "; EXPECT-WARNING: n" against the diagnostics reported for it (a line
// without expectations must have none).
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "target/assembly_fixture.h"

namespace {

namespace fs = std::filesystem;

const fs::path kGoldenRoot = fs::path(__FILE__).parent_path() / ".." / ".." / "golden";

std::string read_file(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// The cases: folders under instructions/ and sfr/ with a case.s26.
std::vector<std::string> golden_cases() {
  std::vector<std::string> out;
  for (const char* topic : {"instructions", "sfr"}) {
    const fs::path dir = kGoldenRoot / topic;
    if (!fs::exists(dir)) continue;
    for (const auto& entry : fs::recursive_directory_iterator(dir))
      if (entry.path().filename() == "case.s26") out.push_back(fs::relative(entry.path().parent_path(), kGoldenRoot).string());
  }
  std::sort(out.begin(), out.end());
  return out;
}

// The processor option the case's args select (-v0 by default).
int option_of(const fs::path& dir) {
  if (!fs::exists(dir / "args")) return 0;
  const std::string args = read_file(dir / "args");
  const std::size_t at = args.find("-v");
  return at != std::string::npos && at + 2 < args.size() && args[at + 2] >= '0' && args[at + 2] <= '2'
             ? args[at + 2] - '0'
             : 0;
}

struct line_expect {
  bool has_bytes = false;
  std::string bytes;                  // "8E 34 12"
  std::multiset<std::string> diags;   // "E428", "W400"
};

bool is_hex_byte(const std::string& w) {
  return w.size() == 2 && std::isxdigit(static_cast<unsigned char>(w[0])) &&
         std::isxdigit(static_cast<unsigned char>(w[1]));
}

// The expectations in a line's comment: "EXPECT:" with the bytes (two hex
// digits each), "EXPECT-ERROR:" / "EXPECT-WARNING:" with numbers.
line_expect expectations(const std::string& line) {
  line_expect e;
  const std::size_t comment = line.find(';');
  if (comment == std::string::npos) return e;
  std::istringstream in(line.substr(comment));
  std::string word;
  std::string kind;  // what the words that follow are
  while (in >> word) {
    if (word == ";") continue;
    if (word == "EXPECT:") {
      kind = "bytes";
      e.has_bytes = true;
    } else if (word == "EXPECT-ERROR:" || word == "EXPECT-WARNING:") {
      kind = word == "EXPECT-ERROR:" ? "E" : "W";
    } else if (kind == "bytes" && is_hex_byte(word)) {
      for (char& c : word) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
      e.bytes += (e.bytes.empty() ? "" : " ") + word;
    } else if ((kind == "E" || kind == "W") && std::isdigit(static_cast<unsigned char>(word[0]))) {
      std::istringstream numbers(word);
      for (std::string n; std::getline(numbers, n, ',');)
        if (!n.empty()) e.diags.insert(kind + std::to_string(std::stoi(n)));
    } else {
      kind.clear();
    }
  }
  return e;
}

class GoldenExpect : public AssemblyTest, public ::testing::WithParamInterface<std::string> {};

TEST_P(GoldenExpect, EveryLineAsExpected) {
  const fs::path dir = kGoldenRoot / GetParam();
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::directory_iterator(dir)) {
    const std::string name = entry.path().filename().string();
    if (entry.is_regular_file() && name != "case.s26") files[name] = read_file(entry.path());
  }
  const std::string source = read_file(dir / "case.s26");
  assemble(source, option_of(dir), "case.s26", files);
  ASSERT_FALSE(stopped) << cap.console;
  std::istringstream in(source);
  int checked = 0;
  long number = 0;
  for (std::string line; std::getline(in, line);) {
    ++number;
    const line_expect want = expectations(line);
    if (want.has_bytes) {
      EXPECT_EQ(hex(number), want.bytes) << "line " << number << ": " << line;
      ++checked;
    }
    const std::vector<std::string> got = diags_at(number);
    EXPECT_EQ(std::multiset<std::string>(got.begin(), got.end()), want.diags) << "line " << number << ": " << line;
    checked += static_cast<int>(want.diags.size());
  }
  EXPECT_GT(checked, 0) << "a golden case without expectations";
}

INSTANTIATE_TEST_SUITE_P(Cases, GoldenExpect, ::testing::ValuesIn(golden_cases()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                           std::string name = info.param;
                           for (char& c : name)
                             if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                           return name;
                         });

}  // namespace
