#include "jet/RollbackJournal.h"

#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cassert>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <random>

#include "jet/Bytes.h"
#include "jet/FileIo.h"
#include "jet/DatabaseHeader.h"
#include "jet/format/JetFormat.h"

namespace jet {
namespace fmt = journal_format;
namespace {

// Reads up to `length` bytes; what lies beyond the end of the file reads as zeros.
bool ReadPadded(int fd, uint8_t* out, size_t length, off_t offset) {
  while (length > 0) {
    ssize_t n = ::pread(fd, out, length, offset);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) {
      std::memset(out, 0, length);
      return true;
    }
    out += n;
    length -= static_cast<size_t>(n);
    offset += n;
  }
  return true;
}

// Closes a descriptor when it goes out of scope.
struct FdCloser {
  int fd;
  ~FdCloser() {
    if (fd >= 0) ::close(fd);
  }
};

uint32_t Crc(uint32_t crc, const uint8_t* data, size_t length) {
  return static_cast<uint32_t>(::crc32(crc, data, static_cast<uInt>(length)));
}

uint32_t CountSum(const uint8_t* salt, uint32_t count) {
  uint8_t bytes[4];
  StoreU32(bytes, count);
  return Crc(Crc(0, salt, fmt::kSaltLength), bytes, sizeof bytes);
}

// The checksum of a record: salt, page number (as stored) and the page's bytes.
uint32_t RecordSum(const uint8_t* salt, const uint8_t* pageNumber, const uint8_t* bytes, uint32_t pageSize) {
  return Crc(Crc(Crc(0, salt, fmt::kSaltLength), pageNumber, 4), bytes, pageSize);
}

void FillSalt(uint8_t* salt) {
  size_t have = 0;
  while (have < fmt::kSaltLength) {
    const ssize_t n = ::getrandom(salt + have, fmt::kSaltLength - have, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    have += static_cast<size_t>(n);
  }
  if (have < fmt::kSaltLength) {  // no system randomness: still unlike any earlier journal
    std::random_device device;
    std::mt19937_64 mix(device() ^ static_cast<uint64_t>(::getpid()) ^ static_cast<uint64_t>(::time(nullptr)));
    for (uint32_t k = 0; k < fmt::kSaltLength; ++k) salt[k] = static_cast<uint8_t>(mix());
  }
}

// Takes a journal out of the way: removed, or emptied when it cannot be removed (an empty
// journal is discarded by recovery); then the folder is synced, so that the removal, the
// moment a commit counts, survives a power cut. A folder that cannot be synced does not
// undo a removal: at worst a power cut soon after rolls the commit back whole.
Status RemoveJournalFile(const std::string& path) {
  if (!RemoveFile(path) && errno != ENOENT) {
    const Status unlinkError = IoError(path, "cannot remove the journal");
    const int fd = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return unlinkError;
    FdCloser closer{fd};
    if (!SyncData(fd)) return unlinkError;
    return Status::Ok();
  }
  SyncFolderOf(path).IgnoreError();
  return Status::Ok();
}

// The header's checksum: bytes 0 .. 39, and since version 2 the database's identity.
uint32_t HeaderSum(const uint8_t* header, uint32_t version) {
  const uint32_t sum = Crc(0, header, fmt::kHeaderSumOffset);
  if (version == fmt::kVersionWithoutIdentity) return sum;
  return Crc(sum, header + fmt::kFirstPageSumOffset, fmt::kIdentityEnd - fmt::kFirstPageSumOffset);
}

// CRC-32 of the first `pageSize` bytes of the file (zeros beyond its end).
bool FirstPageSum(int fd, uint32_t pageSize, uint32_t* sum) {
  std::vector<uint8_t> page(pageSize);
  if (!ReadPadded(fd, page.data(), pageSize, 0)) return false;
  *sum = Crc(0, page.data(), pageSize);
  return true;
}

// Whether the file system keeps a file's inode number across mounts. FAT and exFAT make
// them up at each mount, network and FUSE file systems may: there the journal records none.
bool StableInodes(int fd) {
  struct statfs fs {};
  if (::fstatfs(fd, &fs) != 0) return false;
  switch (static_cast<uint64_t>(fs.f_type)) {
    case 0x4d44:      // FAT
    case 0x2011BAB0:  // exFAT
    case 0x65735546:  // FUSE (NTFS, ...)
    case 0x6969:      // NFS
    case 0x517B:      // SMB
    case 0xFF534D42:  // CIFS
    case 0xFE534D42:  // SMB2
      return false;
    default:
      return true;
  }
}

// A journal's owner we trust: the database's, ours, or the administrator's.
bool TrustedOwner(uid_t owner, const struct stat& database) {
  return owner == database.st_uid || owner == ::geteuid() || owner == 0;
}

// "the journal <path>" leads the messages, so that the path, which may start with a small
// letter, is never the first word of a sentence.
std::string TheJournal(const std::string& journalPath) { return "the journal " + journalPath; }

// Something that is not a journal we made has the journal's name: refused, never followed.
Status NotAJournal(const std::string& databasePath, const std::string& journalPath, const std::string& what,
                   const std::string& consequence) {
  return Status(ErrorCode::kIo, Where::File(databasePath),
                TheJournal(journalPath) + " " + what + ", not a journal made by this program; " + consequence +
                    ". Remove or rename it to go on");
}

}  // namespace

std::string JournalPathFor(const std::string& databasePath) { return databasePath + "-journal"; }

RollbackJournal::RollbackJournal(std::string databasePath, uint32_t pageSize, WriteStepGate gate)
    : databasePath_(std::move(databasePath)),
      path_(JournalPathFor(databasePath_)),
      pageSize_(pageSize),
      gate_(std::move(gate)),
      record_(fmt::kRecordPrefix + pageSize) {}

RollbackJournal::~RollbackJournal() { abandon(); }

void RollbackJournal::abandon() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  count_ = 0;
}

