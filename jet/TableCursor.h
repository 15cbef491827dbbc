// Streams the live rows of one table in storage order: data pages in the order of
// the table's owned-pages map, row slots in slot order. Deleted rows are skipped;
// a row that moved (overflow pointer) is read where its data lives, at the position
// of its pointer. Memory does not depend on the table's size: one page and one
// row's values at a time.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "jet/DataPage.h"
#include "jet/PageFile.h"
#include "jet/RowCodec.h"
#include "jet/Status.h"
#include "jet/TableDef.h"
#include "jet/UsageMap.h"
#include "jet/Value.h"

namespace jet {

// Turns a complex column's key into its value (attachments or a placeholder).
using ComplexResolver = std::function<Result<Value>(const TableDef&, const ColumnDef&, int32_t key)>;

class TableCursor {
 public:
  // The cursor shares `def`; `file`, and whatever `resolver` refers to, must outlive
  // it. Without a resolver complex columns yield an Unsupported placeholder.
  static Result<TableCursor> Open(PageFile& file, std::shared_ptr<const TableDef> def,
                                  ComplexResolver resolver = nullptr);

  // Moves to the next live row; false at the end of the table.
  Result<bool> next();

  const TableDef& def() const { return *def_; }
  RowPointer position() const { return position_; }
  // The current row's raw column slices (definition order): valid until next().
  const std::vector<FieldSlice>& fields() const { return fields_; }
  // Decodes column `index` (definition order) of the current row.
  Result<Value> value(size_t index);
  // The key a complex column `index` keeps in the current row (its values are in a hidden
  // table, ComplexColumns.h); nothing when the row has none.
  Result<std::optional<int32_t>> complexKey(size_t index);

 private:
  TableCursor(PageFile& file, std::shared_ptr<const TableDef> def, UsageMap pages, ComplexResolver resolver);
  Result<bool> nextPage();
  Where rowContext() const;

  PageFile* file_;
  std::shared_ptr<const TableDef> def_;
  UsageMap pages_;
  ComplexResolver resolver_;
  std::unique_ptr<RowDecoder> decoder_;
  Where tableContext_;
  std::vector<Where> columnContexts_;  // tableContext_ + ", column " + name, for long values

  uint32_t mapCursor_ = 0;
  uint32_t pageNumber_ = 0;
  PageRef page_;
  PageRef rowPage_;  // the page the current row's bytes live on (differs after an overflow)
  uint32_t slotCount_ = 0;
  uint32_t nextSlot_ = 0;
  RowPointer position_;
  std::vector<FieldSlice> fields_;
};

}  // namespace jet
