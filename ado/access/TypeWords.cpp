#include "ado/access/TypeWords.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace ado::access {

namespace {

using jet::ColumnType;
using jet::ErrorCode;

// How a word takes sizes in parentheses.
enum class Sizing {
  kNone,        // no parentheses
  kMemoOrText,  // TEXT: none = Memo, (n) = Text(n)
  kLength,      // optional (n), 255 without
  kPrecision,   // optional (p) or (p,s)
};

struct TypeWord {
  std::string_view word;
  ColumnType type;
  Sizing sizing;
};

constexpr std::array kTypeWords{
    TypeWord{"TEXT", ColumnType::kMemo, Sizing::kMemoOrText},
    TypeWord{"LONGTEXT", ColumnType::kMemo, Sizing::kNone},
    TypeWord{"LONGCHAR", ColumnType::kMemo, Sizing::kNone},
    TypeWord{"MEMO", ColumnType::kMemo, Sizing::kNone},
    TypeWord{"NOTE", ColumnType::kMemo, Sizing::kNone},
    TypeWord{"NTEXT", ColumnType::kMemo, Sizing::kNone},
    TypeWord{"VARCHAR", ColumnType::kText, Sizing::kLength},
    TypeWord{"CHAR", ColumnType::kText, Sizing::kLength},
    TypeWord{"CHARACTER", ColumnType::kText, Sizing::kLength},
    TypeWord{"STRING", ColumnType::kText, Sizing::kLength},
    TypeWord{"ALPHANUMERIC", ColumnType::kText, Sizing::kLength},
    TypeWord{"NCHAR", ColumnType::kText, Sizing::kLength},
    TypeWord{"INT", ColumnType::kLong, Sizing::kNone},
    TypeWord{"INTEGER", ColumnType::kLong, Sizing::kNone},
    TypeWord{"LONG", ColumnType::kLong, Sizing::kNone},
    TypeWord{"INTEGER4", ColumnType::kLong, Sizing::kNone},
    TypeWord{"SMALLINT", ColumnType::kInteger, Sizing::kNone},
    TypeWord{"SHORT", ColumnType::kInteger, Sizing::kNone},
    TypeWord{"INTEGER2", ColumnType::kInteger, Sizing::kNone},
    TypeWord{"BYTE", ColumnType::kByte, Sizing::kNone},
    TypeWord{"TINYINT", ColumnType::kByte, Sizing::kNone},
    TypeWord{"INTEGER1", ColumnType::kByte, Sizing::kNone},
    TypeWord{"FLOAT", ColumnType::kDouble, Sizing::kNone},
    TypeWord{"DOUBLE", ColumnType::kDouble, Sizing::kNone},
    TypeWord{"FLOAT8", ColumnType::kDouble, Sizing::kNone},
    TypeWord{"IEEEDOUBLE", ColumnType::kDouble, Sizing::kNone},
    TypeWord{"NUMBER", ColumnType::kDouble, Sizing::kNone},
    TypeWord{"REAL", ColumnType::kFloat, Sizing::kNone},
    TypeWord{"SINGLE", ColumnType::kFloat, Sizing::kNone},
    TypeWord{"FLOAT4", ColumnType::kFloat, Sizing::kNone},
    TypeWord{"IEEESINGLE", ColumnType::kFloat, Sizing::kNone},
    TypeWord{"CURRENCY", ColumnType::kCurrency, Sizing::kNone},
    TypeWord{"MONEY", ColumnType::kCurrency, Sizing::kNone},
    TypeWord{"BIT", ColumnType::kBoolean, Sizing::kNone},
    TypeWord{"YESNO", ColumnType::kBoolean, Sizing::kNone},
    TypeWord{"BOOLEAN", ColumnType::kBoolean, Sizing::kNone},
    TypeWord{"LOGICAL", ColumnType::kBoolean, Sizing::kNone},
    TypeWord{"LOGICAL1", ColumnType::kBoolean, Sizing::kNone},
    TypeWord{"DATETIME", ColumnType::kDateTime, Sizing::kNone},
    TypeWord{"DATE", ColumnType::kDateTime, Sizing::kNone},
    TypeWord{"TIME", ColumnType::kDateTime, Sizing::kNone},
    TypeWord{"GUID", ColumnType::kGuid, Sizing::kNone},
    TypeWord{"UNIQUEIDENTIFIER", ColumnType::kGuid, Sizing::kNone},
    TypeWord{"DECIMAL", ColumnType::kNumeric, Sizing::kPrecision},
    TypeWord{"NUMERIC", ColumnType::kNumeric, Sizing::kPrecision},
    TypeWord{"DEC", ColumnType::kNumeric, Sizing::kPrecision},
    TypeWord{"LONGBINARY", ColumnType::kOle, Sizing::kNone},
    TypeWord{"OLEOBJECT", ColumnType::kOle, Sizing::kNone},
    TypeWord{"GENERAL", ColumnType::kOle, Sizing::kNone},
    TypeWord{"IMAGE", ColumnType::kOle, Sizing::kNone},
    TypeWord{"BINARY", ColumnType::kBinary, Sizing::kLength},
    TypeWord{"VARBINARY", ColumnType::kBinary, Sizing::kLength},
};

bool SameWord(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::toupper(static_cast<unsigned char>(x)) == std::toupper(static_cast<unsigned char>(y));
         });
}

