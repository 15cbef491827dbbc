#include "jet/LongValue.h"

#include <unordered_set>

#include "jet/Bytes.h"
#include "jet/DataPage.h"
#include "jet/format/JetFormat.h"

namespace jet {

Result<std::vector<uint8_t>> ReadLongValue(PageFile& file, std::span<const uint8_t> field, const Where& context) {
  JET_ASSIGN_OR_RETURN(auto value, ReadLongValueBytes(file, field, context));
  if (value.bytes.data() == value.chain.data()) return std::move(value.chain);  // a chain, gathered already
  return std::vector<uint8_t>(value.bytes.begin(), value.bytes.end());
}

Result<LongValueBytes> ReadLongValueBytes(PageFile& file, std::span<const uint8_t> field, const Where& context) {
  if (field.size() < JetFormat::kLongValueReferenceSize) {
    return Status::Corrupt(context, "long-value reference is truncated");
  }
  const uint32_t header = LoadU32(field.data());
  const uint32_t length = header & long_value::kLengthMask;
  const RowPointer first = RowPointer::FromPacked(LoadU32(field.data() + long_value::kRowPointerOffset));
  auto tooLong = [&](const std::string& where) {
    return Status::Corrupt(context, "long value claims " + std::to_string(length) +
                                        " bytes but " + where);
  };

  if (header & long_value::kFlagInline) {
    if (field.size() - JetFormat::kLongValueReferenceSize < length) return tooLong("the row holds fewer");
    return LongValueBytes{field.subspan(JetFormat::kLongValueReferenceSize, length), nullptr, {}};
  }
  if (header & long_value::kFlagSingleRow) {
    JET_ASSIGN_OR_RETURN(auto row, ReadRow(file, first, context.text()));
    const auto bytes = row.bytes();
    if (bytes.size() < length) return tooLong("its row holds " + std::to_string(bytes.size()));
    return LongValueBytes{bytes.first(length), std::move(row.page), {}};
  }
  // Chain: never trust `length` for the allocation; grow with the data actually read.
  std::vector<uint8_t> out;
  out.reserve(std::min<uint32_t>(length, 1u << 20));
  std::unordered_set<uint32_t> seen;
  RowPointer at = first;
  while (out.size() < length) {
    if (at.null()) return tooLong("its chain ends after " + std::to_string(out.size()));
    if (!seen.insert(at.packed()).second) {
      return Status::Corrupt(context, "long-value chain loops back to page " +
                                          std::to_string(at.page) + " row " + std::to_string(at.slot));
    }
    JET_ASSIGN_OR_RETURN(auto row, ReadRow(file, at, context.text()));
    const auto bytes = row.bytes();
    if (bytes.size() < long_value::kChainHeader) {
      return Status::Corrupt(context, "long-value chain row is truncated");
    }
    at = RowPointer::FromPacked(LoadU32(bytes.data()));
    const size_t take = std::min<size_t>(bytes.size() - long_value::kChainHeader, length - out.size());
    out.insert(out.end(), bytes.begin() + long_value::kChainHeader, bytes.begin() + long_value::kChainHeader + take);
  }
  LongValueBytes value;
  value.chain = std::move(out);
  value.bytes = value.chain;
  return value;
}

std::vector<uint8_t> EncodeInlineLongValue(std::span<const uint8_t> data) {
  std::vector<uint8_t> out(JetFormat::kLongValueReferenceSize, 0);
  StoreU32(out.data(), static_cast<uint32_t>(data.size()) | long_value::kFlagInline);
  out.insert(out.end(), data.begin(), data.end());
  return out;
}

}  // namespace jet
