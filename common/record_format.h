// The record that every file of the system holds, one per line: the card
// files, the trip logs, their hand-over files and the settlement's archive.
// Five comma-separated columns ended by a line feed:
//
//   201412050907,METRO,IN,8950,21
//   time text    transport direction amount journey id
//
// The amount is the balance left in a card file and the fee charged in a
// trip log. The journey id begins with the number of the terminal where the
// journey began (metro station 0 to 4, bus 6); a record that continues a
// journey copies it. Writers, readers and the audit all split and build
// records here, so the layout is written down once.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "common/text.h"

inline constexpr std::string_view kBusTransport = "BUS";
inline constexpr std::string_view kMetroTransport = "METRO";
// A card file's credit: "TIME,TOPUP,IN,NEWBALANCE,JOURNEYID", appended by the
// card tool. It is no tap: the terminals decide fares from the records
// around it, and it is never in a trip log.
inline constexpr std::string_view kTopUpTransport = "TOPUP";
// A card's first record, written when the card is provisioned (and when a
// world's trips are reset): "000000000000,NEW,OUT,BALANCE,00". NEW names
// neither operator, so a new card's first tap is never a transfer.
inline constexpr std::string_view kNewCardTransport = "NEW";
inline constexpr std::string_view kEntryDirection = "IN";
inline constexpr std::string_view kExitDirection = "OUT";

// The first five columns of a record line, as views into it. The line feed
// stays on the journey id (its last column).
struct RecordColumns {
  std::string_view time;
  std::string_view transport;
  std::string_view direction;
  std::string_view amount;
  std::string_view journeyId;
};

// Splits the way the C library's tokenizer does: runs of commas are one
// separator and a comma at the start is skipped, so an empty column is not
// seen. nullopt when the line has fewer than five columns; columns after the
// fifth are ignored. Builds nothing: the columns are views into `line`.
inline std::optional<RecordColumns> splitRecord(std::string_view line) {
  size_t at = 0;
  RecordColumns columns;
  columns.time = nextField(line, at, ',');
  columns.transport = nextField(line, at, ',');
  columns.direction = nextField(line, at, ',');
  columns.amount = nextField(line, at, ',');
  columns.journeyId = nextField(line, at, ',');
  // Once a column is missing, every later one is.
  if (columns.journeyId.empty()) return std::nullopt;
  return columns;
}

// A direction column is an entry when it begins with "IN".
inline bool isEntry(std::string_view direction) {
  return direction.substr(0, 2) == kEntryDirection;
}

// The amount column read as atoi reads it (saturating at the 32-bit limits).
inline int recordAmount(std::string_view amount) {
  return readInt(amount);
}

// A record line from its columns, ended by exactly the line feed the journey
// id carries, or by one added when it carries none.
std::string formatRecord(std::string_view time, std::string_view transport, bool entry,
                         long long amount, std::string_view journeyId);
