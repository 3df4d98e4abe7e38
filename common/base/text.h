// Text primitives that every program of the system reads and writes with:
// numbers read the way the C library's atoi reads them (but saturating at the
// 32-bit limits instead of overflowing), whole decimal numbers read exactly
// (digits and nothing else, or nothing), the tokenizer's splitting rule, and
// the zero-filled fields of a time text, and the check a file written whole
// carries of its text.
//
// readInt and nextField are inline: the settlement reads every field of a
// million trip records a cycle through them.
#pragma once

#include <algorithm>
#include <charconv>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Optional leading white space and sign, then decimal digits up to the first
// other character; 0 when there are none. Values beyond the 32-bit range
// saturate at INT_MIN / INT_MAX.
inline int readInt(std::string_view text) {
  const char* c = text.data();
  const char* const end = c + text.size();
  while (c != end && (*c == ' ' || (*c >= '\t' && *c <= '\r'))) ++c;
  bool negative = false;
  if (c != end && (*c == '+' || *c == '-')) negative = *c++ == '-';
  // Accumulate in 64 bits and stop growing once past the 32-bit range.
  int64_t value = 0;
  constexpr int64_t limit = int64_t{INT_MAX} + 1;
  for (; c != end && static_cast<unsigned char>(*c - '0') <= 9; ++c) {
    if (value < limit) value = value * 10 + (*c - '0');
  }
  if (negative) return value >= limit ? INT_MIN : static_cast<int>(-value);
  return value > INT_MAX ? INT_MAX : static_cast<int>(value);
}

// Whether `text` is one or more decimal digits and nothing else.
inline bool isDecimalDigits(std::string_view text) {
  return !text.empty() &&
         std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Whether a whole decimal number may carry a minus sign.
enum class Minus { Refused, Allowed };

// All of `text` as a decimal number of type T: digits, after a minus sign
// only when `minus` is Allowed (and T is signed); leading zeros are read.
// nullopt for anything else (white space, a plus sign, an empty text) and
// for a value T cannot hold.
template <typename T>
std::optional<T> decimalNumber(std::string_view text, Minus minus = Minus::Refused) {
  if (minus == Minus::Refused && !isDecimalDigits(text)) return std::nullopt;
  T value{};
  const char* const end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  if (text.empty() || error != std::errc() || stop != end) return std::nullopt;
  return value;
}

// The next field of `text` from `at` on, as the tokenizer finds it: runs of
// `separator` are skipped, and the field runs to the next separator or the
// end. `at` moves past the field. Empty when no field is left.
inline std::string_view nextField(std::string_view text, size_t& at, char separator) {
  while (at < text.size() && text[at] == separator) ++at;
  const size_t start = at;
  at = std::min(text.find(separator, at), text.size());
  return text.substr(start, at - start);
}

// Splits like strtok: runs of `separator` count as one, separators at the
// start are skipped, and no empty field is ever produced. Everything else,
// a line feed included, stays inside the fields.
std::vector<std::string_view> splitFields(std::string_view text, char separator);

// One field of a time text: a single "0" in front of values from -9 to 9,
// the plain decimal value otherwise (so 5 -> "05", -3 -> "0-3", 100 -> "100").
std::string timeField(int value);

// Year in plain decimal, then month, day, hour and minute as time fields:
// 2014-12-05 09:07 -> "201412050907".
std::string timeText(int year, int month, int day, int hour, int minute);

// A whole number for people, its thousands separated by commas: "-12,500".
std::string groupedNumber(long long value);

// The check of `text` (FNV-1a, 32 bits) as eight lower-case hexadecimal
// digits: a file that carries the check of its text is told apart from one
// cut short by a kill or edited by hand.
std::string textCheck(std::string_view text);
