// Handing the trip log over to the settlement. Every hand-over period the
// terminal renames its trip log to the next free hand-over name beside it
// ("busfile.txt" -> "busfile.txt.8"); its next tap starts a new log. The
// rename holds the same locks as an append (the lock of the terminal's tap
// files, whose kept trip log gives up its flock first, and the log's flock),
// so it never falls in the middle of one, and no record is ever removed:
// the settlement collects hand-over files and archives them once they are
// settled.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

inline constexpr int kTripLogHandOverMs = 185000;

// Tests shorten the hand-over period with this variable (milliseconds, a
// whole number from 1 up); anything else leaves kTripLogHandOverMs. The
// variable keeps the name the README documents.
inline constexpr const char* kTripLogHandOverVariable = "FARES_TRIP_LOG_CLEAR_MS";

// The hand-over period for the variable's text (null when it is not set).
int tripLogHandOverMs(const char* variable);

// One more than the highest hand-over number of `logName` among `names`
// (the directory's entries), of any length; "1" when there is none.
std::string nextHandOverSequence(const std::vector<std::string>& names, std::string_view logName);

struct Terminal;

// Renames the log at `logPath` to a hand-over file in the same directory,
// under the log's flock. Nothing is done when the log does not exist or is
// empty; false when it could not be handed over (it then stays the live
// log).
bool handOverTripLog(const std::filesystem::path& logPath);

// The terminal's fifth thread, under the name the system gives it: every
// hand-over period it hands the trip log over (handOverTripLog) while its
// taps wait, for ever.
void fileInitializer(Terminal& terminal);
