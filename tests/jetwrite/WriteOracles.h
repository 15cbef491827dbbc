// What every write test ends with: the written file read back by our reader (as the
// golden dump), by the mdb-reader oracle (the same dump, compared as text), by
// mdbtools (every table, nothing on stderr), and the catalogue indexes validated.
#pragma once

#include <filesystem>
#include <string>

#include "jet/write/WriteSession.h"

namespace jetwrite_test {

std::filesystem::path CorpusPath(const std::string& relative);
// A private copy of a corpus file in a fresh temporary folder.
std::filesystem::path CopyOfCorpusFile(const std::string& relative);

struct CommandResult {
  int exitCode = -1;
  std::string out;
  std::string err;
};
CommandResult RunCommand(const std::string& command);

// Our dump of the file (the golden JSON form); `password` opens a protected file.
std::string OurDump(const std::filesystem::path& file, const std::string& password = "");
// Asserts (gtest) that both oracles read the file as we do and our index checks pass.
// mdbtools cannot decrypt .accdb encryption: for such a file pass `mdbtools` false.
void ExpectOraclesAgree(const std::filesystem::path& file, bool exactIndexCounts = true,
                        const std::string& password = "", bool mdbtools = true);
// Validates the index trees of every table that has indexes.
void ExpectIndexesValid(const std::filesystem::path& file, bool exactCounts = true, const std::string& password = "");

std::string ReadFileBytes(const std::filesystem::path& file);

}  // namespace jetwrite_test
