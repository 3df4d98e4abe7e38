// What the world tool does to a world as a whole: lays it out, finds and
// ends its programs, forgets its trips, and decides for scripts/world, which
// keeps only the tmux session: which settlement runs, whether a world is
// started beside programs already running, when the first tick has come. Each takes the world's
// physical path (common/files/world_files.h, worldAt) and acts on nothing outside it, never through
// a link; it prints what it does and returns the exit status (kExitDone, kExitRefused with one line
// on standard error, kExitUsage for a path that is no world).
#pragma once

#include <array>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/base/problem.h"
#include "common/process/world_programs.h"

// A card a world is laid out with, and its balance.
struct FirstCard {
  std::string_view card;
  std::string_view balance;
};

// The cards a new world starts with.
inline constexpr std::array<FirstCard, 4> kFirstCards = {
    {{"1234", "10000"}, {"5678", "3000"}, {"4321", "700"}, {"9999", "500"}}};

// Lays out a world in `dir`, a missing or empty directory or a world
// already (whatever else it holds beside), and provisions `cards`, those
// it lacks, a line each after `indent`. Anything else is refused.
int layoutWorld(const std::filesystem::path& dir, std::span<const FirstCard> cards = kFirstCards,
                std::string_view indent = {});

// One line naming the world's running programs; nothing when none runs.
int showPrograms(const std::filesystem::path& world);

// Ends every program of the world: asked with SIGTERM, killed after 3
// seconds. Refused when one will not end.
int stopWorld(const std::filesystem::path& world);

// Forgets the trips of a stopped world and keeps its cards: refused while
// a program of it runs or a card cannot be read (nothing changed), and when
// one of its programs' directories is a link; otherwise removes every trip
// file (common/files/world_files.h) and rebases every card to one record holding
// its balance. `named` is the world as the user named it, for the command
// that stops it. A non-empty `session` is the world's tmux session, which
// is up: the world runs in it, and the reset is refused first of all.
int resetTrips(const std::filesystem::path& world, const std::string& named,
               std::string_view session = {});

// The settlement a world is started with: settlement_fast for --fast.
std::string_view settlementVariant(bool fast);

// What scripts/world is to do, from its options: "start", "stop" or
// "reset-trips", and the settlement a start runs; a Problem for options
// that do not go together.
struct WorldScriptPlan {
  std::string_view action;
  std::string_view settlement;
};
Result<WorldScriptPlan> worldScriptPlan(bool fast, bool stop, bool resetTrips);

// The lines that say which settlement runs among `running`: none, the
// `asked` one, or the other, with the commands that start the world `named`
// again with the one asked for.
std::string variantLines(const std::vector<RunningProgram>& running, std::string_view asked,
                         const std::string& named);

// Prints variantLines for the world's running programs.
int showVariant(const std::filesystem::path& world, const std::string& named,
                std::string_view asked);

// Before a world is started in a tmux session: when programs of it already
// run outside one, names them and which settlement runs, and refuses a
// session beside them; `byHand` (no tmux or no terminal) says instead how
// to start the others. Nothing when none runs.
int checkBeforeStart(const std::filesystem::path& world, const std::string& named,
                     std::string_view asked, bool byHand);

// Waits up to 5 seconds for the world's clock file to be written (the
// settlement's first tick), so that terminals started next find it.
// Always done: a terminal started without it reports the missing clock.
int waitForClock(const std::filesystem::path& world);
