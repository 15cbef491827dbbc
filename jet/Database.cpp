#include "jet/Database.h"

#include "jet/LongValue.h"
#include "jet/Properties.h"

namespace jet {

Database::Database(std::unique_ptr<PageFile> file) : file_(std::move(file)) {}

void Database::loadColumnProperties(TableDef& def) {
  const CatalogEntry* entry = catalog_.findById(static_cast<int32_t>(def.pages.empty() ? 0 : def.pages.front()));
  if (!entry || entry->propertiesField.empty()) return;
  // Without readable properties the result types stay unknown and the values show as undecodable,
  // and no column is required or has a default; the table itself still reads.
  auto bytes = ReadLongValue(*file_, entry->propertiesField, Where::Table(fileName(), def.name) + ", properties");
  if (!bytes.ok()) return;
  auto blocks = ParseProperties(*bytes, file_->header().jet3(), file_->header().codePage);
  if (!blocks.ok()) return;
  ApplyColumnProperties(def, *blocks, file_->header().jet3(), file_->header().codePage);
}

Result<std::unique_ptr<Database>> Database::Open(const std::string& path, const Options& options) {
  PageFile::Options fileOptions;
  fileOptions.password = options.password;
  fileOptions.cachePages = options.cachePages;
  fileOptions.writable = options.writable;
  fileOptions.lockWait = options.lockWait;
  JET_ASSIGN_OR_RETURN(auto file, PageFile::Open(path, fileOptions));
  std::unique_ptr<Database> db(new Database(std::move(file)));
  JET_ASSIGN_OR_RETURN(auto catalog, Catalog::Load(*db->file_));
  db->catalog_ = std::move(catalog);
  db->complex_ = std::make_unique<ComplexColumns>(*db);
  return db;
}

Status Database::reload() {
  defs_.clear();
  JET_ASSIGN_OR_RETURN(auto catalog, Catalog::Load(*file_));
  catalog_ = std::move(catalog);
  complex_ = std::make_unique<ComplexColumns>(*this);
  return Status::Ok();
}

Result<std::shared_ptr<const TableDef>> Database::tableDefAt(uint32_t page, const std::string& name) {
  if (auto it = defs_.find(page); it != defs_.end()) return it->second;
  auto def = ReadTableDef(*file_, page, name);
  if (!def.ok()) return def.status();
  loadColumnProperties(*def);
  auto shared = std::make_shared<const TableDef>(std::move(def.value()));
  defs_[page] = shared;
  return shared;
}

Result<std::shared_ptr<const TableDef>> Database::tableDef(const std::string& name) {
  const CatalogEntry* entry = catalog_.findTable(name);
  if (!entry) return Status::NotFound(Where::File(fileName()), "no table named " + name);
  return tableDefAt(entry->tableDefPage(), entry->name);
}

Result<TableCursor> Database::scan(std::shared_ptr<const TableDef> def) {
  ComplexColumns* complex = complex_.get();
  return TableCursor::Open(*file_, std::move(def), [complex](const TableDef& t, const ColumnDef& c, int32_t key) {
    return complex->resolve(t, c, key);
  });
}

Result<TableCursor> Database::scan(const std::string& name) {
  JET_ASSIGN_OR_RETURN(auto def, tableDef(name));
  return scan(std::move(def));
}

}  // namespace jet
