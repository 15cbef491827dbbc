#include "jet/write/UsageMapWriter.h"

#include <algorithm>
#include <bit>
#include <cassert>

#include "jet/Bytes.h"
#include "jet/DataPage.h"
#include "jet/format/JetFormat.h"
#include "jet/write/WriteFormat.h"

namespace jet {

Result<UsageMapWriter> UsageMapWriter::Load(PageWriter& writer, RowPointer where, std::string what) {
  JET_ASSIGN_OR_RETURN(auto row, ReadRow(writer.file(), where, "the usage map of " + what));
  if (row.slot.length() < usage_map::kInlineBitmap) {
    return Status::Corrupt(Where::File(writer.file().fileName()), "usage map of " + what + " is truncated");
  }
  return UsageMapWriter(writer, where, std::move(what), row.slot.start, row.slot.length());
}

Status UsageMapWriter::corrupt(const std::string& why) const {
  return Status::Corrupt(Where::File(writer_->file().fileName()), "usage map of " + what_ + " " + why);
}

Result<uint8_t*> UsageMapWriter::row() {
  // Only the map's own row changes: undo keeps those bytes, not the whole page.
  JET_ASSIGN_OR_RETURN(auto page, writer_->modifyRanges(where_.page, {{start_, length_}}));
  return page->data() + start_;
}

bool UsageMapWriter::global() const { return where_.page == write_format::kGlobalMapPage && where_.slot == 0; }

#ifndef NDEBUG
namespace {

// Whether the global map marks `page` free; a map that cannot be read says no (its damage
// is reported where it is used, not here).
bool FreeInGlobalMap(PageWriter& writer, uint32_t page) {
  auto map = writer.usageMap(RowPointer{write_format::kGlobalMapPage, 0}, [] { return std::string("the global page map"); });
  if (!map.ok()) return false;
  auto free = (*map)->contains(page);
  return free.ok() && *free;
}

}  // namespace
#endif

Status UsageMapWriter::set(uint32_t page, bool member, bool grow) {
  // Pages are taken (cleared in the global map, added to an owner's) only once the file
  // holds them; a map may still name pages past the end, and those may be released.
  assert(((global() ? member : !member) || page < writer_->file().pageCount()) &&
         "a page joins a map before the file holds it");
#ifndef NDEBUG
  // A page joins its owner only after allocate() took it out of the free pages (a page
  // the owner held already may be marked free by a damaged file: not checked).
  auto held = global() || !member ? Result<bool>(true) : contains(page);
  const bool joins = held.ok() && !*held;
#endif
  bool applied = false;
  JET_RETURN_IF_ERROR(setBit(page, member, grow, &applied));
  assert(!(joins && FreeInGlobalMap(*writer_, page)) && "a page both owned and free");
  auto& cache = writer_->lastMembers();
  if (auto it = cache.find(where_.packed()); applied && it != cache.end()) {
    if (member && (!it->second || *it->second < page)) {
      it->second = page;
    } else if (!member && it->second == page) {
      cache.erase(it);  // the next highest is found by a scan when asked for
    }
  }
  return Status::Ok();
}

Status UsageMapWriter::setBit(uint32_t page, bool member, bool grow, bool* applied) {
  JET_ASSIGN_OR_RETURN(auto r, row());
  uint8_t* bytes = r;
  if (bytes[0] == usage_map::kInline) {
    const uint32_t first = LoadU32(bytes + usage_map::kInlineStartPage);
    const uint64_t bits = static_cast<uint64_t>(length_ - usage_map::kInlineBitmap) * 8;
    const uint64_t i = page >= first ? page - first : ~0ull;
    if (i >= bits) {
      if (!member || !grow) return Status::Ok();
      JET_RETURN_IF_ERROR(promote());
      return setBit(page, member, grow, applied);
    }
    uint8_t& b = bytes[usage_map::kInlineBitmap + i / 8];
    b = member ? static_cast<uint8_t>(b | 1u << (i % 8)) : static_cast<uint8_t>(b & ~(1u << (i % 8)));
    if (applied) *applied = true;
    return Status::Ok();
  }
  if (bytes[0] != usage_map::kReference) return corrupt("has unknown kind " + std::to_string(bytes[0]));
  const uint32_t perPage = writer_->format().pagesPerBitmapPage();
  const uint32_t k = page / perPage;
  const uint32_t pointers = (length_ - usage_map::kReferencePages) / 4;
  if (k >= pointers) {
    if (!member || !grow) return Status::Ok();
    return Status::Unsupported(Where::File(writer_->file().fileName()),
                               "usage map of " + what_ + " cannot reach page " + std::to_string(page));
  }
  uint32_t bitmapPage = LoadU32(bytes + usage_map::kReferencePages + 4 * k);
  if (bitmapPage == 0) {
    if (!member || !grow) return Status::Ok();
    // The global map's own bitmap pages are appended: taking a free page would read the
    // map while it is being rebuilt.
    JET_ASSIGN_OR_RETURN(auto fresh, global() ? writer_->append() : writer_->allocate());
    bitmapPage = fresh;
    JET_ASSIGN_OR_RETURN(auto p, writer_->modify(bitmapPage));
    (*p)[0] = static_cast<uint8_t>(PageType::kUsageBitmap);
    (*p)[1] = kPageMarker;
    // allocate() may have touched the same map page.
    JET_ASSIGN_OR_RETURN(uint8_t* again, row());
    StoreU32(again + usage_map::kReferencePages + 4 * k, bitmapPage);
  }
  const uint32_t bit = page % perPage;
  const uint32_t at = JetFormat::kBitmapPageHeader + bit / 8;
  // One byte of the bitmap page changes, and only it is kept for undo.
  JET_ASSIGN_OR_RETURN(auto p, writer_->modifyRanges(bitmapPage, {{at, 1}}));
  if ((*p)[0] != static_cast<uint8_t>(PageType::kUsageBitmap)) return corrupt("points to a page that is no bitmap");
  uint8_t& b = (*p)[at];
  b = member ? static_cast<uint8_t>(b | 1u << (bit % 8)) : static_cast<uint8_t>(b & ~(1u << (bit % 8)));
  if (applied) *applied = true;
  return Status::Ok();
}

Status UsageMapWriter::promote() {
  JET_ASSIGN_OR_RETURN(auto current, members());
  JET_ASSIGN_OR_RETURN(auto r, row());
  std::fill(r, r + length_, uint8_t{0});
  (r)[0] = usage_map::kReference;
  for (uint32_t page : current) JET_RETURN_IF_ERROR(setBit(page, true, true, nullptr));
  return Status::Ok();
}

Result<std::vector<uint32_t>> UsageMapWriter::members() {
  std::vector<uint32_t> out;
  JET_ASSIGN_OR_RETURN(auto page, writer_->file().read(where_.page));
  const uint8_t* bytes = page->data() + start_;
  if (bytes[0] == usage_map::kInline) {
    const uint32_t first = LoadU32(bytes + usage_map::kInlineStartPage);
    for (uint32_t i = 0; i < (length_ - usage_map::kInlineBitmap) * 8u; ++i) {
      if (bytes[usage_map::kInlineBitmap + i / 8] & (1u << (i % 8))) out.push_back(first + i);
    }
    return out;
  }
  if (bytes[0] != usage_map::kReference) return corrupt("has unknown kind " + std::to_string(bytes[0]));
  const uint32_t perPage = writer_->format().pagesPerBitmapPage();
  const uint32_t pointers = (length_ - usage_map::kReferencePages) / 4;
  std::vector<uint32_t> bitmapPages;
  for (uint32_t k = 0; k < pointers; ++k) bitmapPages.push_back(LoadU32(bytes + usage_map::kReferencePages + 4 * k));
  for (uint32_t k = 0; k < pointers; ++k) {
    if (bitmapPages[k] == 0) continue;
    JET_ASSIGN_OR_RETURN(auto p, writer_->file().readTyped(bitmapPages[k], PageType::kUsageBitmap, "the usage map of " + what_));
    const uint8_t* bitmap = p->data() + JetFormat::kBitmapPageHeader;
    for (uint32_t bit = 0; bit < perPage; bit += 8) {
      const uint8_t b = bitmap[bit / 8];
      if (b == 0) continue;
      for (uint32_t j = 0; j < 8; ++j) {
        if (b & (1u << j)) out.push_back(k * perPage + bit + j);
      }
    }
  }
  return out;
}

namespace {

// The first set bit of `bitmap` from bit `from` on, below `bits`.
std::optional<uint32_t> FirstSetBit(const uint8_t* bitmap, uint32_t from, uint32_t bits) {
  for (uint32_t i = from; i < bits;) {
    const uint8_t b = static_cast<uint8_t>(bitmap[i / 8] >> (i % 8));
    if (b == 0) {
      i = (i / 8 + 1) * 8;
      continue;
    }
    const uint32_t at = i + static_cast<uint32_t>(std::countr_zero(b));
    if (at < bits) return at;
    break;
  }
  return std::nullopt;
}

}  // namespace

Result<std::optional<uint32_t>> UsageMapWriter::firstMemberFrom(uint32_t from, uint32_t below) {
  JET_ASSIGN_OR_RETURN(auto page, writer_->file().read(where_.page));
  const uint8_t* bytes = page->data() + start_;
  std::optional<uint32_t> found;
  if (bytes[0] == usage_map::kInline) {
    const uint32_t first = LoadU32(bytes + usage_map::kInlineStartPage);
    const uint32_t bits = (length_ - usage_map::kInlineBitmap) * 8u;
    const uint32_t i = from > first ? from - first : 0;
    if (i < bits) {
      if (auto at = FirstSetBit(bytes + usage_map::kInlineBitmap, i, bits)) found = first + *at;
    }
  } else if (bytes[0] == usage_map::kReference) {
    const uint32_t perPage = writer_->format().pagesPerBitmapPage();
    const uint32_t pointers = (length_ - usage_map::kReferencePages) / 4;
    // Bitmap pages that would cover only pages from `below` on are not looked at (Access-made
    // maps may hold stray pointers there).
    for (uint32_t k = from / perPage; k < pointers && !found && uint64_t{k} * perPage < below; ++k) {
      const uint32_t bitmapPage = LoadU32(bytes + usage_map::kReferencePages + 4 * k);
      if (bitmapPage == 0) continue;
      JET_ASSIGN_OR_RETURN(auto p, writer_->file().readTyped(bitmapPage, PageType::kUsageBitmap, "the usage map of " + what_));
      const uint32_t i = k == from / perPage ? from % perPage : 0;
      if (auto at = FirstSetBit(p->data() + JetFormat::kBitmapPageHeader, i, perPage)) found = k * perPage + *at;
    }
  } else {
    return corrupt("has unknown kind " + std::to_string(bytes[0]));
  }
  return found && *found < below ? found : std::optional<uint32_t>();
}

Result<bool> UsageMapWriter::contains(uint32_t page) {
  JET_ASSIGN_OR_RETURN(auto rowPage, writer_->file().read(where_.page));
  const uint8_t* bytes = rowPage->data() + start_;
  if (bytes[0] == usage_map::kInline) {
    const uint32_t first = LoadU32(bytes + usage_map::kInlineStartPage);
    const uint64_t i = page >= first ? page - first : ~0ull;
    if (i >= static_cast<uint64_t>(length_ - usage_map::kInlineBitmap) * 8) return false;
    return (bytes[usage_map::kInlineBitmap + i / 8] & (1u << (i % 8))) != 0;
  }
  if (bytes[0] != usage_map::kReference) return corrupt("has unknown kind " + std::to_string(bytes[0]));
  const uint32_t perPage = writer_->format().pagesPerBitmapPage();
  const uint32_t k = page / perPage;
  if (k >= (length_ - usage_map::kReferencePages) / 4u) return false;
  const uint32_t bitmapPage = LoadU32(bytes + usage_map::kReferencePages + 4 * k);
  if (bitmapPage == 0) return false;
  JET_ASSIGN_OR_RETURN(auto p, writer_->file().readTyped(bitmapPage, PageType::kUsageBitmap, "the usage map of " + what_));
  const uint32_t bit = page % perPage;
  return ((*p)[JetFormat::kBitmapPageHeader + bit / 8] & (1u << (bit % 8))) != 0;
}

Result<std::optional<uint32_t>> UsageMapWriter::lastMember() {
  auto& cache = writer_->lastMembers();
  if (auto it = cache.find(where_.packed()); it != cache.end()) return it->second;
  auto last = scanLastMember();
  if (last.ok()) cache[where_.packed()] = *last;
  return last;
}

Result<std::optional<uint32_t>> UsageMapWriter::scanLastMember() {
  // From the end backwards: tables fill their maps densely.
  JET_ASSIGN_OR_RETURN(auto page, writer_->file().read(where_.page));
  const uint8_t* bytes = page->data() + start_;
  auto highestBit = [](uint8_t b) { return 7 - std::countl_zero(b); };
  if (bytes[0] == usage_map::kInline) {
    const uint32_t first = LoadU32(bytes + usage_map::kInlineStartPage);
    for (uint32_t i = length_ - usage_map::kInlineBitmap; i-- > 0;) {
      if (const uint8_t b = bytes[usage_map::kInlineBitmap + i]) {
        return std::optional<uint32_t>(first + i * 8 + static_cast<uint32_t>(highestBit(b)));
      }
    }
    return std::optional<uint32_t>();
  }
  if (bytes[0] != usage_map::kReference) return corrupt("has unknown kind " + std::to_string(bytes[0]));
  const uint32_t perPage = writer_->format().pagesPerBitmapPage();
  for (uint32_t k = (length_ - usage_map::kReferencePages) / 4; k-- > 0;) {
    const uint32_t bitmapPage = LoadU32(bytes + usage_map::kReferencePages + 4 * k);
    if (bitmapPage == 0) continue;
    JET_ASSIGN_OR_RETURN(auto p, writer_->file().readTyped(bitmapPage, PageType::kUsageBitmap, "the usage map of " + what_));
    const uint8_t* bitmap = p->data() + JetFormat::kBitmapPageHeader;
    for (uint32_t i = perPage / 8; i-- > 0;) {
      if (bitmap[i]) return std::optional<uint32_t>(k * perPage + i * 8 + static_cast<uint32_t>(highestBit(bitmap[i])));
    }
  }
  return std::optional<uint32_t>();
}

Result<std::vector<uint32_t>> UsageMapWriter::bitmapPages() {
  std::vector<uint32_t> out;
  JET_ASSIGN_OR_RETURN(auto page, writer_->file().read(where_.page));
  const uint8_t* bytes = page->data() + start_;
  if (bytes[0] != usage_map::kReference) return out;
  for (uint32_t off = usage_map::kReferencePages; off + 4 <= length_; off += 4) {
    if (const uint32_t p = LoadU32(bytes + off)) out.push_back(p);
  }
  return out;
}

}  // namespace jet
