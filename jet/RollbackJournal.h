// The rollback journal that makes a commit atomic, in the manner of SQLite's: before any
// page that exists in the database is overwritten in place, its bytes as they lie in the
// file (masked, encoded or encrypted exactly as there) go to `<database>-journal` beside
// it, and the journal is synced, with the folder entry that names it. The pages are then
// written and the database synced; removing the journal (and syncing the folder, so that
// the removal survives a power cut) is the moment the commit counts. A process that dies
// or a machine that loses power before that leaves a hot journal: whoever opens the
// database next puts the saved pages back and cuts the file to the size it had
// (RollBackHotJournal), so the file is exactly as before the commit.
//
// Pages appended beyond the old end need no record: the header keeps the database's size
// from before the first appended byte, and rollback truncates to it. Records are synced
// before the count that covers them is written (and synced in turn), so a record that the
// count covers and that fails its salted checksum is damage, never a write cut short:
// such a journal, or one whose header or count fails its checksum, is refused and kept,
// and so is one made for another database (the header records the database's identity).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "jet/Status.h"

namespace jet {

// The journal's layout. All numbers little-endian.
namespace journal_format {
// Header, alone in the first block so that setting the count never touches a record:
inline constexpr char kMagic[8] = {'J', 'e', 't', 'J', 'r', 'n', 'l', '\x1a'};  // offset 0
inline constexpr uint32_t kVersion = 2;                                          // offset 8, u32
inline constexpr uint32_t kPageSizeOffset = 12;      // u32: the database's page size
inline constexpr uint32_t kOriginalSizeOffset = 16;  // u64: the database's size in bytes before the commit
inline constexpr uint32_t kSaltOffset = 24;          // 16 random bytes, new for every journal
inline constexpr uint32_t kSaltLength = 16;
inline constexpr uint32_t kHeaderSumOffset = 40;     // u32: CRC-32 of bytes 0 .. 39 and 52 .. 71
inline constexpr uint32_t kCountOffset = 44;         // u32: records that follow, synced before it is set
inline constexpr uint32_t kCountSumOffset = 48;      // u32: CRC-32 of salt and count
// The database the journal belongs to, as it was when the journal was made:
inline constexpr uint32_t kFirstPageSumOffset = 52;  // u32: CRC-32 of its first page as stored
inline constexpr uint32_t kDeviceOffset = 56;        // u64: its device (0: unknown)
inline constexpr uint32_t kInodeOffset = 64;         // u64: its inode (0: unknown, or not kept across mounts)
inline constexpr uint32_t kIdentityEnd = 72;
inline constexpr uint32_t kHeaderBlock = 512;        // records start here
// Record: page number (u32), CRC-32 of salt, page number and bytes (u32), the page's bytes.
inline constexpr uint32_t kRecordPrefix = 8;
// Journals of the previous version: no identity, the header checksum of bytes 0 .. 39 only,
// and the count written before its records were synced. Rolled back only when whole.
inline constexpr uint32_t kVersionWithoutIdentity = 1;
}  // namespace journal_format

// `<database file name>-journal`, beside the database.
std::string JournalPathFor(const std::string& databasePath);

// Called before every step that changes the disk (a write, a sync, a truncation, a
// removal); a refusal stops the commit there, as a test's stand-in for a dying process.
using WriteStepGate = std::function<Status()>;

// The journal of one commit, owned by the page file that writes the database.
class RollbackJournal {
 public:
  RollbackJournal(std::string databasePath, uint32_t pageSize, WriteStepGate gate);
  ~RollbackJournal();  // closes the journal; never removes it (one left behind is hot)
  RollbackJournal(const RollbackJournal&) = delete;
  RollbackJournal& operator=(const RollbackJournal&) = delete;

  const std::string& path() const { return path_; }
  // Made and not removed yet.
  bool exists() const { return fd_ >= 0; }
  uint64_t originalSize() const { return originalSize_; }

  // Makes the journal: the header with `originalSize` (the database's size now) and a
  // record of each of `pages`, their bytes read from `databaseFd`; syncs it and the folder.
  // Refused when a journal exists already. On failure the journal is removed again, unless
  // the gate refuses that step too (the disk is then left as a dying process leaves it).
  Status begin(int databaseFd, uint64_t originalSize, const std::vector<uint32_t>& pages);
  // Adds records of `pages` to a journal made by begin(), syncs them, then sets the count
  // and syncs it. On failure the journal stays: it is whole up to its old count, and
  // rolling it back undoes the commit.
  Status add(int databaseFd, const std::vector<uint32_t>& pages);
  // Removes the journal and syncs the folder: the commit is complete, or undone by other
  // means.
  Status remove();
  // Forgets the journal without touching the disk (it is left for recovery).
  void abandon();

 private:
  Status writeRecords(int databaseFd, const std::vector<uint32_t>& pages);
  Status syncJournal();
  // Sets the count to the records written so far (synced before) and syncs it.
  Status writeCount();

  std::string databasePath_;
  std::string path_;
  uint32_t pageSize_;
  WriteStepGate gate_;
  int fd_ = -1;
  uint64_t originalSize_ = 0;
  uint8_t salt_[journal_format::kSaltLength] = {};
  uint32_t count_ = 0;
  std::vector<uint8_t> record_;  // one record, reused
};

// What recovery found and did.
struct JournalRecovery {
  enum class Outcome {
    kNone,        // no journal
    kDiscarded,   // a journal whose header never reached the disk: nothing had been written yet; removed
    kTruncated,   // a journal without records: the file cut to its size, journal removed
    kRolledBack,  // saved pages put back, the file cut to its size, journal removed
  };
  Outcome outcome = Outcome::kNone;
  uint32_t pagesRestored = 0;
  std::string reason;  // why a journal was discarded
};

// Hot-journal recovery: when `<path>-journal` exists, rolls the database back to the state
// before the commit that wrote it (see above) and removes the journal. `fd` is the
// database open for reading (`fdWritable` false: a second descriptor is opened for
// writing, and its failure is reported naming both files) or for reading and writing.
// Refused, with the journal left in place and the file untouched, and the open failing:
// a journal that is not a regular file of the database's owner (a link, a folder), a
// damaged one (a header, count or record that fails its checksum, records missing, an
// impossible size before the change), and one that belongs to another file (another
// page size, inode, or first page). The caller holds the database's
// exclusive lock.
Result<JournalRecovery> RollBackHotJournal(const std::string& path, int fd, bool fdWritable);

// Whether anything (a file, a link, a folder) has the journal's name beside `databasePath`.
bool JournalPresent(const std::string& databasePath);

}  // namespace jet
