// The simulated clock as the settlement loop sees it. ptime belongs to the
// clock loop (hand_off_loops.h): time_setter publishes every tick here, and
// time_writer notes every clock it writes to the clock file, under a mutex
// of their own, for the settlement loop to read.
//
// What was written tells when the clock file first held a minute later
// than a given one. A terminal stamps each tap from the clock file, so once
// the file holds a minute later than M, no tap is stamped M again; the
// collector's frontiers close by it (common/formats/line_ledger.h). The
// terminals stamp the clock's month, day, hour and minute in their own
// year, and so are these minutes taken.
#pragma once

#include <cstdint>
#include <deque>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "common/formats/time_info.h"

class SettlementClock {
 public:
  // `t` is the clock's latest tick (or its starting value).
  void publish(const TimeInfo& t);
  // The clock's text as of its latest tick: "202612070016".
  std::string text() const;

  // The clock file now holds `line`, written at `at` (nanoseconds of the
  // real-time clock).
  void noteWritten(std::string_view line, int64_t at);
  // What the clock file of the world at `root` holds, as written when the
  // file last changed; nothing when it holds no clock.
  void noteFound(const std::filesystem::path& root);
  // When the clock file first held a minute later than `minute`, as far as
  // this run knows, or a later time; nullopt while it has not.
  std::optional<int64_t> passed(int64_t minute) const;

 private:
  struct Written {
    int64_t minute;
    int64_t at;
  };
  mutable std::mutex mutex_;
  TimeInfo published_;
  std::deque<Written> written_;
};
