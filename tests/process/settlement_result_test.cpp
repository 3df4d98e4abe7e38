// The settlement program's result: the collected logs of every cycle, the
// BUS/METRO split and the printed block.
#include <gtest/gtest.h>

#include "settlement_support.h"

TEST(SettlementResult, WorkedExampleFromSeveralLogsIsSettledEveryCycle) {
  World world;
  // Records of the worked example spread over three logs, with lines that
  // hold no record and an unfinished last line that must not be counted.
  const std::string bus =
      "201412050024,BUS,IN,0,32\n201412050032,BUS,OUT,0,61\n201412050040,BUS,IN,1050,62\n"
      "201412050048,BUS,OUT,0,62\n201412050050,BUS,IN,999,63";
  world.put("Bus/busfile.txt", bus);
  world.put("Metro/Metrofile1.txt",
            "201412050008,METRO,IN,1050,11\n201412050016,METRO,OUT,200,32\n");
  world.put("Metro/Metrofile2.txt", "\n2014\n201412050012,METRO,IN,700\n");
  world.put("Metro/Metrofile4.txt", "201412050056,METRO,IN,0,62\n");
  auto settlement = startSettlement(world);
  // Two cycles in a row settle the same logs alike.
  const std::string twice = resultBlock(1050, 1250) + resultBlock(1050, 1250);
  ASSERT_TRUE(settlement->waitFor(twice, 10s)) << settlement->output();
  EXPECT_EQ(settlement->output().find(resultBlock(1050, 1250)), 0u);  // nothing before it
  EXPECT_EQ(world.get("Bus/busfile.txt"), bus);                       // logs are only read
}

// A world without logs settles zero; logs that appear later are picked up,
// and totals beyond 32 bits are printed whole.
TEST(SettlementResult, NoLogsGiveZeroAndLaterLogsArePickedUpWithTotalsBeyond32Bits) {
  World world;
  auto settlement = startSettlement(world);
  const auto empty = settlement->waitFor(resultBlock(0, 0), 10s);
  ASSERT_TRUE(empty) << settlement->output();
  world.put("Bus/busfile.txt",
            "201412050008,BUS,IN,2000000000,61\n201412050016,BUS,IN,"
            "2000000000,62\n201412050024,BUS,IN,2000000000,63\n");
  world.put("Metro/Metrofile0.txt", "201412050008,METRO,IN,1250,01\n");
  EXPECT_TRUE(settlement->waitFor(resultBlock(6000000000LL, 1250), 10s, *empty))
      << settlement->output();
}
