// One commit that overwrites catalogue, index and usage-map pages in place and appends new
// ones: a new table with rows (memos long enough for long-value pages), rows added to an
// existing table where there is one to add to, and an existing table dropped. It runs on a
// copy of an Access-made corpus file or of a file the engine made.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <ostream>
#include <string>

#include "jet/PageFile.h"
#include "jet/Status.h"
#include "jet/write/WriteSession.h"

namespace jetjournal_test {

namespace fs = std::filesystem;

struct Scenario {
  std::string label;
  std::string corpusFile;    // empty: a new file the engine makes
  std::string extension;     // of a new file: ".mdb" (Jet4) or ".accdb" (ACE12)
  std::string dropTable;     // an existing table the commit drops
  bool addToPrior = false;   // new files: the commit adds rows to their table "Prior" too
  int rows = 3;              // rows of the new table
  int memoCharacters = 0;    // 0: memos of 5,000, 300 and 0 characters in turn; else all this long
  bool dropFirst = false;    // the drop comes first: the new table takes its pages (an overwrite)
  std::string password;      // of a protected corpus file
};
inline void PrintTo(const Scenario& scenario, std::ostream* out) { *out << scenario.label; }

// A fresh folder, removed when the program ends.
fs::path NewFolder();
// The scenario's starting file, in a folder of its own.
fs::path StartingFile(const Scenario& scenario);
void CopyOver(const fs::path& from, const fs::path& to);

// Begins a batch on `session` and runs the scenario's statements in it (not the commit).
jet::Status StageCommit(const Scenario& scenario, jet::WriteSession& session);

// Runs the commit on `file`. `arm` gets the page file when the session is open, before the
// batch begins; the steps counted before commitBatch (early writes) go to
// `stepsBeforeCommit`, those counted by its end to `stepsTotal`. Returns the first failure:
// of a statement (an early write) or of the commit.
jet::Status RunCommit(const Scenario& scenario, const fs::path& file, const std::function<void(jet::PageFile&)>& arm,
                      uint64_t* stepsBeforeCommit = nullptr, uint64_t* stepsTotal = nullptr);

// The steps that change the disk in the scenario's commit, counted on a copy of `start`.
struct StepCount {
  uint64_t beforeCommit = 0;  // early writes of the batch
  uint64_t total = 0;
};
StepCount CountSteps(const Scenario& scenario, const fs::path& start);

// Opens the file for reading, as the next reader would (rolling back a hot journal).
jet::Status Reopen(const fs::path& file, const std::string& password = "");

// The part of our dump that describes table `name` ("" when the table is absent).
std::string TableSection(const std::string& dump, const std::string& name);
// Expects the whole commit in `file`: the new table with its rows, the dropped table gone,
// every other table as in `before` (our dump of the starting file).
void ExpectCommitted(const Scenario& scenario, const fs::path& file, const std::string& before);

}  // namespace jetjournal_test
