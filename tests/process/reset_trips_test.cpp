// Forgetting a world's trips while keeping its cards: scripts/world
// --reset-trips refuses a running world, and a card it cannot read; once
// scripts/world --stop has ended every program of the world (those started
// by hand too), it leaves each card one record with its balance, and the
// audit reconciles the world then and after it has run again.
#include <gtest/gtest.h>

#include <filesystem>

#include "settlement_support.h"
#include "tap_session.h"

namespace fs = std::filesystem;

namespace {

constexpr long long kStartBalance = 100000;

std::unique_ptr<Program> runWorldScript(const World& world, const std::string& option) {
  auto script = std::make_unique<Program>(
      scriptPath("world"), std::vector<std::string>{option, world.root().string()}, ".");
  script->waitExit(30s);
  script->waitOutputEnd(10s);
  return script;
}

// The trip files a settled, handing-over world holds.
size_t tripFiles(const World& world) {
  size_t files = 0;
  for (const auto& entry : fs::recursive_directory_iterator(world.root())) {
    const std::string name = entry.path().filename().string();
    if (name.starts_with("busfile.txt") || name.starts_with("Metrofile")) {
      files += !name.ends_with(".lock");
    }
    files += name == "statement.csv" || name == "settlement.state" || name == "archive";
  }
  return files;
}

// Taps every card in and out at the bus and at metro station 2 (`rounds`
// times each), the terminals handing their logs over every 300 ms.
void tapAWhile(const World& world, const std::vector<std::string>& cards, int rounds,
               std::vector<std::unique_ptr<Program>>& programs) {
  programs.push_back(startClock(world));
  programs.push_back(std::make_unique<Program>(programPath("bus_terminal"),
                                               std::vector<std::string>{}, world.dir("Bus"),
                                               handingOverEvery(300)));
  programs.push_back(std::make_unique<Program>(programPath("metro_terminal"),
                                               std::vector<std::string>{"2"}, world.dir("Metro"),
                                               handingOverEvery(300)));
  // A terminal reads the clock file before its first command, so the taps
  // are typed at once and answered in their time.
  const size_t first = programs.size() - 2;
  for (size_t t = first; t < programs.size(); ++t) {
    std::string taps;
    for (int round = 0; round < rounds; ++round) {
      for (const std::string& card : cards) taps += card + (round % 2 ? " OUT\n" : " IN\n");
    }
    programs[t]->write(taps);
  }
  // Every tap answered: the first prompt and one after each tap.
  const size_t prompts = static_cast<size_t>(rounds) * cards.size() + 1;
  for (size_t t = first; t < programs.size(); ++t) {
    ASSERT_TRUE(programs[t]->waitForTimes(kPrompt, prompts, 10s)) << programs[t]->output();
  }
}

// Waits (30 s at most) until the statement settles `paid`, as the
// terminals hand their logs over and the settlement collects them.
void waitUntilSettled(const World& world, long long paid) {
  for (int i = 0; i < 300 && statementOf(world).fees != paid; ++i) {
    std::this_thread::sleep_for(100ms);
  }
  EXPECT_EQ(statementOf(world).fees, paid);
}

}  // namespace

TEST(WorldScript, StopEndsProgramsStartedByHandAndResetTripsKeepsTheCardsWithTheAuditTrue) {
  World world;
  const std::vector<std::string> cards = {"100", "200"};
  for (const std::string& card : cards) {
    world.putCard(card, "000000000000,NEW,OUT," + std::to_string(kStartBalance) + ",00\n");
  }
  std::vector<std::unique_ptr<Program>> programs;
  tapAWhile(world, cards, 6, programs);
  waitUntilSettled(world, paidByCards(world, cards, kStartBalance));
  ASSERT_GE(tripFiles(world), 4u);
  const std::string cardBefore = world.card("100");

  auto refused = runWorldScript(world, "--reset-trips");
  EXPECT_EQ(refused->waitExit(1s), 1);
  EXPECT_NE(refused->output().find("stop it first: scripts/world --stop"), std::string::npos)
      << refused->output();
  EXPECT_EQ(world.card("100"), cardBefore);

  const auto stopping = std::chrono::steady_clock::now();
  auto stop = runWorldScript(world, "--stop");
  EXPECT_EQ(stop->waitExit(1s), 0) << stop->output();
  EXPECT_LT(std::chrono::steady_clock::now() - stopping, 10s);
  for (auto& program : programs) EXPECT_TRUE(program->waitExit(1s)) << program->output();
  programs.clear();
  auto audit = runAudit(world);
  ASSERT_EQ(audit->waitExit(1s), 0) << audit->output();

  // A card that cannot be read stops the reset before anything is removed.
  const size_t trips = tripFiles(world);
  world.putCard("300", "garbage\n");
  refused = runWorldScript(world, "--reset-trips");
  EXPECT_EQ(refused->waitExit(1s), 1);
  EXPECT_EQ(tripFiles(world), trips);
  EXPECT_EQ(world.card("100"), cardBefore);
  fs::remove(world.root() / "customer/300.txt");

  std::vector<long long> balances;
  for (const std::string& card : cards)
    balances.push_back(amountOf(linesOf(world.card(card)).back()));
  auto reset = runWorldScript(world, "--reset-trips");
  ASSERT_EQ(reset->waitExit(1s), 0) << reset->output();
  EXPECT_EQ(tripFiles(world), 0u);
  for (size_t i = 0; i < cards.size(); ++i) {
    EXPECT_LT(balances[i], kStartBalance);
    EXPECT_EQ(world.card(cards[i]),
              "000000000000,NEW,OUT," + std::to_string(balances[i]) + ",00\n");
  }
  audit = runAudit(world);
  EXPECT_EQ(audit->waitExit(1s), 0) << audit->output();

  // The world runs on from there: its new statement settles what the cards
  // pay from their rebased balances, and it stays reconciled.
  tapAWhile(world, cards, 2, programs);
  long long paid = 0;
  for (size_t i = 0; i < cards.size(); ++i) {
    paid += balances[i] - amountOf(linesOf(world.card(cards[i])).back());
  }
  EXPECT_GE(paid, 2 * 1050);
  waitUntilSettled(world, paid);
  for (auto& program : programs) program->sendSignal(SIGTERM);
  for (auto& program : programs) program->waitExit(10s);
  audit = runAudit(world);
  EXPECT_EQ(audit->waitExit(1s), 0) << audit->output();
}
