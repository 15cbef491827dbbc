// The writer's view of the page file during one statement: pages changed through
// modify() keep their bytes from before the statement, so a failed statement can be
// undone exactly (rollback) even when earlier statements of a batch are still unflushed.
// New pages come from allocate() (appended at the end, as Access's own compaction
// expects: free pages are never reused) and are taken out of the global free-page map;
// release() gives a page back. Pages named by writeLast() (the catalogue) are written
// after all others, so an interruption leaves at worst unused pages.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "jet/PageFile.h"
#include "jet/Status.h"

namespace jet {

class PageWriter {
 public:
  explicit PageWriter(PageFile& file) : file_(file) {}

  PageFile& file() { return file_; }
  const JetFormat& format() const { return file_.format(); }

  // The page's bytes for changing (a dirty copy; readers see it at once).
  Result<PageBytes*> modify(uint32_t page);
  // A new zeroed page at the end of the file, marked used in the global map.
  Result<uint32_t> allocate();
  // Marks `page` free in the global map (when the map covers it) and clears its header.
  Status release(uint32_t page);
  // Catalogue pages: flushed after every other page of the statement.
  void writeLast(uint32_t page);

  void beginStatement();
  // Keeps the statement's changes; with `flush` writes every unflushed page.
  Status commitStatement(bool flush);
  // Puts every page the statement changed back as it was.
  void rollbackStatement();

 private:
  Status setGlobalBit(uint32_t page, bool free);

  PageFile& file_;
  std::map<uint32_t, PageBytes> before_;  // bytes at statement start, per changed page
  uint32_t statementPageCount_ = 0;
  std::vector<uint32_t> writeLast_;
};

}  // namespace jet
