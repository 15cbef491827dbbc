#include "ado/sqlite/DeclaredType.h"

#include "ado/Constants.h"

#include <algorithm>
#include <cctype>
#include <string>

namespace ado::sqlite {

int AdoTypeOfDeclaredType(std::string_view declaredType) {
  std::string t(declaredType);
  std::transform(t.begin(), t.end(), t.begin(), [](unsigned char c) { return std::tolower(c); });
  auto has = [&](std::string_view part) { return t.find(part) != std::string::npos; };

  if (has("int")) return t == "bigint" ? adBigInt : adInteger;
  if (has("char")) return adVarWChar;
  if (has("text") || has("clob")) return adLongVarWChar;
  if (has("real") || has("floa") || has("doub") || has("numeric") || has("decimal")) return adDouble;
  if (has("datetime") || has("timestamp")) return adDBTimeStamp;
  if (has("date")) return adDBDate;
  if (has("time")) return adDBTime;
  if (has("bool") || has("bit")) return adBoolean;
  if (has("blob") || has("binary")) return adLongVarBinary;
  return adVarWChar;
}

}  // namespace ado::sqlite
