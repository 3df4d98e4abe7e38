// Taps at a real bus terminal: the display comes before the writers, and a
// tap's record never takes the time of the tap before. The fares themselves
// are the fare table's (tests/terminal/fare_table_test.cpp).
#include <gtest/gtest.h>

#include "tap_session.h"

TEST(BusTaps, NewJourneyShowsFeeAndBalanceBeforeWriting) {
  World world;
  const std::string history = "201412050710,METRO,OUT,8950,35\n";
  world.putCard("1234", history);
  EXPECT_EQ(pipedBusTaps(world, "201412050940", {"1234 IN"}),
            std::vector<std::string>{busCharged(1050, 7900)});
  EXPECT_EQ(world.card("1234"), history + "201412050940,BUS,IN,7900,61\n");
  EXPECT_EQ(world.get("Bus/busfile.txt"), "201412050940,BUS,IN,1050,61\n");
}

TEST(BusTaps, ZeroTimeRecordNeverKeepsTheTimeOfTheTapBefore) {
  World world;
  world.putCard("recent", "201412050850,METRO,OUT,5000,05\n");
  world.putCard("new", "000000000000,METRO,OUT,5000,05\n");
  const auto answers = pipedBusTaps(world, "201412050900", {"recent IN", "new IN"});

  EXPECT_EQ(answers[0], busCharged(0, 5000));
  // Stamped 00:00, seen at 09:00: 540 minutes, no transfer.
  EXPECT_EQ(answers[1], busCharged(1050, 3950));
}
