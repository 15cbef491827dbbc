// Index page codec: round trips in both layouts, and damaged pages refused as corrupt.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "jet/index/IndexPage.h"

namespace jet::index {
namespace {

IndexEntry Entry(std::vector<uint8_t> key, uint32_t page, uint8_t row, uint32_t child = 0) {
  return IndexEntry{std::move(key), RowPointer{page, row}, child};
}

IndexPage SamplePage(bool leaf) {
  IndexPage p;
  p.leaf = leaf;
  p.tdefPage = 2;
  p.prevPage = 40;
  p.nextPage = 41;
  p.tailPage = leaf ? 0 : 77;
  p.nodeMarker = leaf ? 0 : 1;
  p.prefixLength = 3;
  for (uint8_t i = 0; i < 20; ++i) {
    p.entries.push_back(Entry({0x7F, 0x8F, 0x00, static_cast<uint8_t>(i * 3), 0x7F, 0x41, 0x01, 0x00}, 0x010203 + i, i,
                              leaf ? 0 : 100 + i));
  }
  return p;
}

TEST(IndexPage, RoundTripsLeafAndNodePagesInBothLayouts) {
  for (const IndexPageLayout* layout : {&kJet4IndexPageLayout, &kJet3IndexPageLayout}) {
    for (bool leaf : {true, false}) {
      IndexPage page = SamplePage(leaf);
      std::vector<uint8_t> bytes(layout->pageSize);
      ASSERT_TRUE(EncodeIndexPage(page, *layout, bytes).ok());
      Result<IndexPage> back = DecodeIndexPage(bytes, *layout, 9);
      ASSERT_TRUE(back.ok()) << back.status().message();
      EXPECT_EQ(back->entries, page.entries);
      EXPECT_EQ(back->leaf, leaf);
      EXPECT_EQ(back->prevPage, 40u);
      EXPECT_EQ(back->nextPage, 41u);
      EXPECT_EQ(back->tailPage, page.tailPage);
      EXPECT_EQ(back->prefixLength, 3);
      EXPECT_EQ(back->nodeMarker, page.nodeMarker);
      const size_t used = EncodedEntryBytes(page.entries, leaf, 3);
      EXPECT_EQ(bytes[2] | bytes[3] << 8, layout->pageSize - layout->entriesOffset - used);
      std::vector<uint8_t> again(layout->pageSize);
      ASSERT_TRUE(EncodeIndexPage(*back, *layout, again).ok());
      EXPECT_EQ(again, bytes);
    }
    // A leaf of many equal keys: the shared prefix reaches into the row pointers (their
    // page bytes are the same too), as Access writes such leaves.
    IndexPage equal;
    const std::vector<uint8_t> key{0x7F, 0x6D, 0x38, 0x01, 0x00};
    for (uint8_t row = 0; row < 30; ++row) equal.entries.push_back(Entry(key, 0x0A0B0C, row));
    equal.prefixLength = static_cast<uint16_t>(key.size() + 3);
    std::vector<uint8_t> bytes(layout->pageSize);
    ASSERT_TRUE(EncodeIndexPage(equal, *layout, bytes).ok());
    EXPECT_EQ(bytes[2] | bytes[3] << 8, layout->pageSize - layout->entriesOffset - (key.size() + 4) - 29);
    Result<IndexPage> back = DecodeIndexPage(bytes, *layout, 9);
    ASSERT_TRUE(back.ok()) << back.status().message();
    EXPECT_EQ(back->entries, equal.entries);
  }
}

// The node pages Access 97 wrote (tests/data/access97-pages): the prefix length is byte 20
// alone (0 on all of them), byte 21 the tree level (1); each decodes, and encodes again to
// Access 97's own bytes up to the end of its entries (Access leaves stale bytes after them).
TEST(IndexPage, Access97NodePagesReadAndWriteAsAccess97LaysThem) {
  const IndexPageLayout& l = kJet3IndexPageLayout;
  const std::pair<const char*, size_t> pages[] = {
      {"page009-MSysObjects-index", 1},   {"page013-MSysACEs-ObjectId", 1},  {"page014-MSysQueries-ObjectIdAttribute", 5},
      {"page087-Customers-CompanyName", 1}, {"page425-OrderDetails-OrderID", 6}, {"page433-OrderDetails-PrimaryKey", 12},
      {"page441-OrderDetails-ProductID", 6}};
  for (const auto& [name, entries] : pages) {
    SCOPED_TRACE(name);
    std::ifstream in(std::filesystem::path(TABLOREN_TEST_DATA_DIR) / "access97-pages" / (std::string(name) + ".hex"));
    ASSERT_TRUE(in) << "missing test page";
    std::vector<uint8_t> bytes;
    for (std::string line; std::getline(in, line);) {
      std::istringstream words(line);
      std::string word;
      words >> word;  // the offset
      while (words >> word) bytes.push_back(static_cast<uint8_t>(std::stoi(word, nullptr, 16)));
    }
    ASSERT_EQ(bytes.size(), l.pageSize);
    Result<IndexPage> page = DecodeIndexPage(bytes, l, 9);
    ASSERT_TRUE(page.ok()) << page.status().message();
    EXPECT_FALSE(page->leaf);
    EXPECT_EQ(page->prefixLength, 0);
    EXPECT_EQ(page->nodeMarker, 1);
    EXPECT_NE(page->tailPage, 0u);
    EXPECT_EQ(page->entries.size(), entries);
    std::vector<uint8_t> again(l.pageSize);
    ASSERT_TRUE(EncodeIndexPage(*page, l, again).ok());
    const size_t end = l.pageSize - (bytes[2] | bytes[3] << 8);
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(end), again.begin()));
  }
}

