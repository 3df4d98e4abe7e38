#include "simulate/report_text.h"

#include <cstdio>

#include "common/files/world_layout.h"
#include "common/formats/statement_table.h"
#include "driving/clock_follower.h"
#include "simulate/journey_report.h"
#include "simulate/report_colors.h"
#include "simulate/svg_chart.h"

namespace {

std::string n(long long value) {
  return axisNumber(static_cast<double>(value));
}

std::string hoursText(int minutes) {
  char text[32];
  if (minutes % 60 == 0) {
    snprintf(text, sizeof text, "%d hour%s", minutes / 60, minutes == 60 ? "" : "s");
  } else {
    snprintf(text, sizeof text, "%.2f hours", minutes / 60.0);
  }
  return text;
}

std::string lagText(const LagSummary& lag) {
  return "p50 " + std::to_string(lag.p50) + ", p99 " + std::to_string(lag.p99) + ", max " +
         std::to_string(lag.max);
}

std::string operatorsText(const OperatorAmounts& a) {
  return "BUS " + n(a[kBusOperator]) + ", METRO " + n(a[kMetroOperator]);
}

std::string movedText(const DayReport& r) {
  const long long moved = movedToBus(r);
  if (moved == 0) return "the settlement moved no transfer revenue between the operators";
  return "the settlement moved " + n(moved > 0 ? moved : -moved) + " of transfer revenue from " +
         (moved > 0 ? "METRO to BUS" : "BUS to METRO");
}

std::string refusedText(const DayReport& r) {
  std::string text;
  for (const auto& [message, count] : r.refused) {
    text += (text.empty() ? "" : ", ") + message + " " + n(count);
  }
  return text.empty() ? "none" : text;
}

std::string cpuShare(const DayReport& r) {
  const double all = r.driver.cpuSeconds() + r.children.cpuSeconds();
  char text[160];
  snprintf(text, sizeof text, "%.1f s CPU (%.0f%% of the CPU the world took), peak memory %.1f MiB",
           r.driver.cpuSeconds(), all > 0 ? 100 * r.driver.cpuSeconds() / all : 0.0,
           r.driver.peakKib / 1024.0);
  return text;
}

std::string realText(const DayReport& r) {
  char text[200];
  snprintf(text, sizeof text,
           "%.1f real seconds (%.1f from the first tap to the last answer); %.0f taps per second "
           "sustained, %lld in the busiest second",
           r.realSeconds, r.playSeconds, r.tapsPerSecond, r.peakTapsPerSecond);
  return text;
}

}  // namespace

std::string cutShortText(const DayReport& r) {
  return "cut short by " + signalName(r.cutShortBy) + ": " + n(r.tapsAnswered) + " of " +
         n(r.tapsPlanned) + " planned taps answered, every program of the world stopped";
}

