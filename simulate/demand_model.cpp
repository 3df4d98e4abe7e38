#include "simulate/demand_model.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>

#include "common/files/world_layout.h"
#include "simulate/random_stream.h"

namespace {

constexpr int kDayMinutes = 24 * 60;

// The built-in model's pairs: a home on the bus for 35% of the riders, work
// on the bus for 30%, the stations evenly, and never home and work at one
// station: each share is written as it reads in the demand table.
constexpr double kBusToBus = 0.105;            // 0.35 * 0.30
constexpr double kBusToStation = 0.049;        // 0.35 * 0.70 / 5
constexpr double kStationToBus = 0.039;        // 0.65 / 5 * 0.30
constexpr double kStationToStation = 0.02275;  // 0.65 / 5 * 0.70 / 4
constexpr double kCommuters = 0.75;            // the others travel at any hour
constexpr DemandPair kBuiltInTimes{.commuters = kCommuters,
                                   .outPeak = 8 * 60,
                                   .outSpread = 50,
                                   .outEarliest = 5 * 60,
                                   .outLatest = 11 * 60,
                                   .backPeak = 17 * 60 + 30,
                                   .backSpread = 70,
                                   .othersFrom = 6 * 60,
                                   .othersTo = 20 * 60,
                                   .othersStayLeast = 120,
                                   .othersStayMost = 360};

// Fixed for every pair.
constexpr double kLowBalance = 0.04;
constexpr double kMistyped = 0.015;  // of the taps
constexpr int kLeastStay = 60;       // between arriving and going back

constexpr int kRichBalance = 100000;

struct Place {
  bool bus = false;
  int station = 0;
};

int ringDistance(int a, int b) {
  const int d = std::abs(a - b);
  return std::min(d, kMetroStations - d);
}

int metroRide(RandomStream& random, int from, int to) {
  return 4 + 6 * ringDistance(from, to) + random.between(0, 4);
}

int busRide(RandomStream& random) {
  return random.between(8, 38);
}

// Mostly a short change, sometimes a long one, now and then longer than a
// transfer allows.
int transferWait(RandomStream& random) {
  const double u = random.uniform();
  if (u < 0.90) return 1 + std::min(109, static_cast<int>(random.exponential(12)));
  if (u < 0.97) return random.between(30, 115);
  return random.between(125, 170);
}

int clampMinute(double minute, int low, int high) {
  return std::clamp(static_cast<int>(minute), low, high);
}

struct Rider {
  Place home;
  Place work;
  int transferStation = 0;  // where the bus meets the metro for this rider
};

// Appends the taps of one journey from `from` to `to` leaving at `minute`;
// the minute it ends.
int journey(RandomStream& random, const Rider& rider, Place from, Place to, int minute,
            std::vector<PlannedTap>& taps) {
  auto tap = [&](int terminal, bool entry) {
    PlannedTap t;
    t.minute = minute;
    t.terminal = static_cast<uint8_t>(terminal);
    t.entry = entry;
    if (random.chance(kMistyped)) t.typo = static_cast<Typo>(random.between(1, 3));
    taps.push_back(t);
  };
  auto metro = [&](int a, int b) {
    tap(a, true);
    minute += metroRide(random, a, b);
    tap(b, false);
  };
  auto bus = [&] {
    tap(kBusTerminal, true);
    minute += busRide(random);
    tap(kBusTerminal, false);
  };
  if (!from.bus && !to.bus) {
    metro(from.station, to.station);
  } else if (from.bus && to.bus) {
    bus();
  } else if (from.bus) {
    bus();
    minute += transferWait(random);
    metro(rider.transferStation, to.station);
  } else {
    metro(from.station, rider.transferStation);
    minute += transferWait(random);
    bus();
  }
  return minute;
}

Place placeOf(int terminal) {
  return {terminal == kBusTerminal, terminal == kBusTerminal ? 0 : terminal};
}

// The pair whose share holds `u` (from 0 to 1) of all the shares laid end
// to end; a pair without share is never drawn.
const DemandPair& drawPair(const DemandModel& model, double u) {
  double total = 0;
  for (const DemandPair& pair : model.pairs) total += pair.share;
  const double target = u * total;
  double reached = 0;
  const DemandPair* drawn = nullptr;
  for (const DemandPair& pair : model.pairs) {
    if (pair.share <= 0) continue;
    drawn = &pair;
    reached += pair.share;
    if (target < reached) break;
  }
  return *drawn;
}

RiderPlan planRider(const DemandOptions& options, const DemandModel& model, int index) {
  RandomStream random(options.seed, static_cast<uint64_t>(index));
  const DemandPair& pair = drawPair(model, random.uniform());
  Rider rider;
  rider.home = placeOf(pair.home);
  rider.work = placeOf(pair.work);
  // Never the station at the metro end of a journey that changes there.
  const int metroEnd = rider.home.bus ? rider.work.station : rider.home.station;
  rider.transferStation = (metroEnd + random.between(1, 4)) % kMetroStations;

  RiderPlan plan;
  plan.home = static_cast<uint8_t>(pair.home);
  plan.work = static_cast<uint8_t>(pair.work);
  plan.balance = random.chance(kLowBalance) ? 50 * random.between(2, 20) : kRichBalance;
  const bool commuter = random.chance(pair.commuters);
  const int out = commuter ? clampMinute(random.normal(pair.outPeak, pair.outSpread),
                                         pair.outEarliest, pair.outLatest)
                           : random.between(pair.othersFrom, pair.othersTo);
  const double back = commuter ? random.normal(pair.backPeak, pair.backSpread)
                               : out + random.between(pair.othersStayLeast, pair.othersStayMost);
  const int windowEnd = options.fromMinute + options.minutes;
  auto inWindow = [&](int minute) {
    return minute >= options.fromMinute && minute < windowEnd && minute < kDayMinutes;
  };
  // Both journeys are drawn whether or not they are played, so a window
  // never changes what the rider does.
  std::vector<PlannedTap> outTaps;
  std::vector<PlannedTap> backTaps;
  const int arrived = journey(random, rider, rider.home, rider.work, out, outTaps);
  // A return that would leave after midnight is not made this day.
  const int leaves = std::max(static_cast<int>(back), arrived + kLeastStay);
  journey(random, rider, rider.work, rider.home, leaves, backTaps);
  if (inWindow(out)) plan.taps = std::move(outTaps);
  if (inWindow(leaves)) plan.taps.insert(plan.taps.end(), backTaps.begin(), backTaps.end());
  return plan;
}

}  // namespace

