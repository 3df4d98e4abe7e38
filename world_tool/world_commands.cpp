#include "world_tool/world_commands.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <utility>

#include "card/card_commands.h"
#include "common/base/sleep.h"
#include "common/files/file_removal.h"
#include "common/files/world_files.h"
#include "common/files/world_layout.h"
#include "common/process/console.h"
#include "common/process/program_arguments.h"
#include "common/process/world_programs.h"

namespace fs = std::filesystem;

namespace {

constexpr std::chrono::seconds kEndGrace{3};
// The settlement's first tick: 50 looks, 100 ms apart.
constexpr int kClockLooks = 50;
constexpr int kClockLookMs = 100;
constexpr std::string_view kSettlement = "settlement";
constexpr std::string_view kSettlementFast = "settlement_fast";

int refuse(const std::string& line, int status = kExitRefused) {
  errorWrite(std::string(invokedName()) + ": " + line + "\n");
  return status;
}

bool isEmptyDirectory(const fs::path& dir) {
  std::error_code error;
  return fs::is_empty(dir, error) && !error;
}

}  // namespace

int layoutWorld(const fs::path& dir, std::span<const FirstCard> cards, std::string_view indent) {
  std::error_code error;
  if (fs::exists(dir, error)) {
    if (!fs::is_directory(dir, error)) return refuse(dir.string() + " is no directory", kExitUsage);
    if (!isEmptyDirectory(dir) && !worldAt(dir, kWorldNeeds).ok()) {
      return refuse(dir.string() +
                        " is neither empty nor a world (it lacks customer/, Metro/ or Bus/): a "
                        "world is laid out only in a missing or empty directory",
                    kExitUsage);
    }
  } else if (!fs::create_directories(dir, error) && error) {
    return refuse("cannot make " + dir.string() + ": " + error.message());
  }
  const fs::path root = fs::canonical(dir, error);
  if (error) return refuse("cannot resolve " + dir.string() + ": " + error.message());
  if (const std::optional<std::string> linked = linkedProgramDir(root)) {
    return refuse((root / *linked).string() +
                  " is a symbolic link: nothing is laid out through it");
  }
  for (const char* name : kWorldLayout) {
    fs::create_directory(root / name, error);
    if (error) return refuse("cannot make " + (root / name).string() + ": " + error.message());
  }
  consoleWrite("== world in " + root.string() + "\n");
  for (const FirstCard& first : cards) {
    if (fs::exists(fs::symlink_status(cardPath(root, first.card), error))) continue;
    if (const int status = provisionCard(root, first.card, first.balance, false, indent)) {
      return status;
    }
  }
  return kExitDone;
}

int showPrograms(const fs::path& world) {
  const std::string running = describePrograms(programsOf(world));
  if (!running.empty()) consoleWrite(running + "\n");
  return kExitDone;
}

int stopWorld(const fs::path& world) {
  const std::vector<RunningProgram> running = programsOf(world);
  if (!running.empty()) {
    consoleWrite("== ending " + describePrograms(running) + "\n");
    const std::vector<RunningProgram> left = endPrograms(world, kEndGrace);
    if (!left.empty()) {
      return refuse("programs of " + world.string() + " will not end: " + describePrograms(left));
    }
  }
  consoleWrite("== no program of " + world.string() + " is running\n");
  return kExitDone;
}

int resetTrips(const fs::path& world, const std::string& named, std::string_view session) {
  if (!session.empty()) {
    return refuse("the world in " + world.string() + " is running (tmux session " +
                  std::string(session) + "); stop it first: scripts/world --stop " + named);
  }
  if (const std::optional<std::string> linked = linkedProgramDir(world)) {
    return refuse("nothing was reset: " + (world / *linked).string() +
                  " is a symbolic link, and the reset changes nothing outside the world");
  }
  const std::string running = describePrograms(programsOf(world));
  if (!running.empty()) {
    return refuse("the world in " + world.string() + " is running (" + running +
                  "); stop it first: scripts/world --stop " + named);
  }
  if (const Result<void> readable = checkCardsReadable(world); !readable) {
    return refuse("nothing was reset: " + readable.problem()->text() +
                  "; every card must be readable first");
  }
  consoleWrite("== forgetting the trips of " + world.string() + "\n");
  for (const std::string& trip : tripFilesOf(world)) {
    if (const Result<void> removed = removeBelow(world, trip); !removed) {
      return refuse(removed.problem()->text() +
                    "; the trips before it are gone: once it is fixed, run "
                    "scripts/world --reset-trips " +
                    named + " again");
    }
    consoleWrite("   removed " + trip + "\n");
  }
  consoleWrite("== rebasing every card to one record holding its balance\n");
  if (rebaseCards(world, "   ") != kExitDone) {
    return refuse(
        "the trips are gone but not every card was rebased; run scripts/world "
        "--reset-trips " +
        named + " again");
  }
  consoleWrite("== done: " + world.string() +
               " keeps its cards and balances and has no trips; scripts/audit " + named +
               " reconciles it\n");
  return kExitDone;
}

std::string_view settlementVariant(bool fast) {
  return fast ? kSettlementFast : kSettlement;
}

Result<WorldScriptPlan> worldScriptPlan(bool fast, bool stop, bool resetTrips) {
  if (stop && resetTrips) return Problem("--stop and --reset-trips go alone");
  if (fast && (stop || resetTrips)) return Problem("--fast goes with starting a world");
  return WorldScriptPlan{stop         ? "stop"
                         : resetTrips ? "reset-trips"
                                      : "start",
                         settlementVariant(fast)};
}

std::string variantLines(const std::vector<RunningProgram>& running, std::string_view asked,
                         const std::string& named) {
  const auto runs = [&](std::string_view name) {
    return std::any_of(running.begin(), running.end(),
                       [&](const RunningProgram& program) { return program.name == name; });
  };
  const std::string_view variant = runs(kSettlementFast) ? kSettlementFast
                                   : runs(kSettlement)   ? kSettlement
                                                         : std::string_view();
  if (variant.empty()) return "   no settlement runs in this world\n";
  if (variant == asked) return "   its settlement runs as " + std::string(variant) + "\n";
  return "   its settlement runs as " + std::string(variant) + ", not " + std::string(asked) +
         ": the variant is chosen when the world starts;\n   to change it: scripts/world --stop " +
         named + " && scripts/world" + (asked == kSettlementFast ? " --fast " : " ") + named + "\n";
}

int showVariant(const fs::path& world, const std::string& named, std::string_view asked) {
  consoleWrite(variantLines(programsOf(world), asked, named));
  return kExitDone;
}

int checkBeforeStart(const fs::path& world, const std::string& named, std::string_view asked,
                     bool byHand) {
  const std::vector<RunningProgram> running = programsOf(world);
  if (running.empty()) return kExitDone;
  consoleWrite("== programs of this world already run outside a tmux session: " +
               describePrograms(running) + "\n" + variantLines(running, asked, named));
  if (!byHand) {
    return refuse(
        "no session started beside them; use them, or end them with: scripts/world "
        "--stop " +
        named);
  }
  consoleWrite(
      "   start the others by hand as for a new world; end them all with: scripts/world "
      "--stop " +
      named + "\n");
  return kExitDone;
}

int waitForClock(const fs::path& world) {
  const fs::path clock = world / kTimeDir / kClockFileName;
  for (int look = 0; look < kClockLooks; ++look) {
    std::error_code error;
    const auto size = fs::file_size(clock, error);
    if (!error && size > 0) break;
    Sleep(kClockLookMs);
  }
  return kExitDone;
}
