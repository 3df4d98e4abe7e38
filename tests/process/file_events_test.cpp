// What becomes of trip logs between two runs of the settlement: the world
// copied, a log rewritten alike, renamed, cut in place and refilled, copied
// aside and cut (before or after a settlement), removed and made again. Whatever holds the bytes,
// the statement settles what the cards paid, once, the audit reconciles where the settled records
// are still there, and a log that no longer begins with what was settled of it is said on standard
// error.
#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>
#include <functional>

#include "settlement_support.h"

namespace fs = std::filesystem;

namespace {

constexpr long long kStartBalance = 100000;
const std::vector<std::string> kCards = {"1111", "2222"};

// A trip of `fee` on the bus: the card's charge and the bus log's record,
// at minute `minute` of 2014-12-05.
void busTrip(const World& world, const std::string& log, const std::string& card, int minute,
             long long fee) {
  const std::vector<std::string> lines = linesOf(world.card(card));
  const long long balance = amountOf(lines.back()) - fee;
  char stamp[32];
  snprintf(stamp, sizeof stamp, "20141205%02d%02d", minute / 60, minute % 60);
  const std::string journey = std::to_string(10 + minute % 80);
  world.putCard(
      card, world.card(card) + stamp + ",BUS,IN," + std::to_string(balance) + "," + journey + "\n");
  const std::string before = world.exists(log) ? world.get(log) : "";
  world.put(log, before + stamp + ",BUS,IN," + std::to_string(fee) + "," + journey + "\n");
}

// Runs the settlement of `world` for two cycles; what it printed.
std::string settle(const World& world) {
  auto settlement = startSettlement(world);
  awaitBlocks(*settlement, 2);
  settlement->sendSignal(SIGTERM);
  EXPECT_EQ(settlement->waitExit(10s), 0);
  return settlement->output();
}

const std::string kLog = "Bus/busfile.txt";
const std::string kRewritten = "no longer begins with the";

}  // namespace

TEST(FileEvents, EveryFeeIsSettledOnceWhateverBecomesOfTheLogs) {
  struct Event {
    const char* name;
    // Changes the settled world; returns the world to settle next.
    std::function<const World*(const World&, const World&)> apply;
    bool saysRewritten;
    // The log removed: said only where its inode comes back with no birth
    // time to tell the new file from the old one.
    bool saysRewrittenOnlyByInode = false;
  };
  const auto copyWorld = [](const World& from, const World& to) {
    fs::remove_all(to.root());
    fs::copy(from.root(), to.root(), fs::copy_options::recursive);
    return &to;
  };
  // Copied aside as a log rotation does, then cut; a settlement may run
  // between the copy and the cut.
  const auto copiedAsideAndCut = [](bool settledBetween) {
    return [settledBetween](const World& w, const World&) {
      busTrip(w, kLog, "1111", 300, 150);
      fs::copy_file(w.root() / kLog, w.root() / (kLog + ".1"));
      if (settledBetween) {
        busTrip(w, kLog, "2222", 301, 250);
        settle(w);
      }
      fs::resize_file(w.root() / kLog, 0);
      busTrip(w, kLog, "2222", 302, 350);
      return &w;
    };
  };
  const std::vector<Event> events = {
      {"the world copied", copyWorld, false},
      {"the log rewritten alike",
       [](const World& w, const World&) {
         const std::string text = w.get(kLog);
         fs::remove(w.root() / kLog);
         w.put(kLog, text);
         busTrip(w, kLog, "2222", 300, 150);
         return &w;
       },
       false},
      {"the log renamed",
       [](const World& w, const World&) {
         fs::rename(w.root() / kLog, w.root() / (kLog + ".4"));
         busTrip(w, kLog + ".4", "1111", 300, 150);
         busTrip(w, kLog, "2222", 301, 250);
         return &w;
       },
       false},
      {"the log cut in place and refilled past its old length",
       [](const World& w, const World&) {
         fs::resize_file(w.root() / kLog, 0);
         for (int minute = 300; minute < 305; ++minute) busTrip(w, kLog, "2222", minute, 400);
         return &w;
       },
       true},
      {"the log copied aside and cut", copiedAsideAndCut(false), false},
      {"the log copied aside, settled, and only then cut", copiedAsideAndCut(true), true},
      {"the log removed and made again",
       [](const World& w, const World&) {
         fs::remove(w.root() / kLog);
         busTrip(w, kLog, "2222", 300, 150);
         return &w;
       },
       true, true},
  };
  for (const Event& event : events) {
    SCOPED_TRACE(event.name);
    World world;
    World other;
    for (const std::string& card : kCards) {
      world.putCard(card, "000000000000,NEW,OUT," + std::to_string(kStartBalance) + ",00\n");
    }
    for (int minute = 10; minute < 14; ++minute)
      busTrip(world, kLog, kCards[minute % 2], minute, 1050);
    EXPECT_EQ(settle(world).find(kRewritten), std::string::npos);
    const World* next = event.apply(world, other);
    const std::string printed = settle(*next);
    if (!event.saysRewrittenOnlyByInode) {
      EXPECT_EQ(printed.find(kRewritten) != std::string::npos, event.saysRewritten) << printed;
    }
    const StatementSums statement = statementOf(*next);
    EXPECT_TRUE(statement.wellFormed) << next->get("statement.csv");
    EXPECT_EQ(statement.fees, paidByCards(*next, kCards, kStartBalance))
        << next->get("statement.csv");
    // A log cut or removed took settled records with it: the audit then
    // misses them, as it should; everywhere else it reconciles.
    auto audit = runAudit(*next);
    EXPECT_EQ(audit->waitExit(1s), event.saysRewritten ? 1 : 0) << audit->output();
    if (event.saysRewritten) {
      EXPECT_NE(audit->count("is in no trip log"), 0u) << audit->output();
    }
  }
}
