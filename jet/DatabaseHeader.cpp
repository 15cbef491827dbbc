#include "jet/DatabaseHeader.h"

#include <string_view>

#include "jet/Bytes.h"

namespace jet {

std::string VersionName(uint8_t versionByte) {
  static constexpr const char* kNames[] = {"Jet3", "Jet4", "ACE12", "ACE14", "ACE15", "ACE16", "ACE17"};
  return versionByte <= header::kHighestKnownVersion ? kNames[versionByte] : "unknown";
}

Result<const JetFormat*> DetectFormat(std::span<const uint8_t> page0, const std::string& fileName) {
  if (page0.size() < header::kVersionOffset + 1) {
    return Status(ErrorCode::kNotAccess, Where::File(fileName), "file too short to be an Access database");
  }
  const std::string_view engine(reinterpret_cast<const char*>(page0.data()) + header::kEngineNameOffset,
                                header::kJetEngineName.size());
  const bool magicOk = page0[0] == 0x00 && page0[1] == 0x01 && page0[2] == 0x00 && page0[3] == 0x00;
  if (engine == header::kMsisamEngineName) {
    return Status::Unsupported(Where::File(fileName),
                               "this is a Microsoft Money (MSISAM) file, not an Access database");
  }
  if (!magicOk || (engine != header::kJetEngineName && engine != header::kAceEngineName)) {
    return Status(ErrorCode::kNotAccess, Where::File(fileName), "not an Access database (no Jet/ACE header)");
  }
  const uint8_t version = page0[header::kVersionOffset];
  if (version > header::kHighestKnownVersion) {
    return Status::Unsupported(Where::File(fileName), "unknown Access file version " + std::to_string(version));
  }
  return version == 0 ? &kJet3Format : &kJet4Format;
}

Result<DatabaseHeader> ParseDatabaseHeader(std::span<const uint8_t> page0, const std::string& fileName) {
  JET_ASSIGN_OR_RETURN(auto format, DetectFormat(page0, fileName));
  if (page0.size() < header::kCreationDateOffset + 8) {
    return Status::Corrupt(Where::File(fileName), "header page is truncated");
  }
  DatabaseHeader h;
  h.versionByte = page0[header::kVersionOffset];
  h.version = static_cast<header::Version>(h.versionByte);
  h.format = format;
  h.codePage = LoadU16(&page0[header::kCodePageOffset]);
  h.databaseKey = LoadU32(&page0[header::kDatabaseKeyOffset]);
  if (h.jet3()) {
    h.sortOrder = {LoadU16(&page0[header::kJet3SortOrderOffset]), 0};
  } else {
    h.sortOrder = {LoadU16(&page0[header::kJet4SortOrderOffset]), page0[header::kJet4SortOrderOffset + 3],
                   page0[header::kJet4SortOrderOffset + 2]};
    h.creationDate = LoadDouble(&page0[header::kCreationDateOffset]);
  }
  return h;
}

}  // namespace jet
