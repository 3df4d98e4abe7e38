// The simulate command line:
//
//   simulate [--riders N] [--from HH:MM] [--hours H] [--seed S]
//            [--chaos SECONDS] [--world DIR] [--report DIR]
//            [--demand FILE] [--write-demand FILE]
//
// Each option takes its value as the next word or after "=". Read here
// from plain words; nothing is touched.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "common/base/problem.h"

struct SimulationOptions {
  int riders = 1000;
  int fromMinute = 5 * 60;
  int minutes = 19 * 60;
  uint64_t seed = 1;
  std::optional<double> chaosSeconds;
  std::optional<std::string> world;   // a fresh temporary world when absent
  std::optional<std::string> report;  // the world's report/ when absent
  // The demand table played instead of the built-in model, and where to
  // write the table of the model instead of playing it.
  std::optional<std::string> demand;
  std::optional<std::string> writeDemand;
  bool operator==(const SimulationOptions&) const = default;
};

struct HelpAsked {};

std::variant<SimulationOptions, HelpAsked, Problem> parseOptions(
    const std::vector<std::string_view>& words);

inline constexpr const char* kUsageLine =
    "usage: simulate [--riders N] [--from HH:MM] [--hours H] [--seed S] [--chaos SECONDS] "
    "[--world DIR] [--report DIR] [--demand FILE] [--write-demand FILE]";

// --help: the usage line, what the program is, and every option.
std::string helpText();
