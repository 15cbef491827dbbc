// The engine's integrity check of an Access database, in the spirit of SQLite's
// "PRAGMA integrity_check": every page belongs to exactly one structure (or is free
// in the global page map), usage maps agree with the pages they list, stored row
// counts match the live rows, long-value chains are sound, every index tree is in
// order and holds one entry per row, and every stored key is the key its row gives.
// Problems are collected as sentences; habits of Access's own healthy files (stale
// counts on system tables, loose upper-level index entries, ...) are notes. The check
// itself fails only when the file cannot be opened at all; a hot journal that opening
// refuses and keeps (damaged, another file's, not a file) is a problem of the file.
#pragma once

#include <string>
#include <vector>

#include "jet/Status.h"

namespace jet::check {

struct CheckReport {
  std::vector<std::string> problems;  // each one sentence naming the page/table/index
  std::vector<std::string> notes;     // tolerated quirks of real files, for the curious
  size_t keysCompared = 0;            // stored index keys rebuilt from their rows
  size_t keyMismatches = 0;           // stored index keys that differ from the key their row gives
  bool clean() const { return problems.empty(); }
};

Result<CheckReport> CheckDatabase(const std::string& path, const std::string& password = {});

}  // namespace jet::check
