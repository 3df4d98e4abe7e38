// The settlement program's clock file, its failure message, the slow
// variant's first seconds and SIGTERM ending it. (SIGINT: the result
// test.)
#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>
#include <set>

#include "settlement_support.h"

TEST(SettlementClock, WritesTodayAt0008Then0016AndIsNeverSeenHalfWritten) {
  World world;
  const std::string dayBefore = todayText();
  auto settlement = startSettlement(world);
  // Read the clock file as fast as we can until the second tick. A writer
  // that truncates and rewrites the file in place is caught here now and
  // then (an empty or partial line in `seen`), not on every run.
  std::set<std::string> seen;
  const auto deadline = std::chrono::steady_clock::now() + 10s;
  while (std::chrono::steady_clock::now() < deadline) {
    std::this_thread::yield();
    if (!world.exists("time/time.txt")) continue;
    const std::string line = world.get("time/time.txt");
    seen.insert(line);
    if (line.size() == 13 && line.substr(8) == "0016\n") break;
  }
  const std::string dayAfter = todayText();
  EXPECT_EQ(seen.size(), 2u);
  for (const std::string& line : seen) {
    const bool today = line.substr(0, 8) == dayBefore || line.substr(0, 8) == dayAfter;
    EXPECT_TRUE(today && (line.substr(8) == "0008\n" || line.substr(8) == "0016\n")) << line;
  }
  EXPECT_TRUE(seen.count(dayBefore + "0008\n") || seen.count(dayAfter + "0008\n"));
}

// Without its time directory the settlement settles on. The message each
// failed tick prints ("Time Write Fail", no line end of its own) is the
// tick's (tests/settlement/clock_file_write_test.cpp).
TEST(SettlementClock, MissingTimeDirectoryLeavesTheResultsComing) {
  World world;
  std::filesystem::remove(world.root() / "time");
  auto settlement = startSettlement(world);
  ASSERT_TRUE(settlement->waitForTimes(resultBlock(0, 0), 2, 10s)) << settlement->output();
  EXPECT_EQ(settlement->count("Time Write Fail\n"), 0u);
  EXPECT_FALSE(world.exists("time"));
}

// The slow variant, restarted on a clock file of today: it goes on from
// the file's time (whether a file's time is taken is the clock's own rule,
// tests/settlement/clock_tick_test.cpp), prints no result in its first
// seconds while the clock runs normally, and ends quietly on SIGTERM.
TEST(SettlementSlow, GoesOnFromTheClockFileNoResultInTheFirstSecondsAndSigtermEndsQuietly) {
  World world;
  world.put("Bus/busfile.txt", "201412050008,BUS,IN,1050,61\n");
  world.setClock(todayText() + "1230\n");
  auto settlement = startSettlement(world, "settlement");
  // Three ticks from 12:30, about three seconds.
  const auto deadline = std::chrono::steady_clock::now() + 10s;
  while (world.get("time/time.txt") != todayText() + "1254\n" &&
         std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(10ms);
  }
  ASSERT_EQ(world.get("time/time.txt"), todayText() + "1254\n");
  EXPECT_EQ(settlement->output(), "");
  settlement->sendSignal(SIGTERM);
  EXPECT_EQ(settlement->waitExit(10s), 0);
  EXPECT_EQ(settlement->output(), "");
  // Only the clock file is left in time/: no temporary file behind it.
  size_t files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(world.root() / "time")) {
    EXPECT_EQ(entry.path().filename(), "time.txt");
    ++files;
  }
  EXPECT_EQ(files, 1u);
}
