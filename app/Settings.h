// The per-user settings store: three text values remembered between runs.
//
// The store is the INI file $XDG_CONFIG_HOME/Marrowind.conf (~/.config/Marrowind.conf
// when XDG_CONFIG_HOME is unset or not absolute), section [Tabloren]. It holds the
// Access password as typed, so the file is kept readable and writable by its owner
// only (mode 0600), on creation and after every write. Where the desktop's keyring
// answers (app/Keyring.h), the password is kept there instead and the file holds none.
#pragma once

#include <QString>

namespace app {

inline constexpr char kSettingsApplication[] = "Marrowind";
inline constexpr char kSettingSQLiteDatabase[] = "SQLiteDatabase";
inline constexpr char kSettingAccessMDBFile[] = "AccessMDBFile";
inline constexpr char kSettingAccessPassword[] = "AccessPassword";

// The settings file, from the environment at the moment of the call.
QString SettingsFilePath();

// The stored text of the key, exactly as written; the empty text when the key,
// the section or the file does not exist. Throws std::runtime_error naming the
// file when the file exists but cannot be read.
QString ReadSetting(const QString& key);

// Stores the text under the key, replacing any earlier value. Creates the folder
// and the file (0600) when missing. Throws std::runtime_error naming the file when
// the value could not be written.
void WriteSetting(const QString& key, const QString& value);

}  // namespace app
