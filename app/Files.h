// The program folder, the files that come with the program, and the file test.
#pragma once

#include <QString>
#include <optional>

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

// Which side a database file belongs on, by its first bytes ("SQLite format 3", "Standard Jet
// DB", "Standard ACE DB") or, for a file without them, its extension (.mdb, .accdb, .mde,
// .accde are Access); anything else is taken for SQLite.
enum class DatabaseKind { SQLite, Access };
DatabaseKind KindOfDatabaseFile(const QString& path);

// Why a file cannot be opened for reading, in words to follow its name: "does not exist", "is a
// folder, not a file", "cannot be read: permission denied"; nothing when it can.
std::optional<QString> WhyNotReadable(const QString& path);

// Why a database file cannot take changes, as a sentence naming the file or its folder and the
// reason ("permission denied", "read-only file system"); nothing when it can. The folder counts
// because the journal (and, for Access, the lock file) is made beside the file. A file that does
// not exist yet is judged by its folder alone.
std::optional<QString> WhyNotWritable(const QString& path);

}  // namespace app
