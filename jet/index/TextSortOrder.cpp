#include "jet/index/TextSortOrder.h"

namespace jet::index {

Result<TextSortOrder> ResolveTextSortOrder(uint16_t lcid, uint8_t version, bool jet3) {
  if (lcid == kGeneralSortLcid) {
    if (jet3) return TextSortOrder::kGeneral97;
    if (version == 0) return TextSortOrder::kGeneralLegacy;
    if (version == 1) return TextSortOrder::kGeneral;
  }
  return Status(ErrorCode::kUnsupported,
                "text sort order LCID " + std::to_string(lcid) +
                    (jet3 ? std::string() : " version " + std::to_string(version)) +
                    " is not supported for index keys (only the General sort orders are); "
                    "the database can be read but not changed");
}

std::string TextSortOrderName(TextSortOrder order) {
  switch (order) {
    case TextSortOrder::kGeneralLegacy: return "General Legacy";
    case TextSortOrder::kGeneral: return "General";
    case TextSortOrder::kGeneral97: return "General (Access 97)";
  }
  return "unknown";
}

}  // namespace jet::index
