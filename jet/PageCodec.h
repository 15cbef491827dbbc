// How page bytes are stored on disk: plain, Jet RC4 page encoding, or ACCDB encryption
// (RC4 CryptoAPI, agile AES). The page file decodes every page it reads and encodes
// every page it writes through one codec; page 0 is never passed through it (its own
// RC4 header mask is applied by the header code).
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "jet/Status.h"

namespace jet {

class PageCodec {
 public:
  virtual ~PageCodec() = default;
  // Transform the bytes of page `page` (page > 0) in place.
  virtual void decode(uint32_t page, std::span<uint8_t> bytes) const = 0;
  virtual void encode(uint32_t page, std::span<uint8_t> bytes) const = 0;
  // False for the plain codec: lets the page file skip the calls.
  virtual bool transforms() const { return true; }
};

// Chooses and builds the codec for a database from its raw header page (page 0 as
// stored, header mask not yet removed) and the password the user gave (UTF-8, may
// be empty). Also enforces the database password: a missing or wrong password gives
// ErrorCode::kWrongPassword with a message naming `fileName`.
Result<std::unique_ptr<PageCodec>> OpenPageCodec(std::span<const uint8_t> rawHeaderPage,
                                                 const std::string& password,
                                                 const std::string& fileName);

}  // namespace jet
