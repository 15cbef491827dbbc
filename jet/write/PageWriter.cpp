#include "jet/write/PageWriter.h"

#include <algorithm>
#include <cassert>

#include "jet/Bytes.h"
#include "jet/format/JetFormat.h"
#include "jet/write/UsageMapWriter.h"
#include "jet/write/WriteFormat.h"

namespace jet {

PageWriter::PageWriter(PageFile& file) : file_(file) {}
PageWriter::~PageWriter() = default;

Result<PageBytes*> PageWriter::modify(uint32_t page) {
  // Outside a statement nothing would save the page for undo.
  assert(inStatement_ && "a page is changed only inside a statement");
  if (page < statementPageCount_ && (page >= savedIn_.size() || savedIn_[page] != statement_)) {
    JET_ASSIGN_OR_RETURN(auto current, file_.read(page));
    save(page, current->data(), 0, static_cast<uint32_t>(current->size()));
    if (page >= savedIn_.size()) savedIn_.resize(std::max<size_t>(page + 1, statementPageCount_), 0);
    savedIn_[page] = statement_;
  }
  JET_ASSIGN_OR_RETURN(auto bytes, file_.modify(page));
  return bytes.get();
}

Result<PageBytes*> PageWriter::modifyRanges(uint32_t page, std::initializer_list<ByteRange> ranges) {
  assert(inStatement_ && "a page is changed only inside a statement");
  JET_ASSIGN_OR_RETURN(auto bytes, file_.modify(page));
  PageBytes& current = *bytes;
  const bool wholeSaved = page >= statementPageCount_ || (page < savedIn_.size() && savedIn_[page] == statement_);
  if (!wholeSaved) {
    for (const ByteRange& range : ranges) {
      if (range.offset > current.size() || range.length > current.size() - range.offset) {
        return Status::Corrupt(Where::File(file_.fileName()),
                               "a change beyond the end of page " + std::to_string(page));
      }
      save(page, current.data() + range.offset, range.offset, range.length);
    }
  }
  return &current;
}

void PageWriter::save(uint32_t page, const uint8_t* from, uint32_t offset, uint32_t length) {
  if (saved_ == before_.size()) before_.emplace_back();
  SavedPage& entry = before_[saved_++];
  entry.page = page;
  entry.offset = offset;
  entry.bytes.assign(from, from + length);  // a kept buffer: no allocation once it had a page
}

namespace {

// 2147483648 -> "2,147,483,648".
std::string Grouped(uint64_t n) {
  std::string digits = std::to_string(n);
  for (size_t at = digits.size(); at > 3; at -= 3) digits.insert(at - 3, ",");
  return digits;
}

}  // namespace

Result<uint32_t> PageWriter::allocate() {
  JET_ASSIGN_OR_RETURN(auto free, takeFreePage());
  if (!free) return append();
  const uint32_t page = *free;
  assert(page > write_format::kGlobalMapPage && page < file_.pageCount() && !releasedByStatement_.contains(page) &&
         "a free page taken is one the file holds and the statement did not just give up");
  // Its old bytes are saved like those of any page the statement changes: an undo puts
  // them back, so that a refused statement leaves even the free pages as they were (in a
  // batch the undone page is written again at the commit, and must be the old one).
  if (page >= savedIn_.size()) savedIn_.resize(std::max<size_t>(page + 1, statementPageCount_), 0);
  if (savedIn_[page] != statement_) {
    JET_ASSIGN_OR_RETURN(auto current, file_.read(page));
    save(page, current->data(), 0, static_cast<uint32_t>(current->size()));
    savedIn_[page] = statement_;
  }
  JET_RETURN_IF_ERROR(setGlobalBit(page, false));
  // Nothing of its former structure shows through; nothing on disk refers to it, so it
  // goes out with the appended pages.
  file_.reuseFreePage(page);
  return page;
}

Result<uint32_t> PageWriter::append() {
  const uint64_t limit = maxFileBytes();
  if ((uint64_t{file_.pageCount()} + 1) * file_.pageSize() > limit) {
    return Status(ErrorCode::kTooLarge, Where::File(file_.fileName()),
                  "the database would grow past " + Grouped(limit) +
                      " bytes, the largest file Access opens; the statement was undone");
  }
  const uint32_t page = file_.appendPage();
  JET_RETURN_IF_ERROR(setGlobalBit(page, false));
  return page;
}

Result<std::optional<uint32_t>> PageWriter::takeFreePage() {
  // Pages 0 and 1 (header, global map) are never free, whatever a damaged map says.
  searchFrom_ = std::max<uint32_t>(searchFrom_, write_format::kGlobalMapPage + 1);
  if (!reuseFreePages_) searchFrom_ = file_.pageCount();
  while (searchFrom_ < file_.pageCount()) {
    auto map = usageMap(RowPointer{write_format::kGlobalMapPage, 0}, [] { return std::string("the global page map"); });
    // The map may mark pages beyond the end free: those are appended in turn.
    auto next = map.ok() ? (*map)->firstMemberFrom(searchFrom_, file_.pageCount()) : map.status();
    if (!next.ok()) {
      // A map that cannot be searched is not trusted with choosing pages: the file grows
      // as it did before pages were reused.
      reuseFreePages_ = false;
      break;
    }
    if (!*next) break;
    searchFrom_ = **next + 1;
    if (!releasedByStatement_.contains(**next)) return *next;
  }
  searchFrom_ = file_.pageCount();
  return std::optional<uint32_t>();
}

Status PageWriter::release(uint32_t page) {
  // Callers give each page back once (a page the file's own map already marks free, which
  // a damaged file can bring, is left as it is).
  assert(inStatement_ && !releasedByStatement_.contains(page) && "a page released twice");
  // A dropped table's pending count must not land on its freed definition page.
  std::erase_if(statementRowsAdded_, [page](const auto& entry) { return entry.first == page; });
  unflushedRowsAdded_.erase(page);
  // The page keeps its bytes, as Access and SQLite leave freed pages: only the global map
  // says it is free, and reuse zeroes it whole. Wiping its header (as Jackcess does) would
  // hold every page of a dropped table in memory and write it again, and a file only ever
  // reaches such pages through maps that no longer name them.
  releasedByStatement_.insert(page);
  return setGlobalBit(page, true);
}

Result<UsageMapWriter*> PageWriter::usageMap(RowPointer where, const std::function<std::string()>& what) {
  auto& kept = usageMaps_[where.packed()];
  if (!kept) {
    auto loaded = UsageMapWriter::Load(*this, where, what());
    if (!loaded.ok()) {
      usageMaps_.erase(where.packed());
      return loaded.status();
    }
    kept = std::make_unique<UsageMapWriter>(std::move(loaded.value()));
  }
  return kept.get();
}

void PageWriter::forgetCaches() {
  lastMembers_.clear();
  usageMaps_.clear();
}

Status PageWriter::setGlobalBit(uint32_t page, bool free) {
  JET_ASSIGN_OR_RETURN(auto map,
                       usageMap(RowPointer{write_format::kGlobalMapPage, 0}, [] { return std::string("the global page map"); }));
  // Pages the map does not reach count as used: it grows only to take a freed page (an
  // inline map becomes a reference map, as Access's own large files have it), and a page
  // beyond even that stays counted as used.
  Status s = map->set(page, free, /*grow=*/free);
  return s.code() == ErrorCode::kUnsupported ? Status::Ok() : s;
}

void PageWriter::writeLast(uint32_t page) {
  if (std::find(writeLast_.begin(), writeLast_.end(), page) == writeLast_.end()) writeLast_.push_back(page);
}

void PageWriter::beginStatement() {
  endStatement();
  if (++statement_ == 0) {  // the serial wrapped: no page may look saved
    std::fill(savedIn_.begin(), savedIn_.end(), 0);
    statement_ = 1;
  }
  statementPageCount_ = file_.pageCount();
  inStatement_ = true;
}

void PageWriter::endStatement() {
  inStatement_ = false;
  saved_ = 0;
  // A statement that changed many existing pages (a catalogue change) does not keep
  // their buffers for the rest of the session.
  constexpr size_t kKeptBuffers = 64;
  if (before_.size() > kKeptBuffers) before_.resize(kKeptBuffers);
}

void PageWriter::countRowsAdded(uint32_t tdefPage, uint32_t rows) {
  for (auto& [page, added] : statementRowsAdded_) {
    if (page == tdefPage) {
      added += rows;
      return;
    }
  }
  statementRowsAdded_.emplace_back(tdefPage, rows);
}

Status PageWriter::writeRowCounts() {
  const JetFormat& format = file_.format();
  for (const auto& [tdefPage, added] : unflushedRowsAdded_) {
    JET_ASSIGN_OR_RETURN(auto tdef, modify(tdefPage));
    uint8_t* count = tdef->data() + format.tdef.rowCount;
    StoreU32(count, LoadU32(count) + added);
  }
  unflushedRowsAdded_.clear();
  return Status::Ok();
}

Status PageWriter::commitStatement(bool flush) {
  // Tested first: clearing a set clears all its buckets, and a drop leaves many.
  if (!releasedByStatement_.empty()) {
    for (uint32_t page : releasedByStatement_) searchFrom_ = std::min(searchFrom_, page);
    releasedByStatement_ = {};
  }
  for (const auto& [tdefPage, added] : statementRowsAdded_) unflushedRowsAdded_[tdefPage] += added;
  statementRowsAdded_.clear();
  if (!flush) {
    endStatement();
    return Status::Ok();
  }
  // A failure from here on gives up every unflushed change (the caller discards them).
  Status s = writeRowCounts();  // the statement's last change
  endStatement();
  if (s.ok()) s = file_.flush(writeLast_);
  writeLast_.clear();
  return s;
}

void PageWriter::discardUnflushed() {
  // The releases are given up (their pages are used again); pages taken are free again.
  releasedByStatement_ = {};
  searchFrom_ = 0;
  statementRowsAdded_.clear();
  unflushedRowsAdded_.clear();
  writeLast_.clear();
}

void PageWriter::rollbackStatement() {
  searchFrom_ = 0;  // pages the statement took are free again
  releasedByStatement_ = {};  // and those it released belong to their owner again
  statementRowsAdded_.clear();
  forgetCaches();
  for (size_t k = saved_; k-- > 0;) {
    const SavedPage& entry = before_[k];
    auto dirty = file_.modify(entry.page);
    if (dirty.ok()) std::copy(entry.bytes.begin(), entry.bytes.end(), (*dirty)->begin() + entry.offset);
  }
  endStatement();
  file_.dropAppendedPages(statementPageCount_);
}

}  // namespace jet
