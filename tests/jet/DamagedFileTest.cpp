// Damaged files: truncated, bytes flipped, page numbers out of range, loops in page
// chains. Whatever the damage, the reader answers with data or with an error that
// names the file; it never crashes, hangs or allocates without bound.
#include <gtest/gtest.h>

#include <chrono>
#include <random>

#include "CorpusFiles.h"
#include "GoldenDump.h"
#include "jet/Bytes.h"
#include "jet/format/JetFormat.h"

namespace {

class DamagedFile : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() / ("jet_damage_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  std::vector<uint8_t> Load(const char* relative) {
    const std::string text = jettest::ReadText(jettest::CorpusDir() / relative);
    return std::vector<uint8_t>(text.begin(), text.end());
  }
  std::string Save(const std::vector<uint8_t>& bytes, const std::string& name) {
    const auto path = dir_ / name;
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return path.string();
  }
  // Dumps `path`; every error in the output must name the file.
  std::string DumpChecked(const std::string& path) {
    std::string out;
    const auto start = std::chrono::steady_clock::now();
    const int status = jettool::DumpDatabase(path, std::nullopt, out);
    const auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_TRUE(status == 0 || status == 3 || status == 4) << path;
    // A table that could not be read fails the dump (4) even though the others are dumped.
    const bool tableError = out.find("\n      \"error\": ") != std::string::npos;
    if (status != 3) {
      EXPECT_EQ(status, tableError ? 4 : 0) << path;
    }
    if (tableError) ++tableErrors_;
    EXPECT_LT(seconds, 10.0) << path;
    const std::string name = std::filesystem::path(path).filename().string();
    for (size_t at = out.find("\"error\": "); at != std::string::npos; at = out.find("\"error\": ", at + 1)) {
      const std::string line = out.substr(at, out.find('\n', at) - at);
      EXPECT_NE(line.find(name), std::string::npos) << "error without the file name: " << line;
    }
    return out;
  }

  std::filesystem::path dir_;
  int tableErrors_ = 0;  // dumps with a table that could not be read
};

TEST_F(DamagedFile, TruncatedFilesAreRefusedOrReadAsFarAsTheyGo) {
  const auto bytes = Load("jackcess/V2000/test2V2000.mdb");
  for (size_t size : {size_t{0}, size_t{10}, size_t{0x30}, size_t{4096}, size_t{3 * 4096 + 17}, bytes.size() / 2,
                      bytes.size() - 1}) {
    std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + static_cast<long>(size));
    const std::string out = DumpChecked(Save(cut, "cut" + std::to_string(size) + ".mdb"));
    if (size < 2 * 4096) {
      EXPECT_NE(out.find("\"error\": "), std::string::npos) << size;
    }
  }
}

TEST_F(DamagedFile, FlippedBytesNeverCrash) {
  std::mt19937 random(12345);
  for (const char* relative : {"jackcess/V2000/test2V2000.mdb", "mdb-reader/V1997/test.mdb",
                               "mdb-reader/V2016/attachments.accdb", "mdb-reader/V2016/longtext.accdb"}) {
    const auto original = Load(relative);
    for (int round = 0; round < 60; ++round) {
      auto bytes = original;
      for (int flips = 0; flips < 1 + round % 8; ++flips) {
        bytes[random() % bytes.size()] ^= static_cast<uint8_t>(1u << (random() % 8));
      }
      DumpChecked(Save(bytes, "flip" + std::to_string(round) + ".mdb"));
    }
  }
  EXPECT_GT(tableErrors_, 0);  // damaged tables were met, and each failed its dump with 4
}

TEST_F(DamagedFile, PagePointersOutOfRangeAndLoops) {
  const jet::JetFormat& f = jet::kJet4Format;
  const auto original = Load("mdb-reader/V2000/test.mdb");
  const size_t catalogue = 2 * f.pageSize;  // MSysObjects' definition

  auto outOfRange = original;
  jet::StoreU32(&outOfRange[catalogue + f.tdef.ownedPagesMap], 0xFFFFFF00);
  std::string out = DumpChecked(Save(outOfRange, "range.mdb"));
  EXPECT_NE(out.find("beyond the end of the file"), std::string::npos) << out;

  auto loop = original;
  jet::StoreU32(&loop[catalogue + f.tdef.nextPage], 2);
  out = DumpChecked(Save(loop, "loop.mdb"));
  EXPECT_NE(out.find("loop"), std::string::npos) << out;

  auto counts = original;
  jet::StoreU16(&counts[catalogue + f.tdef.columnCount], 0xFFFF);
  out = DumpChecked(Save(counts, "counts.mdb"));
  EXPECT_NE(out.find("impossible counts"), std::string::npos) << out;
}

// Every input the fuzzer ever found a fault with stays a test.
TEST_F(DamagedFile, FuzzerFindingsStayFixed) {
  size_t replayed = 0;
  for (const auto& entry : std::filesystem::directory_iterator(JET_FUZZ_REGRESSIONS_DIR)) {
    if (entry.path().extension() == ".md") continue;
    const auto copy = dir_ / "replay.mdb";
    std::filesystem::copy_file(entry.path(), copy, std::filesystem::copy_options::overwrite_existing);
    DumpChecked(copy.string());
    ++replayed;
  }
  std::printf("replayed %zu fuzzer findings\n", replayed);
}

}  // namespace
