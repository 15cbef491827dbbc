#include <cstdio>
#include <cstdlib>

#include "NewDbCommands.h"
#include "jet/check/DatabaseCheck.h"
#include "jet/DateSerial.h"
#include "jet/create/NewDatabase.h"
#include "jet/write/TableCreator.h"

namespace jettool {

namespace {

// "1055", "0x1040E" or "1050/1": the LCID (LANGID and sort id) and the version.
std::optional<jet::SortOrder> ParseSortOrder(const std::string& text) {
  char* end = nullptr;
  const unsigned long lcid = std::strtoul(text.c_str(), &end, 0);
  if (end == text.c_str() || lcid > 0xFFFFF) return std::nullopt;
  unsigned long version = 0;
  if (*end == '/') {
    const char* v = end + 1;
    version = std::strtoul(v, &end, 10);
    if (end == v || version > 255) return std::nullopt;
  }
  if (*end != '\0') return std::nullopt;
  return jet::SortOrder{static_cast<uint16_t>(lcid & 0xFFFF), static_cast<uint8_t>(version),
                        static_cast<uint8_t>(lcid >> 16)};
}

}  // namespace

int RunCreate(const std::string& file, const std::optional<std::string>& password,
              const std::optional<std::string>& sortOrderText) {
  auto format = jet::create::FormatForPath(file);
  if (!format.ok()) {
    std::fprintf(stderr, "jettool: %s\n", format.status().message().c_str());
    return 1;
  }
  jet::SortOrder sortOrder{1033, 0, 0};
  if (sortOrderText) {
    auto parsed = ParseSortOrder(*sortOrderText);
    if (!parsed) {
      std::fprintf(stderr, "jettool: --sort-order wants an LCID, optionally /VERSION (e.g. 1055, 0x1040E, 1050/1)\n");
      return 2;
    }
    sortOrder = *parsed;
  }
  const jet::Status status =
      jet::create::CreateDatabase(file, *format, jet::NowAsDateTime(), password.value_or(""), sortOrder);
  if (!status.ok()) {
    std::fprintf(stderr, "jettool: %s\n", status.message().c_str());
    return 1;
  }
  return 0;
}

int RunCheck(const std::string& file, const std::optional<std::string>& password) {
  auto report = jet::check::CheckDatabase(file, password.value_or(""));
  if (!report.ok()) {
    std::fprintf(stderr, "jettool: %s\n", report.status().message().c_str());
    return 1;
  }
  for (const auto& note : report->notes) std::printf("note: %s\n", note.c_str());
  for (const auto& problem : report->problems) std::printf("%s\n", problem.c_str());
  if (report->clean()) {
    std::printf("%s: ok\n", file.c_str());
    return 0;
  }
  std::printf("%s: %zu problem(s)\n", file.c_str(), report->problems.size());
  return 1;
}

}  // namespace jettool
