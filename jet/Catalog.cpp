#include "jet/Catalog.h"

#include <memory>

#include "jet/TableCursor.h"
#include "jet/Text.h"

namespace jet {

bool EqualsIgnoreCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

Result<Catalog> Catalog::Load(PageFile& file) {
  JET_ASSIGN_OR_RETURN(auto def, ReadTableDef(file, catalog::kMSysObjectsPage, "MSysObjects"));
  auto shared = std::make_shared<const TableDef>(std::move(def));

  struct Wanted {
    const char* name;
    int index = -1;
  };
  Wanted id{"Id"}, parentId{"ParentId"}, name{"Name"}, type{"Type"}, flags{"Flags"}, database{"Database"},
      foreignName{"ForeignName"}, connect{"Connect"}, properties{"LvProp"};
  Wanted* all[] = {&id, &parentId, &name, &type, &flags, &database, &foreignName, &connect};
  for (size_t i = 0; i < shared->columns.size(); ++i) {
    for (Wanted* w : all) {
      if (shared->columns[i].name == w->name) w->index = static_cast<int>(i);
    }
    if (shared->columns[i].name == properties.name) properties.index = static_cast<int>(i);
  }
  if (id.index < 0 || name.index < 0 || type.index < 0) {
    return Status::Corrupt(Where::File(file.fileName()), "the catalogue (MSysObjects) lacks Id, Name or Type");
  }

  JET_ASSIGN_OR_RETURN(auto cursor, TableCursor::Open(file, shared));
  Catalog catalog;
  const ColumnDef& nameColumn = shared->columns[static_cast<size_t>(name.index)];
  catalog.names_ = NameRule::ForSortOrder(nameColumn.sortOrder.lcid, nameColumn.sortOrder.sortId,
                                        nameColumn.sortOrder.version, file.format().jet3);
  while (true) {
    JET_ASSIGN_OR_RETURN(auto more, cursor.next());
    if (!more) break;
    CatalogEntry e;
    auto get = [&](const Wanted& w) -> Result<Value> {
      if (w.index < 0) return Value(Null{});
      return cursor.value(static_cast<size_t>(w.index));
    };
    auto asInt = [](const Value& v) -> int64_t {
      if (auto* i = std::get_if<int32_t>(&v)) return *i;
      if (auto* s = std::get_if<int16_t>(&v)) return *s;
      return 0;
    };
    auto asText = [](const Value& v) -> std::string {
      if (auto* s = std::get_if<std::string>(&v)) return *s;
      return {};
    };
    for (const Wanted* w : all) {
      JET_ASSIGN_OR_RETURN(auto v, get(*w));
      if (w == &id) e.id = static_cast<int32_t>(asInt(v));
      if (w == &parentId) e.parentId = static_cast<int32_t>(asInt(v));
      if (w == &name) e.name = asText(v);
      if (w == &type) e.type = static_cast<int16_t>(asInt(v));
      if (w == &flags) e.flags = static_cast<uint32_t>(asInt(v));
      if (w == &database) e.database = asText(v);
      if (w == &foreignName) e.foreignName = asText(v);
      if (w == &connect) e.connect = asText(v);
    }
    if (e.isTable() && properties.index >= 0) {
      const FieldSlice& f = cursor.fields()[static_cast<size_t>(properties.index)];
      if (f.present) e.propertiesField.assign(f.bytes.begin(), f.bytes.end());
    }
    catalog.keys_.push_back(catalog.names_.key(e.name));
    catalog.entries_.push_back(std::move(e));
  }
  return catalog;
}

const CatalogEntry* Catalog::findTable(const std::string& name) const {
  // The spelling a table is usually asked for by first: no key to make.
  for (const auto& e : entries_) {
    if (e.isTable() && EqualsIgnoreCase(e.name, name)) return &e;
  }
  const std::string wanted = names_.key(name);
  for (size_t i = 0; i < entries_.size(); ++i) {
    if (entries_[i].isTable() && keys_[i] == wanted) return &entries_[i];
  }
  return nullptr;
}

const CatalogEntry* Catalog::findNamed(int32_t parentId, const std::string& name) const {
  const std::string wanted = names_.key(name);
  for (size_t i = 0; i < entries_.size(); ++i) {
    if (entries_[i].parentId == parentId && keys_[i] == wanted) return &entries_[i];
  }
  return nullptr;
}

const CatalogEntry* Catalog::findById(int32_t id) const {
  for (const auto& e : entries_) {
    if ((static_cast<uint32_t>(e.id) & catalog::kIdPageMask) == (static_cast<uint32_t>(id) & catalog::kIdPageMask) &&
        e.isTable()) {
      return &e;
    }
  }
  return nullptr;
}

std::vector<const CatalogEntry*> Catalog::userTables() const {
  std::vector<const CatalogEntry*> out;
  for (const auto& e : entries_) {
    if (e.isUserTable()) out.push_back(&e);
  }
  return out;
}

}  // namespace jet
