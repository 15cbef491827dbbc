// The catalogue indexes of every Access-made corpus file: their pages must decode and
// encode back to the same bytes, the trees must pass the validator, and the keys we
// compute for each catalogue row must equal the stored entries.
#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>

#include "CorpusIndexReader.h"
#include "jet/index/IndexKey.h"
#include "jet/index/IndexTree.h"

namespace jet::index {
namespace {

using jetindex_test::CorpusFile;
using jetindex_test::RealIndexInfo;

struct Totals {
  int files = 0, skippedFiles = 0;
  int pages = 0, pagesIdenticalToEntriesEnd = 0, pagesIdenticalWhole = 0;
  int keys = 0, keysMatched = 0, keysSkippedSortOrder = 0;
};

// Bytes of a page up to the end of its entries (Access leaves stale bytes after them).
size_t UsedBytes(const std::vector<uint8_t>& page, const IndexPageLayout& l) {
  return l.pageSize - (page[2] | page[3] << 8);
}

const RealIndexInfo* FindIndex(const CorpusFile& f, std::vector<uint16_t> columns) {
  for (const auto& idx : f.indexes()) {
    std::vector<uint16_t> cols;
    for (auto [c, asc] : idx.columns) cols.push_back(c);
    if (cols == columns) return &idx;
  }
  return nullptr;
}

TEST(CorpusIndexes, CatalogueIndexesRoundTripValidateAndMatchOurKeys) {
  Totals t;
  for (const auto& path : jetindex_test::CorpusFiles()) {
    const std::string name = path.filename().string();
    SCOPED_TRACE(path.string());
    std::optional<CorpusFile> f = CorpusFile::Open(path);
    if (!f) {
      ++t.skippedFiles;  // encrypted
      continue;
    }
    ++t.files;
    const jetindex_test::ColumnInfo* idCol = f->column("Id");
    const jetindex_test::ColumnInfo* parentCol = f->column("ParentId");
    const jetindex_test::ColumnInfo* nameCol = f->column("Name");
    ASSERT_TRUE(idCol && parentCol && nameCol);
    const RealIndexInfo* parentIdName = FindIndex(*f, {parentCol->number, nameCol->number});
    const RealIndexInfo* idIndex = FindIndex(*f, {idCol->number});
    ASSERT_TRUE(parentIdName && idIndex);

    MemoryPageStore store(f->layout().pageSize, f->pageCount());
    f->fill(store);
    Result<TextSortOrder> order = ResolveTextSortOrder(nameCol->sortLcid, nameCol->sortVersion, f->jet3());

    for (const RealIndexInfo* idx : {parentIdName, idIndex}) {
      const bool isNameIndex = idx == parentIdName;
      Result<IndexTreeReport> report = ValidateIndexTree(
          store, f->layout(), IndexTreeCheck{idx->rootPage, 2, (idx->flags & 1) != 0, 0, name});
      ASSERT_TRUE(report.ok()) << report.status().message();

      // (a) every page of the tree decodes and encodes back to the same bytes.
      for (uint32_t p : report->pages) {
        const std::vector<uint8_t> original = f->page(p);
        Result<IndexPage> page = DecodeIndexPage(original, f->layout(), p);
        ASSERT_TRUE(page.ok()) << page.status().message();
        std::vector<uint8_t> again(original.size());
        ASSERT_TRUE(EncodeIndexPage(*page, f->layout(), again).ok());
        const size_t used = UsedBytes(original, f->layout());
        ++t.pages;
        EXPECT_TRUE(std::equal(again.begin(), again.begin() + used, original.begin())) << "page " << p;
        if (std::equal(again.begin(), again.begin() + used, original.begin())) ++t.pagesIdenticalToEntriesEnd;
        if (again == original) ++t.pagesIdenticalWhole;
      }

      // (b) our key for each catalogue row equals the stored entry.
      IndexTree tree(store, f->layout(), idx->rootPage, 2, name);
      Result<std::vector<IndexEntry>> entries = tree.entries();
      ASSERT_TRUE(entries.ok()) << entries.status().message();
      EXPECT_EQ(entries->size(), report->entryCount);
      for (const IndexEntry& e : *entries) {
        std::optional<jetindex_test::RowValues> row = f->readCatalogRow(e.row.page, e.row.row);
        ASSERT_TRUE(row.has_value()) << "entry points at no live row " << e.row.page << ":" << int(e.row.row);
        ++t.keys;
        Result<std::vector<uint8_t>> key = Status(ErrorCode::kUnsupported, "");
        if (isNameIndex) {
          if (!order.ok()) {
            ++t.keysSkippedSortOrder;
            continue;
          }
          const KeyColumn cols[] = {{KeyColumnType::kLong}, {KeyColumnType::kText, true, *order}};
          const KeyValue vals[] = {int64_t{row->parentId}, row->nameNull ? KeyValue{} : KeyValue{row->name}};
          key = EncodeIndexKey(cols, vals);
        } else {
          const KeyColumn col{KeyColumnType::kLong};
          const KeyValue v = int64_t{row->id};
          key = EncodeIndexKey(std::span(&col, 1), std::span(&v, 1));
        }
        ASSERT_TRUE(key.ok()) << key.status().message();
        EXPECT_EQ(*key, e.key) << "row " << e.row.page << ":" << int(e.row.row);
        if (*key == e.key) ++t.keysMatched;
      }

      // (c) removing and re-inserting entries on the real tree gives back the same pages.
      // A leaf's last entry is left out: it sits between two pages and may come back on
      // either side.
      if (isNameIndex) {
        std::vector<IndexEntry> leafLast;
        for (uint32_t p : report->pages) {
          Result<IndexPage> page = DecodeIndexPage(f->page(p), f->layout(), p);
          if (page->leaf && !page->entries.empty()) leafLast.push_back(page->entries.back());
        }
        for (const IndexEntry& e : *entries) {
          if (report->pages.size() > 1 && std::find(leafLast.begin(), leafLast.end(), e) != leafLast.end()) continue;
          ASSERT_TRUE(tree.remove(e).ok());
          Result<bool> again = tree.insert(e, true);
          ASSERT_TRUE(again.ok()) << again.status().message();
        }
        ASSERT_TRUE(ValidateIndexTree(store, f->layout(), IndexTreeCheck{idx->rootPage, 2, true, 0, name}).ok());
        for (uint32_t p : report->pages) {
          std::vector<uint8_t> now(f->layout().pageSize);
          ASSERT_TRUE(store.readPage(p, now).ok());
          const std::vector<uint8_t> original = f->page(p);
          const size_t used = UsedBytes(original, f->layout());
          EXPECT_TRUE(std::equal(now.begin(), now.begin() + used, original.begin())) << "page " << p << " after rewrite";
        }
      }
    }
  }
  std::cout << "[corpus oracle] files " << t.files << " (skipped encrypted " << t.skippedFiles << "), index pages "
            << t.pages << ": " << t.pagesIdenticalToEntriesEnd << " identical up to the end of entries, "
            << t.pagesIdenticalWhole << " identical as whole pages; keys " << t.keys << ": " << t.keysMatched
            << " match, " << t.keysSkippedSortOrder << " not keyed (unknown sort order)\n";
  EXPECT_GE(t.files, 50);
  EXPECT_EQ(t.pages, t.pagesIdenticalToEntriesEnd);
  EXPECT_EQ(t.keys - t.keysSkippedSortOrder, t.keysMatched);
}

}  // namespace
}  // namespace jet::index
