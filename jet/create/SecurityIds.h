// The security ids (SIDs) a new database's permission rows (MSysACEs) and owner
// fields (MSysObjects.Owner) use. Files the engine or Access made store four 2-byte
// ids that differ per file but always stand in the same relation to each other (XOR
// with the engine's own id): the database administrator differs by 01 02, the users
// group by 00 02, the creator by 00 07. We use one fixed set of our own built on
// that relation, the same in every file we create.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace jet::create {

inline constexpr std::array<uint8_t, 2> kOurEngineSid{0x5C, 0x4D};

inline std::vector<uint8_t> SidWithOffset(uint8_t high, uint8_t low) {
  return {static_cast<uint8_t>(kOurEngineSid[0] ^ high), static_cast<uint8_t>(kOurEngineSid[1] ^ low)};
}
// Owner of the containers and system tables.
inline std::vector<uint8_t> EngineSid() { return SidWithOffset(0x00, 0x00); }
// Owner of the database object; holds administrative rights.
inline std::vector<uint8_t> AdminSid() { return SidWithOffset(0x01, 0x02); }
// Every user: the rights new tables inherit from the Tables container.
inline std::vector<uint8_t> UsersSid() { return SidWithOffset(0x00, 0x02); }
// The creator of an object: inheritable rights on the containers.
inline std::vector<uint8_t> CreatorSid() { return SidWithOffset(0x00, 0x07); }

}  // namespace jet::create
