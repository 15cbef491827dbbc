// A page file opened for reading brings runs of pages in with one call and reuses the
// buffers of pages it forgets. Whatever the order of reads, every page must come back as a
// file opened for writing (which reads one page per call, into new buffers) returns it,
// pages still held must keep their bytes, and a read that fails must still name its page.
#include "jet/PageFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <numeric>
#include <random>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

const fs::path kCorpus = fs::path(TABLOREN_TEST_DATA_DIR);

// A private, writable copy of a corpus file.
class FileCopy {
 public:
  explicit FileCopy(const std::string& relative) {
    path_ = fs::temp_directory_path() /
            ("readahead-" + std::to_string(::getpid()) + "-" + fs::path(relative).filename().string());
    fs::copy_file(kCorpus / relative, path_, fs::copy_options::overwrite_existing);
    fs::permissions(path_, fs::perms::owner_read | fs::perms::owner_write);
  }
  ~FileCopy() {
    std::error_code ignored;
    fs::remove(path_, ignored);
  }
  std::string path() const { return path_.string(); }

 private:
  fs::path path_;
};

std::unique_ptr<jet::PageFile> OpenPages(const std::string& path, const std::string& password, bool writable,
                                         size_t cachePages) {
  jet::PageFile::Options options;
  options.password = password;
  options.writable = writable;
  options.cachePages = cachePages;
  auto file = jet::PageFile::Open(path, options);
  EXPECT_TRUE(file.ok()) << path << ": " << file.status().message();
  return file.ok() ? std::move(file.value()) : nullptr;
}

// Orders a reader meets: a scan, a scan that skips pages (a table's data pages between its
// long values), backwards, random, and the same pages again.
std::vector<std::vector<uint32_t>> ReadOrders(uint32_t pages) {
  std::vector<uint32_t> forward(pages);
  std::iota(forward.begin(), forward.end(), 0u);
  std::vector<uint32_t> skipping;
  for (uint32_t p = 0; p < pages; p += 1 + p % 5) skipping.push_back(p);
  std::vector<uint32_t> backward(forward.rbegin(), forward.rend());
  std::vector<uint32_t> shuffled = forward;
  std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(3));
  std::vector<uint32_t> again;
  for (uint32_t p = 0; p < pages; ++p) {
    again.push_back(p);
    again.push_back(p / 2);
  }
  return {forward, skipping, backward, shuffled, again};
}

struct CorpusCase {
  const char* file;
  const char* password;
};

TEST(PageReadAhead, EveryOrderReadsTheSamePagesAsOnePageAtATime) {
  // Jet3 (2 KiB pages), Jet4, a Jet4 password (header only), ACCDB with AES and with RC4 pages.
  const CorpusCase cases[] = {{"mdb-reader/V1997/test.mdb", ""},
                              {"mdb-reader/V2003/test.mdb", ""},
                              {"mdb-reader/password/V2000_with-password.mdb", "password"},
                              {"mdb-reader/password/V2010_with-password.accdb", "password"},
                              {"mdb-reader/encryption/office-agile-4.2.accdb", "password"}};
  for (const CorpusCase& c : cases) {
    SCOPED_TRACE(c.file);
    FileCopy copy(c.file);
    auto reference = OpenPages(copy.path(), c.password, /*writable=*/true, 1u << 16);
    ASSERT_TRUE(reference);
    const uint32_t pages = reference->pageCount();
    std::vector<jet::PageBytes> expected(pages);
    for (uint32_t p = 0; p < pages; ++p) {
      auto page = reference->read(p);
      ASSERT_TRUE(page.ok()) << page.status().message();
      expected[p] = **page;
    }
    reference.reset();  // its exclusive lock would keep the readers below out
    for (size_t cachePages : {size_t{0}, size_t{3}, size_t{512}}) {
      int order = 0;
      for (const auto& reads : ReadOrders(pages)) {
        SCOPED_TRACE("cache " + std::to_string(cachePages) + ", order " + std::to_string(order++));
        auto file = OpenPages(copy.path(), c.password, /*writable=*/false, cachePages);
        ASSERT_TRUE(file);
        // Every seventh page read stays held while the rest are forgotten and their buffers reused.
        std::vector<std::pair<uint32_t, jet::PageRef>> held;
        for (size_t k = 0; k < reads.size(); ++k) {
          auto page = file->read(reads[k]);
          ASSERT_TRUE(page.ok()) << page.status().message();
          ASSERT_EQ(**page, expected[reads[k]]) << "page " << reads[k];
          if (k % 7 == 0) held.emplace_back(reads[k], *page);
        }
        for (const auto& [number, page] : held) ASSERT_EQ(*page, expected[number]) << "held page " << number;
      }
    }
  }
}

TEST(PageReadAhead, FileCutShortAfterOpeningNamesTheUnreadablePage) {
  FileCopy copy("mdb-reader/V2003/test.mdb");
  auto file = OpenPages(copy.path(), "", /*writable=*/false, 4);
  ASSERT_TRUE(file);
  const uint32_t pages = file->pageCount();
  const uint32_t kept = pages / 2 + 5;  // mid-way through a run of read-ahead
  fs::resize_file(copy.path(), static_cast<uintmax_t>(kept) * file->pageSize());
  for (uint32_t p = 1; p < pages; ++p) {
    auto page = file->read(p);
    if (p < kept) {
      ASSERT_TRUE(page.ok()) << "page " << p << ": " << page.status().message();
    } else {
      ASSERT_FALSE(page.ok()) << "page " << p;
      EXPECT_NE(page.status().message().find("cannot read page " + std::to_string(p)), std::string::npos)
          << page.status().message();
    }
  }
}

// A read that meets the end of a file cut short after opening has no system error behind
// it: the message says where the file ends, never a stale or "Success" reason.
TEST(PageReadAhead, FileCutShortSaysItEndsBeforeThePage) {
  for (bool writable : {false, true}) {
    SCOPED_TRACE(writable ? "writable" : "read-only");
    FileCopy copy("mdb-reader/V2003/test.mdb");
    auto file = OpenPages(copy.path(), "", writable, 4);
    ASSERT_TRUE(file);
    const uint32_t pages = file->pageCount();
    const uint32_t kept = pages / 2;
    fs::resize_file(copy.path(), static_cast<uintmax_t>(kept) * file->pageSize() + 100);  // mid-page
    for (uint32_t p : {kept, kept + 1, pages - 1}) {
      auto page = file->read(p);
      ASSERT_FALSE(page.ok()) << "page " << p;
      EXPECT_EQ(page.status().code(), jet::ErrorCode::kIo);
      EXPECT_EQ(page.status().message(), copy.path() + ": cannot read page " + std::to_string(p) +
                                             ": the file ends before page " + std::to_string(p));
    }
  }
}

}  // namespace
