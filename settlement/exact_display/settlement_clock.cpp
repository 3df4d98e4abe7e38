#include "settlement/exact_display/settlement_clock.h"

#include <algorithm>

#include "common/files/file_identity.h"
#include "common/files/world_layout.h"
#include "common/formats/clock_file.h"
#include "common/formats/line_ledger.h"
#include "common/formats/record_format.h"

namespace {

// The clocks written are kept a tick each: an hour of them and more. A
// minute passed before the oldest kept was passed by then at the latest.
constexpr size_t kClocksKept = 4096;

}  // namespace

void SettlementClock::publish(const TimeInfo& t) {
  const std::lock_guard lock(mutex_);
  published_ = t;
}

std::string SettlementClock::text() const {
  const std::lock_guard lock(mutex_);
  return timeText(published_);
}

void SettlementClock::noteWritten(std::string_view line, int64_t at) {
  if (line.ends_with('\n')) line.remove_suffix(1);
  if (line.size() < kYearWidth) return;
  const std::optional<int64_t> minute =
      minuteOf(std::to_string(kTerminalYear) + std::string(line.substr(kYearWidth)));
  if (!minute) return;
  const std::lock_guard lock(mutex_);
  if (!written_.empty() && *minute <= written_.back().minute) return;
  written_.push_back({*minute, at});
  if (written_.size() > kClocksKept) written_.pop_front();
}

void SettlementClock::noteFound(const std::filesystem::path& root) {
  const std::filesystem::path path = root / kTimeDir / kClockFileName;
  const std::optional<FileState> state = stateAt(path).asOptional();
  const Result<std::string> line = readClockFile(path.string());
  if (!state || !line || !parseClockLine(*line)) return;
  noteWritten(*line, static_cast<int64_t>(state->modified.tv_sec) * 1'000'000'000 +
                         state->modified.tv_nsec);
}

std::optional<int64_t> SettlementClock::passed(int64_t minute) const {
  const std::lock_guard lock(mutex_);
  const auto first = std::upper_bound(
      written_.begin(), written_.end(), minute,
      [](int64_t value, const Written& written) { return value < written.minute; });
  if (first == written_.end()) return std::nullopt;
  return first->at;
}
