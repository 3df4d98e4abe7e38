// Trip logs handed over to the settlement: terminals that start a new log
// every few hundred milliseconds while the fast settlement collects out of
// phase with them. No fee a card paid is lost or counted twice, and the
// audit reconciles the world. (A settlement that starts with hand-over
// files already waiting: the result test.)
#include <gtest/gtest.h>

#include <filesystem>

#include "record_checks.h"
#include "settlement_support.h"
#include "tap_session.h"

namespace fs = std::filesystem;

namespace {

constexpr long long kStartBalance = 100000000;

// Clearing well inside the settlement's one-second period: a live log is
// read by one collection at most, and its hand-over file carries the rest,
// so the blocks together count every fee exactly once.
ProgramOptions quickClearing() {
  return handingOverEvery(300);
}

}  // namespace

TEST(HandOver, EveryFeeIsSettledOnceWhileLogsAreHandedOverAndTheAuditReconciles) {
  World world;
  const std::vector<std::string> cards = {"100", "200", "300"};
  for (const std::string& card : cards) {
    world.putCard(card, "000000000000,NEW,OUT," + std::to_string(kStartBalance) + ",00\n");
  }
  auto settlement = startClock(world);
  std::vector<std::unique_ptr<Program>> terminals;
  terminals.push_back(std::make_unique<Program>(
      programPath("bus_terminal"), std::vector<std::string>{}, world.dir("Bus"), quickClearing()));
  terminals.push_back(std::make_unique<Program>(programPath("metro_terminal"),
                                                std::vector<std::string>{"2"}, world.dir("Metro"),
                                                quickClearing()));

  // A steady stream of taps for four seconds: a dozen hand-overs each. The
  // taps queue at the terminals, which answer them in their own time.
  size_t taps = 0;
  const auto deadline = std::chrono::steady_clock::now() + 4s;
  for (int round = 0; std::chrono::steady_clock::now() < deadline; ++round, ++taps) {
    for (size_t t = 0; t < terminals.size(); ++t) {
      const std::string& card = cards[(static_cast<size_t>(round) + t) % cards.size()];
      terminals[t]->write(card + (round % 2 ? " OUT\n" : " IN\n"));
    }
    std::this_thread::sleep_for(20ms);
  }
  // Every tap answered: the first prompt and one after each tap.
  for (auto& terminal : terminals) {
    ASSERT_TRUE(terminal->waitForTimes(kPrompt, taps + 1, 10s)) << terminal->output();
  }
  // The last logs are handed over (within 300 ms), then collected, then
  // archived: three results later (two seconds at least), the second and
  // third have read every record.
  const size_t mark = settlement->outputSize();
  ASSERT_TRUE(settlement->waitForTimes(" =============\n", 3, 10s, mark));
  EXPECT_FALSE(world.exists("Bus/busfile.txt"));
  EXPECT_FALSE(world.exists("Metro/Metrofile2.txt"));

  const long long paid = paidByCards(world, cards, kStartBalance);
  long long settled = 0;
  for (const PrintedResult& r : printedResults(settlement->output())) settled += r.bus + r.metro;
  EXPECT_GT(paid, 0);
  EXPECT_EQ(settled, paid);
  EXPECT_EQ(statementOf(world).fees, paid);
  size_t archived = 0;
  for ([[maybe_unused]] const auto& entry :
       fs::directory_iterator(world.root() / "Settlement/archive")) {
    ++archived;
  }
  EXPECT_GE(archived, 10u);

  auto audit = runAudit(world);
  EXPECT_EQ(audit->waitExit(1s), 0) << audit->output();
  EXPECT_NE(audit->output().find("reconciled"), std::string::npos) << audit->output();
}
