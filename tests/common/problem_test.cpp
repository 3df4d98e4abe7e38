#include "common/base/problem.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <utility>
#include <vector>

TEST(Problem, ErrnoIsWordedTheSameWayAroundItsContext) {
  EXPECT_EQ(Problem::fromErrno(ENOENT).text(), "No such file or directory");
  EXPECT_EQ(Problem::fromErrno(EFBIG).text(), "File too large");
  EXPECT_EQ(Problem::fromErrno("cannot read x (", ENOENT, ")").text(),
            "cannot read x (No such file or directory)");
  EXPECT_EQ(Problem::fromErrno("cannot write y: ", ENOSPC).text(),
            "cannot write y: No space left on device");
  // A number the system has no description for still says which it was.
  EXPECT_EQ(Problem::fromErrno(99999).text(), "error 99999");
  EXPECT_EQ(Problem::fromErrno("a (", -1, ")").text(), "a (error -1)");
  EXPECT_EQ(Problem("held by process 12").text(), "held by process 12");
}

TEST(Problem, ErrnoIsSortedIntoTheKindCallersBranchOn) {
  const std::vector<std::pair<int, Problem::Kind>> cases = {
      {ENOENT, Problem::Kind::kMissing},    {EEXIST, Problem::Kind::kExists},
      {EWOULDBLOCK, Problem::Kind::kBusy},  {EADDRINUSE, Problem::Kind::kBusy},
      {ENOSPC, Problem::Kind::kNoSpace},    {EFBIG, Problem::Kind::kNoSpace},
      {EDQUOT, Problem::Kind::kNoSpace},    {ELOOP, Problem::Kind::kNotRegular},
      {EMLINK, Problem::Kind::kNotRegular}, {EIO, Problem::Kind::kIo},
      {EACCES, Problem::Kind::kIo},
  };
  for (const auto& [error, kind] : cases) {
    SCOPED_TRACE(error);
    EXPECT_EQ(Problem::fromErrno(error).kind(), kind);
    EXPECT_EQ(Problem::fromErrno("x: ", error).kind(), kind);
    EXPECT_EQ(Problem::fromErrno(error).within("cannot write x: ").kind(), kind);
  }
  EXPECT_EQ(Problem::fromErrno(ENOSPC).within("cannot write x: ", ".").text(),
            "cannot write x: No space left on device.");
  EXPECT_EQ(Problem("held by process 12").kind(), Problem::Kind::kOther);
}

TEST(Problem, AResultHoldsItsValueOrItsProblem) {
  const Result<int> value = 7;
  ASSERT_TRUE(value);
  EXPECT_EQ(*value, 7);
  EXPECT_EQ(value.problem(), nullptr);
  const Result<int> failed = Problem("no", Problem::Kind::kMalformed);
  ASSERT_FALSE(failed);
  EXPECT_EQ(failed.problem()->text(), "no");
  EXPECT_TRUE(failed.problem()->is(Problem::Kind::kMalformed));
  EXPECT_TRUE(Result<void>());
  EXPECT_FALSE(Result<void>(Problem("no")));
}
