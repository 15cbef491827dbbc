// Converts a decoded column value of the engine into the value an index key is built
// from. Kinds that indexes cannot hold here (Decimal, BigInt, extended dates, complex
// data) give ErrorCode::kUnsupported.
#pragma once

#include "jet/Status.h"
#include "jet/Value.h"
#include "jet/index/IndexKey.h"

namespace jet::index {

Result<KeyValue> KeyValueFromValue(const jet::Value& value);

}  // namespace jet::index
