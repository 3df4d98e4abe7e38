// Hostile files and stuck consoles: links, FIFOs and huge files where the
// programs expect their own files, and consoles nobody reads. Nothing is
// written or created outside the world, no program hangs on such a file,
// every other card is still served, a terminal stuck on its console holds
// no card from the others, and the settlement stops when asked.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <set>

#include "settlement_support.h"
#include "tap_session.h"
#include "terminal/tap_intent.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kClock = "201412050940";
// A metro exit 160 minutes old: an entry is a standard tap, 1050, leaving
// 3950.
const std::string kHistory = "201412050600,METRO,IN,6050,05\n201412050700,METRO,OUT,5000,05\n";

bool eventually(const std::function<bool()>& condition, std::chrono::milliseconds timeout = 10s) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!condition()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(10ms);
  }
  return true;
}

// SIGTERM ends the program within a second, with status 0.
void expectPromptStop(Program& program) {
  const auto start = std::chrono::steady_clock::now();
  program.sendSignal(SIGTERM);
  EXPECT_EQ(program.waitExit(5s), 0);
  EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
}

std::set<std::string> entriesIn(const fs::path& dir) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir)) names.insert(entry.path().filename());
  return names;
}

// Every file below `dir` with its content.
std::map<std::string, std::string> contentsBelow(const fs::path& dir) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(dir)) {
    files[entry.path().string()] = entry.is_regular_file() ? readFile(entry.path()) : "";
  }
  return files;
}

// An active tap note, its body in the form "<length>:<bytes>" per field.
std::string noteOf(const std::vector<std::string>& fields) {
  std::string body;
  for (const std::string& field : fields) body += std::to_string(field.size()) + ":" + field + "\n";
  return activeNote(body);
}

}  // namespace

// Files planted in a world that lead outside it: tap notes naming outside
// files, and second names (hard links) on the files a terminal writes. The
// terminal writes where it belongs or not at all: nothing outside the world
// is created, written or cut.
TEST(RobustHostileFiles, NotesNamingOutsideFilesAndHardLinksWriteNothingOutside) {
  const std::string victim = "201412050700,METRO,OUT,10000,05\nkeep me\n";  // 43 bytes
  const std::string charged = metroCharged(1050, 3950);
  struct Row {
    const char* name;
    std::function<void(const World& world, const World& outside)> plant;
    std::optional<int> refused;  // the status when the terminal must not start
    std::string says;            // a line it prints at start, if any
    std::string tap;             // what "1234 IN" shows when it starts
  };
  const auto link = [](const World& from, const std::string& name, const World& to,
                       const std::string& target) {
    fs::create_hard_link(to.root() / target, from.root() / name);
  };
  const std::vector<Row> rows = {
      {"a note cutting an outside file",
       [&](const World& w, const World& o) {
         w.put("Metro/Metrofile2.txt.intent",
               noteOf({"tap-intent 1", (o.root() / "victim.txt").string(), "7",
                       victim.substr(7) + "more", (o.root() / "made.txt").string(), "0",
                       "chosen\n"}));
       },
       std::nullopt, "set aside as Metrofile2.txt.intent.rejected\n", charged},
      {"a note creating an outside file",
       [&](const World& w, const World& o) {
         w.put("Metro/Metrofile2.txt.intent",
               noteOf({"tap-intent 1", (o.root() / "victim.txt").string(), "0", victim,
                       (o.root() / "made.txt").string(), "0", "chosen\n"}));
       },
       std::nullopt, "set aside as Metrofile2.txt.intent.rejected\n", charged},
      {"a note naming a card by an outside path",
       [&](const World& w, const World& o) {
         const std::string card = "../../" + o.root().filename().string() + "/victim";
         w.put("Metro/Metrofile2.txt.intent",
               noteOf({"tap-intent 3", card, "0", victim.substr(0, 32), "0",
                       "201412050940,METRO,IN,1050,21\n"}));
       },
       std::nullopt, "set aside as Metrofile2.txt.intent.rejected\n", charged},
      {"an empty note: nothing to do",
       [&](const World& w, const World&) { w.put("Metro/Metrofile2.txt.intent", ""); },
       std::nullopt, "", charged},
      {"a card file linked to an outside file",
       [&](const World& w, const World& o) {
         o.put("card.txt", kHistory);
         fs::remove(w.root() / "customer/1234.txt");
         link(w, "customer/1234.txt", o, "card.txt");
       },
       std::nullopt, "", "Cardfile Open Error!"},
      {"a trip log linked to an outside file",
       [&](const World& w, const World& o) { link(w, "Metro/Metrofile2.txt", o, "victim.txt"); },
       std::nullopt, "", "Readerfile Open Error!"},
      {"a role lock linked to an outside file",
       [&](const World& w, const World& o) {
         link(w, "Metro/Metrofile2.txt.lock", o, "victim.txt");
       },
       1, "Metrofile2.txt.lock: Too many links", ""},
      {"a note's old temporary name linked to an outside file",
       [&](const World& w, const World& o) {
         link(w, "Metro/Metrofile2.txt.intent.tmp", o, "victim.txt");
       },
       std::nullopt, "", charged},
      {"a note linked to an outside file",
       [&](const World& w, const World& o) {
         link(w, "Metro/Metrofile2.txt.intent", o, "victim.txt");
       },
       std::nullopt, "set aside as Metrofile2.txt.intent.rejected\n", charged},
      {"a directory at the note's name",
       [&](const World& w, const World&) {
         fs::create_directory(w.root() / "Metro/Metrofile2.txt.intent");
       },
       std::nullopt, "set aside as Metrofile2.txt.intent.rejected\n", charged},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    World world;
    World outside;
    outside.put("victim.txt", victim);
    world.putCard("1234", kHistory);
    world.setClock(std::string(kClock) + "\n");
    row.plant(world, outside);
    const auto before = contentsBelow(outside.root());

    if (row.refused) {
      Program metro(programPath("metro_terminal"), {"2"}, world.dir("Metro"));
      EXPECT_EQ(metro.waitExit(10s), row.refused);
      ASSERT_TRUE(metro.waitOutputEnd(10s));
      EXPECT_NE(metro.output().find(row.says), std::string::npos) << metro.output();
    } else {
      auto metro = TapSession::metro(world, 2, kClock);
      EXPECT_NE(metro->program().output().find(row.says), std::string::npos)
          << metro->program().output();
      EXPECT_EQ(metro->tap("1234 IN"), row.tap);
    }
    EXPECT_EQ(contentsBelow(outside.root()), before);
  }
}

