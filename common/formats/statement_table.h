// The statement as people read it (common/formats/statement.h holds its format):
// one row per cycle that settled records (every cycle when asked), its fees
// and shares, and the running totals of the shares, what each operator is
// owed so far; and the same as a plain SVG chart, the shares per cycle as
// bars and cumulated as lines. Plain text in, plain text out.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/formats/statement.h"

struct StatementCycles {
  std::vector<StatementLine> cycles;
  // Lines that hold no cycle: a last line a kill cut short (it has no line
  // feed yet) or a line edited by hand.
  size_t skipped = 0;
};

// The cycles of a statement's text; nullopt when it does not begin with
// the statement's header (an empty text holds no cycle yet).
std::optional<StatementCycles> readStatementCycles(std::string_view text);

// The table: a header, the rows, a line for the cycles not shown and one
// for the lines that hold no cycle, then the totals after the last cycle.
// At least one cycle.
std::string statementTable(const StatementCycles& statement, bool allCycles);

// A chart of every cycle, titled `title`; a whole SVG document that a
// browser opens, with nothing in it that runs or is fetched. At least one
// cycle.
std::string statementChart(const std::vector<StatementLine>& cycles, std::string_view title);

// Whether a file that begins with `head` is an SVG image, one a chart may
// replace.
bool looksLikeSvg(std::string_view head);
