// What becomes of trip logs between two runs of the settlement: the world
// copied, a log rewritten alike, renamed, cut in place and refilled, copied
// aside and cut (before or after a settlement), removed and made again;
// restores from a backup and from the archive; a log that repeats settled
// lines, made by a terminal started again while the clock stood, or by
// hand. Whatever holds the bytes, the statement and what is held come to what
// the cards paid, nothing is settled twice, the audit reconciles where the
// settled records are still there, a log that no longer begins with what was
// settled of it is said on standard error, and what is held is settled or set
// aside only on a person's word.
#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>
#include <functional>
#include <optional>

#include "common/files/file_identity.h"
#include "settlement_support.h"

namespace fs = std::filesystem;

namespace {

constexpr long long kStartBalance = 100000;
const std::vector<std::string> kCards = {"1111", "2222"};

// A trip of `fee` on the bus: the card's charge and the bus log's record,
// at minute `minute` of 2014-12-05 (of 2014-12-31, ahead of the clock, with
// `ahead`: a clock that has not yet moved past the minute).
void busTrip(const World& world, const std::string& log, const std::string& card, int minute,
             long long fee, bool ahead = false) {
  const std::vector<std::string> lines = linesOf(world.card(card));
  const long long balance = amountOf(lines.back()) - fee;
  char stamp[32];
  snprintf(stamp, sizeof stamp, "201412%02d%02d%02d", ahead ? 31 : 5, minute / 60, minute % 60);
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
const std::string kArchived = "Settlement/archive/busfile.txt.1";

// The world tool's "held" on `world` with `words`; its status.
int held(const World& world, std::vector<std::string> words) {
  words.insert(words.begin(), "held");
  words.push_back(world.root().string());
  Program tool(programPath("world_tool"), words, ".");
  return tool.waitExit(10s).value_or(-1);
}

// The log handed over and settled: its bytes go to the archive.
void handOverAndSettle(const World& w) {
  fs::rename(w.root() / kLog, w.root() / (kLog + ".1"));
  settle(w);
  ASSERT_TRUE(w.exists(kArchived));
}

// The records a terminal started again writes when tapped as before: the
// same lines, in a log of its own.
void repeatTaps(const World& w, bool listedAsMade) {
  for (int tap = 0; tap < 4; ++tap) busTrip(w, kLog, kCards[tap % 2], 600, 1050, true);
  if (listedAsMade) {
    const std::optional<FileState> log = stateAt(w.root() / kLog).asOptional();
    ASSERT_TRUE(log);
    w.put("Bus/busfile.txt.made", std::to_string(log->identity.device) + " " +
                                      std::to_string(log->identity.inode) + " " +
                                      std::to_string(log->identity.born) + " " +
                                      std::to_string(log->identity.born_ns) + "\n");
  }
}

struct Event {
  const char* name;
  // Changes the settled world; returns the world to settle next.
  std::function<const World*(const World&, const World&)> apply;
  bool saysRewritten;
  // The log removed: said only where its inode comes back with no birth
  // time to tell the new file from the old one.
  bool saysRewrittenOnlyByInode = false;
  // The base trips at one minute the clock has not passed.
  bool standing = false;
  long long held = 0;     // the fees held once the event is settled
  bool heldIsNew = true;  // taps charged again, or a copy of settled ones
  // A person's word on the held run, and what is held after it.
  std::vector<std::string> word = {};
};

// Plays each event on a world settled once, then settles it again.
void playEvents(const std::vector<Event>& events) {
  for (const Event& event : events) {
    SCOPED_TRACE(event.name);
    World world;
    World other;
    for (const std::string& card : kCards) {
      world.putCard(card, "000000000000,NEW,OUT," + std::to_string(kStartBalance) + ",00\n");
    }
    for (int minute = 10; minute < 14; ++minute) {
      busTrip(world, kLog, kCards[minute % 2], event.standing ? 600 : minute, 1050, event.standing);
    }
    EXPECT_EQ(settle(world).find(kRewritten), std::string::npos);
    const World* next = event.apply(world, other);
    const std::string printed = settle(*next);
    if (!event.saysRewrittenOnlyByInode) {
      EXPECT_EQ(printed.find(kRewritten) != std::string::npos, event.saysRewritten) << printed;
    }
    // Held lines are said on standard error, once.
    EXPECT_EQ(printed.find(" held (BUS ") != std::string::npos, event.held != 0) << printed;
    // The statement and what is held come to what the cards paid, with or
    // without a person's word on it; nothing is settled twice.
    for (const bool worded : {false, true}) {
      if (worded && event.word.empty()) break;
      if (worded) {
        EXPECT_EQ(held(*next, event.word), 0);
      }
      const long long heldNow = worded ? 0 : event.held;
      const StatementSums statement = statementOf(*next);
      EXPECT_TRUE(statement.wellFormed) << next->get("statement.csv");
      EXPECT_EQ(statement.fees + (event.heldIsNew ? heldNow : 0),
                paidByCards(*next, kCards, kStartBalance))
          << next->get("statement.csv");
      // A log cut or removed took settled records with it: the audit then
      // misses them, as it should; everywhere else it reconciles, showing
      // what is held.
      auto audit = runAudit(*next);
      EXPECT_EQ(audit->waitExit(1s), event.saysRewritten ? 1 : 0) << audit->output();
      if (event.saysRewritten) {
        EXPECT_NE(audit->count("is in no trip log"), 0u) << audit->output();
      }
      EXPECT_EQ(audit->count("held: BUS " + std::to_string(heldNow)), heldNow != 0 ? 1u : 0u)
          << audit->output();
    }
  }
}

}  // namespace

TEST(FileEvents, EveryFeeIsSettledOnceWhateverBecomesOfTheLogs) {
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
  playEvents({
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
  });
}

// Restores from a backup or from the archive settle nothing twice; a log
// that repeats settled lines is settled where its terminal says it made it,
// and held otherwise, until a person says what it is.
TEST(FileEvents, RestoresAndRepeatsSettleOnceOrAreHeld) {
  playEvents({
      {"the live log put back from an older copy",
       [](const World& w, const World&) {
         const std::string older = w.get(kLog);
         busTrip(w, kLog, "1111", 300, 150);
         handOverAndSettle(w);
         w.put(kLog, older);
         busTrip(w, kLog, "2222", 301, 250);
         return &w;
       },
       false},
      {"Bus/ put back whole from a backup taken while the settlement ran",
       [](const World& w, const World& o) {
         fs::copy(w.root() / "Bus", o.root() / "Bus", fs::copy_options::overwrite_existing);
         handOverAndSettle(w);
         fs::remove_all(w.root() / "Bus");
         fs::copy(o.root() / "Bus", w.root() / "Bus");
         busTrip(w, kLog, "2222", 300, 150);
         return &w;
       },
       false},
      {"a hand-over file put back after it was archived",
       [](const World& w, const World& o) {
         fs::rename(w.root() / kLog, w.root() / (kLog + ".1"));
         fs::copy(w.root() / (kLog + ".1"), o.root() / "saved");
         settle(w);
         fs::copy(o.root() / "saved", w.root() / (kLog + ".1"));
         return &w;
       },
       false},
      {"an archived file copied back under a hand-over name",
       [](const World& w, const World&) {
         handOverAndSettle(w);
         fs::copy(w.root() / kArchived, w.root() / (kLog + ".7"));
         return &w;
       },
       false},
      {"a terminal started again while the clock stood repeats the settled lines",
       [](const World& w, const World&) {
         handOverAndSettle(w);
         repeatTaps(w, true);
         return &w;
       },
       false, false, true},
      {"the same lines written by hand, and settled on a person's word",
       [](const World& w, const World&) {
         handOverAndSettle(w);
         repeatTaps(w, false);
         return &w;
       },
       false,
       false,
       true,
       4200,
       true,
       {"--settle", "1"}},
      {"an archived file copied back while the clock stood, set aside on a person's word",
       [](const World& w, const World&) {
         handOverAndSettle(w);
         fs::copy(w.root() / kArchived, w.root() / (kLog + ".7"));
         return &w;
       },
       false,
       false,
       true,
       4200,
       false,
       {"--set-aside", "1", "--note", "a copy of the archive's"}},
  });
}