Status RollbackJournal::begin(int databaseFd, uint64_t originalSize, const std::vector<uint32_t>& pages) {
  if (fd_ >= 0) return Status(ErrorCode::kIo, path_ + ": a journal is open already");
  JET_RETURN_IF_ERROR(gate_());
  struct stat database {};
  if (::fstat(databaseFd, &database) != 0) return IoError(databasePath_, "cannot stat");
  uint32_t firstPageSum = 0;
  if (!FirstPageSum(databaseFd, pageSize_, &firstPageSum)) return IoError(databasePath_, "cannot read the first page");
  // Made new, never through a link; anyone who may write the database may have to roll
  // the journal back.
  fd_ = CreateNewFile(path_, O_RDWR | O_NOFOLLOW | O_CLOEXEC, database.st_mode & 0666);
  if (fd_ < 0 && errno == EEXIST) {
    // One emptied because it could not be removed is ours to reuse; any other journal is
    // hot, and anything else is in the way.
    struct stat old {};
    if (::lstat(path_.c_str(), &old) == 0 && !S_ISREG(old.st_mode)) {
      return NotAJournal(databasePath_, path_, S_ISLNK(old.st_mode) ? "is a symbolic link" : "is not a regular file",
                         "nothing was written");
    }
    if (old.st_size == 0 && TrustedOwner(old.st_uid, database)) {
      fd_ = ::open(path_.c_str(), O_RDWR | O_TRUNC | O_NOFOLLOW | O_CLOEXEC);
    }
    if (fd_ < 0) {
      return Status(ErrorCode::kLocked, Where::File(databasePath_),
                    TheJournal(path_) + " exists: another program may be changing the file; nothing was written");
    }
  }
  if (fd_ < 0) return IoError(path_, "cannot make the journal");
  struct stat made {};
  if (::fstat(fd_, &made) != 0 || !S_ISREG(made.st_mode)) {  // swapped in between: not ours
    ::close(fd_);
    fd_ = -1;
    return NotAJournal(databasePath_, path_, "is not a regular file", "nothing was written");
  }
  originalSize_ = originalSize;
  count_ = 0;
  FillSalt(salt_);

  std::vector<uint8_t> header(fmt::kHeaderBlock, 0);
  std::memcpy(header.data(), fmt::kMagic, sizeof fmt::kMagic);
  StoreU32(header.data() + 8, fmt::kVersion);
  StoreU32(header.data() + fmt::kPageSizeOffset, pageSize_);
  StoreU64(header.data() + fmt::kOriginalSizeOffset, originalSize);
  std::memcpy(header.data() + fmt::kSaltOffset, salt_, fmt::kSaltLength);
  StoreU32(header.data() + fmt::kFirstPageSumOffset, firstPageSum);
  if (StableInodes(databaseFd)) {
    StoreU64(header.data() + fmt::kDeviceOffset, static_cast<uint64_t>(database.st_dev));
    StoreU64(header.data() + fmt::kInodeOffset, static_cast<uint64_t>(database.st_ino));
  }
  StoreU32(header.data() + fmt::kHeaderSumOffset, HeaderSum(header.data(), fmt::kVersion));
  StoreU32(header.data() + fmt::kCountOffset, 0);
  StoreU32(header.data() + fmt::kCountSumOffset, CountSum(salt_, 0));

  // A failure takes the journal away again, unless the gate refuses that too (a dying
  // process leaves the disk as it is).
  auto fail = [&](Status status) {
    const bool remove = gate_().ok();
    ::close(fd_);
    fd_ = -1;
    if (remove) RemoveFile(path_);
    return status;
  };
  if (!WriteFully(fd_, header.data(), header.size(), 0)) return fail(IoError(path_, "cannot write the journal"));
  if (Status s = writeRecords(databaseFd, pages); !s.ok()) return fail(s);
  if (Status s = syncJournal(); !s.ok()) return fail(s);
  if (!pages.empty()) {
    if (Status s = writeCount(); !s.ok()) return fail(s);
  }
  if (Status s = gate_(); !s.ok()) return fail(s);
  if (Status s = SyncFolderOf(path_); !s.ok()) return fail(s);
  return Status::Ok();
}

