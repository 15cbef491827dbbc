#include "jet/index/IndexPage.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace jet::index {
namespace {

uint32_t Get32(std::span<const uint8_t> b, size_t at) {
  return uint32_t{b[at]} | uint32_t{b[at + 1]} << 8 | uint32_t{b[at + 2]} << 16 | uint32_t{b[at + 3]} << 24;
}
uint16_t Get16(std::span<const uint8_t> b, size_t at) { return static_cast<uint16_t>(b[at] | b[at + 1] << 8); }
void Put32(std::span<uint8_t> b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}
void Put16(std::span<uint8_t> b, size_t at, uint16_t v) {
  b[at] = static_cast<uint8_t>(v);
  b[at + 1] = static_cast<uint8_t>(v >> 8);
}

Status Corrupt(uint32_t page, const std::string& what) {
  return Status(ErrorCode::kCorrupt, "index page " + std::to_string(page) + ": " + what);
}

// Builds an entry from the shared prefix plus the bytes stored for it.
IndexEntry ParseEntry(std::span<const uint8_t> prefix, std::span<const uint8_t> rest, bool leaf) {
  std::vector<uint8_t> joined;
  std::span<const uint8_t> raw = rest;
  if (!prefix.empty()) {
    joined.reserve(prefix.size() + rest.size());
    joined.assign(prefix.begin(), prefix.end());
    joined.insert(joined.end(), rest.begin(), rest.end());
    raw = joined;
  }
  IndexEntry e;
  const size_t keyLen = raw.size() - (leaf ? 4 : 8);
  e.key.assign(raw.begin(), raw.begin() + keyLen);
  e.row.page = uint32_t{raw[keyLen]} << 16 | uint32_t{raw[keyLen + 1]} << 8 | raw[keyLen + 2];
  e.row.row = raw[keyLen + 3];
  if (!leaf) {
    e.child = uint32_t{raw[keyLen + 4]} << 24 | uint32_t{raw[keyLen + 5]} << 16 | uint32_t{raw[keyLen + 6]} << 8 |
              raw[keyLen + 7];
  }
  return e;
}

}  // namespace

Result<IndexPage> DecodeIndexPage(std::span<const uint8_t> bytes, const IndexPageLayout& layout, uint32_t pageNumber) {
  if (bytes.size() != layout.pageSize) return Corrupt(pageNumber, "wrong page size");
  IndexPage page;
  if (bytes[0] != kIndexNodePageType && bytes[0] != kIndexLeafPageType) {
    return Corrupt(pageNumber, "not an index page (type " + std::to_string(bytes[0]) + ")");
  }
  page.leaf = bytes[0] == kIndexLeafPageType;
  page.tdefPage = Get32(bytes, 4);
  page.prevPage = Get32(bytes, layout.prevOffset);
  page.nextPage = Get32(bytes, layout.nextOffset);
  page.tailPage = Get32(bytes, layout.tailOffset);
  page.prefixLength = layout.prefixWidth == 1 ? bytes[layout.prefixOffset] : Get16(bytes, layout.prefixOffset);
  page.nodeMarker = bytes[layout.nodeMarkerOffset];

  const size_t minEntry = page.leaf ? 4 : 8;
  const size_t room = layout.maxEntryBytes();
  std::span<const uint8_t> prefix;
  size_t start = 0;
  for (size_t bit = 0; bit < layout.maskSize * 8; ++bit) {
    if (!(bytes[layout.maskOffset + bit / 8] & (1u << (bit % 8)))) continue;
    if (bit > room) return Corrupt(pageNumber, "entries run past the end of the page");
    const std::span<const uint8_t> rest = bytes.subspan(layout.entriesOffset + start, bit - start);
    if (prefix.size() + rest.size() < minEntry) return Corrupt(pageNumber, "entry shorter than its row pointer");
    if (page.entries.empty()) {
      if (page.prefixLength > rest.size()) return Corrupt(pageNumber, "shared prefix longer than the first entry");
      prefix = rest.first(page.prefixLength);
      page.entries.push_back(ParseEntry({}, rest, page.leaf));
    } else {
      IndexEntry e = ParseEntry(prefix, rest, page.leaf);
      if (CompareEntries(page.entries.back(), e) >= 0) {
        return Corrupt(pageNumber, "entries out of order at entry " + std::to_string(page.entries.size() + 1));
      }
      page.entries.push_back(std::move(e));
    }
    start = bit;
  }
  if (page.entries.empty() && page.prefixLength != 0) return Corrupt(pageNumber, "shared prefix on an empty page");
  const size_t expectedFree = layout.pageSize - layout.entriesOffset - start;
  if (Get16(bytes, 2) != expectedFree) {
    return Corrupt(pageNumber, "free-space field " + std::to_string(Get16(bytes, 2)) + " disagrees with the entries (" +
                                   std::to_string(expectedFree) + ")");
  }
  return page;
}

