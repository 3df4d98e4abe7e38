#include "simulate/day_journeys.h"

#include <fcntl.h>

#include <algorithm>

#include "common/base/text.h"
#include "common/files/file_handle.h"
#include "common/files/world_files.h"
#include "terminal/fare_rules.h"
#include "terminal/time_info.h"

namespace {

// The legs of a card's journeys in order, and whether each begins one.
struct CardLeg {
  JourneyLeg* leg;
  bool begins;
};

std::vector<CardLeg> cardLegs(std::vector<Journey>& journeys) {
  std::vector<CardLeg> legs;
  for (Journey& journey : journeys) {
    for (JourneyLeg& leg : journey.legs) legs.push_back({&leg, &leg == &journey.legs.front()});
  }
  return legs;
}

Operator modeOf(const PlannedTap& tap) {
  return tap.terminal == kBusTerminal ? kBusOperator : kMetroOperator;
}

// Whether planned tap `i` begins a journey of the plan: the first, or an
// entry that is no change to the other mode right after an exit.
bool beginsPlanned(const std::vector<PlannedTap>& taps, size_t i) {
  if (i == 0) return true;
  const bool change = modeOf(taps[i]) != modeOf(taps[i - 1]) && !taps[i - 1].entry;
  return taps[i].entry && !change;
}

int terminalOf(const JourneyLeg& leg) {
  return leg.mode == kBusOperator ? kBusTerminal : leg.station.value_or(-1);
}

}  // namespace

void checkAgainstPlan(const std::string& card, const RiderPlan& plan,
                      std::vector<Journey>& journeys, PlanCheck& check) {
  const std::vector<PlannedTap>& taps = plan.taps;
  long long planned = 0;
  for (size_t i = 0; i < taps.size(); ++i) planned += beginsPlanned(taps, i);
  check.planned += planned;
  const std::vector<CardLeg> legs = cardLegs(journeys);
  bool same = legs.size() == taps.size();
  for (size_t i = 0; same && i < legs.size(); ++i) {
    same = legs[i].leg->mode == modeOf(taps[i]) && legs[i].leg->entry == taps[i].entry;
  }
  if (!same) {
    ++check.cardsOff;
    if (check.example.empty()) {
      check.example = "card " + card + " holds " + std::to_string(legs.size()) +
                      " charged taps where " + std::to_string(taps.size()) + " were planned";
    }
    return;
  }
  // Where journeys should begin: where planned ones do, and at a change
  // the terminals' window no longer covers, by the records' stamps.
  std::vector<bool> expected(taps.size());
  std::vector<bool> pastWindow(taps.size());
  for (size_t i = 0; i < taps.size(); ++i) {
    if (taps[i].terminal != kBusTerminal) legs[i].leg->station = taps[i].terminal;
    pastWindow[i] = !beginsPlanned(taps, i) && taps[i].entry &&
                    lagMinutes(legs[i].leg->stamp, legs[i - 1].leg->stamp) > kTransferWindowMinutes;
    expected[i] = beginsPlanned(taps, i) || pastWindow[i];
    if (legs[i].begins && !expected[i]) {
      ++check.invented;
      if (check.example.empty()) {
        check.example = "card " + card + " line " + std::to_string(legs[i].leg->line) +
                        " begins a journey where none was planned";
      }
    }
  }
  for (size_t start = 0; start < taps.size();) {
    size_t end = start + 1;
    while (end < taps.size() && !beginsPlanned(taps, end)) ++end;
    bool found = end == taps.size() || legs[end].begins;
    long long splits = 0;
    for (size_t i = start; i < end; ++i) {
      found = found && legs[i].begins == expected[i];
      splits += pastWindow[i];
    }
    if (found) {
      ++check.found;
      check.splitPastWindow += splits;
    } else if (check.example.empty()) {
      check.example = "card " + card + ": the journey planned from line " +
                      std::to_string(legs[start].leg->line) + " is not found as planned";
    }
    start = end;
  }
}

void addRider(DayJourneys& day, const RiderPlan& plan, const std::vector<Journey>& journeys,
              int firstDay) {
  ++day.homeWork[plan.home][plan.work];
  const JourneyLeg* previous = nullptr;
  for (const Journey& journey : journeys) {
    day.table.add(journey);
    for (const JourneyLeg& leg : journey.legs) {
      const int terminal = terminalOf(leg);
      // In 64 bits: a day read from a card may be anything.
      const long long minute = (static_cast<long long>(leg.stamp.day) - firstDay) * kMinutesPerDay +
                               static_cast<long long>(leg.stamp.hour) * 60 + leg.stamp.minute;
      if (leg.entry && terminal >= 0 && minute >= 0 && minute < kBoardingDays * kMinutesPerDay) {
        const auto bin = static_cast<size_t>(minute / kBoardingMinutes);
        if (bin >= day.boardings.size()) day.boardings.resize(bin + 1);
        ++day.boardings[bin][static_cast<size_t>(terminal)];
      }
      if (leg.entry && previous && !previous->entry && previous->mode != leg.mode) {
        const long long wait =
            std::max(0LL, stampMinutes(leg.stamp) - stampMinutes(previous->stamp));
        const auto bin = static_cast<size_t>(
            std::min<long long>(wait == 0 ? 0 : (wait - 1) / kWaitBinMinutes, kWaitBins - 1));
        ++day.waits[bin][&leg == &journey.legs.front() ? kBeganAnew : kWentOn];
      }
      previous = &leg;
    }
  }
}

DayJourneys readDayJourneys(const std::filesystem::path& world, const std::vector<RiderPlan>& plans,
                            int firstDay, const OperatorAmounts& settled) {
  DayJourneys day;
  for (size_t rider = 0; rider < plans.size(); ++rider) {
    const std::string card = riderCard(static_cast<int>(rider));
    std::vector<Journey> journeys =
        cardJourneys(readRegularFile(cardPath(world, card).string()).value_or(""));
    checkAgainstPlan(card, plans[rider], journeys, day.check);
    addRider(day, plans[rider], journeys, firstDay);
  }
  day.table.settled = settled;
  return day;
}

std::string planCheckText(const PlanCheck& c) {
  const std::string split = " (" + groupedNumber(c.splitPastWindow) + " changes past the " +
                            std::to_string(kTransferWindowMinutes) +
                            "-minute window as two journeys each)";
  if (c.asPlanned()) {
    return "all " + groupedNumber(c.planned) + " planned journeys found on the cards" + split +
           ", none invented";
  }
  return groupedNumber(c.found) + " of " + groupedNumber(c.planned) +
         " planned journeys found on the cards" + split + ", " + groupedNumber(c.invented) +
         " invented, " + groupedNumber(c.cardsOff) + " cards not as planned; first: " + c.example;
}
