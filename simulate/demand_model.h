// The riders of a simulated day and the taps they plan, from a seed alone.
//
// Each rider has a home and a work place, each a metro station (0 to 4) or
// the bus, and travels out in the morning (or, for some, at any hour) and
// back later the same day: by metro only, by bus only, by bus then metro,
// or by metro then bus, changing where the bus meets the metro at the
// rider's transfer station. Departures follow a day profile with a morning
// and an evening peak; ride times grow with the distance; the wait between
// the two modes is mostly within the 120 minutes of a transfer and
// sometimes beyond. A few riders start with a low balance (they top up
// when a terminal says "Lack!") and a few taps are first mistyped.
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
  bool operator==(const RiderPlan&) const = default;
};

struct DemandOptions {
  int riders = 1000;
  int fromMinute = 5 * 60;  // the window: journeys that begin in it
  int minutes = 19 * 60;
  uint64_t seed = 1;
};

// What a low balance rider tops up by after a "Lack!".
inline constexpr int kTopUpAmount = 10000;

// The plan of every rider, rider 0 first.
std::vector<RiderPlan> planDay(const DemandOptions& options);

// The card number of rider `rider` (from 0): "1000001", ...
std::string riderCard(int rider);
// The same without an allocation.
struct CardNumberText {
  char text[16];
  size_t size = 0;
  std::string_view view() const { return {text, size}; }
};
CardNumberText riderCardText(int rider);
