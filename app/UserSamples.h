// The sample databases a user works on. The program's own copies lie in its folder, which an
// installed program shares with every user and cannot write (/usr/lib/tabloren/Samples): a
// table sent into them fails. So each user works on copies in their own data folder.
#pragma once

#include <QString>

namespace app {

// $XDG_DATA_HOME/tabloren, or ~/.local/share/tabloren when that is unset or not absolute.
QString UserDataFolder();

// The user's copy of a sample that comes with the program (relativeName as
// kSampleAccessDatabase): made on the first call from the program folder's file, and used as it
// is afterwards, never copied over. Without such a file in the program folder there is nothing
// to copy and its path there is the answer. Throws, naming the file and the reason, when the
// copy cannot be made.
QString UserSample(const QString& programFolder, const char* relativeName);

}  // namespace app
