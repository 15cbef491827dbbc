// A deliberately small, independent reader for the index tests: just enough of an
// Access file (TDEF of MSysObjects, its columns and real indexes, single rows) to
// compare the stored catalogue indexes with what jet/index computes. Plain files only.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "jet/index/IndexPageFormat.h"
#include "jet/index/IndexPageStore.h"

namespace jetindex_test {

struct ColumnInfo {
  std::string name;
  uint8_t type = 0;
  uint16_t number = 0;
  uint16_t varSlot = 0;
  uint16_t fixedOffset = 0;
  bool fixed = false;
  uint16_t sortLcid = 0;
  uint8_t sortVersion = 0;
  uint8_t sortId = 0;
};

struct RealIndexInfo {
  std::vector<std::pair<uint16_t, bool>> columns;  // column number, ascending
  uint32_t rootPage = 0;
  uint8_t flags = 0;
};

struct RowValues {
  int32_t id = 0;
  int32_t parentId = 0;
  std::u16string name;
  bool nameNull = false;
};

class CorpusFile {
 public:
  // Empty if the file is not a plain Jet3/Jet4/ACE file whose page 2 is a TDEF.
  static std::optional<CorpusFile> Open(const std::filesystem::path& path);

  bool jet3() const { return jet3_; }
  const jet::index::IndexPageLayout& layout() const { return jet3_ ? jet::index::kJet3IndexPageLayout
                                                                   : jet::index::kJet4IndexPageLayout; }
  const std::vector<ColumnInfo>& columns() const { return columns_; }
  const std::vector<RealIndexInfo>& indexes() const { return indexes_; }
  const ColumnInfo* column(const std::string& name) const;
  std::vector<uint8_t> page(uint32_t n) const;
  uint32_t pageCount() const { return static_cast<uint32_t>(bytes_.size() / pageSize_); }
  // All pages, for running jet/index on the real bytes.
  void fill(jet::index::MemoryPageStore& store) const;
  // The MSysObjects row at (page, row); empty if it is not a live row.
  std::optional<RowValues> readCatalogRow(uint32_t page, uint8_t row) const;

 private:
  std::vector<uint8_t> bytes_;
  uint32_t pageSize_ = 4096;
  bool jet3_ = false;
  std::vector<ColumnInfo> columns_;
  std::vector<RealIndexInfo> indexes_;
};

// Every .mdb/.accdb under the corpus, sorted.
std::vector<std::filesystem::path> CorpusFiles();

}  // namespace jetindex_test
