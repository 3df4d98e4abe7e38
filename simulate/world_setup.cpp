#include "simulate/world_setup.h"

#include <ctime>

#include "card/card_file.h"
#include "card/card_records.h"
#include "common/files/file_replace.h"
#include "common/files/world_files.h"
#include "common/files/world_layout.h"
#include "common/formats/clock_file.h"

namespace fs = std::filesystem;

Result<void> checkWorldFree(const fs::path& world) {
  std::error_code error;
  const fs::file_status status = fs::symlink_status(world, error);
  if (status.type() == fs::file_type::not_found) return {};
  if (error) return Problem::fromErrno(world.string() + " cannot be looked at: ", error.value());
  if (status.type() != fs::file_type::directory) {
    return Problem(world.string() + " is no directory (the world must be a missing or empty one)");
  }
  if (!fs::is_empty(world, error) || error) {
    return Problem(world.string() +
                   " is not empty (the world must be a missing or empty directory)");
  }
  return {};
}

TimeInfo startClock(int fromMinute) {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return TimeInfo(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, fromMinute / 60,
                  fromMinute % 60);
}

Result<void> layOutWorld(const fs::path& world, const std::vector<RiderPlan>& plans,
                         const TimeInfo& start) {
  std::error_code error;
  for (const char* dir : kWorldLayout) {
    fs::create_directories(world / dir, error);
    if (error)
      return Problem::fromErrno("cannot make " + (world / dir).string() + ": ", error.value());
  }
  for (size_t rider = 0; rider < plans.size(); ++rider) {
    const fs::path card = cardPath(world, riderCard(static_cast<int>(rider)));
    const Result<void> laid = replaceFile(card.string(), provisioningRecord(plans[rider].balance));
    if (!laid) return laid.problem()->within("cannot provision " + card.string() + ": ");
  }
  const fs::path clock = world / kTimeDir / kClockFileName;
  const Result<void> laid = replaceFile(clock.string(), clockLine(start));
  if (!laid) return laid.problem()->within("cannot lay the clock file " + clock.string() + ": ");
  return {};
}
