// Memo and OLE values ("long values"). The row holds a 12-byte reference: length
// with flags, row pointer, unused. The data lies inline after the reference, in one
// LVAL row, or in a chain of LVAL rows each starting with the next row's pointer.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "jet/PageFile.h"
#include "jet/Status.h"

namespace jet {

// Reads the whole value `field` (the column's bytes in the row) refers to.
// `context` names file, table and column for errors. Refuses loops in chains and
// lengths the data does not back.
Result<std::vector<uint8_t>> ReadLongValue(PageFile& file, std::span<const uint8_t> field, const Where& context);

// The same value without a copy where it lies in one piece (inline, or one LVAL row):
// `bytes` then points into the row or into `page`, which keeps that page alive; a chain
// is gathered into `chain`. Same checks and errors as ReadLongValue.
struct LongValueBytes {
  std::span<const uint8_t> bytes;
  PageRef page;
  std::vector<uint8_t> chain;
};
Result<LongValueBytes> ReadLongValueBytes(PageFile& file, std::span<const uint8_t> field, const Where& context);

// Builds the reference for an inline value (<= JetFormat::kMaxInlineLongValue bytes),
// data included: the writer's encoder side for short memos.
std::vector<uint8_t> EncodeInlineLongValue(std::span<const uint8_t> data);

}  // namespace jet
