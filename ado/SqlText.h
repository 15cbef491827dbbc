// Values written into SQL text: the quoted text both dialects share, and a prepared
// statement's text with its parameter values in place of the ? markers (for messages).
#pragma once

#include "ado/Variant.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace ado {

// 'text' as both dialects write a text value: every apostrophe inside doubled.
void AppendQuotedText(std::string& statement, std::string_view text);

// How one dialect writes a value into a statement.
using AppendLiteral = void (*)(std::string& statement, const Variant& value);

// `text` with the literal of each value in place of its ? marker, in order. Markers inside
// quotes, back-quotes or brackets are not markers. A marker left without a value is left out
// with the ", " before it, so the text is the statement as written with the values given.
std::string StatementWithValues(std::string_view text, const std::vector<Variant>& values, AppendLiteral append);

// The ? markers of `text`, as StatementWithValues finds them.
std::size_t CountMarkers(std::string_view text);

}  // namespace ado
