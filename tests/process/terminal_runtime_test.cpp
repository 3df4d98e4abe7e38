// The terminals as programs: start-up, following the clock file (or doing
// without one), ending at the end of standard input.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <functional>

#include "support/program.h"
#include "support/tap_output.h"
#include "support/world.h"
#include "tap_session.h"

namespace {

std::unique_ptr<Program> startMetro(const World& world, std::vector<std::string> args) {
  return std::make_unique<Program>(programPath("metro_terminal"), args, world.dir("Metro"));
}

std::unique_ptr<Program> startBus(const World& world, std::vector<std::string> args = {}) {
  return std::make_unique<Program>(programPath("bus_terminal"), args, world.dir("Bus"));
}

size_t filesIn(const std::string& dir) {
  return static_cast<size_t>(std::distance(std::filesystem::directory_iterator(dir),
                                           std::filesystem::directory_iterator()));
}

}  // namespace

TEST(TerminalStart, MetroWithoutStationPrintsMessageAndTouchesNothing) {
  World world;
  auto metro = startMetro(world, {});
  EXPECT_EQ(metro->waitExit(10s), 2);
  ASSERT_TRUE(metro->waitOutputEnd(10s));
  EXPECT_EQ(metro->output(), "identifier를 입력해야 합니다.\n");
  EXPECT_TRUE(std::filesystem::is_empty(world.dir("Metro")));
  EXPECT_TRUE(std::filesystem::is_empty(world.dir("time")));
}

// Each terminal on its clock file: one already there (a line without its
// line feed reads as with it), or one missing or no regular file. A clock
// that cannot be read is reported at most once a second (and once for the
// tap it refuses), no clock is shown meanwhile, and a tap then is refused
// and writes nothing. A good clock renamed into place, as the settlement
// replaces it, is followed (within a second by a reader that was retrying)
// and the next tap is charged by it. That an empty clock file keeps the
// clock is the clock reader's rule (tests/terminal/clock_test.cpp).
TEST(TerminalClock, FollowsTheClockFileAndOneMissingOrNoRegularFileNeverStopsTheReader) {
  namespace fs = std::filesystem;
  struct Row {
    const char* what;
    bool metro;  // the metro at station 1, or the bus
    std::function<void(const World&, const fs::path&)> clockBefore;
    bool readable;  // the clock file holds a clock from the start
  };
  const auto noLineFeed = [](const World& w, const fs::path&) { w.setClock("201412050008"); };
  const auto missing = [](const World&, const fs::path&) {};
  const std::vector<Row> rows = {
      {"metro, a line without its line feed", true, noLineFeed, true},
      {"bus, a line without its line feed", false, noLineFeed, true},
      {"metro, missing", true, missing, false},
      {"bus, missing", false, missing, false},
      {"bus, a fifo", false,
       [](const World&, const fs::path& p) { ASSERT_EQ(mkfifo(p.c_str(), 0666), 0); }, false},
      {"bus, a link to /dev/zero", false,
       [](const World&, const fs::path& p) { fs::create_symlink("/dev/zero", p); }, false},
      {"bus, a directory", false, [](const World&, const fs::path& p) { fs::create_directory(p); },
       false},
  };
  // A metro exit at 00:10: against an all-zero clock it would look recent.
  const std::string history = "201412050010,METRO,OUT,5000,05\n";
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    World world;
    const fs::path clock = world.root() / "time/time.txt";
    row.clockBefore(world, clock);
    world.putCard("1234", history);
    const std::string dir = row.metro ? "Metro" : "Bus";
    const auto started = std::chrono::steady_clock::now();
    auto terminal = row.metro ? startMetro(world, {"1"}) : startBus(world);
    // Without a clock the tap is typed at once: the terminal takes its
    // first command after its first try at the clock.
    if (!row.readable) terminal->write("1234 IN\n");
    // First the clock, or the reports of its failed readings.
    const std::string first = row.readable ? "2014/ 12/ 5/ 0/ 8\n" : "Time read error!\n";
    const auto shown = terminal->waitForTimes(first, row.readable ? 1 : 4, 10s);
    ASSERT_TRUE(shown) << terminal->output();
    if (!row.readable) {
      const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(
                               std::chrono::steady_clock::now() - started)
                               .count();
      EXPECT_LE(terminal->count("Time read error!\n"), static_cast<size_t>(seconds) + 2)
          << terminal->output();
      EXPECT_EQ(terminal->output().find("/ "), std::string::npos) << terminal->output();
      EXPECT_EQ(world.card("1234"), history);
      EXPECT_EQ(filesIn(world.dir(dir)), 3u);  // the two role locks and the intent file alone
    }

    if (fs::is_directory(clock)) fs::remove(clock);
    world.put("time/time.new", "2014121000530\n");
    fs::rename(world.root() / "time/time.new", clock);
    const size_t from = terminal->outputSize();
    // A reader that read a clock reads again at the next clock line, shown
    // a second later; one that failed tries again within 100 ms.
    EXPECT_TRUE(terminal->waitFor("2014/ 12/ 100/ 5/ 30\n", row.readable ? 10s : 1s, from))
        << terminal->output();
    terminal->write("1234 IN\n");
    terminal->closeInput();
    EXPECT_EQ(terminal->waitExit(10s), 0);
    ASSERT_TRUE(terminal->waitOutputEnd(10s));
    EXPECT_EQ(terminal->count("2014/ 0/ 0/ 0/ 0"), 0u);
    const std::vector<std::string> answers = answersIn(terminal->output());
    ASSERT_EQ(answers.size(), row.readable ? 1u : 2u) << terminal->output();
    if (!row.readable) {
      EXPECT_NE(answers.front().find("Time read error!\n"), std::string::npos) << answers.front();
      EXPECT_EQ(answers.front().find("FEE"), std::string::npos) << answers.front();
    }
    // The reports made while the clock was missing run up to the tap's answer.
    const std::string charged = row.metro ? metroCharged(1050, 3950) : busCharged(1050, 3950);
    EXPECT_TRUE(answers.back().ends_with(charged)) << answers.back();
    EXPECT_EQ(world.card("1234"),
              history + "2014121000530," + (row.metro ? "METRO,IN,3950,11\n" : "BUS,IN,3950,61\n"));
    EXPECT_EQ(filesIn(world.dir(dir)), 5u);  // and the trip log, listed as made
  }
}

TEST(TerminalInput, EndOfInputExitsWithStatusZero) {
  World world;
  world.setClock("201412050008\n");
  auto metro = startMetro(world, {"3"});
  metro->write("\n   \n");
  metro->closeInput();
  EXPECT_EQ(metro->waitExit(10s), 0);
  auto bus = startBus(world);
  bus->closeInput();
  EXPECT_EQ(bus->waitExit(10s), 0);
}