TEST(RobustHostileFiles, CardFileLinkedOutsideTheWorldIsNotOpened) {
  World world;
  World outside;
  outside.putCard("1234", kHistory);
  fs::create_symlink(outside.root() / "customer/1234.txt", world.root() / "customer/1234.txt");
  world.putCard("5678", kHistory);
  auto metro = TapSession::metro(world, 1, kClock);

  EXPECT_EQ(metro->tap("1234 IN"), "File open failed");
  EXPECT_EQ(outside.card("1234"), kHistory);
  EXPECT_FALSE(world.exists("Metro/Metrofile1.txt"));
  EXPECT_EQ(metro->tap("5678 IN"), metroCharged(1050, 3950));
}

TEST(RobustHostileFiles, DanglingTripLogLinkCreatesNothingAndChargesNothing) {
  World world;
  World outside;
  const fs::path target = outside.root() / "made-through-a-link.txt";
  fs::create_symlink(target, world.root() / "Bus/busfile.txt");
  world.putCard("1234", kHistory);
  auto bus = TapSession::bus(world, kClock);

  EXPECT_EQ(bus->tap("1234 IN"), "Readerfile Open Error!");
  EXPECT_FALSE(fs::exists(target));
  EXPECT_TRUE(fs::is_symlink(world.root() / "Bus/busfile.txt"));
  EXPECT_EQ(world.card("1234"), kHistory);
}

TEST(RobustHostileFiles, LinkOrFifoAtATemporaryClockNameIsLeftAlone) {
  for (const bool fifo : {false, true}) {
    SCOPED_TRACE(fifo ? "FIFO" : "link");
    World world;
    World outside;
    outside.put("time/keep.txt", "keep\n");
    const fs::path hostile = world.root() / "time/time.txt.tmp";
    if (fifo) {
      ASSERT_EQ(mkfifo(hostile.c_str(), 0666), 0);
    } else {
      fs::create_symlink(outside.root() / "time/keep.txt", hostile);
    }
    auto settlement = startSettlement(world);

    // Two ticks, each written whole into a regular time.txt.
    const fs::path clock = world.root() / "time/time.txt";
    EXPECT_TRUE(eventually([&] { return readFile(clock) == todayText() + "0016\n"; }))
        << readFile(clock);
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(clock)));
    EXPECT_EQ(outside.get("time/keep.txt"), "keep\n");
    EXPECT_EQ(settlement->count("Time Write Fail"), 0u);
    expectPromptStop(*settlement);
    EXPECT_EQ(entriesIn(world.root() / "time"),
              (std::set<std::string>{"time.txt", "time.txt.tmp"}));
  }
}

TEST(RobustHostileFiles, CardRecordBeyondTheBoundIsAReadErrorAndOtherCardsGoOn) {
  World world;
  world.putCard("1234", kHistory);
  // 3 GB of holes without a line feed: a record with no start in sight.
  constexpr uintmax_t kHuge = uintmax_t{3} << 30;
  world.putCard("huge", "");
  fs::resize_file(world.root() / "customer/huge.txt", kHuge);
  auto metro = TapSession::metro(world, 1, kClock);

  EXPECT_EQ(metro->tap("huge IN"), "Cardfile Read Error!\n");
  EXPECT_EQ(metro->tap("1234 IN"), metroCharged(1050, 3950));
  EXPECT_EQ(fs::file_size(world.root() / "customer/huge.txt"), kHuge);
}

