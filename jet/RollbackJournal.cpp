#include "jet/RollbackJournal.h"

#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
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

std::string FolderOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// Makes the folder entries of files made or removed in the folder of `path` durable.
Status SyncFolder(const std::string& path) {
  const std::string folder = FolderOf(path);
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return IoError(folder, "cannot open the folder to sync it");
  FdCloser closer{fd};
  if (::fsync(fd) != 0) return IoError(folder, "cannot sync the folder");
  return Status::Ok();
}

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
// journal is discarded by recovery).
Status RemoveJournalFile(const std::string& path) {
  if (::unlink(path.c_str()) == 0 || errno == ENOENT) return Status::Ok();
  const Status unlinkError = IoError(path, "cannot remove the journal");
  const int fd = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
  if (fd < 0) return unlinkError;
  FdCloser closer{fd};
  if (::fsync(fd) != 0) return unlinkError;
  return Status::Ok();
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
  struct stat st {};
  if (::fstat(databaseFd, &st) != 0) return IoError(databasePath_, "cannot stat");
  // Anyone who may write the database may have to roll the journal back.
  fd_ = ::open(path_.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, st.st_mode & 0666);
  if (fd_ < 0 && errno == EEXIST) {
    // One emptied because it could not be removed is ours to reuse; any other is hot.
    struct stat old {};
    if (::stat(path_.c_str(), &old) == 0 && old.st_size == 0) fd_ = ::open(path_.c_str(), O_RDWR | O_TRUNC | O_CLOEXEC);
    if (fd_ < 0) {
      return Status(ErrorCode::kLocked, databasePath_ + ": " + path_ +
                                            " exists: another program may be changing the file; nothing was written");
    }
  }
  if (fd_ < 0) return IoError(path_, "cannot make the journal");
  originalSize_ = originalSize;
  count_ = 0;
  FillSalt(salt_);

  std::vector<uint8_t> header(fmt::kHeaderBlock, 0);
  std::memcpy(header.data(), fmt::kMagic, sizeof fmt::kMagic);
  StoreU32(header.data() + 8, fmt::kVersion);
  StoreU32(header.data() + fmt::kPageSizeOffset, pageSize_);
  StoreU64(header.data() + fmt::kOriginalSizeOffset, originalSize);
  std::memcpy(header.data() + fmt::kSaltOffset, salt_, fmt::kSaltLength);
  StoreU32(header.data() + fmt::kHeaderSumOffset, Crc(0, header.data(), fmt::kHeaderSumOffset));
  const uint32_t count = static_cast<uint32_t>(pages.size());
  StoreU32(header.data() + fmt::kCountOffset, count);
  StoreU32(header.data() + fmt::kCountSumOffset, CountSum(salt_, count));

  // A failure takes the journal away again, unless the gate refuses that too (a dying
  // process leaves the disk as it is).
  auto fail = [&](Status status) {
    const bool remove = gate_().ok();
    ::close(fd_);
    fd_ = -1;
    if (remove) ::unlink(path_.c_str());
    return status;
  };
  if (!WriteFully(fd_, header.data(), header.size(), 0)) return fail(IoError(path_, "cannot write the journal"));
  if (Status s = writeRecords(databaseFd, pages); !s.ok()) return fail(s);
  if (Status s = syncJournal(); !s.ok()) return fail(s);
  if (Status s = gate_(); !s.ok()) return fail(s);
  if (Status s = SyncFolder(path_); !s.ok()) return fail(s);
  return Status::Ok();
}

Status RollbackJournal::writeRecords(int databaseFd, const std::vector<uint32_t>& pages) {
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
  if (::fdatasync(fd_) != 0) return IoError(path_, "cannot sync the journal");
  return Status::Ok();
}

Status RollbackJournal::add(int databaseFd, const std::vector<uint32_t>& pages) {
  if (fd_ < 0) return Status(ErrorCode::kIo, path_ + ": no journal to add to");
  if (pages.empty()) return Status::Ok();
  JET_RETURN_IF_ERROR(writeRecords(databaseFd, pages));
  JET_RETURN_IF_ERROR(gate_());
  uint8_t count[8];
  StoreU32(count, count_);
  StoreU32(count + 4, CountSum(salt_, count_));
  if (!WriteFully(fd_, count, sizeof count, fmt::kCountOffset)) return IoError(path_, "cannot write the journal");
  return syncJournal();
}

Status RollbackJournal::remove() {
  if (fd_ < 0) return Status::Ok();
  JET_RETURN_IF_ERROR(gate_());
  Status s = RemoveJournalFile(path_);
  if (s.ok()) abandon();
  return s;
}

