// Literal text for the sample generator's statements: both samples are written as SQL text,
// so values with quotes, line breaks and non-ASCII letters take the path the program's own go.
#pragma once

#include <string>
#include <vector>

namespace samples {

// 'text' with every ' doubled.
inline std::string Quoted(const std::string& text) {
  std::string out = "'";
  for (char c : text) {
    out += c;
    if (c == '\'') out += '\'';
  }
  return out + "'";
}

// "a, b, c": the literals of one row, already in SQL form.
inline std::string Joined(const std::vector<std::string>& literals) {
  std::string out;
  for (const auto& literal : literals) {
    if (!out.empty()) out += ", ";
    out += literal;
  }
  return out;
}

inline const std::string kNull = "NULL";

}  // namespace samples
