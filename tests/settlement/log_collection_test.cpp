// The collector's cursor: a live log handed over is read on from where
// settling reached, a hand-over file never settled is read whole, reads are
// fresh only beyond the settled content a file begins with, the cursor
// survives a restart, and archived files leave it.
#include "settlement/exact_reader/log_collection.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "support/world.h"

namespace fs = std::filesystem;

namespace {

struct Taken {
  std::vector<std::string> lines;  // every read, "*" after a fresh one
  std::vector<std::string> problems;
  Collected collected;
};

Taken collectFrom(LogCollection& collection, const World& world) {
  Taken taken;
  taken.collected = collection.collect(
      world.root(),
      [&](std::string_view line, bool fresh) {
        taken.lines.push_back(std::string(line) + (fresh ? "*" : ""));
      },
      [&](const std::string& problem) { taken.problems.push_back(problem); });
  return taken;
}

void append(const World& world, const std::string& relative, const std::string& text) {
  std::ofstream(world.root() / relative, std::ios::app) << text;
}

using Lines = std::vector<std::string>;

}  // namespace

TEST(LogCollection, ReadsAreFreshOnlyBeyondWhatWasCommittedAcrossHandOversAndRestarts) {
  World world;
  const fs::path archive = world.root() / "Settlement" / "archive";
  LogCollection collection;
  world.put("Bus/busfile.txt", "a\nb\nc");  // "c" is still being written
  EXPECT_EQ(collectFrom(collection, world).lines, (Lines{"a\n*", "b\n*"}));
  // Not committed: the same reads are still fresh.
  Taken second = collectFrom(collection, world);
  EXPECT_EQ(second.lines, (Lines{"a\n*", "b\n*"}));
  collection.settle(second.collected);
  EXPECT_EQ(collectFrom(collection, world).lines, (Lines{"a\n", "b\n"}));

  // A restart goes on from the committed cursor.
  LogCollection restarted(collection.settled(), collection.frontiers(), collection.ledger());
  append(world, "Bus/busfile.txt", "\nd\n");
  fs::rename(world.root() / "Bus/busfile.txt", world.root() / "Bus/busfile.txt.1");
  world.put("Bus/busfile.txt", "e\n");
  Taken late = collectFrom(restarted, world);
  EXPECT_EQ(late.lines, (Lines{"e\n*", "c\n*", "d\n*"}));
  ASSERT_EQ(late.collected.handOvers.size(), 1u);

  restarted.settle(late.collected);
  restarted.forget(restarted.archive(late.collected.handOvers, world.root(), archive, 7,
                                     [](const std::string& p) { FAIL() << p; }));
  EXPECT_FALSE(world.exists("Bus/busfile.txt.1"));
  EXPECT_EQ(world.get("Settlement/archive/busfile.txt.1"), "a\nb\nc\nd\n");
  EXPECT_EQ(restarted.settled().size(), 1u);  // the archived file left the cursor
  EXPECT_EQ(collectFrom(restarted, world).lines, (Lines{"e\n"}));
}

TEST(LogCollection, WaitingFilesAreReadWholeInOrderAndArchivedUnderFreeNames) {
  World world;
  const fs::path archive = world.root() / "Settlement" / "archive";
  world.put("Metro/Metrofile3.txt.10", "ten\n");
  world.put("Metro/Metrofile3.txt.2", "two\n");
  world.put("Metro/Metrofile3.txt.x", "not a hand-over file\n");
  world.put("Bus/busfile.txt.1", "bus\n");
  fs::create_directories(archive);
  std::ofstream(archive / "busfile.txt.1") << "archived before\n";
  std::ofstream(archive / "busfile.txt.1-4") << "archived before\n";

  LogCollection collection;  // a settlement just started
  Taken waiting = collectFrom(collection, world);
  EXPECT_EQ(waiting.lines, (Lines{"bus\n*", "two\n*", "ten\n*"}));
  // The stray file is named once per run, never read.
  ASSERT_EQ(waiting.problems.size(), 1u);
  EXPECT_NE(waiting.problems[0].find("Metrofile3.txt.x is neither a trip log"), std::string::npos);
  EXPECT_TRUE(collectFrom(collection, world).problems.empty());
  collection.settle(waiting.collected);
  collection.forget(collection.archive(waiting.collected.handOvers, world.root(), archive, 4,
                                       [](const std::string& p) { FAIL() << p; }));
  EXPECT_EQ(world.get("Settlement/archive/busfile.txt.1"), "archived before\n");
  EXPECT_EQ(world.get("Settlement/archive/busfile.txt.1-4-2"), "bus\n");
  EXPECT_EQ(world.get("Settlement/archive/Metrofile3.txt.2"), "two\n");
  EXPECT_TRUE(collectFrom(collection, world).lines.empty());

  // An archive that is a link is never written through; the file stays,
  // settled: reported once, never read again, kept in the cursor.
  world.put("Bus/busfile.txt.2", "x\n");
  const fs::path linked = world.root() / "Settlement" / "linked";
  fs::create_directory_symlink(world.root() / "time", linked);
  for (int cycle = 5; cycle < 8; ++cycle) {
    Taken late = collectFrom(collection, world);
    EXPECT_EQ(late.lines, cycle == 5 ? Lines{"x\n*"} : Lines{}) << cycle;
    collection.settle(late.collected);
    std::vector<std::string> problems;
    collection.forget(collection.archive(late.collected.handOvers, world.root(), linked, cycle,
                                         [&](const std::string& p) { problems.push_back(p); }));
    EXPECT_EQ(problems.size(), cycle == 5 ? 1u : 0u) << cycle;
  }
  EXPECT_TRUE(world.exists("Bus/busfile.txt.2"));
  EXPECT_TRUE(LogCollection(collection.settled())
                  .collect(
                      world.root(), [](auto, bool fresh) { EXPECT_FALSE(fresh); },
                      [](const std::string&) {})
                  .handOvers.size() == 1);
}

