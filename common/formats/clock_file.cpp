#include "common/formats/clock_file.h"

#include <fcntl.h>

#include "common/base/text.h"
#include "common/files/file_handle.h"
#include "common/formats/record_format.h"

namespace {

// The longest day the settlement's clock is taken to reach.
constexpr size_t kDayDigitsMax = 8;

}  // namespace

std::string clockLine(const TimeInfo& t) {
  return timeText(t) + "\n";
}

std::optional<TimeInfo> parseClockLine(std::string_view line) {
  if (line.ends_with('\n')) line.remove_suffix(1);
  if (line.size() > kTimeTextLength - 2 + kDayDigitsMax) return std::nullopt;
  const std::optional<TimeTextFields> fields = splitTimeText(line);
  if (!fields) return std::nullopt;
  // Past two digits the day is written without a leading zero.
  if (fields->day.size() > 2 && fields->day[0] == '0') return std::nullopt;
  const auto year = decimalNumber<int>(fields->year);
  const auto month = decimalNumber<int>(fields->month);
  const auto day = decimalNumber<int>(fields->day);
  const auto hour = decimalNumber<int>(fields->hour);
  const auto minute = decimalNumber<int>(fields->minute);
  if (!year || !month || !day || !hour || !minute) return std::nullopt;
  if (*month < 1 || *month > 12 || *day < 1 || *hour > 24 || *minute > 59 ||
      (*hour == 24 && *minute != 0)) {
    return std::nullopt;
  }
  return TimeInfo(*year, *month, *day, *hour, *minute);
}

Result<std::string> readClockFile(const std::string& path) {
  const Result<FileDescriptor> file = openRegular(path, O_RDONLY);
  if (const Problem* problem = file.problem()) return *problem;
  return readUpTo(file->get(), 0, kClockFileReadLimit);
}
