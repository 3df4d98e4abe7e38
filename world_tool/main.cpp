// world_tool: a world as a whole, for the people who run it and for
// scripts/world, which keeps only the tmux session.
//
//   world_tool layout [DIR]                          lays out a world
//   world_tool programs [WORLD]                      names its running programs
//   world_tool stop [WORLD]                          ends them
//   world_tool reset-trips [WORLD]                   forgets its trips, keeps its cards
//   world_tool statement [--all] [--svg FILE] [WORLD] shows its statement
//   world_tool journeys [--csv] [WORLD]              its journeys and how they split
//
// DIR and WORLD default to ./world. scripts/statement runs "statement"
// alone, scripts/journeys "journeys". Exit status 0 when done, 1 when refused, 2 for a command line
// it cannot take or a WORLD that is no world.
#include <filesystem>
#include <string>

#include "common/files/world_files.h"
#include "common/process/command_table.h"
#include "common/process/console.h"
#include "world_tool/journeys_command.h"
#include "world_tool/statement_command.h"
#include "world_tool/world_commands.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kDefaultWorld = "world";

std::string namedWorld(const CommandCall& call) {
  return call.arguments.empty() ? kDefaultWorld : call.arguments.back();
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

const Tool kWorldTool{
    "world_tool",
    "a world as a whole: lays it out, ends its programs, forgets its trips, shows its statement "
    "and its journeys",
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
         {},
         "on a stopped world: forgets every trip and rebases every card to its balance",
         "",
         onWorld([](const fs::path& world, const std::string& named, const CommandCall&) {
           return resetTrips(world, named);
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
    }};

}  // namespace

int main(int argc, char** argv) {
  // First of all: past a file-size limit a write fails instead of ending
  // the tool.
  ignoreFileSizeSignal();
  return runTool(kWorldTool, argc, argv);
}
