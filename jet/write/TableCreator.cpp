#include "jet/write/TableCreator.h"

#include <algorithm>

#include "jet/Bytes.h"
#include "jet/Catalog.h"
#include "jet/DateSerial.h"
#include "jet/DataPage.h"
#include "jet/PropertyWriter.h"
#include "jet/Text.h"
#include "jet/format/CatalogLayout.h"
#include "jet/format/HeaderLayout.h"
#include "jet/format/PropertyLayout.h"
#include "jet/write/CatalogRows.h"
#include "jet/write/DataPageWriter.h"
#include "jet/write/Jet3TableDef.h"
#include "jet/write/TableDefStart.h"
#include "jet/write/IndexWriter.h"
#include "jet/write/UsageMapWriter.h"
#include "jet/index/IndexPage.h"
#include "jet/write/TableWriter.h"
#include "jet/write/WriteFormat.h"

namespace jet {
namespace {

// MSysACEs: Access gives a new table the Tables container's entries except the one
// with the container-only rights, each with these rights and not inheritable.
constexpr int32_t kContainerOnlyRights = 983294;
constexpr int32_t kNewTableRights = 1048319;
// Access allows 32 indexes on a table.
constexpr size_t kMaxIndexesPerTable = 32;

// What kind of object holds a name, for messages.
const char* ObjectKind(const CatalogEntry& entry) {
  if (entry.isTable()) return "table";
  if (entry.isQuery()) return "query";
  if (entry.isLinkedTable()) return "linked table";
  return "object";
}

// The name is free under the Tables container, and no two columns share a name, both as
// Access compares names (a clash the catalogue's unique index would refuse only later, and
// one it would not see at all among the columns).
Status CheckNamesAreFree(const Catalog& catalog, const std::string& fileName, const std::string& name,
                         const std::vector<NewColumn>& columns) {
  if (const CatalogEntry* existing = catalog.findNamed(catalog::kTablesContainerId, name)) {
    std::string message = std::string("a ") + ObjectKind(*existing) + " named " + existing->name + " exists already";
    if (existing->name != name) message += " (Access takes " + name + " and " + existing->name + " for one name)";
    return Status(ErrorCode::kExists, Where::File(fileName), message);
  }
  std::vector<std::string> keys;
  for (size_t i = 0; i < columns.size(); ++i) {
    keys.push_back(catalog.names().key(columns[i].name));
    for (size_t j = 0; j < i; ++j) {
      if (keys[j] != keys[i]) continue;
      return Status(ErrorCode::kInvalidArgument, Where::File(fileName),
                    "table " + name + " would have the columns " + columns[j].name + " and " + columns[i].name +
                        ", which Access takes for one name");
    }
  }
  return Status::Ok();
}


void AppendName(std::vector<uint8_t>& out, const std::string& name) {
  const std::u16string units = Utf8ToUtf16(name);
  AppendU16(out, static_cast<uint16_t>(units.size() * 2));
  for (char16_t u : units) AppendU16(out, u);
}

// An empty inline usage-map row as Access writes them: start page 0.
std::vector<uint8_t> EmptyInlineMap(const JetFormat& format) {
  std::vector<uint8_t> row(write_format::UsageMapRowSize(format), 0);
  row[0] = usage_map::kInline;
  return row;
}

}  // namespace

std::vector<uint8_t> BuildColumnProperties(const std::vector<NewColumn>& columns, const NewTableProperties& table) {
  constexpr uint8_t kEngine = property::kEngineValue;
  // The table's own block comes first even when empty, as in Access's blobs.
  std::vector<PropertyBlock> blocks{PropertyBlock{"", property::kObjectBlock, {}}};
  if (table.validationRule)
    blocks[0].values.push_back(MemoProperty(property::kValidationRule, *table.validationRule, kEngine));
  if (table.validationText)
    blocks[0].values.push_back(MemoProperty(property::kValidationText, *table.validationText, kEngine));
  for (const NewColumn& c : columns) {
    PropertyBlock block{c.name, property::kColumnBlock, {}};
    if (c.required) block.values.push_back(YesNoProperty(property::kRequired, true, kEngine));
    if (c.defaultValue) block.values.push_back(MemoProperty(property::kDefaultValue, *c.defaultValue, kEngine));
    if (c.validationRule) block.values.push_back(MemoProperty(property::kValidationRule, *c.validationRule, kEngine));
    if (c.validationText) block.values.push_back(MemoProperty(property::kValidationText, *c.validationText, kEngine));
    if (c.expression) {
      block.values.push_back(MemoProperty(property::kExpression, *c.expression, kEngine));
      block.values.push_back(
          Property{property::kResultType, static_cast<uint8_t>(ColumnType::kByte), {static_cast<uint8_t>(c.type)}, kEngine});
    }
    if (!block.values.empty()) blocks.push_back(std::move(block));
  }
  if (blocks.size() == 1 && blocks[0].values.empty()) return {};
  return BuildProperties(blocks);
}

Status WriteTableDefPages(PageWriter& writer, const std::vector<uint8_t>& def, std::vector<uint32_t> chain) {
  const JetFormat& format = writer.format();
  const size_t firstRoom = format.pageSize;
  const size_t nextRoom = format.pageSize - JetFormat::kTdefContinuationSkip;
  size_t at = 0;
  size_t used = 0;  // pages of `chain` written
  while (true) {
    const uint32_t page = chain[used];
    JET_ASSIGN_OR_RETURN(PageBytes* bytes, writer.modify(page));
    PageBytes& p = *bytes;
    std::fill(p.begin(), p.end(), uint8_t{0});
    const bool first = at == 0;
    const size_t take = std::min(first ? firstRoom : nextRoom, def.size() - at);
    if (first) {
      std::copy(def.begin(), def.begin() + take, p.begin());
    } else {
      p[kPageTypeOffset] = static_cast<uint8_t>(PageType::kTableDef);
      p[1] = kPageMarker;
      std::copy(def.begin() + at, def.begin() + at + take, p.begin() + JetFormat::kTdefContinuationSkip);
    }
    // Free space as Access counts it on every page of a definition: the page less its
    // bytes and 8 more, never below 0 (a full first page says 0).
    const size_t filled = (first ? 0 : JetFormat::kTdefContinuationSkip) + take + JetFormat::kTdefContinuationSkip;
    SetTableDefSpace(p, format, static_cast<uint16_t>(filled < format.pageSize ? format.pageSize - filled : 0));
    StoreU32(&p[format.tdef.nextPage], 0);
    at += take;
    ++used;
    if (at >= def.size()) break;
    if (used == chain.size()) {
      JET_ASSIGN_OR_RETURN(uint32_t next, writer.allocate());
      chain.push_back(next);
    }
    StoreU32(&p[format.tdef.nextPage], chain[used]);
  }
  // A shorter definition leaves pages of the old chain over.
  for (size_t k = used; k < chain.size(); ++k) JET_RETURN_IF_ERROR(writer.release(chain[k]));
  return Status::Ok();
}

std::vector<uint8_t> BuildTableDef(const DatabaseHeader& header, const std::vector<NewColumn>& columns,
                                          RowPointer ownedMap, RowPointer freeMap,
                                          const std::vector<std::pair<RowPointer, RowPointer>>& longValueMaps,
                                          const TableIndexDefs& indexes) {
  if (header.jet3()) return BuildJet3TableDef(header, columns, ownedMap, freeMap, longValueMaps);
  const JetFormat& f = kJet4Format;
  TableDefHeader start{.tableType = kTableTypeUser,
                              .columnCount = static_cast<uint16_t>(columns.size()),
                              .logicalIndexCount = static_cast<uint32_t>(indexes.logicals.size()),
                              .realIndexCount = static_cast<uint32_t>(indexes.reals.size()),
                              .ownedPages = ownedMap,
                              .freeSpacePages = freeMap};
  for (const auto& c : columns) start.variableColumnCount += c.calculated() || IsVariableType(c.type);
  std::vector<uint8_t> out = StartTableDef(f, start);
  for (const auto& real : indexes.reals) AppendRealIndexCount(out, real.uniqueEntryCount);
  AppendColumnBlocks(out, f, header, columns);
  for (const auto& c : columns) AppendName(out, c.name);
  for (const auto& real : indexes.reals) AppendRealIndexBlock(out, real, f);
  for (const auto& logical : indexes.logicals) AppendLogicalIndexBlock(out, logical, f);
  for (const auto& logical : indexes.logicals) AppendIndexName(out, logical.name);
  AppendLongValueMapsAndEnd(out, f, columns, longValueMaps);
  return out;
}

Result<TableIndexDefs> PlanIndexes(const std::vector<NewColumn>& columns, const std::vector<NewIndex>& indexes,
                                   const Where& context) {
  TableDef shape;
  for (size_t i = 0; i < columns.size(); ++i) {
    ColumnDef c;
    c.name = columns[i].name;
    c.typeCode = static_cast<uint8_t>(columns[i].type);
    c.number = static_cast<uint16_t>(i);
    shape.columns.push_back(c);
  }
  TableIndexDefs indexDefs;
  for (const NewIndex& index : indexes) {
    JET_ASSIGN_OR_RETURN(std::vector<IndexColumn> keyColumns, ResolveIndexColumns(shape, index, context));
    const uint8_t flags = RealIndexFlags(index);
    int real = FindRealIndex(indexDefs.reals, keyColumns, flags, false);
    if (real < 0) {
      RealIndexDef added;
      added.columns = std::move(keyColumns);
      added.flags = flags;
      indexDefs.reals.push_back(added);
      real = static_cast<int>(indexDefs.reals.size() - 1);
    }
    LogicalIndexDef logical;
    logical.name = index.name;
    logical.number = static_cast<uint32_t>(shape.logicalIndexes.size());
    logical.realIndex = static_cast<uint32_t>(real);
    logical.indexType = index.primaryKey ? kLogicalIndexPrimaryKey : kLogicalIndexNormal;
    shape.logicalIndexes.push_back(logical);  // the next index's name and key checks see it
  }
  if (shape.logicalIndexes.size() > kMaxIndexesPerTable) {
    return Status(ErrorCode::kInvalidArgument, context,
                  "Access allows at most " + std::to_string(kMaxIndexesPerTable) + " indexes on a table");
  }
  indexDefs.logicals = shape.logicalIndexes;
  std::stable_sort(indexDefs.logicals.begin(), indexDefs.logicals.end(),
                   [](const LogicalIndexDef& a, const LogicalIndexDef& b) {
                     return LogicalIndexListsBefore(a.name, b.name);
                   });
  return indexDefs;
}

namespace {

// Calculated columns came with Access 2010: an .mdb file has none, and an Access 2007 file
// that gets one becomes an Access 2010 file (its version byte), as Access makes it.
Status AllowCalculatedColumns(Database& db, PageWriter& writer, const std::string& name,
                              const std::vector<NewColumn>& columns) {
  const auto calculated = std::find_if(columns.begin(), columns.end(), [](const NewColumn& c) { return c.calculated(); });
  if (calculated == columns.end()) return Status::Ok();
  if (!db.header().ace()) {
    return Status(ErrorCode::kUnsupported, Where::Table(db.fileName(), name) + ", column " + calculated->name,
                  "calculated columns need an Access 2010 or later .accdb file");
  }
  if (db.header().versionByte != static_cast<uint8_t>(header::Version::kAce12)) return Status::Ok();
  JET_ASSIGN_OR_RETURN(PageBytes* page, writer.modify(0));
  (*page)[header::kVersionOffset] = static_cast<uint8_t>(header::Version::kAce14);
  return Status::Ok();
}

}  // namespace

Result<uint32_t> CreateTable(Database& db, PageWriter& writer, const std::string& name,
                             const std::vector<NewColumn>& columns, const std::vector<NewIndex>& indexes,
                             const NewTableProperties& table) {
  const std::string& fileName = db.fileName();
  JET_RETURN_IF_ERROR(CheckNamesAreFree(db.catalog(), fileName, name, columns));
  if (columns.empty())
    return Status(ErrorCode::kInvalidArgument, Where::File(fileName), "table " + name + " needs a column");
  for (const NewColumn& c : columns) {
    const bool fits = c.autoNumber == AutoNumber::kNone ||
                      (c.autoNumber == AutoNumber::kIncrement && c.type == ColumnType::kLong) ||
                      (c.autoNumber == AutoNumber::kReplicationId && c.type == ColumnType::kGuid);
    if (!fits) {
      return Status(ErrorCode::kInvalidArgument, Where::File(fileName),
                    "table " + name + ", column " + c.name +
                        ": an AutoNumber is a Long Integer (increment) or a "
                        "Replication ID, not a " +
                        std::string(ColumnTypeName(c.type)));
    }
  }
  const JetFormat& format = writer.format();
  if (format.jet3) {
    JET_RETURN_IF_ERROR(CheckJet3Table(db.header(), fileName, name, columns));
    if (!indexes.empty()) return RefuseJet3Indexes(fileName, name);
  }

  // The indexes, checked against the columns before anything is written.
  JET_ASSIGN_OR_RETURN(TableIndexDefs indexDefs, PlanIndexes(columns, indexes, Where::Table(fileName, name)));
  JET_RETURN_IF_ERROR(AllowCalculatedColumns(db, writer, name, columns));

  // Pages: the TDEF, then the page of its usage-map rows (more if many memo columns).
  JET_ASSIGN_OR_RETURN(auto tdefPage, writer.allocate());
  uint32_t mapPage = 0;
  auto addMapRow = [&]() -> Result<RowPointer> {
    const std::vector<uint8_t> row = EmptyInlineMap(format);
    if (mapPage != 0) {
      JET_ASSIGN_OR_RETURN(auto bytes, writer.modify(mapPage));
      if (RowFits(*bytes, format, row.size())) return RowPointer{mapPage, AddRow(*bytes, format, row)};
    }
    JET_ASSIGN_OR_RETURN(auto fresh, writer.allocate());
    mapPage = fresh;
    JET_ASSIGN_OR_RETURN(auto bytes, writer.modify(mapPage));
    InitDataPage(*bytes, format, 0);
    return RowPointer{mapPage, AddRow(*bytes, format, row)};
  };
  JET_ASSIGN_OR_RETURN(auto owned, addMapRow());
  JET_ASSIGN_OR_RETURN(auto free, addMapRow());
  std::vector<std::pair<RowPointer, RowPointer>> longMaps;
  for (const auto& c : columns) {
    if (!IsLongValueType(c.type)) continue;
    JET_ASSIGN_OR_RETURN(auto lvOwned, addMapRow());
    JET_ASSIGN_OR_RETURN(auto lvFree, addMapRow());
    longMaps.emplace_back(lvOwned, lvFree);
  }

  // Then one map row per real index, then each index's empty root leaf, in its map.
  for (auto& real : indexDefs.reals) {
    JET_ASSIGN_OR_RETURN(real.usageMap, addMapRow());
  }
  for (auto& real : indexDefs.reals) {
    JET_ASSIGN_OR_RETURN(real.rootPage, writer.allocate());
    JET_ASSIGN_OR_RETURN(auto map, UsageMapWriter::Load(writer, real.usageMap, "an index of table " + name));
    JET_RETURN_IF_ERROR(map.add(real.rootPage));
    JET_RETURN_IF_ERROR(WriteEmptyIndexRoot(writer, real.rootPage, tdefPage));
  }

  // The definition, continued on further TDEF pages when it is long.
  const std::vector<uint8_t> def = BuildTableDef(db.header(), columns, owned, free, longMaps, indexDefs);
  JET_RETURN_IF_ERROR(WriteTableDefPages(writer, def, {tdefPage}));

  // Catalogue: the MSysObjects row (Owner as on MSysDb), then the permission rows.
  JET_ASSIGN_OR_RETURN(auto objectsDef, db.tableDef("MSysObjects"));
  Value owner = Null{};
  JET_ASSIGN_OR_RETURN(auto msysDb, AllRows(db, "MSysObjects"));
  for (const auto& row : msysDb) {
    const Value& n = ColumnValue(*objectsDef, row, "Name");
    if (auto* s = std::get_if<std::string>(&n); s && *s == "MSysDb") owner = ColumnValue(*objectsDef, row, "Owner");
  }
  const double now = NowAsDateTime();
  const std::vector<uint8_t> properties = BuildColumnProperties(columns, table);
  std::vector<Value> objectRow;
  for (const auto& c : objectsDef->columns) {
    if (c.name == "Id") objectRow.push_back(static_cast<int32_t>(tdefPage));
    else if (c.name == "ParentId") objectRow.push_back(catalog::kTablesContainerId);
    else if (c.name == "Name") objectRow.push_back(name);
    else if (c.name == "Type") objectRow.push_back(static_cast<int16_t>(catalog::ObjectType::kTable));
    else if (c.name == "DateCreate" || c.name == "DateUpdate") objectRow.push_back(DateTime{now});
    else if (c.name == "Owner") objectRow.push_back(owner);
    else if (c.name == "Flags") objectRow.push_back(int32_t{0});
    else if (c.name == "LvProp" && !properties.empty()) objectRow.push_back(Binary{properties});
    else objectRow.push_back(Null{});
  }
  InsertOptions catalogue{.catalogue = true};
  JET_RETURN_IF_ERROR(InsertRow(writer, *objectsDef, objectRow, catalogue).status());

  if (db.catalog().findTable("MSysACEs")) {
    JET_ASSIGN_OR_RETURN(auto acesDef, db.tableDef("MSysACEs"));
    JET_ASSIGN_OR_RETURN(auto containerRows, FindRowsWithNumber(db, "MSysACEs", "ObjectId", catalog::kTablesContainerId));
    for (const auto& row : containerRows) {
      if (AsWholeNumber(ColumnValue(*acesDef, row, "ACM")) == kContainerOnlyRights) continue;
      std::vector<Value> ace;
      for (const auto& c : acesDef->columns) {
        if (c.name == "ObjectId") ace.push_back(static_cast<int32_t>(tdefPage));
        else if (c.name == "ACM") ace.push_back(kNewTableRights);
        else if (c.name == "FInheritable") ace.push_back(false);
        else ace.push_back(ColumnValue(*acesDef, row, c.name));
      }
      JET_RETURN_IF_ERROR(InsertRow(writer, *acesDef, ace, catalogue).status());
    }
  }
  return tdefPage;
}

}  // namespace jet