size_t EncodedEntryBytes(const std::vector<IndexEntry>& entries, bool leaf, size_t prefixLength) {
  size_t total = 0;
  for (const IndexEntry& e : entries) total += e.storedSize(!leaf);
  if (!entries.empty()) total -= prefixLength * (entries.size() - 1);
  return total;
}

size_t CommonKeyPrefix(const std::vector<IndexEntry>& entries) {
  if (entries.empty()) return 0;
  const std::vector<uint8_t>& a = entries.front().key;
  const std::vector<uint8_t>& b = entries.back().key;
  size_t n = 0;
  while (n < a.size() && n < b.size() && a[n] == b[n]) ++n;
  return n;
}

Status EncodeIndexPage(const IndexPage& page, const IndexPageLayout& layout, std::span<uint8_t> out) {
  if (out.size() != layout.pageSize) return Status(ErrorCode::kInvalidArgument, "index page buffer has the wrong size");
  const bool node = !page.leaf;
  std::vector<uint8_t> data;
  std::vector<size_t> ends;
  std::vector<uint8_t> first;
  for (const IndexEntry& e : page.entries) {
    std::vector<uint8_t> raw;
    e.appendTo(raw, node);
    if (ends.empty()) {
      if (page.prefixLength > raw.size()) {
        return Status(ErrorCode::kInvalidArgument, "index page shared prefix is longer than its first entry");
      }
      first = raw;
      data = raw;
    } else {
      if (raw.size() < page.prefixLength || !std::equal(first.begin(), first.begin() + page.prefixLength, raw.begin())) {
        return Status(ErrorCode::kInvalidArgument, "index page entries do not share the declared prefix");
      }
      data.insert(data.end(), raw.begin() + page.prefixLength, raw.end());
    }
    ends.push_back(data.size());
  }
  if (page.entries.empty() && page.prefixLength != 0) {
    return Status(ErrorCode::kInvalidArgument, "empty index page cannot have a shared prefix");
  }
  if (page.prefixLength > layout.maxPrefix()) {
    return Status(ErrorCode::kInvalidArgument, "index page shared prefix is longer than its field holds");
  }
  if (data.size() > layout.maxEntryBytes()) {
    return Status(ErrorCode::kInvalidArgument, "index entries (" + std::to_string(data.size()) +
                                                   " bytes) do not fit on one page");
  }

  std::fill(out.begin(), out.end(), 0);
  out[0] = page.leaf ? kIndexLeafPageType : kIndexNodePageType;
  out[1] = 0x01;
  Put16(out, 2, static_cast<uint16_t>(layout.pageSize - layout.entriesOffset - data.size()));
  Put32(out, 4, page.tdefPage);
  Put32(out, layout.prevOffset, page.prevPage);
  Put32(out, layout.nextOffset, page.nextPage);
  Put32(out, layout.tailOffset, page.tailPage);
  if (layout.prefixWidth == 1) out[layout.prefixOffset] = static_cast<uint8_t>(page.prefixLength);
  else Put16(out, layout.prefixOffset, page.prefixLength);
  out[layout.nodeMarkerOffset] = page.nodeMarker;
  for (size_t end : ends) out[layout.maskOffset + end / 8] |= static_cast<uint8_t>(1u << (end % 8));
  if (!data.empty()) std::memcpy(out.data() + layout.entriesOffset, data.data(), data.size());
  return Status::Ok();
}

}  // namespace jet::index
