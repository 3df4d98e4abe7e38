// Whether a program runs where a world expects it: in a directory of the
// right name (a metro terminal in Metro/, the bus terminal in Bus/) with the
// directories it uses beside it. A program started anywhere else would
// write files no one collects, so it refuses to start.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "common/base/problem.h"

struct WorldPlace {
  std::optional<std::string> ownDir;  // the name its working directory must have
  std::vector<std::string> siblings;  // directories it needs beside it
};

// Done when the working directory is such a place; otherwise what is
// missing.
Result<void> checkPlace(const WorldPlace& place);

// The one of `siblings` (directories beside the working directory) that
// the working directory is itself, by identity, not by name; nullopt for
// none.
std::optional<std::string> workingDirAmong(const std::vector<std::string>& siblings);
