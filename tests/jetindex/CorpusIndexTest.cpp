// The catalogue indexes of every Access-made corpus file: their pages must decode and
// encode back to the same bytes, the trees must pass the validator, and the keys we
// compute for each catalogue row must equal the stored entries.
#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>
#include <random>

#include "CorpusIndexReader.h"
#include "jet/index/IndexKey.h"
#include "jet/index/IndexTree.h"
#include "jet/index/TableIndexes.h"

namespace jet::index {
namespace {

using jetindex_test::CorpusFile;
using jetindex_test::RealIndexInfo;

struct Totals {
  int files = 0, skippedFiles = 0;
  int pages = 0, pagesIdenticalToEntriesEnd = 0, pagesIdenticalWhole = 0;
  int keys = 0, keysMatched = 0, keysSkippedSortOrder = 0, nameKeysMatched = 0, jet3KeysMatched = 0;
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

TEST(CorpusIndexes, CatalogIndexesRoundTripValidateAndMatchOurKeys) {
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
    Result<TextSortOrder> order = ResolveTextSortOrder(nameCol->sortLcid, nameCol->sortId, nameCol->sortVersion, f->jet3());

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
        if (*key == e.key) {
          ++t.keysMatched;
          if (isNameIndex) ++t.nameKeysMatched;
          if (f->jet3()) ++t.jet3KeysMatched;
        }
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
            << " match (ParentIdName " << t.nameKeysMatched << ", Access 97 " << t.jet3KeysMatched << "), "
            << t.keysSkippedSortOrder << " not keyed (unknown sort order)\n";
  EXPECT_GE(t.files, 50);
  EXPECT_EQ(t.pages, t.pagesIdenticalToEntriesEnd);
  EXPECT_EQ(t.keys - t.keysSkippedSortOrder, t.keysMatched);
}

}  // namespace
}  // namespace jet::index

namespace jet::index {
namespace {

using jetindex_test::CorpusFile;

// Creates and drops several hundred tables in random order on the catalogue indexes of
// real files (both General orders and Access 97), checking both indexes after each step.
TEST(CorpusIndexes, CatalogPropertyOnRealFiles) {
  const std::filesystem::path corpus = std::filesystem::path(TABLOREN_TEST_DATA_DIR);
  for (const char* file : {"jackcess/V2000/testV2000.mdb", "mdb-reader/V2010/empty.accdb", "mdb-reader/V1997/test.mdb"}) {
    SCOPED_TRACE(file);
    std::optional<CorpusFile> f = CorpusFile::Open(corpus / file);
    ASSERT_TRUE(f.has_value());
    MemoryPageStore store(f->layout().pageSize, f->pageCount());
    f->fill(store);
    const auto* id = f->column("Id");
    const auto* parent = f->column("ParentId");
    const auto* nameCol = f->column("Name");
    Result<KeyColumn> text = MakeKeyColumn(0x0A, {nameCol->sortLcid, nameCol->sortId, nameCol->sortVersion}, f->jet3(), true,
                                           "Name");
    ASSERT_TRUE(text.ok()) << text.status().message();
    std::vector<IndexSpec> specs;
    for (const auto& idx : f->indexes()) {
      IndexSpec s;
      s.name = idx.columns.size() == 2 ? "ParentIdName" : "Id";
      s.rootPage = idx.rootPage;
      s.flags = idx.flags;
      for (auto [number, asc] : idx.columns) {
        const bool isName = number == nameCol->number;
        s.columns.push_back({number, isName ? "Name" : number == id->number ? "Id" : "ParentId",
                             isName ? *text : KeyColumn{KeyColumnType::kLong}});
      }
      specs.push_back(s);
    }
    TableIndexes indexes(store, f->layout(), 2, "MSysObjects", specs);
    Result<std::vector<IndexTreeReport>> before = indexes.check();
    ASSERT_TRUE(before.ok()) << before.status().message();

    const size_t columnSlots = std::max({id->number, parent->number, nameCol->number}) + 1;
    auto rowValues = [&](int64_t objectId, const std::u16string& name) {
      std::vector<KeyValue> v(columnSlots);
      v[id->number] = objectId;
      v[parent->number] = int64_t{0x0F000001};
      v[nameCol->number] = name;
      return v;
    };
    struct Created {
      int64_t id;
      std::u16string name;
      RowPointer row;
    };
    std::vector<Created> live;
    std::mt19937 rng(42);
    int created = 0, dropped = 0, refused = 0;
    for (int step = 0; step < 400; ++step) {
      SCOPED_TRACE("step " + std::to_string(step));
      if (!live.empty() && rng() % 100 < 40) {
        const size_t pick = rng() % live.size();
        ASSERT_TRUE(indexes.removeRow(rowValues(live[pick].id, live[pick].name), live[pick].row).ok());
        live.erase(live.begin() + pick);
        ++dropped;
      } else {
        const bool clash = !live.empty() && rng() % 10 == 0;
        std::u16string name;
        if (clash) {
          name = live[rng() % live.size()].name;
          for (char16_t& c : name) c = (c >= u'a' && c <= u'z') ? c - 32 : c;  // same name, other case
        } else {
          name = u"Table " + std::u16string(1, u'A' + rng() % 26) + std::u16string(1 + rng() % 40, u'a' + rng() % 26) +
                 std::u16string(1, u'0' + step % 10) + std::u16string(1, u'0' + step / 10 % 10) +
                 std::u16string(1, u'0' + step / 100);
        }
        const int64_t objectId = 5000 + step;
        const RowPointer row{static_cast<uint32_t>(9000 + step), static_cast<uint8_t>(step % 200)};
        Result<std::vector<bool>> r = indexes.addRow(rowValues(objectId, name), row);
        if (clash) {
          ASSERT_FALSE(r.ok());
          EXPECT_EQ(r.status().code(), ErrorCode::kExists);
          EXPECT_NE(r.status().message().find("ParentIdName"), std::string::npos);
          ++refused;
        } else {
          ASSERT_TRUE(r.ok()) << r.status().message();
          live.push_back({objectId, name, row});
          ++created;
        }
      }
      Result<std::vector<IndexTreeReport>> now = indexes.check();
      ASSERT_TRUE(now.ok()) << now.status().message();
      for (size_t i = 0; i < now->size(); ++i) ASSERT_EQ((*now)[i].entryCount, (*before)[i].entryCount + live.size());
    }
    EXPECT_GT(created, 200);
    EXPECT_GT(dropped, 100);
    EXPECT_GT(refused, 5);
    for (const Created& c : live) ASSERT_TRUE(indexes.removeRow(rowValues(c.id, c.name), c.row).ok());
    for (size_t i = 0; i < specs.size(); ++i) {
      IndexTree original(store, f->layout(), specs[i].rootPage, 2, specs[i].name);
      Result<std::vector<IndexEntry>> entries = original.entries();
      ASSERT_TRUE(entries.ok());
      EXPECT_EQ(entries->size(), (*before)[i].entryCount);
    }
  }
}

}  // namespace
}  // namespace jet::index
