// A card's journeys, read from its file: its charged taps grouped the way
// the terminals' fare rules took them. A journey begins at an entry the
// fare rules charged by their standard rules and holds every later charged
// tap of the card up to the next such entry; an entry charged by the
// transfer rules goes on with the journey. The charged taps before the
// card's first standard entry form a journey of their own.
//
// Whether an entry was a transfer is decided by the terminals' own route
// (terminal/fare_rules.h, fareRoute) from the records the card lookup finds
// before it (terminal/card_lookup.h, readCardTail) and the minutes since
// the last of them, so no rule or constant is written twice. A leg's fee is
// the fall of the balance (common/formats/card_history.h); the provisioning,
// top-ups and lines that hold no record are no legs, and a refused tap
// never reaches the card. A card record does not name its metro station:
// a metro leg's station is known only where it is given from elsewhere.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/formats/record_format.h"
#include "common/formats/time_info.h"

struct JourneyLeg {
  Operator mode = kMetroOperator;
  bool entry = false;
  TimeInfo stamp;  // the record's time as the terminals read it
  long long fee = 0;
  size_t line = 0;             // of the card file, from 1
  std::optional<int> station;  // a metro leg's station (0 to 4), where known
  bool operator==(const JourneyLeg&) const = default;
};

enum class JourneyKind : size_t {
  kMetroOnly,
  kBusOnly,
  kBusThenMetro,
  kMetroThenBus,
  kMoreChanges
};
inline constexpr size_t kJourneyKinds = 5;
inline constexpr std::array<std::string_view, kJourneyKinds> kJourneyKindNames = {
    "metro_only", "bus_only", "bus_then_metro", "metro_then_bus", "more_changes"};

struct Journey {
  std::vector<JourneyLeg> legs;  // in the card's order, at least one

  Operator origin() const { return legs.front().mode; }
  // By the changes of mode from leg to leg: none, one (either way), more.
  JourneyKind kind() const;
  long long paid() const;
};

// The journeys of a card file's text, oldest first.
std::vector<Journey> cardJourneys(std::string_view cardText);

// A stamp as minutes on one line through the calendar, so that midnight and
// month ends are no boundary; a day past its month's end counts on (the
// simulated clock's day never wraps into the month).
long long stampMinutes(const TimeInfo& t);

// "bus", "metro2", or "metro?" for a metro leg whose station is not known.
std::string legTerminal(const JourneyLeg& leg);
