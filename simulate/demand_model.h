// The riders of a simulated day and the taps they plan, from a seed and a
// demand model alone.
//
// Each rider has a home and a work place, each a metro station (0 to 4) or
// the bus, drawn by the model's share of each pair of them, and travels out
// in the morning (or, for some, at any hour) and back later the same day:
// by metro only, by bus only, by bus then metro, or by metro then bus,
// changing where the bus meets the metro at the rider's transfer station.
// The pair says when its riders travel: the commuters' morning and evening
// peaks and spreads, and the hours and stays of the others. Ride times grow
// with the distance; the wait between the two modes is mostly within the
// 120 minutes of a transfer and sometimes beyond. A few riders start with a
// low balance (they top up when a terminal says "Lack!") and a few taps are
// first mistyped; these, the rides and the waits are fixed here.
//
// Every rider's plan comes from its own random stream (the seed and the
// rider's number), so a rider plans the same day whatever the number of
// riders. A window plays the journeys that begin in it, each to its end.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The terminals of a world, as the plan names them: the metro stations 0
// to 4 by their number, then the bus.
inline constexpr int kBusTerminal = 5;
inline constexpr int kTerminalCount = 6;
std::string terminalName(int terminal);  // "metro2", "bus"

// How a command is first mistyped before the rider types it right.
enum class Typo : uint8_t {
  kNone,
  kLowerCase,   // "1000001 in"
  kExtraWord,   // "1000001 IN now"
  kNoDirection  // "1000001"
};

struct PlannedTap {
  int minute = 0;  // simulated minutes from midnight of the first day
  uint8_t terminal = 0;
  bool entry = true;
  Typo typo = Typo::kNone;
  bool operator==(const PlannedTap&) const = default;
};

// The command a rider types for `tap` on `card`; the mistyped one when
// `mistyped`. appendTapCommand appends it to `out`.
std::string tapCommand(const std::string& card, const PlannedTap& tap, bool mistyped);
void appendTapCommand(std::string& out, std::string_view card, const PlannedTap& tap,
                      bool mistyped);

struct RiderPlan {
  int balance = 0;               // provisioned
  std::vector<PlannedTap> taps;  // in time order
  uint8_t home = 0;              // terminals, as the taps name them
  uint8_t work = 0;
  bool operator==(const RiderPlan&) const = default;
};

// One pair of home and work place of the demand model: its share of the
// riders and when they travel. Times are minutes from midnight.
struct DemandPair {
  int home = 0;  // a terminal: metro station 0 to 4, or kBusTerminal
  int work = 0;
  double share = 0;      // of the riders, relative to the other pairs' shares
  double commuters = 0;  // of the pair's riders; the others travel at any hour
  // The commuters leave home around outPeak (a normal spread of outSpread
  // minutes, never before outEarliest or after outLatest) and work around
  // backPeak.
  int outPeak = 0;
  int outSpread = 0;
  int outEarliest = 0;
  int outLatest = 0;
  int backPeak = 0;
  int backSpread = 0;
  // The others leave home evenly from othersFrom to othersTo and go back
  // othersStayLeast to othersStayMost minutes later.
  int othersFrom = 0;
  int othersTo = 0;
  int othersStayLeast = 0;
  int othersStayMost = 0;
  bool operator==(const DemandPair&) const = default;
};

// At least one pair with a share above 0; each pair's times in order.
struct DemandModel {
  std::vector<DemandPair> pairs;
  bool operator==(const DemandModel&) const = default;
};

// The model built in: a home on the bus for 35% of the riders (else a
// metro station, evenly), work on the bus for 30% (else another station
// than home, evenly); in every pair 75% commute, out at 08:00 +- 50 minutes
// (05:00 to 11:00) and back at 17:30 +- 70; the others leave from 06:00 to
// 20:00 and stay 2 to 6 hours.
DemandModel builtInDemand();

struct DemandOptions {
  int riders = 1000;
  int fromMinute = 5 * 60;  // the window: journeys that begin in it
  int minutes = 19 * 60;
  uint64_t seed = 1;
};

// What a low balance rider tops up by after a "Lack!".
inline constexpr int kTopUpAmount = 10000;

// The plan of every rider, rider 0 first.
std::vector<RiderPlan> planDay(const DemandOptions& options,
                               const DemandModel& model = builtInDemand());

// The card number of rider `rider` (from 0): "1000001", ...
std::string riderCard(int rider);
// The same without an allocation.
struct CardNumberText {
  char text[16];
  size_t size = 0;
  std::string_view view() const { return {text, size}; }
};
CardNumberText riderCardText(int rider);
