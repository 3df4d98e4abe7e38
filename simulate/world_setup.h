// Laying out the world a simulation drives: its directories, every rider's
// card provisioned with the card tool's own first record (each file created
// fresh and written whole in one write, in process: a script per card is
// far too slow for a day's riders), and the clock file the settlement goes
// on from: today's date in the settlement's own year at the window's first
// minute.
#pragma once

#include <filesystem>
#include <functional>
#include <vector>

#include "common/base/problem.h"
#include "common/files/file_handle.h"
#include "common/formats/time_info.h"
#include "simulate/demand_model.h"

// Takes `world` for this run: made when missing, then locked (an flock on
// the directory itself, held as long as the descriptor is open) and found
// empty. Why not: another simulate plays it, or it is no empty directory.
Result<FileDescriptor> holdWorld(const std::filesystem::path& world);

// The clock at the start: today (local time) at `fromMinute`.
TimeInfo startClock(int fromMinute);

// Lays out `world` (free, and held by this process alone) for `plans`.
// `stopped` is asked every few thousand cards; when it says so the laying
// out ends there, and the Problem says it was stopped.
Result<void> layOutWorld(const std::filesystem::path& world, const std::vector<RiderPlan>& plans,
                         const TimeInfo& start, const std::function<bool()>& stopped);
