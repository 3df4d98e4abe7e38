// What a terminal's answer to a tap says, read off its console text: a
// charged tap shows both confirmations ("Cardfile Write !", "Readefile
// Write!": the record is in the card file and the trip log) and "FEE : ",
// "VALANCE : "; a refusal shows why ("Lack!", "Time read error!", ...) or
// nothing. No I/O.
#pragma once

#include <optional>
#include <string_view>

struct TapAnswer {
  bool charged = false;  // both records written
  bool lack = false;
  bool clockError = false;  // "Time read error!": the terminal had no clock yet
  std::optional<int> fee;
  std::optional<int> balance;
};

TapAnswer readTapAnswer(std::string_view answer);
