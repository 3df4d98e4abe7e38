#include "common/formats/statement_table.h"

#include <algorithm>
#include <cstdio>

#include "common/formats/operator_colors.h"
#include "common/formats/time_info.h"

namespace {

// Totals of any number of lines: no amount of a line passes 64 bits, so a
// sum of them does not pass 128.
using Total = __int128;

std::string decimal(Total value) {
  if (value == 0) return "0";
  const bool negative = value < 0;
  unsigned __int128 magnitude =
      negative ? -static_cast<unsigned __int128>(value) : static_cast<unsigned __int128>(value);
  std::string digits;
  for (; magnitude > 0; magnitude /= 10) digits += static_cast<char>('0' + magnitude % 10);
  if (negative) digits += '-';
  return std::string(digits.rbegin(), digits.rend());
}

std::string plural(size_t count, const char* one, const char* many) {
  return count == 1 ? one : many;
}

std::string escaped(std::string_view text) {
  std::string out;
  for (const char c : text) {
    if (c == '&') {
      out += "&amp;";
    } else if (c == '<') {
      out += "&lt;";
    } else if (c == '>') {
      out += "&gt;";
    } else {
      out += c;
    }
  }
  return out;
}

template <typename... Values>
std::string format(const char* pattern, Values... values) {
  char text[512];
  snprintf(text, sizeof text, pattern, values...);
  return text;
}

}  // namespace

std::optional<StatementCycles> readStatementCycles(std::string_view text) {
  StatementCycles statement;
  bool headed = true;
  readStatementText(text, [&](const StatementRow& row) {
    if (row.number == 1) {
      headed = row.header;
    } else if (row.ended && row.line) {
      statement.cycles.push_back(*row.line);
    } else {
      ++statement.skipped;  // cut short (its line feed is not written yet), or no cycle
    }
  });
  if (!headed) return std::nullopt;
  return statement;
}

std::string statementTable(const StatementCycles& statement, bool allCycles) {
  std::string table =
      format("%7s  %-17s %8s %10s %10s %10s %11s %13s %13s\n", "cycle", "clock", "records",
             "bus_fees", "metro_fees", "bus_share", "metro_share", "BUS total", "METRO total");
  Total bus = 0;
  Total metro = 0;
  Total records = 0;
  size_t quiet = 0;
  for (const StatementLine& line : statement.cycles) {
    bus += line.shares[kBusOperator];
    metro += line.shares[kMetroOperator];
    records += line.records;
    if (line.records == 0 && !allCycles) {
      ++quiet;
      continue;
    }
    table += format("%7lld  %-17s %8lld %10lld %10lld %10lld %11lld %13s %13s\n", line.cycle,
                    readableTime(line.clock).c_str(), line.records, line.fees[kBusOperator],
                    line.fees[kMetroOperator], line.shares[kBusOperator],
                    line.shares[kMetroOperator], decimal(bus).c_str(), decimal(metro).c_str());
  }
  if (quiet > 0) {
    table += "(" + std::to_string(quiet) + plural(quiet, " cycle", " cycles") +
             " settled nothing and " + plural(quiet, "is", "are") +
             " not shown; --all shows them)\n";
  }
  if (statement.skipped > 0) {
    table += "(" + std::to_string(statement.skipped) +
             plural(statement.skipped, " line", " lines") +
             " holding no cycle not shown; a last line cut short by a kill is written whole when "
             "the settlement starts again)\n";
  }
  const long long last = statement.cycles.empty() ? 0 : statement.cycles.back().cycle;
  return table + "after cycle " + std::to_string(last) + ": BUS " + decimal(bus) + ", METRO " +
         decimal(metro) + ", together " + decimal(bus + metro) + ": the fees of " +
         decimal(records) + " records settled\n";
}

