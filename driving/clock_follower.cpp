#include "driving/clock_follower.h"

#include <algorithm>
#include <charconv>

#include "common/base/text.h"
#include "common/files/world_layout.h"
#include "common/formats/clock_file.h"
#include "common/process/event_calls.h"

namespace {
constexpr int kDayMinutes = 24 * 60;
}

int minutesFrom(const TimeInfo& t, int firstDay) {
  return (t.day - firstDay) * kDayMinutes + t.hour * 60 + t.minute;
}

std::optional<int> recordMinutes(std::string_view timeColumn, int firstDay) {
  const std::optional<TimeTextFields> fields = splitTimeText(timeColumn);
  if (!fields || !isDecimalDigits(timeColumn)) return std::nullopt;
  TimeInfo t(readInt(fields->year), readInt(fields->month), readInt(fields->day),
             readInt(fields->hour), readInt(fields->minute));
  return minutesFrom(t, firstDay);
}

size_t clockTextInto(int minutes, char* out) {
  auto two = [](int value, char* at) {
    if (value >= 0 && value < 10) *at++ = '0';
    return std::to_chars(at, at + 12, value).ptr;
  };
  char* end = two(minutes / 60, out);
  *end++ = ':';
  end = two(minutes % 60, end);
  return static_cast<size_t>(end - out);
}

std::string clockText(int minutes) {
  char text[32];
  return std::string(text, clockTextInto(minutes, text));
}

ClockFollower::ClockFollower(const std::filesystem::path& world, int firstDay, int startMinutes)
    : path_((world / kTimeDir / kClockFileName).string()),
      firstDay_(firstDay),
      minutes_(startMinutes),
      watch_(openDirectoryWatch((world / kTimeDir).c_str()).value_or(-1)) {}

bool ClockFollower::takeChanges() {
  if (!watch_.valid()) return true;
  return takeWatchEvents(watch_.get());
}

int ClockFollower::read() {
  const Result<std::string> text = readClockFile(path_);
  if (!text) return minutes_;
  std::string_view line = *text;
  if (line.ends_with('\n')) line.remove_suffix(1);
  // The clock never goes back; a reading that would is no clock.
  if (const std::optional<int> minutes = recordMinutes(line, firstDay_)) {
    minutes_ = std::max(minutes_, *minutes);
  }
  return minutes_;
}
