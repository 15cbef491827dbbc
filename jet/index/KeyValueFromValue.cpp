#include "jet/index/KeyValueFromValue.h"

#include <type_traits>

#include "jet/Text.h"

namespace jet::index {

Result<KeyValue> KeyValueFromValue(const jet::Value& value) {
  return std::visit(
      [](const auto& v) -> Result<KeyValue> {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, jet::Null>) {
          return KeyValue{};
        } else if constexpr (std::is_same_v<T, bool>) {
          return KeyValue{v};
        } else if constexpr (std::is_same_v<T, uint8_t> || std::is_same_v<T, int16_t> || std::is_same_v<T, int32_t>) {
          return KeyValue{static_cast<int64_t>(v)};
        } else if constexpr (std::is_same_v<T, jet::Currency>) {
          return KeyValue{v.tenThousandths};
        } else if constexpr (std::is_same_v<T, jet::BigInt>) {
          return KeyValue{v.value};
        } else if constexpr (std::is_same_v<T, jet::Decimal>) {
          return KeyValue{DecimalKey{v.negative, v.magnitude, v.scale}};
        } else if constexpr (std::is_same_v<T, float> || std::is_same_v<T, double>) {
          return KeyValue{static_cast<double>(v)};
        } else if constexpr (std::is_same_v<T, jet::DateTime>) {
          return KeyValue{v.days};
        } else if constexpr (std::is_same_v<T, std::string>) {
          return KeyValue{jet::Utf8ToUtf16(v)};
        } else if constexpr (std::is_same_v<T, jet::Binary>) {
          return KeyValue{v.bytes};
        } else if constexpr (std::is_same_v<T, jet::Guid>) {
          return KeyValue{Guid::FromStored(std::span<const uint8_t, 16>(v.bytes))};
        } else {
          return Status(ErrorCode::kUnsupported, "index keys of this kind of value are not supported");
        }
      },
      value);
}

}  // namespace jet::index
