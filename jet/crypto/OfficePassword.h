// The password as the ACCDB encryption schemes hash it: UTF-16LE, at most 255 units.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace jet {

inline constexpr size_t kOfficePasswordMaxUnits = 255;

std::vector<uint8_t> OfficePasswordBytes(const std::string& utf8Password);

}  // namespace jet
