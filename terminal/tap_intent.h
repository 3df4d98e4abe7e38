// The note a terminal keeps of the tap in hand, so that a kill between the
// card record and the trip log record never leaves a card charged for a fee
// the settlement cannot see.
//
// Before the two appends the terminal writes the card number, both records
// and the sizes of both files before them to its intent file
// ("busfile.txt.intent" beside its trip log; written whole to a fresh
// temporary file and renamed, so it is never read half-written) and removes
// it after both appends. A terminal that starts and finds an intent completes
// it before it serves a tap: when the card record is there and the trip log
// record is not, it appends the trip log record; when the card record is not
// there, it drops the intent. It rolls forward, never back: another terminal
// may already have charged the card from that record. A record a kill cut
// short is cut off its file, since no tap was ever charged from it.
//
// The note names no path. The terminal completes it only in its own trip
// log and in the card file of the card number it names, a number a typed
// tap would be allowed. A note that is anything else (not a regular file,
// not in this form, another card number, something other than one record
// to append) is set aside under a name beside it that says so, and an
// empty one is removed; the terminal then starts.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "terminal/record_file.h"

struct TapIntent {
  std::string card;  // the card number
  PreparedAppend cardRecord;
  PreparedAppend tripLogRecord;
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

// Writes the intent through a fresh temporary file; false on failure.
bool writeIntent(const std::string& intentPath, const TapIntent& intent);
void removeIntent(const std::string& intentPath);

// What became of a note found at start.
enum class IntentFate {
  None,      // there was none, or it is completed or dropped
  SetAside,  // not a note this terminal wrote: renamed to `detail`
  RemovedEmpty,
  Incomplete,  // a note that cannot be completed now; `detail` says why
};
struct IntentOutcome {
  IntentFate fate = IntentFate::None;
  std::string detail;
};

// The name a note that is set aside takes: "<intent>.rejected", or with
// ".2", ".3", ... behind it when that is taken.
std::string setAsideName(std::string_view intentPath, int attempt);

// Completes an intent left by a run that was killed, in the trip log at
// `tripLogPath` and the card file of the card it names. Locks the card file
// and the trip log as a tap does, and first removes temporary files a kill
// left behind. When the outcome is Incomplete the terminal must not serve
// taps, or the next tap's intent would replace it.
IntentOutcome completeIntent(const std::string& intentPath, const std::string& tripLogPath);
