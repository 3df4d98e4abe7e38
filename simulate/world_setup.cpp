#include "simulate/world_setup.h"

#include <ctime>

#include "card/card_records.h"
#include "common/files/file_handle.h"
#include "common/files/file_replace.h"
#include "common/files/world_files.h"
#include "common/files/world_layout.h"
#include "common/formats/clock_file.h"
#include "common/process/process_calls.h"

namespace fs = std::filesystem;

namespace {

// Cards provisioned between two looks at whether to stop.
constexpr size_t kCardsBetweenLooks = 4096;

// Creates the card file `name` in `customer` holding `record`.
Result<void> provision(int customer, const std::string& name, std::string_view record) {
  // The world is fresh and held by this process: a file already there is
  // someone else's, and is not written.
  const Result<FileDescriptor> card = createFileIn(customer, name, 0666);
  if (!card) return *card.problem();
  return writeAll(card->get(), record);
}

}  // namespace

Result<FileDescriptor> holdWorld(const fs::path& world) {
  std::error_code error;
  if (fs::symlink_status(world, error).type() == fs::file_type::not_found) {
    fs::create_directories(world, error);
    if (error) return Problem::fromErrno("cannot make " + world.string() + ": ", error.value());
  }
  Result<FileDescriptor> held = openDirectory(world);
  if (const Problem* problem = held.problem()) {
    if (problem->found() != Problem::Found::kNone) {
      return Problem(world.string() +
                     " is no directory (the world must be a missing or empty one)");
    }
    return problem->within(world.string() + " cannot be opened: ");
  }
  if (const Result<void> locked = lockFileNow(held->get()); !locked) {
    if (locked.problem()->is(Problem::Kind::kBusy)) {
      return Problem(world.string() + " is being played by another simulate");
    }
    return locked.problem()->within(world.string() + " cannot be locked: ");
  }
  if (!fs::is_empty(world, error) || error) {
    return Problem(world.string() +
                   " is not empty (the world must be a missing or empty directory)");
  }
  return held;
}

TimeInfo startClock(int fromMinute) {
  const std::tm local = localTimeNow();
  return TimeInfo(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, fromMinute / 60,
                  fromMinute % 60);
}

Result<void> layOutWorld(const fs::path& world, const std::vector<RiderPlan>& plans,
                         const TimeInfo& start, const std::function<bool()>& stopped) {
  std::error_code error;
  for (const char* dir : kWorldLayout) {
    fs::create_directories(world / dir, error);
    if (error)
      return Problem::fromErrno("cannot make " + (world / dir).string() + ": ", error.value());
  }
  const fs::path customerDir = world / kCustomerDir;
  const Result<FileDescriptor> customer = openDirectory(customerDir);
  if (const Problem* problem = customer.problem()) {
    return problem->within("cannot open " + customerDir.string() + ": ");
  }
  std::string name;
  std::string record;
  int recordBalance = -1;
  for (size_t rider = 0; rider < plans.size(); ++rider) {
    if (rider % kCardsBetweenLooks == 0 && stopped()) {
      return Problem("stopped after " + std::to_string(rider) + " cards");
    }
    if (plans[rider].balance != recordBalance) {
      recordBalance = plans[rider].balance;
      record = provisioningRecord(recordBalance);
    }
    name = riderCardText(static_cast<int>(rider)).view();
    name += kCardFileExtension;
    if (const Result<void> made = provision(customer->get(), name, record); !made) {
      return made.problem()->within("cannot provision " + (customerDir / name).string() + ": ");
    }
  }
  const fs::path clock = world / kTimeDir / kClockFileName;
  const Result<void> laid = replaceFile(clock.string(), clockLine(start));
  if (!laid) return laid.problem()->within("cannot lay the clock file " + clock.string() + ": ");
  return {};
}
