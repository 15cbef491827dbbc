// The database file as numbered pages. Owns the file descriptor, the page codec
// (plain, Jet RC4 page encoding or ACCDB encryption: jet/PageCodec.h) and a bounded
// cache of decoded pages. Readers get shared, immutable page buffers that stay valid
// after eviction. The writer's side: modify() hands out a private dirty copy, which
// reads then see; flush() encodes and writes every dirty page, discardChanges() drops
// them. Nothing reaches the file before flush() (but appended pages written early, see
// writeAppendedPagesEarly()).
//
// A flush is one atomic commit: pages that exist in the file are saved to a rollback
// journal (jet/RollbackJournal.h) before they are overwritten, and Open() rolls back a
// journal left by a commit that did not finish. A commit that fails in this process is
// rolled back from the journal at once, so the file is as before it and the error says so.
#pragma once

#include <cstdint>
#include <functional>
#include <list>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "jet/DatabaseHeader.h"
#include "jet/FileLock.h"
#include "jet/PageCodec.h"
#include "jet/RollbackJournal.h"
#include "jet/Status.h"
#include "jet/WriteBack.h"
#include "jet/format/PageTypes.h"

namespace jet {

using PageBytes = std::vector<uint8_t>;
using PageRef = std::shared_ptr<const PageBytes>;

class PageFile {
 public:
  struct Options {
    std::string password;     // UTF-8, empty for none
    bool writable = false;
    size_t cachePages = 512;  // clean pages kept in memory (2 MB of Jet4 pages)
    // How long to wait for another program's lock (jet/FileLock.h): a writable file is
    // locked exclusively, a read-only one shared, until it is closed.
    LockWait lockWait;
  };

  // Opens `path`, rolls back a journal left by an interrupted commit, recognises the
  // format, builds the codec (which checks the password).
  static Result<std::unique_ptr<PageFile>> Open(const std::string& path, const Options& options);
  ~PageFile();
  PageFile(const PageFile&) = delete;
  PageFile& operator=(const PageFile&) = delete;

  const std::string& fileName() const { return fileName_; }
  const DatabaseHeader& header() const { return header_; }
  const JetFormat& format() const { return *header_.format; }
  uint32_t pageSize() const { return format().pageSize; }
  uint32_t pageCount() const { return pageCount_; }

  // The decoded bytes of `page`; page 0 is returned with its header mask removed.
  Result<PageRef> read(uint32_t page);
  // read() plus a check of the page type byte; `what` names the structure for the error.
  Result<PageRef> readTyped(uint32_t page, PageType type, const std::string& what);

  // Gives up the file's lock, for a reader whose connection goes on to write through a
  // session of its own (which locks the file exclusively). The pages it reads from then on
  // may be changed under it.
  void unlock();

  // Writer seams.
  Result<std::shared_ptr<PageBytes>> modify(uint32_t page);
  uint32_t appendPage();  // a zeroed dirty page at the end of the file
  bool hasChanges() const { return !dirty_.empty(); }
  size_t changedPageCount() const { return dirty_.size(); }  // pages held in memory to be written
  Status flush();
  // Commits every dirty page: the journal of the pages to be overwritten (synced, with its
  // folder entry), the appended pages (synced), then the pages overwritten in place, all
  // together so that the file is torn for as short a time as can be, `writeLast` last of
  // them; the file is synced and the journal removed. A failure rolls the file back from
  // the journal; the dirty pages are kept for the caller to discard.
  Status flush(const std::vector<uint32_t>& writeLast);
  // Drops every unflushed change; pages written early are cut off the file again.
  void discardChanges();
  // Forgets pages appended from `firstPage` on (not yet flushed ones only).
  void dropAppendedPages(uint32_t firstPage);
  // Pages the file holds on disk (the page count before any unflushed append).
  uint32_t flushedPageCount() const { return filePageCount_; }
  // Bounds the memory of a long batch: once more than `limit` pages are dirty, writes the
  // appended ones early. The journal, holding the file's size before them, is made and
  // synced before the first of them, so an interruption is rolled back by truncation, and
  // discardChanges()/dropAppendedPages() cut the file back. Call only when no page handed
  // out by modify() is still being changed.
  Status writeAppendedPagesEarly(size_t limit);
  // A zeroed dirty page in place of `page`, a page inside the file that nothing on disk
  // refers to (a free page taken again; its old bytes are not read here): written early
  // like the appended pages, after the journal has saved it.
  PageBytes* reuseFreePage(uint32_t page);

