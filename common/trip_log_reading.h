// Reading a trip log: which pieces of it count as reads, and which reads
// hold a record. The settlement and the audit both read logs through this
// one rule, so whatever the settlement settles the audit sees, line for
// line.
//
// A log is read as a run of reads of at most kLogReadMax characters, each
// stopping after a line feed; a read is taken only when it did not run into
// the end of the file. So a last line without its line feed (one a terminal
// is still writing) is left for later, and a longer line arrives in pieces.
// Logs are read in blocks, never whole: memory stays at one block whatever a
// log's size.
//
// A taken read holds a record when, its four year characters skipped, it
// splits into five columns the tokenizer's way (record_format.h) and its
// transport names an operator by its first three characters: "BUS" for the
// bus, "MET" (of "METRO") for the metro.
#pragma once

#include <sys/types.h>

#include <array>
#include <cstddef>
#include <functional>
#include <optional>
#include <string_view>
#include <vector>

inline constexpr size_t kLogReadMax = 99;

// The length of the read that starts at the beginning of `rest`; nullopt
// when it would run into the end of `rest` (fewer than kLogReadMax
// characters and no line feed among them).
std::optional<size_t> nextLogRead(std::string_view rest);

// Receives a taken read and the offset in the file where it starts.
using LogReadSink = std::function<void(std::string_view read, off_t at)>;

struct LogReading {
  off_t end = 0;        // offset just past the last taken read
  bool failed = false;  // a read of the file failed before its end
};

// Reads the open log `fd` from byte `from` to its end and hands every taken
// read to `take`, in file order.
LogReading readLogFrom(int fd, off_t from, const LogReadSink& take);

// The taken reads of a log whose whole content is `content`.
std::vector<std::string_view> completeLogLines(std::string_view content);

// The two operators; element 0 of every pair of amounts is the bus.
enum Operator : size_t { kBusOperator = 0, kMetroOperator = 1 };
using OperatorAmounts = std::array<long long, 2>;

// The operator a transport word names by its first three characters
// ("BUSX" is the bus, "METROPOLIS" the metro); nullopt for any other.
std::optional<Operator> operatorOf(std::string_view transport);

// One record of a trip log, as views into its read.
struct TripRecord {
  int time_key = 0;  // MMDDhhmm of the time column: 12050008
  Operator op = kBusOperator;
  std::string_view transport;
  int inout = 0;  // 1 when the direction begins with "IN"
  int fee = 0;
  std::string_view journey_id;  // with the line feed that ended the read
};

// The record a taken read holds; nullopt when it holds none.
std::optional<TripRecord> parseTripRecord(std::string_view read);
