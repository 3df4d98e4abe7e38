// Faults under a terminal: files it cannot open or write, a disk that fills
// up, garbage where a card or the clock should be, a card whose last tap
// lies behind a thousand top-ups. A tap that cannot be recorded in both the
// card file and the trip log is not charged: neither file changes, and the
// next good tap is charged once, from the card as it was.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <functional>
#include <vector>

#include "tap_session.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kClock = "201412050940";
// A metro exit 160 minutes old: an entry is a standard tap at either
// terminal, 1050, leaving 3950.
const std::string kHistory = "201412050600,METRO,IN,6050,05\n201412050700,METRO,OUT,5000,05\n";

struct Terminal {
  const char* name;
  std::function<std::unique_ptr<TapSession>(const World&, const ProgramOptions&)> start;
  std::string tripLog;  // relative to the world's root
  std::string (*charged)(int fee, int balance);
  std::string transport;
  char identifier;  // first digit of its new journey ids
};

const std::vector<Terminal>& terminals() {
  static const std::vector<Terminal> all = {
      {"metro",
       [](const World& w, const ProgramOptions& o) { return TapSession::metro(w, 1, kClock, o); },
       "Metro/Metrofile1.txt", metroCharged, "METRO", '1'},
      {"bus", [](const World& w, const ProgramOptions& o) { return TapSession::bus(w, kClock, o); },
       "Bus/busfile.txt", busCharged, "BUS", '6'},
  };
  return all;
}

// The records of the entry charged after kHistory, the `count`th new
// journey of the terminal.
std::string cardRecord(const Terminal& t, int count) {
  return std::string(kClock) + "," + t.transport + ",IN,3950," + t.identifier +
         std::to_string(count) + "\n";
}
std::string tripRecord(const Terminal& t, int count) {
  return std::string(kClock) + "," + t.transport + ",IN,1050," + t.identifier +
         std::to_string(count) + "\n";
}

// The entry after kHistory is charged once, as the terminal's first new
// journey: one record more in the card file and in the trip log.
void expectChargedOnce(TapSession& terminal, const World& world, const Terminal& t,
                       const std::string& card = "1234", const std::string& logBefore = "") {
  EXPECT_EQ(terminal.tap(card + " IN"), t.charged(1050, 3950));
  EXPECT_EQ(world.card(card), kHistory + cardRecord(t, 1));
  EXPECT_EQ(world.get(t.tripLog), logBefore + tripRecord(t, 1));
}

void makeReadOnly(const World& world, const std::string& relative) {
  fs::permissions(world.root() / relative, fs::perms(0444));
}

}  // namespace

TEST(RobustTerminalFaults, ReadOnlyCardFileIsNotChargedAndTheNextTapIs) {
  for (const Terminal& t : terminals()) {
    SCOPED_TRACE(t.name);
    World world;
    world.putCard("1234", kHistory);
    world.setClock(std::string(kClock) + "\n");
    world.openToAnyUser();
    makeReadOnly(world, "customer/1234.txt");
    auto terminal = t.start(world, unprivilegedUser());

    // The lookup only reads, so it succeeds; the append cannot open.
    EXPECT_EQ(terminal->tap("1234 IN"), "Cardfile Open Error!");
    EXPECT_EQ(world.card("1234"), kHistory);
    EXPECT_FALSE(world.exists(t.tripLog));

    fs::permissions(world.root() / "customer/1234.txt", fs::perms(0666));
    expectChargedOnce(*terminal, world, t);
  }
}

TEST(RobustTerminalFaults, CardToppedUpAThousandTimesSinceItsLastTapIsChargedAsUsual) {
  for (const Terminal& t : terminals()) {
    SCOPED_TRACE(t.name);
    World world;
    std::string card = kHistory;
    for (int i = 1; i < 1000; ++i) {
      card += "201412050800,TOPUP,IN," + std::to_string(5000 + 10 * i) + ",05\n";
    }
    world.putCard("1234", card);
    // The thousandth by the card tool: 15,000 in all.
    Program topUp(programPath("card"), {"top-up", "1234", "10", world.root().string()}, ".");
    ASSERT_EQ(topUp.waitExit(10s), 0) << topUp.output();
    card = world.card("1234");
    auto terminal = t.start(world, {});

    EXPECT_EQ(terminal->tap("1234 IN"), t.charged(1050, 13950));
    EXPECT_EQ(world.card("1234"),
              card + kClock + "," + t.transport + ",IN,13950," + t.identifier + "1\n");
    EXPECT_EQ(world.get(t.tripLog), tripRecord(t, 1));
  }
}

TEST(RobustTerminalFaults, MissingCustomerDirectoryDropsTapsUntilItIsBack) {
  for (const Terminal& t : terminals()) {
    SCOPED_TRACE(t.name);
    World world;
    auto terminal = t.start(world, {});
    fs::remove_all(world.root() / "customer");

    EXPECT_EQ(terminal->tap("1234 IN"), "File open failed");
    EXPECT_FALSE(world.exists("customer"));
    EXPECT_FALSE(world.exists(t.tripLog));

    fs::create_directory(world.root() / "customer");
    world.putCard("1234", kHistory);
    expectChargedOnce(*terminal, world, t);
  }
}

