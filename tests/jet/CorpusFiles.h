// The corpus of real Access files with their golden dumps, found relative to the
// source tree, and the password each golden was made with.
#pragma once

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace jettest {

inline std::filesystem::path CorpusDir() { return std::filesystem::path(TABLOREN_TEST_DATA_DIR); }

struct CorpusFile {
  std::filesystem::path database;
  std::filesystem::path golden;
  std::optional<std::string> password;
  std::string relative() const { return std::filesystem::relative(database, CorpusDir()).string(); }
};

inline std::string ReadText(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

inline std::vector<CorpusFile> CorpusFiles() {
  std::vector<CorpusFile> files;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(CorpusDir())) {
    const auto& p = entry.path();
    if (p.extension() != ".json") continue;
    CorpusFile f;
    f.golden = p;
    f.database = p.parent_path() / p.stem();
    // The golden's password line: "password": null or "password": "text".
    const std::string text = ReadText(p);
    const std::string key = "\n  \"password\": \"";
    if (auto at = text.find(key); at != std::string::npos) {
      const size_t start = at + key.size();
      f.password = text.substr(start, text.find('"', start) - start);
    }
    files.push_back(f);
  }
  std::sort(files.begin(), files.end(), [](auto& a, auto& b) { return a.database < b.database; });
  return files;
}

}  // namespace jettest
