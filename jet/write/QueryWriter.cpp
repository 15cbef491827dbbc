#include "jet/write/QueryWriter.h"

#include <algorithm>
#include <map>

#include "jet/format/CatalogLayout.h"
#include "jet/format/QueryLayout.h"
#include "jet/write/CatalogRows.h"
#include "jet/write/TableCreator.h"
#include "jet/write/TableWriter.h"

namespace jet {

namespace {

using query::Attribute;

// Ids of objects that are not tables: the top bit set, numbered upwards from there.
constexpr uint32_t kObjectIdBit = 0x80000000u;
// MSysACEs: a new query gets what a new table gets (TableCreator.cpp): the Tables
// container's entries but the container-only one, with these rights, not inheritable.
constexpr int32_t kContainerOnlyRights = 983294;
constexpr int32_t kNewObjectRights = 1048319;

int32_t NextObjectId(const Catalog& catalog) {
  uint32_t next = 0;
  for (const auto& entry : catalog.entries()) {
    const auto id = static_cast<uint32_t>(entry.id);
    if (id & kObjectIdBit) next = std::max(next, (id & ~kObjectIdBit) + 1);
  }
  return static_cast<int32_t>(kObjectIdBit | next);
}

// A value for a column of MSysQueries in the column's own type.
Value Whole(const ColumnDef& c, int64_t v) {
  switch (c.type()) {
    case ColumnType::kByte: return static_cast<uint8_t>(v);
    case ColumnType::kInteger: return static_cast<int16_t>(v);
    case ColumnType::kLong: return static_cast<int32_t>(v);
    default: return Null{};
  }
}

Value TextOrNull(const std::optional<std::string>& s) { return s ? Value(*s) : Value(Null{}); }

}  // namespace

Status CreateSavedQuery(Database& db, PageWriter& writer, const SavedQuery& q) {
  const Where where = Where::Place(db.fileName() + ", query " + q.name);
  if (q.kind != QueryKind::kSelect && q.kind != QueryKind::kUnion)
    return Status::Unsupported(where, "only select and union queries are written");
  for (const auto& entry : db.catalog().entries()) {
    if ((entry.isTable() || entry.isQuery() || entry.isLinkedTable()) && EqualsIgnoreCase(entry.name, q.name))
      return Status(ErrorCode::kExists, where, "an object of that name exists already");
  }
  const int32_t id = NextObjectId(db.catalog());
  const InsertOptions catalogue{.catalogue = true};

  JET_ASSIGN_OR_RETURN(const auto queriesDef, db.tableDef(query::kQueriesTable));
  // Order tells apart the rows of one attribute (it is part of the table's key): Access
  // counts them from 1, four bytes most significant first. Inputs, WHERE, HAVING, ORDER BY
  // and the end row have no Flag.
  std::map<uint8_t, uint32_t> perAttribute;
  for (const QueryRow& r : q.rows) {
    const uint32_t n = ++perAttribute[r.attribute];
    const auto a = static_cast<Attribute>(r.attribute);
    const bool flagged = a != Attribute::kInput && a != Attribute::kWhere && a != Attribute::kHaving &&
                         a != Attribute::kOrderBy && a != Attribute::kEnd;
    std::vector<Value> row;
    for (const auto& c : queriesDef->columns) {
      if (c.name == "Attribute") row.push_back(Whole(c, r.attribute));
      else if (c.name == "Expression") row.push_back(TextOrNull(r.expression));
      else if (c.name == "Flag") row.push_back(flagged ? Whole(c, r.flag) : Value(Null{}));
      else if (c.name == "Name1") row.push_back(TextOrNull(r.name1));
      else if (c.name == "Name2") row.push_back(TextOrNull(r.name2));
      else if (c.name == "ObjectId") row.push_back(Whole(c, id));
      else if (c.name == "Order") {
        Binary order;
        order.bytes = r.order.empty() ? std::vector<uint8_t>{static_cast<uint8_t>(n >> 24), static_cast<uint8_t>(n >> 16),
                                                             static_cast<uint8_t>(n >> 8), static_cast<uint8_t>(n)}
                                      : r.order;
        row.push_back(std::move(order));
      } else {
        row.push_back(Null{});
      }
    }
    JET_RETURN_IF_ERROR(InsertRow(writer, *queriesDef, row, catalogue).status());
  }

  JET_ASSIGN_OR_RETURN(const auto objectsDef, db.tableDef("MSysObjects"));
  const int32_t flags = static_cast<int32_t>(q.kind == QueryKind::kUnion ? query::ObjectFlag::kUnion : query::ObjectFlag::kSelect);
  JET_ASSIGN_OR_RETURN(const auto object, NewObjectRow(db, *objectsDef, id, catalog::kTablesContainerId, q.name,
                                                       static_cast<int16_t>(catalog::ObjectType::kQuery), flags));
  JET_RETURN_IF_ERROR(InsertRow(writer, *objectsDef, object, catalogue).status());

  if (!db.catalog().findTable("MSysACEs")) return Status::Ok();
  JET_ASSIGN_OR_RETURN(const auto acesDef, db.tableDef("MSysACEs"));
  JET_ASSIGN_OR_RETURN(const auto containerRows, FindRowsWithNumber(db, "MSysACEs", "ObjectId", catalog::kTablesContainerId));
  for (const auto& row : containerRows) {
    if (AsWholeNumber(ColumnValue(*acesDef, row, "ACM")) == kContainerOnlyRights) continue;
    std::vector<Value> ace;
    for (const auto& c : acesDef->columns) {
      if (c.name == "ObjectId") ace.push_back(id);
      else if (c.name == "ACM") ace.push_back(kNewObjectRights);
      else if (c.name == "FInheritable") ace.push_back(false);
      else ace.push_back(ColumnValue(*acesDef, row, c.name));
    }
    JET_RETURN_IF_ERROR(InsertRow(writer, *acesDef, ace, catalogue).status());
  }
  return Status::Ok();
}

}  // namespace jet
