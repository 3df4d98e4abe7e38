// scripts/journeys on a world typed by hand: its journeys by kind and each
// rule's split beside the statement, a line per journey with --csv, and
// no numbers while a program of the world runs.
#include <gtest/gtest.h>

#include "support/program.h"
#include "support/world.h"

TEST(JourneysScript, SplitsAQuietWorldsJourneysAndRefusesOneThatRuns) {
  World world;
  world.putCard("1234",
                "000000000000,NEW,OUT,10000,00\n201412050700,BUS,IN,8950,61\n"
                "201412050720,BUS,OUT,8950,62\n201412050730,METRO,IN,8950,62\n"
                "201412050750,METRO,OUT,8350,31\n");
  world.putCard("5678",
                "000000000000,NEW,OUT,3000,00\n201412050800,METRO,IN,1950,21\n"
                "201412050810,METRO,OUT,1950,21\n");
  world.put("statement.csv",
            "cycle,clock,records,bus_fees,metro_fees,bus_share,metro_share\n"
            "1,202612050808,6,1050,1650,1050,1650\n");
  struct Case {
    std::vector<std::string> args;
    std::vector<std::string> says;
  };
  const std::vector<Case> cases = {
      {{},
       {"metro_only 1, bus_only 0, bus_then_metro 1, metro_then_bus 0, more_changes 0; they "
        "paid BUS 1,050, METRO 1,650",
        "as_settled               1,050         1,650  the statement's shares",
        "as_charged               1,050         1,650",
        "weighted_journey           770         1,930",
        "minutes_ridden             825         1,875",
        "standalone_fare              -             -  unknown: 1 journey rides the metro",
        "the settled split lies 280 (10.37% of what the cards paid)"}},
      {{"--csv"},
       {"1234,1,bus_then_metro,4,1650,1050,600,770,880,825,825,,,BUS IN 2014-12-05 07:00 1050 "
        "bus; BUS OUT 2014-12-05 07:20 0 bus; METRO IN 2014-12-05 07:30 0 metro?; METRO OUT "
        "2014-12-05 07:50 600 metro?\n",
        "5678,1,metro_only,2,1050,0,1050,0,1050,0,1050,0,1050,"}},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = c.args;
    args.push_back(world.root().string());
    Program script(scriptPath("journeys"), args, ".");
    EXPECT_EQ(script.waitExit(10s), 0);
    ASSERT_TRUE(script.waitOutputEnd(10s));
    for (const std::string& text : c.says) {
      EXPECT_NE(script.output().find(text), std::string::npos) << text << "\n" << script.output();
    }
  }

  Program bus(programPath("bus_terminal"), {}, world.dir("Bus"));
  ASSERT_TRUE(bus.waitFor("COMMAND LINE_:", 10s));
  Program running(scriptPath("journeys"), {world.root().string()}, ".");
  EXPECT_EQ(running.waitExit(10s), 1);
  ASSERT_TRUE(running.waitOutputEnd(10s));
  EXPECT_NE(running.output().find("is not quiet (bus_terminal (process"), std::string::npos)
      << running.output();
  EXPECT_EQ(running.output().find("as_charged"), std::string::npos);
  bus.closeInput();
  EXPECT_TRUE(bus.waitExit(10s));
}
