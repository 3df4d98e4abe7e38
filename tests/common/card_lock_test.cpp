#include "common/files/card_lock.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>

#include <optional>

#include "support/world.h"

TEST(CardLock, OpensRegularFilesOnlyAndATimedWaitGivesUpOnAHeldLock) {
  World world;
  world.putCard("1234", "201412050710,METRO,OUT,8950,35\n");
  const std::string card = (world.root() / "customer/1234.txt").string();

  const Result<FileDescriptor> missing =
      lockCardFile((world.root() / "customer/9999.txt").string(), O_RDONLY, LOCK_SH);
  ASSERT_FALSE(missing);
  EXPECT_TRUE(missing.problem()->is(Problem::Kind::kMissing));

  std::optional<Result<FileDescriptor>> first(lockCardFile(card, O_RDWR, LOCK_EX));
  ASSERT_TRUE(*first);
  const Result<FileDescriptor> second =
      lockCardFile(card, O_RDONLY, LOCK_SH, std::chrono::milliseconds(30));
  ASSERT_FALSE(second);  // held: given up after its wait
  EXPECT_TRUE(second.problem()->is(Problem::Kind::kBusy));

  first.reset();
  const Result<FileDescriptor> again =
      lockCardFile(card, O_RDONLY, LOCK_SH, std::chrono::milliseconds(30));
  EXPECT_TRUE(again);
}
