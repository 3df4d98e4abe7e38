// Each operator's colour, the same in every chart that draws them: the
// statement's chart (statement_table.h) and the simulator's report.
#pragma once

inline constexpr const char* kBusColor = "#d9822b";
inline constexpr const char* kMetroColor = "#2b6cb0";
