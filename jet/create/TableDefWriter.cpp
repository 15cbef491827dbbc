#include "jet/create/TableDefWriter.h"

#include <algorithm>

#include "jet/Bytes.h"
#include "jet/Text.h"
#include "jet/write/TableDefStart.h"

namespace jet::create {
namespace {

// Constants every engine-written definition carries (engine map, section 1).
constexpr uint32_t kDefinitionMagic = 1625;   // header, column blocks, logical indexes
constexpr uint32_t kRealIndexMagic = 1923;
constexpr uint32_t kFreeSpaceOffset = 2;
constexpr uint32_t kColumnMagicOffset = 1;
// Logical index bytes 21 and 22: 4 and 4 in every system table the engine and Access made.
constexpr uint8_t kLogicalIndexFlagsByte = 0x04;
constexpr uint32_t kNoRelatedIndex = 0xFFFFFFFF;
// Text and binary columns of the catalogue: 255 characters / bytes.
constexpr uint16_t kCatalogTextBytes = 510;

void Put16(std::vector<uint8_t>& out, uint16_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(std::vector<uint8_t>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
void PutName(std::vector<uint8_t>& out, const std::string& name) {
  const std::u16string units = Utf8ToUtf16(name);
  Put16(out, static_cast<uint16_t>(units.size() * 2));
  for (char16_t u : units) Put16(out, static_cast<uint16_t>(u));
}

struct Placement {
  uint16_t variableIndex = 0;
  uint16_t fixedOffset = 0;
};

// Variable slots and fixed offsets follow column numbers; a fixed column records how
// many variable columns precede it.
std::vector<Placement> PlaceColumns(const std::vector<NewColumn>& columns) {
  std::vector<size_t> byNumber(columns.size());
  for (size_t i = 0; i < columns.size(); ++i) byNumber[i] = i;
  std::sort(byNumber.begin(), byNumber.end(),
            [&](size_t a, size_t b) { return columns[a].number < columns[b].number; });
  std::vector<Placement> placed(columns.size());
  uint16_t variables = 0;
  uint16_t fixedOffset = 0;
  for (size_t i : byNumber) {
    const NewColumn& c = columns[i];
    placed[i].variableIndex = variables;
    if (IsVariableType(c.type)) {
      ++variables;
    } else if (c.type != ColumnType::kBoolean) {
      placed[i].fixedOffset = fixedOffset;
      fixedOffset = static_cast<uint16_t>(fixedOffset + FixedTypeSize(c.type));
    }
  }
  return placed;
}

}  // namespace

Result<std::vector<uint8_t>> SerializeTableDef(const TableDefSpec& spec, const JetFormat& format) {
  if (format.jet3) return Status(ErrorCode::kUnsupported, "table definitions are written for Jet4 and ACE only");
  const auto& t = format.tdef;
  const auto& cf = format.column;
  TableDefHeader start{.tableType = spec.tableType,
                              .columnCount = static_cast<uint16_t>(spec.columns.size()),
                              .logicalIndexCount = static_cast<uint32_t>(spec.logicalIndexes.size()),
                              .realIndexCount = static_cast<uint32_t>(spec.realIndexes.size()),
                              .rowCount = spec.rowCount,
                              .ownedPages = spec.ownedPages,
                              .freeSpacePages = spec.freeSpacePages};
  for (const auto& c : spec.columns) start.variableColumnCount += IsVariableType(c.type);
  std::vector<uint8_t> out = StartTableDef(format, start);

  for (const auto& real : spec.realIndexes) {
    Put32(out, 0);
    Put32(out, real.uniqueEntryCount);
    Put32(out, 0);
  }

  const std::vector<Placement> placed = PlaceColumns(spec.columns);
  for (size_t i = 0; i < spec.columns.size(); ++i) {
    const NewColumn& c = spec.columns[i];
    std::vector<uint8_t> block(cf.size, 0);
    block[cf.type] = static_cast<uint8_t>(c.type);
    StoreU32(&block[kColumnMagicOffset], kDefinitionMagic);
    StoreU16(&block[cf.number], c.number);
    StoreU16(&block[cf.variableIndex], placed[i].variableIndex);
    StoreU16(&block[cf.sortOrder], spec.sortOrder.lcid);
    block[cf.sortOrder + 2] = spec.sortOrder.sortId;
    block[cf.sortOrder + 3] = spec.sortOrder.version;
    block[cf.flags] = c.flags;
    block[cf.extFlags] = c.extFlags;
    StoreU16(&block[cf.fixedOffset], placed[i].fixedOffset);
    StoreU16(&block[cf.length], DefinitionLength(c.type, kCatalogTextBytes));
    out.insert(out.end(), block.begin(), block.end());
  }
  for (const auto& c : spec.columns) PutName(out, c.name);

  for (const auto& real : spec.realIndexes) {
    if (real.columns.empty() || real.columns.size() > JetFormat::kRealIndexColumnSlots) {
      return Status(ErrorCode::kInvalidArgument, "an index needs 1 to 10 columns");
    }
    std::vector<uint8_t> block(format.realIndex.size, 0);
    StoreU32(&block[0], kRealIndexMagic);
    for (uint32_t slot = 0; slot < JetFormat::kRealIndexColumnSlots; ++slot) {
      uint8_t* at = &block[format.realIndex.columns + slot * 3];
      const bool used = slot < real.columns.size();
      StoreU16(at, used ? real.columns[slot] : 0xFFFF);
      at[2] = used ? 1 : 0;  // 1 = ascending
    }
    StoreU32(&block[format.realIndex.usageMap], real.usageMap.packed());
    StoreU32(&block[format.realIndex.rootPage], real.rootPage);
    block[format.realIndex.flags] = real.flags;
    out.insert(out.end(), block.begin(), block.end());
  }
  const auto& lf = format.logicalIndex;
  for (const auto& logical : spec.logicalIndexes) {
    std::vector<uint8_t> block(lf.size, 0);
    StoreU32(&block[0], kDefinitionMagic);
    StoreU32(&block[lf.number], logical.number);
    StoreU32(&block[lf.realIndex], logical.realIndex);
    StoreU32(&block[lf.relatedIndex], kNoRelatedIndex);
    block[lf.cascadeUpdates] = kLogicalIndexFlagsByte;
    block[lf.cascadeDeletes] = kLogicalIndexFlagsByte;
    block[lf.indexType] = logical.indexType;
    out.insert(out.end(), block.begin(), block.end());
  }
  for (const auto& logical : spec.logicalIndexes) PutName(out, logical.name);

  for (const auto& c : spec.columns) {
    if (!IsLongValueType(c.type)) continue;
    Put16(out, c.number);
    Put32(out, c.ownedPages.packed());
    Put32(out, c.freePages.packed());
  }
  Put16(out, 0xFFFF);
  StoreU32(&out[t.length], static_cast<uint32_t>(out.size()));
  return out;
}

size_t PagesForDefinition(size_t definitionBytes, const JetFormat& format) {
  if (definitionBytes <= format.pageSize) return 1;
  const size_t rest = definitionBytes - format.pageSize;
  const size_t room = format.pageSize - JetFormat::kTdefContinuationSkip;
  return 1 + (rest + room - 1) / room;
}

void LayOutTableDef(const std::vector<uint8_t>& definition, const std::vector<uint32_t>& pageNumbers,
                           std::vector<PageBytes*> pages, const JetFormat& format) {
  size_t at = 0;
  for (size_t i = 0; i < pages.size(); ++i) {
    PageBytes& page = *pages[i];
    std::fill(page.begin(), page.end(), uint8_t{0});
    const size_t skip = i == 0 ? 0 : JetFormat::kTdefContinuationSkip;
    const size_t take = std::min<size_t>(format.pageSize - skip, definition.size() - at);
    std::copy(definition.begin() + static_cast<ptrdiff_t>(at), definition.begin() + static_cast<ptrdiff_t>(at + take),
              page.begin() + static_cast<ptrdiff_t>(skip));
    page[kPageTypeOffset] = static_cast<uint8_t>(PageType::kTableDef);
    page[1] = kPageMarker;
    // Free space as the engine counts it: the page less its bytes and the 8-byte header.
    const size_t used = skip + take;
    const size_t counted = used + JetFormat::kTdefContinuationSkip;
    StoreU16(&page[kFreeSpaceOffset], static_cast<uint16_t>(counted < format.pageSize ? format.pageSize - counted : 0));
    StoreU32(&page[format.tdef.nextPage], i + 1 < pageNumbers.size() ? pageNumbers[i + 1] : 0);
    at += take;
  }
}

}  // namespace jet::create
