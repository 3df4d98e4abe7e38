// The note a terminal keeps of the tap in hand, so that a kill between the
// card record and the trip log record never leaves a card charged for a fee
// the settlement cannot see.
//
// Before the two appends the terminal writes both records, both paths and
// the sizes before to its intent file ("busfile.txt.intent" beside its trip
// log; written to a temporary name and renamed, so it is never read
// half-written) and removes it after both appends. A terminal that starts
// and finds an intent completes it before it serves a tap: when the card
// record is there and the trip log record is not, it appends the trip log
// record; when the card record is not there, it drops the intent. It rolls
// forward, never back: another terminal may already have charged the card
// from that record. A record a kill cut short is cut off its file, since no
// tap was ever charged from it.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "terminal/record_file.h"

struct TapIntent {
  std::string cardPath;
  PreparedAppend card;
  std::string tripLogPath;
  PreparedAppend tripLog;
  bool operator==(const TapIntent&) const = default;
};

// The intent file's content, and back; nullopt for anything else.
std::string encodeIntent(const TapIntent& intent);
std::optional<TapIntent> decodeIntent(std::string_view text);

// Where a prepared record stands in its file, given the file's bytes from
// the record's offset on (at most one byte more than the record): there
// whole, cut short by a kill (the file ends inside it), or absent.
enum class RecordState { Absent, Whole, CutShort };
RecordState recordState(std::string_view fromOffset, std::string_view bytes);

// Writes the intent (to a temporary name, then renamed); false on failure.
bool writeIntent(const std::string& intentPath, const TapIntent& intent);
void removeIntent(const std::string& intentPath);

// Completes an intent left by a run that was killed. Locks the card file
// and the trip log as a tap does. nullopt when there was nothing to do or
// it is done; otherwise why it could not be completed (the terminal must
// not serve taps then, or the next tap's intent would replace it).
std::optional<std::string> completeIntent(const std::string& intentPath);
