// The report's parts: the lag percentiles, the chart axes, the CSV line,
// the command line and the statement read back.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "simulate/options.h"
#include "simulate/percentile.h"
#include "simulate/statement_reading.h"
#include "simulate/svg_chart.h"
#include "simulate/taps_csv.h"
#include "support/world.h"

namespace {

TEST(Percentile, NearestRank) {
  struct Case {
    std::vector<int> values;
    double q;
    int expected;
  };
  std::vector<int> hundred;
  for (int i = 1; i <= 100; ++i) hundred.push_back(101 - i);
  const std::vector<Case> cases = {
      {{}, 0.5, 0},        {{7}, 0.99, 7},      {{3, 1, 2}, 0.5, 2}, {{1, 2, 3, 4}, 0.5, 2},
      {hundred, 0.99, 99}, {hundred, 1.0, 100}, {hundred, 0.5, 50},
  };
  for (Case c : cases) EXPECT_EQ(percentile(c.values, c.q), c.expected);
  std::vector<int> lags = {0, 8, 3, 16};
  const LagSummary s = summarizeLags(lags);
  EXPECT_EQ(s.count, 4);
  EXPECT_EQ(s.p50, 3);
  EXPECT_EQ(s.p99, 16);
  EXPECT_EQ(s.max, 16);
}

TEST(SvgChart, AxesReachTheLargestValueInRoundSteps) {
  struct Case {
    double largest;
    double step;
    int steps;
  };
  const std::vector<Case> cases = {
      {0, 1, 1},
      {1, 0.2, 5},
      {7, 2, 4},
      {10, 2, 5},
      {11, 5, 3},
      {999, 200, 5},
      {23811500, 5000000, 5},
  };
  for (const Case& c : cases) {
    const ValueAxis axis = valueAxis(c.largest);
    EXPECT_DOUBLE_EQ(axis.step, c.step) << c.largest;
    EXPECT_EQ(axis.steps, c.steps) << c.largest;
    EXPECT_GE(axis.top(), c.largest);
  }
  EXPECT_EQ(labelEvery(24, 850, 30), 1);
  EXPECT_EQ(labelEvery(170, 850, 50), 10);
  EXPECT_EQ(axisNumber(23811500), "23,811,500");
  EXPECT_EQ(axisNumber(-1050), "-1,050");
  EXPECT_EQ(axisNumber(0.5), "0.5");
}

TEST(SvgChart, OneSelfContainedSvgWithEveryLabel) {
  Chart chart;
  chart.title = "Fees <per> hour";
  chart.xLabel = "hour";
  chart.yLabel = "fees";
  chart.categories = {"07", "08"};
  chart.series = {{"BUS", "#d9822b", {1050, 0}}, {"METRO", "#2b6cb0", {2100, 600}}};
  for (const ChartKind kind :
       {ChartKind::kGroupedBars, ChartKind::kStackedBars, ChartKind::kLines}) {
    chart.kind = kind;
    const std::string svg = svgChart(chart);
    EXPECT_EQ(svg.rfind("<svg ", 0), 0u);
    EXPECT_NE(svg.find("Fees &lt;per&gt; hour"), std::string::npos);
    for (const char* text : {">BUS<", ">METRO<", ">07<", ">08<", ">hour<", ">fees<"}) {
      EXPECT_NE(svg.find(text), std::string::npos) << text;
    }
    EXPECT_EQ(svg.find("<script"), std::string::npos);
    EXPECT_EQ(svg.find("href"), std::string::npos);
  }
}

TEST(TapsCsv, OneLinePerTapQuotedWhereNeeded) {
  EXPECT_EQ(
      tapsCsvLine({425, 432, "bus", "1000001", "1000001 IN", "FEE : 1050 | VALANCE : 8950", 1050}),
      "07:05,07:12,bus,1000001,1000001 IN,FEE : 1050 | VALANCE : 8950,1050\n");
  EXPECT_EQ(tapsCsvLine({1445, std::nullopt, "metro2", "7", "7 IN, now", "Invalid \"command\"",
                         std::nullopt}),
            "24:05,,metro2,7,\"7 IN, now\",\"Invalid \"\"command\"\"\",\n");
}

TEST(SimulateOptions, CommandLines) {
  struct Case {
    std::vector<std::string_view> words;
    bool ok;
    int riders, from, minutes;
  };
  const std::vector<Case> cases = {
      {{}, true, 1000, 300, 1140},
      {{"--riders", "300", "--from", "07:00", "--hours", "1"}, true, 300, 420, 60},
      {{"--riders=5", "--hours=0.5", "--from=23:59"}, true, 5, 1439, 30},
      {{"--riders", "0"}, false, 0, 0, 0},
      {{"--riders", "12x"}, false, 0, 0, 0},
      {{"--from", "24:00"}, false, 0, 0, 0},
      {{"--from", "7:00"}, false, 0, 0, 0},
      {{"--from", "-1:00"}, false, 0, 0, 0},
      {{"--from", "07:-5"}, false, 0, 0, 0},
      {{"--hours", "0"}, false, 0, 0, 0},
      {{"--chaos", "-1"}, false, 0, 0, 0},
      {{"--seed"}, false, 0, 0, 0},
      {{"--world", ""}, false, 0, 0, 0},
      {{"--demand", ""}, false, 0, 0, 0},
      {{"--fast"}, false, 0, 0, 0},
      {{"extra"}, false, 0, 0, 0},
  };
  for (const Case& c : cases) {
    const auto parsed = parseOptions(c.words);
    const auto* options = std::get_if<SimulationOptions>(&parsed);
    ASSERT_EQ(options != nullptr, c.ok) << (c.words.empty() ? "" : c.words[0]);
    if (!options) continue;
    EXPECT_EQ(options->riders, c.riders);
    EXPECT_EQ(options->fromMinute, c.from);
    EXPECT_EQ(options->minutes, c.minutes);
  }
  EXPECT_TRUE(std::holds_alternative<HelpAsked>(parseOptions({"--riders", "5", "--help"})));
  const auto chaos =
      parseOptions({"--chaos", "2.5", "--seed", "18446744073709551615", "--world", "w"});
  const auto& options = std::get<SimulationOptions>(chaos);
  EXPECT_EQ(options.chaosSeconds, 2.5);
  EXPECT_EQ(options.seed, 18446744073709551615ULL);
  EXPECT_EQ(options.world, "w");
  const auto tables = parseOptions({"--demand", "in.csv", "--write-demand=out.csv"});
  EXPECT_EQ(std::get<SimulationOptions>(tables).demand, "in.csv");
  EXPECT_EQ(std::get<SimulationOptions>(tables).writeDemand, "out.csv");
}

}  // namespace

