#include "driving/tap_answer.h"

#include <charconv>

namespace {

constexpr std::string_view kCardWritten = "Cardfile Write !\n";
constexpr std::string_view kLogWritten = "Readefile Write!\n";
constexpr std::string_view kFee = "FEE : ";
constexpr std::string_view kBalance = "VALANCE : ";

// The number after `label` at the start of a line of `answer`.
std::optional<int> shown(std::string_view answer, std::string_view label) {
  for (size_t at = answer.find(label); at != std::string_view::npos;
       at = answer.find(label, at + 1)) {
    if (at > 0 && answer[at - 1] != '\n') continue;
    const char* begin = answer.data() + at + label.size();
    const char* end = answer.data() + answer.size();
    int value = 0;
    const auto [stop, error] = std::from_chars(begin, end, value);
    if (error == std::errc() && stop < end && *stop == '\n') return value;
  }
  return std::nullopt;
}

}  // namespace

TapAnswer readTapAnswer(std::string_view answer) {
  TapAnswer read;
  read.charged = answer.find(kCardWritten) != std::string_view::npos &&
                 answer.find(kLogWritten) != std::string_view::npos;
  read.lack = answer.find("Lack!") != std::string_view::npos;
  read.clockError = answer.find("Time read error!") != std::string_view::npos;
  read.fee = shown(answer, kFee);
  read.balance = shown(answer, kBalance);
  return read;
}
