// The note a terminal keeps of the tap in hand, so that a kill between the
// card record and the trip log record never leaves a card charged for a fee
// the settlement cannot see.
//
// The note lives in the intent file beside the trip log
// ("busfile.txt.intent"), which the terminal opens once at start and keeps.
// Before a tap's two appends the terminal writes the note at the file's
// start in one write: a header (active flag, length, checksum) and the card
// number, both records and the sizes of both files before them. After the
// appends it clears the flag with a one-byte write. The clear is per tap: a
// hand-over renames the trip log, and a stale note must never be replayed
// into the new log.
//
// A terminal that starts and finds an active note completes it before it
// serves a tap: when the card record is there and the trip log record is
// not, it appends the trip log record; when the card record is not there, it
// drops the note. It rolls forward, never back: another terminal may
// already have charged the card from that record. A record a kill cut short
// is cut off its file, since no tap was ever charged from it. A note whose
// checksum does not match was cut by a kill while it was written, before
// any append began, and is dropped. An empty file or a cleared note means
// there is nothing to do.
//
// The note names no path. The terminal completes it only in its own trip
// log and in the card file of the card number it names, a number a typed
// tap would be allowed. Anything else at the intent file's name (not a
// regular file with one name: a directory, a link, a FIFO, a socket, a
// device, a hard link; not in this form, another card number, something
// other than one record to append) is set aside under a name beside it
// that says so; the terminal then starts with a new intent file.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "common/base/problem.h"
#include "common/files/file_handle.h"
#include "terminal/record_file.h"

struct TapIntent {
  std::string card;  // the card number
  PreparedAppend cardRecord;
  PreparedAppend tripLogRecord;
  bool operator==(const TapIntent&) const = default;
};

// The note's body, and back; nullopt for anything else.
std::string encodeIntent(const TapIntent& intent);
std::optional<TapIntent> decodeIntent(std::string_view body);

// The intent file's text for an active note with body `body`: the header
// "1 <length> <checksum>\n" (eight hexadecimal digits each; the checksum is
// FNV-1a of the body) and the body.
std::string activeNote(std::string_view body);

// What the intent file's text holds: nothing to do (empty, or cleared: its
// first byte '0'), an active note (its body), a note cut short while it was
// written (torn: too short for its length, or the checksum does not match),
// or something the terminal never writes.
enum class NoteState { Nothing, Active, Torn, Foreign };
struct NoteReading {
  NoteState state = NoteState::Nothing;
  std::string_view body;  // while Active
};
NoteReading readNote(std::string_view text);

// Where a prepared record stands in its file, given the file's bytes from
// the record's offset on (at most one byte more than the record): there
// whole, cut short by a kill (the file ends inside it), or absent.
enum class RecordState { Absent, Whole, CutShort };
RecordState recordState(std::string_view fromOffset, std::string_view bytes);

// The terminal's intent file, kept open. It is opened (and created) as a
// regular file with one name, and opened again by the next write when that
// failed.
class IntentFile {
 public:
  explicit IntentFile(std::string path);

  bool isOpen() const { return fd_.valid(); }

  // Writes `intent` as the active note in one write at the start; false
  // when it could not be written whole.
  bool write(const TapIntent& intent);
  // Clears the active flag in one one-byte write.
  bool clear();

 private:
  bool open();

  std::string path_;
  FileDescriptor fd_;
};

// What became of an intent file found at start.
enum class IntentFate {
  None,      // nothing to do, or the note is completed or dropped
  SetAside,  // not a note this terminal wrote: renamed to `detail`
};
struct IntentOutcome {
  IntentFate fate = IntentFate::None;
  std::string detail;  // SetAside: the name the note took
};

// The name a note that is set aside takes: "<intent>.rejected", or with
// ".2", ".3", ... behind it when that is taken.
std::string setAsideName(std::string_view intentPath, int attempt);

// Completes the note a killed run left in the intent file at `intentPath`,
// in the trip log at `tripLogPath` and the card file of the card it names,
// and clears it. Locks the card file and the trip log as a tap does. A
// Problem is a note that cannot be completed now: the terminal must then
// not serve taps, or the next tap's note would replace it.
Result<IntentOutcome> completeIntent(const std::string& intentPath, const std::string& tripLogPath);
