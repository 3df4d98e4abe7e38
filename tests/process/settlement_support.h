// Running the settlement program in a World: it works in Settlement/ and
// reads ../Bus, ../Metro and writes ../time like the real layout.
#pragma once

#include <cstdio>
#include <ctime>
#include <memory>
#include <string>

#include "support/program.h"
#include "support/world.h"

inline constexpr const char* kResultTitle = "============ EXACT CALCULATION RESULT ===========\n";

inline std::unique_ptr<Program> startSettlement(const World& world,
                                                const std::string& variant = "settlement_fast") {
  return std::make_unique<Program>(programPath(variant), std::vector<std::string>{},
                                   world.dir("Settlement"));
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
