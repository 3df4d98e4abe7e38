#include "simulate/tap_accounts.h"

#include <algorithm>

#include "driving/console_reader.h"

namespace {

constexpr std::string_view kNothingPrinted = "(nothing printed)";

uint64_t journeyHash(std::string_view id) {
  uint64_t hash = 0xcbf29ce484222325ULL;  // FNV-1a
  for (const char c : id) hash = (hash ^ static_cast<unsigned char>(c)) * 0x100000001b3ULL;
  return hash;
}

}  // namespace

TapAccounts::TapAccounts(DayReport& report, TapsCsv& taps) : report_(report), taps_(taps) {
  for (int t = 0; t < kTerminalCount; ++t) names_[static_cast<size_t>(t)] = terminalName(t);
}

size_t TapAccounts::hourSlot(int minutes) {
  const size_t hour = static_cast<size_t>(std::max(0, minutes) / 60);
  if (report_.tapsPerHour.size() <= hour) {
    report_.tapsPerHour.resize(hour + 1, {});
    report_.feesPerHour.resize(hour + 1, {0, 0});
  }
  return hour;
}

void TapAccounts::row(int rider, const PlannedTap& tap, bool mistyped, std::string_view printed,
                      std::optional<int> stamp, std::optional<long long> fee) {
  const CardNumberText card = riderCardText(rider);
  command_.clear();
  appendTapCommand(command_, card.view(), tap, mistyped);
  taps_.add({tap.minute, stamp, names_[tap.terminal], card.view(), command_, printed, fee});
}

void TapAccounts::charged(JourneyTrack& journey, int rider, const PlannedTap& tap, bool mistyped,
                          std::string_view answer, const ChargedRecord& record) {
  ++report_.commandsAnswered;
  ++report_.tapsCharged;
  report_.feesCharged[record.op] += record.fee;
  const int lag = record.stamp - tap.minute;
  lags_.add(lag);
  if (tap.minute >= kMorningPeakFrom && tap.minute < kMorningPeakTo) morningLags_.add(lag);
  const size_t slot = hourSlot(record.stamp);
  ++report_.tapsPerHour[slot][tap.terminal];
  report_.feesPerHour[slot][record.op] += record.fee;
  auto spread = std::find_if(feeSpread_.begin(), feeSpread_.end(),
                             [&](const auto& fee) { return fee.first == record.fee; });
  if (spread == feeSpread_.end()) spread = feeSpread_.insert(spread, {record.fee, {0, 0}});
  ++spread->second[record.op];

  const uint64_t id = journeyHash(record.journeyId);
  const int8_t op = static_cast<int8_t>(record.op);
  if (id != journey.id) {
    journey.counted = false;
  } else if (op != journey.op && !journey.counted) {
    ++report_.transferJourneys;
    journey.counted = true;
  }
  journey.id = id;
  journey.op = op;

  printed_.clear();
  appendJoinedLines(answer, printed_);
  row(rider, tap, mistyped, printed_, record.stamp, record.fee);
}

void TapAccounts::refused(int rider, const PlannedTap& tap, bool mistyped, std::string_view answer,
                          int finalAt) {
  ++report_.commandsAnswered;
  printed_.clear();
  appendJoinedLines(answer, printed_);
  const std::string_view key = printed_.empty() ? kNothingPrinted : std::string_view(printed_);
  auto counted = report_.refused.find(key);
  if (counted == report_.refused.end()) counted = report_.refused.emplace(key, 0).first;
  ++counted->second;
  ++refusedCount_;
  if (finalAt >= 0) ++report_.tapsPerHour[hourSlot(finalAt)][tap.terminal];
  row(rider, tap, mistyped, printed_, std::nullopt, std::nullopt);
}

void TapAccounts::close() {
  for (const auto& [fee, taps] : feeSpread_) {
    for (size_t op = 0; op < 2; ++op) report_.feeSpread[fee][op] += taps[op];
  }
  report_.lag = lags_.summary();
  report_.morningLag = morningLags_.summary();
}
