// Where a charged tap's record is read: from its terminal's trip log, the
// next record of which is the tap's (driving/trip_log_follower.h), checked
// against the answer (its transport, direction and fee); or from the card,
// whose record after the ones the driver knows of is the tap's. Once a
// terminal's log has given a record that is not the answer's (a kill cut
// its order), its taps are read from their cards to the end of the day.
#pragma once

#include <array>
#include <filesystem>
#include <optional>
#include <string>

#include "driving/trip_log_follower.h"
#include "simulate/demand_model.h"
#include "simulate/tap_accounts.h"

class TapRecords {
 public:
  TapRecords(const std::filesystem::path& world, int firstDay);

  // The record of the tap `tap` of `rider` that terminal `terminal`
  // charged `fee` for; the card's when the log cannot tell. `records` is
  // how many records the rider's card held before the tap, `balance` its
  // balance then. The record's journey id holds until the next call.
  std::optional<ChargedRecord> charged(int terminal, int rider, const PlannedTap& tap,
                                       std::optional<long long> fee, size_t records, int balance);

  // The record beyond the `records` first on the rider's card, if any.
  std::optional<ChargedRecord> onCard(int rider, size_t records, int balance);

  // A tap found on its card after a kill: the terminal's log holds its
  // record next (written before the kill, or by the new terminal when it
  // completed the tap); taken, so the log's order is kept.
  void takeLogged(int terminal, const PlannedTap& tap, long long fee);

 private:
  // The terminal's next log record when it is the one of `tap` charged
  // `fee`; the log is given up otherwise.
  std::optional<RecordColumns> nextLogged(int terminal, const PlannedTap& tap, long long fee);

  std::filesystem::path world_;
  int firstDay_;
  std::array<std::optional<TripLogFollower>, kTerminalCount> logs_;
  std::string cardJourney_;  // the journey id of a record read off a card
};
