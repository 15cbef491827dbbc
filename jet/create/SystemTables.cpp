#include "jet/create/SystemTables.h"

#include <algorithm>
#include <cctype>

#include "jet/Text.h"
#include "jet/create/SecurityIds.h"
#include "jet/format/CatalogLayout.h"

namespace jet::create {
namespace {

// System columns carry 0x10 beside the usual fixed/nullable flags; the two SID columns
// also 0x20 (as every engine-made catalogue shows).
constexpr uint8_t kFixedSystem = kColumnFlagFixed | kColumnFlagNullable | kColumnFlagReplication;
constexpr uint8_t kVariableSystem = kColumnFlagNullable | kColumnFlagReplication;
constexpr uint8_t kSidSystem = kVariableSystem | 0x20;

constexpr uint8_t kIndexAlways = 0x80;
constexpr uint8_t kIndexUnique = 0x01;
constexpr uint8_t kIndexIgnoreNulls = 0x02;
constexpr uint8_t kIndexRequired = 0x08;

// Permission masks (ACM) of the rows a new file holds, as the engine writes them.
constexpr int32_t kAcmSystemTableRead = 393216;
constexpr int32_t kAcmRelationshipsTable = 917504;
constexpr int32_t kAcmUsersSystemTable = 20;
constexpr int32_t kAcmContainerCreator = 983294;
constexpr int32_t kAcmContainerAdmin = 393217;
constexpr int32_t kAcmTablesUsers = 1048319;
constexpr int32_t kAcmRelationshipsUsers = 1048575;
constexpr int32_t kAcmDatabaseAdmin = 393230;
constexpr int32_t kAcmDatabaseUsers = 14;
constexpr int32_t kSystemObjectFlags = static_cast<int32_t>(catalog::kFlagSystem);
constexpr int32_t kDatabasesParent = 0x0F000000;
constexpr int32_t kDatabaseObjectId = 0x10000000;

NewColumn Col(const char* name, ColumnType type, uint16_t number) {
  NewColumn c;
  c.name = name;
  c.type = type;
  c.number = number;
  const bool variable = type == ColumnType::kText || type == ColumnType::kBinary || IsLongValueType(type);
  c.flags = variable ? kVariableSystem : kFixedSystem;
  return c;
}

// Hands out rows of the map page in order.
struct MapRows {
  uint32_t next = 0;
  RowPointer take() { return RowPointer{kSystemMapPage, static_cast<uint8_t>(next++)}; }
};

// Maps, in the engine's order: owned and free-space rows, then a pair per memo/OLE
// column in column-number order, then one row per real index; columns listed by name.
void Finish(SystemTable& table, MapRows& rows, uint32_t& rootPage) {
  TableDefSpec& s = table.spec;
  s.ownedPages = rows.take();
  s.freeSpacePages = rows.take();
  for (auto& c : s.columns) {  // still in number order here
    if (!IsLongValueType(c.type)) continue;
    c.ownedPages = rows.take();
    c.freePages = rows.take();
  }
  for (auto& real : s.realIndexes) {
    real.usageMap = rows.take();
    real.rootPage = rootPage++;
  }
  std::stable_sort(s.columns.begin(), s.columns.end(),
                   [](const NewColumn& a, const NewColumn& b) { return AsciiLower(a.name) < AsciiLower(b.name); });
  std::stable_sort(s.logicalIndexes.begin(), s.logicalIndexes.end(),
                   [](const LogicalIndexSpec& a, const LogicalIndexSpec& b) { return AsciiLower(a.name) < AsciiLower(b.name); });
}

NamedRow Ace(int32_t objectId, std::vector<uint8_t> sid, int32_t acm, bool inheritable) {
  return NamedRow{{{"ObjectId", objectId}, {"SID", Binary{std::move(sid)}}, {"ACM", acm}, {"FInheritable", inheritable}}};
}

}  // namespace

std::vector<SystemTable> SystemTables(const SortOrder& sortOrder, uint32_t* mapRowCount) {
  using T = ColumnType;
  std::vector<SystemTable> tables(4);
  tables[0].name = "MSysObjects";
  tables[0].spec.columns = {Col("Id", T::kLong, 0),          Col("ParentId", T::kLong, 1),
                            Col("Name", T::kText, 2),        Col("Type", T::kInteger, 3),
                            Col("DateCreate", T::kDateTime, 4), Col("DateUpdate", T::kDateTime, 5),
                            Col("Owner", T::kBinary, 6),     Col("Flags", T::kLong, 7),
                            Col("Database", T::kMemo, 8),    Col("Connect", T::kMemo, 9),
                            Col("ForeignName", T::kText, 10), Col("RmtInfoShort", T::kBinary, 11),
                            Col("RmtInfoLong", T::kOle, 12), Col("Lv", T::kOle, 13),
                            Col("LvProp", T::kOle, 14),      Col("LvModule", T::kOle, 15),
                            Col("LvExtra", T::kOle, 16)};
  tables[0].spec.columns[6].flags = kSidSystem;
  tables[0].spec.realIndexes = {{{1, 2}, kIndexAlways | kIndexUnique, {}, 0, 0},
                                {{0}, kIndexAlways | kIndexUnique, {}, 0, 0}};
  tables[0].spec.logicalIndexes = {{"Id", 1, 1, 1}, {"ParentIdName", 0, 0, 0}};

  tables[1].name = "MSysACEs";
  tables[1].spec.columns = {Col("ObjectId", T::kLong, 0), Col("SID", T::kBinary, 1), Col("ACM", T::kLong, 2),
                            Col("FInheritable", T::kBoolean, 3)};
  tables[1].spec.columns[1].flags = kSidSystem;
  tables[1].spec.realIndexes = {{{0}, kIndexAlways | kIndexRequired, {}, 0, 0}};
  tables[1].spec.logicalIndexes = {{"ObjectId", 0, 0, 0}};

  tables[2].name = "MSysQueries";
  tables[2].spec.columns = {Col("ObjectId", T::kLong, 0), Col("Attribute", T::kByte, 1), Col("Order", T::kBinary, 2),
                            Col("Name1", T::kText, 3),    Col("Name2", T::kText, 4),     Col("Expression", T::kMemo, 5),
                            Col("Flag", T::kInteger, 6),  Col("LvExtra", T::kLong, 7)};
  tables[2].spec.realIndexes = {{{0, 1, 2}, kIndexAlways | kIndexUnique, {}, 0, 0}};
  tables[2].spec.logicalIndexes = {{"ObjectIdAttribute", 0, 0, 1}};

  tables[3].name = "MSysRelationships";
  tables[3].spec.columns = {Col("szRelationship", T::kText, 0), Col("grbit", T::kLong, 1),
                            Col("ccolumn", T::kLong, 2),        Col("icolumn", T::kLong, 3),
                            Col("szObject", T::kText, 4),       Col("szColumn", T::kText, 5),
                            Col("szReferencedObject", T::kText, 6), Col("szReferencedColumn", T::kText, 7)};
  tables[3].spec.realIndexes = {{{0}, kIndexAlways | kIndexIgnoreNulls, {}, 0, 0},
                                {{4}, kIndexAlways | kIndexIgnoreNulls, {}, 0, 0},
                                {{6}, kIndexAlways | kIndexIgnoreNulls, {}, 0, 0}};
  tables[3].spec.logicalIndexes = {{"szObject", 1, 1, 0}, {"szReferencedObject", 2, 2, 0}, {"szRelationship", 0, 0, 0}};

  MapRows rows;
  uint32_t rootPage = kFirstIndexRootPage;
  for (size_t i = 0; i < tables.size(); ++i) {
    tables[i].tdefPage = kFirstSystemTdefPage + static_cast<uint32_t>(i);
    tables[i].spec.tableType = 0x53;
    tables[i].spec.sortOrder = sortOrder;
    Finish(tables[i], rows, rootPage);
  }
  if (mapRowCount) *mapRowCount = rows.next;
  return tables;
}

std::vector<NamedRow> InitialCatalogRows(double creationDate) {
  auto row = [&](int32_t id, int32_t parent, const char* name, catalog::ObjectType type, std::vector<uint8_t> owner) {
    return NamedRow{{{"Id", id},
                     {"ParentId", parent},
                     {"Name", std::string(name)},
                     {"Type", static_cast<int16_t>(type)},
                     {"DateCreate", DateTime{creationDate}},
                     {"DateUpdate", DateTime{creationDate}},
                     {"Owner", Binary{std::move(owner)}},
                     {"Flags", kSystemObjectFlags}}};
  };
  using O = catalog::ObjectType;
  return {row(catalog::kTablesContainerId, kDatabasesParent, "Tables", O::kContainer, EngineSid()),
          row(catalog::kDatabasesContainerId, kDatabasesParent, "Databases", O::kContainer, EngineSid()),
          row(catalog::kRelationshipsContainerId, kDatabasesParent, "Relationships", O::kContainer, EngineSid()),
          row(kDatabaseObjectId, catalog::kDatabasesContainerId, "MSysDb", O::kDatabase, AdminSid()),
          row(2, catalog::kTablesContainerId, "MSysObjects", O::kTable, EngineSid()),
          row(3, catalog::kTablesContainerId, "MSysACEs", O::kTable, EngineSid()),
          row(4, catalog::kTablesContainerId, "MSysQueries", O::kTable, EngineSid()),
          row(5, catalog::kTablesContainerId, "MSysRelationships", O::kTable, EngineSid())};
}

std::vector<NamedRow> InitialPermissionRows() {
  const int32_t tables = catalog::kTablesContainerId;
  const int32_t relationships = catalog::kRelationshipsContainerId;
  return {Ace(2, AdminSid(), kAcmSystemTableRead, false),
          Ace(3, AdminSid(), kAcmSystemTableRead, false),
          Ace(4, AdminSid(), kAcmSystemTableRead, false),
          Ace(5, AdminSid(), kAcmRelationshipsTable, false),
          Ace(tables, CreatorSid(), kAcmContainerCreator, true),
          Ace(tables, AdminSid(), kAcmContainerAdmin, false),
          Ace(relationships, CreatorSid(), kAcmContainerCreator, true),
          Ace(relationships, AdminSid(), kAcmContainerAdmin, false),
          Ace(catalog::kDatabasesContainerId, AdminSid(), kAcmSystemTableRead, false),
          Ace(kDatabaseObjectId, AdminSid(), kAcmDatabaseAdmin, false),
          Ace(kDatabaseObjectId, UsersSid(), kAcmDatabaseUsers, false),
          Ace(4, UsersSid(), kAcmUsersSystemTable, false),
          Ace(5, UsersSid(), kAcmUsersSystemTable, false),
          Ace(2, UsersSid(), kAcmUsersSystemTable, false),
          Ace(tables, UsersSid(), kAcmTablesUsers, true),
          Ace(relationships, UsersSid(), kAcmRelationshipsUsers, true)};
}

}  // namespace jet::create
