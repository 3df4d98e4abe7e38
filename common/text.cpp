#include "common/text.h"

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
