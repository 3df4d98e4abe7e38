// world_tool: a world as a whole, for the people who run it and for
// scripts/world, which keeps only the tmux session and asks the tool for
// everything it decides.
//
//   world_tool layout [DIR]                          lays out a world
//   world_tool programs [WORLD]                      names its running programs
//   world_tool stop [WORLD]                          ends them
//   world_tool reset-trips [--session NAME] [WORLD]  forgets its trips, keeps its cards
//   world_tool statement [--all] [--svg FILE] [WORLD] shows its statement
//   world_tool journeys [--csv] [WORLD]              its journeys and how they split
//   world_tool held [--settle N | --set-aside N --note TEXT] [WORLD]
//                                                    lists what the settlement holds, and
//                                                    settles a held run or sets it aside
//   world_tool plan [--fast] [--stop] [--reset-trips] [DIR]
//                                                    reads scripts/world's command line
//   world_tool variant [--fast] [WORLD]              says which settlement runs
//   world_tool start-check [--fast] [--by-hand] [WORLD]
//                                                    refuses a session beside programs
//                                                    already running
//   world_tool wait-clock [WORLD]                    waits for the first tick
//
// DIR and WORLD default to ./world. scripts/statement runs "statement"
// alone, scripts/journeys "journeys", scripts/held "held", scripts/world
// "plan" (and the others under the name "world"). Exit status 0 when done,
// 1 when refused, 2 for a command line it cannot take or a WORLD that is no
// world.
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "common/base/text.h"
#include "common/files/world_files.h"
#include "common/process/command_table.h"
#include "common/process/console.h"
#include "world_tool/held_command.h"
#include "world_tool/journeys_command.h"
#include "world_tool/statement_command.h"
#include "world_tool/world_commands.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kDefaultWorld = "world";

std::string namedWorld(const CommandCall& call) {
  return call.arguments.empty() ? kDefaultWorld : call.arguments.back();
}

