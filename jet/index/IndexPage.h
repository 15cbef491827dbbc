// Index page codec: one index page (node or leaf) as entries, and back. Entries after
// the first leave out the shared prefix (the first `prefixLength` bytes they have in
// common with the first entry). Encoding writes every header field from the struct and
// zeroes the bytes after the entries, so a decoded Access page encodes to the same bytes
// up to the end of its entries (Access leaves stale bytes after them).
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "jet/Status.h"
#include "jet/index/IndexEntry.h"
#include "jet/index/IndexPageFormat.h"

namespace jet::index {

struct IndexPage {
  bool leaf = true;
  uint32_t tdefPage = 0;   // table the index belongs to
  uint32_t prevPage = 0;   // neighbours on the same level (0 = none)
  uint32_t nextPage = 0;
  uint32_t tailPage = 0;   // node pages: last child, which has no entry here (0 = none)
  uint16_t prefixLength = 0;
  uint8_t nodeMarker = 0;  // tree level: Access writes 1 on node pages, 0 on leaves
  std::vector<IndexEntry> entries;
};

// Decodes `bytes` (one whole page). Damage (wrong type, entries out of order or
// overrunning the page, a free-space field that disagrees) gives ErrorCode::kCorrupt
// naming `pageNumber`.
Result<IndexPage> DecodeIndexPage(std::span<const uint8_t> bytes, const IndexPageLayout& layout, uint32_t pageNumber);

// Encodes `page` into `out` (one whole page). Fails if the entries do not fit or do
// not all share the first entry's first `prefixLength` bytes.
Status EncodeIndexPage(const IndexPage& page, const IndexPageLayout& layout, std::span<uint8_t> out);

// Bytes the entries take on the page with the given shared-prefix length.
size_t EncodedEntryBytes(const std::vector<IndexEntry>& entries, bool leaf, size_t prefixLength);

// Longest prefix of key bytes shared by all entries (they are sorted, so the first and
// the last decide).
size_t CommonKeyPrefix(const std::vector<IndexEntry>& entries);

}  // namespace jet::index
