// The three programs together in one world: the settlement's clock drives the
// terminals, and taps at the terminals reach the settlement through the trip
// logs.
#include <gtest/gtest.h>

#include <ctime>
#include <map>
#include <memory>
#include <string>

#include "record_checks.h"
#include "settlement_support.h"
#include "support/program.h"
#include "support/world.h"
#include "tap_session.h"

namespace {

// Minutes of the day of the newest clock line after `from`, or -1.
int newestClockMinutes(const std::string& output, size_t from) {
  int minutes = -1;
  for (size_t at = std::min(from, output.size()); at < output.size(); ++at) {
    const size_t length = clockLineLength(output, at);
    if (length == 0) continue;
    // "2014/ 12/ 5/ 0/ 16\n": the last two fields are hour and minute.
    const std::string line = output.substr(at, length);
    const size_t minute = line.rfind("/ ") + 2;
    const size_t hour = line.rfind("/ ", minute - 3) + 2;
    minutes = std::stoi(line.substr(hour)) * 60 + std::stoi(line.substr(minute));
    at += length - 1;
  }
  return minutes;
}

// Sum of the fee column of a trip log's records.
long long sumOfFees(const std::string& log) {
  long long sum = 0;
  for (const std::string& line : linesOf(log)) {
    if (isWholeRecord(line)) sum += amountOf(line);
  }
  return sum;
}

class WholeSystem : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* card : {"1111", "2222"})
      world.putCard(card, "000000000000,NEW,OUT,10000,00\n");
    settlement = startClock(world);
    bus = std::make_unique<Program>(programPath("bus_terminal"), std::vector<std::string>{},
                                    world.dir("Bus"));
    metro0 = std::make_unique<Program>(programPath("metro_terminal"), std::vector<std::string>{"0"},
                                       world.dir("Metro"));
    metro3 = std::make_unique<Program>(programPath("metro_terminal"), std::vector<std::string>{"3"},
                                       world.dir("Metro"));
  }

  // Types a tap once `terminal` shows a clock later than the tap before, so
  // that every record of the journey carries its own time stamp.
  void tap(Program& terminal, const std::string& command) {
    const size_t mark = terminal.outputSize();
    for (int i = 0; i < 100 && newestClockMinutes(terminal.output(), mark) <= lastTapMinutes; ++i) {
      std::this_thread::sleep_for(100ms);
    }
    const int shown = newestClockMinutes(terminal.output(), mark);
    ASSERT_GT(shown, lastTapMinutes) << "the terminal clock does not advance";
    // The clock may take one more 8-minute tick before the record is stamped.
    lastTapMinutes = shown + 8;
    terminal.write(command + "\n");
    // Answered: the first prompt and one after each of its taps.
    const size_t prompts = ++taps[&terminal] + 1;
    ASSERT_TRUE(terminal.waitForTimes("COMMAND LINE_:", prompts, 10s)) << terminal.output();
  }

  World world;
  std::unique_ptr<Program> settlement, bus, metro0, metro3;
  int lastTapMinutes = 0;
  std::map<const Program*, size_t> taps;
};

}  // namespace

// Each tap waits for its terminal to show a later clock than the tap
// before, so every terminal is seen following the settlement's clock.
TEST_F(WholeSystem, TerminalsFollowTheClockOfTodayAndTheirTapsAreSettledBetweenTheOperators) {
  // A metro trip from station 0 to station 3: 1050 in, 200 out.
  tap(*metro0, "1111 IN");
  tap(*metro3, "1111 OUT");
  // A bus trip (1050, 0) and a metro trip continuing it within 120 minutes:
  // free entry, transfer exit across two classes from the bus (600).
  tap(*bus, "2222 IN");
  tap(*bus, "2222 OUT");
  tap(*metro0, "2222 IN");
  tap(*metro3, "2222 OUT");
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  const std::string today =
      "2014/ " + std::to_string(local.tm_mon + 1) + "/ " + std::to_string(local.tm_mday) + "/ ";
  for (Program* terminal : {bus.get(), metro0.get(), metro3.get()}) {
    // Past the settlement's first tick, 00:08, and of today.
    EXPECT_GT(newestClockMinutes(terminal->output(), 0), 8) << terminal->output();
    EXPECT_NE(terminal->output().find(today), std::string::npos) << terminal->output();
  }
  EXPECT_EQ(world.card("1111").substr(world.card("1111").rfind(",OUT,")), ",OUT,8750,31\n");
  EXPECT_NE(world.card("2222").find(",METRO,OUT,8350,"), std::string::npos) << world.card("2222");

  const long long fees = sumOfFees(world.get("Bus/busfile.txt")) +
                         sumOfFees(world.get("Metro/Metrofile0.txt")) +
                         sumOfFees(world.get("Metro/Metrofile3.txt"));
  EXPECT_EQ(fees, 1050 + 200 + 1050 + 0 + 0 + 600);

  // Two more results, so the last one certainly read every record.
  // (" =============\n" ends a block's METRO line, and no other line.)
  const size_t mark = settlement->outputSize();
  ASSERT_TRUE(settlement->waitForTimes(" =============\n", 2, 10s, mark));
  const auto results = printedResults(settlement->output());
  ASSERT_FALSE(results.empty());
  const auto* result = &results.back();
  // The bus journey 62 runs into the metro: its bus legs are a bus-origin
  // journey whose fee stays with the bus; every metro fee goes to the metro.
  EXPECT_EQ(result->bus, 1050);
  EXPECT_EQ(result->metro, 1050 + 200 + 0 + 600);
  EXPECT_EQ(result->bus + result->metro, fees);
}
