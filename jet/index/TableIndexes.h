// Keeps every real index of one table in step with its rows: the writer calls addRow
// after placing a row and removeRow before deleting one. All keys are built and all
// constraints (unique, required) checked before the first index page changes, so a
// refused row leaves every index as it was. Column kinds whose keys we cannot build
// make the whole table refuse changes, with a message saying which column and why.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "jet/Status.h"
#include "jet/index/IndexKey.h"
#include "jet/index/IndexPageStore.h"
#include "jet/index/IndexTree.h"

namespace jet::index {

// Real-index flags in the table definition.
inline constexpr uint8_t kIndexUnique = 0x01;
inline constexpr uint8_t kIndexIgnoreNulls = 0x02;
inline constexpr uint8_t kIndexRequired = 0x08;

struct IndexColumnSpec {
  uint16_t columnNumber = 0;  // position in the row values passed to addRow/removeRow
  std::string columnName;     // for messages
  KeyColumn key;
};

struct IndexSpec {
  std::string name;  // for messages, e.g. "ParentIdName"
  std::vector<IndexColumnSpec> columns;
  uint32_t rootPage = 0;
  uint8_t flags = 0;
  bool primaryKey = false;  // unique and required whatever the flags say
};

// How a column of the given stored type code is keyed (Jet4 column type codes; text
// sort bytes as stored in the column definition; a decimal column's scale, and whether
// the file is Jet3/Jet4 rather than ACE, which keys descending decimals differently).
// Types we cannot key — OLE, attachments and other complex data, unknown codes — and
// unknown text sort orders give ErrorCode::kUnsupported naming the column.
Result<KeyColumn> MakeKeyColumn(uint8_t typeCode, TextSortBytes sort, bool jet3, bool ascending,
                                const std::string& columnName, uint8_t decimalScale = 0, bool legacyDecimal = false);

class TableIndexes {
 public:
  TableIndexes(IndexPageStore& store, const IndexPageLayout& layout, uint32_t tdefPage, std::string tableName,
               std::vector<IndexSpec> indexes);

  // Adds the entries of a new row. `values` is indexed by column number. Returns, per
  // index, whether the row brought a key the index did not have (the table definition
  // keeps a count of those). Refused rows (duplicate in a unique index, null in a
  // required one, a value that cannot be keyed) change nothing.
  Result<std::vector<bool>> addRow(std::span<const KeyValue> values, RowPointer row);

  // Removes the entries of a row that is being deleted.
  Status removeRow(std::span<const KeyValue> values, RowPointer row);

  // Runs the validator on every index; the report lists pages and entry counts.
  Result<std::vector<IndexTreeReport>> check();

  const std::vector<IndexSpec>& indexes() const { return indexes_; }

 private:
  struct PreparedKey {
    bool skip = false;     // ignore-nulls index and an all-null key
    bool allNull = false;  // all-null keys may repeat in a unique index
    std::vector<uint8_t> key;
  };
  Result<std::vector<PreparedKey>> prepare(std::span<const KeyValue> values, bool forInsert) const;
  std::string where(const IndexSpec& index) const;

  IndexPageStore& store_;
  IndexPageLayout layout_;
  uint32_t tdefPage_;
  std::string tableName_;
  std::vector<IndexSpec> indexes_;
};

}  // namespace jet::index
