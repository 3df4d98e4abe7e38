#include "common/problem.h"

#include <gtest/gtest.h>

#include <cerrno>

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
