// Keeps a table's indexes right when rows come and go: builds each real index's key
// from the row's values and inserts or removes the entry in its B-tree (jet/index),
// whose pages live in the database file and are counted in the index's usage map.
// Index kinds whose keys this engine cannot build yet are refused before anything is
// written (checkIndexable), so no row is ever missing from an index.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "jet/Status.h"
#include "jet/TableDef.h"
#include "jet/Value.h"
#include "jet/format/PageTypes.h"
#include "jet/write/PageWriter.h"

namespace jet {

// Ok if every real index of `table` can be maintained; else kUnsupported naming the
// table, the index column and its type.
Status CheckIndexable(const TableDef& table, const PageFile& file);

// Adds the entries of the row at `row` (values in definition order) to every index;
// updates the TDEF's unique-entry counts. A duplicate in a unique index is kExists.
// With `late` the changed index pages are flushed last (catalogue indexes).
Status AddIndexEntries(PageWriter& writer, const TableDef& table, const std::vector<Value>& values,
                       RowPointer row, bool late);

// Removes the row's entries from every index.
Status RemoveIndexEntries(PageWriter& writer, const TableDef& table, const std::vector<Value>& values,
                          RowPointer row, bool late);

// Writes an empty root leaf for a new index of the table whose definition starts at
// `tdefPage`.
Status WriteEmptyIndexRoot(PageWriter& writer, uint32_t page, uint32_t tdefPage);

// Adds the entries of the row at `row` to real index `realIndex` of `table` alone (a new
// index being filled from the table's rows). A duplicate in a unique index is kExists
// naming the table, `indexName` and the repeated value.
Status AddEntriesToIndex(PageWriter& writer, const TableDef& table, size_t realIndex, const std::string& indexName,
                         const std::vector<Value>& values, RowPointer row);

// The key real index `realIndex` of `table` gives a row with `values` (definition order),
// built as the index itself builds it (its columns' sort orders and directions); nullopt
// when every column of the key is Null.
Result<std::optional<std::vector<uint8_t>>> IndexKeyOf(const PageFile& file, const TableDef& table, size_t realIndex,
                                                       const std::vector<Value>& values);

// Whether real index `realIndex` of `table` holds an entry with this key (the pages as
// the writer has them, rows of statements not yet committed included).
Result<bool> IndexHasKey(PageWriter& writer, const TableDef& table, size_t realIndex, std::span<const uint8_t> key);

// Validates every index tree of `table` (order, links, node rules); the check tool and
// the tests use it after writes. `entryCounts`, if given, receives each real index's
// number of entries (to compare with the table's rows).
Status ValidateIndexes(PageWriter& writer, const TableDef& table, std::vector<size_t>* entryCounts = nullptr);

}  // namespace jet
