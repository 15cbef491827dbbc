// Column defaults between the SQL of CREATE TABLE / INSERT and the "DefaultValue" property,
// which holds an Access expression as text: a number (-1.5), text in double quotes with ""
// inside ("O""Brien"), True/False, Yes/No, On/Off, Null, or a date between # signs.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "ado/access/AccessSql.h"
#include "jet/Status.h"

namespace ado::access {

// The expression Access keeps for DEFAULT `literal`. Binary values have no such expression
// (kInvalidArgument naming the column); NULL gives none (nullopt: no property).
jet::Result<std::optional<std::string>> DefaultExpression(const SqlLiteral& literal, std::string_view columnName);

// The literal an expression stands for when it is a constant (the forms above, single quotes
// also taken for text); nullopt for anything Access computes (Now(), Date(), GenGUID(), ...).
std::optional<SqlLiteral> ConstantOfDefault(std::string_view expression);

}  // namespace ado::access
