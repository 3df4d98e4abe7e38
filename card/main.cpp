// card: the cards of a world, for the people who run it.
//
//   card list [WORLD]                  every card and its balance
//   card show CARD [WORLD]             a card's balance and history
//   card top-up CARD AMOUNT [WORLD]    credits a card
//   card rebase [WORLD]                one record per card, once the trips are gone
//
// WORLD defaults to ./world. Exit status 0 when done, 1 when refused, 2 for
// a command line it cannot take or a WORLD that is no world.
#include <signal.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "card/card_commands.h"
#include "common/console.h"
#include "common/program_arguments.h"
#include "common/world_layout.h"

namespace {

constexpr int kUsageStatus = 2;
constexpr const char* kDefaultWorld = "world";

// The commands, and how many arguments each takes before its WORLD.
struct Command {
  const char* name;
  const char* arguments;
  size_t needs;
};
constexpr Command kCommands[] = {
    {"list", "[WORLD]", 0},
    {"show", "CARD [WORLD]", 1},
    {"top-up", "CARD AMOUNT [WORLD]", 2},
    {"rebase", "[WORLD]", 0},
};

std::string usageText(const std::string& program) {
  std::string text;
  for (const Command& command : kCommands) {
    text +=
        (text.empty() ? "usage: " : " | ") + program + " " + command.name + " " + command.arguments;
  }
  return text;
}

// Refusals name the tool as "card", however it was run.
int refuseUsage(const std::string& usage, const std::string& problem) {
  errorWrite("card: " + problem + "; " + usage + "\n");
  return kUsageStatus;
}

int run(const Command& command, const std::vector<std::string>& args,
        const std::filesystem::path& world) {
  const std::string name = command.name;
  if (name == "list") return listCards(world);
  if (name == "show") return showCard(world, args[0]);
  if (name == "top-up") return topUpCard(world, args[0], args[1]);
  return rebaseCards(world);
}

}  // namespace

int main(int argc, char** argv) {
  // First of all: past a file-size limit a write fails instead of ending
  // the tool, which then cuts a top-up it could not write whole.
  signal(SIGXFSZ, SIG_IGN);
  // Run as scripts/card, it says so in its usage line.
  const std::string program = argc > 0 && std::string(argv[0]) == "scripts/card" ? argv[0] : "card";
  const std::string usage = usageText(program);
  const ArgumentCheck check =
      checkArguments(std::vector<std::string_view>(argv + std::min(argc, 1), argv + argc), 4);
  if (check.verdict == ArgumentVerdict::Help) {
    consoleWrite(usage +
                 "\nlists the cards of WORLD (./world), shows a card's history, tops a card up, "
                 "or rebases every card to its balance once the trips are gone\n");
    return 0;
  }
  if (check.verdict == ArgumentVerdict::Refuse) return refuseUsage(usage, check.problem->text());
  const std::vector<std::string>& words = check.arguments;
  if (words.empty()) return refuseUsage(usage, "a command is needed");
  for (const Command& command : kCommands) {
    if (words[0] != command.name) continue;
    const std::vector<std::string> args(words.begin() + 1, words.end());
    if (args.size() < command.needs) {
      return refuseUsage(usage, std::string(command.name) + " needs " + command.arguments);
    }
    if (args.size() > command.needs + 1) {
      return refuseUsage(usage, "one argument too many: \"" + args.back() + "\"");
    }
    const std::filesystem::path world = args.size() > command.needs ? args.back() : kDefaultWorld;
    std::error_code error;
    if (!std::filesystem::is_directory(world / kCustomerDir, error)) {
      errorWrite("card: " + (world / kCustomerDir).string() + " is missing: " + world.string() +
                 " is no world\n");
      return kUsageStatus;
    }
    return run(command, args, world);
  }
  return refuseUsage(usage, "unknown command \"" + words[0] + "\"");
}
