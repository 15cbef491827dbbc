// A power cut at the file layer, in the manner of SQLite's crash-test VFS. Every change
// the engine makes to a database and its journal is recorded as it happens (through the
// seam of jet/FileIo.h); a crash state is what the disk may hold when the power goes after
// the first `changes` of them: what a sync made durable stays; every write since its
// file's last sync is kept, dropped or torn at 512-byte sectors, in any order; a
// truncation since then happened or not; a journal made or removed since the last sync of
// the folder is there or not.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace jetjournal_test {

class PowerCut {
 public:
  // Starts recording the changes to `database` and its journal; `database` holds `start`.
  PowerCut(std::filesystem::path database, std::string start);
  ~PowerCut();  // stops recording
  PowerCut(const PowerCut&) = delete;
  PowerCut& operator=(const PowerCut&) = delete;

  void stop();
  size_t changes() const { return changes_.size(); }
  // Whether change `k` is a sync (of a file or of the folder).
  bool isSync(size_t k) const;

  struct State {
    std::string database;
    std::optional<std::string> journal;  // none: no journal on disk
  };
  // The disk after the first `changes` changes and a power cut, the undecided ones chosen
  // by `random`: each unsynced sector (truncation, folder entry) survives with probability
  // `survival`.
  State crash(size_t changes, double survival, std::mt19937& random) const;
  // Puts `state` on disk: the database rewritten in place (the same file, as the journal
  // knows it), the journal made or removed.
  void restore(const State& state) const;

 private:
  enum class Kind { kWrite, kSync, kTruncate, kCreate, kRemove, kSyncFolder };
  struct Change {
    Kind kind;
    int file;  // 0 the database, 1 the journal, -1 the folder
    uint64_t offset = 0;
    std::string bytes;
  };
  std::filesystem::path database_;
  std::filesystem::path journal_;
  std::string start_;
  std::vector<Change> changes_;
  bool recording_ = true;
};

}  // namespace jetjournal_test