// A word as one shell word, in single quotes.
std::string shellWord(std::string_view word) {
  std::string quoted = "'";
  for (const char c : word) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

// scripts/world's command line, read as every program reads its own: what
// it is to do, as shell assignments it evaluates (action, settlement, fast
// and dir, the world as the user named it).
int printWorldScriptPlan(const CommandCall& call) {
  const Result<WorldScriptPlan> plan =
      worldScriptPlan(call.has("--fast"), call.has("--stop"), call.has("--reset-trips"));
  if (const Problem* problem = plan.problem()) {
    errorWrite(std::string(invokedName()) + ": " + problem->text() + "; " + call.usage + "\n");
    return kExitUsage;
  }
  consoleWrite("action=" + std::string(plan->action) + "\nsettlement=" +
               std::string(plan->settlement) + "\nfast=(" + (call.has("--fast") ? "--fast" : "") +
               ")\ndir=" + shellWord(namedWorld(call)) + "\n");
  return kExitDone;
}

// The world the command names (./world when it names none), by its physical
// path, once it is checked to be a world.
template <typename Run>
std::function<int(const CommandCall&)> onWorld(Run run) {
  return [run](const CommandCall& call) {
    const std::string named = namedWorld(call);
    const auto world = worldAt(named, kWorldNeeds);
    if (const Problem* problem = world.problem()) {
      errorWrite(std::string(invokedName()) + ": " + problem->text() + "\n");
      return kExitUsage;
    }
    return run(world.value(), named, call);
  };
}

// --settle N, or --set-aside N with its --note: one of them at most.
HeldWord heldWordOf(const CommandCall& call) {
  HeldWord word;
  const bool settle = call.has("--settle");
  const bool setAside = call.has("--set-aside");
  if (settle && setAside) {
    errorWrite(std::string(invokedName()) + ": --settle and --set-aside take one word at a time\n");
    std::exit(kExitUsage);
  }
  if (!settle && !setAside) {
    if (call.has("--note")) {
      errorWrite(std::string(invokedName()) + ": --note goes with --set-aside\n");
      std::exit(kExitUsage);
    }
    return word;
  }
  const std::string run = call.value(settle ? "--settle" : "--set-aside");
  const std::optional<long long> number = decimalNumber<long long>(run);
  if (!number || *number < 1) {
    errorWrite(std::string(invokedName()) + ": " + (settle ? "--settle" : "--set-aside") +
               " needs the number of a held run, not \"" + run + "\"\n");
    std::exit(kExitUsage);
  }
  word.kind = settle ? HeldWord::Kind::kSettle : HeldWord::Kind::kSetAside;
  word.run = *number;
  word.note = call.value("--note");
  if (setAside && word.note.empty()) {
    errorWrite(std::string(invokedName()) +
               ": --set-aside needs --note TEXT: say why the run is set aside\n");
    std::exit(kExitUsage);
  }
  return word;
}

const Tool kWorldTool{
    "world_tool",
    "a world as a whole: lays it out, ends its programs, forgets its trips, shows its statement "
    "and its journeys, takes a person's word on what the settlement holds, and decides for "
    "scripts/world",
    {
        {"layout",
         "[DIR]",
         0,
         1,
         {},
         "lays out a world in DIR (./world), missing, empty or a world, with its first cards",
         "",
         [](const CommandCall& call) { return layoutWorld(namedWorld(call)); }},
        {"programs",
         "[WORLD]",
         0,
         1,
         {},
         "names the programs of WORLD that run, in one line",
         "",
         onWorld([](const fs::path& world, const std::string&, const CommandCall&) {
           return showPrograms(world);
         })},
        {"stop",
         "[WORLD]",
         0,
         1,
         {},
         "ends every program of WORLD, those started by hand too",
         "",
         onWorld([](const fs::path& world, const std::string&, const CommandCall&) {
           return stopWorld(world);
         })},
        {"reset-trips",
         "[WORLD]",
         0,
         1,
         {{"--session", "NAME",
           "the tmux session the world runs in, which is up: the reset is refused"}},
         "on a stopped world: forgets every trip and rebases every card to its balance",
         "",
         onWorld([](const fs::path& world, const std::string& named, const CommandCall& call) {
           return resetTrips(world, named, call.value("--session"));
         })},
        {"statement",
         "[WORLD]",
         0,
         1,
         {{"--all", "", "shows every cycle, also those that settled nothing"},
          {"--svg", "FILE", "also draws the shares as an SVG chart into FILE (a new or SVG file)"}},
         "shows the settlement's statement of WORLD (./world) with the running totals",
         "scripts/statement",
         onWorld([](const fs::path& world, const std::string& named, const CommandCall& call) {
           return showStatement(world, named, call.has("--all"), call.value("--svg"));
         })},
        {"journeys",
         "[WORLD]",
         0,
         1,
         {{"--csv", "", "one line per journey for a spreadsheet instead of the table"}},
         "on a quiet world: its cards' journeys by kind, and what each rule of splitting their "
         "fares gives BUS and METRO beside the statement",
         "scripts/journeys",
         onWorld([](const fs::path& world, const std::string& named, const CommandCall& call) {
           return showJourneys(world, named, call.has("--csv"));
         })},
        {"held",
         "[WORLD]",
         0,
         1,
         {{"--settle", "N", "settles held run N once, as new taps (the settlement stopped)"},
          {"--set-aside", "N",
           "sets held run N aside for good, as a copy (the settlement stopped)"},
          {"--note", "TEXT", "why run N is set aside, kept in the archive (with --set-aside)"}},
         "lists the lines the settlement of WORLD holds, and takes a person's word on them",
         "scripts/held",
         onWorld([](const fs::path& world, const std::string& named, const CommandCall& call) {
           return heldCommand(world, named, heldWordOf(call));
         })},
        {"plan",
         "[DIR]",
         0,
         1,
         {{"--fast", "", "runs settlement_fast, which settles every second, instead of settlement"},
          {"--stop", "", "ends the world's tmux session and every program working in the world"},
          {"--reset-trips", "",
           "on a stopped world: forgets its trips, keeps its cards and their balances"}},
         "starts the world in DIR (./world) in a tmux session, or attaches to it",
         "scripts/world",
         printWorldScriptPlan,
         "scripts/world [--fast] [DIR] | scripts/world --stop [DIR] | scripts/world "
         "--reset-trips [DIR]"},
        {"variant",
         "[WORLD]",
         0,
         1,
         {{"--fast", "", "settlement_fast is the one asked for, not settlement"}},
         "says which settlement runs in WORLD, and how to change it when not the one asked for",
         "",
         onWorld([](const fs::path& world, const std::string& named, const CommandCall& call) {
           return showVariant(world, named, settlementVariant(call.has("--fast")));
         })},
        {"start-check",
         "[WORLD]",
         0,
         1,
         {{"--fast", "", "settlement_fast is the one asked for, not settlement"},
          {"--by-hand", "", "says how to start the others by hand instead of refusing"}},
         "when programs of WORLD run outside a tmux session: names them and its settlement, and "
         "refuses a session beside them",
         "",
         onWorld([](const fs::path& world, const std::string& named, const CommandCall& call) {
           return checkBeforeStart(world, named, settlementVariant(call.has("--fast")),
                                   call.has("--by-hand"));
         })},
        {"wait-clock",
         "[WORLD]",
         0,
         1,
         {},
         "waits up to 5 seconds for the settlement's first tick in WORLD (its clock file)",
         "",
         onWorld([](const fs::path& world, const std::string&, const CommandCall&) {
           return waitForClock(world);
         })},
    }};

}  // namespace

int main(int argc, char** argv) {
  // First of all: past a file-size limit a write fails instead of ending
  // the tool.
  ignoreFileSizeSignal();
  return runTool(kWorldTool, argc, argv);
}
