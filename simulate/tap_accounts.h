// The accounts of a simulated day: what the answered commands come to.
// Every command answered is a line of taps.csv; a charged tap adds its fee
// to its operator, its simulated hour and the spread of fees, its lag
// (stamp less plan) to the lag counts, and a transfer when it carries the
// card's journey id over to the other mode (once a journey); a refusal is
// counted by what the terminal printed. The figures go into the DayReport.
// Nothing per tap is allocated once the buffers have grown.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/formats/record_format.h"
#include "simulate/day_report.h"
#include "simulate/demand_model.h"
#include "simulate/percentile.h"
#include "simulate/taps_csv.h"

// The journey of a card's last charged tap, for counting the journeys that
// change mode; kept by the caller with the rest of its rider.
struct JourneyTrack {
  uint64_t id = 0;  // a hash of the journey id
  int8_t op = -1;
  bool counted = false;
};

// What a charged tap's record says.
struct ChargedRecord {
  int stamp = 0;  // simulated minutes from midnight of the first day
  Operator op = kBusOperator;
  long long fee = 0;
  std::string_view journeyId;
};

class TapAccounts {
 public:
  TapAccounts(DayReport& report, TapsCsv& taps);

  // `answer` is what the terminal printed (clock lines out); `mistyped`
  // whether the command was the rider's mistyped one; `journey` the
  // rider's.
  void charged(JourneyTrack& journey, int rider, const PlannedTap& tap, bool mistyped,
               std::string_view answer, const ChargedRecord& record);
  // A refusal; `finalAt` is the clock's minutes when the tap is not tried
  // again (it then counts in its hour), negative when it is.
  void refused(int rider, const PlannedTap& tap, bool mistyped, std::string_view answer,
               int finalAt);

  long long refusedCount() const { return refusedCount_; }
  // The lag summaries and the spread of fees into the report.
  void close();

 private:
  // The hour of `minutes` in the report's hourly figures, grown as needed.
  size_t hourSlot(int minutes);
  void row(int rider, const PlannedTap& tap, bool mistyped, std::string_view printed,
           std::optional<int> stamp, std::optional<long long> fee);

  DayReport& report_;
  TapsCsv& taps_;
  // Taps per fee and operator: a few fees, looked through in turn.
  std::vector<std::pair<long long, std::array<long long, 2>>> feeSpread_;
  std::array<std::string, kTerminalCount> names_;
  LagCounts lags_;
  LagCounts morningLags_;
  long long refusedCount_ = 0;
  std::string command_;  // scratch
  std::string printed_;  // scratch
};
