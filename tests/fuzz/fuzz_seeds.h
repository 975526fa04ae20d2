// fuzz_seeds.h — the seed inputs of the random fuzz drivers: every .s26 file
// below the directories named on the command line.
#pragma once

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

inline std::vector<std::string> load_seeds(int argc, char** argv, int first) {
  std::vector<std::string> seeds;
  for (int i = first; i < argc; ++i) {
    std::error_code ec;
    for (auto it = std::filesystem::recursive_directory_iterator(argv[i], ec);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
      if (!it->is_regular_file() || it->path().extension() != ".s26") continue;
      std::ifstream in(it->path(), std::ios::binary);
      std::stringstream text;
      text << in.rdbuf();
      seeds.push_back(text.str());
    }
  }
  return seeds;
}
