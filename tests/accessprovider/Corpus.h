// The real Access files of the shared corpus and their golden dumps, and scratch folders.
#pragma once

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <filesystem>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

namespace corpus {

inline std::filesystem::path Root() { return std::filesystem::path(TABLOREN_TEST_DATA_DIR); }

inline std::string File(const std::string& relative) { return (Root() / relative).string(); }

// Every Access file that has a golden dump beside it, as paths relative to the corpus.
inline std::vector<std::string> FilesWithGoldens() {
  std::vector<std::string> files;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(Root())) {
    const auto path = entry.path();
    if (path.extension() == ".json" && std::filesystem::exists(path.parent_path() / path.stem()))
      files.push_back(std::filesystem::relative(path.parent_path() / path.stem(), Root()).string());
  }
  std::sort(files.begin(), files.end());
  return files;
}

inline QJsonObject Golden(const std::string& relative) {
  QFile file(QString::fromStdString(File(relative) + ".json"));
  if (!file.open(QIODevice::ReadOnly)) throw std::runtime_error("cannot read the golden of " + relative);
  return QJsonDocument::fromJson(file.readAll()).object();
}

// The connection string the program builds for a path and password (both provider prefixes).
inline std::string AceConnectionString(const std::string& path, const std::string& password = "") {
  return "Provider=Microsoft.ACE.OLEDB.12.0;Data Source=" + path + ";JET OLEDB:Database Password=" + password;
}
inline std::string JetConnectionString(const std::string& path, const std::string& password = "") {
  return "PROVIDER=Microsoft.Jet.OLEDB.4.0;Data Source=" + path + ";JET OLEDB:Database Password=" + password;
}

class TempFolder {
 public:
  TempFolder() {
    std::random_device random;
    path_ = std::filesystem::temp_directory_path() / ("tabloren-access-" + std::to_string(random()));
    std::filesystem::create_directories(path_);
  }
  ~TempFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  std::string file(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

}  // namespace corpus