// A log cut or rewritten below what was settled of it begins with nothing
// settled: it is taken anew from its first byte, and that is said once. A
// log rewritten alike under a new inode, or copied aside and then cut,
// settles each read once.
TEST(LogCollection, ContentsAreSettledOnceWhateverHoldsThem) {
  World world;
  LogCollection collection;
  world.put("Metro/Metrofile0.txt", "one\ntwo\n");
  collection.settle(collectFrom(collection, world).collected);
  fs::resize_file(world.root() / "Metro/Metrofile0.txt", 4);
  Taken cut = collectFrom(collection, world);
  EXPECT_EQ(cut.lines, (Lines{"one\n*"}));
  ASSERT_EQ(cut.problems.size(), 1u);
  EXPECT_NE(cut.problems[0].find("Metrofile0.txt no longer begins with the 8 bytes settled of it"),
            std::string::npos);
  collection.settle(cut.collected);
  append(world, "Metro/Metrofile0.txt", "new\nthree\n");
  Taken after = collectFrom(collection, world);
  EXPECT_EQ(after.lines, (Lines{"one\n", "new\n*", "three\n*"}));
  EXPECT_TRUE(after.problems.empty());
  collection.settle(after.collected);

  // Rewritten alike under a new inode: nothing is new.
  const std::string text = world.get("Metro/Metrofile0.txt");
  fs::remove(world.root() / "Metro/Metrofile0.txt");
  world.put("Metro/Metrofile0.txt", text);
  Taken alike = collectFrom(collection, world);
  EXPECT_EQ(alike.lines, (Lines{"one\n", "new\n", "three\n"}));
  EXPECT_TRUE(alike.problems.empty());
  collection.settle(alike.collected);

  // Copied aside and cut, as a log rotation does: the copy is settled on
  // from where settling reached, the cut log from its first byte.
  append(world, "Metro/Metrofile0.txt", "six\n");
  world.put("Metro/Metrofile0.txt.2", world.get("Metro/Metrofile0.txt"));
  world.put("Metro/Metrofile0.txt", "seven\n");
  Taken rotated = collectFrom(collection, world);
  EXPECT_EQ(rotated.lines.front(), "seven\n*");
  EXPECT_EQ(std::count(rotated.lines.begin(), rotated.lines.end(), "six\n*"), 1);
  EXPECT_EQ(std::count_if(rotated.lines.begin(), rotated.lines.end(),
                          [](const std::string& line) { return line.ends_with('*'); }),
            2);
  EXPECT_TRUE(rotated.problems.empty());
  collection.settle(rotated.collected);
  collection.forget(collection.archive(rotated.collected.handOvers, world.root(),
                                       world.root() / "archive", 1, [](auto&) {}));

  // Copied aside while the log goes on, and cut only after a collection:
  // what the copy and the log hold alike is settled once, by the log.
  append(world, "Metro/Metrofile0.txt", "eight\n");
  world.put("Metro/Metrofile0.txt.3", world.get("Metro/Metrofile0.txt") + "nine\n");
  append(world, "Metro/Metrofile0.txt", "ten\n");
  Taken copied = collectFrom(collection, world);
  EXPECT_EQ(copied.lines, (Lines{"seven\n", "eight\n*", "ten\n*", "nine\n*"}));
  collection.settle(copied.collected);
  fs::resize_file(world.root() / "Metro/Metrofile0.txt", 0);
  append(world, "Metro/Metrofile0.txt", "eleven\n");
  Taken cutAfter = collectFrom(collection, world);
  EXPECT_EQ(cutAfter.lines, (Lines{"eleven\n*"}));
  collection.settle(cutAfter.collected);

  // An older copy of the log put back beside it: all of it was settled.
  append(world, "Metro/Metrofile0.txt", "twelve\n");
  collection.settle(collectFrom(collection, world).collected);
  world.put("Metro/Metrofile0.txt.4", "eleven\n");
  append(world, "Metro/Metrofile0.txt", "thirteen\n");
  EXPECT_EQ(collectFrom(collection, world).lines, (Lines{"eleven\n", "twelve\n", "thirteen\n*"}));

  // A new log that begins as a waiting file the cursor does not know: the
  // log was never settled, so each is new.
  World other;
  LogCollection fresh;
  other.put("Bus/busfile.txt", "a\nb\n");
  other.put("Bus/busfile.txt.1", "a\nb\nc\n");
  EXPECT_EQ(collectFrom(fresh, other).lines, (Lines{"a\n*", "b\n*", "a\n*", "b\n*", "c\n*"}));
}

