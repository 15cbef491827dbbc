#include "jet/write/TableDropper.h"

#include <set>

#include "jet/Bytes.h"
#include "jet/Catalog.h"
#include "jet/DataPage.h"
#include "jet/write/CatalogRows.h"
#include "jet/write/DataPageWriter.h"
#include "jet/write/TableWriter.h"
#include "jet/write/UsageMapWriter.h"
#include "jet/write/WriteFormat.h"

namespace jet {
namespace {

constexpr uint8_t kForeignKeyIndex = 2;

// Pages of a map and its bitmap pages.
Status CollectMap(PageWriter& writer, RowPointer where, const std::string& what, std::set<uint32_t>& pages) {
  if (where.null()) return Status::Ok();
  JET_ASSIGN_OR_RETURN(auto map, UsageMapWriter::Load(writer, where, what));
  JET_ASSIGN_OR_RETURN(auto members, map.members());
  pages.insert(members.begin(), members.end());
  JET_ASSIGN_OR_RETURN(auto bitmaps, map.bitmapPages());
  pages.insert(bitmaps.begin(), bitmaps.end());
  return Status::Ok();
}

Status DeleteRows(Database& db, PageWriter& writer, const std::string& table, const std::string& column,
                  int64_t value) {
  JET_ASSIGN_OR_RETURN(auto rows, FindRowsWithNumber(db, table, column, value));
  if (rows.empty()) return Status::Ok();
  JET_ASSIGN_OR_RETURN(auto def, db.tableDef(table));
  for (const auto& row : rows) {
    JET_RETURN_IF_ERROR(DeleteRow(writer, *def, row.at, row.values, InsertOptions{.catalogue = true}));
  }
  return Status::Ok();
}

}  // namespace

Status DropTable(Database& db, PageWriter& writer, const std::string& name) {
  const std::string& fileName = db.fileName();
  const CatalogEntry* entry = db.catalog().findTable(name);
  if (!entry) return Status::NotFound(Where::File(fileName), "no table named " + name);
  const std::string tableName = entry->name;
  const int32_t id = entry->id;
  if (entry->isSystem()) {
    return Status::InvalidArgument(Where::File(fileName), tableName + " is a system table and cannot be dropped");
  }
  JET_ASSIGN_OR_RETURN(auto def, db.tableDef(tableName));
  const TableDef& table = *def;

  // Relationships: Access refuses to drop a table that takes part in one.
  JET_ASSIGN_OR_RETURN(auto relations, AllRows(db, "MSysRelationships"));
  if (!relations.empty()) {
    JET_ASSIGN_OR_RETURN(auto relDef, db.tableDef("MSysRelationships"));
    for (const auto& row : relations) {
      for (const char* column : {"szObject", "szReferencedObject"}) {
        const auto* other = std::get_if<std::string>(&ColumnValue(*relDef, row, column));
        if (other && db.catalog().names().same(*other, tableName)) {
          return Status::InvalidArgument(
              Where::File(fileName),
              "table " + tableName + " takes part in a relationship; delete the relationship first");
        }
      }
    }
  }
  for (const auto& logical : table.logicalIndexes) {
    if (logical.indexType == kForeignKeyIndex) {
      return Status::InvalidArgument(
          Where::File(fileName), "table " + tableName + " takes part in a relationship; delete the relationship first");
    }
  }
  for (const auto& c : table.columns) {
    if (c.type() == ColumnType::kComplex) {
      return Status::Unsupported(Where::File(fileName), "table " + tableName +
                                                            " has the multi-value or attachment column " + c.name +
                                                            ", whose hidden tables this engine does not remove");
    }
  }

  // Everything the table owns: definition pages, data pages, long-value and index pages.
  std::set<uint32_t> pages(table.pages.begin(), table.pages.end());
  std::vector<RowPointer> mapRows{table.ownedPages, table.freeSpacePages};
  const std::string what = "table " + tableName;
  JET_RETURN_IF_ERROR(CollectMap(writer, table.ownedPages, what, pages));
  for (const auto& c : table.columns) {
    if (!IsLongValueType(c.type())) continue;
    JET_RETURN_IF_ERROR(CollectMap(writer, c.ownedPages, what, pages));
    JET_RETURN_IF_ERROR(CollectMap(writer, c.freePages, what, pages));  // bitmap pages only add
    mapRows.push_back(c.ownedPages);
    mapRows.push_back(c.freePages);
  }
  for (const auto& index : table.realIndexes) {
    JET_RETURN_IF_ERROR(CollectMap(writer, index.usageMap, what, pages));
    pages.insert(index.rootPage);
    mapRows.push_back(index.usageMap);
  }
  JET_RETURN_IF_ERROR(CollectMap(writer, table.freeSpacePages, what, pages));

  // Catalogue first (its pages flushed last): the table's row with its properties and
  // index entries, permissions, navigation-pane rows.
  JET_RETURN_IF_ERROR(DeleteRows(db, writer, "MSysObjects", "Id", id));
  JET_RETURN_IF_ERROR(DeleteRows(db, writer, "MSysACEs", "ObjectId", id));
  JET_RETURN_IF_ERROR(DeleteRows(db, writer, "MSysNavPaneObjectIDs", "Id", id));
  JET_RETURN_IF_ERROR(DeleteRows(db, writer, "MSysNavPaneGroupToObjects", "ObjectID", id));

  // The map rows; a map page none of whose rows is left goes too (system maps share pages).
  std::set<uint32_t> mapPages;
  for (const RowPointer& row : mapRows) {
    if (row.null()) continue;
    JET_ASSIGN_OR_RETURN(auto page, writer.modify(row.page));
    MarkRowDeleted(*page, writer.format(), row.slot);
    writer.writeLast(row.page);  // after the catalogue: until then the table must stay readable
    mapPages.insert(row.page);
  }
  for (uint32_t mapPage : mapPages) {
    JET_ASSIGN_OR_RETURN(auto page, writer.file().read(mapPage));
    const uint32_t count = RowSlotCount(*page, writer.format());
    bool anyLive = false;
    for (uint32_t s = 0; s < count; ++s) {
      JET_ASSIGN_OR_RETURN(auto slot, ReadRowSlot(*page, writer.format(), mapPage, s, fileName));
      anyLive = anyLive || !slot.deleted();
    }
    const uint32_t owner = LoadU32(&(*page)[writer.format().dataPage.owner]);
    if (!anyLive && owner == 0) pages.insert(mapPage);
  }

  // Give the pages back last: until then they are merely unused.
  writer.writeLast(write_format::kGlobalMapPage);
  for (uint32_t page : pages) {
    if (page == 0) continue;
    JET_RETURN_IF_ERROR(writer.release(page));  // the map changes, the page does not
  }
  return Status::Ok();
}

}  // namespace jet
