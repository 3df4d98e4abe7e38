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

// The number of cycle lines statement.csv holds now (0 when it has none).
size_t statementLineCount(const std::filesystem::path& world);

// Its lines; a line that is no statement line is named in `problem`.
std::vector<StatementLine> readStatement(const std::filesystem::path& world,
                                         std::optional<std::string>& problem);
