// After the day: the statement read back, the audit run on the stopped
// world, and what must agree compared. The run reconciles when every
// planned tap was answered, the audit finds no difference and the
// statement settles, per operator, exactly what the cards paid, which is
// also what the driver read from the taps' records.
#pragma once

#include <filesystem>

#include "simulate/day_report.h"

void reconcileDay(const std::filesystem::path& world, DayReport& report);

// The comparisons alone, on figures already in `report`: a sentence per
// difference, appended to report.differences.
void compareFigures(DayReport& report);
