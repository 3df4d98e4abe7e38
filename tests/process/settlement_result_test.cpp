// The settlement program's result: the logs it finds collected every cycle
// (live logs, hand-over files waiting from before its start, logs that
// appear later), the BUS/METRO split and the printed block, and SIGINT
// ending it after a whole block.
#include <gtest/gtest.h>
#include <signal.h>

#include <functional>
#include <utility>

#include "settlement_support.h"

namespace {

using Files = std::vector<std::pair<std::string, std::string>>;

}  // namespace

TEST(SettlementResult, EveryCycleSettlesTheLogsItFindsAndSigintEndsAfterAWholeBlock) {
  struct Row {
    const char* what;
    Files files;        // in the world before the settlement starts
    std::string first;  // the blocks it prints first, nothing before them
    Files later;        // put in place once `first` is printed
    std::string next;   // a block printed after that
    std::function<void(const World&)> check = [](const World&) {};
  };
  // Records of the worked example spread over three logs, with lines that
  // hold no record and an unfinished last line that must not be counted.
  const std::string bus =
      "201412050024,BUS,IN,0,32\n201412050032,BUS,OUT,0,61\n201412050040,BUS,IN,1050,62\n"
      "201412050048,BUS,OUT,0,62\n201412050050,BUS,IN,999,63";
  const std::vector<Row> rows = {
      // Two cycles in a row settle the same logs alike, and only read them.
      {"the worked example",
       {{"Bus/busfile.txt", bus},
        {"Metro/Metrofile1.txt", "201412050008,METRO,IN,1050,11\n201412050016,METRO,OUT,200,32\n"},
        {"Metro/Metrofile2.txt", "\n2014\n201412050012,METRO,IN,700\n"},
        {"Metro/Metrofile4.txt", "201412050056,METRO,IN,0,62\n"}},
       resultBlock(1050, 1250) + resultBlock(1050, 1250),
       {},
       "",
       [bus](const World& w) { EXPECT_EQ(w.get("Bus/busfile.txt"), bus); }},
      // Logs that appear later are picked up; totals beyond 32 bits are
      // printed whole.
      {"no logs, then logs",
       {},
       resultBlock(0, 0),
       {{"Bus/busfile.txt",
         "201412050008,BUS,IN,2000000000,61\n201412050016,BUS,IN,2000000000,62\n"
         "201412050024,BUS,IN,2000000000,63\n"},
        {"Metro/Metrofile0.txt", "201412050008,METRO,IN,1250,01\n"}},
       resultBlock(6000000000LL, 1250)},
      // The first block covers the live log and every waiting hand-over
      // file, the next one the live log alone; the waiting files are
      // archived.
      {"hand-over files waiting at the start",
       {{"Bus/busfile.txt.1", "201412050008,BUS,IN,1050,61\n"},
        {"Bus/busfile.txt.2", "201412050016,BUS,OUT,0,62\n"},
        {"Metro/Metrofile0.txt.7", "201412050024,METRO,IN,1250,01\n"},
        {"Metro/Metrofile2.txt", "201412050032,METRO,IN,1050,21\n"}},
       resultBlock(1050, 2300) + resultBlock(0, 1050),
       {},
       "",
       [](const World& w) {
         for (const char* name : {"busfile.txt.1", "busfile.txt.2", "Metrofile0.txt.7"}) {
           EXPECT_TRUE(w.exists(std::string("Settlement/archive/") + name)) << name;
         }
         EXPECT_FALSE(w.exists("Bus/busfile.txt.1"));
         EXPECT_FALSE(w.exists("Metro/Metrofile0.txt.7"));
         EXPECT_EQ(w.get("Metro/Metrofile2.txt"), "201412050032,METRO,IN,1050,21\n");
       }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    World world;
    for (const auto& [path, content] : row.files) world.put(path, content);
    auto settlement = startSettlement(world);
    const auto first = settlement->waitFor(row.first, 10s);
    ASSERT_TRUE(first) << settlement->output();
    EXPECT_EQ(settlement->output().find(row.first), 0u) << settlement->output();
    if (!row.later.empty()) {
      for (const auto& [path, content] : row.later) world.put(path, content);
      EXPECT_TRUE(settlement->waitFor(row.next, 10s, *first)) << settlement->output();
    }
    settlement->sendSignal(SIGINT);
    EXPECT_EQ(settlement->waitExit(10s), 0);
    ASSERT_TRUE(settlement->waitOutputEnd(10s));
    // Nothing but whole blocks, the last one too.
    std::string blocks;
    for (const PrintedResult& r : printedResults(settlement->output())) {
      blocks += resultBlock(r.bus, r.metro);
    }
    EXPECT_EQ(settlement->output(), blocks);
    row.check(world);
  }
}
