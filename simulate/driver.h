// The driver: plays the riders' plans through the programs of a world, as
// people at the terminals would. It starts settlement_fast in Settlement/,
// the bus terminal in Bus/ and the five metro terminals in Metro/, each
// with its console on pipes (driving/program_supervisor.h), and types each
// tap into the console of the terminal where it happens once the clock
// file reaches the tap's planned time (simulate/tap_schedule.h). Several
// riders' taps wait at a terminal at once; a rider's next tap goes only
// once the one before was answered.
//
// A charged tap's stamp, fee and journey id come from the record its
// terminal appended to its trip log (driving/trip_log_follower.h), the
// same as the one on its card; the card is read back only when the log
// cannot tell (after a kill, say). A "Lack!" is met with a top-up by the
// card tool's own code and the tap again; a mistyped command with the tap
// typed right. What it all comes to is counted in simulate/tap_accounts.h.
//
// With chaos, a random program is killed now and then and started again
// once it is reaped. The taps a killed terminal had not answered are
// checked once the new one has shown its first prompt: a card with more
// records than when the tap was sent holds it; any other is sent again.
//
// At the end the terminals' input is ended, two statement lines are
// awaited after the last answer, and the settlement is stopped. SIGINT,
// SIGTERM or SIGHUP cut the day short: no tap is sent any more, the
// terminals' input is ended and the settlement stopped at once (a second
// such signal kills whatever still runs), and the report says so.
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
// played to its end says why in report.differences, one cut short by a
// signal names it in report.cutShortBy).
void playDay(const DriverSetup& setup, const std::vector<RiderPlan>& plans, TapsCsv& taps,
             DayReport& report);
