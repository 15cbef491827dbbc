#include <cstdio>

#include "NewDbCommands.h"
#include "jet/check/DatabaseCheck.h"
#include "jet/create/NewDatabase.h"
#include "jet/write/TableCreator.h"

namespace jettool {

int RunCreate(const std::string& file, const std::optional<std::string>& password) {
  auto format = jet::create::FormatForPath(file);
  if (!format.ok()) {
    std::fprintf(stderr, "jettool: %s\n", format.status().message().c_str());
    return 1;
  }
  const jet::Status status = jet::create::CreateDatabase(file, *format, jet::NowAsDateTime(), password.value_or(""));
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
