#include "jet/PageFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cassert>
#include <cerrno>
#include <cstring>

#include "jet/FileIo.h"
#include "jet/crypto/HeaderMask.h"

namespace jet {
namespace {

// Rolls back a journal left by a commit that did not finish. Whoever holds a lock on the
// database knows its writer is gone (a live writer holds the exclusive lock), but rolling
// back needs the exclusive lock itself: other readers must not read pages being put back.
// A writer holds it already; a reader gives its shared lock up, takes the exclusive one on
// a descriptor open for writing, rolls back, and takes its shared lock again.
Status RollBackUnderExclusiveLock(const std::string& path, int fd, const PageFile::Options& options) {
  if (options.writable) return RollBackHotJournal(path, fd, true).status();
  for (int attempt = 0; attempt < 3 && JournalPresent(path); ++attempt) {
    const int writable = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (writable < 0) return RollBackHotJournal(path, fd, false).status();  // says why it cannot
    UnlockWholeFile(fd);
    Status rolledBack = LockWholeFile(writable, LockKind::kExclusive, options.lockWait, path);
    if (rolledBack.ok()) rolledBack = RollBackHotJournal(path, writable, true).status();
    ::close(writable);  // lets the exclusive lock go
    JET_RETURN_IF_ERROR(rolledBack);
    JET_RETURN_IF_ERROR(LockWholeFile(fd, LockKind::kShared, options.lockWait, path));
  }
  return Status::Ok();
}

}  // namespace

PageFile::PageFile(std::string fileName, int fd, bool writable, size_t cachePages)
    : fileName_(std::move(fileName)), fd_(fd), writable_(writable), cacheLimit_(cachePages) {}

PageFile::~PageFile() {
  // A batch left without commit or rollback: its early-written pages go again.
  if (journalExists() && !interrupted() && unusable_.ok()) closeJournalWithoutCommit().IgnoreError();
  writeBack_.reset();  // its thread uses the descriptor
  if (fd_ >= 0) ::close(fd_);
}

Result<std::unique_ptr<PageFile>> PageFile::Open(const std::string& path, const Options& options) {
  int fd = ::open(path.c_str(), (options.writable ? O_RDWR : O_RDONLY) | O_CLOEXEC);
  if (fd < 0) return IoError(path, "cannot open");
  std::unique_ptr<PageFile> file(new PageFile(path, fd, options.writable, options.cachePages));

  struct stat st {};
  if (::fstat(fd, &st) != 0) return IoError(path, "cannot stat");
  if (!S_ISREG(st.st_mode)) return Status(ErrorCode::kIo, Where::File(path), "not a regular file");
  // Locked before anything is read: a commit of another program is never seen half done.
  // Then a commit that did not finish is undone first.
  JET_RETURN_IF_ERROR(LockWholeFile(fd, options.writable ? LockKind::kExclusive : LockKind::kShared,
                                    options.lockWait, path));
  JET_RETURN_IF_ERROR(RollBackUnderExclusiveLock(path, fd, options));
  if (::fstat(fd, &st) != 0) return IoError(path, "cannot stat");
  const uint64_t size = static_cast<uint64_t>(st.st_size);

  // The engine name and version byte come before the mask, so 0x20 bytes tell the page size.
  uint8_t probe[0x20] = {};
  const size_t probeLength = size < sizeof probe ? size : sizeof probe;
  if (probeLength > 0 && !ReadFully(fd, probe, probeLength, 0)) return IoError(path, "cannot read header");
  JET_ASSIGN_OR_RETURN(auto format, DetectFormat(std::span<const uint8_t>(probe, probeLength), path));
  const uint32_t pageSize = format->pageSize;
  if (size < 2ull * pageSize) {
    return Status::Corrupt(Where::File(path), "file is truncated (" + std::to_string(size) + " bytes, less than two " +
                                                  std::to_string(pageSize) + "-byte pages)");
  }
  if (size / pageSize > 0xFFFFFFull) {
    return Status::Corrupt(Where::File(path), "file is larger than any Access database can be");
  }
  file->pageCount_ = file->filePageCount_ = file->diskPageCount_ = static_cast<uint32_t>(size / pageSize);

  PageBytes raw(pageSize);
  if (!ReadFully(fd, raw.data(), pageSize, 0)) return IoError(path, "cannot read header page");
  JET_ASSIGN_OR_RETURN(auto codec, OpenPageCodec(raw, options.password, path));
  file->codec_ = std::move(codec);

  ApplyHeaderMask(raw, format->jet3);
  JET_ASSIGN_OR_RETURN(auto header, ParseDatabaseHeader(raw, path));
  file->header_ = header;
  return file;
}

void PageFile::unlock() { UnlockWholeFile(fd_); }

Status PageFile::readFileBytes(uint32_t page, uint8_t* out) {
  const uint32_t size = pageSize();
  const bool sequential = lastMiss_ != UINT32_MAX && page == lastMiss_ + 1;
  lastMiss_ = page;
  if (!writable_) {
    if (page - aheadFirst_ < aheadCount_) {
      std::memcpy(out, ahead_.data() + static_cast<size_t>(page - aheadFirst_) * size, size);
      return Status::Ok();
    }
    const uint32_t run = std::min(kReadAheadBytes / size, pageCount_ - page);
    if (sequential && run > 1) {
      ahead_.resize(kReadAheadBytes);
      aheadCount_ = 0;
      if (ReadFully(fd_, ahead_.data(), static_cast<size_t>(run) * size, static_cast<off_t>(page) * size)) {
        aheadFirst_ = page;
        aheadCount_ = run;
        std::memcpy(out, ahead_.data(), size);
        return Status::Ok();
      }
      // A run that cannot be read whole is read page by page, so the error names the page.
    }
  }
  if (!ReadFully(fd_, out, size, static_cast<off_t>(page) * size)) {
    const std::string what = "cannot read page " + std::to_string(page);
    // Cut short since it was opened (by another program): no system error to report.
    if (errno == 0)
      return Status(ErrorCode::kIo, Where::File(fileName_),
                    what + ": the file ends before page " + std::to_string(page));
    return IoError(fileName_, what);
  }
  return Status::Ok();
}

Status PageFile::readRaw(uint32_t page, uint8_t* out) {
  const uint32_t size = pageSize();
  JET_RETURN_IF_ERROR(readFileBytes(page, out));
  if (page == 0) {
    ApplyHeaderMask(std::span<uint8_t>(out, size), format().jet3);
  } else if (codec_->transforms()) {
    codec_->decode(page, std::span<uint8_t>(out, size));
  }
  return Status::Ok();
}

Result<PageRef> PageFile::read(uint32_t page) {
  if (page >= pageCount_) {
    return Status::Corrupt(Where::File(fileName_), "reference to page " + std::to_string(page) +
                                                       ", beyond the end of the file (" + std::to_string(pageCount_) +
                                                       " pages)");
  }
  if (auto d = dirty_.find(page); d != dirty_.end()) return PageRef(d->second);
  if (auto c = cached_.find(page); c != cached_.end()) {
    lru_.splice(lru_.begin(), lru_, c->second);
    return c->second->second;
  }
  // The least recent page makes room first; its buffer is reused when nobody else holds it,
  // which spares an allocation and the zeroing of a new page, and so are its list and map
  // entries, which move to the new page.
  std::shared_ptr<PageBytes> bytes;
  decltype(cached_)::node_type entry;
  if (!lru_.empty() && lru_.size() >= cacheLimit_) {
    auto& victim = lru_.back();
    entry = cached_.extract(victim.first);
    if (victim.second.use_count() == 1) bytes = std::const_pointer_cast<PageBytes>(std::move(victim.second));
    victim.second.reset();
    lru_.splice(lru_.begin(), lru_, std::prev(lru_.end()));
  }
  if (!bytes) bytes = std::make_shared<PageBytes>(pageSize());
  if (Status status = readRaw(page, bytes->data()); !status.ok()) {
    if (entry) lru_.pop_front();  // the victim's entry, moved to the front above
    return status;
  }
  if (entry) {
    lru_.front() = {page, bytes};
    entry.key() = page;
    entry.mapped() = lru_.begin();
    cached_.insert(std::move(entry));
  } else {
    lru_.emplace_front(page, bytes);
    cached_[page] = lru_.begin();
  }
  while (lru_.size() > cacheLimit_) {
    cached_.erase(lru_.back().first);
    lru_.pop_back();
  }
  return PageRef(std::move(bytes));
}

Result<PageRef> PageFile::readTyped(uint32_t page, PageType type, const std::string& what) {
  auto bytes = read(page);
  if (!bytes.ok()) return bytes;
  if ((**bytes)[kPageTypeOffset] != static_cast<uint8_t>(type)) {
    return Status::Corrupt(Where::File(fileName_), "page " + std::to_string(page) + " of " + what + " has page type " +
                                                       std::to_string((**bytes)[kPageTypeOffset]) + ", expected " +
                                                       std::to_string(static_cast<int>(type)));
  }
  return bytes;
}

Result<std::shared_ptr<PageBytes>> PageFile::modify(uint32_t page) {
  if (!writable_) return Status(ErrorCode::kReadOnly, Where::File(fileName_), "opened for reading only");
  if (!unusable_.ok()) return unusable_;
  if (auto d = dirty_.find(page); d != dirty_.end()) return d->second;
  JET_ASSIGN_OR_RETURN(auto current, read(page));
  auto copy = std::make_shared<PageBytes>(*current);
  dirty_[page] = copy;
  return copy;
}

uint32_t PageFile::appendPage() {
  const uint32_t page = pageCount_++;
  dirty_[page] = std::make_shared<PageBytes>(pageSize(), 0);
  return page;
}

PageBytes* PageFile::reuseFreePage(uint32_t page) {
  auto& bytes = dirty_[page];
  if (bytes) std::fill(bytes->begin(), bytes->end(), uint8_t{0});
  else bytes = std::make_shared<PageBytes>(pageSize(), 0);
  unreferenced_.insert(page);
  return bytes.get();
}

Status PageFile::writeStep() {
  if (writesBeforeInterrupt_ < 0 && writesBeforeFailure_ < 0) return Status::Ok();
  if (writesBeforeFailure_ == 0) {
    writesBeforeFailure_ = -1;
    return Status(ErrorCode::kIo, Where::File(fileName_), "cannot write: disk error (injected by a test)");
  }
  if (writesBeforeInterrupt_ == 0) {
    if (onInterrupt_) onInterrupt_();
    return Status(ErrorCode::kIo, Where::File(fileName_), "writing interrupted (test)");
  }
  if (writesBeforeFailure_ > 0) --writesBeforeFailure_;
  if (writesBeforeInterrupt_ > 0) --writesBeforeInterrupt_;
  ++writeSteps_;
  return Status::Ok();
}

Status PageFile::interruptWritesAfter(int steps, std::function<void()> onInterrupt) {
  const bool restart = interrupted();
  writesBeforeInterrupt_ = steps;
  onInterrupt_ = std::move(onInterrupt);
  if (!restart) return Status::Ok();
  // What the next process would find: roll back what the dead one left.
  if (journal_) journal_->abandon();
  JET_ASSIGN_OR_RETURN(auto recovered, RollBackHotJournal(fileName_, fd_, writable_));
  struct stat st {};
  if (::fstat(fd_, &st) != 0) return IoError(fileName_, "cannot stat");
  diskPageCount_ = static_cast<uint32_t>(static_cast<uint64_t>(st.st_size) / pageSize());
  forgetCachedPagesFrom(0);  // nothing cached may outlive the rollback
  earlyWritesUnsynced_ = false;
  return Status::Ok();
}

Status PageFile::checkUsable() const {
  if (!writable_) return Status(ErrorCode::kReadOnly, Where::File(fileName_), "opened for reading only");
  if (!unusable_.ok()) return unusable_;
  return Status::Ok();
}

RollbackJournal& PageFile::journal() {
  if (!journal_) journal_ = std::make_unique<RollbackJournal>(fileName_, pageSize(), [this] { return writeStep(); });
  return *journal_;
}

Status PageFile::writeDirty(uint32_t page, const PageBytes& bytes, PageBytes& buffer) {
  // Only a dirty page reaches the file, and one that exists there only after the journal
  // holds it as it was.
  assert(dirty_.count(page) && dirty_.at(page).get() == &bytes && "a page is dirty before it is written");
  assert((page >= filePageCount_ || (journalExists() && journaled_.count(page))) &&
         "the journal holds a page before it is overwritten in place");
  JET_RETURN_IF_ERROR(writeStep());
  const PageBytes* out = &bytes;
  if (page == 0 || codec_->transforms()) {
    buffer = bytes;
    if (page == 0) ApplyHeaderMask(buffer, format().jet3);
    else codec_->encode(page, buffer);
    out = &buffer;
  }
  if (!WriteFully(fd_, out->data(), out->size(), static_cast<off_t>(page) * pageSize())) {
    return IoError(fileName_, "cannot write page " + std::to_string(page));
  }
  forgetCachedPage(page);
  return Status::Ok();
}

// A written page is read from the file again when next wanted: no stale copy stays cached.
void PageFile::forgetCachedPage(uint32_t page) {
  if (auto c = cached_.find(page); c != cached_.end()) {
    lru_.erase(c->second);
    cached_.erase(c);
  }
}

Status PageFile::flush() { return flush({}); }

Status PageFile::flush(const std::vector<uint32_t>& writeLast) {
  if (dirty_.empty()) return journalExists() ? closeJournalWithoutCommit() : Status::Ok();
  JET_RETURN_IF_ERROR(checkUsable());
  if (Status s = writeCommit(writeLast); !s.ok()) return undoFailedCommit(s);
  dirty_.clear();
  unreferenced_.clear();
  filePageCount_ = diskPageCount_ = pageCount_;
  earlyWritesUnsynced_ = false;
  return Status::Ok();
}

Status PageFile::writeCommit(const std::vector<uint32_t>& writeLast) {
  auto isLast = [&](uint32_t page) {
    return std::find(writeLast.begin(), writeLast.end(), page) != writeLast.end();
  };
  // The pages overwritten in place, `writeLast` (the catalogue) at the end.
  // Free pages taken again are among them: the map may be wrong about a page (a damaged
  // or unusual file), and a rollback then still gives back every byte.
  std::vector<uint32_t> inPlace;
  for (auto it = dirty_.begin(); it != dirty_.end() && it->first < filePageCount_; ++it) {
    if (!isLast(it->first)) inPlace.push_back(it->first);
  }
  for (uint32_t page : writeLast) {
    if (page < filePageCount_ && dirty_.count(page) &&
        std::find(inPlace.begin(), inPlace.end(), page) == inPlace.end()) {
      inPlace.push_back(page);
    }
  }
  JET_RETURN_IF_ERROR(journalPages(inPlace));

  // New pages next: nothing on disk refers to them yet, and rollback cuts them off. Many of
  // them are synced before the overwrites, so that the span in which the file is torn ends
  // with a short sync; a few (a statement's) go with the overwrites' sync.
  PageBytes buffer(pageSize());
  size_t newPages = 0;
  for (auto it = dirty_.lower_bound(filePageCount_); it != dirty_.end(); ++it) {
    JET_RETURN_IF_ERROR(writeDirty(it->first, *it->second, buffer));
    ++newPages;
  }
  // fdatasync: the bytes and the file's size are what a rollback needs; the modification
  // time is not worth a commit of the file system's own journal per statement.
  if ((earlyWritesUnsynced_ || newPages > kPagesPerWrite) && !inPlace.empty()) {
    JET_RETURN_IF_ERROR(writeStep());
    if (!SyncData(fd_)) return IoError(fileName_, "cannot sync");
  }
  for (uint32_t page : inPlace) JET_RETURN_IF_ERROR(writeDirty(page, *dirty_[page], buffer));
  // Early-written pages that a failed statement dropped lie beyond the end.
  if (diskPageCount_ > pageCount_) {
    JET_RETURN_IF_ERROR(writeStep());
    if (!TruncateFile(fd_, static_cast<off_t>(pageCount_) * pageSize())) return IoError(fileName_, "cannot truncate");
  }
  JET_RETURN_IF_ERROR(writeStep());
  if (!SyncData(fd_)) return IoError(fileName_, "cannot sync");
  // The commit counts from here.
  return journal_->remove();
}

Status PageFile::journalPages(const std::vector<uint32_t>& pages) {
  // A page is saved once per commit, as it was before the commit: a free page taken again
  // and written early may change again, and its second state must not be the one restored.
  if (!journalExists()) journaled_.clear();
  std::vector<uint32_t> fresh;
  for (uint32_t page : pages) {
    if (journaled_.insert(page).second) fresh.push_back(page);
  }
  if (journalExists()) return fresh.empty() ? Status::Ok() : journal_->add(fd_, fresh);
  // The size before the first appended byte: rollback cuts the file back to it. A partial
  // page at the end, which the first appended page would overwrite, is saved too.
  struct stat st {};
  if (::fstat(fd_, &st) != 0) return IoError(fileName_, "cannot stat");
  const uint64_t size = static_cast<uint64_t>(st.st_size);
  if (size % pageSize() != 0) fresh.push_back(static_cast<uint32_t>(size / pageSize()));
  return journal().begin(fd_, size, fresh);
}

Status PageFile::undoFailedCommit(const Status& error) {
  if (interrupted()) return error;  // a dead process rolls nothing back: the next open does
  // No journal of ours (its making failed and took it away again): nothing was written. A
  // journal of another's, found in the way, is not ours to roll back.
  const std::string unchanged = "; nothing of the change was kept, the file is as it was before";
  if (!journalExists()) return error.Appended(unchanged);
  journal_->abandon();
  auto recovered = RollBackHotJournal(fileName_, fd_, true);
  if (!recovered.ok()) {
    const std::string why = "a change could not be completed (" + error.message() + ") nor undone at once (" +
                            recovered.status().message() + "); " + JournalPathFor(fileName_) +
                            " puts the file back as it was when it is next opened";
    unusable_ = Status(ErrorCode::kIo, Where::File(fileName_), why);
    return Status(error.code(), Where::File(fileName_), why);
  }
  diskPageCount_ = filePageCount_;
  forgetCachedPagesFrom(0);  // pages put back from the journal may be cached as written
  earlyWritesUnsynced_ = false;
  return error.Appended(unchanged);
}

Status PageFile::closeJournalWithoutCommit() {
  JET_RETURN_IF_ERROR(checkUsable());
  JET_RETURN_IF_ERROR(writeStep());  // refused for good once interrupted: nothing is touched
  // The journal holds only pages written early (free pages taken again, a partial last
  // page): rolling it back puts them back, cuts the appended pages off, durably, and
  // removes it.
  journal_->abandon();
  auto recovered = RollBackHotJournal(fileName_, fd_, true);
  if (!recovered.ok()) {
    unusable_ = Status(ErrorCode::kIo, Where::File(recovered.status().file()), recovered.status().withinFile());
    return recovered.status();
  }
  diskPageCount_ = filePageCount_;
  forgetCachedPagesFrom(0);  // pages put back from the journal may be cached as written
  earlyWritesUnsynced_ = false;
  return Status::Ok();
}

Status PageFile::writeAppendedPagesEarly(size_t limit) {
  if (dirty_.size() <= limit) return Status::Ok();
  JET_RETURN_IF_ERROR(checkUsable());
  // Free pages taken again, then appended pages: nothing on disk refers to either. The
  // journal holds the free pages' bytes and the file's size before the first of them.
  std::vector<uint32_t> pages;
  for (auto it = dirty_.begin(); it != dirty_.end() && it->first < filePageCount_; ++it) {
    if (unreferenced_.contains(it->first)) pages.push_back(it->first);
  }
  JET_RETURN_IF_ERROR(journalPages(pages));
  for (auto it = dirty_.lower_bound(filePageCount_); it != dirty_.end(); ++it) pages.push_back(it->first);
  PageBytes buffer(pageSize());
  // Fault injection counts page by page; otherwise a run of consecutive pages goes out in
  // one call, encoded into one buffer first when the codec transforms pages.
  const bool runs = writesBeforeInterrupt_ < 0 && writesBeforeFailure_ < 0;
  const bool encoding = codec_->transforms();
  std::vector<uint8_t> encoded;
  for (size_t k = 0; k < pages.size();) {
    size_t end = k + 1;
    if (runs && pages[k] != 0) {
      while (end < pages.size() && pages[end] == pages[end - 1] + 1 && end - k < kPagesPerWrite) ++end;
    }
    if (end == k + 1) {
      JET_RETURN_IF_ERROR(writeDirty(pages[k], *dirty_.at(pages[k]), buffer));
    } else {
      iovec parts[kPagesPerWrite];
      int count = 0;
      if (encoding) encoded.resize(static_cast<size_t>(end - k) * pageSize());
      for (size_t p = k; p < end; ++p) {
        assert((pages[p] >= filePageCount_ || journaled_.count(pages[p])) && "the journal holds a free page taken again");
        PageBytes& bytes = *dirty_.at(pages[p]);
        if (encoding) {
          uint8_t* at = encoded.data() + (p - k) * pageSize();
          std::memcpy(at, bytes.data(), bytes.size());
          codec_->encode(pages[p], std::span<uint8_t>(at, bytes.size()));
          parts[count++] = {at, bytes.size()};
        } else {
          parts[count++] = {bytes.data(), bytes.size()};
        }
      }
      JET_RETURN_IF_ERROR(writeStep());
      if (!WriteVectorFully(fd_, parts, count, static_cast<off_t>(pages[k]) * pageSize())) {
        return IoError(fileName_, "cannot write pages " + std::to_string(pages[k]) + " to " +
                                      std::to_string(pages[end - 1]));
      }
      for (size_t p = k; p < end; ++p) forgetCachedPage(pages[p]);
      if (!writeBack_) writeBack_ = std::make_unique<WriteBack>(fd_);
      writeBack_->written(static_cast<off_t>(pages[k]) * pageSize(), static_cast<off_t>(count) * pageSize());
    }
    diskPageCount_ = std::max(diskPageCount_, pages[end - 1] + 1);
    earlyWritesUnsynced_ = true;
    for (size_t p = k; p < end; ++p) dirty_.erase(pages[p]);
    k = end;
  }
  return Status::Ok();
}

void PageFile::forgetCachedPagesFrom(uint32_t page) {
  for (auto it = cached_.begin(); it != cached_.end();) {
    if (it->first >= page) {
      lru_.erase(it->second);
      it = cached_.erase(it);
    } else {
      ++it;
    }
  }
  aheadCount_ = 0;
}

void PageFile::forgetPagesFrom(uint32_t page) {
  forgetCachedPagesFrom(page);
  if (diskPageCount_ > page && !interrupted() && unusable_.ok()) {
    // Best effort: pages beyond the page count are never read, and flush() cuts them again.
    if (TruncateFile(fd_, static_cast<off_t>(page) * pageSize())) diskPageCount_ = page;
  }
}

void PageFile::dropAppendedPages(uint32_t firstPage) {
  if (firstPage < filePageCount_ || firstPage >= pageCount_) return;
  dirty_.erase(dirty_.lower_bound(firstPage), dirty_.end());
  if (diskPageCount_ > firstPage) forgetPagesFrom(firstPage);
  pageCount_ = firstPage;
}

void PageFile::discardChanges() {
  dirty_.clear();
  unreferenced_.clear();
  // Best effort: a journal left in place cuts the pages off when the file is next opened.
  if (journalExists()) closeJournalWithoutCommit().IgnoreError();
  if (diskPageCount_ > filePageCount_) forgetPagesFrom(filePageCount_);
  earlyWritesUnsynced_ = false;
  pageCount_ = filePageCount_;
}

}  // namespace jet
