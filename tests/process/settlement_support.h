// Running the settlement program in a World: it works in Settlement/ and
// reads ../Bus, ../Metro and writes ../time like the real layout.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "record_checks.h"
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

// Waits for `blocks` more result blocks of `settlement`.
inline void awaitBlocks(Program& settlement, int blocks) {
  size_t at = settlement.outputSize();
  for (int i = 0; i < blocks; ++i) {
    const auto next = settlement.waitFor(" =============\n", 10s, at);
    ASSERT_TRUE(next) << settlement.output();
    at = *next;
  }
}

// A terminal's options for handing its trip log over every `ms`.
inline ProgramOptions handingOverEvery(int ms) {
  ProgramOptions options;
  options.environment = {"FARES_TRIP_LOG_CLEAR_MS=" + std::to_string(ms)};
  return options;
}

// Fees the cards paid: each card's start balance less its last balance.
inline long long paidByCards(const World& world, const std::vector<std::string>& cards,
                             long long startBalance) {
  long long paid = 0;
  for (const std::string& card : cards) {
    paid += startBalance - amountOf(linesOf(world.card(card)).back());
  }
  return paid;
}

// The audit of `world`, run to its end.
inline std::unique_ptr<Program> runAudit(const World& world) {
  auto audit = std::make_unique<Program>(programPath("audit"),
                                         std::vector<std::string>{world.root().string()}, ".");
  audit->waitExit(10s);
  audit->waitOutputEnd(10s);
  return audit;
}

// What the statement holds: its cycles and the fees and shares summed over
// them. `wellFormed` is false when the header is wrong, a line has not
// seven columns, cycles do not run 1, 2, ... or a line's shares do not add
// up to its fees.
struct StatementSums {
  long long cycles = 0;
  long long records = 0;
  long long fees = 0;
  bool wellFormed = true;
};

inline StatementSums statementOf(const World& world) {
  StatementSums sums;
  const std::string text = world.get("statement.csv");
  size_t at = text.find('\n');
  sums.wellFormed =
      text.substr(0, at) == "cycle,clock,records,bus_fees,metro_fees,bus_share,metro_share";
  while (at != std::string::npos && at + 1 < text.size()) {
    const size_t end = text.find('\n', at + 1);
    if (end == std::string::npos) {
      sums.wellFormed = false;  // a torn last line
      break;
    }
    std::vector<long long> columns;
    std::string line = text.substr(at + 1, end - at - 1);
    for (size_t from = 0; from <= line.size();) {
      const size_t comma = std::min(line.find(',', from), line.size());
      columns.push_back(std::atoll(line.substr(from, comma - from).c_str()));
      from = comma + 1;
    }
    if (columns.size() != 7 || columns[0] != sums.cycles + 1 ||
        columns[5] + columns[6] != columns[3] + columns[4]) {
      sums.wellFormed = false;
    }
    ++sums.cycles;
    sums.records += columns.size() > 2 ? columns[2] : 0;
    sums.fees += columns.size() > 4 ? columns[3] + columns[4] : 0;
    at = end;
  }
  return sums;
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
