// audit WORLD: reconciles a world's cards against its trip logs, hand-over
// files and archives; exit status 0 when every fee matches, 1 on any
// difference, 2 when WORLD is no world.
#include <signal.h>

#include <filesystem>
#include <iostream>

#include "audit/world_audit.h"
#include "common/program_arguments.h"
#include "common/world_layout.h"

namespace {

constexpr ProgramUsage kUsage{
    "audit", "WORLD",
    "reconciles what the cards of WORLD paid with its trip logs and the settlement's statement", 1};

}  // namespace

int main(int argc, char** argv) {
  // First of all: past a file-size limit on its output a write fails
  // instead of ending the audit.
  signal(SIGXFSZ, SIG_IGN);
  std::vector<std::string> arguments;
  if (const auto status = answerArguments(argc, argv, kUsage, arguments)) return *status;
  if (arguments.empty()) {
    std::cerr << "audit: WORLD is missing; " << usageLine(kUsage) << "\n";
    return 2;
  }
  const std::filesystem::path root = arguments[0];
  std::error_code error;
  for (const char* dir : {kCustomerDir, kBusDir, kMetroDir}) {
    if (!std::filesystem::is_directory(root / dir, error)) {
      std::cerr << "audit: " << (root / dir).string() << " is missing: " << root.string()
                << " is no world\n";
      return 2;
    }
  }
  const WorldAudit audit = auditWorld(root);
  std::cout << auditReport(audit) << std::flush;
  return audit.reconciled() ? 0 : 1;
}