std::string summaryText(const DayReport& r, const std::string& reportDir) {
  std::string s;
  s += "== " + n(r.riders) + " riders from " + clockText(r.fromMinute) + " for " +
       hoursText(r.minutes) + ", seed " + std::to_string(r.seed) +
       (r.chaosSeconds ? ", a kill about every " + axisNumber(*r.chaosSeconds) + " s" : "") + "\n";
  s += "   taps: " + n(r.tapsPlanned) + " planned, " + n(r.tapsAnswered) + " answered, " +
       n(r.tapsCharged) + " charged; " + n(r.mistyped) + " mistyped first; " + n(r.topUps) +
       " top-ups of " + n(kTopUpAmount) + "\n";
  s += "   refused: " + refusedText(r) + "\n";
  s += "   the cards paid " + operatorsText(r.feesCharged) + ", together " +
       n(r.feesCharged[0] + r.feesCharged[1]) + "\n";
  s += "   the statement settled " + operatorsText(r.settled) + " over " +
       n(static_cast<long long>(r.statement.size())) +
       " cycles (fees by where they were charged: " + operatorsText(r.statementFees) + ")\n";
  s += "   " + n(r.transferJourneys) + " journeys changed between bus and metro; " + movedText(r) +
       "\n";
  s += journeySummary(r.journeys);
  s += "   tap lag in simulated minutes (stamp against plan): " + lagText(r.lag) +
       "; morning peak " + clockText(kMorningPeakFrom) + "-" + clockText(kMorningPeakTo) + ": " +
       lagText(r.morningLag) + "\n";
  s += "   " + realText(r) + "\n";
  s += "   driver: " + cpuShare(r) + "\n";
  if (r.chaosSeconds) {
    s += "   kills: " + n(r.kills) + "; taps re-sent after a kill: " + n(r.resentAfterKill) +
         ", found on their card: " + n(r.answeredByCard) + "\n";
  }
  s += "   audit: " +
       std::string(r.auditRun && r.auditDifferences.empty() ? "reconciled" : "differences") + "\n";
  if (r.cutShortBy != 0) s += "== " + cutShortText(r) + "\n";
  if (r.differences.empty()) {
    s += "== reconciled: every planned tap was answered, the audit reconciles and the statement "
         "equals what the cards paid\n";
  } else {
    s += "== NOT reconciled:\n";
    for (const std::string& d : r.differences) s += "   " + d + "\n";
  }
  s += "   report: " + reportDir + "/report.json, taps.csv, report.html\n";
  s += "   world kept in " + r.world + "\n";
  return s;
}

namespace {

// "07"; an hour of a later day says how many days later: "01+1".
std::string hourLabel(size_t hour) {
  char text[48];
  if (hour < 24) {
    snprintf(text, sizeof text, "%02zu", hour);
  } else {
    snprintf(text, sizeof text, "%02zu+%zu", hour % 24, hour / 24);
  }
  return text;
}

// The hours that saw taps, from the first to the last.
std::pair<size_t, size_t> hourRange(const DayReport& r) {
  size_t first = r.tapsPerHour.size();
  size_t last = 0;
  for (size_t h = 0; h < r.tapsPerHour.size(); ++h) {
    long long sum = 0;
    for (const long long c : r.tapsPerHour[h]) sum += c;
    if (sum > 0) {
      first = std::min(first, h);
      last = h;
    }
  }
  if (first >= r.tapsPerHour.size()) return {0, 0};
  return {first, last + 1};
}

Chart tapsChart(const DayReport& r) {
  Chart chart;
  chart.title = "Taps per simulated hour, per terminal";
  chart.xLabel = "simulated hour (by the tap's stamp)";
  chart.yLabel = "taps";
  chart.kind = ChartKind::kStackedBars;
  const auto [first, end] = hourRange(r);
  for (size_t h = first; h < end; ++h) chart.categories.push_back(hourLabel(h));
  for (int t = 0; t < kTerminalCount; ++t) {
    ChartSeries series{terminalName(t), kTerminalColors[t], {}};
    for (size_t h = first; h < end; ++h)
      series.values.push_back(static_cast<double>(r.tapsPerHour[h][static_cast<size_t>(t)]));
    chart.series.push_back(series);
  }
  return chart;
}

Chart feesChart(const DayReport& r) {
  Chart chart;
  chart.title = "Fees charged per simulated hour, per operator";
  chart.xLabel = "simulated hour (by the tap's stamp)";
  chart.yLabel = "fees charged";
  const auto [first, end] = hourRange(r);
  ChartSeries bus{"BUS", kBusColor, {}};
  ChartSeries metro{"METRO", kMetroColor, {}};
  for (size_t h = first; h < end; ++h) {
    chart.categories.push_back(hourLabel(h));
    bus.values.push_back(static_cast<double>(r.feesPerHour[h][kBusOperator]));
    metro.values.push_back(static_cast<double>(r.feesPerHour[h][kMetroOperator]));
  }
  chart.series = {bus, metro};
  return chart;
}

Chart spreadChart(const DayReport& r) {
  Chart chart;
  chart.title = "Spread of fees: taps charged each amount";
  chart.xLabel = "fee";
  chart.yLabel = "taps";
  ChartSeries bus{"BUS", kBusColor, {}};
  ChartSeries metro{"METRO", kMetroColor, {}};
  for (const auto& [fee, taps] : r.feeSpread) {
    chart.categories.push_back(axisNumber(static_cast<double>(fee)));
    bus.values.push_back(static_cast<double>(taps[kBusOperator]));
    metro.values.push_back(static_cast<double>(taps[kMetroOperator]));
  }
  chart.series = {bus, metro};
  return chart;
}

std::string row(const std::string& name, const std::string& value) {
  return "<tr><th>" + xmlText(name) + "</th><td>" + xmlText(value) + "</td></tr>\n";
}

}  // namespace

