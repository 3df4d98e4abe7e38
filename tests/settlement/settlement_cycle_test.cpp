// Whole cycles over random worlds, held to the plain reference
// (support/settlement_reference.h): the block byte for byte and the
// statement's line, for logs in and out of time order, equal keys across
// logs, garbage, pieces of over-long lines and waiting hand-over files, and
// again once the logs have grown.
#include "settlement/settlement_cycle.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "common/files/world_layout.h"
#include "support/settlement_reference.h"
#include "support/world.h"

namespace {

// Standard output goes nowhere while it lives: the cycles print blocks.
class QuietConsole {
 public:
  QuietConsole() : saved_(dup(STDOUT_FILENO)) {
    fflush(stdout);
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, STDOUT_FILENO);
    close(null);
  }
  ~QuietConsole() {
    fflush(stdout);
    dup2(saved_, STDOUT_FILENO);
    close(saved_);
  }

 private:
  int saved_;
};

// Lines of a trip log: mostly the terminals' records, keys mostly rising
// and shared across logs, journeys continued, and every other kind of read.
std::string randomLog(std::mt19937& random, int lines) {
  std::string log;
  int key = 12050008 + static_cast<int>(random() % 3);
  for (int i = 0; i < lines; ++i) {
    if (random() % 5 == 0) key += 8;
    if (random() % 17 == 0) key -= 16;
    const std::string id = std::to_string(random() % 10) + std::to_string(random() % 3);
    const std::string fee = std::to_string(random() % 4 == 0 ? 0 : 50 * (random() % 30));
    switch (random() % 12) {
      case 0:
        log += "2014" + std::to_string(key) + ",BUSX,INX,-" + fee + "," + id + ",extra\n";
        break;
      case 1:
        log += std::string(40 + random() % 150, 'x') + "\n";
        break;
      case 2:
        log +=
            "2014" + std::to_string(key) + ",METRO,IN," + fee + "," + std::string(95, '7') + "\n";
        break;
      case 3:
        log += "\n,,\n2014,,,\n";
        break;
      case 4:
        log += "2014 " + std::to_string(key) + ",,MET,OUT,+" + fee + ",a" + id + "\n";
        break;
      default:
        log += "2014" + std::to_string(key) + (random() % 2 ? ",BUS," : ",METRO,") +
               (random() % 2 ? "IN," : "OUT,") + fee + "," + id + "\n";
    }
  }
  if (random() % 3 == 0) log += "2014" + std::to_string(key) + ",BUS,IN,1050,6";
  return log;
}

std::string lastStatementLine(const World& world) {
  const std::string statement = world.get(kStatementName);
  const size_t start = statement.rfind('\n', statement.size() - 2);
  return statement.substr(start + 1);
}

// The statement's line with the clock of the line written.
std::string expectedLine(const ReferenceCycle& reference, long long cycle,
                         const std::string& written) {
  const std::optional<StatementLine> line =
      parseStatementLine(written.substr(0, written.size() - 1));
  return reference.statementLine(cycle, line ? line->clock : "?");
}

}  // namespace

TEST(SettlementCycle, BlocksAndStatementLinesMatchThePlainListOnRandomWorlds) {
  std::mt19937 random(1919);
  const QuietConsole quiet;
  for (int round = 0; round < 120; ++round) {
    World world;
    const SettlementPlaces places{world.root(), world.root() / "Settlement" / "archive"};
    SettlementClock clock;
    SettlementCycle cycle(places, clock);
    ASSERT_TRUE(cycle.resume());
    std::vector<ReferenceFile> files;
    std::vector<std::string> live;
    for (const TripLogPlace& log : collectedTripLogs()) {
      live.push_back(random() % 4 == 0 ? "" : randomLog(random, static_cast<int>(random() % 40)));
      world.put(log.dir + "/" + log.name, live.back());
      files.push_back({live.back(), 0, 0});
    }
    for (const TripLogPlace& log : collectedTripLogs()) {
      for (int number = 1 + static_cast<int>(random() % 3); number <= 3; ++number) {
        const std::string content = randomLog(random, static_cast<int>(random() % 20));
        world.put(log.dir + "/" + handOverName(log.name, std::to_string(number)), content);
        files.push_back({content, 0, 0});
      }
    }
    const ReferenceCycle first = referenceCycle(files);
    EXPECT_EQ(resultBlock(cycle.cycle()), first.blockText()) << round;
    const std::string firstLine = lastStatementLine(world);
    EXPECT_EQ(firstLine, expectedLine(first, 1, firstLine)) << round;

    // The logs grow; the hand-over files are in the archive.
    files.clear();
    for (size_t i = 0; i < live.size(); ++i) {
      const TripLogPlace& log = collectedTripLogs()[i];
      const std::string more =
          random() % 2 ? randomLog(random, static_cast<int>(random() % 10)) : "";
      std::ofstream(world.root() / log.dir / log.name, std::ios::app) << more;
      files.push_back({live[i] + more, 0, completeReadsEnd(live[i])});
    }
    const ReferenceCycle second = referenceCycle(files);
    EXPECT_EQ(resultBlock(cycle.cycle()), second.blockText()) << round;
    const std::string secondLine = lastStatementLine(world);
    EXPECT_EQ(secondLine, expectedLine(second, 2, secondLine)) << round;
  }
}
