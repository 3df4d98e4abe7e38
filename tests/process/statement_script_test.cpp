// scripts/statement on a world's statement: the cycles that settled
// something with the running totals of the shares, a last line cut short
// left out, every cycle with --all, and the chart it draws.
#include <gtest/gtest.h>

#include "support/program.h"
#include "support/world.h"

TEST(StatementScript, ShowsTheRunningTotalsOfTheSharesAndDrawsThem) {
  World world;
  const std::string statement =
      "cycle,clock,records,bus_fees,metro_fees,bus_share,metro_share\n"
      "1,202612070008,3,1050,1250,1050,1250\n"
      "2,202612070016,0,0,0,0,0\n"
      "3,2026121000024,2,3000000000,650,3000000600,50\n"
      "4,20261";
  world.put("statement.csv", statement);
  const std::string svg = (world.root() / "chart.svg").string();
  struct Case {
    std::vector<std::string> args;
    int status;
    std::vector<std::string> says;
  };
  const std::vector<Case> cases = {
      {{},
       0,
       {"      1  2026-12-07 00:08         3       1050       1250       1050        1250"
        "          1050          1250\n      3  2026-12-100 00:24",
        "3000000600          50    3000001650          1300\n",
        "(1 cycle settled nothing and is not shown; --all shows them)\n",
        "(1 line holding no cycle not shown;",
        "after cycle 3: BUS 3000001650, METRO 1300, together 3000002950: the fees of 5 records"}},
      {{"--all", "--svg", svg},
       0,
       {"      2  2026-12-07 00:16         0          0          0          0           0"
        "          1050          1250\n",
        "chart written to " + svg}},
      {{"--chart"}, 2, {"unknown option \"--chart\""}},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = c.args;
    args.push_back(world.root().string());
    SCOPED_TRACE(args.front());
    Program script(scriptPath("statement"), args, ".");
    EXPECT_EQ(script.waitExit(10s), c.status);
    ASSERT_TRUE(script.waitOutputEnd(10s));
    for (const std::string& text : c.says) {
      EXPECT_NE(script.output().find(text), std::string::npos) << text << "\n" << script.output();
    }
  }
  const std::string chart = world.get("chart.svg");
  EXPECT_TRUE(chart.starts_with("<svg xmlns=\"http://www.w3.org/2000/svg\"")) << chart;
  EXPECT_TRUE(chart.ends_with("</svg>\n"));
  EXPECT_NE(chart.find("BUS 3000001650, METRO 1300"), std::string::npos);
  EXPECT_EQ(world.get("statement.csv"), statement);  // read only

  Program none(scriptPath("statement"), {(world.root() / "Bus").string()}, ".");
  EXPECT_EQ(none.waitExit(10s), 2);  // no world
}
