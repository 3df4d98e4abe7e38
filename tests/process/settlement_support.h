// Running the settlement program in a World: it works in Settlement/ and
// reads ../Bus, ../Metro and writes ../time like the real layout.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "support/program.h"
#include "support/world.h"

inline constexpr const char* kResultTitle = "============ EXACT CALCULATION RESULT ===========\n";

inline std::unique_ptr<Program> startSettlement(const World& world,
                                                const std::string& variant = "settlement_fast") {
  return std::make_unique<Program>(programPath(variant), std::vector<std::string>{},
                                   world.dir("Settlement"));
}

// settlement_fast, once it has written its first clock file: terminals
// started before that would only report the missing clock.
inline std::unique_ptr<Program> startClock(const World& world) {
  auto settlement = startSettlement(world);
  for (int i = 0; i < 100 && !world.exists("time/time.txt"); ++i) {
    std::this_thread::sleep_for(50ms);
  }
  EXPECT_TRUE(world.exists("time/time.txt")) << settlement->output();
  return settlement;
}

// The three lines printed for one cycle.
inline std::string resultBlock(long long bus, long long metro) {
  return kResultTitle + ("==== BUS : " + std::to_string(bus) + " ==============\n") +
         ("==== METRO : " + std::to_string(metro) + " =============\n");
}

// Today's date as the clock file writes it: "20141205".
inline std::string todayText() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[16];
  strftime(text, sizeof text, "%Y%m%d", &local);
  return text;
}

struct PrintedResult {
  long long bus = 0;
  long long metro = 0;
};

// Every complete result block of `output`, in order.
inline std::vector<PrintedResult> printedResults(const std::string& output) {
  const std::string busLabel = "==== BUS : ";
  const std::string metroLabel = "==== METRO : ";
  std::vector<PrintedResult> results;
  for (size_t at = output.find(kResultTitle); at != std::string::npos;
       at = output.find(kResultTitle, at + 1)) {
    const size_t bus = at + std::string(kResultTitle).size();
    const size_t busEnd = output.find('\n', bus);
    if (busEnd == std::string::npos) break;
    const size_t metro = busEnd + 1;
    const size_t metroEnd = output.find('\n', metro);
    if (metroEnd == std::string::npos) break;
    if (output.compare(bus, busLabel.size(), busLabel) != 0 ||
        output.compare(metro, metroLabel.size(), metroLabel) != 0) {
      continue;
    }
    results.push_back({std::stoll(output.substr(bus + busLabel.size())),
                       std::stoll(output.substr(metro + metroLabel.size()))});
  }
  return results;
}
