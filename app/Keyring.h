// The remembered Access password in the desktop's Secret Service keyring (GNOME Keyring, KWallet
// and the like, through Qt Keychain) where one answers, so that no file holds it. Where none
// answers (no keyring, no session bus, a build without Qt Keychain) the settings file keeps it.
// Each call waits for the keyring's answer; after one finds no keyring, the rest of the run does
// without asking again.
#pragma once

#include <QString>
#include <optional>

namespace app::keyring {

// The stored password ("" when the keyring has none), or nothing when no keyring answers.
std::optional<QString> ReadPassword();

// Stores the password; false when no keyring took it.
bool WritePassword(const QString& password);

}  // namespace app::keyring