  // Fault injection for tests: the writer stops, as if the process died, once `steps`
  // more steps that change the disk (journal writes, syncs, page writes, truncations, the
  // journal's removal) have been taken (negative: never); `onInterrupt` runs at that point
  // (a test may end the process there). Nothing is written after that, not even a rollback:
  // the disk stays as a dead process leaves it. Arming again acts as a restart: a journal
  // left on disk is rolled back as Open() would (the caller has dropped its changes).
  Status interruptWritesAfter(int steps, std::function<void()> onInterrupt = {});
  // Fault injection for tests: the step after `steps` more fails once, as a disk error
  // would; the process lives on, so the failed commit is rolled back at once.
  void failWriteAfter(int steps) { writesBeforeFailure_ = steps; }
  // Steps that changed the disk so far (counted only while a fault is armed).
  uint64_t writeSteps() const { return writeSteps_; }

 private:
  PageFile(std::string fileName, int fd, bool writable, size_t cachePages);
  Status readRaw(uint32_t page, uint8_t* out);
  // Reads the file bytes of `page` into `out`, from the read-ahead run when it holds them.
  Status readFileBytes(uint32_t page, uint8_t* out);
  Status writeDirty(uint32_t page, const PageBytes& bytes, PageBytes& buffer);
  void forgetCachedPage(uint32_t page);
  // Cuts early-written pages from `page` on off the file and out of the cache.
  void forgetPagesFrom(uint32_t page);
  void forgetCachedPagesFrom(uint32_t page);
  // The steps of flush() up to the removal of the journal.
  Status writeCommit(const std::vector<uint32_t>& writeLast);
  // Saves the on-disk bytes of `pages` (about to be overwritten) in the journal, making it
  // first when none exists yet; synced when this returns.
  Status journalPages(const std::vector<uint32_t>& pages);
  // After a failed commit: the file rolled back from the journal, and `error` extended to say so.
  Status undoFailedCommit(const Status& error);
  // Cuts early-written pages off and removes the journal (nothing of the batch is kept).
  Status closeJournalWithoutCommit();
  // Gate of every step that changes the disk (fault injection).
  Status writeStep();
  bool interrupted() const { return writesBeforeInterrupt_ == 0; }
  // Refuses writing once a failed commit could not be rolled back in this process.
  Status checkUsable() const;
  RollbackJournal& journal();
  bool journalExists() const { return journal_ && journal_->exists(); }

  std::string fileName_;
  int fd_ = -1;
  bool writable_ = false;
  DatabaseHeader header_;
  std::unique_ptr<PageCodec> codec_;
  uint32_t pageCount_ = 0;
  uint32_t filePageCount_ = 0;
  uint32_t diskPageCount_ = 0;      // pages physically in the file, early-written ones included
  bool earlyWritesUnsynced_ = false;

  // LRU of clean pages: most recent at the front.
  size_t cacheLimit_;
  std::list<std::pair<uint32_t, PageRef>> lru_;
  std::unordered_map<uint32_t, std::list<std::pair<uint32_t, PageRef>>::iterator> cached_;
  std::map<uint32_t, std::shared_ptr<PageBytes>> dirty_;
  std::set<uint32_t> unreferenced_;  // see reuseFreePage()
  std::set<uint32_t> journaled_;          // pages the journal of this commit holds
  int writesBeforeInterrupt_ = -1;
  int writesBeforeFailure_ = -1;
  std::function<void()> onInterrupt_;
  uint64_t writeSteps_ = 0;
  std::unique_ptr<RollbackJournal> journal_;  // made on the first commit
  Status unusable_;                           // why writing is refused (a commit that could not be rolled back)

  // Read-ahead, for files opened read-only (nothing of ours writes them): a miss on the page
  // after the previous miss reads a run of the following pages in one call, and the misses
  // that fall into the run are copied from it. Bounded: one run of kReadAheadBytes. Measured
  // here on a 409 MB file held in the system's cache: 4 KiB reads 0.165 s, 64 KiB 0.085 s,
  // 128 KiB and more 0.21-0.26 s (the system copies large reads more slowly).
  static constexpr uint32_t kReadAheadBytes = 64 * 1024;
  std::vector<uint8_t> ahead_;   // file bytes of pages aheadFirst_ .. aheadFirst_ + aheadCount_ - 1
  uint32_t aheadFirst_ = 0;
  uint32_t aheadCount_ = 0;
  uint32_t lastMiss_ = UINT32_MAX;
  static constexpr long kPagesPerWrite = 64;  // pages handed to the system in one write
  // Early-written runs start going to disk at once (made on the first one).
  std::unique_ptr<WriteBack> writeBack_;
};

}  // namespace jet
