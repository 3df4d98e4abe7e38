#include "terminal/trip_log_hand_over.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "common/base/sleep.h"
#include "common/base/text.h"
#include "common/files/file_handle.h"
#include "common/files/file_rename.h"
#include "common/files/file_system.h"
#include "common/files/world_layout.h"
#include "terminal/terminal.h"

int tripLogHandOverMs(const char* variable) {
  if (variable == nullptr) return kTripLogHandOverMs;
  const std::string_view text(variable);
  const std::optional<int> ms = text.size() <= 9 ? decimalNumber<int>(text) : std::nullopt;
  return ms && *ms > 0 ? *ms : kTripLogHandOverMs;
}

std::string nextHandOverSequence(const std::vector<std::string>& names, std::string_view logName) {
  std::string_view highest;
  for (const std::string& name : names) {
    const auto number = handOverNumber(name, logName);
    if (number && handOverNumberLess(highest, *number)) highest = *number;
  }
  return nextHandOverNumber(highest);
}

bool handOverTripLog(const std::filesystem::path& logPath) {
  const Result<FileDescriptor> log = openRegular(logPath.string(), O_RDONLY);
  if (const Problem* problem = log.problem()) return problem->is(Problem::Kind::kMissing);
  lockFile(log->get(), LOCK_EX);
  struct stat status;
  if (sys::fstat(log->get(), &status) == 0 && status.st_size == 0) return true;
  const std::string logName = logPath.filename().string();
  std::filesystem::path dir = logPath.parent_path();
  if (dir.empty()) dir = ".";
  // A name taken meanwhile (by anything) moves on to the next number: every
  // try passes one more name that exists, so the search ends.
  for (std::string number = nextHandOverSequence(namesIn(dir), logName);;
       number = nextHandOverNumber(number)) {
    const Result<void> renamed =
        renameWithoutReplacing(logPath.string(), (dir / handOverName(logName, number)).string());
    if (renamed) return true;
    if (!renamed.problem()->is(Problem::Kind::kExists)) return false;
  }
}

void fileInitializer(Terminal& terminal) {
  const int period = tripLogHandOverMs(std::getenv(kTripLogHandOverVariable));
  for (;;) {
    Sleep(period);
    // The kept log's flock would keep the hand-over waiting.
    const auto tapsWait = terminal.files.closeTripLog();
    handOverTripLog(terminal.profile.tripLogName);
  }
}