TEST(RobustHostileFiles, StoppedConsoleHoldsNoCardFromOtherTerminals) {
  World world;
  world.putCard("1234", kHistory);
  auto stuck = TapSession::metro(world, 1, kClock);
  auto other = TapSession::metro(world, 2, kClock);
  const std::string stuckRecord = std::string(kClock) + ",METRO,IN,3950,11\n";
  const std::string otherRecord = std::string(kClock) + ",METRO,OUT,3950,21\n";

  stuck->program().stallOutput();
  stuck->type("1234 IN");
  // Recorded; what is left of the tap is its console output, which blocks.
  ASSERT_TRUE(eventually([&] { return world.card("1234") == kHistory + stuckRecord; }));
  EXPECT_EQ(other->tap("1234 OUT"), metroCharged(0, 3950));
  EXPECT_EQ(world.card("1234"), kHistory + stuckRecord + otherRecord);

  stuck->program().resumeOutput();
  EXPECT_EQ(stuck->tapOutput(), metroCharged(1050, 3950));
}

// A settlement whose console takes no more output, stopped by nobody
// reading it or at a file-size limit (the first result block fits, the
// second not), is no death: it goes on ticking with its next blocks
// unprinted, and SIGTERM ends it within a second.
TEST(RobustHostileFiles, ASettlementWhoseConsoleTakesNoMoreGoesOnAndSigtermEndsIt) {
  for (const bool sizeLimit : {false, true}) {
    SCOPED_TRACE(sizeLimit ? "a file-size limit on its output" : "a console nobody reads");
    World world;
    const fs::path out = world.root() / "settlement.out";
    ProgramOptions options;
    if (sizeLimit) {
      options.fileSizeLimit = 200;
      options.outputFile = out.string();
    }
    Program settlement(programPath("settlement_fast"), {}, world.dir("Settlement"), options);
    const auto printed = [&] { return sizeLimit ? readFile(out) : settlement.output(); };
    const std::string block = resultBlock(0, 0);
    ASSERT_TRUE(eventually([&] { return printed().size() >= block.size(); })) << printed();
    if (!sizeLimit) settlement.stallOutput();
    // Three more ticks of the clock: two collections at least, whose blocks
    // find the console full.
    std::string clock = world.get("time/time.txt");
    int ticks = 0;
    EXPECT_TRUE(eventually([&] {
      const std::string now = world.get("time/time.txt");
      ticks += now != clock;
      clock = now;
      return ticks == 3;
    }));
    EXPECT_FALSE(settlement.waitExit(0ms));
    EXPECT_EQ(printed().substr(0, block.size()), block);
    expectPromptStop(settlement);
    EXPECT_EQ(entriesIn(world.root() / "time"), std::set<std::string>{"time.txt"});
  }
}

// A FIFO, a link to a device and a log larger than the settlement's memory
// may grow in place of trip logs: the collector names the ones it cannot
// read on standard error, never blocks on them, reads the big one in blocks
// and keeps settling every other log.
TEST(RobustHostileFiles, FifoDeviceLinkAndHugeLogNeitherBlockNorExhaustTheCollector) {
  World world;
  ASSERT_EQ(mkfifo((world.root() / "Metro/Metrofile1.txt").c_str(), 0666), 0);
  fs::create_symlink("/dev/zero", world.root() / "Bus/busfile.txt");
  world.put("Metro/Metrofile3.txt", "");
  fs::resize_file(world.root() / "Metro/Metrofile3.txt", 256ULL << 20);  // NULs, no record
  world.put("Metro/Metrofile2.txt", "201412050008,METRO,IN,1050,21\n");
  auto settlement = startSettlement(world);
  ASSERT_TRUE(settlement->waitForTimes(resultBlock(0, 1050), 2, 60s)) << settlement->output();
  EXPECT_NE(settlement->output().find("cannot read ../Bus/busfile.txt (a symbolic link)"),
            std::string::npos);
  EXPECT_NE(settlement->output().find("cannot read ../Metro/Metrofile1.txt (not a regular file)"),
            std::string::npos);
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
  // Its peak memory, far below the log's size (sanitizers add their own).
  const std::string status = readFile("/proc/" + std::to_string(settlement->pid()) + "/status");
  const size_t peak = status.find("VmHWM:");
  ASSERT_NE(peak, std::string::npos);
  EXPECT_LT(std::stol(status.substr(peak + 6)), 64L << 10) << "kB";
#endif
  expectPromptStop(*settlement);
}
