// JSON text exactly as JavaScript's JSON.stringify writes it: the dump format is
// compared byte for byte with dumps made by a JavaScript reader.
#pragma once

#include <string>

namespace jettool {

// Appends `text` (UTF-8; WTF-8 lone surrogates allowed) as a JSON string literal.
void AppendJsonString(std::string& out, const std::string& text);
// Appends a finite double in JavaScript's shortest round-trip form (-0 as 0).
// Non-finite values are written as the strings "NaN", "Infinity", "-Infinity".
void AppendJsonNumber(std::string& out, double value);

}  // namespace jettool
