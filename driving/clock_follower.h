// The simulated clock as the driver follows it: the clock file
// ("time/time.txt", common/formats/clock_file.h), not the terminals' clock
// lines, which show it up to a second late. Times are counted in simulated
// minutes from midnight of the day the simulation started on, so the
// settlement's 24:00 is minute 1440 of the first day and the next tick,
// 00:08 of the next day, minute 1448. A clock started off the eight-minute
// grid of midnight passes midnight as 24:04, then 00:12: any hour 24 is
// read as what it says.
//
// The settlement renames each tick's file in place; the follower watches
// time/ for that (inotify), so a driver waits on the tick instead of
// reading the file over and over.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "common/files/file_handle.h"
#include "common/formats/time_info.h"

// Minutes of `t` counted from midnight of `firstDay` (of the same month:
// the clock's day never wraps into the month).
int minutesFrom(const TimeInfo& t, int firstDay);

// The minutes of a record's time column ("201412070736"); nullopt when it
// is no time text.
std::optional<int> recordMinutes(std::string_view timeColumn, int firstDay);

// "07:36" for minute 456; a minute of a later day keeps counting the hours
// ("24:00", "25:04").
std::string clockText(int minutes);
// The same into `out` (at least 16 bytes); its length.
size_t clockTextInto(int minutes, char* out);

class ClockFollower {
 public:
  ClockFollower(const std::filesystem::path& world, int firstDay, int startMinutes);

  // Reads the clock file again; the clock's minutes (the last good reading
  // when the file cannot be read now).
  int read();
  int minutes() const { return minutes_; }

  // Readable once the clock file may have been replaced; -1 when that
  // cannot be watched (the file must then be read now and then).
  int changes() const { return watch_.get(); }
  // Takes what changes() says; whether the clock file may have changed.
  bool takeChanges();

 private:
  std::string path_;
  int firstDay_;
  int minutes_ = 0;
  FileDescriptor watch_;
};
