// A tap served by a terminal built as a value, with no thread and no
// process: what serveTap returns for the console, what it records, the
// journey count it leaves, and that the card is free again when it
// returns, also when the card changed while the tap was in hand.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <filesystem>
#include <functional>

#include "metro/Metro_controller.h"
#include "support/tap_output.h"
#include "support/world.h"
#include "terminal/terminal.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kClock = "201412050940";
const std::string kHistory = "201412050700,METRO,OUT,10000,05\n";
const std::string kTopUp = kHistory + "201412050930,METRO,OUT,15000,05\n";

TerminalProfile stationOne() {
  TerminalProfile profile;
  profile.tripLogName = "Metrofile1.txt";
  profile.rules = metro::rules(1);
  return profile;
}

// Whether another holder could lock the card file now.
bool cardIsFree(const World& world) {
  const int fd = open((world.root() / "customer/1234.txt").c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return true;
  const bool free = flock(fd, LOCK_EX | LOCK_NB) == 0;
  close(fd);
  return free;
}

// What serveTap returned, and whether the card was free by then. Taken in
// the call's own expression, while the tap it was given may still exist.
struct Served {
  std::string shows;
  bool cardFree;
};
Served served(std::string shows, const World& world) {
  return {std::move(shows), cardIsFree(world)};
}

}  // namespace

TEST(ServeTap, ReturnsWhatTheTapShowsAndRecordsItFromTheCardAsItStands) {
  struct Case {
    const char* name;
    std::string card;                          // before the tap
    std::function<void(const World&)> inHand;  // done while the tap is in hand
    std::string shows;
    std::string cardAfter;
    std::string tripLog;
    int journeyCount;
  };
  const std::string t = kClock;
  const std::vector<Case> cases = {
      {"charged: a new journey counted", kHistory, [](const World&) {}, metroCharged(1050, 8950),
       kHistory + t + ",METRO,IN,8950,11\n", t + ",METRO,IN,1050,11\n", 1},
      {"refused: nothing written or counted", "201412050700,METRO,OUT,500,05\n",
       [](const World&) {}, "Lack!\n", "201412050700,METRO,OUT,500,05\n", "", 0},
      {"topped up while in hand: decided again from the new file", kHistory,
       [](const World& w) {
         w.put("customer/1234.top", kTopUp);
         fs::rename(w.root() / "customer/1234.top", w.root() / "customer/1234.txt");
       },
       metroCharged(1050, 13950), kTopUp + t + ",METRO,IN,13950,11\n", t + ",METRO,IN,1050,11\n",
       1},
      {"removed while in hand: the lookup's own message", kHistory,
       [](const World& w) { fs::remove(w.root() / "customer/1234.txt"); }, "File open failed", "",
       "", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    World world;
    world.setClock(t + "\n");
    world.putCard("1234", c.card);
    const RunningIn inMetro(world, "Metro");
    Terminal terminal(stationOne());

    TapLoad load = loadTap({"1234", 1}, terminal);
    ASSERT_TRUE(load.tap.has_value());
    EXPECT_FALSE(cardIsFree(world));  // held from the lookup on
    c.inHand(world);
    const Served result = served(serveTap(std::move(*load.tap), terminal), world);
    EXPECT_EQ(result.shows, c.shows);
    EXPECT_TRUE(result.cardFree);
    EXPECT_EQ(world.card("1234"), c.cardAfter);
    EXPECT_EQ(world.get("Metro/Metrofile1.txt"), c.tripLog);
    EXPECT_EQ(terminal.journeyCount, c.journeyCount);
  }
}
