// Every record settled exactly once, whatever happens to the settlement:
// killed at random instants and started again while terminals tap and hand
// their logs over, or started again and again over an archive it cannot
// write. The statement's fees then add up to what the cards paid, and the
// audit reconciles the world.
#include <gtest/gtest.h>
#include <signal.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <thread>

#include "record_checks.h"
#include "settlement_support.h"
#include "support/test_seed.h"
#include "tap_session.h"

namespace {

constexpr long long kStartBalance = 100000000;

// Kills of the storm: FARES_KILL_STORM_KILLS, 15 by default.
int stormKills() {
  const char* text = std::getenv("FARES_KILL_STORM_KILLS");
  const int kills = text != nullptr ? std::atoi(text) : 0;
  return kills > 0 ? kills : 15;
}

ProgramOptions quickHandOver() {
  return handingOverEvery(50);
}

}  // namespace

TEST(SettledOnce, KillsAtRandomInstantsWhileLogsAreHandedOverSettleEveryFeeOnce) {
  World world;
  const std::vector<std::string> cards = {"100", "200", "300"};
  for (const std::string& card : cards) {
    world.putCard(card, "000000000000,NEW,OUT," + std::to_string(kStartBalance) + ",00\n");
  }
  std::unique_ptr<Program> settlement = startClock(world);
  std::vector<std::unique_ptr<Program>> terminals;
  terminals.push_back(std::make_unique<Program>(
      programPath("bus_terminal"), std::vector<std::string>{}, world.dir("Bus"), quickHandOver()));
  for (const char* station : {"0", "2"}) {
    terminals.push_back(std::make_unique<Program>(programPath("metro_terminal"),
                                                  std::vector<std::string>{station},
                                                  world.dir("Metro"), quickHandOver()));
  }
  std::vector<size_t> promptEnds(terminals.size(), 0);

  std::atomic<bool> storming{true};
  const unsigned seed = testSeed();
  SCOPED_TRACE(seedTrace(seed));
  std::thread killer([&] {
    SCOPED_TRACE(seedTrace(seed));
    std::mt19937 random(seed);
    for (int kill = 0; kill < stormKills(); ++kill) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50 + random() % 1500));
      settlement->sendSignal(SIGKILL);
      EXPECT_EQ(settlement->waitExit(10s), 128 + SIGKILL) << settlement->output();
      settlement = startSettlement(world);
    }
    storming = false;
  });
  for (int round = 0; storming; ++round) {
    for (size_t t = 0; t < terminals.size(); ++t) {
      std::string batch;
      for (int i = 0; i < 5; ++i) {
        batch += cards[(static_cast<size_t>(round + i) + t) % cards.size()] +
                 ((round + i) % 2 ? " OUT\n" : " IN\n");
      }
      terminals[t]->write(batch);
    }
    // The batch answered (the first one after the first prompt).
    for (size_t t = 0; t < terminals.size(); ++t) {
      const auto next = terminals[t]->waitForTimes(kPrompt, round == 0 ? 6 : 5, 10s, promptEnds[t]);
      ASSERT_TRUE(next) << terminals[t]->output();
      promptEnds[t] = *next;
    }
  }
  killer.join();
  for (auto& terminal : terminals) {
    terminal->closeInput();
    EXPECT_EQ(terminal->waitExit(10s), 0);
  }
  // Two blocks after the last tap: the second has settled everything.
  awaitBlocks(*settlement, 2);
  settlement->sendSignal(SIGTERM);
  EXPECT_EQ(settlement->waitExit(10s), 0);

  const long long paid = paidByCards(world, cards, kStartBalance);
  const StatementSums statement = statementOf(world);
  EXPECT_GT(paid, 0);
  EXPECT_TRUE(statement.wellFormed) << world.get("statement.csv");
  EXPECT_EQ(statement.fees, paid);
  RecordProperty("kills", stormKills());
  RecordProperty("paid", std::to_string(paid));
  RecordProperty("statement_fees", std::to_string(statement.fees));
  RecordProperty("statement_records", std::to_string(statement.records));
  auto audit = runAudit(world);
  EXPECT_EQ(audit->waitExit(1s), 0) << audit->output();
}

// An archive that cannot be written: each run names each settled file once
// and settles nothing of it again, also when started from another directory
// of the world; files that come later are settled once.
TEST(SettledOnce, AnUnusableArchiveCostsNothingOverRestarts) {
  World world;
  world.put("Settlement/archive", "a regular file\n");
  std::filesystem::create_directory(world.root() / "Elsewhere");
  world.put("Elsewhere/archive", "a regular file\n");
  world.putCard("1111", "000000000000,NEW,OUT,10000,00\n201412050008,BUS,IN,8950,61\n");
  world.putCard("2222", "000000000000,NEW,OUT,10000,00\n201412050016,METRO,IN,8750,01\n");
  world.put("Bus/busfile.txt.1", "201412050008,BUS,IN,1050,61\n");
  world.put("Metro/Metrofile0.txt.3", "201412050016,METRO,IN,1250,01\n");
  for (int run = 0; run < 3; ++run) {
    SCOPED_TRACE(run);
    auto settlement =
        std::make_unique<Program>(programPath("settlement_fast"), std::vector<std::string>{},
                                  world.dir(run < 2 ? "Settlement" : "Elsewhere"));
    awaitBlocks(*settlement, 2);
    settlement->sendSignal(SIGTERM);
    EXPECT_EQ(settlement->waitExit(10s), 0);
    EXPECT_EQ(settlement->count("cannot archive ../Bus/busfile.txt.1"), 1u) << settlement->output();
    EXPECT_EQ(settlement->count("cannot archive ../Metro/Metrofile0.txt.3"), 1u);
    // The waiting files are shown in the first block of the first run only.
    EXPECT_EQ(settlement->count(resultBlock(1050, 1250)), run == 0 ? 1u : 0u)
        << settlement->output();
    if (run == 0) {
      // A later hand-over, after which the logs hold what the cards paid.
      world.putCard("1111", world.card("1111") + "201412050024,BUS,IN,7900,62\n");
      world.put("Bus/busfile.txt.2", "201412050024,BUS,IN,1050,62\n");
    }
    EXPECT_TRUE(world.exists("Bus/busfile.txt.1"));
  }
  const StatementSums statement = statementOf(world);
  EXPECT_TRUE(statement.wellFormed) << world.get("statement.csv");
  EXPECT_EQ(statement.records, 3);
  EXPECT_EQ(statement.fees, 1050 + 1250 + 1050);
  auto audit = runAudit(world);
  EXPECT_EQ(audit->waitExit(1s), 0) << audit->output();
}
