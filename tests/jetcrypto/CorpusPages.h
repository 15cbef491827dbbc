// Reading corpus files page by page for the codec tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace jettest {

std::string CorpusPath(const std::string& relative);
std::vector<uint8_t> ReadWholeFile(const std::string& path);
// Page size from the version byte: 2048 for Jet3, 4096 otherwise.
uint32_t PageSizeOf(const std::vector<uint8_t>& file);
std::vector<uint8_t> PageOf(const std::vector<uint8_t>& file, uint32_t page);
// Every .mdb/.accdb below the corpus folder, as paths relative to it.
std::vector<std::string> AllCorpusDatabases();

// What MSysObjects' definition (page 2) and the global usage map (page 1) look like
// once decoded. Empty when they do.
std::string DescribeBadSystemPages(const std::vector<uint8_t>& page1, const std::vector<uint8_t>& page2, bool jet3);

}  // namespace jettest