TEST(IndexPage, EncodingRefusesWhatCannotBeWritten) {
  std::vector<uint8_t> bytes(kJet4IndexPageLayout.pageSize);
  IndexPage page = SamplePage(true);
  page.entries[5].key[0] = 0x7E;  // no longer shares the 3-byte prefix
  std::swap(page.entries[0], page.entries[5]);
  EXPECT_FALSE(EncodeIndexPage(page, kJet4IndexPageLayout, bytes).ok());
  IndexPage full = SamplePage(true);
  full.prefixLength = 0;
  while (EncodedEntryBytes(full.entries, true, 0) <= kJet4IndexPageLayout.maxEntryBytes()) {
    full.entries.push_back(full.entries.back());
  }
  EXPECT_EQ(EncodeIndexPage(full, kJet4IndexPageLayout, bytes).code(), ErrorCode::kInvalidArgument);
}

TEST(IndexPage, DamagedPagesAreReportedAsCorrupt) {
  const IndexPageLayout& l = kJet4IndexPageLayout;
  std::vector<uint8_t> good(l.pageSize);
  ASSERT_TRUE(EncodeIndexPage(SamplePage(true), l, good).ok());
  std::vector<std::pair<std::string, std::vector<uint8_t>>> damaged;
  auto with = [&](const std::string& what, auto change) {
    std::vector<uint8_t> b = good;
    change(b);
    damaged.emplace_back(what, b);
  };
  with("type", [](auto& b) { b[0] = 1; });
  with("free space", [](auto& b) { b[2] ^= 1; });
  with("mask past the page", [&](auto& b) { b[l.maskOffset + l.maskSize - 1] |= 0x80; });
  with("entry shorter than a row pointer", [&](auto& b) { b[l.maskOffset] |= 0x02; });
  with("prefix too long", [&](auto& b) { b[l.prefixOffset] = 200; });
  with("prefix high byte", [&](auto& b) { b[l.prefixOffset + 1] = 1; });
  with("order", [&](auto& b) { b[l.entriesOffset + 3] = 0xFF; });  // first entry now sorts last
  for (const auto& [what, bytes] : damaged) {
    Result<IndexPage> r = DecodeIndexPage(bytes, l, 123);
    ASSERT_FALSE(r.ok()) << what;
    EXPECT_EQ(r.status().code(), ErrorCode::kCorrupt) << what;
    EXPECT_NE(r.status().message().find("123"), std::string::npos) << what;
  }
}

}  // namespace
}  // namespace jet::index
