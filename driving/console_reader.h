// A terminal's console as the driver reads it. The terminal prints the
// prompt "COMMAND LINE_:" (no line end) once at start and once after each
// line it reads, so the answer to the n-th line sent is the text between
// the n-th prompt and the next, in the order sent. Its clock line
// ("2014/ 12/ 5/ 9/ 40" and a line end) comes once a second wherever it
// falls, even right after a prompt or after a message without a line end:
// it is taken out of the answers by its pattern. No I/O here, and no
// allocation per answer once the buffers have grown.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// The length of the clock line that starts at `at` in `text` (digits, then
// "/ " and digits four times, then a line feed); 0 when none starts there.
size_t clockLineLength(std::string_view text, size_t at);

// `text` without its clock lines, appended to `kept`.
void appendWithoutClockLines(std::string_view text, std::string& kept);
std::string withoutClockLines(std::string_view text);

// An answer's lines joined by " | ", empty lines left out, appended to
// `joined`.
void appendJoinedLines(std::string_view answer, std::string& joined);
std::string joinedLines(std::string_view answer);

class ConsoleReader {
 public:
  // Takes the next bytes of output; the answers they complete follow from
  // next().
  void take(std::string_view bytes);

  // The next complete answer, clock lines taken out; false when there is
  // none (yet). The view holds until the next call of take() or next().
  bool next(std::string_view& answer);

  // take() and every answer it completes, appended to `answers`.
  void take(std::string_view bytes, std::vector<std::string>& answers);

  // Whether the first prompt has come (a restarted terminal has then
  // completed or dropped the tap a kill left in hand) and whether a clock
  // line has (the terminal has read the clock and takes taps). prompted()
  // counts the prompts next() has reached.
  bool prompted() const { return prompted_; }
  bool sawClock() const { return !firstClock_.empty(); }
  // The first clock line, without its line feed ("2014/ 12/ 7/ 0/ 8");
  // empty until one has come.
  const std::string& firstClock() const { return firstClock_; }

 private:
  void findFirstClock();

  std::string pending_;
  size_t from_ = 0;       // where the answer in hand begins in pending_
  size_t clockScan_ = 0;  // where the search for a first clock line goes on
  bool prompted_ = false;
  std::string firstClock_;
  std::string cleaned_;  // an answer with its clock lines taken out
};
