// audit WORLD: reconciles a world's cards against its trip logs, hand-over
// files and archives; exit status 0 when every fee matches, 1 on any
// difference, 2 when WORLD is no world.
#include <filesystem>
#include <iostream>

#include "audit/world_audit.h"
#include "common/world_layout.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: audit WORLD\n";
    return 2;
  }
  const std::filesystem::path root = argv[1];
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
