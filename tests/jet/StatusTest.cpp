// Errors as values: a Result holds a value or a failure, never neither; the factories
// build every message as "<where>: <what>"; JET_ASSIGN_OR_RETURN passes a failure on
// unchanged and moves a value out.
#include "jet/Status.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>

namespace {

using jet::ErrorCode;
using jet::Result;
using jet::Status;
using jet::Where;

TEST(Result, BuiltFromAnOkStatusIsAFailureNotAnEmptySuccess) {
  // Debug builds stop at the assert; elsewhere the contradiction becomes an internal error.
  EXPECT_DEBUG_DEATH(
      {
        Result<int> r(Status::Ok());
        EXPECT_FALSE(r.ok());
        EXPECT_FALSE(r.status().ok());
        EXPECT_EQ(r.status().code(), ErrorCode::kInternal);
        EXPECT_NE(r.status().message().find("internal error"), std::string::npos);
      },
      "OK Status");
}

TEST(Result, OkAndStatusAgree) {
  Result<std::string> value(std::string("x"));
  EXPECT_TRUE(value.ok());
  EXPECT_TRUE(value.status().ok());
  Result<std::string> failed(Status(ErrorCode::kNotFound, "f.mdb: no table named T"));
  EXPECT_FALSE(failed.ok());
  EXPECT_EQ(failed.status().code(), ErrorCode::kNotFound);
  EXPECT_EQ(failed.status().message(), "f.mdb: no table named T");
}

TEST(Status, FactoriesJoinWhereAndWhat) {
  const Status corrupt = Status::Corrupt("f.mdb: table T", "row 3 is truncated");
  EXPECT_EQ(corrupt.code(), ErrorCode::kCorrupt);
  EXPECT_EQ(corrupt.message(), "f.mdb: table T: row 3 is truncated");
  EXPECT_EQ(Status::Unsupported("f.accdb", "RC4 encryption").message(), "f.accdb: RC4 encryption");
  EXPECT_EQ(Status::Unsupported("f.accdb", "x").code(), ErrorCode::kUnsupported);
  EXPECT_EQ(Status::InvalidArgument("f.mdb", "bad").code(), ErrorCode::kInvalidArgument);
  EXPECT_EQ(Status::NotFound("f.mdb", "no table named T").message(), "f.mdb: no table named T");
  EXPECT_EQ(Status::Corrupt("attachment header is damaged").message(), "attachment header is damaged");
  EXPECT_FALSE(Status::Corrupt("").ok());  // a failure even without words
}

// The file stays apart from the rest, through the wrappers, for a report that names it itself.
TEST(Status, WhereKeepsTheFileApart) {
  const Status bad = Status::InvalidArgument(Where::Table("f.mdb", "T") + ", column C", "too long");
  EXPECT_EQ(bad.message(), "f.mdb: table T, column C: too long");
  EXPECT_EQ(bad.table(), "T");
  EXPECT_EQ(bad.messageBeside("f.mdb"), "table T, column C: too long");
  EXPECT_EQ(bad.messageBeside("g.mdb"), bad.message());
  const Status placed = Status::Corrupt("value is truncated").Within(Where::Table("f.mdb", "T")).Appended(" (row 2)");
  EXPECT_EQ(placed.message(), "f.mdb: table T: value is truncated (row 2)");
  EXPECT_EQ(placed.messageBeside("f.mdb"), "table T: value is truncated (row 2)");
  EXPECT_EQ(Status(ErrorCode::kIo, Where::File("f.mdb"), "cannot read").messageBeside("f.mdb"), "cannot read");
}

Result<std::unique_ptr<int>> Make(bool fail, int value) {
  if (fail) return Status(ErrorCode::kCorrupt, "f.mdb: page 7 is damaged");
  return std::make_unique<int>(value);
}

// Two uses on consecutive lines (distinct temporaries), a move-only value, and both
// return types: Status and Result<T>.
Result<int> Sum(bool failFirst, bool failSecond, int* reached) {
  JET_ASSIGN_OR_RETURN(std::unique_ptr<int> a, Make(failFirst, 2));
  JET_ASSIGN_OR_RETURN(auto b, Make(failSecond, 3));
  *reached = 1;
  return *a + *b;
}

Status Check(bool fail, int* out) {
  int reached = 0;
  JET_ASSIGN_OR_RETURN(*out, Sum(fail, false, &reached));
  return Status::Ok();
}

TEST(AssignOrReturn, PassesTheFailureOnOrMovesTheValueOut) {
  int reached = 0;
  Result<int> sum = Sum(false, false, &reached);
  ASSERT_TRUE(sum.ok());
  EXPECT_EQ(*sum, 5);
  EXPECT_EQ(reached, 1);

  reached = 0;
  Result<int> second = Sum(false, true, &reached);
  ASSERT_FALSE(second.ok());
  EXPECT_EQ(second.status().code(), ErrorCode::kCorrupt);
  EXPECT_EQ(second.status().message(), "f.mdb: page 7 is damaged");
  EXPECT_EQ(reached, 0);  // nothing after the failing line ran

  int out = -1;
  EXPECT_TRUE(Check(false, &out).ok());
  EXPECT_EQ(out, 5);
  out = -1;
  const Status failed = Check(true, &out);
  EXPECT_EQ(failed.message(), "f.mdb: page 7 is damaged");
  EXPECT_EQ(out, -1);
}

}  // namespace
