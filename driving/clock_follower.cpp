#include "driving/clock_follower.h"

#include <algorithm>
#include <cstdio>

#include "common/base/text.h"
#include "common/files/world_layout.h"
#include "common/formats/clock_file.h"

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

std::string clockText(int minutes) {
  char text[32];
  snprintf(text, sizeof text, "%02d:%02d", minutes / 60, minutes % 60);
  return text;
}

ClockFollower::ClockFollower(const std::filesystem::path& world, int firstDay, int startMinutes)
    : path_((world / kTimeDir / kClockFileName).string()),
      firstDay_(firstDay),
      minutes_(startMinutes) {}

int ClockFollower::read() {
  const std::optional<std::string> text = readClockFile(path_);
  if (!text) return minutes_;
  const std::optional<TimeInfo> t = parseClockLine(*text);
  // The clock never goes back; a reading that would is no clock.
  if (t) minutes_ = std::max(minutes_, minutesFrom(*t, firstDay_));
  return minutes_;
}
