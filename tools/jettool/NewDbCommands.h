// jettool's writing and checking commands: create, check, sql.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace jettool {

// jettool create FILE [--password P]: a new empty database, format from the extension; a
// password is a Jet4 database password for .mdb, agile AES encryption for .accdb.
int RunCreate(const std::string& file, const std::optional<std::string>& password,
              const std::optional<std::string>& sortOrder = std::nullopt);
// jettool check FILE [--password P]: exit 0 clean or notes only, 1 problems (each printed).
int RunCheck(const std::string& file, const std::optional<std::string>& password);
// jettool sql FILE [--password P] STATEMENT...: each argument one statement. `waitSeconds`
// is the connection's timeout for another program's lock (ADO's default when not given).
int RunSql(const std::string& file, const std::optional<std::string>& password,
           const std::vector<std::string>& statements, std::optional<int> waitSeconds = {});

}  // namespace jettool