std::string reportHtml(const DayReport& r) {
  std::string html =
      "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
      "<title>A simulated day: " +
      n(r.riders) +
      " riders</title>\n"
      "<style>body{font-family:sans-serif;margin:24px;max-width:1000px;color:#222}"
      "table{border-collapse:collapse;margin-bottom:24px}th,td{text-align:left;padding:3px 12px;"
      "border-bottom:1px solid #e2e2e2;vertical-align:top}th{font-weight:600;white-space:nowrap}"
      "svg{display:block;margin:18px 0;border:1px solid #e2e2e2}"
      ".bad{color:#b00020}</style>\n</head>\n<body>\n";
  html += "<h1>A simulated day: " + n(r.riders) + " riders from " + clockText(r.fromMinute) +
          " for " + hoursText(r.minutes) + "</h1>\n";
  if (r.cutShortBy != 0) html += "<p class=\"bad\">" + xmlText(cutShortText(r)) + "</p>\n";
  if (r.differences.empty()) {
    html +=
        "<p>Reconciled: every planned tap was answered, the audit reconciles and the statement "
        "equals what the cards paid.</p>\n";
  } else {
    html += "<p class=\"bad\">Not reconciled:</p>\n<ul class=\"bad\">\n";
    for (const std::string& d : r.differences) html += "<li>" + xmlText(d) + "</li>\n";
    html += "</ul>\n";
  }
  html += "<table>\n";
  html += row("seed", std::to_string(r.seed));
  html += row("taps", n(r.tapsPlanned) + " planned, " + n(r.tapsAnswered) + " answered, " +
                          n(r.tapsCharged) + " charged");
  html += row("refused", refusedText(r));
  html += row("top-ups", n(r.topUps) + " of " + n(kTopUpAmount));
  html += row("the cards paid", operatorsText(r.feesCharged));
  html +=
      row("the statement settled", operatorsText(r.settled) + " over " +
                                       n(static_cast<long long>(r.statement.size())) + " cycles");
  html += row("transfers",
              n(r.transferJourneys) + " journeys changed between bus and metro; " + movedText(r));
  html += row("tap lag (simulated minutes)",
              lagText(r.lag) + "; morning peak " + clockText(kMorningPeakFrom) + "-" +
                  clockText(kMorningPeakTo) + ": " + lagText(r.morningLag));
  html += row("speed", realText(r));
  html += row("driver", cpuShare(r));
  if (r.chaosSeconds) {
    html += row("kills", n(r.kills) + "; taps re-sent after a kill " + n(r.resentAfterKill) +
                             ", found on their card " + n(r.answeredByCard));
  }
  html += row("world", r.world);
  html += "</table>\n";
  html += journeyHtml(r.journeys);
  html += "<h2>Taps, fees and the statement</h2>\n";
  html += svgChart(tapsChart(r)) + svgChart(feesChart(r));
  // The shares as the statement's own chart draws them: per cycle and
  // cumulated.
  html += r.statement.empty() ? "<p>No settlement cycle: no shares to draw.</p>\n"
                              : statementChart(r.statement, kStatementName);
  html += svgChart(spreadChart(r));
  html += "</body>\n</html>\n";
  return html;
}
