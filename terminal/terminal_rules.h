// What makes a terminal the metro or the bus terminal, as one plain value:
// its transport word, the default record that stands for the record before
// a card's first, the digits its new journey ids begin with, the order of
// its output, its fare rules (Calculate_Controller's table and the amounts
// of its fee functions) and its two continuation tests. metro::rules and
// bus::rules build the two; nothing here reads a file or a global, so both
// terminals' rules can be tested side by side.
#pragma once

#include <string>
#include <string_view>

#include "terminal/continuation.h"
#include "terminal/fare_rules.h"

struct TerminalRules {
  std::string_view transport;             // the word in the records it writes
  std::string_view defaultRecord;         // stands for the record before a card's first
  std::string identifierDigits;           // first digits of its new journey ids
  int station = 0;                        // FareFacts::station
  bool displaysBeforeConfirming = false;  // bus: fee and balance, then the confirmations
  // The fee function a tap comes to, Refuse or Nothing included.
  FeeFunction (*controller)(const FareFacts& facts) = nullptr;
  // What a fee function the controller chose charges.
  FeeCharge (*fee)(FeeFunction function, const FareFacts& facts) = nullptr;
  ContinuationTest cardContinues = nullptr;
  ContinuationTest tripLogContinues = nullptr;
};
