#include "jet/Properties.h"

#include <cstring>

#include "jet/Bytes.h"
#include "jet/Catalog.h"
#include "jet/Text.h"
#include "jet/format/PropertyLayout.h"

namespace jet {
namespace {

using property::kBlockHeader;
using property::kNameListBlock;

Status Damaged(const std::string& what) { return Status(ErrorCode::kCorrupt, "properties damaged: " + what); }

// A name: int16 byte length, then the bytes. Advances `at`.
Result<std::string> ReadName(std::span<const uint8_t> block, size_t& at, bool jet3, uint16_t codePage) {
  if (block.size() - at < 2) return Damaged("name length cut off");
  const size_t length = LoadU16(block.data() + at);
  at += 2;
  if (block.size() - at < length) return Damaged("name runs past its block");
  const auto bytes = block.subspan(at, length);
  at += length;
  return jet3 ? DecodeCodePageText(bytes, codePage) : DecodeJet4Text(bytes);
}

}  // namespace

const Property* PropertyBlock::find(const std::string& name) const {
  for (const auto& p : values) {
    if (EqualsIgnoreCase(p.name, name)) return &p;
  }
  return nullptr;
}

Result<std::vector<PropertyBlock>> ParseProperties(std::span<const uint8_t> bytes, bool jet3, uint16_t codePage) {
  if (bytes.size() < property::kTagSize || (std::memcmp(bytes.data(), property::kJet4Tag, property::kTagSize) != 0 &&
                                            std::memcmp(bytes.data(), property::kJet3Tag, property::kTagSize) != 0)) {
    return Damaged("no MR2/KKD tag");
  }
  std::vector<std::string> names;
  std::vector<PropertyBlock> out;
  size_t at = property::kTagSize;
  while (at < bytes.size()) {
    if (bytes.size() - at < kBlockHeader) return Damaged("block header cut off at byte " + std::to_string(at));
    const uint32_t length = LoadU32(bytes.data() + at);
    const uint16_t type = LoadU16(bytes.data() + at + 4);
    if (length < kBlockHeader || length > bytes.size() - at) {
      return Damaged("block at byte " + std::to_string(at) + " claims " + std::to_string(length) + " bytes");
    }
    const auto block = bytes.subspan(at + kBlockHeader, length - kBlockHeader);
    at += length;
    size_t p = 0;
    if (type == kNameListBlock) {
      names.clear();
      while (p < block.size()) {
        JET_ASSIGN_OR_RETURN(auto name, ReadName(block, p, jet3, codePage));
        names.push_back(std::move(name));
      }
      continue;
    }
    PropertyBlock values;
    values.blockType = type;
    if (block.size() >= 4) {
      const uint32_t namePart = LoadU32(block.data());
      if (namePart < 4 || namePart > block.size()) return Damaged("object name part of a block is damaged");
      if (namePart > kBlockHeader) {
        size_t n = 4;
        JET_ASSIGN_OR_RETURN(auto name, ReadName(block.subspan(0, namePart), n, jet3, codePage));
        values.objectName = std::move(name);
      }
      p = namePart;
    }
    while (p < block.size()) {
      constexpr size_t kValueHeader = property::kValueHeader;
      if (block.size() - p < kValueHeader) return Damaged("value header cut off");
      const uint16_t valueLength = LoadU16(block.data() + p);
      const uint16_t nameIndex = LoadU16(block.data() + p + 4);
      const uint16_t dataSize = LoadU16(block.data() + p + 6);
      if (valueLength < kValueHeader || valueLength > block.size() - p || dataSize > valueLength - kValueHeader) {
        return Damaged("value of " + std::to_string(valueLength) + " bytes does not fit its block");
      }
      if (nameIndex >= names.size()) return Damaged("value names property " + std::to_string(nameIndex) + " of " +
                                                    std::to_string(names.size()));
      Property prop;
      prop.name = names[nameIndex];
      prop.flags = block[p + 2];
      prop.typeCode = block[p + 3];
      const auto data = block.subspan(p + kValueHeader, dataSize);
      prop.data.assign(data.begin(), data.end());
      values.values.push_back(std::move(prop));
      p += valueLength;
    }
    out.push_back(std::move(values));
  }
  return out;
}

void ApplyResultTypes(TableDef& table, const std::vector<PropertyBlock>& blocks) {
  for (auto& c : table.columns) {
    if (!c.calculated()) continue;
    for (const auto& block : blocks) {
      if (!EqualsIgnoreCase(block.objectName, c.name)) continue;
      const Property* result = block.find(property::kResultType);
      if (result && result->data.size() == 1) c.resultTypeCode = result->data[0];
    }
  }
}

void ApplyColumnProperties(TableDef& table, const std::vector<PropertyBlock>& blocks, bool jet3, uint16_t codePage) {
  ApplyResultTypes(table, blocks);
  for (auto& c : table.columns) {
    for (const auto& block : blocks) {
      if (block.blockType != property::kColumnBlock || !EqualsIgnoreCase(block.objectName, c.name)) continue;
      if (const Property* required = block.find(property::kRequired); required && !required->data.empty()) {
        c.required = required->data[0] != 0;
      }
      const Property* defaultValue = block.find(property::kDefaultValue);
      const auto type = defaultValue ? static_cast<ColumnType>(defaultValue->typeCode) : ColumnType::kBoolean;
      if (type == ColumnType::kText || type == ColumnType::kMemo) {
        c.defaultValue = jet3 ? DecodeCodePageText(defaultValue->data, codePage) : DecodeJet4Text(defaultValue->data);
      }
    }
  }
}

}  // namespace jet
