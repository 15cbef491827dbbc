#include "jet/write/TableDefStart.h"

#include <algorithm>
#include <iterator>

#include "jet/Bytes.h"
#include "jet/DatabaseHeader.h"
#include "jet/write/TableCreator.h"
#include "jet/write/WriteFormat.h"

namespace jet {

std::vector<uint8_t> StartTableDef(const JetFormat& format, const TableDefHeader& header) {
  const auto& t = format.tdef;
  std::vector<uint8_t> out(format.jet3 ? write_format::kJet3TdefHeaderSize : write_format::kTdefHeaderSize, 0);
  out[kPageTypeOffset] = static_cast<uint8_t>(PageType::kTableDef);
  out[1] = kPageMarker;
  if (format.jet3) {
    std::copy(std::begin(write_format::kJet3TdefMark), std::end(write_format::kJet3TdefMark),
              out.begin() + write_format::kTdefFreeSpaceOffset);
  } else {
    StoreU32(&out[write_format::kTdefMagicOffset], write_format::kTdefMagic);
    out[write_format::kTdefAutoNumberMarkerOffset] = 1;
  }
  StoreU32(&out[t.rowCount], header.rowCount);
  out[t.tableType] = header.tableType;
  StoreU16(&out[t.maxColumns], header.columnCount);
  StoreU16(&out[t.variableColumns], header.variableColumnCount);
  StoreU16(&out[t.columnCount], header.columnCount);
  StoreU32(&out[t.logicalIndexCount], header.logicalIndexCount);
  StoreU32(&out[t.realIndexCount], header.realIndexCount);
  StoreU32(&out[t.ownedPagesMap], header.ownedPages.packed());
  StoreU32(&out[t.freeSpaceMap], header.freeSpacePages.packed());
  return out;
}

void AppendColumnBlocks(std::vector<uint8_t>& out, const JetFormat& format, const DatabaseHeader& database,
                        const std::vector<NewColumn>& columns) {
  const auto& f = format.column;
  uint16_t fixedOffset = 0;
  uint16_t variableIndex = 0;
  for (size_t i = 0; i < columns.size(); ++i) {
    const NewColumn& c = columns[i];
    const auto number = static_cast<uint16_t>(i);
    std::vector<uint8_t> block(f.size, 0);
    block[f.type] = static_cast<uint8_t>(c.type);
    StoreU16(&block[f.number], number);
    StoreU16(&block[f.variableIndex], variableIndex);
    uint16_t length = 0;
    if (format.jet3) {
      StoreU16(&block[write_format::kJet3ColumnNumberAgainOffset], number);
      StoreU16(&block[write_format::kJet3ColumnOneOffset], 1);
      StoreU16(&block[f.sortOrder], database.sortOrder.lcid);
      StoreU16(&block[f.codePage], database.codePage);
      length = DefinitionLength(c.type, c.length);  // text: one byte a character
    } else {
      StoreU32(&block[write_format::kColumnMagicOffset], write_format::kTdefMagic);
      StoreU16(&block[write_format::kColumnNumberAgainOffset], number);
      if (c.type == ColumnType::kNumeric) {
        // A calculated decimal's values carry their own scale; its block keeps none.
        block[f.precision] = c.calculated() ? 0 : c.precision;
        block[f.scale] = c.calculated() ? 0 : c.scale;
      } else {
        // Access writes the database's sort order on every column; only text keeps its version.
        StoreU16(&block[f.sortOrder], database.sortOrder.lcid);
        block[f.sortOrder + 2] = database.sortOrder.sortId;
        const bool text = c.type == ColumnType::kText || c.type == ColumnType::kMemo;
        block[f.sortOrder + 3] = text ? database.sortOrder.version : 0;
      }
      if (c.type == ColumnType::kText) block[f.extFlags] = kColumnExtFlagCompressedUnicode;
      // Text counts two bytes a character here, whatever compression its values get.
      const auto bytes = static_cast<uint16_t>(c.type == ColumnType::kText ? c.length * 2 : c.length);
      length = DefinitionLength(c.type, bytes);
      if (c.calculated()) {
        // Access compresses no calculated text. Every value is wrapped (kCalculatedWrapperSize
        // more bytes): text is declared that much longer, every fixed-size or decimal result
        // as 39 bytes (the largest, a 16-byte decimal, wrapped); long values keep 0.
        block[f.extFlags] = kColumnExtFlagCalculated;
        if (c.type == ColumnType::kText || c.type == ColumnType::kBinary)
          length = static_cast<uint16_t>(length + kCalculatedWrapperSize);
        else if (!IsLongValueType(c.type))
          length = kCalculatedFixedLength;
      }
    }
    // A calculated value lives in the variable part of the row, whatever its type.
    const bool variable = c.calculated() || IsVariableType(c.type);
    block[f.flags] = variable ? kColumnFlagNullable : kColumnFlagFixed | kColumnFlagNullable;
    if (c.autoNumber == AutoNumber::kIncrement) block[f.flags] |= kColumnFlagAutoLong;
    if (c.autoNumber == AutoNumber::kReplicationId) block[f.flags] |= kColumnFlagAutoGuid;
    if (!variable && c.type != ColumnType::kBoolean) {
      StoreU16(&block[f.fixedOffset], fixedOffset);
      fixedOffset = static_cast<uint16_t>(fixedOffset + length);
    }
    StoreU16(&block[f.length], length);
    if (variable) ++variableIndex;
    out.insert(out.end(), block.begin(), block.end());
  }
}

}  // namespace jet
