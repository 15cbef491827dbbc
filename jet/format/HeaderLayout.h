// The database header (page 0). Offsets from 0x18 on lie under the RC4 header mask
// (jet/crypto/HeaderMask.h) and are read from the unmasked copy.
#pragma once

#include <cstdint>
#include <string_view>

namespace jet::header {

inline constexpr uint32_t kMagicOffset = 0x00;           // 00 01 00 00
inline constexpr uint32_t kEngineNameOffset = 0x04;      // 16 bytes, see below
inline constexpr uint32_t kEngineNameLength = 16;
inline constexpr uint32_t kVersionOffset = 0x14;         // 0 Jet3, 1 Jet4, 2 ACE12, 3 ACE14 ... 6 ACE17
inline constexpr uint32_t kJet3SortOrderOffset = 0x3A;   // LCID, 2 bytes
inline constexpr uint32_t kCodePageOffset = 0x3C;        // 2 bytes
inline constexpr uint32_t kDatabaseKeyOffset = 0x3E;     // 4 bytes: 0 = pages stored plain
inline constexpr uint32_t kPasswordOffset = 0x42;        // Jet4+: 40 bytes, Jet3: 20
inline constexpr uint32_t kJet4SortOrderOffset = 0x6E;   // LANGID (2), sort id (1), version (1)
inline constexpr uint32_t kCreationDateOffset = 0x72;    // Jet4+: double, days since 1899-12-30

inline constexpr std::string_view kJetEngineName("Standard Jet DB", 15);
inline constexpr std::string_view kAceEngineName("Standard ACE DB", 15);
inline constexpr std::string_view kMsisamEngineName("MSISAM Database", 15);

// Values of the version byte.
enum class Version : uint8_t {
  kJet3 = 0,
  kJet4 = 1,
  kAce12 = 2,
  kAce14 = 3,
  kAce15 = 4,
  kAce16 = 5,
  kAce17 = 6,
};
inline constexpr uint8_t kHighestKnownVersion = 6;

}  // namespace jet::header
