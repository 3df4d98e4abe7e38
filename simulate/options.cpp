#include "simulate/options.h"

#include <charconv>
#include <cmath>

#include "common/base/text.h"
#include "common/process/program_arguments.h"

namespace {

constexpr int kMostRiders = 10'000'000;
constexpr double kMostHours = 48;

// A positive decimal number ("2", "0.5").
std::optional<double> positiveNumber(std::string_view text) {
  double value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
  if (!std::isfinite(value) || value <= 0) return std::nullopt;
  return value;
}

// "07:30" -> 450.
std::optional<int> clockMinute(std::string_view text) {
  if (text.size() != 5 || text[2] != ':') return std::nullopt;
  const auto hour = decimalNumber<int>(text.substr(0, 2));
  const auto minute = decimalNumber<int>(text.substr(3, 2));
  if (!hour || !minute || *hour > 23 || *minute > 59) return std::nullopt;
  return *hour * 60 + *minute;
}

Problem badValue(std::string_view option, std::string_view value, std::string_view wanted) {
  return Problem(std::string(option) + " takes " + std::string(wanted) + ", not \"" +
                 std::string(value) + "\"");
}

}  // namespace

std::variant<SimulationOptions, HelpAsked, Problem> parseOptions(
    const std::vector<std::string_view>& words) {
  // "--riders=5" is read as "--riders 5"; "--" ends the options.
  std::vector<std::string_view> split;
  bool optionsEnded = false;
  for (const std::string_view word : words) {
    const size_t equals = word.find('=');
    if (!optionsEnded && word.starts_with("--") && equals != std::string_view::npos) {
      split.push_back(word.substr(0, equals));
      split.push_back(word.substr(equals + 1));
      continue;
    }
    optionsEnded = optionsEnded || word == "--";
    split.push_back(word);
  }
  static const std::vector<OptionSpec> kOptions = {
      {"--riders", "N", ""},   {"--from", "HH:MM", ""},    {"--hours", "H", ""},
      {"--seed", "S", ""},     {"--chaos", "SECONDS", ""}, {"--world", "DIR", ""},
      {"--report", "DIR", ""}, {"--demand", "FILE", ""},   {"--write-demand", "FILE", ""},
  };
  const Result<ArgumentCheck> checked = checkArguments(split, 0, kOptions);
  if (const Problem* problem = checked.problem()) return *problem;
  const ArgumentCheck& check = *checked;
  if (check.verdict == ArgumentVerdict::Help) return HelpAsked{};

  SimulationOptions options;
  for (const auto& [option, value] : check.options) {
    if (option == "--riders") {
      const auto riders = decimalNumber<int>(value, Minus::Allowed);
      if (!riders || *riders < 1 || *riders > kMostRiders) {
        return badValue(option, value, "a whole number from 1 to 10000000");
      }
      options.riders = *riders;
    } else if (option == "--from") {
      const auto from = clockMinute(value);
      if (!from) return badValue(option, value, "a time of day HH:MM, 00:00 to 23:59");
      options.fromMinute = *from;
    } else if (option == "--hours") {
      const auto hours = positiveNumber(value);
      if (!hours || *hours > kMostHours || std::lround(*hours * 60) < 1) {
        return badValue(option, value, "a number of hours above 0, at most 48");
      }
      options.minutes = static_cast<int>(std::lround(*hours * 60));
    } else if (option == "--seed") {
      const auto seed = decimalNumber<uint64_t>(value);
      if (!seed) return badValue(option, value, "a whole number from 0 to 18446744073709551615");
      options.seed = *seed;
    } else if (option == "--chaos") {
      const auto seconds = positiveNumber(value);
      if (!seconds || *seconds < 0.1 || *seconds > 3600) {
        return badValue(option, value, "a number of real seconds from 0.1 to 3600");
      }
      options.chaosSeconds = *seconds;
    } else if (option == "--demand" || option == "--write-demand") {
      // The demand table's files: read or written by main before anything
      // is laid out.
      if (value.empty()) return badValue(option, value, "a file");
      (option == "--demand" ? options.demand : options.writeDemand) = value;
    } else if (value.empty()) {
      return badValue(option, value, "a directory");
    } else if (option == "--world") {
      options.world = value;
    } else {
      options.report = value;
    }
  }
  return options;
}

std::string helpText() {
  return std::string(kUsageLine) + "\n" +
         "plays a simulated day of riders through the real terminals and settlement, then "
         "reports what happened\n"
         "\n"
         "  --riders N        riders of the whole day (default 1000); each has a card\n"
         "  --from HH:MM      where the window starts on the simulated clock (default 05:00)\n"
         "  --hours H         how long the window is, in simulated hours (default 19; 0.5 is half\n"
         "                    an hour): the day's journeys that begin in it are played, each to\n"
         "                    its end\n"
         "  --seed S          the demand model's seed (default 1): a seed plays the same plan\n"
         "  --chaos SECONDS   about every SECONDS real seconds, SIGKILL a random terminal or the\n"
         "                    settlement and start it again once it is reaped (default: none)\n"
         "  --world DIR       a missing or empty directory to lay the world out in (default: a\n"
         "                    fresh temporary directory, kept and named at the end)\n"
         "  --report DIR      where report.json, taps.csv and report.html go, made when missing\n"
         "                    (default: the world's report/)\n"
         "  --demand FILE     plays the demand model of a table FILE (see --write-demand) instead\n"
         "                    of the built-in one\n"
         "  --write-demand FILE\n"
         "                    writes the demand model (the built-in one, or --demand's) as a\n"
         "                    table to FILE to edit, and plays nothing\n"
         "  --                ends the options (simulate takes no other argument)\n"
         "\n"
         "The simulated clock runs 8 minutes a real second: 19 hours take about 143 seconds.\n"
         "Exit status 0 when every planned tap was answered, the audit reconciles, the\n"
         "statement equals what the cards paid and the journeys on the cards are the planned\n"
         "ones; 1 otherwise (the differences are named); 2 for a command line it cannot take, a\n"
         "--world that is neither missing nor empty (or played by another simulate) or a\n"
         "--demand table that is not one. SIGINT, SIGTERM or SIGHUP stop the day: every\n"
         "program of the world ends, the report says it was cut short, and the status is 128 +\n"
         "the signal.\n";
}
