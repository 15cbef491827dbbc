// The facts page 0 holds: which engine version wrote the file (and so which
// JetFormat applies), text code page, default sort order, page-encoding key and
// creation date. Parsing takes the header page with its mask already removed.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "jet/Status.h"
#include "jet/format/HeaderLayout.h"
#include "jet/format/JetFormat.h"

namespace jet {

// A text sort order as stored: the LCID's language (LANGID), the version of the
// order's weights (0 legacy, 1 the newer weights of Access 2010) and the LCID's sort
// id (a Windows alternate order of the same language, e.g. German Phone Book).
// Jet4/ACE store the four bytes LANGID, sort id, version; Jet3 only the LANGID.
struct SortOrder {
  uint16_t lcid = 0;  // LANGID, the LCID's low word
  uint8_t version = 0;
  uint8_t sortId = 0;
  bool operator==(const SortOrder&) const = default;
};

struct DatabaseHeader {
  header::Version version = header::Version::kJet4;
  uint8_t versionByte = 0;
  const JetFormat* format = &kJet4Format;
  uint16_t codePage = 0;
  SortOrder sortOrder;
  uint32_t databaseKey = 0;
  double creationDate = 0;  // Jet4+ only

  bool jet3() const { return format->jet3; }
  bool ace() const { return versionByte >= static_cast<uint8_t>(header::Version::kAce12); }
};

// The golden name of a version byte: "Jet3", "Jet4", "ACE12" ... "ACE17", or "unknown".
std::string VersionName(uint8_t versionByte);

// Recognises an Access file from the first bytes of page 0 (mask still applied is
// fine: the fields used lie before 0x18). Refuses MSISAM files and unknown versions.
Result<const JetFormat*> DetectFormat(std::span<const uint8_t> rawPage0, const std::string& fileName);

// Reads the header fields from page 0 with the mask removed.
Result<DatabaseHeader> ParseDatabaseHeader(std::span<const uint8_t> page0, const std::string& fileName);

}  // namespace jet
