// Taps at a real metro terminal: console lines and the exact bytes of the
// card file and the trip log, the journey count rising from tap to tap, and
// refusals that write nothing. The fares themselves are the fare table's
// (tests/terminal/fare_table_test.cpp).
#include <gtest/gtest.h>

#include "tap_session.h"

TEST(MetroTaps, NewJourneysTakeTheStationAndARisingCount) {
  World world;
  const std::string history =
      "201412041700,METRO,IN,11050,35\n"
      "201412041830,METRO,OUT,10000,35\n";
  world.putCard("1234", history);
  const auto answers = pipedMetroTaps(world, 2, "201412050907", {"1234 IN", "1234 IN"});

  EXPECT_EQ(answers[0], metroCharged(1050, 8950));
  // An entry after an entry that was never closed: 1250 and the next count.
  EXPECT_EQ(answers[1], metroCharged(1250, 7700));
  EXPECT_EQ(world.card("1234"),
            history + "201412050907,METRO,IN,8950,21\n201412050907,METRO,IN,7700,22\n");
  EXPECT_EQ(world.get("Metro/Metrofile2.txt"),
            "201412050907,METRO,IN,1050,21\n201412050907,METRO,IN,1250,22\n");
}

TEST(MetroTaps, RefusedAndUncoveredTapsWriteNothing) {
  World world;
  const std::string busExit = "201412050900,BUS,OUT,1049,61\n";
  const std::string poor = "201412040800,METRO,OUT,1049,01\n";
  const std::string farEntry = "201412050800,METRO,IN,5000,91\n";
  const std::string twoClassesAway = "201412050800,METRO,IN,150,01\n";
  world.putCard("busexit", busExit);
  world.putCard("poor", poor);
  world.putCard("far", farEntry);
  world.putCard("twoaway", twoClassesAway);
  const auto answers = pipedMetroTaps(
      world, 2, "201412050920", {"busexit IN", "busexit OUT", "poor IN", "twoaway OUT", "far OUT"});

  // The last, a journey id beginning with 9, seven stations away: no rule
  // covers the exit and nothing is printed.
  EXPECT_EQ(answers, (std::vector<std::string>{"Lack!\n", "Lack!\n", "Lack!\n", "Lack!\n", ""}));

  EXPECT_EQ(world.card("busexit"), busExit);
  EXPECT_EQ(world.card("poor"), poor);
  EXPECT_EQ(world.card("far"), farEntry);
  EXPECT_EQ(world.card("twoaway"), twoClassesAway);
  EXPECT_FALSE(world.exists("Metro/Metrofile2.txt"));
}
