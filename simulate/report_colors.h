// The colours of report.html's charts: one per operator and one per
// terminal, the same in every chart.
#pragma once

#include "simulate/demand_model.h"

inline constexpr const char* kBusColor = "#d9822b";
inline constexpr const char* kMetroColor = "#2b6cb0";
inline constexpr const char* kTerminalColors[kTerminalCount] = {"#2b6cb0", "#4299e1", "#38a169",
                                                                "#805ad5", "#d53f8c", "#d9822b"};
