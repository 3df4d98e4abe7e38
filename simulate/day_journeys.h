// The day's journeys, read back from the cards of the stopped world by the
// terminals' own rules (journeys/journey_reading.h) and held against the
// plan: every planned journey found, a change past the transfer window
// found as two journeys, none invented. A card record does not name its
// metro station, but a rider types each tap at its planned terminal, so
// each metro leg takes its station from the plan. From them come what the
// report shows: the split rules' table, boardings per quarter hour per
// terminal, the waits between the modes, and the riders by home and work.
#pragma once

#include <array>
#include <filesystem>
#include <string>
#include <vector>

#include "journeys/rule_table.h"
#include "simulate/demand_model.h"

struct PlanCheck {
  long long planned = 0;          // journeys the plan holds
  long long found = 0;            // of them, found whole or split where they should be
  long long splitPastWindow = 0;  // changes past the transfer window found as two journeys
  long long invented = 0;         // journeys read that begin where no journey should
  long long cardsOff = 0;         // cards whose charged taps are not the planned ones
  std::string example;            // the first difference
  bool asPlanned() const { return found == planned && invented == 0 && cardsOff == 0; }
};

inline constexpr int kBoardingMinutes = 15;
// Boardings are counted over the first days of the clock only.
inline constexpr int kBoardingDays = 7;
// Waits between the modes by 10 minutes up to 180, then one bin for longer.
inline constexpr int kWaitBinMinutes = 10;
inline constexpr size_t kWaitBins = 19;
enum WaitOutcome : size_t { kWentOn = 0, kBeganAnew = 1 };

struct DayJourneys {
  RuleTable table;
  PlanCheck check;
  // Entries per quarter hour from midnight of the first day, per terminal.
  std::vector<std::array<long long, kTerminalCount>> boardings;
  // Entries at one mode after an exit at the other, by the minutes between
  // them: the entry went on with the journey as a transfer, or began anew.
  std::array<std::array<long long, 2>, kWaitBins> waits{};
  std::array<std::array<long long, kTerminalCount>, kTerminalCount> homeWork{};  // [home][work]
};

// Holds `journeys`, read from the card `card` of a rider who planned
// `plan`, against the plan and gives each metro leg its planned station;
// adds what it finds to `check`.
void checkAgainstPlan(const std::string& card, const RiderPlan& plan,
                      std::vector<Journey>& journeys, PlanCheck& check);

// Adds a rider's journeys (checked) to the table and the figures.
void addRider(DayJourneys& day, const RiderPlan& plan, const std::vector<Journey>& journeys,
              int firstDay);

// Reads every rider's card in `world`; the clock's day at the start is
// `firstDay`, and `settled` the statement's shares.
DayJourneys readDayJourneys(const std::filesystem::path& world, const std::vector<RiderPlan>& plans,
                            int firstDay, const OperatorAmounts& settled);

// The sentence of the check: "all 1,843 planned journeys found (...)".
std::string planCheckText(const PlanCheck& check);
