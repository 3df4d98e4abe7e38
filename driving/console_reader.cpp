#include "driving/console_reader.h"

#include <cstring>

namespace {

constexpr std::string_view kPrompt = "COMMAND LINE_:";
constexpr int kClockFields = 5;
// Five numbers of at most 11 characters, their separators and a line feed.
constexpr size_t kLongestClockLine = 5 * 11 + 4 * 2 + 1;
// Answers consumed from the front of the buffer are dropped once they take
// this much of it, so that it is not moved for every read.
constexpr size_t kCompactAt = 1 << 16;

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

// Whether a clock line may start at `at`: not inside a run of digits.
bool mayStartClock(std::string_view text, size_t at) {
  return isDigit(text[at]) && (at == 0 || !isDigit(text[at - 1]));
}

}  // namespace

size_t clockLineLength(std::string_view text, size_t at) {
  size_t i = at;
  for (int field = 0; field < kClockFields; ++field) {
    if (field > 0) {
      if (text.substr(i, 2) != "/ ") return 0;
      i += 2;
    }
    const size_t digits = i;
    while (i < text.size() && isDigit(text[i])) ++i;
    if (i == digits) return 0;
  }
  if (i >= text.size() || text[i] != '\n') return 0;
  return i + 1 - at;
}

void appendWithoutClockLines(std::string_view text, std::string& kept) {
  for (size_t at = 0; at < text.size();) {
    if (mayStartClock(text, at)) {
      if (const size_t length = clockLineLength(text, at)) {
        at += length;
        continue;
      }
    }
    kept.push_back(text[at++]);
  }
}

std::string withoutClockLines(std::string_view text) {
  std::string kept;
  kept.reserve(text.size());
  appendWithoutClockLines(text, kept);
  return kept;
}

void appendJoinedLines(std::string_view answer, std::string& joined) {
  const size_t start = joined.size();
  size_t at = 0;
  while (at < answer.size()) {
    size_t end = answer.find('\n', at);
    if (end == std::string_view::npos) end = answer.size();
    if (end > at) {
      if (joined.size() > start) joined += " | ";
      joined += answer.substr(at, end - at);
    }
    at = end + 1;
  }
}

std::string joinedLines(std::string_view answer) {
  std::string joined;
  appendJoinedLines(answer, joined);
  return joined;
}

void ConsoleReader::findFirstClock() {
  // A clock line is whole once its line feed has come; the end of what
  // came, where one may be cut short, is looked at again with the next
  // bytes.
  for (size_t at = clockScan_; at < pending_.size() && firstClock_.empty(); ++at) {
    const size_t length = mayStartClock(pending_, at) ? clockLineLength(pending_, at) : 0;
    if (length > 0) firstClock_ = pending_.substr(at, length - 1);
  }
  clockScan_ = pending_.size() > kLongestClockLine ? pending_.size() - kLongestClockLine : 0;
}

void ConsoleReader::take(std::string_view bytes) {
  if (from_ >= kCompactAt || from_ == pending_.size()) {
    pending_.erase(0, from_);
    clockScan_ = clockScan_ > from_ ? clockScan_ - from_ : 0;
    from_ = 0;
  }
  pending_ += bytes;
  if (firstClock_.empty()) findFirstClock();
}

bool ConsoleReader::next(std::string_view& answer) {
  for (;;) {
    const size_t prompt = pending_.find(kPrompt, from_);
    if (prompt == std::string::npos) return false;
    const std::string_view text = std::string_view(pending_).substr(from_, prompt - from_);
    const bool wasPrompted = prompted_;
    prompted_ = true;
    from_ = prompt + kPrompt.size();
    if (!wasPrompted) continue;  // what came before the first prompt answers nothing
    // A clock line holds a '/', an answer hardly ever.
    if (std::memchr(text.data(), '/', text.size()) == nullptr) {
      answer = text;
    } else {
      cleaned_.clear();
      appendWithoutClockLines(text, cleaned_);
      answer = cleaned_;
    }
    return true;
  }
}

void ConsoleReader::take(std::string_view bytes, std::vector<std::string>& answers) {
  take(bytes);
  std::string_view answer;
  while (next(answer)) answers.emplace_back(answer);
}