Status RollbackJournal::writeRecords(int databaseFd, const std::vector<uint32_t>& pages) {
  assert(fd_ >= 0 && "records go to an open journal");
  const size_t recordSize = fmt::kRecordPrefix + pageSize_;
  for (uint32_t page : pages) {
    JET_RETURN_IF_ERROR(gate_());
    uint8_t* bytes = record_.data() + fmt::kRecordPrefix;
    if (!ReadPadded(databaseFd, bytes, pageSize_, static_cast<off_t>(page) * pageSize_)) {
      return IoError(databasePath_, "cannot read page " + std::to_string(page) + " for the journal");
    }
    StoreU32(record_.data(), page);
    StoreU32(record_.data() + 4, RecordSum(salt_, record_.data(), bytes, pageSize_));
    const off_t at = static_cast<off_t>(fmt::kHeaderBlock + static_cast<uint64_t>(count_) * recordSize);
    if (!WriteFully(fd_, record_.data(), recordSize, at)) return IoError(path_, "cannot write the journal");
    ++count_;
  }
  return Status::Ok();
}

Status RollbackJournal::syncJournal() {
  JET_RETURN_IF_ERROR(gate_());
  if (!SyncData(fd_)) return IoError(path_, "cannot sync the journal");
  return Status::Ok();
}

Status RollbackJournal::writeCount() {
  JET_RETURN_IF_ERROR(gate_());
  uint8_t count[8];
  StoreU32(count, count_);
  StoreU32(count + 4, CountSum(salt_, count_));
  if (!WriteFully(fd_, count, sizeof count, fmt::kCountOffset)) return IoError(path_, "cannot write the journal");
  return syncJournal();
}

Status RollbackJournal::add(int databaseFd, const std::vector<uint32_t>& pages) {
  if (fd_ < 0) return Status(ErrorCode::kIo, path_ + ": no journal to add to");
  if (pages.empty()) return Status::Ok();
  // The records reach the disk before the count that covers them: a crash in between
  // leaves the old count, whole.
  JET_RETURN_IF_ERROR(writeRecords(databaseFd, pages));
  JET_RETURN_IF_ERROR(syncJournal());
  return writeCount();
}

Status RollbackJournal::remove() {
  if (fd_ < 0) return Status::Ok();
  JET_RETURN_IF_ERROR(gate_());
  Status s = RemoveJournalFile(path_);
  if (s.ok()) abandon();
  return s;
}

bool JournalPresent(const std::string& databasePath) {
  struct stat st {};
  return ::lstat(JournalPathFor(databasePath).c_str(), &st) == 0;
}

namespace {

// The journal's header as read, and what recovery learns from it.
struct JournalHeader {
  uint32_t version = 0;
  uint32_t pageSize = 0;
  uint64_t originalSize = 0;
  const uint8_t* salt = nullptr;
  uint32_t count = 0;
  bool countValid = false;
  uint32_t firstPageSum = 0;
  uint64_t device = 0;
  uint64_t inode = 0;
};

// The refusal of a hot journal that cannot be applied: kept, the database untouched.
Status Refused(const std::string& path, const std::string& journalPath, const std::string& what) {
  return Status::Corrupt(Where::File(path),
                         TheJournal(journalPath) + ", left by an interrupted change, " + what +
                             ". It was kept, and the database stays as it is until the journal is dealt with");
}
Status Damaged(const std::string& path, const std::string& journalPath, const std::string& what) {
  return Refused(path, journalPath, "is damaged: " + what);
}

}  // namespace

