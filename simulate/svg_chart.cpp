#include "simulate/svg_chart.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "common/base/text.h"

namespace {

constexpr double kWidth = 960;
constexpr double kHeight = 340;
constexpr double kLeft = 90;
constexpr double kRight = 20;
constexpr double kTop = 56;
constexpr double kBottom = 64;
constexpr double kCharWidth = 7;  // of the 12px labels, roughly

std::string number(double value) {
  char text[32];
  snprintf(text, sizeof text, "%.1f", value);
  return text;
}

double largestValue(const Chart& chart) {
  double largest = 0;
  if (chart.kind == ChartKind::kStackedBars) {
    for (size_t c = 0; c < chart.categories.size(); ++c) {
      double sum = 0;
      for (const ChartSeries& s : chart.series)
        sum += c < s.values.size() ? std::max(0.0, s.values[c]) : 0;
      largest = std::max(largest, sum);
    }
  } else {
    for (const ChartSeries& s : chart.series) {
      for (const double v : s.values) largest = std::max(largest, v);
    }
  }
  return largest;
}

}  // namespace

ValueAxis valueAxis(double largest, int aim) {
  if (!(largest > 0) || !std::isfinite(largest)) return {1, 1};
  aim = std::max(1, aim);
  const double rough = largest / aim;
  const double power = std::pow(10.0, std::floor(std::log10(rough)));
  double step = power;
  for (const double m : {1.0, 2.0, 5.0, 10.0}) {
    step = m * power;
    if (step >= rough) break;
  }
  ValueAxis axis;
  axis.step = step;
  axis.steps = std::max(1, static_cast<int>(std::ceil(largest / step - 1e-9)));
  return axis;
}

int labelEvery(size_t count, double width, double labelWidth) {
  if (count == 0 || width <= 0) return 1;
  const double slot = width / static_cast<double>(count);
  return std::max(1, static_cast<int>(std::ceil(labelWidth / slot)));
}

std::string axisNumber(double value) {
  if (std::fabs(value - std::round(value)) > 1e-9) return number(value);
  return groupedNumber(std::llround(value));
}

