// How page bytes are stored on disk: plain, Jet RC4 page encoding, or ACCDB encryption
// (RC4 CryptoAPI, agile AES). The page file decodes every page it reads and encodes
// every page it writes through one codec; page 0 is never passed through it (its own
// RC4 header mask is applied by the header code). Codecs keep no state between calls,
// so pages may be decoded in any order and from several threads. Always pass whole
// pages: the agile scheme chains its cipher across the page (only whole 16-byte blocks
// are transformed), and the RC4 schemes restart their key stream at each page start.
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
  // What protects the pages, for messages and dumps: "none", "Jet RC4 page encoding",
  // "RC4 CryptoAPI (128-bit)", "agile AES-256, SHA512".
  virtual std::string scheme() const { return "none"; }
};

// Chooses and builds the codec for a database from its raw header page (page 0 as
// stored, header mask not yet removed) and the password the user gave (UTF-8, may
// be empty). Also enforces the database password: a missing or wrong password gives
// ErrorCode::kWrongPassword with a message naming `fileName`.
Result<std::unique_ptr<PageCodec>> OpenPageCodec(std::span<const uint8_t> rawHeaderPage, const std::string& password,
                                                 const std::string& fileName);

}  // namespace jet
