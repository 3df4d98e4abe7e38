// The world tool's "statement": shows the settlement's statement of a world
// (common/formats/statement_table.h) and, when asked, draws it as an SVG chart. It
// only reads the world: a chart never goes over a file of the world's
// programs or into their directories, never over a file that is no SVG
// chart, and it is written whole to a fresh file renamed into place, before
// anything is printed, so a chart that cannot be written is one line and
// no table.
#pragma once

#include <filesystem>
#include <optional>
#include <set>
#include <string>

// Why a chart may not go to `relative`, a path inside the world from its
// root: one of the programs' own files at the root (the statement, the
// settlement's state or lock file, a temporary file of theirs), or a place
// in time/, customer/, Metro/, Bus/ or one of `settlementDirs`. nullopt for
// a name of its own at the root or in a directory of people's (report/).
std::optional<std::string> programsPlaceOf(const std::filesystem::path& relative,
                                           const std::set<std::string>& settlementDirs);

// The statement of the world at `world` (physical), named `named` as the user
// named the world; the chart to `svg` when it is not empty.
int showStatement(const std::filesystem::path& world, const std::filesystem::path& named,
                  bool allCycles, const std::string& svg);
