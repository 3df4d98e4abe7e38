// A terminal's console as the driver reads it. The terminal prints the
// prompt "COMMAND LINE_:" (no line end) once at start and once after each
// line it reads, so the answer to the n-th line sent is the text between
// the n-th prompt and the next, in the order sent. Its clock line
// ("2014/ 12/ 5/ 9/ 40" and a line end) comes once a second wherever it
// falls, even right after a prompt or after a message without a line end:
// it is taken out of the answers by its pattern. No I/O here.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// The length of the clock line that starts at `at` in `text` (digits, then
// "/ " and digits four times, then a line feed); 0 when none starts there.
size_t clockLineLength(std::string_view text, size_t at);

// `text` without its clock lines.
std::string withoutClockLines(std::string_view text);

// An answer's lines joined by " | ", empty lines left out.
std::string joinedLines(std::string_view answer);

class ConsoleReader {
 public:
  // Takes the next bytes of output and appends every answer they complete.
  void take(std::string_view bytes, std::vector<std::string>& answers);

  // Whether the first prompt has come (a restarted terminal has then
  // completed or dropped the tap a kill left in hand) and whether a clock
  // line has (the terminal has read the clock and takes taps).
  bool prompted() const { return prompted_; }
  bool sawClock() const { return !firstClock_.empty(); }
  // The first clock line, without its line feed ("2014/ 12/ 7/ 0/ 8");
  // empty until one has come.
  const std::string& firstClock() const { return firstClock_; }

 private:
  std::string pending_;
  size_t clockScan_ = 0;  // where the search for a first clock line goes on
  bool prompted_ = false;
  std::string firstClock_;
};