Result<JournalRecovery> RollBackHotJournal(const std::string& path, int fd, bool fdWritable) {
  using Outcome = JournalRecovery::Outcome;
  const std::string journalPath = JournalPathFor(path);
  const int journalFd = ::open(journalPath.c_str(), O_RDONLY | O_CLOEXEC);
  if (journalFd < 0) {
    if (errno == ENOENT) return JournalRecovery{};
    return IoError(journalPath, "cannot open the journal left by an interrupted change of " + path);
  }
  FdCloser journalCloser{journalFd};
  struct stat journalStat {};
  if (::fstat(journalFd, &journalStat) != 0) return IoError(journalPath, "cannot stat");
  const uint64_t journalSize = static_cast<uint64_t>(journalStat.st_size);

  JournalRecovery result;
  uint8_t header[fmt::kCountSumOffset + 4] = {};
  const bool headerRead = journalSize >= sizeof header && ReadFully(journalFd, header, sizeof header, 0);
  if (!headerRead || std::memcmp(header, fmt::kMagic, sizeof fmt::kMagic) != 0 ||
      LoadU32(header + fmt::kHeaderSumOffset) != Crc(0, header, fmt::kHeaderSumOffset)) {
    // Its header never reached the disk whole, and nothing is written before it is synced.
    result.outcome = Outcome::kDiscarded;
    result.reason = !headerRead ? "shorter than its header" : "its header is incomplete or not a journal's";
    if (Status s = RemoveJournalFile(journalPath); !s.ok()) result.reason += " (" + s.message() + ")";
    return result;
  }
  const uint32_t version = LoadU32(header + 8);
  if (version != fmt::kVersion) {
    return Status::Unsupported(path, journalPath + " (left by an interrupted change) has version " +
                                         std::to_string(version) +
                                         ", which this program cannot roll back; it was not applied");
  }
  const uint32_t pageSize = LoadU32(header + fmt::kPageSizeOffset);
  uint8_t probe[0x20] = {};
  if (!ReadFully(fd, probe, sizeof probe, 0)) return IoError(path, "cannot read the header to roll back " + journalPath);
  auto format = DetectFormat(probe, path);
  if (!format.ok()) {
    return Status(format.status().code(), format.status().message() + "; " + journalPath + " was not applied");
  }
  if (pageSize != (*format)->pageSize) {
    return Status::Corrupt(path, journalPath + " holds " + std::to_string(pageSize) +
                                     "-byte pages but the database has " +
                                     std::to_string((*format)->pageSize) +
                                     "-byte pages, so it belongs to another file; it was not applied. Move it "
                                     "away to open the database");
  }
  const uint64_t originalSize = LoadU64(header + fmt::kOriginalSizeOffset);
  const uint8_t* salt = header + fmt::kSaltOffset;
  const uint32_t count = LoadU32(header + fmt::kCountOffset);
  const uint64_t recordSize = fmt::kRecordPrefix + pageSize;

  // The records count only when every one is whole: a journal whose sync did not complete
  // was followed by no overwrite, and then only the appended pages are to be cut off.
  std::vector<uint8_t> record(recordSize);
  bool recordsValid = true;
  if (LoadU32(header + fmt::kCountSumOffset) != CountSum(salt, count)) {
    recordsValid = false;
    result.reason = "its record count is incomplete";
  } else if (journalSize < fmt::kHeaderBlock + count * recordSize) {
    recordsValid = false;
    result.reason = "shorter than its " + std::to_string(count) + " records";
  }
  for (uint32_t k = 0; k < count && recordsValid; ++k) {
    const off_t at = static_cast<off_t>(fmt::kHeaderBlock + k * recordSize);
    if (!ReadFully(journalFd, record.data(), recordSize, at)) return IoError(journalPath, "cannot read the journal");
    const uint32_t page = LoadU32(record.data());
    if (LoadU32(record.data() + 4) != RecordSum(salt, record.data(), record.data() + fmt::kRecordPrefix, pageSize) ||
        static_cast<uint64_t>(page) * pageSize >= originalSize) {
      recordsValid = false;
      result.reason = "record " + std::to_string(k + 1) + " of " + std::to_string(count) + " is incomplete";
    }
  }
  const uint32_t restore = recordsValid ? count : 0;

  struct stat st {};
  if (::fstat(fd, &st) != 0) return IoError(path, "cannot stat");
  uint64_t end = static_cast<uint64_t>(st.st_size);
  if (restore > 0 || end > originalSize) {
    int writeFd = fd;
    FdCloser writeCloser{-1};
    if (!fdWritable) {
      writeFd = writeCloser.fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
      if (writeFd < 0) {
        return Status(ErrorCode::kReadOnly, path + ": an interrupted change left " + journalPath +
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
      end = std::max<uint64_t>(end, static_cast<uint64_t>(page + 1) * pageSize);  // a partial last page, whole
    }
    if (end > originalSize) {
      if (::ftruncate(writeFd, static_cast<off_t>(originalSize)) != 0) {
        return IoError(path, "cannot cut the file back to its size before the interrupted change");
      }
    }
    // Durable before the journal goes: until then the journal can still do it again.
    if (::fsync(writeFd) != 0) return IoError(path, "cannot sync after rolling back " + journalPath);
  }
  JET_RETURN_IF_ERROR(RemoveJournalFile(journalPath));
  result.outcome = restore > 0 ? Outcome::kRolledBack : Outcome::kTruncated;
  result.pagesRestored = restore;
  return result;
}

}  // namespace jet
