// Laying out the world a simulation drives: its directories, every rider's
// card provisioned with the card tool's own first record (written whole,
// in process: a script per card is far too slow for a day's riders), and
// the clock file the settlement goes on from: today's date in the
// settlement's own year at the window's first minute.
#pragma once

#include <filesystem>
#include <vector>

#include "common/base/problem.h"
#include "common/formats/time_info.h"
#include "simulate/demand_model.h"

// Whether `world` may be laid out: a directory that is missing or empty.
// Why not otherwise.
Result<void> checkWorldFree(const std::filesystem::path& world);

// The clock at the start: today (local time) at `fromMinute`.
TimeInfo startClock(int fromMinute);

Result<void> layOutWorld(const std::filesystem::path& world, const std::vector<RiderPlan>& plans,
                         const TimeInfo& start);
