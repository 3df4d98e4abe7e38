// Faults under the settlement: trip logs removed, cut short and rewritten
// while it reads them. It keeps ticking and settling through all of it,
// each result adds up whole records' fees, and once the logs are whole
// again the result is exact.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <random>
#include <thread>

#include "settlement_support.h"

namespace fs = std::filesystem;

// A clock file that cannot be written, its directory gone and back, is
// tested at the clock's tick (tests/settlement/clock_file_write_test.cpp).

TEST(RobustSettlementFaults, LogsRemovedAndCutShortWhileRead) {
  World world;
  // Fees of 100 on the bus and 1000 in the metro, every journey id its own,
  // so each result is a count of whole lines times the fee.
  constexpr int kLines = 2000;
  std::vector<std::pair<std::string, std::string>> logs;
  logs.emplace_back("Bus/busfile.txt", "");
  for (int station = 0; station < 5; ++station) {
    logs.emplace_back("Metro/Metrofile" + std::to_string(station) + ".txt", "");
  }
  for (size_t log = 0; log < logs.size(); ++log) {
    const bool bus = log == 0;
    const std::string prefix = bus ? "6" : std::to_string(log - 1);
    for (int i = 0; i < kLines; ++i) {
      logs[log].second += "2014120500" + std::to_string(10 + i % 50) +
                          (bus ? ",BUS,IN,100," : ",METRO,IN,1000,") + prefix + std::to_string(i) +
                          "\n";
    }
    world.put(logs[log].first, logs[log].second);
  }
  auto settlement = startSettlement(world);

  // The logs change a millisecond or so apart until three collections
  // have run among the changes.
  std::atomic<bool> stop{false};
  std::thread vandal([&] {
    std::mt19937 random(7);
    while (!stop) {
      const auto& [path, content] = logs[random() % logs.size()];
      const fs::path file = world.root() / path;
      std::error_code ignored;
      switch (random() % 3) {
        case 0:
          fs::resize_file(file, random() % (content.size() + 1), ignored);
          break;
        case 1:
          fs::remove(file, ignored);
          break;
        default:
          world.put(path, content);
      }
      std::this_thread::sleep_for(std::chrono::microseconds(random() % 2000));
    }
  });
  const bool collected = settlement->waitForTimes(" =============\n", 3, 20s).has_value();
  stop = true;
  vandal.join();
  ASSERT_TRUE(collected) << settlement->output();
  for (const auto& [path, content] : logs) world.put(path, content);

  // Two results after the logs are whole again: the second read them all.
  const size_t mark = settlement->outputSize();
  ASSERT_TRUE(settlement->waitForTimes(" =============\n", 2, 10s, mark));
  const auto results = printedResults(settlement->output());
  ASSERT_GE(results.size(), 5u);
  for (const PrintedResult& r : results) {
    EXPECT_EQ(r.bus % 100, 0) << r.bus;
    EXPECT_EQ(r.metro % 1000, 0) << r.metro;
    EXPECT_LE(r.bus, 100LL * kLines);
    EXPECT_LE(r.metro, 1000LL * kLines * 5);
  }
  EXPECT_EQ(results.back().bus, 100LL * kLines);
  EXPECT_EQ(results.back().metro, 1000LL * kLines * 5);
}
