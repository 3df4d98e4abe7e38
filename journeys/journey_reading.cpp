#include "journeys/journey_reading.h"

#include "bus/bus_controller.h"
#include "bus/bus_parsing.h"
#include "common/formats/card_history.h"
#include "metro/Metro_controller.h"
#include "metro/Metro_parsing.h"
#include "terminal/card_lookup.h"
#include "terminal/card_record.h"
#include "terminal/time_info.h"

namespace {

// Whether the fare rules of the terminal at `mode` took an entry stamped
// `stamp` for a transfer, the card holding `before` when it was tapped.
bool chargedAsTransfer(std::string_view before, Operator mode, const TimeInfo& stamp) {
  const bool bus = mode == kBusOperator;
  const TailReading tail =
      readCardTail(before, true, bus ? bus::kBusDefaultRecord : metro::kMetroDefaultRecord);
  // No terminal decides a tap from a card it cannot read: such an entry was
  // not charged by the rules, and begins a journey of its own.
  if (tail.verdict != TailVerdict::Found) return false;
  const FareFacts facts{tail.records, lagMinutes(stamp, tail.records.last.time), 0};
  return fareRoute(facts, bus ? bus::kTransferRule : metro::kTransferRule) == FareRoute::Transfer;
}

}  // namespace

JourneyKind Journey::kind() const {
  size_t changes = 0;
  for (size_t i = 1; i < legs.size(); ++i) changes += legs[i].mode != legs[i - 1].mode;
  const bool bus = origin() == kBusOperator;
  if (changes == 0) return bus ? JourneyKind::kBusOnly : JourneyKind::kMetroOnly;
  if (changes == 1) return bus ? JourneyKind::kBusThenMetro : JourneyKind::kMetroThenBus;
  return JourneyKind::kMoreChanges;
}

long long Journey::paid() const {
  long long sum = 0;
  for (const JourneyLeg& leg : legs) sum = wrappingSum(sum, leg.fee);
  return sum;
}

std::vector<Journey> cardJourneys(std::string_view cardText) {
  std::vector<Journey> journeys;
  CardHistory history;
  for (size_t at = 0; at < cardText.size();) {
    const size_t feed = cardText.find('\n', at);
    const size_t end = feed == std::string_view::npos ? cardText.size() : feed;
    // A line too long for a record reaches the history as an empty one, as
    // every reader of card files takes it.
    std::string_view line = cardText.substr(at, end - at);
    if (line.size() > kMaxCardLine) line = {};
    const CardEntry entry = history.next(line);
    const std::optional<Operator> mode = entry.kind == CardEntryKind::kCharge
                                             ? exactOperatorOf(entry.columns.transport)
                                             : std::nullopt;
    if (mode) {
      JourneyLeg leg;
      leg.mode = *mode;
      leg.entry = isEntry(entry.columns.direction);
      leg.stamp = recordTime(entry.columns.time);
      leg.fee = entry.amount;
      leg.line = entry.line;
      const bool continues =
          !leg.entry || chargedAsTransfer(cardText.substr(0, at), leg.mode, leg.stamp);
      if (journeys.empty() || !continues) journeys.emplace_back();
      journeys.back().legs.push_back(leg);
    }
    at = end + 1;
  }
  return journeys;
}

long long stampMinutes(const TimeInfo& t) {
  // Days from the civil calendar (Howard Hinnant's days_from_civil), the
  // month brought into 1 to 12 first.
  long long year = t.year + (static_cast<long long>(t.month) - 1) / 12;
  long long month = (static_cast<long long>(t.month) - 1) % 12;
  if (month < 0) {
    month += 12;
    --year;
  }
  ++month;
  year -= month <= 2;
  const long long era = (year >= 0 ? year : year - 399) / 400;
  const long long yearOfEra = year - era * 400;
  const long long dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5;
  const long long dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  const long long days = era * 146097 + dayOfEra + (static_cast<long long>(t.day) - 1);
  return days * kMinutesPerDay + static_cast<long long>(t.hour) * 60 + t.minute;
}

std::string legTerminal(const JourneyLeg& leg) {
  if (leg.mode == kBusOperator) return "bus";
  return leg.station ? "metro" + std::to_string(*leg.station) : "metro?";
}
