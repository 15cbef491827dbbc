// The system catalogue MSysObjects: where it lives, its object types, flags and
// well-known ids.
#pragma once

#include <cstdint>

namespace jet::catalog {

inline constexpr uint32_t kMSysObjectsPage = 2;  // its TDEF page
inline constexpr uint32_t kIdPageMask = 0x00FFFFFF;  // table id = TDEF page in the low 24 bits

enum class ObjectType : int16_t {
  kTable = 1,
  kDatabase = 2,
  kContainer = 3,
  kOdbcLink = 4,
  kQuery = 5,
  kLinkedTable = 6,
  kRelationship = 8,
};

inline constexpr uint32_t kFlagSystem = 0x80000000;
inline constexpr uint32_t kFlagSystemAlt = 0x00000002;

inline constexpr int32_t kTablesContainerId = 0x0F000001;
inline constexpr int32_t kDatabasesContainerId = 0x0F000002;
inline constexpr int32_t kRelationshipsContainerId = 0x0F000003;

}  // namespace jet::catalog
