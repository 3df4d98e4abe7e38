// audit [WORLD]: reconciles a world's cards against its trip logs,
// hand-over files and archives (WORLD defaults to ./world; scripts/audit
// runs it); exit status 0 when every fee matches, 1 on any difference, 2
// for a command line it cannot take or a WORLD that is no world.
#include <filesystem>
#include <iostream>

#include "audit/world_audit.h"
#include "common/files/world_files.h"
#include "common/process/console.h"
#include "common/process/program_arguments.h"

namespace {

constexpr const char* kDefaultWorld = "world";
constexpr const char* kLauncher = "scripts/audit";

}  // namespace

int main(int argc, char** argv) {
  // First of all: past a file-size limit on its output a write fails
  // instead of ending the audit.
  ignoreFileSizeSignal();
  const bool launched = argc > 0 && std::string_view(argv[0]) == kLauncher;
  const ProgramUsage usage{
      launched ? kLauncher : "audit", "[WORLD]",
      "reconciles what the cards of WORLD (./world) paid with its trip logs and the settlement's "
      "statement",
      1};
  std::vector<std::string> arguments;
  if (const auto status = answerArguments(argc, argv, usage, arguments)) return *status;
  const std::filesystem::path named = arguments.empty() ? kDefaultWorld : arguments[0];
  const auto world = worldAt(named, kWorldNeeds);
  if (const Problem* problem = world.problem()) {
    errorWrite(std::string(invokedName()) + ": " + problem->text() + "\n");
    return kExitUsage;
  }
  // The world as it was named: the audit names its files from there.
  const WorldAudit audit = auditWorld(named);
  std::cout << auditReport(audit) << std::flush;
  return audit.reconciled() ? kExitDone : kExitRefused;
}
