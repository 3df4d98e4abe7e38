#include "common/text.h"

#include <climits>
#include <cstdint>

namespace {

bool isCSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

}  // namespace

int readInt(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && isCSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  // Accumulate in 64 bits and stop growing once past the 32-bit range.
  int64_t value = 0;
  const int64_t limit = int64_t{INT_MAX} + 1;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    if (value < limit) value = value * 10 + (text[i] - '0');
  }
  if (negative) return value >= limit ? INT_MIN : static_cast<int>(-value);
  return value > INT_MAX ? INT_MAX : static_cast<int>(value);
}

std::vector<std::string_view> splitFields(std::string_view text, char separator) {
  std::vector<std::string_view> fields;
  size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && text[i] == separator) ++i;
    if (i == text.size()) break;
    size_t end = text.find(separator, i);
    if (end == std::string_view::npos) end = text.size();
    fields.push_back(text.substr(i, end - i));
    i = end;
  }
  return fields;
}

std::string timeField(int value) {
  std::string digits = std::to_string(value);
  return (value >= -9 && value <= 9) ? "0" + digits : digits;
}

std::string timeText(int year, int month, int day, int hour, int minute) {
  return std::to_string(year) + timeField(month) + timeField(day) + timeField(hour) +
         timeField(minute);
}
