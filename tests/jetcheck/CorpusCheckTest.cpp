// The integrity check on every Access-made file of the corpus (they must come out
// clean) and on copies damaged in the ways the check exists to find.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <fstream>

#include "CorpusFiles.h"
#include "jet/check/DatabaseCheck.h"

namespace {

std::string Joined(const std::vector<std::string>& lines) {
  std::string out;
  for (const auto& l : lines) out += l + "\n";
  return out;
}

TEST(CorpusCheck, EveryCorpusFileIsClean) {
  size_t checked = 0, keys = 0;
  for (const auto& file : jettest::CorpusFiles()) {
    SCOPED_TRACE(file.relative());
    auto report = jet::check::CheckDatabase(file.database.string(), file.password.value_or(""));
    ASSERT_TRUE(report.ok()) << report.status().message();
    EXPECT_TRUE(report->clean()) << Joined(report->problems);
    EXPECT_EQ(report->keyMismatches, 0u);
    keys += report->keysCompared;
    ++checked;
  }
  EXPECT_GE(checked, 60u);
  // Every stored key the engine can build was rebuilt from its row and compared.
  EXPECT_GE(keys, 5000u);
  std::printf("index keys rebuilt and compared over the corpus: %zu\n", keys);
}

// A private copy of a corpus file whose bytes `damage` may change.
std::filesystem::path DamagedCopy(const std::string& relative, const std::function<void(std::string&)>& damage) {
  const auto source = jettest::CorpusDir() / relative;
  const auto dir = std::filesystem::temp_directory_path() / ("jetcheck-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  const auto target = dir / source.filename();
  std::string bytes = jettest::ReadText(source);
  damage(bytes);
  std::ofstream(target, std::ios::binary | std::ios::trunc) << bytes;
  return target;
}

std::string ProblemsOf(const std::filesystem::path& file) {
  auto report = jet::check::CheckDatabase(file.string());
  EXPECT_TRUE(report.ok()) << report.status().message();
  return report.ok() ? Joined(report->problems) : "";
}

constexpr size_t kPage = 4096;

TEST(CorpusCheck, FindsDamage) {
  const std::string file = "jackcess/adox_jet4.mdb";
  // A stale row count in MSysObjects' definition (page 2, offset 16): Access leaves such
  // counts on its own tables, so it is a note there.
  auto stale = DamagedCopy(file, [](std::string& b) { b[2 * kPage + 16] = 9; });
  auto staleReport = jet::check::CheckDatabase(stale.string());
  ASSERT_TRUE(staleReport.ok());
  EXPECT_NE(Joined(staleReport->notes).find("row count of 9 but has 8 live rows"), std::string::npos);

  // A used page marked free in the global map: page 14 (MSysObjects rows) is bit 14 of
  // the map row at the end of page 1 (row 0 starts at 0xFBB; bitmap after 5 bytes).
  auto freed = DamagedCopy(file, [](std::string& b) { b[kPage + 0xFBB + 5 + 1] |= 0x40; });
  EXPECT_NE(ProblemsOf(freed).find("page 14 is marked free"), std::string::npos) << ProblemsOf(freed);

  // A page nobody owns that the map says is in use (lost space: a note): an extra page 16.
  auto leaked = DamagedCopy(file, [](std::string& b) {
    b[kPage + 0xFBB + 5 + 2] &= static_cast<char>(~0x01);
    b.append(kPage, '\0');
  });
  auto leakedReport = jet::check::CheckDatabase(leaked.string());
  ASSERT_TRUE(leakedReport.ok());
  EXPECT_NE(Joined(leakedReport->notes).find("1 page(s) are in use"), std::string::npos);

  // Index order: the first two entries of MSysObjects' Id index (page 8) with their
  // last key bytes swapped are out of order.
  auto disordered = DamagedCopy(file, [](std::string& b) {
    std::swap(b[8 * kPage + 480 + 4], b[8 * kPage + 480 + 9 + 4]);
  });
  EXPECT_FALSE(ProblemsOf(disordered).empty());

  // The same page listed by two owners: MSysACEs' owned map (page 6 row 18) also lists page 14.
  auto shared = DamagedCopy(file, [](std::string& b) {
    const size_t row18 = 6 * kPage + (static_cast<unsigned char>(b[6 * kPage + 14 + 36]) |
                                      static_cast<unsigned char>(b[6 * kPage + 14 + 37]) << 8);
    b[row18 + 5 + 1] |= 0x40;
  });
  EXPECT_NE(ProblemsOf(shared).find("claimed twice"), std::string::npos) << ProblemsOf(shared);
}

// Keys that are in order but do not belong to their rows: the first two entries of
// MSysObjects' Id index (page 8, 9 bytes each from offset 480: key of 5, row pointer of 4)
// with their row bytes swapped, so the key of Id 2 points to the row of Id 3 and back.
TEST(CorpusCheck, RebuildsEveryKeyFromItsRow) {
  auto swapped = DamagedCopy("jackcess/adox_jet4.mdb", [](std::string& b) {
    std::swap(b[8 * kPage + 480 + 8], b[8 * kPage + 480 + 9 + 8]);
  });
  auto report = jet::check::CheckDatabase(swapped.string());
  ASSERT_TRUE(report.ok()) << report.status().message();
  EXPECT_EQ(report->keyMismatches, 2u) << Joined(report->problems);
  EXPECT_NE(Joined(report->problems).find("key mismatch at page 14 row 5: stored 7f80000002, the row gives 7f80000003"),
            std::string::npos)
      << Joined(report->problems);

  // An entry pointing at a slot that holds no row, and so a row left without its entry.
  auto dangling = DamagedCopy("jackcess/adox_jet4.mdb", [](std::string& b) { b[8 * kPage + 480 + 8] = 0x7E; });
  const std::string problems = ProblemsOf(dangling);
  EXPECT_NE(problems.find("points to page 14 row 126, which is no live row"), std::string::npos) << problems;
  EXPECT_NE(problems.find("page 14 row 4 has no entry"), std::string::npos) << problems;
}

// Access 97 index pages keep the shared-prefix length in byte 20 alone; byte 21 is the tree
// level. A leaf whose prefix byte claims more than its first entry holds is damage, reported
// with its page; the level byte is not part of the prefix.
TEST(CorpusCheck, Access97PrefixByteIsReadAloneAndDamageReported) {
  constexpr size_t kJet3Page = 2048;
  auto damaged = DamagedCopy("mdb-reader/V1997/test.mdb", [](std::string& b) {
    b[9 * kJet3Page + 20] = static_cast<char>(0xFF);  // page 9: a leaf of MSysObjects' first index
  });
  const std::string problems = ProblemsOf(damaged);
  EXPECT_NE(problems.find("index page 9: shared prefix longer than the first entry"), std::string::npos) << problems;
  auto level = DamagedCopy("mdb-reader/V1997/test.mdb", [](std::string& b) { b[9 * kJet3Page + 21] = 0x01; });
  auto report = jet::check::CheckDatabase(level.string());
  ASSERT_TRUE(report.ok()) << report.status().message();
  EXPECT_TRUE(report->clean()) << Joined(report->problems);
  EXPECT_EQ(Joined(report->notes).find("not validated"), std::string::npos) << Joined(report->notes);
}

}  // namespace
