// Values of ACE complex columns (attachments, multi-value fields, version history).
// A complex column stores an int32 key per row; the values live in a hidden "flat"
// table that MSysComplexColumns names for (table, column). Attachments are decoded
// (FileData unwrapped and inflated); other kinds give an Unsupported placeholder for
// rows that have values and an empty list for rows that have none. Each flat table
// is read once, on first use.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "jet/Status.h"
#include "jet/TableDef.h"
#include "jet/Value.h"

namespace jet {

class Database;

class ComplexColumns {
 public:
  explicit ComplexColumns(Database& db) : db_(db) {}

  Result<Value> resolve(const TableDef& table, const ColumnDef& column, int32_t key);

  // The hidden table that holds the values of `column` of `table`, and the index (definition
  // order) of its column that holds the key the row of `table` keeps.
  struct FlatTable {
    std::shared_ptr<const TableDef> def;
    size_t keyColumn = 0;
  };
  Result<FlatTable> flatTable(const TableDef& table, const ColumnDef& column);

  // Unwraps attachment FileData: 8-byte header (0 raw / 1 deflated, length), then
  // a length-prefixed header and the file's bytes.
  static Result<std::vector<uint8_t>> DecodeAttachmentData(std::span<const uint8_t> stored);

 private:
  struct FlatValues {
    bool attachments = false;
    bool failed = false;  // the hidden table could not be read: every value is a placeholder
    std::string unsupportedReason;
    std::unordered_map<int32_t, std::vector<Attachment>> byKey;
    std::unordered_map<int32_t, size_t> counts;
  };
  Result<const FlatValues*> load(const TableDef& table, const ColumnDef& column);

  Database& db_;
  std::map<std::pair<uint32_t, uint16_t>, FlatValues> loaded_;
};

}  // namespace jet
