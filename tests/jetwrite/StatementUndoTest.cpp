// Undoing a statement puts every page back byte for byte, also when the statement saved
// only the ranges a new row changes, saved a page in ranges and then as a whole, or added
// several rows to one page.
#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "WriteOracles.h"
#include "jet/Bytes.h"
#include "jet/DataPage.h"
#include "jet/format/PageTypes.h"
#include "jet/write/DataPageWriter.h"
#include "jet/write/PageWriter.h"

namespace jetwrite_test {
namespace {

namespace fs = std::filesystem;

class StatementUndoTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = CopyOfCorpusFile("mdb-reader/V2003/empty.mdb");
    uint32_t tdef = 0;
    {
      auto session = jet::WriteSession::Open(path_.string());
      ASSERT_TRUE(session.ok()) << session.status().message();
      ASSERT_TRUE((*session)->createTable("T", {{"Id", jet::ColumnType::kLong}, {"Name", jet::ColumnType::kText, 50}}).ok());
      for (int32_t id = 1; id <= 3; ++id) ASSERT_TRUE((*session)->insert("T", {id, std::string("row")}).ok());
      tdef = static_cast<uint32_t>((*session)->database().catalog().findTable("T")->id) & 0x00FFFFFFu;
    }
    jet::PageFile::Options options;
    options.writable = true;
    auto file = jet::PageFile::Open(path_.string(), options);
    ASSERT_TRUE(file.ok()) << file.status().message();
    file_ = std::move(file.value());
    writer_ = std::make_unique<jet::PageWriter>(*file_);
    // The table's data page: the one data page owned by its definition.
    for (uint32_t page = 1; page < file_->pageCount(); ++page) {
      auto bytes = file_->read(page);
      ASSERT_TRUE(bytes.ok());
      if ((**bytes)[jet::kPageTypeOffset] == static_cast<uint8_t>(jet::PageType::kData) &&
          jet::LoadU32(&(**bytes)[file_->format().dataPage.owner]) == tdef) {
        dataPage_ = page;
      }
    }
    ASSERT_NE(dataPage_, 0u);
  }

  std::vector<uint8_t> page() { return **file_->read(dataPage_); }
  jet::Status add(std::vector<uint8_t> row) {
    auto slot = jet::AddRowToPage(*writer_, dataPage_, row);
    return slot.ok() ? jet::Status::Ok() : slot.status();
  }

  fs::path path_;
  std::unique_ptr<jet::PageFile> file_;
  std::unique_ptr<jet::PageWriter> writer_;
  uint32_t dataPage_ = 0;
};

TEST_F(StatementUndoTest, RowsAddedInRangesAreUndoneExactly) {
  const std::vector<uint8_t> original = page();

  // Ranges saved twice, then the whole page (its bytes then differ from the original),
  // then ranges again: newest first, undo must end at the original.
  writer_->beginStatement();
  ASSERT_TRUE(add(std::vector<uint8_t>(40, 0xA1)).ok());
  ASSERT_TRUE(add(std::vector<uint8_t>(7, 0xA2)).ok());
  auto whole = writer_->modify(dataPage_);
  ASSERT_TRUE(whole.ok());
  (**whole)[600] ^= 0xFF;
  ASSERT_TRUE(add(std::vector<uint8_t>(300, 0xA3)).ok());
  EXPECT_NE(page(), original);
  writer_->rollbackStatement();
  EXPECT_EQ(page(), original);

  // A kept statement stays; only the failed one after it goes.
  writer_->beginStatement();
  ASSERT_TRUE(add(std::vector<uint8_t>(12, 0xB1)).ok());
  ASSERT_TRUE(writer_->commitStatement(false).ok());
  const std::vector<uint8_t> kept = page();
  EXPECT_EQ(jet::RowSlotCount(kept, file_->format()), jet::RowSlotCount(original, file_->format()) + 1);
  writer_->beginStatement();
  ASSERT_TRUE(add(std::vector<uint8_t>(20, 0xB2)).ok());
  ASSERT_TRUE(add(std::vector<uint8_t>(30, 0xB3)).ok());
  writer_->rollbackStatement();
  EXPECT_EQ(page(), kept);
}

TEST_F(StatementUndoTest, SlotsPointingOutsideThePageAreRefusedUntouched) {
  const jet::JetFormat& format = file_->format();
  writer_->beginStatement();
  auto bytes = writer_->modify(dataPage_);
  ASSERT_TRUE(bytes.ok());
  const uint32_t last = jet::RowSlotCount(**bytes, format) - 1;
  for (uint16_t offset : {uint16_t{4}, uint16_t{0x1FFF}}) {  // inside the slot table; beyond the page
    jet::StoreU16(&(**bytes)[format.dataPage.rowOffsets + 2 * last], offset);
    const std::vector<uint8_t> damaged = page();
    jet::Status refused = add(std::vector<uint8_t>(10, 0xC1));
    EXPECT_EQ(refused.code(), jet::ErrorCode::kCorrupt) << refused.message();
    EXPECT_EQ(page(), damaged);
  }
  writer_->rollbackStatement();
}

}  // namespace
}  // namespace jetwrite_test
