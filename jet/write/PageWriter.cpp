#include "jet/write/PageWriter.h"

#include <algorithm>

#include "jet/Bytes.h"
#include "jet/write/UsageMapWriter.h"
#include "jet/write/WriteFormat.h"

namespace jet {

Result<PageBytes*> PageWriter::modify(uint32_t page) {
  if (page < statementPageCount_ && !before_.count(page)) {
    auto current = file_.read(page);
    if (!current.ok()) return current.status();
    before_.emplace(page, **current);
  }
  auto bytes = file_.modify(page);
  if (!bytes.ok()) return bytes.status();
  return bytes->get();
}

Result<uint32_t> PageWriter::allocate() {
  const uint32_t page = file_.appendPage();
  JET_RETURN_IF_ERROR(setGlobalBit(page, false));
  return page;
}

Status PageWriter::release(uint32_t page) {
  auto bytes = modify(page);
  if (!bytes.ok()) return bytes.status();
  // As Jackcess does: a freed page no longer looks like any structure.
  std::fill((*bytes)->begin(), (*bytes)->begin() + 4, uint8_t{0});
  return setGlobalBit(page, true);
}

Status PageWriter::setGlobalBit(uint32_t page, bool free) {
  auto map = UsageMapWriter::Load(*this, RowPointer{write_format::kGlobalMapPage, 0}, "the global page map");
  if (!map.ok()) return map.status();
  // Pages the map does not reach count as used: never grow it, never mark beyond it.
  return map->set(page, free, /*grow=*/false);
}

void PageWriter::writeLast(uint32_t page) {
  if (std::find(writeLast_.begin(), writeLast_.end(), page) == writeLast_.end()) writeLast_.push_back(page);
}

void PageWriter::beginStatement() {
  before_.clear();
  statementPageCount_ = file_.pageCount();
}

Status PageWriter::commitStatement(bool flush) {
  before_.clear();
  if (!flush) return Status::Ok();
  Status s = file_.flush(writeLast_);
  writeLast_.clear();
  return s;
}

void PageWriter::rollbackStatement() {
  forgetCaches();
  for (auto& [page, bytes] : before_) {
    auto dirty = file_.modify(page);
    if (dirty.ok()) **dirty = bytes;
  }
  before_.clear();
  file_.dropAppendedPages(statementPageCount_);
}

}  // namespace jet
