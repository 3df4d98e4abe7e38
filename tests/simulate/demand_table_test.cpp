// The demand table: what --write-demand writes reads back as the same
// model and plans the same riders; a table that is not one is refused in
// one line naming its line and column.
#include "simulate/demand_table.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr const char* kRow =
    "bus,metro2,0.049,0.75,08:00,50,05:00,11:00,17:30,70,06:00,20:00,120,360";

TEST(DemandTable, WhatIsWrittenReadsBackAsTheSameModelAndPlan) {
  DemandModel edited = builtInDemand();
  edited.pairs[0].share = 0.1 + 0.2;  // no short decimal holds it
  edited.pairs[1].outPeak = 7 * 60 + 5;
  edited.pairs[2].commuters = 1.0 / 3;
  edited.pairs.pop_back();
  DemandOptions day;
  day.riders = 300;
  for (const DemandModel& model : {builtInDemand(), edited}) {
    const Result<DemandModel> read = readDemandTable(demandTableText(model), "demand.csv");
    ASSERT_TRUE(read) << read.problem()->text();
    EXPECT_EQ(*read, model);
    EXPECT_EQ(planDay(day, *read), planDay(day, model));
  }
  EXPECT_NE(planDay(day, edited), planDay(day));
  // Rows in any order, with Windows line ends, blank and "#" lines.
  const Result<DemandModel> one = readDemandTable(
      "# one pair\r\n" + std::string(kDemandHeader) + "\r\n\r\n" + kRow + "\r\n", "d.csv");
  ASSERT_TRUE(one) << one.problem()->text();
  ASSERT_EQ(one->pairs.size(), 1u);
  for (const RiderPlan& plan : planDay(day, *one)) {
    EXPECT_EQ(plan.home, kBusTerminal);
    EXPECT_EQ(plan.work, 2);
  }
}

TEST(DemandTable, ATableThatIsNotOneIsOneLineNamingItsLineAndColumn) {
  const std::string header = std::string(kDemandHeader) + "\n";
  auto row = [](std::string from, std::string to) {
    std::string line = kRow;
    line.replace(line.find(from), from.size(), to);
    return line + "\n";
  };
  struct Case {
    std::string text;
    const char* problem;
  };
  const std::vector<Case> cases = {
      {"", "d.csv holds no header line home,work,"},
      {"home,work,shares\n", "d.csv line 1, column 3: the header names the columns home,"},
      {header + row("bus", "tram"),
       "d.csv line 2, column home: takes bus or metro0 to metro4, not \"tram\""},
      {header + row("0.049", "-1"), "d.csv line 2, column share: takes a share of 0 or more"},
      {header + row("0.75", "1.5"), "d.csv line 2, column commuters: takes a share from 0 to 1"},
      {header + row("08:00", "8:00"), "d.csv line 2, column out_peak: takes a time of day"},
      {header + row("50", "5O"), "d.csv line 2, column out_spread: takes whole minutes"},
      {header + row("11:00", "04:00"),
       "d.csv line 2, column out_latest: comes before out_earliest"},
      {header + row(",360", ""), "d.csv line 2, column 14: a line has 14 columns, this one 13"},
      {header + row("bus", "metro2"), "d.csv line 2, column work: home and work at metro2 is no"},
      {header + kRow + "\n# again\n" + kRow + "\n",
       "d.csv line 4, column work: bus to metro2 is on line 2 already"},
      {header + row("0.049", "0"), "d.csv, column share: no line has a share above 0"},
  };
  for (const Case& c : cases) {
    const Result<DemandModel> read = readDemandTable(c.text, "d.csv");
    ASSERT_FALSE(read) << c.problem;
    const std::string& text = read.problem()->text();
    EXPECT_TRUE(text.starts_with(c.problem)) << text;
    EXPECT_EQ(text.find('\n'), std::string::npos) << text;
  }
}

}  // namespace
