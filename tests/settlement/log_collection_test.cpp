// The collector's memory across collections: a live log handed over is
// read on from where its last live reading stopped, a hand-over file it
// never saw is read whole, and archived files are gone from the world.
#include "settlement/exact_reader/log_collection.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/world.h"

namespace fs = std::filesystem;

namespace {

struct Collected {
  std::vector<std::string> lines;
  std::vector<std::string> problems;
  std::vector<HandOverFile> handOvers;
};

Collected collectFrom(LogCollection& collection, const World& world) {
  Collected c;
  c.handOvers = collection.collect(
      world.root(), [&](std::string_view line) { c.lines.emplace_back(line); },
      [&](const std::string& problem) { c.problems.push_back(problem); });
  return c;
}

void append(const World& world, const std::string& relative, const std::string& text) {
  std::ofstream(world.root() / relative, std::ios::app) << text;
}

}  // namespace

TEST(LogCollection, HandedOverLogIsReadOnFromWhereItsLastCollectionStopped) {
  World world;
  const fs::path archive = world.root() / "Settlement" / "archive";
  LogCollection collection;
  world.put("Bus/busfile.txt", "a\nb\nc");  // "c" is still being written
  EXPECT_EQ(collectFrom(collection, world).lines, (std::vector<std::string>{"a\n", "b\n"}));
  EXPECT_EQ(collectFrom(collection, world).lines, (std::vector<std::string>{"a\n", "b\n"}));

  append(world, "Bus/busfile.txt", "\nd\n");
  fs::rename(world.root() / "Bus/busfile.txt", world.root() / "Bus/busfile.txt.1");
  world.put("Bus/busfile.txt", "e\n");
  Collected late = collectFrom(collection, world);
  EXPECT_EQ(late.lines, (std::vector<std::string>{"e\n", "c\n", "d\n"}));
  ASSERT_EQ(late.handOvers.size(), 1u);

  collection.settle(late.handOvers, archive, [](const std::string& p) { FAIL() << p; });
  EXPECT_FALSE(world.exists("Bus/busfile.txt.1"));
  EXPECT_EQ(world.get("Settlement/archive/busfile.txt.1"), "a\nb\nc\nd\n");
  EXPECT_EQ(collectFrom(collection, world).lines, (std::vector<std::string>{"e\n"}));
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

  LogCollection collection;  // a settlement just started
  Collected waiting = collectFrom(collection, world);
  EXPECT_EQ(waiting.lines, (std::vector<std::string>{"bus\n", "two\n", "ten\n"}));
  collection.settle(waiting.handOvers, archive, [](const std::string& p) { FAIL() << p; });
  EXPECT_EQ(world.get("Settlement/archive/busfile.txt.1"), "archived before\n");
  EXPECT_EQ(world.get("Settlement/archive/busfile.txt.1-2"), "bus\n");
  EXPECT_TRUE(collectFrom(collection, world).lines.empty());

  // An archive that is a link is never written through; the file stays,
  // and this run, having taken it, does not count it again.
  world.put("Bus/busfile.txt.2", "x\n");
  const fs::path linked = world.root() / "Settlement" / "linked";
  fs::create_directory_symlink(world.root() / "time", linked);
  Collected late = collectFrom(collection, world);
  std::vector<std::string> problems;
  collection.settle(late.handOvers, linked, [&](const std::string& p) { problems.push_back(p); });
  EXPECT_EQ(problems.size(), 1u);
  EXPECT_TRUE(world.exists("Bus/busfile.txt.2"));
  EXPECT_TRUE(collectFrom(collection, world).lines.empty());
}
