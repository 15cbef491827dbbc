// A text value goes into an INSERT with its apostrophes doubled and comes out of the plain
// INSERT reader without them. Both walk sixteen bytes a step; texts with apostrophes and
// zero bytes at every position of a step, and across the ends of steps and blocks, must
// make the round trip unchanged, and a zero byte must send the statement to SQLite itself.
#include "ado/sqlite/InsertValues.h"
#include "transfer/SqlNames.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace {

std::string DoubledReference(const std::string& text) {
  std::string out = "'";
  for (char c : text) {
    out += c;
    if (c == '\'') out += '\'';
  }
  return out + "'";
}

std::string RandomText(std::mt19937& random, size_t length, bool zeros) {
  static const std::string alphabet = "abc d'\xC3\xA9\xE6\x97\xA5";  // ASCII, apostrophe, bytes of é and 日
  std::string text;
  for (size_t k = 0; k < length; ++k) {
    if (zeros && random() % 50 == 0) text += '\0';
    else if (random() % 4 == 0) text += '\'';
    else text += alphabet[random() % alphabet.size()];
  }
  return text;
}

TEST(QuotedText, DoublingAndUndoingRoundTripsEveryText) {
  std::mt19937 random(5);
  ado::sqlite::PlainInsert insert;
  std::vector<size_t> lengths;
  for (size_t n = 0; n <= 70; ++n) lengths.push_back(n);
  for (size_t n : {1023, 1024, 1025, 3000}) lengths.push_back(n);
  for (size_t n : lengths) {
    for (int round = 0; round < 30; ++round) {
      const std::string first = RandomText(random, n, false);
      const std::string second = RandomText(random, random() % 40, false);
      std::string statement = "INSERT INTO \"t\" VALUES(";
      transfer::AppendQuotedText(statement, first);
      statement += ", ";
      transfer::AppendQuotedText(statement, second);
      statement += ")";
      ASSERT_EQ(statement, "INSERT INTO \"t\" VALUES(" + DoubledReference(first) + ", " + DoubledReference(second) + ")");
      ASSERT_TRUE(ado::sqlite::ParsePlainInsert(statement, insert)) << statement;
      ASSERT_EQ(insert.values.size(), 2u);
      ASSERT_EQ(insert.values[0].textValue(), first) << "length " << n;
      ASSERT_EQ(insert.values[1].textValue(), second) << "length " << n;
    }
  }
  // Runs of apostrophes only, each doubled: 'a' then 2k quotes.
  for (size_t n = 1; n < 40; ++n) {
    std::string statement = "INSERT INTO t VALUES(";
    transfer::AppendQuotedText(statement, std::string(n, '\''));
    statement += ")";
    ASSERT_TRUE(ado::sqlite::ParsePlainInsert(statement, insert));
    ASSERT_EQ(insert.values[0].textValue(), std::string(n, '\''));
  }
}

TEST(QuotedText, ZeroBytesAndUnclosedTextsAreLeftToSQLite) {
  std::mt19937 random(9);
  ado::sqlite::PlainInsert insert;
  for (size_t n = 1; n < 80; ++n) {
    std::string text = RandomText(random, n, false);
    text[random() % n] = '\0';
    std::string statement = "INSERT INTO t VALUES(";
    transfer::AppendQuotedText(statement, text);
    statement += ")";
    ASSERT_FALSE(ado::sqlite::ParsePlainInsert(statement, insert)) << "length " << n;
    // Cut off before its closing quote (and the doubled ones before it): not a plain INSERT.
    const std::string unclosed = "INSERT INTO t VALUES('" + std::string(n, 'x') + "''" + std::string(n, 'y');
    ASSERT_FALSE(ado::sqlite::ParsePlainInsert(unclosed, insert)) << "length " << n;
  }
  EXPECT_FALSE(ado::sqlite::ParsePlainInsert(std::string_view("INSERT INTO \"a\0b\" VALUES(1)", 28), insert));
}

}  // namespace
