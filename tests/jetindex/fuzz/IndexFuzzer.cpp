// libFuzzer target for jet/index: arbitrary bytes as index pages (both layouts), as a
// small tree to validate and change, and as text to key. Nothing may crash, and a page
// that decodes must encode back to a page that decodes to the same entries.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "jet/index/IndexTree.h"
#include "jet/index/TextSortKey.h"

using namespace jet::index;

namespace {

void CheckPage(const uint8_t* data, size_t size, const IndexPageLayout& layout) {
  std::vector<uint8_t> page(layout.pageSize, 0);
  for (size_t i = 0; i < size && i < page.size(); ++i) page[i] = data[i];
  jet::Result<IndexPage> decoded = DecodeIndexPage(page, layout, 1);
  if (!decoded.ok()) return;
  std::vector<uint8_t> again(layout.pageSize);
  if (!EncodeIndexPage(*decoded, layout, again).ok()) std::abort();
  jet::Result<IndexPage> back = DecodeIndexPage(again, layout, 1);
  if (!back.ok() || back->entries != decoded->entries) std::abort();
}

void CheckTree(const uint8_t* data, size_t size) {
  const IndexPageLayout& layout = kJet3IndexPageLayout;
  MemoryPageStore store(layout.pageSize, 1);
  for (uint32_t p = 1; p <= 4; ++p) {
    std::vector<uint8_t> page(layout.pageSize, 0);
    const size_t from = (p - 1) * layout.pageSize;
    for (size_t i = 0; from + i < size && i < page.size(); ++i) page[i] = data[from + i];
    (void)store.writePage(p, page);
  }
  (void)ValidateIndexTree(store, layout, IndexTreeCheck{1, 0, true, 0, "fuzz"});
  IndexTree tree(store, layout, 1, 0, "fuzz");
  const IndexEntry e{{0x7F, static_cast<uint8_t>(size), 0x01, 0x00}, RowPointer{5, 1}, 0};
  (void)tree.insert(e, true);
  (void)tree.remove(e);
  (void)tree.entries();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  CheckPage(data, size, kJet4IndexPageLayout);
  CheckPage(data, size, kJet3IndexPageLayout);
  CheckTree(data, size);
  std::u16string text;
  for (size_t i = 0; i + 1 < size && i < 1200; i += 2) text.push_back(static_cast<char16_t>(data[i] | data[i + 1] << 8));
  for (TextSortOrder order : {TextSortOrder::kGeneralLegacy, TextSortOrder::kGeneral, TextSortOrder::kGeneral97}) {
    std::vector<uint8_t> out;
    (void)AppendTextSortKey(order, text, (size & 1) != 0, out);
  }
  return 0;
}
