#include "common/files/card_lock.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>

#include <cerrno>

#include "support/world.h"

TEST(CardLock, OpensRegularFilesOnlyAndATimedWaitGivesUpOnAHeldLock) {
  World world;
  world.putCard("1234", "201412050710,METRO,OUT,8950,35\n");
  const std::string card = (world.root() / "customer/1234.txt").string();

  CardLock missing = lockCardFile((world.root() / "customer/9999.txt").string(), O_RDONLY, LOCK_SH);
  EXPECT_FALSE(missing.opened);
  EXPECT_EQ(errno, ENOENT);

  CardLock first = lockCardFile(card, O_RDWR, LOCK_EX);
  ASSERT_TRUE(first.opened && first.file.valid());
  CardLock second = lockCardFile(card, O_RDONLY, LOCK_SH, std::chrono::milliseconds(30));
  EXPECT_TRUE(second.opened);
  EXPECT_FALSE(second.file.valid());  // held: given up after its wait

  first = CardLock();
  CardLock again = lockCardFile(card, O_RDONLY, LOCK_SH, std::chrono::milliseconds(30));
  EXPECT_TRUE(again.opened && again.file.valid());
}