std::string statementChart(const std::vector<StatementLine>& cycles, std::string_view title) {
  constexpr double kLeft = 90, kWidth = 860, kHigh = 220;
  constexpr int kTops[2] = {70, 370};
  if (cycles.empty()) return {};
  const size_t n = cycles.size();
  // The per-cycle bars share one scale, the cumulated lines another.
  std::vector<Total> cumulated[2] = {std::vector<Total>(n), std::vector<Total>(n)};
  Total highest[2] = {0, 0};
  for (size_t i = 0; i < n; ++i) {
    for (const Operator op : {kBusOperator, kMetroOperator}) {
      cumulated[op][i] = (i > 0 ? cumulated[op][i - 1] : 0) + cycles[i].shares[op];
      highest[0] = std::max<Total>(highest[0], cycles[i].shares[op]);
      highest[1] = std::max(highest[1], cumulated[op][i]);
    }
  }
  const auto y = [&](double value, int panel) {
    const double top = kTops[panel];
    const double max = static_cast<double>(highest[panel]);
    return top + kHigh - (max > 0 ? value / max * kHigh : 0);
  };
  const std::string first = std::to_string(cycles.front().cycle);
  const std::string last = std::to_string(cycles.back().cycle);
  std::string svg =
      "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"1000\" height=\"660\" viewBox=\"0 0 "
      "1000 660\" font-family=\"sans-serif\" font-size=\"13\">\n"
      "<rect width=\"1000\" height=\"660\" fill=\"white\"/>\n";
  svg += format("<text x=\"%.0f\" y=\"28\" font-size=\"17\">", kLeft) + escaped(title) +
         ": BUS and METRO shares, cycles " + first + " to " + last + "</text>\n";
  svg += format(
      "<rect x=\"%.0f\" y=\"36\" width=\"12\" height=\"12\" fill=\"%s\"/><text x=\"%.0f\" "
      "y=\"47\">BUS</text>\n",
      kLeft + kWidth - 130, kBusColor, kLeft + kWidth - 113);
  svg += format(
      "<rect x=\"%.0f\" y=\"36\" width=\"12\" height=\"12\" fill=\"%s\"/><text x=\"%.0f\" "
      "y=\"47\">METRO</text>\n",
      kLeft + kWidth - 60, kMetroColor, kLeft + kWidth - 43);
  const char* names[2] = {"per cycle", "cumulated"};
  for (int p = 0; p < 2; ++p) {
    const int top = kTops[p];
    svg += format("<text x=\"%.0f\" y=\"%d\" font-weight=\"bold\">%s</text>\n", kLeft, top - 6,
                  names[p]);
    svg += format("<line x1=\"%.0f\" y1=\"%d\" x2=\"%.0f\" y2=\"%.0f\" stroke=\"black\"/>\n", kLeft,
                  top, kLeft, top + kHigh);
    svg += format("<line x1=\"%.0f\" y1=\"%.0f\" x2=\"%.0f\" y2=\"%.0f\" stroke=\"black\"/>\n",
                  kLeft, top + kHigh, kLeft + kWidth, top + kHigh);
    svg += format("<text x=\"%.0f\" y=\"%d\" text-anchor=\"end\">", kLeft - 6, top + 5) +
           decimal(highest[p]) + "</text>\n";
    svg += format("<text x=\"%.0f\" y=\"%.0f\" text-anchor=\"end\">0</text>\n", kLeft - 6,
                  top + kHigh + 4);
    svg +=
        format("<text x=\"%.0f\" y=\"%.0f\">cycle ", kLeft, top + kHigh + 18) + first + "</text>\n";
    svg += format("<text x=\"%.0f\" y=\"%.0f\" text-anchor=\"end\">cycle ", kLeft + kWidth,
                  top + kHigh + 18) +
           last + "</text>\n";
  }
  const double slot = kWidth / static_cast<double>(n);
  for (size_t i = 0; i < n; ++i) {
    const double x = kLeft + static_cast<double>(i) * slot;
    for (const Operator op : {kBusOperator, kMetroOperator}) {
      const double share = static_cast<double>(cycles[i].shares[op]);
      if (share <= 0) continue;
      svg += format("<rect x=\"%.2f\" y=\"%.2f\" width=\"%.2f\" height=\"%.2f\" fill=\"%s\"/>\n",
                    x + (op == kMetroOperator ? slot / 2 : 0), y(share, 0), slot / 2,
                    kTops[0] + kHigh - y(share, 0), op == kBusOperator ? kBusColor : kMetroColor);
    }
  }
  for (const Operator op : {kBusOperator, kMetroOperator}) {
    svg += format("<polyline fill=\"none\" stroke-width=\"2\" stroke=\"%s\" points=\"",
                  op == kBusOperator ? kBusColor : kMetroColor);
    for (size_t i = 0; i < n; ++i) {
      svg += format("%.2f,%.2f ", kLeft + (static_cast<double>(i) + 0.5) * slot,
                    y(static_cast<double>(cumulated[op][i]), 1));
    }
    svg += "\"/>\n";
  }
  svg += format("<text x=\"%.0f\" y=\"%d\">BUS ", kLeft + kWidth - 200, kTops[1] - 6) +
         decimal(cumulated[kBusOperator][n - 1]) + ", METRO " +
         decimal(cumulated[kMetroOperator][n - 1]) + "</text>\n";
  return svg + "</svg>\n";
}

bool looksLikeSvg(std::string_view head) {
  const size_t start = std::min(head.find_first_not_of(" \t\r\n"), head.size());
  head.remove_prefix(start);
  if (head.starts_with("<svg")) return true;
  return head.starts_with("<?xml") && head.find("<svg") != std::string_view::npos;
}
