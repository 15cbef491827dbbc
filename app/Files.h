// The program folder, the files that come with the program, and the file test.
#pragma once

#include <QString>

namespace app {

// Files looked for in the program folder, by their fixed relative names.
inline constexpr char kHandCursorFile[] = "HAND-M.CUR";
inline constexpr char kSkinFile[] = "x/o.cjs";
inline constexpr char kSampleAccessDatabase[] = "Samples/sample.mdb";
inline constexpr char kSampleSQLiteDatabase[] = "Samples/sample1.db3";

// The folder that holds the program file, without a trailing separator.
QString ProgramFolder();

// The program folder followed by a fixed relative name such as kSkinFile.
QString ProgramFile(const char* relativeName);

// True when the modification time of the path can be read: an existing file or
// folder. Any failure gives false (empty path, missing folder, a name the file
// system rejects, a broken link); nothing is reported.
bool FileExists(const QString& path) noexcept;

}  // namespace app