namespace {

// Keeps each file's reads, "*" after a fresh one, read on two threads; the
// first thread waits for the second to have taken a file after the first
// few, so both read.
class TwoThreadReads : public CollectionSink {
 public:
  size_t readingThreads() const override { return 2; }
  void expectFiles(size_t files) override {
    if (reads_.size() < files) reads_.resize(files);
  }
  LogReading read(size_t thread, size_t file, int fd, off_t from, off_t freshFrom,
                  std::span<const PassedStretch>, off_t, PrefixCheck& check) override {
    if (file >= kLiveLogs) {
      if (thread == 1) secondThreadRead_ = true;
      for (int i = 0; thread == 0 && !secondThreadRead_ && i < 500; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
      }
    }
    Lines& lines = reads_[file];
    lines.clear();
    return readLogFrom(fd, from, [&](std::string_view read, off_t at) {
      check.add(read);
      lines.push_back(std::string(read) + (at >= freshFrom ? "*" : ""));
    });
  }
  Lines inOrder(const Collected& collected) const {
    Lines lines;
    for (const size_t file : collected.files) {
      lines.insert(lines.end(), reads_[file].begin(), reads_[file].end());
    }
    return lines;
  }
  bool bothThreadsRead() const { return secondThreadRead_; }

 private:
  static constexpr size_t kLiveLogs = 6;
  std::vector<Lines> reads_;
  std::atomic<bool> secondThreadRead_{false};
};

}  // namespace

// Files read two at a time give the collection of reading them one after
// another, a file with a second name included: each of its reads once.
TEST(LogCollection, TwoReadingThreadsCollectWhatOneWould) {
  World world;
  world.put("Bus/busfile.txt", "live\n");
  world.put("Metro/Metrofile0.txt", "m0\n");
  // Files big enough that reading them two at a time pays.
  const std::string bulk = std::string(80000, 'x') + "\n";
  for (int i = 1; i <= 20; ++i) {
    world.put("Metro/Metrofile1.txt." + std::to_string(i), "h" + std::to_string(i) + "\n" + bulk);
  }
  world.put("Bus/busfile.txt.5", "linked\n");
  fs::create_hard_link(world.root() / "Bus/busfile.txt.5", world.root() / "Bus/busfile.txt.9");
  fs::create_hard_link(world.root() / "Bus/busfile.txt", world.root() / "Bus/busfile.txt.3");

  LogCollection oneByOne;
  LogCollection twoAtATime;
  for (int round = 0; round < 2; ++round) {
    const Taken expected = collectFrom(oneByOne, world);
    TwoThreadReads reads;
    const Collected collected =
        twoAtATime.collect(world.root(), reads, [](const std::string& p) { FAIL() << p; });
    EXPECT_TRUE(reads.bothThreadsRead());
    EXPECT_EQ(reads.inOrder(collected), expected.lines) << round;
    EXPECT_EQ(collected.cursor, expected.collected.cursor) << round;
    EXPECT_EQ(collected.handOvers.size(), expected.collected.handOvers.size()) << round;
    if (round == 0) {
      EXPECT_EQ(std::count(expected.lines.begin(), expected.lines.end(), "linked\n*"), 1);
      EXPECT_EQ(std::count(expected.lines.begin(), expected.lines.end(), "live\n*"), 1);
      EXPECT_EQ(std::count(expected.lines.begin(), expected.lines.end(), "h7\n*"), 1);
      EXPECT_EQ(expected.lines.size(), 3 + 20 * (1 + completeLogLines(bulk).size()));
    }
    oneByOne.settle(expected.collected);
    twoAtATime.settle(collected);
    append(world, "Metro/Metrofile1.txt.7", "late\n");
    append(world, "Bus/busfile.txt.9", "later\n");
  }
}
