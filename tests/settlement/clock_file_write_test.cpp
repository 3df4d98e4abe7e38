// The settlement's clock file written at each tick: replaced whole, or
// "Time Write Fail" printed and the file left as it was, whichever call of
// the replacement fails, and written again by the next tick once it can.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

#include "settlement/exact_display/settlement_clock.h"
#include "settlement/hand_off_loops.h"
#include "support/file_faults.h"
#include "support/world.h"

namespace {

const TimeInfo kTick{2014, 12, 5, 9, 40};
const TimeInfo kNextTick{2014, 12, 5, 9, 48};

std::string writtenOutput(const TimeInfo& t) {
  testing::internal::CaptureStdout();
  SettlementClock clock;
  writeClockFile(t, clock);
  return testing::internal::GetCapturedStdout();
}

}  // namespace

TEST(ClockFileWrite, AClockDirectoryGoneFailsEachTickUntilItIsBack) {
  World world;
  const RunningIn inSettlement(world, "Settlement");
  std::filesystem::remove(world.root() / "time");
  EXPECT_EQ(writtenOutput(kTick), "Time Write Fail");
  EXPECT_EQ(writtenOutput(kTick), "Time Write Fail");
  EXPECT_FALSE(world.exists("time"));

  std::filesystem::create_directory(world.root() / "time");
  EXPECT_EQ(writtenOutput(kNextTick), "");
  EXPECT_EQ(world.get("time/time.txt"), "201412050948\n");
}

TEST(ClockFileWrite, EachCallOfTheReplacementFailingLeavesTheFileAsItWas) {
  World world;
  const RunningIn inSettlement(world, "Settlement");
  world.setClock("201412050932\n");
  std::vector<FileCall> calls;
  {
    FileFaults faults;
    EXPECT_EQ(writtenOutput(kTick), "");
    calls = faults.calls();
  }
  // Its temporary file's open, write and close, and the rename over the clock.
  ASSERT_EQ(calls.size(), 4u);
  for (size_t n = 1; n <= calls.size(); ++n) {
    SCOPED_TRACE(describeCall(calls, n));
    world.setClock("201412050932\n");
    {
      FileFaults faults;
      faults.failCall(n, n == 2 ? ENOSPC : EIO);
      EXPECT_EQ(writtenOutput(kTick), "Time Write Fail");
    }
    EXPECT_EQ(world.get("time/time.txt"), "201412050932\n");
    // No temporary file stays behind.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(world.root() / "time"), {}), 1);
    EXPECT_EQ(writtenOutput(kNextTick), "");
    EXPECT_EQ(world.get("time/time.txt"), "201412050948\n");
  }
}
