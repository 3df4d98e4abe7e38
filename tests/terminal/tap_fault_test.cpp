// A tap whose file calls fail, through the file system seam
// (support/file_faults.h): each call of a tap failing in turn, and a disk
// that fills up at each of its writes. Whatever fails, the tap is recorded
// in both the card file and the trip log or in neither (a record cut short
// is cut off, a card record whose trip log record failed is taken back),
// the console shows the message of the file that failed, and a tap not
// recorded uses no journey id: the next one is charged once, as the first.
#include <gtest/gtest.h>

#include <cerrno>
#include <functional>

#include "bus/bus_controller.h"
#include "metro/Metro_controller.h"
#include "support/file_faults.h"
#include "support/tap_output.h"
#include "support/world.h"
#include "terminal/console_texts.h"
#include "terminal/terminal.h"

namespace {

constexpr const char* kClock = "201412050940";
// A metro exit 160 minutes old: an entry is a standard tap at either
// terminal, 1050, leaving 3950.
const std::string kHistory = "201412050600,METRO,IN,6050,05\n201412050700,METRO,OUT,5000,05\n";
const std::string kCard = "../customer/1234.txt";
const std::string kClockFile = "../time/time.txt";

struct Kind {
  const char* name;
  const char* dir;
  std::string tripLogName;
  TerminalRules (*rules)();
  std::string (*charged)(int fee, int balance);
  std::string transport;
  char identifier;  // first digit of its new journey ids

  std::string tripLog() const { return std::string(dir) + "/" + tripLogName; }
  std::string cardRecord() const {
    return std::string(kClock) + "," + transport + ",IN,3950," + identifier + "1\n";
  }
  std::string tripRecord() const {
    return std::string(kClock) + "," + transport + ",IN,1050," + identifier + "1\n";
  }
};

const std::vector<Kind>& kinds() {
  static const std::vector<Kind> all = {
      {"metro", "Metro", "Metrofile1.txt", [] { return metro::rules(1); }, metroCharged, "METRO",
       '1'},
      {"bus", "Bus", "busfile.txt", bus::rules, busCharged, "BUS", '6'},
  };
  return all;
}

TerminalProfile profileOf(const Kind& kind) {
  TerminalProfile profile;
  profile.tripLogName = kind.tripLogName;
  profile.rules = kind.rules();
  return profile;
}

// Card 1234 at kHistory and a terminal of `kind` running in its world; its
// own file calls (opening the note of its taps) made before `faults`
// start counting.
struct Station {
  Station(const Kind& kind, FileFaults& faults) : kind(kind) {
    world.setClock(std::string(kClock) + "\n");
    world.putCard("1234", kHistory);
    inDir.emplace(world, kind.dir);
    terminal.emplace(profileOf(kind));
    faults.reset();
  }

  std::string tapIn() {
    TapLoad load = loadTap({"1234", 1}, *terminal);
    if (!load.tap) return std::string(load.failure);
    return serveTap(std::move(*load.tap), *terminal);
  }
  std::string tripLog() const {
    return world.exists(kind.tripLog()) ? world.get(kind.tripLog()) : "(none)";
  }

  // The tap was charged once: one record more in each file, one journey.
  void expectCharged(const std::string& shows) {
    EXPECT_EQ(shows, kind.charged(1050, 3950));
    EXPECT_EQ(world.card("1234"), kHistory + kind.cardRecord());
    EXPECT_EQ(tripLog(), kind.tripRecord());
    EXPECT_EQ(terminal->journeyCount, 1);
  }
  // The tap showed `message` and changed neither file.
  void expectNotRecorded(const std::string& shows, const std::string& message,
                         const std::string& tripLogAfter) {
    EXPECT_EQ(shows, message);
    EXPECT_EQ(world.card("1234"), kHistory);
    EXPECT_EQ(tripLog(), tripLogAfter);
    EXPECT_EQ(terminal->journeyCount, 0);
  }

