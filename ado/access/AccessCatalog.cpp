#include "ado/access/AccessCatalog.h"

#include <algorithm>
#include <cctype>
#include <optional>

namespace ado::access {

namespace {

constexpr std::uint32_t kQueryTypeMask = 0xF0;
constexpr std::uint32_t kSelectQuery = 0x00;
constexpr std::uint32_t kCrosstabQuery = 0x10;
constexpr std::uint32_t kUnionQuery = 0x80;

std::optional<std::string> schemaTypeOf(const jet::CatalogEntry& entry) {
  if (entry.isTable()) return entry.isSystem() ? "SYSTEM TABLE" : "TABLE";
  if (entry.isLinkedTable()) return "LINK";
  if (IsRowReturningQuery(entry)) return "VIEW";
  return std::nullopt;
}

bool lessIgnoringCase(const std::string& a, const std::string& b) {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](unsigned char x, unsigned char y) {
    return std::tolower(x) < std::tolower(y);
  });
}

}  // namespace

bool IsRowReturningQuery(const jet::CatalogEntry& entry) {
  if (!entry.isQuery() || entry.isSystem()) return false;
  const std::uint32_t kind = entry.flags & kQueryTypeMask;
  return kind == kSelectQuery || kind == kCrosstabQuery || kind == kUnionQuery;
}

std::vector<TableEntry> SchemaTables(const jet::Catalog& catalog) {
  std::vector<TableEntry> rows;
  for (const jet::CatalogEntry& entry : catalog.entries())
    if (auto type = schemaTypeOf(entry))
      rows.push_back({entry.name, *type, entry.connect.empty() ? entry.database : entry.connect, entry.foreignName});
  std::stable_sort(rows.begin(), rows.end(), [](const TableEntry& a, const TableEntry& b) {
    if (a.type != b.type) return a.type < b.type;
    return lessIgnoringCase(a.name, b.name);
  });
  return rows;
}

}  // namespace ado::access