TEST(RobustTerminalFaults, TripLogThatCannotBeOpenedChargesNothing) {
  for (const Terminal& t : terminals()) {
    SCOPED_TRACE(t.name);
    World world;
    world.putCard("1234", kHistory);
    world.setClock(std::string(kClock) + "\n");
    // A directory where the trip log should be.
    fs::create_directory(world.root() / t.tripLog);
    world.openToAnyUser();
    auto terminal = t.start(world, unprivilegedUser());
    EXPECT_EQ(terminal->tap("1234 IN"), "Readerfile Open Error!");
    EXPECT_EQ(world.card("1234"), kHistory);
    fs::remove(world.root() / t.tripLog);

    // A trip log the terminal may not write.
    const std::string earlier = "201412050900," + t.transport + ",OUT,0,05\n";
    world.put(t.tripLog, earlier);
    makeReadOnly(world, t.tripLog);
    EXPECT_EQ(terminal->tap("1234 IN"), "Readerfile Open Error!");
    EXPECT_EQ(world.card("1234"), kHistory);
    EXPECT_EQ(world.get(t.tripLog), earlier);

    fs::permissions(world.root() / t.tripLog, fs::perms(0666));
    expectChargedOnce(*terminal, world, t, "1234", earlier);
  }
}

// A file-size limit stands in for a full disk: a write that would grow a
// file past it fails, or is cut short at the limit. A full disk at each
// write of a tap is tested through the file system seam
// (tests/terminal/tap_fault_test.cpp); this is the real limit, once.
TEST(RobustTerminalFaults, FullDiskAtTheTripLogTakesTheCardRecordBack) {
  constexpr size_t kLimit = 4096;
  ProgramOptions options;
  options.fileSizeLimit = kLimit;
  for (const Terminal& t : terminals()) {
    SCOPED_TRACE(t.name);
    for (const size_t logSize : {kLimit, kLimit - 10}) {
      SCOPED_TRACE(logSize);
      World world;
      world.putCard("1234", kHistory);
      const std::string log(logSize, '\n');
      world.put(t.tripLog, log);
      auto terminal = t.start(world, options);

      EXPECT_EQ(terminal->tap("1234 IN"), "Readerfile Write Error!\n");
      EXPECT_EQ(world.card("1234"), kHistory);
      EXPECT_EQ(world.get(t.tripLog), log);

      // Once the log is cleared the tap goes through, charged once.
      fs::remove(world.root() / t.tripLog);
      expectChargedOnce(*terminal, world, t);
    }
  }
}

TEST(RobustTerminalFaults, CardFileOfGarbageOrBinaryBytes) {
  World world;
  using namespace std::string_literals;
  const std::string nuls = "\0\0\0\0\0\0\0\0"s;
  const std::string oneHugeLine(1 << 20, 'x');
  const std::string brokenBefore = "\xff\xfe garbage\n\x01,\0,IN,abc,\x02"s;
  // Five columns of binary bytes: a record, though no terminal wrote it.
  const std::string binaryRecord = "\x80,\0\0,IN,5000,\x7f"s;
  world.putCard("nuls", nuls);
  world.putCard("huge", oneHugeLine);
  world.putCard("broken", brokenBefore);
  world.putCard("binary", binaryRecord);
  world.putCard("fifo", "");
  fs::remove(world.root() / "customer/fifo.txt");
  ASSERT_EQ(mkfifo((world.root() / "customer/fifo.txt").c_str(), 0666), 0);
  world.putCard("1234", kHistory);
  auto metro = TapSession::metro(world, 1, kClock);

  EXPECT_EQ(metro->tap("nuls IN"), "Cardfile Read Error!\n");
  EXPECT_EQ(metro->tap("huge OUT"), "Cardfile Read Error!\n");
  EXPECT_EQ(metro->tap("broken IN"), "Cardfile Read Error!\n");
  // Not a file a card could be: refused at once, never waited on.
  EXPECT_EQ(metro->tap("fifo IN"), "File open failed");
  EXPECT_EQ(world.card("nuls"), nuls);
  EXPECT_EQ(world.card("huge"), oneHugeLine);
  EXPECT_EQ(world.card("broken"), brokenBefore);
  EXPECT_FALSE(world.exists("Metro/Metrofile1.txt"));

  // An entry after an entry: 1250. The open last line is ended first, so
  // the new record stands whole on a line of its own.
  EXPECT_EQ(metro->tap("binary IN"), metroCharged(1250, 3750));
  EXPECT_EQ(world.card("binary"), binaryRecord + "\n" + kClock + ",METRO,IN,3750,11\n");
  EXPECT_EQ(metro->tap("1234 IN"), metroCharged(1050, 3950));
  EXPECT_EQ(world.card("1234"), kHistory + kClock + ",METRO,IN,3950,12\n");
  EXPECT_EQ(world.get("Metro/Metrofile1.txt"),
            std::string(kClock) + ",METRO,IN,1250,11\n" + kClock + ",METRO,IN,1050,12\n");
}

TEST(RobustTerminalFaults, ClockFileOfGarbageKeepsTheClockAndTheTaps) {
  World world;
  world.putCard("1234", kHistory);
  auto bus = TapSession::bus(world, kClock);
  using namespace std::string_literals;
  for (const std::string& garbage : {"\0\0\0garbage\xff\n"s, std::string(5000, '\x01'), "2014"s}) {
    const size_t from = bus->program().outputSize();
    world.setClock(garbage);
    // Two more clock lines while the file holds it: the clock stays put.
    ASSERT_TRUE(bus->program().waitForTimes("2014/ 12/ 5/ 9/ 40\n", 2, 10s, from))
        << bus->program().output();
  }
  EXPECT_EQ(bus->tap("1234 IN"), busCharged(1050, 3950));
  EXPECT_EQ(world.card("1234"), kHistory + kClock + ",BUS,IN,3950,61\n");
  bus->setClock("201412051000");
  EXPECT_EQ(bus->tap("1234 OUT"), busCharged(0, 3950));
  EXPECT_EQ(world.card("1234"),
            kHistory + kClock + ",BUS,IN,3950,61\n" + "201412051000,BUS,OUT,3950,62\n");
}