  const Kind& kind;
  World world;
  std::optional<RunningIn> inDir;
  std::optional<Terminal> terminal;
};

// The clock's own calls: a clock that cannot be read is the clock reader's
// (tests/terminal/clock_test.cpp), not failed here.
constexpr const char* kClockStep = "clock";

// Each call of a charged tap, in order, and what the tap shows when that
// call fails ("" for a tap charged all the same), with the trip log after.
struct Step {
  const char* call;
  std::string file;  // "log", "note" and "made" for the terminal's trip log, its note and list
  std::string shows;
  std::string tripLogAfter;  // when not charged
  const char* why;
};

std::vector<Step> tapSteps() {
  const std::string none = "(none)";
  return {
      {"open", kCard, "", "", "the lookup opens the card for reading instead"},
      {"fstat", kCard, "", "", "the card is read as far as it goes"},
      {"flock", kCard, "", "", "a lock that fails is gone past"},
      {"statx", kCard, kCardfileReadErrorText, none, "the card's state cannot be had"},
      {"pread", kCard, kCardfileReadErrorText, none, "the card cannot be read"},
      {"statx", kClockFile, kClockStep, "", "the tap's clock reading"},
      {"open", kClockFile, kClockStep, "", "the tap's clock reading"},
      {"fstat", kClockFile, kClockStep, "", "the tap's clock reading"},
      {"pread", kClockFile, kClockStep, "", "the tap's clock reading"},
      {"close", kClockFile, kClockStep, "", "the tap's clock reading"},
      {"statx", "log", "", "", "what the log's name holds is not known: it is opened anew"},
      {"open", "log", kReaderfileOpenErrorText, none, "the trip log cannot be opened"},
      {"fstat", "log", kReaderfileOpenErrorText, "", "the trip log opened is not known"},
      {"flock", "log", "", "", "a lock that fails is gone past"},
      {"statx", "log", "", "", "the log locked is not known to be the named one: opened again"},
      {"statx", "log", "", "", "the log locked is not known to be the named one: opened again"},
      {"statx", "log", kReaderfileOpenErrorText, "", "the trip log opened is not known"},
      {"statx", "log", "", "", "the new log is not listed as made; the tap goes on"},
      {"open", "made", "", "", "the new log is not listed as made; the tap goes on"},
      {"fstat", "made", "", "", "the new log is not listed as made; the tap goes on"},
      {"pread", "made", "", "", "the new log is not listed as made; the tap goes on"},
      {"write", "made", "", "", "the new log is not listed as made; the tap goes on"},
      {"close", "made", "", "", "a close that fails loses nothing"},
      {"statx", kCard, "", "", "the card's name is not known to hold it: the tap is taken again"},
      {"fstat", "log", kReaderfileWriteErrorText, "", "its end cannot be looked at"},
      {"pwrite", "note", kReaderfileWriteErrorText, "", "the note of the tap cannot be written"},
      {"write", kCard, kCardfileWriteErrorText, "", "the card record cannot be written"},
      {"write", "log", kReaderfileWriteErrorText, "", "the card record is taken back"},
      {"pwrite", "note", "", "", "the note stays, to be found done at the next start"},
      {"close", kCard, "", "", "a close that fails loses nothing"},
  };
}

std::string fileOf(const Step& step, const Kind& kind) {
  if (step.file == "log") return kind.tripLogName;
  if (step.file == "note") return kind.tripLogName + ".intent";
  if (step.file == "made") return kind.tripLogName + ".made";
  return step.file;
}

}  // namespace

TEST(TapFaults, EachCallOfATapFailingRecordsItInBothFilesOrInNeither) {
  const std::vector<Step> steps = tapSteps();
  for (const Kind& kind : kinds()) {
    SCOPED_TRACE(kind.name);
    {
      FileFaults faults;
      Station station(kind, faults);
      station.expectCharged(station.tapIn());
      const std::vector<FileCall> calls = faults.calls();
      ASSERT_EQ(calls.size(), steps.size());
      for (size_t n = 1; n <= calls.size(); ++n) {
        EXPECT_EQ(calls[n - 1].name, steps[n - 1].call) << describeCall(calls, n);
        EXPECT_EQ(calls[n - 1].file, fileOf(steps[n - 1], kind)) << describeCall(calls, n);
      }
    }
    for (size_t n = 1; n <= steps.size(); ++n) {
      const Step& step = steps[n - 1];
      if (step.shows == kClockStep) continue;
      SCOPED_TRACE(std::to_string(n) + " " + step.call + " " + step.file + ": " + step.why);
      FileFaults faults;
      Station station(kind, faults);
      faults.failCall(n, std::string_view(step.call).ends_with("write") ? ENOSPC : EIO);
      const std::string shows = station.tapIn();
      if (step.shows.empty()) {
        station.expectCharged(shows);
        continue;
      }
      station.expectNotRecorded(shows, step.shows, step.tripLogAfter);
      faults.reset();
      station.expectCharged(station.tapIn());
    }
  }
}

TEST(TapFaults, ADiskFillingUpAtEachWriteLeavesBothFilesAsTheyWere) {
  struct Case {
    const char* name;
    std::string shows;  // "" for charged
  };
  // The writes of a tap: the new log's line in the list of logs made, its
  // note, the card record, the trip log record, the note's clear. The first
  // full write takes half its bytes.
  const std::vector<Case> cases = {
      {"the list of logs made is cut short, and the note with it", kReaderfileWriteErrorText},
      {"the note is cut short: no record is written", kReaderfileWriteErrorText},
      {"the card record is cut short: it is cut off", kCardfileWriteErrorText},
      {"the trip log record is cut short: it is cut off, the card record taken back",
       kReaderfileWriteErrorText},
      {"the note's clear fails: both records stand", ""},
  };
  for (const Kind& kind : kinds()) {
    SCOPED_TRACE(kind.name);
    for (size_t n = 1; n <= cases.size(); ++n) {
      SCOPED_TRACE(cases[n - 1].name);
      FileFaults faults;
      Station station(kind, faults);
      faults.fillDiskAtWrite(n);
      const std::string shows = station.tapIn();
      if (cases[n - 1].shows.empty()) {
        station.expectCharged(shows);
        continue;
      }
      // The trip log is opened (and so created) before any record is written.
      station.expectNotRecorded(shows, cases[n - 1].shows, "");
      faults.reset();
      station.expectCharged(station.tapIn());
    }
  }
}
