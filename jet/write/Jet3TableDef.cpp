#include "jet/write/Jet3TableDef.h"

#include <algorithm>

#include "jet/Bytes.h"
#include "jet/Text.h"
#include "jet/write/TableDefStart.h"
#include "jet/write/WriteFormat.h"

namespace jet {
namespace {

// Types an Access 97 table can have: Decimal, Large Number and the ACE types came later.
bool Jet3HasType(ColumnType type) {
  switch (type) {
    case ColumnType::kBoolean:
    case ColumnType::kByte:
    case ColumnType::kInteger:
    case ColumnType::kLong:
    case ColumnType::kCurrency:
    case ColumnType::kFloat:
    case ColumnType::kDouble:
    case ColumnType::kDateTime:
    case ColumnType::kBinary:
    case ColumnType::kText:
    case ColumnType::kOle:
    case ColumnType::kMemo:
    case ColumnType::kGuid: return true;
    default: return false;
  }
}


Status CheckName(const DatabaseHeader& header, const std::string& fileName, const std::string& what,
                 const std::string& name) {
  std::vector<uint8_t> bytes;
  const CodePageEncoding encoded = EncodeCodePageText(name, header.codePage, bytes);
  if (encoded.fault == CodePageEncoding::Fault::kUnmappable) {
    return Status(ErrorCode::kInvalidArgument, Where::File(fileName),
                  what + " " + name + ": the character " + DescribeCharacter(encoded.character) +
                      " cannot be stored in this Access 97 database, whose text is in "
                      "code page " +
                      std::to_string(header.codePage));
  }
  if (!encoded.ok()) {
    return Status(ErrorCode::kInvalidArgument, Where::File(fileName),
                  what + " " + name + ": the name cannot be written in this database's code page " +
                      std::to_string(header.codePage));
  }
  if (bytes.size() > 255) {
    return Status(ErrorCode::kInvalidArgument, Where::File(fileName), what + " " + name + ": the name is too long");
  }
  return Status::Ok();
}

}  // namespace

Status CheckJet3Table(const DatabaseHeader& header, const std::string& fileName, const std::string& name,
                      const std::vector<NewColumn>& columns) {
  JET_RETURN_IF_ERROR(CheckName(header, fileName, "table", name));
  if (columns.size() > 255) {
    return Status(
        ErrorCode::kInvalidArgument, Where::File(fileName),
        "table " + name + " has " + std::to_string(columns.size()) + " columns; an Access 97 table has at most 255");
  }
  for (const NewColumn& c : columns) {
    if (!Jet3HasType(c.type)) {
      const std::string type = c.type == ColumnType::kNumeric  ? "Decimal"
                               : c.type == ColumnType::kBigInt ? "Large Number"
                                                               : "type " + std::to_string(static_cast<int>(c.type));
      return Status(ErrorCode::kUnsupported, Where::File(fileName),
                    "table " + name + ", column " + c.name + ": Access 97 databases have no " + type +
                        " columns; nothing was written");
    }
    JET_RETURN_IF_ERROR(CheckName(header, fileName, "table " + name + ", column", c.name));
    // Their properties go in MSysObjects.LvProp, whose Access 97 form is not written yet.
    if (c.required || c.defaultValue) {
      return Status::Unsupported(Where::File(fileName),
                                 "table " + name + ", column " + c.name +
                                     ": NOT NULL and DEFAULT are not written to Access 97 databases by "
                                     "this engine yet; nothing was written");
    }
  }
  return Status::Ok();
}

Status RefuseJet3Indexes(const std::string& fileName, const std::string& table) {
  return Status::Unsupported(Where::File(fileName),
                             "table " + table +
                                 ": indexes and keys are not created in Access 97 databases by this "
                                 "engine yet; nothing was written");
}

std::vector<uint8_t> BuildJet3TableDef(const DatabaseHeader& header, const std::vector<NewColumn>& columns,
                                              RowPointer ownedMap, RowPointer freeMap,
                                              const std::vector<std::pair<RowPointer, RowPointer>>& longValueMaps) {
  const JetFormat& f = kJet3Format;
  TableDefHeader start{.tableType = kTableTypeUser,
                              .columnCount = static_cast<uint16_t>(columns.size()),
                              .ownedPages = ownedMap,
                              .freeSpacePages = freeMap};
  for (const auto& c : columns) start.variableColumnCount += IsVariableType(c.type);
  std::vector<uint8_t> out = StartTableDef(f, start);
  AppendColumnBlocks(out, f, header, columns);
  std::vector<uint8_t> name;
  for (const auto& c : columns) {
    (void)EncodeCodePageText(c.name, header.codePage, name);  // checked by CheckJet3Table
    out.push_back(static_cast<uint8_t>(name.size()));
    out.insert(out.end(), name.begin(), name.end());
  }
  AppendLongValueMapsAndEnd(out, f, columns, longValueMaps);
  return out;
}

void AppendLongValueMapsAndEnd(std::vector<uint8_t>& out, const JetFormat& f, const std::vector<NewColumn>& columns,
                               const std::vector<std::pair<RowPointer, RowPointer>>& longValueMaps) {
  size_t longIndex = 0;
  for (size_t i = 0; i < columns.size(); ++i) {
    if (!IsLongValueType(columns[i].type)) continue;
    AppendU16(out, static_cast<uint16_t>(i));
    AppendU32(out, longValueMaps[longIndex].first.packed());
    AppendU32(out, longValueMaps[longIndex].second.packed());
    ++longIndex;
  }
  AppendU16(out, write_format::kTdefEnd);
  StoreU32(&out[f.tdef.length], static_cast<uint32_t>(out.size()));
}

void SetTableDefSpace(PageBytes& page, const JetFormat& format, uint16_t freeBytes) {
  if (format.jet3) {
    std::copy(std::begin(write_format::kJet3TdefMark), std::end(write_format::kJet3TdefMark),
              page.begin() + write_format::kTdefFreeSpaceOffset);
  } else {
    StoreU16(&page[write_format::kTdefFreeSpaceOffset], freeBytes);
  }
}

}  // namespace jet
