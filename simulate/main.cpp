// simulate: a simulated day of riders played through the real terminals
// and settlement of a fresh world, and a report of what happened.
//
//   simulate [--riders N] [--from HH:MM] [--hours H] [--seed S]
//            [--chaos SECONDS] [--world DIR] [--report DIR]
//            [--demand FILE] [--write-demand FILE]
//
// Exit status 0 when every planned tap was answered, the audit reconciles,
// the statement equals what the cards paid and the journeys on the cards
// are the planned ones; 1 otherwise; 2 for a command line it cannot take, a
// --world neither missing nor empty (or played by another simulate) or a
// --demand table that is not one; 128 + the signal when SIGINT, SIGTERM or
// SIGHUP cut the day short (the report is written all the same).
#include <sys/resource.h>
#include <unistd.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "common/base/exit_status.h"
#include "common/files/file_handle.h"
#include "common/files/file_replace.h"
#include "common/process/console.h"
#include "driving/built_programs.h"
#include "driving/clock_follower.h"
#include "driving/event_loop.h"
#include "simulate/day_report.h"
#include "simulate/demand_model.h"
#include "simulate/demand_table.h"
#include "simulate/driver.h"
#include "simulate/journey_report.h"
#include "simulate/options.h"
#include "simulate/reconciliation.h"
#include "simulate/report_json.h"
#include "simulate/report_text.h"
#include "simulate/taps_csv.h"
#include "simulate/world_setup.h"

namespace fs = std::filesystem;

namespace {

constexpr std::array<const char*, 3> kDrivenPrograms = {"settlement_fast", "bus_terminal",
                                                        "metro_terminal"};

int refuseUsage(const std::string& why) {
  errorWrite("simulate: " + why + "; " + kUsageLine + "\n");
  return kExitUsage;
}

int failRun(const std::string& why) {
  errorWrite("simulate: " + why + "\n");
  return kExitRefused;
}

// A request to stop that came: noted in `report` the first time.
bool stopRequested(DayReport& report) {
  if (const std::optional<int> signal = takeStopRequest()) {
    if (report.cutShortBy == 0) report.cutShortBy = *signal;
  }
  return report.cutShortBy != 0;
}

}  // namespace

int main(int argc, char** argv) {
  // Before anything: a request to stop waits until the programs can be
  // stopped with the driver.
  blockDriverSignals();
  ignoreFailedWriteSignals();
  const std::vector<std::string_view> words(argv + 1, argv + argc);
  const auto parsed = parseOptions(words);
  if (std::holds_alternative<HelpAsked>(parsed)) {
    consoleWrite(helpText());
    return kExitDone;
  }
  if (const Problem* problem = std::get_if<Problem>(&parsed)) return refuseUsage(problem->text());
  const SimulationOptions& options = std::get<SimulationOptions>(parsed);

  // The demand model, the built-in one or a table's: read, or written,
  // before anything is laid out.
  DemandModel model = builtInDemand();
  if (options.demand) {
    Result<DemandModel> table = loadDemandTable(*options.demand);
    if (const Problem* problem = table.problem()) {
      errorWrite("simulate: " + problem->text() + "\n");
      return kExitUsage;
    }
    model = std::move(*table);
  }
  if (options.writeDemand) {
    if (const Result<void> saved = saveDemandTable(*options.writeDemand, model); !saved) {
      return failRun(saved.problem()->text());
    }
    consoleWrite("== the demand model is written to " + *options.writeDemand +
                 ": edit it and play it with --demand " + *options.writeDemand + "\n");
    return kExitDone;
  }

  if (options.report) {
    std::error_code error;
    const auto status = fs::status(*options.report, error);
    if (fs::exists(status) && !fs::is_directory(status)) {
      return refuseUsage("the report folder " + *options.report + " is no directory");
    }
  }
  const fs::path programs = builtProgramsFolder();
  if (const Result<void> built = checkProgramsBuilt(programs, kDrivenPrograms); !built) {
    return failRun(built.problem()->text());
  }
  fs::path world;
  if (options.world) {
    world = fs::absolute(*options.world);
  } else {
    const Result<fs::path> made = makeTemporaryDirectory("simulate-");
    if (!made) return failRun("cannot make a temporary world");
    world = *made;
  }
  // Held to the end: a second simulate on the same world is refused.
  Result<FileDescriptor> held = holdWorld(world);
  if (const Problem* problem = held.problem()) return refuseUsage(problem->text());

  DayReport report;
  report.riders = options.riders;
  report.fromMinute = options.fromMinute;
  report.minutes = options.minutes;
  report.seed = options.seed;
  report.chaosSeconds = options.chaosSeconds;
  report.world = world.string();

  DemandOptions demand;
  demand.riders = options.riders;
  demand.fromMinute = options.fromMinute;
  demand.minutes = options.minutes;
  demand.seed = options.seed;
  const std::vector<RiderPlan> plans = planDay(demand, model);

  const TimeInfo start = startClock(options.fromMinute);
  report.firstDay = start.day;
  const Result<void> laid =
      stopRequested(report)
          ? Result<void>(Problem("stopped"))
          : layOutWorld(world, plans, start, [&] { return stopRequested(report); });
  if (!laid && report.cutShortBy == 0) return failRun(laid.problem()->text());
  report.setupCpuSeconds = usageOf(RUSAGE_SELF).cpuSeconds();
  const fs::path reportDir = options.report ? fs::absolute(*options.report) : world / "report";
  std::error_code error;
  fs::create_directories(reportDir, error);
  if (error) return failRun("cannot make the report folder " + reportDir.string());

  TapsCsv taps((reportDir / "taps.csv").string());
  if (!taps.good()) return failRun("cannot write " + (reportDir / "taps.csv").string());
  if (report.cutShortBy == 0) {
    consoleWrite("== world in " + world.string() + ": " + std::to_string(options.riders) +
                 " cards provisioned; playing from " + clockText(options.fromMinute) +
                 ", 8 simulated minutes a second\n");
    DriverSetup setup;
    setup.world = world;
    setup.programs = programs;
    setup.firstDay = start.day;
    setup.fromMinute = options.fromMinute;
    setup.chaosSeconds = options.chaosSeconds;
    setup.seed = options.seed;
    playDay(setup, plans, taps, report);
  } else {
    for (const RiderPlan& plan : plans)
      report.tapsPlanned += static_cast<long long>(plan.taps.size());
  }
  if (!taps.close()) report.differences.push_back("taps.csv could not be written whole");
  reconcileDay(world, report);
  readJourneys(world, plans, report);

  for (const auto& [name, text] : {std::pair{"report.json", reportJson(report)},
                                   std::pair{"report.html", reportHtml(report)}}) {
    if (const Result<void> written = replaceFile((reportDir / name).string(), text); !written) {
      report.differences.push_back("the report could not be written to " +
                                   (reportDir / name).string() + ": " + written.problem()->text());
    }
  }
  consoleWrite(summaryText(report, reportDir.string()));
  for (const std::string& difference : report.differences) {
    errorWrite("simulate: " + difference + "\n");
  }
  stopRequested(report);
  if (report.cutShortBy != 0) return exitStatusOfSignal(report.cutShortBy);
  return report.differences.empty() ? kExitDone : kExitRefused;
}
