// Taps at a real bus terminal: the display comes before the writers, and
// its unguarded charges can leave a balance below zero.
#include <gtest/gtest.h>

#include "tap_session.h"

TEST(BusTaps, NewJourneyShowsFeeAndBalanceBeforeWriting) {
  World world;
  const std::string history = "201412050710,METRO,OUT,8950,35\n";
  world.putCard("1234", history);
  auto bus = TapSession::bus(world, "201412050940");

  EXPECT_EQ(bus->tap("1234 IN"), busCharged(1050, 7900));
  EXPECT_EQ(world.card("1234"), history + "201412050940,BUS,IN,7900,61\n");
  EXPECT_EQ(world.get("Bus/busfile.txt"), "201412050940,BUS,IN,1050,61\n");
}

TEST(BusTaps, UnguardedChargesGoBelowZero) {
  World world;
  world.putCard("open", "201412050700,METRO,IN,700,05\n");
  world.putCard("late", "201412050500,METRO,OUT,500,05\n");
  auto bus = TapSession::bus(world, "201412050940");

  EXPECT_EQ(bus->tap("open IN"), busCharged(1750, -1050));
  EXPECT_EQ(bus->tap("late IN"), busCharged(1050, -550));
  EXPECT_EQ(world.card("open"), "201412050700,METRO,IN,700,05\n201412050940,BUS,IN,-1050,61\n");
  EXPECT_EQ(world.card("late"), "201412050500,METRO,OUT,500,05\n201412050940,BUS,IN,-550,62\n");
}

TEST(BusTaps, TransferExitIsChargedByTheTimeSinceTheMetroEntry) {
  World world;
  world.putCard("1234", "201412050500,METRO,IN,5000,05\n");
  auto bus = TapSession::bus(world, "201412050859");
  EXPECT_EQ(bus->tap("1234 OUT"), busCharged(0, 5000));  // 239 minutes
  world.putCard("1234", "201412050500,METRO,IN,5000,05\n");
  bus->setClock("201412050900");
  EXPECT_EQ(bus->tap("1234 OUT"), busCharged(100, 4900));  // 240 minutes
  EXPECT_EQ(world.card("1234"), "201412050500,METRO,IN,5000,05\n201412050900,BUS,OUT,4900,61\n");
}

TEST(BusTaps, ZeroTimeRecordNeverKeepsTheTimeOfTheTapBefore) {
  World world;
  world.putCard("recent", "201412050850,METRO,OUT,5000,05\n");
  world.putCard("new", "000000000000,METRO,OUT,5000,05\n");
  auto bus = TapSession::bus(world, "201412050900");

  EXPECT_EQ(bus->tap("recent IN"), busCharged(0, 5000));
  // Stamped 00:00, seen at 09:00: 540 minutes, no transfer.
  EXPECT_EQ(bus->tap("new IN"), busCharged(1050, 3950));
}
