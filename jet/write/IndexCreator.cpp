#include "jet/write/IndexCreator.h"

#include <algorithm>
#include <optional>

#include "jet/Bytes.h"
#include "jet/Catalog.h"
#include "jet/format/PageTypes.h"
#include "jet/write/DataPageWriter.h"
#include "jet/write/IndexWriter.h"
#include "jet/write/TableCreator.h"
#include "jet/write/UsageMapWriter.h"
#include "jet/write/WriteFormat.h"
#include "jet/write/Jet3TableDef.h"

namespace jet {
namespace {

constexpr size_t kMaxIndexesPerTable = 32;

// What a new logical index is, besides its columns.
struct LogicalRequest {
  NewIndex index;
  bool foreign = false;
  uint8_t role = 0;  // kForeignKeyOnReferencedTable / kForeignKeyOnReferencingTable
  uint32_t relatedIndex = 0;
  uint32_t relatedTable = 0;
  bool cascadeUpdates = false;
  bool cascadeDeletes = false;
};

// Where the index parts of a Jet4/ACE definition start.
struct Sections {
  size_t realCounts = 0;    // 12 bytes per real index
  size_t reals = 0;         // real index blocks
  size_t logicals = 0;      // logical index blocks
  std::vector<size_t> logicalNames;  // start of each logical index name
  size_t trailer = 0;       // long-value map list
  size_t end = 0;           // the definition's length
};

Result<Sections> FindSections(const TableDef& def, const JetFormat& f, const Where& context) {
  const std::vector<uint8_t>& raw = def.raw;
  auto truncated = [&] { return Status(ErrorCode::kCorrupt, context, "the table definition is truncated"); };
  Sections s;
  s.realCounts = f.tdef.realIndexCounts;
  size_t pos = s.realCounts + f.tdef.realIndexCountSize * def.realIndexes.size() + f.column.size * def.columns.size();
  for (size_t i = 0; i < def.columns.size(); ++i) {
    if (pos + 2 > raw.size()) return truncated();
    pos += 2 + LoadU16(&raw[pos]);
  }
  s.reals = pos;
  s.logicals = s.reals + f.realIndex.size * def.realIndexes.size();
  pos = s.logicals + f.logicalIndex.size * def.logicalIndexes.size();
  for (size_t i = 0; i < def.logicalIndexes.size(); ++i) {
    if (pos + 2 > raw.size()) return truncated();
    s.logicalNames.push_back(pos);
    pos += 2 + LoadU16(&raw[pos]);
  }
  if (pos > raw.size()) return truncated();
  s.trailer = pos;
  s.end = LoadU32(&raw[f.tdef.length]);
  if (s.end < s.trailer + 2 || s.end > raw.size()) {
    return Status(ErrorCode::kCorrupt, context,
                  "the table definition's length (" + std::to_string(s.end) + " bytes) does not fit its parts");
  }
  return s;
}

// A new inline usage-map row for an index: on `preferred` (the table's map page) while it
// has room, else on a new map page.
Result<RowPointer> AddIndexMapRow(PageWriter& writer, uint32_t preferred) {
  const JetFormat& format = writer.format();
  std::vector<uint8_t> row(write_format::kJet4UsageMapRowSize, 0);
  row[0] = usage_map::kInline;
  if (preferred != 0) {
    JET_ASSIGN_OR_RETURN(const auto page, writer.file().read(preferred));
    const PageBytes& bytes = *page;
    if (bytes[kPageTypeOffset] == static_cast<uint8_t>(PageType::kData) &&
        LoadU32(&bytes[format.dataPage.owner]) == 0 && RowFits(bytes, format, row.size())) {
      JET_ASSIGN_OR_RETURN(uint8_t slot, AddRowToPage(writer, preferred, row));
      return RowPointer{preferred, slot};
    }
  }
  JET_ASSIGN_OR_RETURN(uint32_t fresh, writer.allocate());
  JET_ASSIGN_OR_RETURN(PageBytes* bytes, writer.modify(fresh));
  InitNewDataPage(*bytes, format, 0);
  JET_ASSIGN_OR_RETURN(uint8_t slot, AddRowToPage(writer, fresh, row));
  return RowPointer{fresh, slot};
}

// `tableName` is a copy: the reload below replaces the catalogue a caller's name may live in.
Result<uint32_t> AddLogicalIndex(Database& db, PageWriter& writer, const std::string tableName,
                                 const LogicalRequest& request) {
  const JetFormat& format = writer.format();
  // Definitions are cached as first read; inserts since then changed the row and key counts.
  JET_RETURN_IF_ERROR(db.reload());
  JET_ASSIGN_OR_RETURN(const std::shared_ptr<const TableDef> def, db.tableDef(tableName));
  const Where context = Where::Table(db.fileName(), def->name);
  const CatalogEntry* entry = db.catalog().findTable(tableName);
  if (entry && entry->isSystem()) return Status::InvalidArgument(context, "it is a system table");
  if (def->logicalIndexes.size() >= kMaxIndexesPerTable) {
    return Status(ErrorCode::kInvalidArgument, context,
                  "Access allows at most " + std::to_string(kMaxIndexesPerTable) + " indexes on a table");
  }
  JET_ASSIGN_OR_RETURN(const std::vector<IndexColumn> columns, ResolveIndexColumns(*def, request.index, context));
  JET_ASSIGN_OR_RETURN(const Sections sections, FindSections(*def, format, context));

  const uint8_t flags = request.foreign ? real_index_flags::kAlways : RealIndexFlags(request.index);
  int real = FindRealIndex(def->realIndexes, columns, flags, request.foreign);
  const bool newReal = real < 0;
  RealIndexDef added;
  if (newReal) {
    added.columns = columns;
    added.flags = flags;
    JET_ASSIGN_OR_RETURN(added.usageMap, AddIndexMapRow(writer, def->ownedPages.page));
    JET_ASSIGN_OR_RETURN(added.rootPage, writer.allocate());
    JET_ASSIGN_OR_RETURN(auto mapWriter, UsageMapWriter::Load(writer, added.usageMap, "an index of table " + def->name));
    JET_RETURN_IF_ERROR(mapWriter.add(added.rootPage));
    JET_RETURN_IF_ERROR(WriteEmptyIndexRoot(writer, added.rootPage, def->firstPage()));
    real = static_cast<int>(def->realIndexes.size());
  }

  LogicalIndexDef logical;
  logical.name = request.index.name;
  for (const auto& l : def->logicalIndexes) logical.number = std::max(logical.number, l.number + 1);
  logical.realIndex = static_cast<uint32_t>(real);
  if (request.foreign) {
    logical.indexType = kLogicalIndexForeignKey;
    logical.relatedTableType = request.role;
    logical.relatedIndex = request.relatedIndex;
    logical.relatedTable = request.relatedTable;
    logical.cascadeUpdates = request.cascadeUpdates;
    logical.cascadeDeletes = request.cascadeDeletes;
  } else {
    logical.indexType = request.index.primaryKey ? kLogicalIndexPrimaryKey : kLogicalIndexNormal;
  }

  // The definition with the new parts spliced in, last part first so that the earlier
  // offsets stay valid. Everything else (unknown bytes included) is kept as read; the
  // pages' bytes after the definition's length are not part of it.
  std::vector<uint8_t> raw = def->raw;
  raw.resize(sections.end);
  size_t listed = 0;
  while (listed < def->logicalIndexes.size() && LogicalIndexListsBefore(def->logicalIndexes[listed].name, logical.name)) {
    ++listed;
  }
  std::vector<uint8_t> part;
  AppendIndexName(part, logical.name);
  const size_t nameAt = listed < sections.logicalNames.size() ? sections.logicalNames[listed] : sections.trailer;
  raw.insert(raw.begin() + static_cast<ptrdiff_t>(nameAt), part.begin(), part.end());
  part.clear();
  AppendLogicalIndexBlock(part, logical, format);
  const size_t blockAt = sections.logicals + format.logicalIndex.size * listed;
  raw.insert(raw.begin() + static_cast<ptrdiff_t>(blockAt), part.begin(), part.end());
  if (newReal) {
    part.clear();
    AppendRealIndexBlock(part, added, format);
    raw.insert(raw.begin() + static_cast<ptrdiff_t>(sections.logicals), part.begin(), part.end());
    part.clear();
    AppendRealIndexCount(part, 0);
    const size_t countAt = sections.realCounts + format.tdef.realIndexCountSize * def->realIndexes.size();
    raw.insert(raw.begin() + static_cast<ptrdiff_t>(countAt), part.begin(), part.end());
    StoreU32(&raw[format.tdef.realIndexCount], static_cast<uint32_t>(def->realIndexes.size() + 1));
  }
  StoreU32(&raw[format.tdef.logicalIndexCount], static_cast<uint32_t>(def->logicalIndexes.size() + 1));
  StoreU32(&raw[format.tdef.length], static_cast<uint32_t>(raw.size()));
  JET_RETURN_IF_ERROR(WriteTableDefPages(writer, raw, def->pages));
  JET_RETURN_IF_ERROR(db.reload());

  if (newReal) {
    // Every row of the table into the new index (keys built from the indexed columns only).
    JET_ASSIGN_OR_RETURN(const std::shared_ptr<const TableDef> grown, db.tableDef(def->name));
    std::vector<size_t> keyed;
    for (const auto& ic : added.columns) {
      for (size_t i = 0; i < def->columns.size(); ++i) {
        if (def->columns[i].number == ic.columnNumber) keyed.push_back(i);
      }
    }
    JET_ASSIGN_OR_RETURN(TableCursor cursor, db.scan(def));
    std::vector<Value> values(def->columns.size());
    while (true) {
      JET_ASSIGN_OR_RETURN(const bool more, cursor.next());
      if (!more) break;
      for (size_t i : keyed) {
        JET_ASSIGN_OR_RETURN(values[i], cursor.value(i));
      }
      JET_RETURN_IF_ERROR(AddEntriesToIndex(writer, *grown, static_cast<size_t>(real), logical.name, values,
                                            cursor.position()));
      JET_RETURN_IF_ERROR(writer.boundMemory());
    }
  }
  return logical.number;
}

// The name Access gives the referenced side's index: ".rB", ".rC", ... (the first free).
std::string ReferencedSideName(const TableDef& def) {
  for (char letter = 'B'; letter <= 'Z'; ++letter) {
    const std::string name = std::string(".r") + letter;
    bool taken = false;
    for (const auto& l : def.logicalIndexes) taken = taken || EqualsIgnoreCase(l.name, name);
    if (!taken) return name;
  }
  return ".rA";
}

uint32_t NextLogicalNumber(const TableDef& def) {
  uint32_t next = 0;
  for (const auto& l : def.logicalIndexes) next = std::max(next, l.number + 1);
  return next;
}

std::vector<NewIndexColumn> Ascending(const std::vector<std::string>& names) {
  std::vector<NewIndexColumn> out;
  for (const auto& n : names) out.push_back({n, true});
  return out;
}

}  // namespace

Result<uint32_t> CreateIndex(Database& db, PageWriter& writer, const std::string& table, const NewIndex& index) {
  if (writer.format().jet3) return RefuseJet3Indexes(db.fileName(), table);
  LogicalRequest request;
  request.index = index;
  return AddLogicalIndex(db, writer, table, request);
}

Result<RelationshipIndexNumbers> AddRelationshipIndexes(Database& db, PageWriter& writer,
                                                        const RelationshipIndexes& relationship) {
  if (writer.format().jet3) return RefuseJet3Indexes(db.fileName(), relationship.referencingTable);
  JET_ASSIGN_OR_RETURN(const std::shared_ptr<const TableDef> child, db.tableDef(relationship.referencingTable));
  JET_ASSIGN_OR_RETURN(const std::shared_ptr<const TableDef> parent, db.tableDef(relationship.referencedTable));
  if (relationship.columns.size() != relationship.referencedColumns.size() || relationship.columns.empty()) {
    return Status(ErrorCode::kInvalidArgument, Where::File(db.fileName()),
                  "relationship " + relationship.fkName + " names " + std::to_string(relationship.columns.size()) +
                      " columns on table " + child->name + " and " +
                      std::to_string(relationship.referencedColumns.size()) + " on table " + parent->name);
  }
  const bool sameTable = child->firstPage() == parent->firstPage();
  RelationshipIndexNumbers numbers;
  numbers.referencing = NextLogicalNumber(*child);
  numbers.referenced = sameTable ? numbers.referencing + 1 : NextLogicalNumber(*parent);
  const std::string parentName =
      relationship.referencedName.empty() ? ReferencedSideName(*parent) : relationship.referencedName;

  LogicalRequest many;
  many.index.name = relationship.fkName;
  many.index.columns = Ascending(relationship.columns);
  many.foreign = true;
  many.role = kForeignKeyOnReferencingTable;
  many.relatedIndex = numbers.referenced;
  many.relatedTable = parent->firstPage();
  many.cascadeUpdates = relationship.cascadeUpdates;
  many.cascadeDeletes = relationship.cascadeDeletes;
  LogicalRequest one = many;
  one.index.name = parentName;
  one.index.columns = Ascending(relationship.referencedColumns);
  one.role = kForeignKeyOnReferencedTable;
  one.relatedIndex = numbers.referencing;
  one.relatedTable = child->firstPage();

  JET_ASSIGN_OR_RETURN(const uint32_t a, AddLogicalIndex(db, writer, relationship.referencingTable, many));
  JET_ASSIGN_OR_RETURN(const uint32_t b, AddLogicalIndex(db, writer, relationship.referencedTable, one));
  if (a != numbers.referencing || b != numbers.referenced) {
    return Status(ErrorCode::kInternal, Where::File(db.fileName()),
                  "the relationship's index numbers came out as " + std::to_string(a) + " and " + std::to_string(b) +
                      ", not " + std::to_string(numbers.referencing) + " and " + std::to_string(numbers.referenced));
  }
  return numbers;
}

}  // namespace jet
