#include "jet/PropertyWriter.h"

#include <algorithm>

#include "jet/Bytes.h"
#include "jet/Catalog.h"
#include "jet/Text.h"
#include "jet/format/ColumnTypes.h"
#include "jet/format/PropertyLayout.h"

namespace jet {
namespace {



std::vector<uint8_t> Utf16Bytes(const std::string& utf8) {
  std::vector<uint8_t> out;
  for (char16_t unit : Utf8ToUtf16(utf8)) AppendU16(out, static_cast<uint16_t>(unit));
  return out;
}

// A block: its header, then `body`.
void AppendBlock(std::vector<uint8_t>& out, uint16_t type, const std::vector<uint8_t>& body) {
  AppendU32(out, static_cast<uint32_t>(property::kBlockHeader + body.size()));
  AppendU16(out, type);
  out.insert(out.end(), body.begin(), body.end());
}

}  // namespace

std::vector<uint8_t> BuildProperties(const std::vector<PropertyBlock>& blocks) {
  // Names compare as Access compares them: without regard to case.
  std::vector<std::string> names;
  auto indexOf = [&](const std::string& name) {
    for (size_t k = 0; k < names.size(); ++k)
      if (EqualsIgnoreCase(names[k], name)) return k;
    names.push_back(name);
    return names.size() - 1;
  };
  std::vector<std::vector<uint8_t>> bodies;
  for (const PropertyBlock& block : blocks) {
    std::vector<uint8_t> body;
    const std::vector<uint8_t> objectName = Utf16Bytes(block.objectName);
    AppendU32(body, static_cast<uint32_t>(4 + 2 + objectName.size()));
    AppendU16(body, static_cast<uint16_t>(objectName.size()));
    body.insert(body.end(), objectName.begin(), objectName.end());
    for (const Property& value : block.values) {
      AppendU16(body, static_cast<uint16_t>(property::kValueHeader + value.data.size()));
      body.push_back(value.flags);
      body.push_back(value.typeCode);
      AppendU16(body, static_cast<uint16_t>(indexOf(value.name)));
      AppendU16(body, static_cast<uint16_t>(value.data.size()));
      body.insert(body.end(), value.data.begin(), value.data.end());
    }
    bodies.push_back(std::move(body));
  }
  std::vector<uint8_t> nameList;
  for (const std::string& name : names) {
    const std::vector<uint8_t> bytes = Utf16Bytes(name);
    AppendU16(nameList, static_cast<uint16_t>(bytes.size()));
    nameList.insert(nameList.end(), bytes.begin(), bytes.end());
  }
  std::vector<uint8_t> out(property::kJet4Tag, property::kJet4Tag + property::kTagSize);
  AppendBlock(out, property::kNameListBlock, nameList);
  for (size_t k = 0; k < blocks.size(); ++k) AppendBlock(out, blocks[k].blockType, bodies[k]);
  return out;
}

Property YesNoProperty(const std::string& name, bool value, uint8_t flags) {
  return Property{name, static_cast<uint8_t>(ColumnType::kBoolean), {static_cast<uint8_t>(value ? 1 : 0)}, flags};
}

Property MemoProperty(const std::string& name, const std::string& utf8, uint8_t flags) {
  return Property{name, static_cast<uint8_t>(ColumnType::kMemo), Utf16Bytes(utf8), flags};
}

}  // namespace jet
