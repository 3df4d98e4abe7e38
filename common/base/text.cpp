#include "common/base/text.h"

#include <cstdio>

std::vector<std::string_view> splitFields(std::string_view text, char separator) {
  std::vector<std::string_view> fields;
  size_t at = 0;
  for (std::string_view field; !(field = nextField(text, at, separator)).empty();) {
    fields.push_back(field);
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

std::string textCheck(std::string_view text) {
  uint32_t hash = 2166136261u;
  for (const char c : text) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 16777619u;
  }
  char digits[9];
  snprintf(digits, sizeof digits, "%08x", static_cast<unsigned>(hash));
  return std::string(digits, 8);
}

std::string groupedNumber(long long value) {
  // In unsigned arithmetic, so that the most negative value has its digits.
  const bool negative = value < 0;
  const unsigned long long magnitude = negative ? 0ULL - static_cast<unsigned long long>(value)
                                                : static_cast<unsigned long long>(value);
  std::string digits = std::to_string(magnitude);
  for (int at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3) {
    digits.insert(static_cast<size_t>(at), ",");
  }
  return (negative ? "-" : "") + digits;
}
