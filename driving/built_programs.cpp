#include "driving/built_programs.h"

#include <unistd.h>

#include "common/files/file_system.h"

namespace fs = std::filesystem;

fs::path builtProgramsFolder() {
  std::error_code error;
  const fs::path self = fs::read_symlink("/proc/self/exe", error);
  return error ? fs::current_path() : self.parent_path();
}

Result<void> checkProgramsBuilt(const fs::path& folder, std::span<const char* const> programs) {
  for (const char* program : programs) {
    if (sys::access((folder / program).c_str(), X_OK) != 0) {
      return Problem((folder / program).string() +
                     " is missing: build the programs first (scripts/build --programs)");
    }
  }
  return {};
}
