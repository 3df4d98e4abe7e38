// What a tap left on its card, read back from the card file: the driver
// remembers a card's length (or its number of records) when it sends a
// tap, and the records beyond it afterwards are the tap's (one rider taps
// one card, one tap at a time, and tops it up only between taps). A tap's
// stamp is its record's time, its fee the fall of the balance.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct CardRecord {
  std::string time;
  std::string transport;
  int balance = 0;
  std::string journeyId;
};

// The whole records in `appended`, bytes a card file gained; `used` is
// how many bytes they take (a line cut short at the end is left).
std::vector<CardRecord> recordsIn(std::string_view appended, size_t& used);

// The bytes of the card file at `path` from `at` on; empty when there are
// none or the file cannot be read.
std::string cardBytesFrom(const std::string& path, off_t at);

// The whole records of the card file at `path` (none when it cannot be
// read).
std::vector<CardRecord> cardRecords(const std::string& path);
