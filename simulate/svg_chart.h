// Charts as plain SVG, each one an element of its own to put inline in a
// page: bars (grouped or stacked) or lines over named categories, with a
// title, both axes labelled, a value grid and a legend. No script, nothing
// fetched. The geometry is plain arithmetic, kept apart to be tested.
#pragma once

#include <optional>
#include <string>
#include <vector>

struct ChartSeries {
  std::string name;
  std::string color;           // "#1f77b4"
  std::vector<double> values;  // one per category
};

enum class ChartKind { kGroupedBars, kStackedBars, kLines };

// A dashed line across the plot between category `after` and the next one,
// labelled at its top: a threshold among the categories.
struct ChartMarker {
  size_t after = 0;
  std::string label;
};

struct Chart {
  std::string title;
  std::string xLabel;
  std::string yLabel;
  std::vector<std::string> categories;
  std::vector<ChartSeries> series;
  ChartKind kind = ChartKind::kGroupedBars;
  std::optional<ChartMarker> marker;
};

// The value axis for values up to `largest`: a step of 1, 2 or 5 times a
// power of ten and the number of steps (at least 1) whose top reaches it,
// aiming at about `aim` steps. Negative values are not drawn.
struct ValueAxis {
  double step = 1;
  int steps = 1;
  double top() const { return step * steps; }
};
ValueAxis valueAxis(double largest, int aim = 5);

// Every how many categories an axis label fits, for `count` categories on
// `width` pixels with labels of `labelWidth` pixels.
int labelEvery(size_t count, double width, double labelWidth);

// "12,500": a whole value with its thousands separated; others with one
// decimal.
std::string axisNumber(double value);

// Text for XML: & < > " escaped.
std::string xmlText(const std::string& text);

// A chart with no category says so in its plot area.
inline constexpr const char* kEmptyChartText = "Nothing to draw: the window holds none of this.";

std::string svgChart(const Chart& chart);
