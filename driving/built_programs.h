// Where a driver finds the world's programs it starts: in the folder it
// was itself built in (build/), beside its own executable.
#pragma once

#include <filesystem>
#include <optional>
#include <span>

#include "common/process/problem.h"

// The running program's own folder (the working directory when it cannot
// be told).
std::filesystem::path builtProgramsFolder();

// The first of `programs` that `folder` holds no executable of, as "PATH is
// missing: build the programs first (scripts/build --programs)"; nullopt
// when every one is there.
std::optional<Problem> missingProgram(const std::filesystem::path& folder,
                                      std::span<const char* const> programs);
