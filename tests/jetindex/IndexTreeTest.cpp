// The index B-tree under random inserts and deletes of catalogue-like keys, checked by
// the validator after every step and against a simple ordered model.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <set>

#include "jet/index/IndexKey.h"
#include "jet/index/IndexPage.h"
#include "jet/index/IndexTree.h"

namespace jet::index {
namespace {

constexpr uint32_t kTdef = 2;
constexpr uint32_t kRoot = 7;

std::vector<uint8_t> CatalogKey(int64_t parent, const std::u16string& name) {
  const KeyColumn cols[] = {{KeyColumnType::kLong}, {KeyColumnType::kText, true, TextSortOrder::kGeneralLegacy}};
  const KeyValue vals[] = {parent, name};
  Result<std::vector<uint8_t>> k = EncodeIndexKey(cols, vals);
  EXPECT_TRUE(k.ok());
  return *k;
}

std::u16string RandomName(std::mt19937& rng) {
  static const std::u16string letters = u"abcdefghijklmnopqrstuvwxyzABCDEFGHIJ0123456789 _\u00E9\u00FC\u00C5\u0416\u4E2D";
  std::u16string s = u"T";
  const size_t len = 1 + rng() % 60;
  for (size_t i = 0; i < len; ++i) s.push_back(letters[rng() % letters.size()]);
  return s;
}

struct Harness {
  explicit Harness(const IndexPageLayout& l) : layout(l), store(l.pageSize, kRoot + 1), tree(store, l, kRoot, kTdef, "test.ParentIdName") {
    EXPECT_TRUE(IndexTree::CreateEmpty(store, l, kRoot, kTdef).ok());
  }
  IndexTreeReport check(bool unique = true) {
    Result<IndexTreeReport> r = ValidateIndexTree(store, layout, IndexTreeCheck{kRoot, kTdef, unique, 2, "test"});
    EXPECT_TRUE(r.ok()) << r.status().message();
    return r.ok() ? *r : IndexTreeReport{};
  }
  const IndexPageLayout& layout;
  MemoryPageStore store;
  IndexTree tree;
};

// Creates and drops "tables" in random order, as the catalogue sees it.
void RunCatalogProperty(const IndexPageLayout& layout, int steps, uint32_t seed, size_t* maxDepth) {
  Harness h(layout);
  std::mt19937 rng(seed);
  std::map<std::vector<uint8_t>, RowPointer> model;  // unique key -> row
  uint32_t nextRow = 0x100;
  for (int step = 0; step < steps; ++step) {
    SCOPED_TRACE("step " + std::to_string(step));
    const bool drop = !model.empty() && rng() % 100 < 35;
    if (drop) {
      auto it = model.begin();
      std::advance(it, rng() % model.size());
      ASSERT_TRUE(h.tree.remove(IndexEntry{it->first, it->second, 0}).ok());
      model.erase(it);
    } else {
      const std::vector<uint8_t> key = CatalogKey(rng() % 4 == 0 ? 0x0F000000 : 0x0F000001, RandomName(rng));
      const RowPointer row{nextRow >> 8, static_cast<uint8_t>(nextRow)};
      ++nextRow;
      Result<bool> r = h.tree.insert(IndexEntry{key, row, 0}, true);
      if (model.count(key)) {
        ASSERT_FALSE(r.ok());
        EXPECT_EQ(r.status().code(), ErrorCode::kExists);
      } else {
        ASSERT_TRUE(r.ok()) << r.status().message();
        EXPECT_TRUE(*r);
        model.emplace(key, row);
      }
    }
    const IndexTreeReport report = h.check();
    ASSERT_EQ(report.entryCount, model.size());
    *maxDepth = std::max(*maxDepth, report.depth);
    if (step % 25 == 0 || step == steps - 1) {
      Result<std::vector<IndexEntry>> all = h.tree.entries();
      ASSERT_TRUE(all.ok());
      ASSERT_EQ(all->size(), model.size());
      auto it = model.begin();
      for (const IndexEntry& e : *all) {
        ASSERT_EQ(e.key, it->first);
        ASSERT_EQ(e.row, it->second);
        ++it;
      }
      // Every page the store holds belongs to the tree: nothing leaked, nothing lost.
      EXPECT_EQ(h.store.livePageCount(), report.pages.size());
    }
  }
  // Dropping everything leaves the root as an empty leaf and frees all other pages.
  for (const auto& [key, row] : model) ASSERT_TRUE(h.tree.remove(IndexEntry{key, row, 0}).ok());
  const IndexTreeReport empty = h.check();
  EXPECT_EQ(empty.entryCount, 0u);
  EXPECT_EQ(empty.pages, std::vector<uint32_t>{kRoot});
  EXPECT_EQ(h.store.livePageCount(), 1u);
}

TEST(IndexTree, RandomCreatesAndDropsKeepTheJet4TreeValid) {
  size_t depth = 0;
  RunCatalogProperty(kJet4IndexPageLayout, 900, 1, &depth);
  EXPECT_GE(depth, 2u);  // splits happened
}

TEST(IndexTree, RandomCreatesAndDropsKeepTheJet3TreeValid) {
  size_t depth = 0;
  RunCatalogProperty(kJet3IndexPageLayout, 1500, 2, &depth);
  EXPECT_GE(depth, 3u);  // node pages split too
}

TEST(IndexTree, NonUniqueIndexKeepsEqualKeysInRowOrderAndFindsThem) {
  Harness h(kJet4IndexPageLayout);
  std::mt19937 rng(5);
  std::map<int64_t, std::set<RowPointer>> model;
  for (int i = 0; i < 800; ++i) {
    const int64_t objectId = rng() % 50;
    const RowPointer row{static_cast<uint32_t>(100 + i / 200), static_cast<uint8_t>(i % 200)};
    const KeyColumn col{KeyColumnType::kLong};
    const KeyValue v = objectId;
    const std::vector<uint8_t> key = *EncodeIndexKey(std::span(&col, 1), std::span(&v, 1));
    Result<bool> r = h.tree.insert(IndexEntry{key, row, 0}, false);
    ASSERT_TRUE(r.ok()) << r.status().message();
    EXPECT_EQ(*r, model[objectId].empty());
    model[objectId].insert(row);
  }
  EXPECT_GE(h.check(false).depth, 2u);
  for (const auto& [objectId, rows] : model) {
    const KeyColumn col{KeyColumnType::kLong};
    const KeyValue v = objectId;
    Result<std::vector<RowPointer>> found = h.tree.find(*EncodeIndexKey(std::span(&col, 1), std::span(&v, 1)));
    ASSERT_TRUE(found.ok());
    EXPECT_EQ(*found, std::vector<RowPointer>(rows.begin(), rows.end()));
  }
}

TEST(IndexTree, RefusedChangesWriteNothing) {
  Harness h(kJet3IndexPageLayout);
  std::mt19937 rng(9);
  std::vector<IndexEntry> added;
  for (int i = 0; i < 300; ++i) {
    IndexEntry e{CatalogKey(0x0F000001, RandomName(rng) + std::u16string(1, u'a' + i % 26) + char16_t(u'0' + i % 10)),
                 RowPointer{static_cast<uint32_t>(50 + i), 0}, 0};
    if (h.tree.insert(e, true).ok()) added.push_back(e);
  }
  auto snapshot = [&h] {
    std::vector<std::vector<uint8_t>> pages;
    for (uint32_t p = 0; p < 400; ++p) {
      std::vector<uint8_t> b(h.store.pageSize());
      if (h.store.readPage(p, b).ok()) pages.push_back(b);
    }
    return pages;
  };
  const auto before = snapshot();
  // Same key (name differs only in case), other row: refused by the unique check.
  IndexEntry dup = added[17];
  dup.row = RowPointer{999, 1};
  EXPECT_EQ(h.tree.insert(dup, true).status().code(), ErrorCode::kExists);
  // Exactly the same entry is refused even without the unique check.
  EXPECT_EQ(h.tree.insert(added[3], false).status().code(), ErrorCode::kExists);
  // Removing an entry that is not there.
  IndexEntry missing = added[5];
  missing.row.row = 77;
  EXPECT_EQ(h.tree.remove(missing).code(), ErrorCode::kNotFound);
  EXPECT_EQ(snapshot(), before);
  h.check();
}

TEST(IndexTree, DamagedTreesAreReportedNotFollowed) {
  Harness h(kJet4IndexPageLayout);
  std::mt19937 rng(3);
  for (int i = 0; i < 400; ++i) {
    (void)h.tree.insert(IndexEntry{CatalogKey(0x0F000001, RandomName(rng)), RowPointer{static_cast<uint32_t>(60 + i), 1}, 0}, true);
  }
  const IndexTreeReport report = h.check();
  ASSERT_GE(report.pages.size(), 3u);
  // Point the root's tail back at the root: a loop.
  std::vector<uint8_t> root(h.store.pageSize());
  ASSERT_TRUE(h.store.readPage(kRoot, root).ok());
  std::vector<uint8_t> looped = root;
  looped[kJet4IndexPageLayout.tailOffset] = kRoot;
  looped[kJet4IndexPageLayout.tailOffset + 1] = looped[kJet4IndexPageLayout.tailOffset + 2] = looped[kJet4IndexPageLayout.tailOffset + 3] = 0;
  ASSERT_TRUE(h.store.writePage(kRoot, looped).ok());
  Result<IndexTreeReport> bad = ValidateIndexTree(h.store, kJet4IndexPageLayout, IndexTreeCheck{kRoot, kTdef, true, 0, "t"});
  ASSERT_FALSE(bad.ok());
  EXPECT_EQ(bad.status().code(), ErrorCode::kCorrupt);
  EXPECT_FALSE(h.tree.insert(IndexEntry{CatalogKey(1, u"x"), RowPointer{1, 1}, 0}, true).ok());
  // A leaf owned by another table.
  ASSERT_TRUE(h.store.writePage(kRoot, root).ok());
  std::vector<uint8_t> leaf(h.store.pageSize());
  ASSERT_TRUE(h.store.readPage(report.pages.back(), leaf).ok());
  leaf[4] = 99;
  ASSERT_TRUE(h.store.writePage(report.pages.back(), leaf).ok());
  bad = ValidateIndexTree(h.store, kJet4IndexPageLayout, IndexTreeCheck{kRoot, kTdef, true, 0, "t"});
  ASSERT_FALSE(bad.ok());
  EXPECT_NE(bad.status().message().find("table definition 99"), std::string::npos);

  // A damaged map of free pages hands out the root as a new page: refused, not overwritten.
  struct HandsOutTheRoot : MemoryPageStore {
    using MemoryPageStore::MemoryPageStore;
    Result<uint32_t> allocatePage() override { return kRoot; }
  } reusing(kJet4IndexPageLayout.pageSize, kRoot + 1);
  ASSERT_TRUE(IndexTree::CreateEmpty(reusing, kJet4IndexPageLayout, kRoot, kTdef).ok());
  IndexTree tree(reusing, kJet4IndexPageLayout, kRoot, kTdef, "t");
  Status refused = Status::Ok();
  for (int i = 0; i < 400 && refused.ok(); ++i) {
    refused = tree.insert(IndexEntry{CatalogKey(i, std::u16string(40, u'x')), RowPointer{static_cast<uint32_t>(60 + i), 1}, 0}, true).status();
  }
  EXPECT_EQ(refused.code(), ErrorCode::kCorrupt);
}

}  // namespace
}  // namespace jet::index

