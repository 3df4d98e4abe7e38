// A record of a card file or trip log (its layout: common/formats/record_format.h)
// as the terminals see it: this unit turns a record line into the CardInfo
// fields it carries and builds a record line from plain values; it touches
// no file and no global.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "common/files/world_layout.h"
#include "common/formats/record_format.h"
#include "terminal/card_info.h"
#include "terminal/time_info.h"

// The time of a record's time column: by its layout when its digits after
// the year run to nine or more (timeByLayout), otherwise the number from its
// fifth character on (read as atoi reads, 0 for a shorter column) as a clock
// value; all zero when that number is 0.
TimeInfo recordTime(std::string_view column);

// time, transport, inout, balance and journey_id of a record line (the
// journey id keeps the line feed when the line has one); nullopt when the
// line splits into fewer than five columns. Columns after the fifth are
// ignored.
std::optional<CardInfo> parseRecord(std::string_view line);
// The same from a line's columns.
CardInfo recordOf(const RecordColumns& columns);

// The two records a tap is decided from, as the card lookup finds them at
// the end of a card file: `last`, the newest record that is no top-up, with
// the balance of the newest record of all (a top-up credited since is part
// of the balance), and `before`, the record that is no top-up before it (or
// the terminal's default record). `credited` is what the top-ups after
// `before` credited in all, so that `before`'s balance can be compared with
// today's as if no top-up had been made: a top-up never changes a fare.
struct CardRecords {
  CardInfo last;
  CardInfo before;
  long long credited = 0;
  // Whether the file's last line ends with its line feed: an append puts
  // one in front of its record when it does not.
  bool endsWithLineFeed = true;

  // `before`'s balance shifted by the top-ups since: equal to `last`'s
  // balance exactly when the tap of `last` left the balance unchanged.
  long long shiftedBeforeBalance() const { return before.balance + credited; }
  bool operator==(const CardRecords&) const = default;
};

// Whether a record line is a top-up: five columns, transport kTopUpTransport.
bool isTopUp(std::string_view line);

// Copies the five record fields of `record` into `into`, leaving the tap
// fields (card, tap_inout, fee) as they are.
void takeRecord(CardInfo& into, const CardInfo& record);

// A record line: time text of `clock`, transport, "IN"/"OUT", amount and
// journey id, ended by exactly the line feed the journey id carries, or by
// one added when it carries none.
std::string recordLine(TimeInfo clock, std::string_view transport, int tap_inout, int amount,
                       std::string_view journeyId);

// A new journey id: the terminal's identifier digits followed by its count.
std::string newJourneyId(std::string_view identifierDigits, int count);
