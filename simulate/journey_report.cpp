#include "simulate/journey_report.h"

#include <cctype>

#include "common/base/text.h"
#include "driving/clock_follower.h"
#include "simulate/report_colors.h"
#include "simulate/svg_chart.h"
#include "terminal/fare_rules.h"

namespace {

Chart rulesChart(const RuleTable& table) {
  Chart chart;
  chart.title = "What each rule gives each operator of what the cards paid";
  chart.xLabel = "rule (none drawn where the day cannot give it)";
  chart.yLabel = "fees";
  ChartSeries bus{"BUS", kBusColor, {}};
  ChartSeries metro{"METRO", kMetroColor, {}};
  for (size_t r = 0; r < kSplitRules; ++r) {
    const std::optional<OperatorAmounts> totals = table.rule(static_cast<SplitRule>(r));
    chart.categories.emplace_back(kSplitRuleNames[r]);
    bus.values.push_back(totals ? static_cast<double>((*totals)[kBusOperator]) : 0);
    metro.values.push_back(totals ? static_cast<double>((*totals)[kMetroOperator]) : 0);
  }
  chart.series = {bus, metro};
  return chart;
}

Chart boardingsChart(const DayJourneys& day) {
  Chart chart;
  chart.title =
      "Boardings per " + std::to_string(kBoardingMinutes) + " simulated minutes, per terminal";
  chart.xLabel = "simulated time (by the entry's stamp)";
  chart.yLabel = "entries";
  chart.kind = ChartKind::kLines;
  size_t first = day.boardings.size();
  for (size_t b = 0; b < day.boardings.size() && first == day.boardings.size(); ++b) {
    for (const long long n : day.boardings[b]) first = n > 0 ? b : first;
  }
  for (size_t b = first; b < day.boardings.size(); ++b) {
    chart.categories.push_back(clockText(static_cast<int>(b) * kBoardingMinutes));
  }
  for (int t = 0; t < kTerminalCount; ++t) {
    ChartSeries series{terminalName(t), kTerminalColors[t], {}};
    for (size_t b = first; b < day.boardings.size(); ++b) {
      series.values.push_back(static_cast<double>(day.boardings[b][static_cast<size_t>(t)]));
    }
    chart.series.push_back(series);
  }
  return chart;
}

Chart waitsChart(const DayJourneys& day) {
  Chart chart;
  chart.title = "Waits between the modes: from leaving one to entering the other";
  chart.xLabel = "minutes waited, up to (the dashed line: a transfer within " +
                 std::to_string(kTransferWindowMinutes) + " minutes)";
  chart.yLabel = "changes of mode";
  chart.kind = ChartKind::kStackedBars;
  ChartSeries wentOn{"went on as a transfer", "#38a169", {}};
  ChartSeries anew{"began a new journey", "#b00020", {}};
  for (size_t bin = 0; bin < kWaitBins; ++bin) {
    chart.categories.push_back(bin + 1 < kWaitBins ? std::to_string((bin + 1) * kWaitBinMinutes)
                                                   : "more");
    wentOn.values.push_back(static_cast<double>(day.waits[bin][kWentOn]));
    anew.values.push_back(static_cast<double>(day.waits[bin][kBeganAnew]));
  }
  chart.series = {wentOn, anew};
  chart.marker = ChartMarker{kTransferWindowMinutes / kWaitBinMinutes - 1,
                             std::to_string(kTransferWindowMinutes) + " minutes"};
  return chart;
}

std::string cell(const std::string& tag, const std::string& text, bool right = false) {
  return "<" + tag + (right ? " style=\"text-align:right\"" : "") + ">" + xmlText(text) + "</" +
         tag + ">";
}

std::string rulesTable(const RuleTable& table) {
  std::string html = "<table>\n<tr>" + cell("th", "rule") + cell("th", "BUS", true) +
                     cell("th", "METRO", true) + cell("th", "how") + "</tr>\n";
  for (size_t r = 0; r < kSplitRules; ++r) {
    const std::optional<OperatorAmounts> totals = table.rule(static_cast<SplitRule>(r));
    html += "<tr>" + cell("th", std::string(kSplitRuleNames[r])) +
            cell("td", totals ? groupedNumber((*totals)[kBusOperator]) : "-", true) +
            cell("td", totals ? groupedNumber((*totals)[kMetroOperator]) : "-", true) +
            cell("td", std::string(kSplitRuleHelp[r])) + "</tr>\n";
  }
  html += "<tr>" + cell("th", "the cards paid") +
          cell("td", groupedNumber(table.paid[kBusOperator]), true) +
          cell("td", groupedNumber(table.paid[kMetroOperator]), true) +
          cell("td", "what every rule splits") + "</tr>\n";
  return html + "</table>\n";
}

std::string homeWorkTable(const DayJourneys& day) {
  std::string html = "<table>\n<tr>" + cell("th", "home \\ work");
  for (int w = 0; w < kTerminalCount; ++w) html += cell("th", terminalName(w), true);
  html += cell("th", "riders", true) + "</tr>\n";
  std::array<long long, kTerminalCount> columns{};
  long long all = 0;
  for (int h = 0; h < kTerminalCount; ++h) {
    html += "<tr>" + cell("th", terminalName(h));
    long long row = 0;
    for (int w = 0; w < kTerminalCount; ++w) {
      const long long riders = day.homeWork[static_cast<size_t>(h)][static_cast<size_t>(w)];
      html += cell("td", groupedNumber(riders), true);
      row += riders;
      columns[static_cast<size_t>(w)] += riders;
    }
    all += row;
    html += cell("td", groupedNumber(row), true) + "</tr>\n";
  }
  html += "<tr>" + cell("th", "riders");
  for (const long long riders : columns) html += cell("td", groupedNumber(riders), true);
  return html + cell("td", groupedNumber(all), true) + "</tr>\n</table>\n";
}

}  // namespace