Result<JournalRecovery> RollBackHotJournal(const std::string& path, int fd, bool fdWritable) {
  using Outcome = JournalRecovery::Outcome;
  const std::string journalPath = JournalPathFor(path);
  // Never through a link: it would apply another file's journal here, or write through it.
  const int journalFd = ::open(journalPath.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (journalFd < 0) {
    if (errno == ENOENT) return JournalRecovery{};
    if (errno == ELOOP) return NotAJournal(path, journalPath, "is a symbolic link", "it was not applied");
    return IoError(journalPath, "cannot open the journal left by an interrupted change of " + path);
  }
  FdCloser journalCloser{journalFd};
  struct stat journalStat {};
  struct stat st {};
  if (::fstat(journalFd, &journalStat) != 0) return IoError(journalPath, "cannot stat");
  if (::fstat(fd, &st) != 0) return IoError(path, "cannot stat");
  if (!S_ISREG(journalStat.st_mode)) return NotAJournal(path, journalPath, "is not a regular file", "it was not applied");
  if (!TrustedOwner(journalStat.st_uid, st)) {
    return NotAJournal(path, journalPath, "belongs to another user (" + std::to_string(journalStat.st_uid) + ")",
                       "it was not applied");
  }
  const uint64_t journalSize = static_cast<uint64_t>(journalStat.st_size);

  JournalRecovery result;
  uint8_t raw[fmt::kIdentityEnd] = {};
  const bool headerRead = journalSize >= fmt::kCountSumOffset + 4 &&
                          ReadFully(journalFd, raw, std::min<uint64_t>(journalSize, sizeof raw), 0);
  if (!headerRead || std::memcmp(raw, fmt::kMagic, sizeof fmt::kMagic) != 0) {
    // Its header never reached the disk, and nothing is written before it is synced.
    result.outcome = Outcome::kDiscarded;
    result.reason = !headerRead ? "shorter than its header" : "not a journal's header";
    if (Status s = RemoveJournalFile(journalPath); !s.ok()) result.reason += " (" + s.message() + ")";
    return result;
  }
  JournalHeader header;
  header.version = LoadU32(raw + 8);
  if (header.version != fmt::kVersion && header.version != fmt::kVersionWithoutIdentity) {
    return Status::Unsupported(Where::File(path), TheJournal(journalPath) +
                                                      " (left by an interrupted change) has version " +
                                                      std::to_string(header.version) +
                                                      ", which this program cannot roll back; it was not applied");
  }
  // The header is written once, in one sector, and synced before anything else happens: a
  // header with the magic whose checksum fails was damaged afterwards.
  if (LoadU32(raw + fmt::kHeaderSumOffset) != HeaderSum(raw, header.version)) {
    return Damaged(path, journalPath, "its header fails its checksum");
  }
  header.pageSize = LoadU32(raw + fmt::kPageSizeOffset);
  header.originalSize = LoadU64(raw + fmt::kOriginalSizeOffset);
  header.salt = raw + fmt::kSaltOffset;
  header.count = LoadU32(raw + fmt::kCountOffset);
  header.firstPageSum = LoadU32(raw + fmt::kFirstPageSumOffset);
  header.device = LoadU64(raw + fmt::kDeviceOffset);
  header.inode = LoadU64(raw + fmt::kInodeOffset);
  const bool identified = header.version != fmt::kVersionWithoutIdentity;
  const std::string other = "belongs to another database (";
  // The inode decides: a device's number may change when it is attached again, and the
  // same inode on another device is the same file's copy only by chance.
  if (identified && header.inode != 0 && header.inode != static_cast<uint64_t>(st.st_ino)) {
    return Refused(path, journalPath,
                   other + "it was made for the file then at this name, and " + path +
                       " is another file now: moved, copied or replaced since); it was not applied");
  }

  uint8_t probe[0x20] = {};
  if (!ReadFully(fd, probe, sizeof probe, 0)) return IoError(path, "cannot read the header to roll back " + journalPath);
  auto format = DetectFormat(probe, path);
  if (!format.ok()) {
    return format.status().Appended("; " + journalPath + " was not applied");
  }
  const uint32_t pageSize = (*format)->pageSize;
  if (header.pageSize != pageSize) {
    return Refused(path, journalPath,
                   "holds " + std::to_string(header.pageSize) + "-byte pages but the database has " +
                       std::to_string(pageSize) + "-byte pages, so it belongs to another file; it was not applied");
  }
  const uint64_t recordSize = fmt::kRecordPrefix + pageSize;
  if (LoadU32(raw + fmt::kCountSumOffset) != CountSum(header.salt, header.count)) {
    return Damaged(path, journalPath, "its record count fails its checksum");
  }
  if (journalSize < fmt::kHeaderBlock + header.count * recordSize) {
    return Damaged(path, journalPath,
                   "it is shorter than the " + std::to_string(header.count) + " records its header counts");
  }
  const auto sizeText = [](uint64_t bytes) { return std::to_string(bytes) + " bytes"; };
  if (header.originalSize < 2ull * pageSize) {
    return Damaged(path, journalPath,
                   "the size it gives the database before the change, " + sizeText(header.originalSize) +
                       ", is smaller than any database");
  }

  // Every record the count covers was synced before the count: each must be whole.
  std::vector<uint8_t> record(recordSize);
  uint64_t restoredEnd = 0;         // the end of the last page the records put back
  bool firstPageRecorded = false;   // a record holds the first page as it was
  for (uint32_t k = 0; k < header.count; ++k) {
    const off_t at = static_cast<off_t>(fmt::kHeaderBlock + k * recordSize);
    if (!ReadFully(journalFd, record.data(), recordSize, at)) return IoError(journalPath, "cannot read the journal");
    const uint32_t page = LoadU32(record.data());
    const std::string which = "record " + std::to_string(k + 1) + " of " + std::to_string(header.count);
    if (LoadU32(record.data() + 4) != RecordSum(header.salt, record.data(), record.data() + fmt::kRecordPrefix, pageSize)) {
      return Damaged(path, journalPath, which + " fails its checksum");
    }
    if (static_cast<uint64_t>(page) * pageSize >= header.originalSize) {
      return Damaged(path, journalPath, which + " holds page " + std::to_string(page) +
                                            ", beyond the database's size before the change");
    }
    restoredEnd = std::max<uint64_t>(restoredEnd, (static_cast<uint64_t>(page) + 1) * pageSize);
    if (page == 0 && Crc(0, record.data() + fmt::kRecordPrefix, pageSize) == header.firstPageSum) {
      firstPageRecorded = true;
    }
  }
  if (identified) {
    uint32_t firstPageSum = 0;
    if (!FirstPageSum(fd, pageSize, &firstPageSum)) return IoError(path, "cannot read the first page");
    if (firstPageSum != header.firstPageSum && !firstPageRecorded) {
      return Refused(path, journalPath,
                     other + "the first page of " + path +
                         " is not the one it was made for); it was not applied");
    }
  }

  const uint64_t fileSize = static_cast<uint64_t>(st.st_size);
  // The commit only ever added to the file; a record may hold a partial last page.
  if (header.originalSize > std::max(fileSize, restoredEnd)) {
    return Damaged(path, journalPath,
                   "the size it gives the database before the change, " + sizeText(header.originalSize) +
                       ", is larger than the file (" + sizeText(fileSize) + ")");
  }

  const uint32_t restore = header.count;
  uint64_t end = fileSize;
  if (restore > 0 || end > header.originalSize) {
    int writeFd = fd;
    FdCloser writeCloser{-1};
    if (!fdWritable) {
      writeFd = writeCloser.fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
      if (writeFd < 0) {
        return Status(ErrorCode::kReadOnly, Where::File(path),
                      "an interrupted change left " + journalPath +
                          ", which must be rolled back before the file can be read, but the "
                          "file cannot be opened for writing (" +
                          std::strerror(errno) + "); open it once with write permission");
      }
    }
    for (uint32_t k = 0; k < restore; ++k) {
      const off_t at = static_cast<off_t>(fmt::kHeaderBlock + k * recordSize);
      if (!ReadFully(journalFd, record.data(), recordSize, at)) return IoError(journalPath, "cannot read the journal");
      const uint32_t page = LoadU32(record.data());
      if (!WriteFully(writeFd, record.data() + fmt::kRecordPrefix, pageSize, static_cast<off_t>(page) * pageSize)) {
        return IoError(path, "cannot put page " + std::to_string(page) + " back from " + journalPath);
      }
    }
    end = std::max(end, restoredEnd);  // a partial last page, whole
    if (end > header.originalSize) {
      if (!TruncateFile(writeFd, static_cast<off_t>(header.originalSize))) {
        return IoError(path, "cannot cut the file back to its size before the interrupted change");
      }
    }
    // Durable before the journal goes: until then the journal can still do it again.
    if (!SyncData(writeFd)) return IoError(path, "cannot sync after rolling back " + journalPath);
  }
  JET_RETURN_IF_ERROR(RemoveJournalFile(journalPath));
  result.outcome = restore > 0 ? Outcome::kRolledBack : Outcome::kTruncated;
  result.pagesRestored = restore;
  return result;
}

}  // namespace jet
