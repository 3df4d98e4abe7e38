// The result blocks the settlement prints at each cycle, read back from its
// console: the title line, then the bus's and the metro's totals, in the
// formats the settlement writes them with (settlement/settlement_constants.h).
// Plain text in, plain values out.
#pragma once

#include <string>
#include <string_view>
#include <vector>

struct SettlementResult {
  long long bus = 0;
  long long metro = 0;
  std::string text;  // the block's three lines as printed
};

// Every whole block in `output`, in order. A block cut short at the end
// (its lines still coming) is none yet.
std::vector<SettlementResult> settlementResults(std::string_view output);
