// Text primitives that every program of the system reads and writes with:
// numbers read the way the C library's atoi reads them (but saturating at the
// 32-bit limits instead of overflowing), the tokenizer's splitting rule, and
// the zero-filled fields of a time text.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// Optional leading white space and sign, then decimal digits up to the first
// other character; 0 when there are none. Values beyond the 32-bit range
// saturate at INT_MIN / INT_MAX.
int readInt(std::string_view text);

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