std::string xmlText(const std::string& text) {
  std::string out;
  for (const char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string svgChart(const Chart& chart) {
  const double plotWidth = kWidth - kLeft - kRight;
  const double plotHeight = kHeight - kTop - kBottom;
  const ValueAxis axis = valueAxis(largestValue(chart));
  auto y = [&](double v) { return kTop + plotHeight * (1 - std::max(0.0, v) / axis.top()); };
  const size_t count = std::max<size_t>(1, chart.categories.size());
  const double slot = plotWidth / static_cast<double>(count);
  auto xCenter = [&](size_t c) { return kLeft + slot * (static_cast<double>(c) + 0.5); };

  std::string svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + number(kWidth) +
                    "\" height=\"" + number(kHeight) + "\" viewBox=\"0 0 " + number(kWidth) + " " +
                    number(kHeight) + "\" font-family=\"sans-serif\" font-size=\"12\">\n";
  svg += "<rect width=\"100%\" height=\"100%\" fill=\"#ffffff\"/>\n";
  svg += "<text x=\"" + number(kLeft) + "\" y=\"20\" font-size=\"15\" font-weight=\"bold\">" +
         xmlText(chart.title) + "</text>\n";
  // The grid and the value axis.
  for (int i = 0; i <= axis.steps; ++i) {
    const double v = axis.step * i;
    const std::string at = number(y(v));
    svg += "<line x1=\"" + number(kLeft) + "\" x2=\"" + number(kLeft + plotWidth) + "\" y1=\"" +
           at + "\" y2=\"" + at + "\" stroke=\"#dddddd\"/>\n";
    svg += "<text x=\"" + number(kLeft - 6) + "\" y=\"" + number(y(v) + 4) +
           "\" text-anchor=\"end\">" + axisNumber(v) + "</text>\n";
  }
  svg += "<text transform=\"translate(16," + number(kTop + plotHeight / 2) +
         ") rotate(-90)\" text-anchor=\"middle\">" + xmlText(chart.yLabel) + "</text>\n";
  // The series.
  const size_t seriesCount = std::max<size_t>(1, chart.series.size());
  for (size_t s = 0; s < chart.series.size(); ++s) {
    const ChartSeries& series = chart.series[s];
    if (chart.kind == ChartKind::kLines) {
      std::string points;
      for (size_t c = 0; c < series.values.size() && c < chart.categories.size(); ++c) {
        points += number(xCenter(c)) + "," + number(y(series.values[c])) + " ";
      }
      svg += "<polyline fill=\"none\" stroke-width=\"2\" stroke=\"" + series.color +
             "\" points=\"" + points + "\"/>\n";
      continue;
    }
    for (size_t c = 0; c < series.values.size() && c < chart.categories.size(); ++c) {
      const double v = std::max(0.0, series.values[c]);
      if (v == 0) continue;
      double x = 0;
      double width = 0;
      double base = 0;
      if (chart.kind == ChartKind::kStackedBars) {
        for (size_t below = 0; below < s; ++below) {
          const auto& values = chart.series[below].values;
          base += c < values.size() ? std::max(0.0, values[c]) : 0;
        }
        width = slot * 0.8;
        x = xCenter(c) - width / 2;
      } else {
        width = slot * 0.8 / static_cast<double>(seriesCount);
        x = xCenter(c) - slot * 0.4 + width * static_cast<double>(s);
      }
      const double top = y(base + v);
      svg += "<rect x=\"" + number(x) + "\" y=\"" + number(top) + "\" width=\"" +
             number(std::max(0.5, width)) + "\" height=\"" + number(std::max(0.5, y(base) - top)) +
             "\" fill=\"" + series.color + "\"><title>" + xmlText(series.name) + " " +
             xmlText(chart.categories[c]) + ": " + axisNumber(v) + "</title></rect>\n";
    }
  }
  if (chart.marker && chart.marker->after < chart.categories.size()) {
    const std::string at = number(kLeft + slot * static_cast<double>(chart.marker->after + 1));
    svg += "<line x1=\"" + at + "\" x2=\"" + at + "\" y1=\"" + number(kTop - 4) + "\" y2=\"" +
           number(kTop + plotHeight) + "\" stroke=\"#b00020\" stroke-width=\"2\" " +
           "stroke-dasharray=\"6,4\"/>\n";
    svg += "<text x=\"" + at + "\" y=\"" + number(kTop - 8) +
           "\" text-anchor=\"middle\" fill=\"#b00020\">" + xmlText(chart.marker->label) +
           "</text>\n";
  }
  if (chart.categories.empty()) {
    svg += "<text x=\"" + number(kLeft + plotWidth / 2) + "\" y=\"" +
           number(kTop + plotHeight / 2) + "\" text-anchor=\"middle\" fill=\"#666666\">" +
           xmlText(kEmptyChartText) + "</text>\n";
  }
  // The category axis.
  svg += "<line x1=\"" + number(kLeft) + "\" x2=\"" + number(kLeft + plotWidth) + "\" y1=\"" +
         number(kTop + plotHeight) + "\" y2=\"" + number(kTop + plotHeight) +
         "\" stroke=\"#333333\"/>\n";
  size_t longest = 1;
  for (const std::string& c : chart.categories) longest = std::max(longest, c.size());
  const int every =
      labelEvery(chart.categories.size(), plotWidth, static_cast<double>(longest) * kCharWidth + 8);
  for (size_t c = 0; c < chart.categories.size(); c += static_cast<size_t>(every)) {
    svg += "<text x=\"" + number(xCenter(c)) + "\" y=\"" + number(kTop + plotHeight + 18) +
           "\" text-anchor=\"middle\">" + xmlText(chart.categories[c]) + "</text>\n";
  }
  svg += "<text x=\"" + number(kLeft + plotWidth / 2) + "\" y=\"" + number(kHeight - 14) +
         "\" text-anchor=\"middle\">" + xmlText(chart.xLabel) + "</text>\n";
  // The legend, on one row under the title.
  double legendX = kLeft;
  for (const ChartSeries& series : chart.series) {
    svg += "<rect x=\"" + number(legendX) + "\" y=\"32\" width=\"12\" height=\"12\" fill=\"" +
           series.color + "\"/>\n";
    svg +=
        "<text x=\"" + number(legendX + 16) + "\" y=\"42\">" + xmlText(series.name) + "</text>\n";
    legendX += 16 + static_cast<double>(series.name.size()) * kCharWidth + 18;
  }
  svg += "</svg>\n";
  return svg;
}