void readJourneys(const std::filesystem::path& world, const std::vector<RiderPlan>& plans,
                  DayReport& report) {
  report.journeys = readDayJourneys(world, plans, report.firstDay, report.settled);
  if (!report.journeys.check.asPlanned()) {
    report.differences.push_back("the journeys on the cards are not those planned: " +
                                 planCheckText(report.journeys.check));
  }
}

std::string journeySummary(const DayJourneys& day) {
  std::string text = ruleTableText(day.table, "   ");
  if (const std::string distance = settledDistanceText(day.table); !distance.empty()) {
    text += "   " + distance + "\n";
  }
  return text + "   journeys against the plan: " + planCheckText(day.check) + "\n";
}

nlohmann::ordered_json operatorsJson(const std::optional<OperatorAmounts>& amounts) {
  if (!amounts) return nullptr;
  return {{"BUS", (*amounts)[kBusOperator]}, {"METRO", (*amounts)[kMetroOperator]}};
}

nlohmann::ordered_json apportionmentJson(const DayJourneys& day) {
  nlohmann::ordered_json rules = nlohmann::ordered_json::object();
  for (size_t r = 0; r < kSplitRules; ++r) {
    rules[std::string(kSplitRuleNames[r])] =
        operatorsJson(day.table.rule(static_cast<SplitRule>(r)));
  }
  nlohmann::ordered_json kinds = nlohmann::ordered_json::object();
  for (size_t k = 0; k < kJourneyKinds; ++k)
    kinds[std::string(kJourneyKindNames[k])] = day.table.kinds[k];
  return {{"rules", rules},
          {"journeys", kinds},
          {"paid", operatorsJson(day.table.paid)},
          {"as_planned", day.check.asPlanned()}};
}

std::string journeyHtml(const DayJourneys& day) {
  std::string html = "<h2>What each operator earned from the journeys that changed mode</h2>\n";
  html += "<p>" + xmlText(groupedNumber(day.table.journeys)) +
          " journeys read back from the cards by the terminals' own fare rules, " +
          xmlText(groupedNumber(day.table.changedMode())) +
          " of them changing between bus and metro; each rule splits what they paid.</p>\n";
  html += rulesTable(day.table);
  if (std::string distance = settledDistanceText(day.table); !distance.empty()) {
    distance[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(distance[0])));
    html += "<p>" + xmlText(distance) + ".</p>\n";
  }
  html += std::string("<p") + (day.check.asPlanned() ? "" : " class=\"bad\"") +
          ">Against the plan: " + xmlText(planCheckText(day.check)) + ".</p>\n";
  html += svgChart(rulesChart(day.table));
  html += "<h2>Boardings, changes of mode and riders</h2>\n";
  html += svgChart(boardingsChart(day));
  html += svgChart(waitsChart(day));
  html += "<p>The day's riders by home and work place (journeys out and back between them):</p>\n";
  return html + homeWorkTable(day);
}
