// What the card tool decides, from plain text: a card file's last line
// read from its end, the top-up record appended for an amount, the record a
// card is provisioned and rebased with. No files.
//
// A top-up appends "TIME,TOPUP,IN,NEWBALANCE,JOURNEYID": TIME is the clock
// file's time stamped as the terminals stamp their records (the year 2014,
// then the clock's month, day, hour and minute), or all zeros while the
// world has no clock yet, like a new card's first record; JOURNEYID is
// copied from the card's last record, so the card's journey goes on
// through the top-up. The amount is a whole number from 1 to 2147483647,
// and the new balance may not pass 2147483647, the largest balance a
// terminal can read.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "common/base/problem.h"
#include "common/formats/record_format.h"

// A card file's end is read this far back at most: the longest record
// (kCardRecordMaxBytes, its line feed included) and the line feed before it.
inline constexpr size_t kCardTailBytes = kCardRecordMaxBytes + 1;

// The last line of a file (without its line feed) from `tail`, the file's
// last bytes. When `wholeFile` is false and the line reaches the start of
// `tail`, it may be longer than a record: nullopt. Also nullopt for an
// empty file.
std::optional<std::string_view> lastLineOf(std::string_view tail, bool wholeFile);

// The amount of "card top-up CARD AMOUNT": digits only, from 1 to
// 2147483647 (leading zeros allowed); nullopt otherwise.
std::optional<int> topUpAmount(std::string_view text);

// The time column of a top-up: from the clock file's text ("202612070136"
// and its line feed: "201412070136"), all zeros when there is no clock
// file (nullopt); nullopt when the text is no clock.
std::optional<std::string> topUpStamp(const std::optional<std::string>& clockFile);

struct TopUp {
  std::string record;  // ends with its line feed
  int before = 0;
  int after = 0;
};

// The record that tops up by `amount` a card whose file ends with `tail`
// (all of it when `wholeFile`); why not otherwise: an empty
// file, one whose last line lacks its line feed, a last line that holds no
// record or is longer than a record, a balance past 2147483647.
Result<TopUp> topUpRecord(std::string_view tail, bool wholeFile, int amount,
                          std::string_view stamp);

// A card's first record, "000000000000,NEW,OUT,BALANCE,00": what a card is
// provisioned with, and the one record a rebase leaves it. Stamped all
// zeros and carrying the transport word NEW, which names neither the bus nor
// the metro, so neither terminal takes the card's next tap for a transfer.
std::string provisioningRecord(int balance);

// The balance of "card new CARD BALANCE": a whole number from 0 to
// 2147483647 (leading zeros allowed, "-0" is 0); otherwise why not.
Result<int> provisioningBalance(std::string_view text);
