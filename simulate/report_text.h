// The summary printed at the end of a simulated day, and report.html: one
// self-contained page (no script, nothing fetched) with the figures and a
// chart per question, each chart its own inline SVG.
#pragma once

#include <string>

#include "simulate/day_report.h"

// "cut short by SIGTERM: 1,234 of 5,678 planned taps answered, ...".
std::string cutShortText(const DayReport& report);

std::string summaryText(const DayReport& report, const std::string& reportDir);

std::string reportHtml(const DayReport& report);
