#include "CorpusPages.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace jettest {

std::string CorpusPath(const std::string& relative) { return std::string(TABLOREN_TEST_DATA_DIR) + "/" + relative; }

std::vector<uint8_t> ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

uint32_t PageSizeOf(const std::vector<uint8_t>& file) { return file.size() > 0x14 && file[0x14] == 0 ? 2048 : 4096; }

std::vector<uint8_t> PageOf(const std::vector<uint8_t>& file, uint32_t page) {
  const size_t size = PageSizeOf(file);
  const size_t start = page * size;
  if (start + size > file.size()) return {};
  return {file.begin() + start, file.begin() + start + size};
}

std::vector<std::string> AllCorpusDatabases() {
  std::vector<std::string> out;
  const std::filesystem::path root = CorpusPath("");
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
    const auto ext = entry.path().extension();
    if (ext == ".mdb" || ext == ".accdb") out.push_back(std::filesystem::relative(entry.path(), root).string());
  }
  std::sort(out.begin(), out.end());
  return out;
}

std::string DescribeBadSystemPages(const std::vector<uint8_t>& page1, const std::vector<uint8_t>& page2, bool jet3) {
  if (page1.size() < 64 || page2.size() < 64) return "pages missing";
  if (page1[0] != 0x01 || page1[1] != 0x01) return "page 1 is not a data page";
  if (page2[0] != 0x02 || page2[1] != 0x01) return "page 2 is not a table definition";
  // MSysObjects is a system table (0x53) with at least its ten core columns.
  const size_t typeAt = jet3 ? 20 : 40;
  const size_t columnsAt = jet3 ? 25 : 45;
  if (page2[typeAt] != 0x53) return "page 2 is not a system table's definition";
  if ((page2[columnsAt] | (page2[columnsAt + 1] << 8)) < 10) return "page 2 has too few columns for MSysObjects";
  if (!jet3 && (page2[12] | (page2[13] << 8)) != 1625) return "page 2 lacks the Jet4 definition marker";
  return {};
}

}  // namespace jettest
