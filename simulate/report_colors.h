// The colours of report.html's charts: one per operator (those of every
// chart that draws the operators) and one per terminal, the same in every
// chart.
#pragma once

#include "common/formats/operator_colors.h"
#include "simulate/demand_model.h"

inline constexpr const char* kTerminalColors[kTerminalCount] = {"#2b6cb0", "#4299e1", "#38a169",
                                                                "#805ad5", "#d53f8c", "#d9822b"};
