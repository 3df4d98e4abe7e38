// A terminal killed (SIGKILL) at random moments in a stream of taps, again
// and again, and started again after every kill. A kill may cost the tap
// in hand, never more: each card file holds whole records only, each
// balance follows from the one before by the fare rules, once the terminal
// is started again every card record has its trip log record (the tap the
// kill cut off between the two is completed), and a fresh terminal charges
// the next tap from where the card stands.
#include <gtest/gtest.h>
#include <signal.h>

#include <cstdio>
#include <filesystem>
#include <random>

#include "record_checks.h"
#include "tap_session.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kClock = "201412050940";
constexpr long long kStartBalance = 100000000;

// At one metro station (journeys begun there) an entry after an exit costs
// 1050, an entry after an entry 1250, an exit nothing; at the bus an entry
// costs 1050 and an exit nothing.
long long metroFee(bool lastIn, bool in) {
  return in ? (lastIn ? 1250 : 1050) : 0;
}
long long busFee(bool, bool in) {
  return in ? 1050 : 0;
}

struct Crashed {
  const char* program;
  std::vector<std::string> args;
  const char* dir;
  std::string tripLog;
  std::string card;
  long long (*fee)(bool lastIn, bool in);
};

// Every record after the first follows from the one before it.
void expectBalancesFollow(const std::vector<std::string>& records, long long (*fee)(bool, bool)) {
  for (size_t i = 1; i < records.size(); ++i) {
    const bool lastIn = columnsOf(records[i - 1])[2] == "IN";
    const bool in = columnsOf(records[i])[2] == "IN";
    ASSERT_EQ(amountOf(records[i]), amountOf(records[i - 1]) - fee(lastIn, in))
        << "record " << i << ": " << records[i];
  }
}

std::string upToLastLineFeed(const std::string& content) {
  return content.substr(0, content.rfind('\n') + 1);
}

// The lines of a file that must hold whole records only, ended by a line feed.
std::vector<std::string> wholeRecords(const std::string& content) {
  EXPECT_TRUE(content.empty() || content.back() == '\n') << content;
  const auto lines = linesOf(content);
  for (const std::string& line : lines) EXPECT_TRUE(isWholeRecord(line)) << line;
  return lines;
}

// The charged records of a card (every line after the first) and the trip
// log records pair up one to one: same stamp, transport and direction, and
// the log's fee is the card's drop in balance. Returns the pairs.
size_t expectEveryCardRecordLogged(const std::vector<std::string>& card,
                                   const std::vector<std::string>& log) {
  EXPECT_EQ(log.size() + 1, card.size()) << "card records without their trip log record";
  const size_t pairs = std::min(log.size() + 1, card.size());
  for (size_t i = 1; i < pairs; ++i) {
    const auto charged = columnsOf(card[i]);
    const auto logged = columnsOf(log[i - 1]);
    EXPECT_TRUE(charged[0] == logged[0] && charged[1] == logged[1] && charged[2] == logged[2] &&
                amountOf(card[i - 1]) - amountOf(card[i]) == amountOf(log[i - 1]))
        << card[i] << " | " << log[i - 1];
  }
  return pairs;
}

}  // namespace

