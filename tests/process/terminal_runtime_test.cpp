// The terminals as programs: start-up, following the clock file, ending at
// the end of standard input.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <functional>

#include "support/program.h"
#include "support/world.h"

namespace {

std::unique_ptr<Program> startMetro(const World& world, std::vector<std::string> args) {
  return std::make_unique<Program>(programPath("metro_terminal"), args, world.dir("Metro"));
}

std::unique_ptr<Program> startBus(const World& world, std::vector<std::string> args = {}) {
  return std::make_unique<Program>(programPath("bus_terminal"), args, world.dir("Bus"));
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

// One run of each terminal through the clock file's changes: a line
// without its line feed, a new line, then an empty file.
TEST(TerminalClock, FollowsTheClockFileOncePerSecondAndKeepsItWhileTheFileIsEmpty) {
  World world;
  for (auto* make : {+[](const World& w) { return startMetro(w, {"2"}); },
                     +[](const World& w) { return startBus(w); }}) {
    world.setClock("201412050008");  // the same clock as with its line feed
    auto terminal = make(world);
    ASSERT_TRUE(terminal->waitFor("2014/ 12/ 5/ 0/ 8\n", 10s)) << terminal->output();
    world.setClock("201412052400\n");
    const auto changed = terminal->waitFor("2014/ 12/ 5/ 24/ 0\n", 10s);
    ASSERT_TRUE(changed) << terminal->output();
    // Two more clock lines with the file empty: both still show 24:00.
    world.setClock("");
    EXPECT_TRUE(terminal->waitForTimes("2014/ 12/ 5/ 24/ 0\n", 2, 10s, *changed))
        << terminal->output();
    EXPECT_EQ(terminal->count("2014/ 0/ 0/ 0/ 0"), 0u);
    terminal->closeInput();
    EXPECT_EQ(terminal->waitExit(10s), 0);
    ASSERT_TRUE(terminal->waitOutputEnd(10s));
    EXPECT_EQ(terminal->count("COMMAND LINE_:"), 1u) << terminal->output();
  }
}

// A clock file that is missing or no regular file is reported once a
// second, no clock is shown meanwhile, and a good one renamed into place
// (as the settlement replaces it) is followed within a second.
TEST(TerminalClock, MissingOrNoRegularClockFileNeverStopsTheReader) {
  namespace fs = std::filesystem;
  const std::vector<std::pair<const char*, std::function<void(const fs::path&)>>> notFiles = {
      {"missing", [](const fs::path&) {}},
      {"fifo", [](const fs::path& p) { ASSERT_EQ(mkfifo(p.c_str(), 0666), 0); }},
      {"link to /dev/zero", [](const fs::path& p) { fs::create_symlink("/dev/zero", p); }},
      {"directory", [](const fs::path& p) { fs::create_directory(p); }},
  };
  for (const auto& [what, make] : notFiles) {
    SCOPED_TRACE(what);
    World world;
    const fs::path clock = world.root() / "time/time.txt";
    make(clock);
    world.putCard("1234", "201412050000,METRO,OUT,5000,05\n");
    auto bus = startBus(world);
    ASSERT_TRUE(bus->waitForTimes("Time read error!\n", 3, 10s)) << bus->output();
    EXPECT_EQ(bus->output().find("/ "), std::string::npos) << bus->output();

    if (fs::is_directory(clock)) fs::remove(clock);
    world.put("time/time.new", "2014121000530\n");
    fs::rename(world.root() / "time/time.new", clock);
    const size_t from = bus->outputSize();
    EXPECT_TRUE(bus->waitFor("2014/ 12/ 100/ 5/ 30\n", 1s, from)) << bus->output();
    bus->write("1234 IN\n");
    bus->closeInput();
    EXPECT_EQ(bus->waitExit(10s), 0);
    ASSERT_TRUE(bus->waitOutputEnd(10s));
    EXPECT_NE(bus->output().find("Readefile Write!\n", from), std::string::npos) << bus->output();
    EXPECT_EQ(world.card("1234"), "201412050000,METRO,OUT,5000,05\n2014121000530,BUS,IN,3950,61\n");
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
