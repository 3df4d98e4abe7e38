#include "terminal/trip_log_hand_over.h"

#include <gtest/gtest.h>

#include "support/world.h"

TEST(TripLogClearing, PeriodAndNextSequence) {
  EXPECT_EQ(tripLogHandOverMs(nullptr), 185000);
  EXPECT_EQ(tripLogHandOverMs("300"), 300);
  for (const char* ignored : {"", "0", "-5", "3s", " 300", "9999999999"}) {
    EXPECT_EQ(tripLogHandOverMs(ignored), 185000) << ignored;
  }
  EXPECT_EQ(nextHandOverSequence({}, "busfile.txt"), "1");
  // Only "<log>.<n>", n from 1 without leading zeros, is a hand-over file;
  // n is compared as a number of any length.
  EXPECT_EQ(nextHandOverSequence({"busfile.txt", "busfile.txt.2", "busfile.txt.10", "busfile.txt.x",
                                  "busfile.txt.", "busfile.txt.099", "busfile.txt.12x",
                                  "Metrofile0.txt.50", "busfile.txt.lock", "busfile.txt.intent"},
                                 "busfile.txt"),
            "11");
  EXPECT_EQ(nextHandOverSequence({"Metrofile12.txt.40", "Metrofile1.txt.3"}, "Metrofile1.txt"),
            "4");
  EXPECT_EQ(
      nextHandOverSequence({"busfile.txt.999999999999999999", "busfile.txt.98"}, "busfile.txt"),
      "1000000000000000000");
  EXPECT_EQ(nextHandOverSequence({"busfile.txt.123456789012345678901234567890", "busfile.txt.9"},
                                 "busfile.txt"),
            "123456789012345678901234567891");
}

TEST(TripLogClearing, LogIsRenamedToTheNextFreeHandOverNameAndNothingIsLost) {
  World world;
  const auto log = world.root() / "Bus" / "busfile.txt";
  EXPECT_TRUE(handOverTripLog(log));  // no log yet: nothing to do
  world.put("Bus/busfile.txt", "");
  EXPECT_TRUE(handOverTripLog(log));  // empty: stays
  EXPECT_TRUE(world.exists("Bus/busfile.txt"));

  world.put("Bus/busfile.txt", "201412050008,BUS,IN,1050,61\n");
  world.put("Bus/busfile.txt.3", "older\n");
  EXPECT_TRUE(handOverTripLog(log));
  EXPECT_FALSE(world.exists("Bus/busfile.txt"));
  EXPECT_EQ(world.get("Bus/busfile.txt.4"), "201412050008,BUS,IN,1050,61\n");
  EXPECT_EQ(world.get("Bus/busfile.txt.3"), "older\n");
}
