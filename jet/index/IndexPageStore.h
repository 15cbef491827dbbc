// What the index B-tree needs from the database file: whole pages by number. The
// writer connects this to the real page file (and adds allocated pages to the index's
// usage map, frees pages in the global map); tests and staging use MemoryPageStore.
#pragma once

#include <cstdint>
#include <map>
#include <span>
#include <vector>

#include "jet/Status.h"

namespace jet::index {

class IndexPageStore {
 public:
  virtual ~IndexPageStore() = default;
  virtual uint32_t pageSize() const = 0;
  // Reads page `page` into `out` (pageSize() bytes).
  virtual Status readPage(uint32_t page, std::span<uint8_t> out) = 0;
  virtual Status writePage(uint32_t page, std::span<const uint8_t> bytes) = 0;
  // A new page for this index; its content is written before it is read.
  virtual Result<uint32_t> allocatePage() = 0;
  // The index no longer uses `page`.
  virtual Status freePage(uint32_t page) = 0;
};

// Pages held in memory; allocation appends after the highest page ever used.
class MemoryPageStore : public IndexPageStore {
 public:
  explicit MemoryPageStore(uint32_t pageSize, uint32_t firstFreePage = 1)
      : pageSize_(pageSize), nextPage_(firstFreePage) {}

  uint32_t pageSize() const override { return pageSize_; }
  Status readPage(uint32_t page, std::span<uint8_t> out) override;
  Status writePage(uint32_t page, std::span<const uint8_t> bytes) override;
  Result<uint32_t> allocatePage() override;
  Status freePage(uint32_t page) override;

  // Pages written and not freed.
  size_t livePageCount() const { return pages_.size(); }
  bool holds(uint32_t page) const { return pages_.count(page) != 0; }

 private:
  uint32_t pageSize_;
  uint32_t nextPage_;
  std::map<uint32_t, std::vector<uint8_t>> pages_;
};

}  // namespace jet::index
