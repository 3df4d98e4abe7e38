// The world tool's "journeys" (scripts/journeys): the journeys the cards of
// a world hold (journeys/journey_reading.h), counted by kind, and what each
// split rule gives the bus and the metro beside the statement's shares
// (journeys/rule_table.h); with --csv, one line per journey for a
// spreadsheet instead. It only reads, and only a quiet world: while a
// program of the world runs, its cards and statement change under the
// reading, so it says so in one line and shows no numbers.
#pragma once

#include <filesystem>
#include <string>

#include "journeys/journey_reading.h"

// The --csv header and the line of journey `number` (from 1) of `card`.
std::string journeysCsvHeader();
std::string journeyCsvLine(const std::string& card, size_t number, const Journey& journey);

// The journeys of the world at `world` (physical), named `named` as the
// user named it; the exit status.
int showJourneys(const std::filesystem::path& world, const std::filesystem::path& named, bool csv);
