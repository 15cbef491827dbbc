// A text value goes into a statement with its apostrophes doubled. The doubling walks sixteen
// bytes a step; texts with apostrophes at every position of a step, and across the ends of
// steps and blocks, must come out exactly as doubled one character at a time.
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
    }
  }
  // Runs of apostrophes only, each doubled: 'a' then 2k quotes.
  for (size_t n = 1; n < 40; ++n) {
    std::string statement = "INSERT INTO t VALUES(";
    transfer::AppendQuotedText(statement, std::string(n, '\''));
    statement += ")";
    ASSERT_EQ(statement, "INSERT INTO t VALUES(" + DoubledReference(std::string(n, '\'')) + ")");
  }
}

}  // namespace
