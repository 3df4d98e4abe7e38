// Where every file of a world lives. A world is one directory holding
// time/, customer/, Metro/, Bus/ and the settlement's working directory
// (Settlement/ by custom; its name is free). Each program runs in one of
// them and reaches the others through "../"; the settlement's cycle and the
// audit take the world's root instead.
//
// A terminal appends to its trip log and, every hand-over period, renames the
// log to a hand-over file beside it ("busfile.txt" -> "busfile.txt.7"); its
// next tap starts a new log. The settlement collects the live logs and the
// hand-over files, and once a block that covered a hand-over file has been
// printed it moves the file into its archive.
#pragma once

#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

inline constexpr const char* kTimeDir = "time";
inline constexpr const char* kCustomerDir = "customer";
inline constexpr const char* kMetroDir = "Metro";
inline constexpr const char* kBusDir = "Bus";
// The settlement's working directory by custom; any directory of the world
// beside Bus/ and Metro/ serves. It keeps the hand-over files it has
// settled in its archive/.
inline constexpr const char* kSettlementDir = "Settlement";
inline constexpr const char* kArchiveDir = "archive";
// A note in the archive on held lines a person set aside ("held-77-0.note").
inline constexpr std::string_view kHeldNoteSuffix = ".note";

// The world's root, as a program in one of its directories reaches it.
inline constexpr const char* kProgramWorldRoot = "..";

// The clock file, in time/, as a program in one of the world's directories
// opens it.
inline constexpr const char* kClockFileName = "time.txt";
inline constexpr const char* kClockFilePath = "../time/time.txt";

// A card's file in customer/: its number and ".txt" ("1234.txt"), and the
// same as a program in one of the world's directories opens it
// ("../customer/1234.txt").
inline constexpr std::string_view kCardFileExtension = ".txt";
std::string cardFileName(std::string_view card);
std::string cardFilePath(std::string_view card);

// Whether `card` is a card number: 1 to kCardNumberMaxLength of A-Z a-z
// 0-9 - _, so that it names a file in customer/ and nothing else. The
// terminals accept no other in a tap, the card tool no other in a command.
inline constexpr size_t kCardNumberMaxLength = 64;
bool isValidCardNumber(std::string_view card);

// The trip logs: one per metro station, in Metro/, and the bus's, in Bus/.
inline constexpr const char* kBusLogName = "busfile.txt";
inline constexpr int kMetroStations = 5;  // stations 0 to 4
std::string metroLogName(int station);    // "Metrofile2.txt"

struct TripLogPlace {
  std::string dir;   // "Bus" or "Metro", below the world's root
  std::string name;  // "busfile.txt", "Metrofile0.txt", ...
};

// The six logs the settlement collects, in collection order: the bus, then
// the metro stations 0 to 4.
const std::array<TripLogPlace, 6>& collectedTripLogs();

// A hand-over file of `logName`: the log's name, a dot and its hand-over
// number, decimal digits without a leading zero and of any length
// ("busfile.txt.7"). A terminal names each hand-over one more than the
// highest number beside its log, so the numbers never run out.
std::string handOverName(std::string_view logName, std::string_view number);

// Beside each trip log, its terminal keeps the note of the tap in hand
// ("busfile.txt.intent", kept open and written in place) and the
// lock file that names the process holding its role ("busfile.txt.lock").
// The settlement's lock file lies in the world's root, whatever the name
// of its own directory, beside its statement and its state (below).
std::string intentName(std::string_view logName);
// Beside it the terminal keeps the list of the logs it made
// ("busfile.txt.made", common/formats/made_logs.h).
std::string madeName(std::string_view logName);
std::string roleLockName(std::string_view logName);
inline constexpr const char* kSettlementLockPath = "../settlement.lock";

// The settlement's statement: one line per settlement cycle, appended and
// never rewritten. Its state file records how far every trip log has been
// settled; replacing it whole is what commits a cycle.
inline constexpr const char* kStatementName = "statement.csv";
inline constexpr const char* kSettlementStateName = "settlement.state";
// The settlement's ledger of the files it settled that left Bus/ and Metro/
// (common/formats/settlement_ledger.h), beside its state.
inline constexpr const char* kLedgerName = "settlement.ledger";

// The hand-over number when `fileName` is a hand-over file of `logName`.
std::optional<std::string_view> handOverNumber(std::string_view fileName, std::string_view logName);

// Whether hand-over number `a` is smaller than `b`, as numbers.
bool handOverNumberLess(std::string_view a, std::string_view b);

// The number after `number` ("9" -> "10"); "1" after the empty text.
std::string nextHandOverNumber(std::string_view number);

// What a name in a log's directory is to that log.
enum class LogFileKind {
  kUnrelated,  // not named after the log
  kLive,       // the log itself
  kHandOver,   // "<log>.<number>"
  kTerminals,  // the terminal's own note and lock files
  kStray,      // "<log>.<anything else>": no program reads it
};
LogFileKind logFileKind(std::string_view fileName, std::string_view logName);

// The hand-over files of `log` in the world at `root`, oldest first, and
// the stray files beside it, by name.
struct LogFiles {
  std::vector<std::filesystem::path> handOvers;
  std::vector<std::filesystem::path> strays;
};
LogFiles filesOfLog(const std::filesystem::path& root, const TripLogPlace& log);

// The same by name, from the `names` in the log's directory (a directory
// listed once serves all its logs); views into `names`.
struct LogFileNames {
  std::vector<std::string_view> handOvers;
  std::vector<std::string_view> strays;
};
LogFileNames classifyLogFiles(const std::vector<std::string>& names, std::string_view logName);
