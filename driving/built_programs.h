// Where a driver finds the world's programs it starts: in the folder it
// was itself built in (build/), beside its own executable.
#pragma once

#include <filesystem>
#include <span>

#include "common/base/problem.h"

// The running program's own folder (the working directory when it cannot
// be told).
std::filesystem::path builtProgramsFolder();

// Done when `folder` holds an executable of each of `programs`; otherwise
// the first it lacks, as "PATH is missing: build the programs first
// (scripts/build --programs)".
Result<void> checkProgramsBuilt(const std::filesystem::path& folder,
                                std::span<const char* const> programs);
