#include "jet/UsageMap.h"

#include "jet/Bytes.h"
#include "jet/DataPage.h"

namespace jet {

Result<UsageMap> UsageMap::Read(PageFile& file, RowPointer where, const std::string& what) {
  JET_ASSIGN_OR_RETURN(auto row, ReadRow(file, where, "the usage map of " + what));
  auto map = Parse(row.bytes(), file.format(), "usage map of " + what);
  if (!map.ok()) return map.status().Within(Where::File(file.fileName()));
  map->location_ = where;
  map->file_ = file.fileName();
  return map;
}

Result<UsageMap> UsageMap::Parse(std::span<const uint8_t> row, const JetFormat& format, const std::string& what) {
  if (row.empty()) return Status(ErrorCode::kCorrupt, what + " is empty");
  UsageMap map;
  map.what_ = what;
  if (row[0] == usage_map::kInline) {
    if (row.size() < usage_map::kInlineBitmap) return Status(ErrorCode::kCorrupt, what + " is truncated");
    map.kind_ = Kind::kInline;
    map.startPage_ = LoadU32(&row[usage_map::kInlineStartPage]);
    map.bitmap_.assign(row.begin() + usage_map::kInlineBitmap, row.end());
  } else if (row[0] == usage_map::kReference) {
    map.kind_ = Kind::kReference;
    for (size_t off = usage_map::kReferencePages; off + 4 <= row.size(); off += 4) {
      map.bitmapPages_.push_back(LoadU32(&row[off]));
    }
  } else {
    return Status(ErrorCode::kCorrupt, what + " has unknown kind " + std::to_string(row[0]));
  }
  (void)format;
  return map;
}

Result<std::optional<uint32_t>> UsageMap::next(PageFile& file, uint32_t& cursor) const {
  if (kind_ == Kind::kInline) {
    const uint64_t bits = bitmap_.size() * 8ull;
    for (uint64_t i = cursor; i < bits; ++i) {
      if (bitmap_[i / 8] & (1u << (i % 8))) {
        cursor = static_cast<uint32_t>(i + 1);
        return std::optional<uint32_t>(startPage_ + static_cast<uint32_t>(i));
      }
      // Skip whole empty bytes quickly.
      if (i % 8 == 0 && bitmap_[i / 8] == 0) i += 7;
    }
    cursor = static_cast<uint32_t>(bits);
    return std::optional<uint32_t>();
  }
  const uint32_t perPage = file.format().pagesPerBitmapPage();
  const uint64_t bits = static_cast<uint64_t>(bitmapPages_.size()) * perPage;
  uint64_t i = cursor;
  while (i < bits) {
    const size_t k = static_cast<size_t>(i / perPage);
    if (bitmapPages_[k] == 0) {
      i = static_cast<uint64_t>(k + 1) * perPage;
      continue;
    }
    JET_ASSIGN_OR_RETURN(auto page, file.readTyped(bitmapPages_[k], PageType::kUsageBitmap, place().text()));
    const uint8_t* bitmap = page->data() + JetFormat::kBitmapPageHeader;
    for (uint64_t end = static_cast<uint64_t>(k + 1) * perPage; i < end; ++i) {
      const uint32_t bit = static_cast<uint32_t>(i - static_cast<uint64_t>(k) * perPage);
      if (bit % 8 == 0 && bitmap[bit / 8] == 0) {
        i += 7;
        continue;
      }
      if (bitmap[bit / 8] & (1u << (bit % 8))) {
        cursor = static_cast<uint32_t>(i + 1);
        return std::optional<uint32_t>(static_cast<uint32_t>(i));
      }
    }
  }
  cursor = static_cast<uint32_t>(bits > 0xFFFFFFFFull ? 0xFFFFFFFFull : bits);
  return std::optional<uint32_t>();
}

Result<bool> UsageMap::contains(PageFile& file, uint32_t page) const {
  if (kind_ == Kind::kInline) {
    if (page < startPage_) return false;
    const uint64_t i = page - startPage_;
    return i < bitmap_.size() * 8ull && (bitmap_[i / 8] & (1u << (i % 8)));
  }
  const uint32_t perPage = file.format().pagesPerBitmapPage();
  const size_t k = page / perPage;
  if (k >= bitmapPages_.size() || bitmapPages_[k] == 0) return false;
  JET_ASSIGN_OR_RETURN(auto bitmapPage, file.readTyped(bitmapPages_[k], PageType::kUsageBitmap, place().text()));
  const uint32_t bit = page % perPage;
  return ((*bitmapPage)[JetFormat::kBitmapPageHeader + bit / 8] & (1u << (bit % 8))) != 0;
}

Status UsageMap::set(PageFile& file, uint32_t page, bool member) {
  if (kind_ == Kind::kInline) {
    const uint64_t i = page >= startPage_ ? page - startPage_ : ~0ull;
    if (i >= bitmap_.size() * 8ull) {
      if (!member) return Status::Ok();
      return Status::Unsupported(
          place(), "page " + std::to_string(page) + " lies outside the inline map; it must become a reference map");
    }
    if (member) {
      bitmap_[i / 8] |= static_cast<uint8_t>(1u << (i % 8));
    } else {
      bitmap_[i / 8] &= static_cast<uint8_t>(~(1u << (i % 8)));
    }
    return Status::Ok();
  }
  const uint32_t perPage = file.format().pagesPerBitmapPage();
  const size_t k = page / perPage;
  if (k >= bitmapPages_.size() || bitmapPages_[k] == 0) {
    if (!member) return Status::Ok();
    return Status::Unsupported(place(),
                               "page " + std::to_string(page) + " needs a new bitmap page in the reference map");
  }
  JET_ASSIGN_OR_RETURN(auto bitmapPage, file.modify(bitmapPages_[k]));
  const uint32_t bit = page % perPage;
  uint8_t& byte = (*bitmapPage)[JetFormat::kBitmapPageHeader + bit / 8];
  byte = member ? static_cast<uint8_t>(byte | 1u << (bit % 8)) : static_cast<uint8_t>(byte & ~(1u << (bit % 8)));
  return Status::Ok();
}

std::vector<uint8_t> UsageMap::encodeInlineRow() const {
  std::vector<uint8_t> row(usage_map::kInlineBitmap + bitmap_.size());
  row[0] = usage_map::kInline;
  StoreU32(&row[usage_map::kInlineStartPage], startPage_);
  std::copy(bitmap_.begin(), bitmap_.end(), row.begin() + usage_map::kInlineBitmap);
  return row;
}

}  // namespace jet
