// report.json: the day's figures, keyed for a program to read. Amounts of
// money are per operator ({"BUS": …, "METRO": …}); "settled" is the
// statement's shares, "fees_charged" what the taps' records on the cards
// took; "audit" is "reconciled" or the audit's differences. Keys keep the
// order they are written in; the file is indented by two spaces.
#pragma once

#include <string>

#include "simulate/day_report.h"

std::string reportJson(const DayReport& report);
