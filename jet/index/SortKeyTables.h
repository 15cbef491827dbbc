// The measured text sort-key codes, as compact tables generated at build time from
// the code files (see SortKeyTables.cmake; attribution and licence are in the
// generated source and in SORTKEY_TABLES_NOTICE). Only TextSortKey.cpp reads these.
//
// Each Codes[c] entry is (class << 24) | offset into the matching Pool. The record at
// that offset depends on the class:
//   simple, significant, unprintable: length, bytes
//   international:                    length, inline bytes, length, extra bytes
//   unprintable-ext:                  one modifier byte
//   international-ext:                length, inline bytes, length (may be 0), extra bytes, crazy flag
//   ignored, surrogate:               nothing (surrogate codes are computed)
#pragma once

#include <cstddef>
#include <cstdint>

namespace jet::sortkeys {

enum class CharClass : uint8_t {
  kIgnored = 0,
  kSimple = 1,
  kInternational = 2,
  kUnprintable = 3,
  kUnprintableExt = 4,
  kInternationalExt = 5,
  kSignificant = 6,  // Access 97 only
  kSurrogate = 7,
};

// General Legacy and General: every BMP code point.
extern const uint32_t kGeneralLegacyCodes[65536];
extern const uint8_t kGeneralLegacyPool[];
extern const uint32_t kGeneralCodes[65536];
extern const uint8_t kGeneralPool[];

// Access 97 General: U+0000-U+00FF, plus (from << 8 | to) foldings of a few higher
// characters onto code-page characters; every other character is ignored.
extern const uint32_t kGeneral97Codes[256];
extern const uint8_t kGeneral97Pool[];
extern const size_t kGeneral97MappingCount;
extern const uint32_t kGeneral97Mappings[];

}  // namespace jet::sortkeys
