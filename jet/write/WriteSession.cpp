#include "jet/write/WriteSession.h"

#include "jet/write/QueryWriter.h"

#include "jet/index/TextSortOrder.h"
#include "jet/write/AutoNumbers.h"
#include "jet/write/CatalogRows.h"
#include "jet/write/IndexCreator.h"
#include "jet/write/QueryWriter.h"
#include "jet/write/TableDropper.h"
#include "jet/write/TableWriter.h"

namespace jet {
WriteSession::WriteSession(std::unique_ptr<Database> db, std::unique_ptr<AccessLockFile> lockFile)
    : db_(std::move(db)), lockFile_(std::move(lockFile)), writer_(db_->file()) {}

WriteSession::~WriteSession() = default;

Result<std::unique_ptr<WriteSession>> WriteSession::Open(const std::string& path, const std::string& password,
                                                          const LockWait& wait) {
  Database::Options options;
  options.password = password;
  options.writable = true;
  options.lockWait = wait;
  // Opening locks the database exclusively.
  JET_ASSIGN_OR_RETURN(std::unique_ptr<Database> db, Database::Open(path, options));
  const DatabaseHeader& header = db->header();
  auto order = index::ResolveTextSortOrder(header.sortOrder.lcid, header.sortOrder.sortId, header.sortOrder.version,
                                           header.jet3());
  if (!order.ok()) return Status(ErrorCode::kReadOnly, Where::File(path), order.status().message());
  JET_ASSIGN_OR_RETURN(auto lockFile, AccessLockFile::Acquire(path, wait));
  return std::unique_ptr<WriteSession>(new WriteSession(std::move(db), std::move(lockFile)));
}

Status WriteSession::run(const std::function<Status()>& body, bool catalogueChanges) {
  // Creating and dropping tables may give a map row to another map.
  if (catalogueChanges) writer_.forgetCaches();
  writer_.beginStatement();
  Status status = body();
  // Before the commit, so that a failed early write undoes this statement like any failure.
  if (status.ok() && inBatch_) status = writer_.boundMemory();
  if (status.ok()) status = writer_.commitStatement(!inBatch_);
  if (!status.ok()) {
    writer_.rollbackStatement();
    if (!inBatch_) {
      writer_.discardUnflushed();
      db_->file().discardChanges();
    }
  }
  if (catalogueChanges || !status.ok()) {
    Status reloaded = forgetCatalog();
    if (status.ok() && !reloaded.ok()) return reloaded;
  }
  return status;
}

Status WriteSession::forgetCatalog() {
  writer_.forgetCaches();
  enforcedRelationships_.reset();
  insertTarget_.reset();
  return db_->reload();
}

Status WriteSession::commitBatch() {
  inBatch_ = false;
  writer_.beginStatement();
  Status s = writer_.commitStatement(true);
  if (!s.ok()) {
    writer_.discardUnflushed();
    db_->file().discardChanges();
    forgetCatalog().IgnoreError();  // the failed commit is what the caller hears of
  }
  return s;
}

void WriteSession::rollbackBatch() {
  inBatch_ = false;
  writer_.discardUnflushed();
  db_->file().discardChanges();
  // Not reported (rollbackBatch() returns nothing): if the catalogue cannot be read
  // again, the one held from before the rollback stays.
  forgetCatalog().IgnoreError();
}

Status WriteSession::createTable(const std::string& name, const std::vector<NewColumn>& columns,
                                 const std::vector<NewIndex>& indexes, const NewTableProperties& table) {
  return run([&]() -> Status { return CreateTable(*db_, writer_, name, columns, indexes, table).status(); }, true);
}

Status WriteSession::createIndex(const std::string& table, const NewIndex& index) {
  return run([&]() -> Status { return CreateIndex(*db_, writer_, table, index).status(); }, true);
}

Result<const WriteSession::InsertTarget*> WriteSession::insertTarget(const std::string& name) {
  if (insertTarget_ && insertTarget_->name == name) return &*insertTarget_;
  JET_ASSIGN_OR_RETURN(auto def, db_->tableDef(name));
  const CatalogEntry* entry = db_->catalog().findTable(name);
  if (entry && entry->isSystem()) {
    return Status::InvalidArgument(Where::File(db_->fileName()), entry->name + " is a system table");
  }
  JET_ASSIGN_OR_RETURN(auto relationships, enforcedRelationships());
  JET_ASSIGN_OR_RETURN(auto references, ReferenceChecksFor(*db_, *relationships, *def));
  InsertTarget target{name, def, def->columnsByNumber(), true, std::move(references)};
  for (size_t k = 0; k < target.byNumber.size(); ++k)
    target.numberOrder = target.numberOrder && target.byNumber[k] == &target.def->columns[k];
  insertTarget_ = std::move(target);
  return &*insertTarget_;
}

Result<const std::vector<const ColumnDef*>*> WriteSession::insertColumns(const std::string& name) {
  JET_ASSIGN_OR_RETURN(auto target, insertTarget(name));
  return &target->byNumber;
}

Status WriteSession::insert(const std::string& name, std::vector<Value> values) {
  // Captures of two pointers fit std::function's own storage: no allocation per row.
  const std::pair<const std::string*, std::vector<Value>*> row{&name, &values};
  return run([this, &row] { return insertRow(*row.first, *row.second); }, false);
}

Status WriteSession::insertRow(const std::string& name, std::vector<Value>& values) {
  JET_ASSIGN_OR_RETURN(auto target, insertTarget(name));
  const TableDef& def = *target->def;
  const auto& byNumber = target->byNumber;
  if (values.size() != byNumber.size()) {
    return Status::InvalidArgument(Where::File(db_->fileName()),
                                   "table " + def.name + " has " + std::to_string(byNumber.size()) +
                                       " columns, the statement gives " + std::to_string(values.size()) + " values");
  }
  // Values come in column-number order; the row encoder takes definition order. AutoNumber
  // columns are numbered here, in the row itself, so that InsertRow need not copy it.
  auto number = [&](std::vector<Value>& row) -> Status {
    if (!LacksAutoNumbers(def, row)) return Status::Ok();
    return FillAutoNumbers(writer_, def, row, Where::Table(db_->fileName(), def.name));
  };
  // Each enforced relationship's key must have its row in the referenced table.
  auto checkReferences = [&](const std::vector<Value>& row) -> Status {
    for (const ReferenceCheck& check : target->references) JET_RETURN_IF_ERROR(CheckReference(writer_, check, def, row));
    return Status::Ok();
  };
  if (target->numberOrder) {
    JET_RETURN_IF_ERROR(number(values));
    JET_RETURN_IF_ERROR(checkReferences(values));
    return InsertRow(writer_, def, values).status();
  }
  std::vector<Value> ordered(def.columns.size());
  for (size_t k = 0; k < byNumber.size(); ++k) {
    ordered[static_cast<size_t>(byNumber[k] - def.columns.data())] = std::move(values[k]);
  }
  JET_RETURN_IF_ERROR(number(ordered));
  JET_RETURN_IF_ERROR(checkReferences(ordered));
  return InsertRow(writer_, def, ordered).status();
}

Result<const std::vector<StoredRelationship>*> WriteSession::enforcedRelationships() {
  if (!enforcedRelationships_) {
    JET_ASSIGN_OR_RETURN(auto all, EnforcedRelationships(*db_));
    enforcedRelationships_ = std::move(all);
  }
  return &*enforcedRelationships_;
}

Status WriteSession::createRelationship(const NewRelationship& relationship) {
  return run([&]() -> Status { return CreateRelationship(*db_, writer_, relationship); }, true);
}

Status WriteSession::createQuery(const std::string& name, const std::string& accessSql) {
  return run(
      [&]() -> Status {
        JET_ASSIGN_OR_RETURN(const SavedQuery query, SavedQueryFromSql(name, accessSql));
        return CreateSavedQuery(*db_, writer_, query);
      },
      true);
}

Status WriteSession::dropTable(const std::string& name) {
  return run([&]() -> Status { return DropTable(*db_, writer_, name); }, true);
}

Result<std::vector<NewColumn>> ColumnsOf(const TableDef& table, const std::string& fileName, const JetFormat& format) {
  std::vector<NewColumn> out;
  for (const ColumnDef* c : table.columnsByNumber()) {
    if (c->type() == ColumnType::kComplex || c->calculated() || !IsKnownColumnType(c->typeCode) ||
        c->type() == ColumnType::kDateTimeExtended) {
      return Status::Unsupported(Where::File(fileName), "table " + table.name + ", column " + c->name +
                                                            ": columns of this kind cannot be copied");
    }
    NewColumn n;
    n.name = c->name;
    n.type = c->type();
    // Text sizes count bytes: two a character in Jet4/ACE, one in Jet3.
    const uint16_t perCharacter = format.jet3 ? 1 : 2;
    n.length = c->type() == ColumnType::kText ? static_cast<uint16_t>(c->length / perCharacter) : c->length;
    n.precision = c->precision;
    n.scale = c->scale;
    out.push_back(n);
  }
  return out;
}

Status WriteSession::copyTable(const std::string& source, const std::string& target) {
  return run(
      [&]() -> Status {
        JET_ASSIGN_OR_RETURN(auto def, db_->tableDef(source));
        JET_ASSIGN_OR_RETURN(auto columns, ColumnsOf(*def, db_->fileName(), db_->file().format()));
        JET_ASSIGN_OR_RETURN(auto page, CreateTable(*db_, writer_, target, columns));
        JET_ASSIGN_OR_RETURN(auto targetDef, db_->tableDefAt(page, target));
        JET_ASSIGN_OR_RETURN(auto cursor, db_->scan(def));
        const auto sourceColumns = def->columnsByNumber();
        while (true) {
          JET_ASSIGN_OR_RETURN(auto more, cursor.next());
          if (!more) break;
          // The copy's columns are numbered 0..n-1 in the source's column-number order.
          std::vector<Value> values(sourceColumns.size());
          for (size_t k = 0; k < sourceColumns.size(); ++k) {
            JET_ASSIGN_OR_RETURN(auto v, cursor.value(static_cast<size_t>(sourceColumns[k] - def->columns.data())));
            values[k] = std::move(v);
          }
          JET_RETURN_IF_ERROR(InsertRow(writer_, *targetDef, values).status());
          JET_RETURN_IF_ERROR(writer_.boundMemory());
        }
        return Status::Ok();
      },
      true);
}

}  // namespace jet
