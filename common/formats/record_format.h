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
// records here, and read here what a record means: the operator its
// transport names, the time key of its time column, where its journey
// began. So the layout is written down once.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "common/base/text.h"

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

// The longest card record any program takes, its line feed included. The
// programs write records of some 35 bytes; a longer line is damage, and
// refusing it bounds what a reader of a card file holds in memory.
inline constexpr size_t kCardRecordMaxBytes = 4096;

// The two operators; element 0 of every pair of amounts is the bus.
enum Operator : size_t { kBusOperator = 0, kMetroOperator = 1 };
using OperatorAmounts = std::array<long long, 2>;

// a + b modulo 2^64, the way amounts of the operators are summed: no content
// can make the addition undefined, and a sum that fits is exact.
constexpr long long wrappingSum(long long a, long long b) {
  return static_cast<long long>(static_cast<unsigned long long>(a) +
                                static_cast<unsigned long long>(b));
}

// The transport word an operator's terminals write: "BUS" or "METRO".
constexpr std::string_view transportWord(Operator op) {
  return op == kBusOperator ? kBusTransport : kMetroTransport;
}

// The operator a transport word names as the settlement and the audit read
// it: by its first three characters ("BUSX" is the bus, "METROPOLIS" the
// metro); nullopt for any other.
inline std::optional<Operator> operatorOf(std::string_view transport) {
  constexpr size_t kPrefix = 3;
  const std::string_view prefix = transport.substr(0, kPrefix);
  if (prefix == kBusTransport.substr(0, kPrefix)) return kBusOperator;
  if (prefix == kMetroTransport.substr(0, kPrefix)) return kMetroOperator;
  return std::nullopt;
}

// The operator a transport word names as the terminals read a card's
// records: only the whole word "BUS" or "METRO" names one, so a top-up, a
// new card's first record and any other word name none.
inline std::optional<Operator> exactOperatorOf(std::string_view transport) {
  if (transport == kBusTransport) return kBusOperator;
  if (transport == kMetroTransport) return kMetroOperator;
  return std::nullopt;
}

// A time column (and the clock file's line) is a time text: the year, then
// month, day, hour and minute (common/formats/time_info.h). Readers skip the year
// by its usual width, whatever it holds, and read what follows as the time
// key MMDDhhmm.
inline constexpr size_t kYearWidth = 4;
// The usual time text: the year and two digits each of the other four.
inline constexpr size_t kTimeTextLength = 12;

// `text` after the year's width; empty when it is no longer than that.
inline std::string_view afterYear(std::string_view text) {
  return text.substr(text.size() < kYearWidth ? text.size() : kYearWidth);
}

// The time key of text whose year is already skipped: its leading number
// as atoi reads it (12050008 for 5 December 00:08; nine digits from day 100
// on; 0 when there is none).
inline int timeKeyAfterYear(std::string_view yearSkipped) {
  return readInt(yearSkipped);
}

// The time key of a time text: "201412050008" -> 12050008. The terminals
// call it the clock value.
inline int timeKey(std::string_view text) {
  return timeKeyAfterYear(afterYear(text));
}

// The number of the bus terminal, with which the journeys begun on the bus
// begin; a metro station's is its number, 0 to 4.
inline constexpr int kBusTerminalNumber = 6;

// The number of the terminal where a journey began: the journey id's first
// character as a digit; 0 when it is no digit or the id is empty.
inline int journeyOriginNumber(std::string_view journeyId) {
  const char c = journeyId.empty() ? '0' : journeyId.front();
  return (c >= '0' && c <= '9') ? c - '0' : 0;
}

// The operator where a journey began: the bus when its origin number is
// above 5, the metro otherwise.
inline Operator journeyOrigin(std::string_view journeyId) {
  constexpr int kBusOriginAbove = 5;
  return journeyOriginNumber(journeyId) > kBusOriginAbove ? kBusOperator : kMetroOperator;
}

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
