// One journey across the terminals: a bus ride, then a metro ride entered
// within 120 minutes as a transfer and left at station 3.
#include <gtest/gtest.h>

#include "tap_session.h"

// Card 1234 with one metro exit, and the terminals of the journey: the bus,
// the metro entry at station 0 and the exit at station 3.
class TapJourney : public ::testing::Test {
 protected:
  TapJourney() {
    world.putCard("1234", card);
    bus = TapSession::bus(world, "201412050900");
    entry = TapSession::metro(world, 0, "201412050900");
    exit = TapSession::metro(world, 3, "201412050900");
  }

  World world;
  std::string card = "201412040500,METRO,OUT,10000,05\n";
  std::unique_ptr<TapSession> bus, entry, exit;
};

TEST_F(TapJourney, BusThenMetroTransferExitTwoClassesAwayCosts600) {
  EXPECT_EQ(bus->tap("1234 IN"), busCharged(1050, 8950));
  card += "201412050900,BUS,IN,8950,61\n";
  EXPECT_EQ(world.card("1234"), card);

  bus->setClock("201412050940");
  EXPECT_EQ(bus->tap("1234 OUT"), busCharged(0, 8950));
  card += "201412050940,BUS,OUT,8950,62\n";
  EXPECT_EQ(world.card("1234"), card);

  entry->setClock("201412051005");
  EXPECT_EQ(entry->tap("1234 IN"), metroCharged(0, 8950));
  card += "201412051005,METRO,IN,8950,62\n";
  EXPECT_EQ(world.card("1234"), card);

  exit->setClock("201412051040");
  EXPECT_EQ(exit->tap("1234 OUT"), metroCharged(600, 8350));
  card += "201412051040,METRO,OUT,8350,31\n";
  EXPECT_EQ(world.card("1234"), card);

  EXPECT_EQ(world.get("Bus/busfile.txt"),
            "201412050900,BUS,IN,1050,61\n201412050940,BUS,OUT,0,62\n");
  EXPECT_EQ(world.get("Metro/Metrofile0.txt"), "201412051005,METRO,IN,0,62\n");
  EXPECT_EQ(world.get("Metro/Metrofile3.txt"), "201412051040,METRO,OUT,600,31\n");
}

// The same journey with a top-up (the card tool's, under the card's lock)
// between the bus exit and the metro entry: the entry is still free and the
// exit still the transfer exit, charged from the topped-up balance.
TEST_F(TapJourney, TopUpBetweenBusAndMetroKeepsTheTransfer) {
  EXPECT_EQ(bus->tap("1234 IN"), busCharged(1050, 8950));
  bus->setClock("201412050940");
  EXPECT_EQ(bus->tap("1234 OUT"), busCharged(0, 8950));

  Program topUp(programPath("card"), {"top-up", "1234", "5000", world.root().string()},
                world.root().string());
  EXPECT_EQ(topUp.waitExit(20s), 0) << topUp.output();
  card +=
      "201412050900,BUS,IN,8950,61\n201412050940,BUS,OUT,8950,62\n"
      "201412050940,TOPUP,IN,13950,62\n";
  EXPECT_EQ(world.card("1234"), card);

  entry->setClock("201412051005");
  EXPECT_EQ(entry->tap("1234 IN"), metroCharged(0, 13950));
  exit->setClock("201412051040");
  EXPECT_EQ(exit->tap("1234 OUT"), metroCharged(600, 13350));
  card += "201412051005,METRO,IN,13950,62\n201412051040,METRO,OUT,13350,31\n";
  EXPECT_EQ(world.card("1234"), card);
}
