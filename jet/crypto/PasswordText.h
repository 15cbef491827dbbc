// Passwords arrive as UTF-8 from the connection string or the command line; the file
// stores them as UTF-16LE (Jet4, ACCDB) or as single code-page bytes (Jet3).
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace jet {

// UTF-16LE bytes of `utf8`. A byte that is not valid UTF-8 is taken as Windows-1252,
// so a password typed in a legacy console still has a defined meaning.
std::vector<uint8_t> PasswordToUtf16Le(const std::string& utf8);

// The text of a Jet3 password field (Windows-1252 bytes, NUL-terminated) as UTF-8.
std::string Windows1252ToUtf8(std::span<const uint8_t> bytes);

}  // namespace jet
