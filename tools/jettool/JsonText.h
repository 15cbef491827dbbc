// JSON text exactly as JavaScript's JSON.stringify writes it: the dump format is
// compared byte for byte with dumps made by a JavaScript reader. And names as the
// terminal is shown them.
#pragma once

#include <string>
#include <string_view>

namespace jettool {

// Appends `text` (UTF-8; WTF-8 lone surrogates allowed) as a JSON string literal.
void AppendJsonString(std::string& out, const std::string& text);
// Appends a finite double in JavaScript's shortest round-trip form (-0 as 0).
// Non-finite values are written as the strings "NaN", "Infinity", "-Infinity".
void AppendJsonNumber(std::string& out, double value);

// `text` (a name or message from a file) as it is safe to print on a terminal: C0 controls
// and DEL as \xNN, C1 controls (which terminals may act on) as \uNNNN, a backslash as \\.
std::string TerminalText(std::string_view text);

}  // namespace jettool
