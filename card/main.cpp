// card: the cards of a world, for the people who run it.
//
//   card list [WORLD]                       every card and its balance
//   card show CARD [WORLD]                  a card's balance and history
//   card top-up CARD AMOUNT [WORLD]         credits a card
//   card new [--force] CARD BALANCE [WORLD] provisions a card
//   card rebase [WORLD]                     one record per card, once the trips are gone
//
// WORLD defaults to ./world. scripts/card runs it, scripts/new-card runs
// its "new" alone. Exit status 0 when done, 1 when refused, 2 for a command
// line it cannot take or a WORLD that is no world.
#include <filesystem>
#include <string>

#include "card/card_commands.h"
#include "common/files/world_files.h"
#include "common/files/world_layout.h"
#include "common/process/command_table.h"
#include "common/process/console.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kDefaultWorld = "world";

// The world a command names last (./world when it names none), checked to
// hold customer/; a command that changes cards also refuses a customer/
// that is a link out of the world.
template <typename Run>
std::function<int(const CommandCall&)> onWorld(size_t before, bool changes, Run run) {
  return [before, changes, run](const CommandCall& call) {
    const fs::path named = call.arguments.size() > before ? call.arguments.back() : kDefaultWorld;
    const auto world = worldAt(named, kCardWorldNeeds);
    if (const Problem* problem = world.problem()) {
      errorWrite(std::string(invokedName()) + ": " + problem->text() + "\n");
      return kExitUsage;
    }
    const fs::path& root = world.value();
    std::error_code error;
    if (changes && fs::is_symlink(fs::symlink_status(root / kCustomerDir, error))) {
      errorWrite(std::string(invokedName()) + ": " + (root / kCustomerDir).string() +
                 " is a symbolic link: no card is changed through it\n");
      return kExitRefused;
    }
    return run(root, call);
  };
}

const Tool kCardTool{
    "card",
    "the cards of WORLD (./world): lists, shows, tops up, provisions and rebases them",
    {
        {"list",
         "[WORLD]",
         0,
         1,
         {},
         "every card with its balance and newest record",
         "",
         onWorld(0, false,
                 [](const fs::path& world, const CommandCall&) { return listCards(world); })},
        {"show",
         "CARD [WORLD]",
         1,
         2,
         {},
         "a card's balance and its whole history",
         "",
         onWorld(1, false,
                 [](const fs::path& world, const CommandCall& call) {
                   return showCard(world, call.arguments[0]);
                 })},
        {"top-up",
         "CARD AMOUNT [WORLD]",
         2,
         3,
         {},
         "adds AMOUNT to a card's balance",
         "",
         onWorld(2, true,
                 [](const fs::path& world, const CommandCall& call) {
                   return topUpCard(world, call.arguments[0], call.arguments[1]);
                 })},
        {"new",
         "CARD BALANCE [WORLD]",
         2,
         3,
         {{"--force", "", "replaces a card that exists, and its whole history"}},
         "provisions a card: one first record holding BALANCE",
         "scripts/new-card",
         onWorld(2, true,
                 [](const fs::path& world, const CommandCall& call) {
                   return provisionCard(world, call.arguments[0], call.arguments[1],
                                        call.has("--force"));
                 })},
        {"rebase",
         "[WORLD]",
         0,
         1,
         {},
         "one record holding its balance for every card, once the trips are gone",
         "",
         onWorld(0, true,
                 [](const fs::path& world, const CommandCall&) { return rebaseCards(world); })},
    }};

}  // namespace

int main(int argc, char** argv) {
  // First of all: past a file-size limit a write fails instead of ending
  // the tool, which then cuts a top-up it could not write whole.
  ignoreFileSizeSignal();
  return runTool(kCardTool, argc, argv);
}
