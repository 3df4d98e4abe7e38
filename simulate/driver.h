// The driver: plays the riders' plans through the programs of a world, as
// people at the terminals would. It starts settlement_fast in Settlement/,
// the bus terminal in Bus/ and the five metro terminals in Metro/, each
// with its console on pipes, and types each tap into the console of the
// terminal where it happens once the clock file reaches the tap's planned
// time. Several riders' taps wait at a terminal at once; a rider's next
// tap goes only once the one before was answered. Every child's output is
// drained as it comes, and nothing ever waits on one child.
//
// A tap's outcome is read back from its card: the record the terminal
// appended. A "Lack!" is met with a top-up by the card tool's own code and
// the tap again; a mistyped command with the tap typed right.
//
// With chaos, a random program is killed now and then and started again
// once it is reaped. The taps a killed terminal had not answered are
// checked once the new one has shown its first prompt: a card longer than
// when the tap was sent holds it; any other is sent again.
//
// At the end the terminals' input is ended, two statement lines are
// awaited after the last answer, and the settlement is stopped.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "simulate/day_report.h"
#include "simulate/demand_model.h"
#include "simulate/taps_csv.h"

struct DriverSetup {
  std::filesystem::path world;
  std::filesystem::path programs;  // the folder holding the built programs
  int firstDay = 0;                // the clock's day at the start
  int fromMinute = 0;              // the clock's minutes at the start
  std::optional<double> chaosSeconds;
  uint64_t seed = 1;
};

// Plays `plans`; the figures go into `report` (a run that could not be
// played to its end says why in report.differences).
void playDay(const DriverSetup& setup, const std::vector<RiderPlan>& plans, TapsCsv& taps,
             DayReport& report);
