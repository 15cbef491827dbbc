// Writes the program's two sample databases into a folder (the build runs it for the
// Samples folder beside the program):
//   make_samples FOLDER   ->  FOLDER/sample.mdb and FOLDER/sample1.db3
// Both are built in a scratch folder first and moved into place only when complete, so a
// failed run leaves the previous samples (or none), never a half-written file.
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

#include "AccessSample.h"
#include "SQLiteSample.h"

namespace fs = std::filesystem;

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_samples FOLDER\n");
    return 2;
  }
  const fs::path folder = argv[1];
  const fs::path scratch = folder / ".samples-new";
  std::error_code ec;
  fs::remove_all(scratch, ec);
  fs::create_directories(scratch, ec);
  if (ec) {
    std::fprintf(stderr, "make_samples: cannot create %s: %s\n", scratch.c_str(), ec.message().c_str());
    return 1;
  }

  const struct {
    const char* name;
    std::string (*write)(const std::string&);
  } samples[] = {{"sample.mdb", samples::WriteAccessSample}, {"sample1.db3", samples::WriteSQLiteSample}};

  int result = 0;
  for (const auto& sample : samples) {
    const fs::path built = scratch / sample.name;
    if (std::string error = sample.write(built.string()); !error.empty()) {
      std::fprintf(stderr, "make_samples: %s\n", error.c_str());
      result = 1;
      break;
    }
    fs::rename(built, folder / sample.name, ec);
    if (ec) {
      std::fprintf(stderr, "make_samples: cannot move %s into %s: %s\n", built.c_str(), folder.c_str(),
                   ec.message().c_str());
      result = 1;
      break;
    }
  }
  fs::remove_all(scratch, ec);
  return result;
}
