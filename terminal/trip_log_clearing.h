// Handing the trip log over to the settlement. Every clearing period the
// terminal renames its trip log to the next free hand-over name beside it
// ("busfile.txt" -> "busfile.txt.8"); its next tap starts a new log. The
// rename holds the same locks as an append (trip_log_mutex and the log's
// flock, which the terminal's kept trip log gives up first), so it never
// falls in the middle of one, and no record is ever
// removed: the settlement collects hand-over files and archives them once
// they are settled.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

inline constexpr int kTripLogClearMs = 185000;

// Tests shorten the clearing period with this variable (milliseconds, a
// whole number from 1 up); anything else leaves kTripLogClearMs.
inline constexpr const char* kTripLogClearVariable = "FARES_TRIP_LOG_CLEAR_MS";

// The clearing period for the variable's text (null when it is not set).
int tripLogClearMs(const char* variable);

// One more than the highest hand-over number of `logName` among `names`
// (the directory's entries), of any length; "1" when there is none.
std::string nextHandOverSequence(const std::vector<std::string>& names, std::string_view logName);

// Renames the log at `logPath` to a hand-over file in the same directory.
// Nothing is done when the log does not exist or is empty; false when it
// could not be handed over (it then stays the live log).
bool handOverTripLog(const std::filesystem::path& logPath);

void fileInitializer(void*);