TEST(RobustCrash, KilledTerminalsLeaveWholeRecordsAndTheNextRunChargesRight) {
  World world;
  world.setClock(std::string(kClock) + "\n");
  const std::vector<Crashed> terminals = {
      {"metro_terminal", {"1"}, "Metro", "Metro/Metrofile1.txt", "metro", metroFee},
      {"bus_terminal", {}, "Bus", "Bus/busfile.txt", "bus", busFee},
  };
  world.putCard("metro", "201412050000,METRO,OUT," + std::to_string(kStartBalance) + ",11\n");
  world.putCard("bus", "201412050000,BUS,OUT," + std::to_string(kStartBalance) + ",61\n");

  constexpr int kKills = 30;
  std::mt19937 random(20141205);
  size_t inFlight = 0;   // records on disk whose confirmation the kill cut off
  size_t completed = 0;  // trip log records a restart appended for a killed run
  size_t cutShort = 0;   // records a kill left cut short
  std::vector<size_t> logAfterKill(terminals.size(), 0);
  for (int kill = 0; kill < kKills + static_cast<int>(terminals.size()); ++kill) {
    const size_t which = static_cast<size_t>(kill) % terminals.size();
    const Crashed& t = terminals[which];
    SCOPED_TRACE(t.program);
    Program terminal(programPath(t.program), t.args, world.dir(t.dir));
    // The first prompt: the restart has dealt with what the kill left, and
    // the clock file has been read, so every tap is stamped with its time.
    ASSERT_TRUE(terminal.waitFor(kPrompt, 10s)) << terminal.output();
    // Started again: both files hold whole records only, and the kill
    // before has cost no trip log record.
    const auto logBefore = wholeRecords(world.get(t.tripLog));
    const auto cardBefore = wholeRecords(world.card(t.card));
    expectEveryCardRecordLogged(cardBefore, logBefore);
    // Nor left a temporary note behind, nor found a note of its own that it
    // could not take.
    const std::string notePrefix = fs::path(t.tripLog).filename().string() + ".intent.";
    for (const auto& entry : fs::directory_iterator(world.root() / t.dir)) {
      EXPECT_FALSE(entry.path().filename().string().starts_with(notePrefix)) << entry.path();
    }
    completed += logBefore.size() - logAfterKill[which];
    if (kill >= kKills) break;  // the last restarts only check

    std::string stream;
    for (int i = 0; i < 200; ++i) stream += t.card + (random() % 2 ? " IN\n" : " OUT\n");
    terminal.write(stream);
    std::this_thread::sleep_for(std::chrono::microseconds(random() % 30000));
    terminal.sendSignal(SIGKILL);
    ASSERT_EQ(terminal.waitExit(10s), 128 + SIGKILL);
    ASSERT_TRUE(terminal.waitOutputEnd(10s));

    // A kill inside a write can leave its record cut short (the restart cuts
    // it off and writes the tap whole); the lines before it are whole.
    const auto records = linesOf(upToLastLineFeed(world.card(t.card)));
    cutShort += world.card(t.card).back() != '\n';
    for (const std::string& line : records) ASSERT_TRUE(isWholeRecord(line)) << line;
    // The record is written before it is confirmed: at most the one tap in
    // hand is on disk without its confirmation.
    const size_t confirmed = terminal.count("Cardfile Write !");
    const size_t added = records.size() - cardBefore.size();
    ASSERT_TRUE(added == confirmed || added == confirmed + 1) << added << " " << confirmed;
    inFlight += added - confirmed;
    const std::string log = world.get(t.tripLog);
    cutShort += !log.empty() && log.back() != '\n';
    const size_t logged = linesOf(upToLastLineFeed(log)).size() - logBefore.size();
    ASSERT_TRUE(logged == added || logged + 1 == added) << logged << " " << added;
    logAfterKill[which] = logged + logBefore.size();
  }
  std::printf(
      "[ crash    ] %d kills: %zu records on disk unconfirmed, %zu trip log records completed by "
      "the restart, %zu records cut short and rewritten, 0 card records unlogged\n",
      kKills, inFlight, completed, cutShort);

  for (const Crashed& t : terminals) {
    SCOPED_TRACE(t.program);
    const auto records = linesOf(world.card(t.card));
    ASSERT_GT(records.size(), 1u);
    expectBalancesFollow(records, t.fee);
    // A fresh terminal picks up the card where the kills left it.
    const bool lastIn = columnsOf(records.back())[2] == "IN";
    const long long fee = t.fee(lastIn, true);
    const int after = static_cast<int>(amountOf(records.back()) - fee);
    auto fresh =
        t.args.empty() ? TapSession::bus(world, kClock) : TapSession::metro(world, 1, kClock);
    const std::string expected = t.args.empty() ? busCharged(static_cast<int>(fee), after)
                                                : metroCharged(static_cast<int>(fee), after);
    EXPECT_EQ(fresh->tap(t.card + " IN"), expected);
    EXPECT_EQ(amountOf(linesOf(world.card(t.card)).back()), after);
  }
}
