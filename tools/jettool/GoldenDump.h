// `jettool dump`: the whole database as the JSON the corpus goldens use (fields,
// order, value forms and layout: see the corpus README), so that a dump and a
// golden compare as text.
#pragma once

#include <optional>
#include <string>

#include "jet/FileLock.h"
#include "jet/Value.h"

namespace jettool {

inline constexpr int kDumpOpenFailed = 3;
inline constexpr int kDumpTableFailed = 4;

// Writes the dump of `path` to `out`. Returns the exit status: 0 dumped, 3 the
// database could not be opened (the JSON then carries "error"), 4 at least one table
// could not be read (its entry carries "error"; the other tables are dumped). Another
// program's lock on the file is waited for up to `wait`.
int DumpDatabase(const std::string& path, const std::optional<std::string>& password, std::string& out,
                 const jet::LockWait& wait = {});

// The dump form of one value (compact JSON), as used inside rows.
void AppendValueJson(std::string& out, const jet::Value& value);
// Date/Time as the dump writes it: YYYY-MM-DDTHH:MM:SS[.fff], negative days folded.
std::string FormatDateTime(double days);

}  // namespace jettool
