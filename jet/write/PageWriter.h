// The writer's view of the page file during one statement: pages changed through
// modify() keep their bytes from before the statement, so a failed statement can be
// undone exactly (rollback) even when earlier statements of a batch are still unflushed.
// New pages come from allocate(): the lowest page the global page map marks free, else
// a page appended at the end; either way taken out of the map. release() gives a page
// back; it is used again by the statements after the one that freed it (an overwrite
// takes the dropped table's pages in the same batch; the journal keeps the old bytes until
// the commit is on disk). Pages named by writeLast() (the catalogue) are written after all others; the
// commit itself is atomic (PageFile::flush and its journal). No statement grows the file
// past the largest size Access opens (JetFormat::maxFileBytes).
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <optional>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "jet/PageFile.h"
#include "jet/Status.h"

namespace jet {

class UsageMapWriter;

class PageWriter {
 public:
  explicit PageWriter(PageFile& file);
  ~PageWriter();

  PageFile& file() { return file_; }
  const JetFormat& format() const { return file_.format(); }

  // The page's bytes for changing (a dirty copy; readers see it at once).
  Result<PageBytes*> modify(uint32_t page);
  // A byte range of a page: [offset, offset + length).
  struct ByteRange {
    uint32_t offset = 0;
    uint32_t length = 0;
  };
  // modify() for a caller that changes only `ranges` of the page: only those bytes are
  // saved for undo, where modify() saves the whole page. A row added to a data page
  // touches a few hundred bytes of its 4 KB.
  Result<PageBytes*> modifyRanges(uint32_t page, std::initializer_list<ByteRange> ranges);
  // A zeroed page for a new structure, marked used in the global map: a free page of the
  // file when there is one, else a new page at the end.
  Result<uint32_t> allocate();
  // A zeroed page at the end of the file, never a reused one: for the global map's own
  // bitmap pages, which must not come from the map while it is being rebuilt.
  Result<uint32_t> append();
  // Marks `page` free in the global map (which grows to reach it) and clears its header.
  Status release(uint32_t page);
  // The largest size the file may reach, in bytes; tests lower it.
  uint64_t maxFileBytes() const { return maxFileBytes_ ? maxFileBytes_ : format().maxFileBytes; }
  void limitFileBytesForTests(uint64_t bytes) { maxFileBytes_ = bytes; }
  // Catalogue pages: flushed after every other page of the statement.
  void writeLast(uint32_t page);

  void beginStatement();
  // Keeps the statement's changes; with `flush` writes every unflushed page.
  Status commitStatement(bool flush);
  // Puts every page the statement changed back as it was.
  void rollbackStatement();
  // Forgets changes kept but not flushed (a batch given up).
  void discardUnflushed();

  // Rows added to the table whose definition starts at `tdefPage`: its stored row count is
  // brought up to date when changes are flushed, so that a run of inserts changes (and saves
  // for undo) the definition page once rather than once per row.
  void countRowsAdded(uint32_t tdefPage, uint32_t rows);

  // The highest member of each usage map seen so far, by the map row's packed pointer:
  // appending rows asks for it on every insert, and scanning bitmaps for it is slow.
  // UsageMapWriter keeps it current; anything that changes maps by other means (undo,
  // catalogue changes that may reuse a map row) calls forgetCaches().
  std::unordered_map<uint32_t, std::optional<uint32_t>>& lastMembers() { return lastMembers_; }
  // The usage map whose row is at `where`, loaded once and kept until forgetCaches(): a run
  // of inserts changes the same few maps row after row. `what` names it, for messages.
  Result<UsageMapWriter*> usageMap(RowPointer where, const std::function<std::string()>& what);
  void forgetCaches();
  // Between rows of a long statement or batch: keeps the dirty pages to a few MB by writing
  // appended pages early (PageFile::writeAppendedPagesEarly).
  Status boundMemory() { return file_.writeAppendedPagesEarly(kDirtyPagesLimit); }
  static constexpr size_t kDirtyPagesLimit = 1024;

 private:
  Status setGlobalBit(uint32_t page, bool free);
  // The lowest page the global map marks free and that may be used again, if any.
  Result<std::optional<uint32_t>> takeFreePage();
  void endStatement();

  PageFile& file_;
  // Bytes of a page as they were before the statement changed them: the whole page, or a
  // range of it. Undo puts them back newest first, so a page saved in ranges and later as
  // a whole comes back exactly. Entries and their buffers are reused from statement to
  // statement: a batch of inserts saves the same few pages again and again.
  struct SavedPage {
    uint32_t page = 0;
    uint32_t offset = 0;
    PageBytes bytes;
  };
  void save(uint32_t page, const uint8_t* from, uint32_t offset, uint32_t length);
  std::vector<SavedPage> before_;
  size_t saved_ = 0;               // entries of before_ that belong to this statement
  std::vector<uint32_t> savedIn_;  // per page: the serial of the statement that saved it (4 bytes a page)
  uint32_t statement_ = 0;         // serial of the current statement
  uint32_t statementPageCount_ = 0;
  bool inStatement_ = false;  // between beginStatement() and its commit or rollback
  std::vector<uint32_t> writeLast_;
  std::unordered_map<uint32_t, std::optional<uint32_t>> lastMembers_;
  std::unordered_map<uint32_t, std::unique_ptr<UsageMapWriter>> usageMaps_;  // by packed row pointer
  // Rows added per definition page: by this statement (a statement adds to one or two
  // tables), and by kept statements not yet flushed.
  std::vector<std::pair<uint32_t, uint32_t>> statementRowsAdded_;
  std::unordered_map<uint32_t, uint32_t> unflushedRowsAdded_;
  Status writeRowCounts();
  // Free pages: none below searchFrom_ may be taken (a hint, lowered when pages become
  // free again); pages released by the running statement wait for its end: its undo gives
  // them back to their owner. A page taken is saved for undo like a changed one, then zeroed.
  // Once the statement is kept they may be taken by later ones, also before the batch is
  // on disk: the journal saves their bytes before any of them is overwritten in the file.
  uint32_t searchFrom_ = 0;
  std::unordered_set<uint32_t> releasedByStatement_;
  bool reuseFreePages_ = true;  // false once the global map could not be searched
  uint64_t maxFileBytes_ = 0;  // 0: the format's own limit
};

}  // namespace jet
