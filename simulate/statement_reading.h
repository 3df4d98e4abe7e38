// The settlement's statement as the driver reads it back: its lines, and
// how many there are so far (to know when a whole cycle has begun after
// the last tap). Settled amounts come from here only, never from the
// result blocks the settlement prints.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "common/formats/statement.h"

// The number of cycle lines statement.csv holds now: 0 while it is missing
// (the settlement writes it at its first cycle) or cannot be read.
size_t statementLineCount(const std::filesystem::path& world);

// Its lines, and what is wrong with it, if anything: a statement that is
// missing or cannot be read (then no lines), or the first line that is no
// statement line (the others are read all the same).
struct StatementRead {
  std::vector<StatementLine> lines;
  std::optional<Problem> problem;
};
StatementRead readStatement(const std::filesystem::path& world);