std::string terminalName(int terminal) {
  return terminal == kBusTerminal ? "bus" : "metro" + std::to_string(terminal);
}

std::string tapCommand(const std::string& card, const PlannedTap& tap, bool mistyped) {
  std::string command;
  appendTapCommand(command, card, tap, mistyped);
  return command;
}

void appendTapCommand(std::string& out, std::string_view card, const PlannedTap& tap,
                      bool mistyped) {
  out += card;
  const std::string_view direction = tap.entry ? " IN" : " OUT";
  switch (mistyped ? tap.typo : Typo::kNone) {
    case Typo::kLowerCase:
      out += tap.entry ? " in" : " out";
      return;
    case Typo::kExtraWord:
      out += direction;
      out += " now";
      return;
    case Typo::kNoDirection:
      return;
    case Typo::kNone:
      break;
  }
  out += direction;
}

DemandModel builtInDemand() {
  DemandModel model;
  for (int home = 0; home < kTerminalCount; ++home) {
    for (int work = 0; work < kTerminalCount; ++work) {
      const bool homeOnBus = home == kBusTerminal;
      const bool workOnBus = work == kBusTerminal;
      if (!homeOnBus && !workOnBus && home == work) continue;
      DemandPair pair = kBuiltInTimes;
      pair.home = home;
      pair.work = work;
      pair.share = homeOnBus ? (workOnBus ? kBusToBus : kBusToStation)
                             : (workOnBus ? kStationToBus : kStationToStation);
      model.pairs.push_back(pair);
    }
  }
  return model;
}

std::vector<RiderPlan> planDay(const DemandOptions& options, const DemandModel& model) {
  std::vector<RiderPlan> plans;
  plans.reserve(static_cast<size_t>(std::max(0, options.riders)));
  for (int rider = 0; rider < options.riders; ++rider) {
    plans.push_back(planRider(options, model, rider));
  }
  return plans;
}

std::string riderCard(int rider) {
  return std::string(riderCardText(rider).view());
}

CardNumberText riderCardText(int rider) {
  CardNumberText card;
  const auto end = std::to_chars(card.text, card.text + sizeof card.text, 1000001LL + rider).ptr;
  card.size = static_cast<size_t>(end - card.text);
  return card;
}