// The statement read back after the day: its cycles, and a statement that
// is missing or holds a line that is none named as a problem rather than
// read as settling nothing.
TEST(StatementReading, AMissingStatementOrABadLineIsAProblem) {
  const std::string header(kStatementHeader);
  struct Case {
    std::optional<std::string> statement;  // nullopt: no statement.csv
    size_t lines;
    size_t count;
    std::optional<std::string> problem;
  };
  const std::vector<Case> cases = {
      {std::nullopt, 0, 0, "statement.csv is missing"},
      {header, 0, 0, std::nullopt},
      {header + "1,202612070008,1,1050,0,1050,0\n2,202612070016,0,0,0,0,0\n", 2, 2, std::nullopt},
      {header + "1,202612070008,1,1050,0,1050,0\nx\n2,202612070016,0,0,0,0,0\n", 2, 3,
       "statement.csv line 3 is no statement line"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.statement.value_or("(none)"));
    World world;
    if (c.statement) world.put("statement.csv", *c.statement);
    const StatementRead read = readStatement(world.root());
    EXPECT_EQ(read.lines.size(), c.lines);
    EXPECT_EQ(read.problem ? std::optional(read.problem->text()) : std::nullopt, c.problem);
    EXPECT_EQ(statementLineCount(world.root()), c.count);
  }
}
