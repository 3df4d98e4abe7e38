// A terminal's trip log followed as it grows: whole lines only (a line cut
// short is taken once whole, or not at all when it is cut off), and
// through a hand-over, where the old file's last records come before the
// new log's.
#include "driving/trip_log_follower.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/world.h"

namespace fs = std::filesystem;

namespace {

void append(const fs::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary | std::ios::app) << text;
}

// The journey ids of every record the follower gives now.
std::vector<std::string> taken(TripLogFollower& log) {
  std::vector<std::string> ids;
  while (const std::optional<RecordColumns> record = log.next()) {
    ids.emplace_back(record->journeyId);
  }
  return ids;
}

TEST(TripLogFollower, TakesWholeLinesAndFollowsAHandOver) {
  World world;
  const fs::path log = world.root() / "Bus" / "busfile.txt";
  TripLogFollower follower(log.string());
  EXPECT_TRUE(taken(follower).empty());  // no log yet

  append(log, "201412050800,BUS,IN,1050,61\n201412050808,BUS,OUT,0,61\n201412050816,BU");
  EXPECT_EQ(taken(follower), (std::vector<std::string>{"61\n", "61\n"}));
  // The line a kill cut short is cut off by the terminal, and written again.
  fs::resize_file(log, fs::file_size(log) - 14);
  append(log, "201412050816,BUS,IN,1050,62\n");
  EXPECT_EQ(taken(follower), (std::vector<std::string>{"62\n"}));

  // Handed over after one more record; the next tap starts a new log.
  append(log, "201412050824,BUS,OUT,0,62\n");
  fs::rename(log, log.string() + ".1");
  append(log, "201412050832,BUS,IN,1050,63\n");
  EXPECT_EQ(taken(follower), (std::vector<std::string>{"62\n", "63\n"}));
  append(log, "201412050840,BUS,OUT,0,63\n");
  const std::optional<RecordColumns> record = follower.next();
  ASSERT_TRUE(record);
  EXPECT_EQ(record->time, "201412050840");
  EXPECT_EQ(record->direction, "OUT");
  EXPECT_EQ(record->amount, "0");
}

}  // namespace
