#include "jet/index/TextSortOrder.h"

#include "jet/index/SortOrders.h"

namespace jet::index {

Result<TextSortOrder> ResolveTextSortOrder(uint16_t langId, uint8_t sortId, uint8_t version, bool jet3) {
  if (langId == kGeneralSortLcid && sortId == 0) {
    if (jet3) return TextSortOrder::kGeneral97;
    if (version == 0) return TextSortOrder::kGeneralLegacy;
    if (version == 1) return TextSortOrder::kGeneral;
  }
  // Access 97 keys of other orders are not known.
  if (!jet3) {
    for (const SortOrderInfo& order : LanguageSortOrders()) {
      if (order.langId == langId && order.sortId == sortId && order.version == version) {
        return TextSortOrder{order.base, &order};
      }
    }
  }
  const uint32_t lcid = (uint32_t{sortId} << 16) | langId;
  return Status(ErrorCode::kUnsupported,
                "text sort order LCID " + std::to_string(lcid) +
                    (jet3 ? std::string() : " version " + std::to_string(version)) +
                    " is not supported for index keys; the database can be read but not changed");
}

std::string TextSortOrderName(TextSortOrder order) {
  if (order.language) return std::string(order.language->name);
  switch (order.base) {
    case SortBase::kGeneralLegacy: return "General Legacy";
    case SortBase::kGeneral: return "General";
    case SortBase::kGeneral97: return "General (Access 97)";
  }
  return "unknown";
}

}  // namespace jet::index
