#include "jet/write/RelationshipWriter.h"

#include <algorithm>
#include <map>
#include <set>

#include "jet/Text.h"
#include "jet/format/CatalogLayout.h"
#include "jet/index/TableIndexes.h"
#include "jet/write/CatalogRows.h"
#include "jet/write/IndexCreator.h"
#include "jet/write/IndexWriter.h"
#include "jet/write/TableCreator.h"
#include "jet/write/TableWriter.h"

namespace jet {
namespace {

constexpr uint8_t kPrimaryKeyIndex = 1;
// MSysACEs of a relationship: the Relationships container's inheritable entries with the
// container's rights, except the creator's; the database owner with these rights.
constexpr int32_t kContainerCreatorRights = 983294;
constexpr int32_t kRelationshipOwnerRights = 983294;
// Ids of objects that are not tables: the top bit set, numbered upwards from there.
constexpr uint32_t kObjectIdBit = 0x80000000u;

const ColumnDef* FindColumn(const TableDef& def, const std::string& name) {
  for (const auto& c : def.columns)
    if (EqualsIgnoreCase(c.name, name)) return &c;
  return nullptr;
}

// A value as a message shows it.
std::string Shown(const Value& v) {
  if (auto* s = std::get_if<std::string>(&v)) return "\"" + *s + "\"";
  if (auto* l = std::get_if<int32_t>(&v)) return std::to_string(*l);
  if (auto* i = std::get_if<int16_t>(&v)) return std::to_string(*i);
  if (auto* b = std::get_if<uint8_t>(&v)) return std::to_string(*b);
  if (auto* g = std::get_if<BigInt>(&v)) return std::to_string(g->value);
  if (auto* d = std::get_if<double>(&v)) return std::to_string(*d);
  if (auto* c = std::get_if<Currency>(&v)) return std::to_string(c->tenThousandths / 10000.0);
  if (auto* t = std::get_if<DateTime>(&v)) return "the date serial " + std::to_string(t->days);
  return "a value";
}

std::string Names(const std::vector<const ColumnDef*>& columns) {
  std::string out;
  for (const ColumnDef* c : columns) out += (out.empty() ? "" : ", ") + c->name;
  return out;
}

// The real index of `def` whose columns are exactly `columns` (any order) and that is
// unique (or the primary key's).
std::optional<size_t> UniqueIndexOn(const TableDef& def, const std::vector<const ColumnDef*>& columns) {
  std::set<uint16_t> wanted;
  for (const ColumnDef* c : columns) wanted.insert(c->number);
  for (const auto& logical : def.logicalIndexes) {
    if (logical.realIndex >= def.realIndexes.size()) continue;
    const RealIndexDef& real = def.realIndexes[logical.realIndex];
    const bool unique = (real.flags & index::kIndexUnique) || logical.indexType == kPrimaryKeyIndex;
    std::set<uint16_t> have;
    for (const auto& ic : real.columns) have.insert(ic.columnNumber);
    if (unique && have == wanted && real.columns.size() == columns.size()) return logical.realIndex;
  }
  return std::nullopt;
}

bool HasUniqueIndexOn(const TableDef& def, const std::vector<const ColumnDef*>& columns) {
  return UniqueIndexOn(def, columns).has_value();
}

// Each row's values of `columns`, in that order.
Status ForEachRow(Database& db, const std::shared_ptr<const TableDef>& def, const std::vector<const ColumnDef*>& columns,
                  const std::function<Status(const std::vector<Value>&)>& visit) {
  JET_ASSIGN_OR_RETURN(auto cursor, db.scan(def));
  std::vector<Value> values(columns.size());
  while (true) {
    JET_ASSIGN_OR_RETURN(const bool more, cursor.next());
    if (!more) return Status::Ok();
    for (size_t k = 0; k < columns.size(); ++k) {
      JET_ASSIGN_OR_RETURN(values[k], cursor.value(static_cast<size_t>(columns[k] - def->columns.data())));
    }
    JET_RETURN_IF_ERROR(visit(values));
  }
}

}  // namespace

Result<ResolvedRelationship> ResolveRelationship(Database& db, const NewRelationship& r) {
  const std::string& file = db.fileName();
  auto refuse = [&](const std::string& why) {
    return Status(ErrorCode::kInvalidArgument, Where::File(file), "relationship " + r.name + ": " + why);
  };
  ResolvedRelationship out;
  for (const std::string* name : {&r.table, &r.referencedTable}) {
    const CatalogEntry* entry = db.catalog().findTable(*name);
    if (!entry)
      return Status(ErrorCode::kNotFound, Where::File(file), "relationship " + r.name + ": no table named " + *name);
    if (entry->isSystem()) return refuse(entry->name + " is a system table");
    JET_ASSIGN_OR_RETURN((name == &r.table ? out.table : out.referencedTable), db.tableDef(entry->name));
  }
  const TableDef& child = *out.table;
  const TableDef& parent = *out.referencedTable;
  if (r.columns.empty()) return refuse("it names no columns");
  for (const auto& name : r.columns) {
    const ColumnDef* c = FindColumn(child, name);
    if (!c)
      return Status(ErrorCode::kNotFound, Where::File(file),
                    "relationship " + r.name + ": table " + child.name + " has no column named " + name);
    out.columns.push_back(c);
  }
  if (r.referencedColumns.empty()) {
    // The referenced table's primary key, in its index's column order.
    for (const auto& logical : parent.logicalIndexes) {
      if (logical.indexType != kPrimaryKeyIndex || logical.realIndex >= parent.realIndexes.size()) continue;
      for (const auto& ic : parent.realIndexes[logical.realIndex].columns) {
        for (const auto& c : parent.columns)
          if (c.number == ic.columnNumber) out.referencedColumns.push_back(&c);
      }
    }
    if (out.referencedColumns.empty()) {
      return refuse("table " + parent.name + " has no primary key; name the columns the relationship refers to");
    }
  } else {
    for (const auto& name : r.referencedColumns) {
      const ColumnDef* c = FindColumn(parent, name);
      if (!c)
        return Status(ErrorCode::kNotFound, Where::File(file),
                      "relationship " + r.name + ": table " + parent.name + " has no column named " + name);
      out.referencedColumns.push_back(c);
    }
  }
  if (out.columns.size() != out.referencedColumns.size()) {
    return refuse("it pairs " + std::to_string(out.columns.size()) + " columns of " + child.name + " with " +
                  std::to_string(out.referencedColumns.size()) + " of " + parent.name);
  }
  for (size_t k = 0; k < out.columns.size(); ++k) {
    const ColumnDef& a = *out.columns[k];
    const ColumnDef& b = *out.referencedColumns[k];
    if (a.type() != b.type() || IsLongValueType(a.type()) || a.type() == ColumnType::kComplex || a.calculated() ||
        b.calculated()) {
      return refuse("column " + child.name + "." + a.name + " (" + std::string(ColumnTypeName(a.type())) +
                    ") cannot refer to " + parent.name + "." + b.name + " (" + std::string(ColumnTypeName(b.type())) +
                    "): both must have the same type, and not Memo, OLE Object or a computed type");
    }
  }
  if (!HasUniqueIndexOn(parent, out.referencedColumns)) {
    return refuse("the columns " + Names(out.referencedColumns) + " of " + parent.name +
                  " are neither its primary key nor a unique index");
  }

  // The name must be new among relationships (MSysRelationships and the Relationships container).
  for (const auto& entry : db.catalog().entries()) {
    if (entry.parentId == catalog::kRelationshipsContainerId && EqualsIgnoreCase(entry.name, r.name)) {
      return Status(ErrorCode::kExists, Where::File(file), "a relationship named " + r.name + " exists already");
    }
  }
  JET_ASSIGN_OR_RETURN(const auto relations, AllRows(db, "MSysRelationships"));
  if (!relations.empty()) {
    JET_ASSIGN_OR_RETURN(const auto relDef, db.tableDef("MSysRelationships"));
    for (const auto& row : relations) {
      const auto* name = std::get_if<std::string>(&ColumnValue(*relDef, row, "szRelationship"));
      if (name && EqualsIgnoreCase(*name, r.name)) {
        return Status(ErrorCode::kExists, Where::File(file), "a relationship named " + r.name + " exists already");
      }
    }
  }

  out.flags = r.enforced ? 0 : relationship::kNotEnforced;
  if (r.enforced && r.cascadeUpdates) out.flags |= relationship::kCascadeUpdates;
  if (r.enforced && r.cascadeDeletes) out.flags |= relationship::kCascadeDeletes;
  if (HasUniqueIndexOn(child, out.columns)) out.flags |= relationship::kOneToOne;
  if (!r.enforced) return out;

  // Every referring row whose key columns all hold a value must find its referenced row,
  // both sides keyed as the referenced unique index keys them (as new rows are checked).
  const size_t realIndex = *UniqueIndexOn(parent, out.referencedColumns);
  // `values` of the referenced columns placed in a row of the referenced table.
  auto keyOf = [&](const std::vector<Value>& values) -> Result<std::optional<std::vector<uint8_t>>> {
    std::vector<Value> row(parent.columns.size(), Null{});
    for (size_t k = 0; k < values.size(); ++k) {
      if (IsNull(values[k])) return std::optional<std::vector<uint8_t>>();  // a Null part: nothing to match
      row[static_cast<size_t>(out.referencedColumns[k] - parent.columns.data())] = values[k];
    }
    return IndexKeyOf(db.file(), parent, realIndex, row);
  };
  std::set<std::vector<uint8_t>> keys;
  JET_RETURN_IF_ERROR(ForEachRow(db, out.referencedTable, out.referencedColumns,
                                 [&](const std::vector<Value>& v) -> Status {
                                   auto key = keyOf(v);
                                   if (!key.ok()) return refuse(parent.name + ": " + key.status().message());
                                   if (*key) keys.insert(std::move(**key));
                                   return Status::Ok();
                                 }));
  JET_RETURN_IF_ERROR(ForEachRow(db, out.table, out.columns, [&](const std::vector<Value>& v) -> Status {
    auto key = keyOf(v);
    if (!key.ok()) return refuse(child.name + ": " + key.status().message());
    if (!*key || keys.count(**key)) return Status::Ok();
    std::string values;
    for (size_t k = 0; k < v.size(); ++k) values += (k ? ", " : "") + out.columns[k]->name + " = " + Shown(v[k]);
    return refuse("table " + child.name + " has a row with " + values + " that has no row in " + parent.name +
                  " with the same " + Names(out.referencedColumns) + "; nothing was changed");
  }));
  return out;
}

Status CreateRelationship(Database& db, PageWriter& writer, const NewRelationship& r) {
  JET_ASSIGN_OR_RETURN(const ResolvedRelationship resolved, ResolveRelationship(db, r));
  const InsertOptions catalogue{.catalogue = true};

  // An enforced relationship has its foreign-key index on each table, as Access makes them.
  if (r.enforced) {
    RelationshipIndexes indexes;
    indexes.referencingTable = resolved.table->name;
    indexes.fkName = r.name;
    for (const ColumnDef* c : resolved.columns) indexes.columns.push_back(c->name);
    indexes.referencedTable = resolved.referencedTable->name;
    for (const ColumnDef* c : resolved.referencedColumns) indexes.referencedColumns.push_back(c->name);
    indexes.cascadeUpdates = r.cascadeUpdates;
    indexes.cascadeDeletes = r.cascadeDeletes;
    JET_RETURN_IF_ERROR(AddRelationshipIndexes(db, writer, indexes).status());
  }

  // One MSysRelationships row per column pair.
  JET_ASSIGN_OR_RETURN(const auto relDef, db.tableDef("MSysRelationships"));
  const auto pairs = static_cast<int32_t>(resolved.columns.size());
  for (int32_t k = 0; k < pairs; ++k) {
    std::vector<Value> row;
    for (const auto& c : relDef->columns) {
      if (c.name == "ccolumn") row.push_back(pairs);
      else if (c.name == "grbit") row.push_back(resolved.flags);
      else if (c.name == "icolumn") row.push_back(k);
      else if (c.name == "szColumn") row.push_back(resolved.columns[k]->name);
      else if (c.name == "szObject") row.push_back(resolved.table->name);
      else if (c.name == "szReferencedColumn") row.push_back(resolved.referencedColumns[k]->name);
      else if (c.name == "szReferencedObject") row.push_back(resolved.referencedTable->name);
      else if (c.name == "szRelationship") row.push_back(r.name);
      else row.push_back(Null{});
    }
    JET_RETURN_IF_ERROR(InsertRow(writer, *relDef, row, catalogue).status());
  }

  // The relationship's own catalogue row, with the next id of the objects that are not tables.
  uint32_t highest = 0;
  bool any = false;
  for (const auto& entry : db.catalog().entries()) {
    const auto id = static_cast<uint32_t>(entry.id);
    if (!(id & kObjectIdBit)) continue;
    highest = any ? std::max(highest, id & ~kObjectIdBit) : (id & ~kObjectIdBit);
    any = true;
  }
  const auto id = static_cast<int32_t>(kObjectIdBit | (any ? highest + 1 : 0));
  JET_ASSIGN_OR_RETURN(const auto objectsDef, db.tableDef("MSysObjects"));
  JET_ASSIGN_OR_RETURN(const auto object,
                       NewObjectRow(db, *objectsDef, id, catalog::kRelationshipsContainerId, r.name,
                                    static_cast<int16_t>(catalog::ObjectType::kRelationship), 0));
  JET_RETURN_IF_ERROR(InsertRow(writer, *objectsDef, object, catalogue).status());

  if (!db.catalog().findTable("MSysACEs")) return Status::Ok();
  JET_ASSIGN_OR_RETURN(const auto acesDef, db.tableDef("MSysACEs"));
  JET_ASSIGN_OR_RETURN(const auto containerRows,
                       FindRowsWithNumber(db, "MSysACEs", "ObjectId", catalog::kRelationshipsContainerId));
  // The owner first, then the others, as Access lists them.
  for (const bool ownerPass : {true, false}) {
    for (const auto& row : containerRows) {
      const int64_t rights = AsWholeNumber(ColumnValue(*acesDef, row, "ACM"));
      const Value& inheritable = ColumnValue(*acesDef, row, "FInheritable");
      const bool isOwner = !(std::holds_alternative<bool>(inheritable) && std::get<bool>(inheritable));
      if (rights == kContainerCreatorRights || isOwner != ownerPass) continue;
      std::vector<Value> ace;
      for (const auto& c : acesDef->columns) {
        if (c.name == "ObjectId") ace.push_back(id);
        else if (c.name == "ACM") ace.push_back(static_cast<int32_t>(isOwner ? kRelationshipOwnerRights : rights));
        else if (c.name == "FInheritable") ace.push_back(false);
        else ace.push_back(ColumnValue(*acesDef, row, c.name));
      }
      JET_RETURN_IF_ERROR(InsertRow(writer, *acesDef, ace, catalogue).status());
    }
  }
  return Status::Ok();
}

Result<std::vector<StoredRelationship>> EnforcedRelationships(Database& db) {
  std::vector<StoredRelationship> out;
  JET_ASSIGN_OR_RETURN(const auto rows, AllRows(db, "MSysRelationships"));
  if (rows.empty()) return out;
  JET_ASSIGN_OR_RETURN(const auto relDef, db.tableDef("MSysRelationships"));
  // Pairs by relationship name, ordered by icolumn.
  std::map<std::string, std::map<int64_t, std::pair<std::string, std::string>>> pairs;
  std::map<std::string, size_t> at;
  for (const auto& row : rows) {
    if (AsWholeNumber(ColumnValue(*relDef, row, "grbit")) & relationship::kNotEnforced) continue;
    const auto* name = std::get_if<std::string>(&ColumnValue(*relDef, row, "szRelationship"));
    const auto* table = std::get_if<std::string>(&ColumnValue(*relDef, row, "szObject"));
    const auto* referenced = std::get_if<std::string>(&ColumnValue(*relDef, row, "szReferencedObject"));
    const auto* column = std::get_if<std::string>(&ColumnValue(*relDef, row, "szColumn"));
    const auto* referencedColumn = std::get_if<std::string>(&ColumnValue(*relDef, row, "szReferencedColumn"));
    if (!name || !table || !referenced || !column || !referencedColumn) {
      return Status(ErrorCode::kCorrupt, Where::File(db.fileName()), "MSysRelationships has a row without its names");
    }
    if (!at.count(*name)) {
      at[*name] = out.size();
      out.push_back(StoredRelationship{*name, *table, *referenced, {}, {}});
    }
    pairs[*name][AsWholeNumber(ColumnValue(*relDef, row, "icolumn"))] = {*column, *referencedColumn};
  }
  for (auto& r : out) {
    for (const auto& [position, pair] : pairs[r.name]) {
      r.columns.push_back(pair.first);
      r.referencedColumns.push_back(pair.second);
    }
  }
  return out;
}

Result<std::vector<ReferenceCheck>> ReferenceChecksFor(Database& db, const std::vector<StoredRelationship>& all,
                                                       const TableDef& table) {
  std::vector<ReferenceCheck> out;
  for (const auto& r : all) {
    if (!EqualsIgnoreCase(r.table, table.name)) continue;
    const Where where = Where::Table(db.fileName(), table.name) + ", relationship " + r.name;
    ReferenceCheck check;
    check.relationship = r.name;
    auto parent = db.tableDef(r.referencedTable);
    if (!parent.ok()) return parent.status().Within(where);
    check.referencedTable = *parent;
    std::vector<const ColumnDef*> referenced;
    for (size_t k = 0; k < r.columns.size(); ++k) {
      const ColumnDef* c = FindColumn(table, r.columns[k]);
      const ColumnDef* p = FindColumn(**parent, r.referencedColumns[k]);
      if (!c || !p) {
        return Status(
            ErrorCode::kCorrupt, where,
            "it names a column (" + (c ? r.referencedColumns[k] : r.columns[k]) + ") its table does not have");
      }
      check.columns.push_back(static_cast<size_t>(c - table.columns.data()));
      check.referencedColumns.push_back(static_cast<size_t>(p - (*parent)->columns.data()));
      referenced.push_back(p);
    }
    const auto realIndex = UniqueIndexOn(**parent, referenced);
    if (!realIndex) {
      return Status(ErrorCode::kUnsupported, where,
                    "the columns " + Names(referenced) + " of " + (*parent)->name +
                        " have no unique index to look rows up in; nothing was written");
    }
    check.realIndex = *realIndex;
    out.push_back(std::move(check));
  }
  return out;
}

Status CheckReference(PageWriter& writer, const ReferenceCheck& check, const TableDef& table,
                      const std::vector<Value>& row) {
  const TableDef& parent = *check.referencedTable;
  std::vector<Value> wanted(parent.columns.size(), Null{});
  for (size_t k = 0; k < check.columns.size(); ++k) {
    const Value& v = row[check.columns[k]];
    if (IsNull(v)) return Status::Ok();  // a key with a Null refers to nothing
    wanted[check.referencedColumns[k]] = v;
  }
  JET_ASSIGN_OR_RETURN(const auto key, IndexKeyOf(writer.file(), parent, check.realIndex, wanted));
  if (!key) return Status::Ok();
  // A row of a table that refers to itself may refer to its own key.
  if (parent.firstPage() == table.firstPage()) {
    JET_ASSIGN_OR_RETURN(const auto own, IndexKeyOf(writer.file(), parent, check.realIndex, row));
    if (own == key) return Status::Ok();
  }
  JET_ASSIGN_OR_RETURN(const bool found, IndexHasKey(writer, parent, check.realIndex, *key));
  if (found) return Status::Ok();
  std::string given;
  std::string referenced;
  for (size_t k = 0; k < check.columns.size(); ++k) {
    given += (k ? ", " : "") + table.columns[check.columns[k]].name + " = " + Shown(row[check.columns[k]]);
    referenced += (k ? ", " : "") + parent.columns[check.referencedColumns[k]].name;
  }
  return Status(ErrorCode::kInvalidArgument, Where::File(writer.file().fileName()),
                "table " + table.name + ", relationship " + check.relationship + ": the row has " + given + ", but " +
                    parent.name + " has no row with that " + referenced + "; nothing was written");
}

}  // namespace jet
