// Three terminals tapping the same three cards as fast as they can while the
// settlement collects every second. Afterwards nothing may be lost, doubled
// or half-written: every line is a whole record, every confirmed record is
// there, every fee a card paid is in a trip log and every fee in a trip log
// was paid by a card, and each settlement result counts whole lines only.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

#include "record_checks.h"
#include "settlement_support.h"
#include "tap_session.h"

namespace {

struct Station {
  std::unique_ptr<Program> program;
  std::string tripLog;
  size_t promptEnd = 0;
};

constexpr long long kStartBalance = 100000000;

}  // namespace

TEST(RobustConcurrency, ThreeTerminalsOnThreeCardsWhileSettlementCollects) {
  World world;
  const std::vector<std::string> cards = {"100", "200", "300"};
  for (const std::string& card : cards) {
    world.putCard(card, "201412050000,METRO,OUT," + std::to_string(kStartBalance) + ",01\n");
  }
  auto settlement = startClock(world);

  std::vector<Station> stations;
  for (const char* station : {"1", "3"}) {
    stations.push_back(
        {std::make_unique<Program>(programPath("metro_terminal"), std::vector<std::string>{station},
                                   world.dir("Metro")),
         std::string("Metro/Metrofile") + station + ".txt"});
  }
  stations.push_back({std::make_unique<Program>(programPath("bus_terminal"),
                                                std::vector<std::string>{}, world.dir("Bus")),
                      "Bus/busfile.txt"});

  // Batches of taps, each terminal on every card, until several collections
  // have run in the middle of them.
  constexpr int kBatch = 30;
  const auto deadline = std::chrono::steady_clock::now() + 4s;
  for (int batch = 0; std::chrono::steady_clock::now() < deadline; ++batch) {
    for (size_t i = 0; i < stations.size(); ++i) {
      std::string commands;
      for (int j = 0; j < kBatch; ++j) {
        const bool in = (j / 3 + static_cast<int>(i) + batch) % 2 == 0;
        commands += cards[(i + static_cast<size_t>(j)) % cards.size()] + (in ? " IN\n" : " OUT\n");
      }
      stations[i].program->write(commands);
    }
    // The whole batch answered (the first batch after the first prompt).
    const size_t prompts = batch == 0 ? kBatch + 1 : kBatch;
    for (Station& s : stations) {
      const auto next = s.program->waitForTimes(kPrompt, prompts, 20s, s.promptEnd);
      ASSERT_TRUE(next) << s.program->output().substr(s.promptEnd);
      s.promptEnd = *next;
    }
  }
  // Two results after the last tap: the second read every record.
  const size_t mark = settlement->outputSize();
  ASSERT_TRUE(settlement->waitForTimes(" =============\n", 2, 10s, mark));

  size_t confirmed = 0;
  long long fees = 0;
  for (const Station& s : stations) {
    const std::string log = world.get(s.tripLog);
    const size_t cardConfirmations = s.program->count("Cardfile Write !");
    EXPECT_EQ(s.program->count("Readefile Write!"), cardConfirmations) << s.tripLog;
    EXPECT_EQ(s.program->count("Lack!"), 0u) << s.tripLog;
    EXPECT_TRUE(log.empty() || log.back() == '\n') << s.tripLog;
    const auto lines = linesOf(log);
    EXPECT_EQ(lines.size(), cardConfirmations) << s.tripLog;
    for (const std::string& line : lines) {
      ASSERT_TRUE(isWholeRecord(line)) << s.tripLog << ": " << line;
      fees += amountOf(line);
    }
    confirmed += cardConfirmations;
  }
  EXPECT_GT(confirmed, 0u);

  size_t appended = 0;
  long long paid = 0;
  for (const std::string& card : cards) {
    const std::string content = world.card(card);
    ASSERT_EQ(content.back(), '\n') << card;
    const auto lines = linesOf(content);
    for (const std::string& line : lines) ASSERT_TRUE(isWholeRecord(line)) << card << ": " << line;
    appended += lines.size() - 1;
    paid += kStartBalance - amountOf(lines.back());
  }
  // Each confirmed record is in a card file exactly once, and the cards
  // paid exactly the fees the trip logs hold: no tap was charged twice from
  // the same balance.
  EXPECT_EQ(appended, confirmed);
  EXPECT_EQ(paid, fees);

  // Every fee of the system is a multiple of 50, so a result that counted
  // part of a line would show; results only grow, as the logs do.
  const auto results = printedResults(settlement->output());
  ASSERT_GE(results.size(), 4u);
  long long previous = 0;
  for (const PrintedResult& r : results) {
    const long long total = r.bus + r.metro;
    EXPECT_EQ(total % 50, 0) << r.bus << " + " << r.metro;
    EXPECT_GE(total, previous);
    previous = total;
  }
  EXPECT_EQ(previous, fees);
  std::printf("[ concur   ] %zu taps recorded on %zu cards, %zu results checked\n", confirmed,
              cards.size(), results.size());
}