namespace jet::index {
namespace {

std::vector<uint8_t> LongKey(int64_t v) {
  const KeyColumn col{KeyColumnType::kLong};
  const KeyValue value = v;
  return *EncodeIndexKey(std::span(&col, 1), std::span(&value, 1));
}

// After deletes Access leaves upper-level entries above their child's last entry (seen in
// MSysACEs and MSysAccessStorage). Such a tree is healthy: the validator notes it, and the
// writer inserts, splits and removes in it without losing order.
TEST(IndexTree, UpperEntriesAboveTheirChildAsAccessLeavesThem) {
  Harness h(kJet4IndexPageLayout);
  std::map<std::vector<uint8_t>, RowPointer> model;
  for (int64_t k = 0; k < 2000; ++k) {
    const RowPointer row{static_cast<uint32_t>(100 + k / 200), static_cast<uint8_t>(k % 200)};
    ASSERT_TRUE(h.tree.insert(IndexEntry{LongKey(2 * k), row, 0}, true).ok());
    model.emplace(LongKey(2 * k), row);
  }
  ASSERT_EQ(h.check().depth, 2u);

  // Loosen every root entry: key 2k becomes 2k + 1, above its child's last entry and below
  // the next child's first.
  std::vector<uint8_t> bytes(h.layout.pageSize);
  ASSERT_TRUE(h.store.readPage(kRoot, bytes).ok());
  Result<IndexPage> root = DecodeIndexPage(bytes, h.layout, kRoot);
  ASSERT_TRUE(root.ok());
  ASSERT_FALSE(root->leaf);
  std::vector<int64_t> bounds;
  for (IndexEntry& e : root->entries) {
    int64_t k = 0;
    while (LongKey(k) != e.key) k += 2;
    e.key = LongKey(k + 1);
    bounds.push_back(k + 1);
  }
  root->prefixLength = static_cast<uint16_t>(CommonKeyPrefix(root->entries));
  ASSERT_TRUE(EncodeIndexPage(*root, h.layout, bytes).ok());
  ASSERT_TRUE(h.store.writePage(kRoot, bytes).ok());
  IndexTreeReport loose = h.check();
  EXPECT_EQ(loose.looseEntries, root->entries.size());
  EXPECT_EQ(loose.firstLoosePage, kRoot);

  // A bound below its child's last entry is damage, not looseness.
  {
    IndexPage tight = *root;
    tight.entries[0].key = LongKey(bounds[0] - 3);
    std::vector<uint8_t> damaged(h.layout.pageSize);
    ASSERT_TRUE(EncodeIndexPage(tight, h.layout, damaged).ok());
    MemoryPageStore copy = h.store;
    ASSERT_TRUE(copy.writePage(kRoot, damaged).ok());
    EXPECT_FALSE(ValidateIndexTree(copy, h.layout, IndexTreeCheck{kRoot, kTdef, true, 2, "test"}).ok());
    // So is one that reaches past the next child's first entry: a search would miss that entry.
    tight.entries[0].key = LongKey(bounds[0] + 2);
    ASSERT_TRUE(EncodeIndexPage(tight, h.layout, damaged).ok());
    ASSERT_TRUE(copy.writePage(kRoot, damaged).ok());
    EXPECT_FALSE(ValidateIndexTree(copy, h.layout, IndexTreeCheck{kRoot, kTdef, true, 2, "test"}).ok());
  }

  // The writer works on the loose tree: keys equal to the loose bounds (sorting after them by
  // row pointer), keys in the gaps, enough to split every leaf, and removals.
  IndexTree tree(h.store, h.layout, kRoot, kTdef, "loose");
  std::mt19937 rng(11);
  uint32_t nextRow = 0x9000;
  auto add = [&](int64_t v) {
    const RowPointer row{nextRow >> 8, static_cast<uint8_t>(nextRow)};
    ++nextRow;
    Result<bool> r = tree.insert(IndexEntry{LongKey(v), row, 0}, false);
    ASSERT_TRUE(r.ok()) << r.status().message();
    model.emplace(LongKey(v), row);
  };
  for (int64_t b : bounds) add(b);
  for (int step = 0; step < 3000; ++step) {
    if (rng() % 3 == 0 && !model.empty()) {
      auto it = model.begin();
      std::advance(it, rng() % model.size());
      ASSERT_TRUE(tree.remove(IndexEntry{it->first, it->second, 0}).ok());
      model.erase(it);
    } else {
      const int64_t v = 2 * static_cast<int64_t>(rng() % 4000) + 1;
      if (!model.count(LongKey(v))) add(v);
    }
    if (step % 100 == 0 || step == 2999) {
      Result<IndexTreeReport> r = ValidateIndexTree(h.store, h.layout, IndexTreeCheck{kRoot, kTdef, true, 2, "test"});
      ASSERT_TRUE(r.ok()) << "step " << step << ": " << r.status().message();
      ASSERT_EQ(r->entryCount, model.size());
      Result<std::vector<IndexEntry>> all = tree.entries();
      ASSERT_TRUE(all.ok());
      auto it = model.begin();
      for (const IndexEntry& e : *all) {
        ASSERT_EQ(e.key, it->first);
        ASSERT_EQ(e.row, it->second);
        ++it;
      }
    }
  }
}

}  // namespace
}  // namespace jet::index