jet::Status SizeError(std::string_view word, std::string what) {
  return {ErrorCode::kInvalidArgument, "The column type " + std::string(word) + " " + what + "."};
}

// COUNTER and AUTOINCREMENT: Access's (seed, increment) form is not taken; numbers start at 1
// and go up by 1.
jet::Result<AccessColumnType> AutoNumberType(std::string_view word, std::span<const int64_t> sizes) {
  if (!sizes.empty())
    return SizeError(word, "takes no start and step here: AutoNumbers start at 1 and go up by 1");
  AccessColumnType result;
  result.type = ColumnType::kLong;
  result.autoIncrement = true;
  return result;
}

}  // namespace

jet::Result<AccessColumnType> ResolveTypeWord(std::string_view word, std::span<const int64_t> sizes) {
  const auto found = std::find_if(kTypeWords.begin(), kTypeWords.end(),
                                  [&](const TypeWord& entry) { return SameWord(entry.word, word); });
  if (found == kTypeWords.end()) {
    if (SameWord(word, "COUNTER") || SameWord(word, "AUTOINCREMENT")) return AutoNumberType(word, sizes);
    return jet::Status(ErrorCode::kInvalidArgument, "Unknown column type \"" + std::string(word) + "\".");
  }

  AccessColumnType result;
  result.type = found->type;
  switch (found->sizing) {
    case Sizing::kNone:
      if (!sizes.empty()) return SizeError(word, "takes no size");
      return result;
    case Sizing::kMemoOrText:
    case Sizing::kLength: {
      if (sizes.size() > 1) return SizeError(word, "takes one size, not " + std::to_string(sizes.size()));
      if (sizes.empty()) {
        if (found->sizing == Sizing::kMemoOrText) return result;  // TEXT alone: Memo
        result.length = kMaxTextLength;
        return result;
      }
      if (sizes[0] < 1 || sizes[0] > kMaxTextLength)
        return SizeError(word, "needs a size from 1 to 255, not " + std::to_string(sizes[0]));
      if (found->sizing == Sizing::kMemoOrText) result.type = ColumnType::kText;
      result.length = static_cast<uint16_t>(sizes[0]);
      return result;
    }
    case Sizing::kPrecision: {
      if (sizes.size() > 2) return SizeError(word, "takes a precision and a scale, nothing more");
      const int64_t precision = sizes.empty() ? 18 : sizes[0];
      const int64_t scale = sizes.size() < 2 ? 0 : sizes[1];
      if (precision < 1 || precision > kMaxDecimalPrecision)
        return SizeError(word, "needs a precision from 1 to 28, not " + std::to_string(precision));
      if (scale < 0 || scale > precision)
        return SizeError(word, "needs a scale from 0 to its precision (" + std::to_string(precision) + "), not " +
                                   std::to_string(scale));
      result.precision = static_cast<uint8_t>(precision);
      result.scale = static_cast<uint8_t>(scale);
      return result;
    }
  }
  return result;
}

std::string DescribeColumnType(const AccessColumnType& type) {
  switch (type.type) {
    case ColumnType::kText: return "Text(" + std::to_string(type.length) + ")";
    case ColumnType::kBinary: return "Binary(" + std::to_string(type.length) + ")";
    case ColumnType::kNumeric:
      return "Decimal(" + std::to_string(type.precision) + "," + std::to_string(type.scale) + ")";
    case ColumnType::kMemo: return "Memo";
    case ColumnType::kOle: return "OLE Object";
    case ColumnType::kBoolean: return "Yes/No";
    case ColumnType::kByte: return "Byte";
    case ColumnType::kInteger: return "Integer";
    case ColumnType::kLong: return type.autoIncrement ? "AutoNumber" : "Long Integer";
    case ColumnType::kBigInt: return "Large Number";
    case ColumnType::kCurrency: return "Currency";
    case ColumnType::kFloat: return "Single";
    case ColumnType::kDouble: return "Double";
    case ColumnType::kDateTime: return "Date/Time";
    case ColumnType::kGuid: return "Replication ID";
    default: return "type 0x" + [&] {
      static constexpr char kHex[] = "0123456789ABCDEF";
      const auto code = static_cast<uint8_t>(type.type);
      return std::string{kHex[code >> 4], kHex[code & 15]};
    }();
  }
}

}  // namespace ado::access
