#include "simulate/tap_records.h"

#include "common/files/world_files.h"
#include "common/files/world_layout.h"
#include "common/formats/record_format.h"
#include "driving/card_reading.h"
#include "driving/clock_follower.h"

namespace {

Operator operatorOfTerminal(int terminal) {
  return terminal == kBusTerminal ? kBusOperator : kMetroOperator;
}

}  // namespace

TapRecords::TapRecords(const std::filesystem::path& world, int firstDay)
    : world_(world), firstDay_(firstDay) {
  for (int t = 0; t < kTerminalCount; ++t) {
    const bool bus = t == kBusTerminal;
    logs_[static_cast<size_t>(t)].emplace(
        (world / (bus ? kBusDir : kMetroDir) / (bus ? kBusLogName : metroLogName(t))).string());
  }
}

std::optional<RecordColumns> TapRecords::nextLogged(int terminal, const PlannedTap& tap,
                                                    long long fee) {
  std::optional<TripLogFollower>& log = logs_[static_cast<size_t>(terminal)];
  if (!log) return std::nullopt;
  const std::optional<RecordColumns> record = log->next();
  if (record && record->transport == transportWord(operatorOfTerminal(terminal)) &&
      record->direction == (tap.entry ? kEntryDirection : kExitDirection) &&
      decimalNumber<long long>(record->amount) == fee) {
    return record;
  }
  log.reset();
  return std::nullopt;
}

std::optional<ChargedRecord> TapRecords::charged(int terminal, int rider, const PlannedTap& tap,
                                                 std::optional<long long> fee, size_t records,
                                                 int balance) {
  if (fee) {
    if (const std::optional<RecordColumns> record = nextLogged(terminal, tap, *fee)) {
      if (const std::optional<int> stamp = recordMinutes(record->time, firstDay_)) {
        return ChargedRecord{*stamp, operatorOfTerminal(terminal), *fee, record->journeyId};
      }
    }
  }
  return onCard(rider, records, balance);
}

std::optional<ChargedRecord> TapRecords::onCard(int rider, size_t records, int balance) {
  const std::vector<CardRecord> all = cardRecords(cardPath(world_, riderCard(rider)).string());
  if (all.size() <= records) return std::nullopt;
  const CardRecord& record = all[records];
  const std::optional<Operator> op = exactOperatorOf(record.transport);
  const std::optional<int> stamp = recordMinutes(record.time, firstDay_);
  if (!op || !stamp) return std::nullopt;
  cardJourney_ = record.journeyId;
  return ChargedRecord{*stamp, *op, static_cast<long long>(balance) - record.balance, cardJourney_};
}

void TapRecords::takeLogged(int terminal, const PlannedTap& tap, long long fee) {
  nextLogged(terminal, tap, fee);
}
