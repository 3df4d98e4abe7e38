#include "settlement/exact_display/clock_written.h"

#include <algorithm>
#include <deque>
#include <mutex>

#include "common/files/file_identity.h"
#include "common/files/world_layout.h"
#include "common/formats/clock_file.h"
#include "common/formats/line_ledger.h"
#include "common/formats/record_format.h"
#include "common/formats/time_info.h"

namespace {

// The clocks written, in order, a tick each: an hour of them and more. A
// minute passed before the oldest kept was passed by then at the latest.
constexpr size_t kClocksKept = 4096;

struct Written {
  int64_t minute;
  int64_t at;
};

std::mutex clock_written_mutex;
std::deque<Written> clocks_written;

}  // namespace

void noteClockWritten(std::string_view line, int64_t at) {
  if (line.ends_with('\n')) line.remove_suffix(1);
  // The terminals stamp their records with the clock's month, day, hour and
  // minute in their own year: so are the minutes the frontiers hold.
  if (line.size() < kYearWidth) return;
  const std::optional<int64_t> minute =
      minuteOf(std::to_string(kTerminalYear) + std::string(line.substr(kYearWidth)));
  if (!minute) return;
  const std::lock_guard lock(clock_written_mutex);
  if (!clocks_written.empty() && *minute <= clocks_written.back().minute) return;
  clocks_written.push_back({*minute, at});
  if (clocks_written.size() > kClocksKept) clocks_written.pop_front();
}

void noteClockFound(const std::filesystem::path& root) {
  const std::filesystem::path path = root / kTimeDir / kClockFileName;
  const std::optional<FileState> state = stateAt(path);
  const std::optional<std::string> line = readClockFile(path.string());
  if (!state || !line || !parseClockLine(*line)) return;
  noteClockWritten(*line, static_cast<int64_t>(state->modified.tv_sec) * 1'000'000'000 +
                              state->modified.tv_nsec);
}

std::optional<int64_t> clockPassed(int64_t minute) {
  const std::lock_guard lock(clock_written_mutex);
  const auto first = std::upper_bound(
      clocks_written.begin(), clocks_written.end(), minute,
      [](int64_t value, const Written& written) { return value < written.minute; });
  if (first == clocks_written.end()) return std::nullopt;
  return first->at;
}
