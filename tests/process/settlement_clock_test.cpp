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

TEST(SettlementClock, MissingTimeDirectoryPrintsTimeWriteFailAndResultsKeepComing) {
  World world;
  std::filesystem::remove(world.root() / "time");
  auto settlement = startSettlement(world);
  ASSERT_TRUE(settlement->waitForTimes(resultBlock(0, 0), 2, 10s)) << settlement->output();
  // Two failures one after the other: the result and clock loops run side
  // by side, so which of a second's two lines comes first is open.
  ASSERT_TRUE(settlement->waitForTimes("Time Write Fail", 2, 10s)) << settlement->output();
  EXPECT_EQ(settlement->count("Time Write Fail\n"), 0u);  // no line end of its own
  EXPECT_FALSE(world.exists("time"));
}

TEST(SettlementSlow, NoResultInTheFirstSecondsAndSigtermEndsQuietly) {
  World world;
  world.put("Bus/busfile.txt", "201412050008,BUS,IN,1050,61\n");
  auto settlement = startSettlement(world, "settlement");
  // Three ticks, about three seconds, while the clock runs normally.
  const auto deadline = std::chrono::steady_clock::now() + 10s;
  while (world.get("time/time.txt") != todayText() + "0024\n" &&
         std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(10ms);
  }
  ASSERT_EQ(world.get("time/time.txt"), todayText() + "0024\n");
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

// A restart goes on from the clock file's time when it is later than
// midnight today, and never writes an earlier time than the file held.
TEST(SettlementClock, ARestartGoesOnFromTheClockFile) {
  World world;
  world.setClock(todayText() + "1230\n");
  for (const char* next : {"1238", "1246"}) {
    const std::string before = world.get("time/time.txt");
    auto settlement = startSettlement(world);
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (world.get("time/time.txt") == before && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(10ms);
    }
    EXPECT_EQ(world.get("time/time.txt"), todayText() + next + "\n");
    settlement->sendSignal(SIGKILL);
    settlement->waitExit(10s);
  }
}
