// The metro terminal's fare rules: its station number and clock, the
// distance class between the station where a journey began and this one,
// the standard rules, the whole fare decision as a plain function, and the
// fee functions and fare controller thread that apply it to cinfo.
#pragma once

#include <optional>
#include <string_view>

#include "terminal/card_info.h"
#include "terminal/card_record.h"
#include "terminal/fare_rules.h"
#include "terminal/time_info.h"

extern int identifier;
extern TerminalClock mtime;

inline constexpr int kMetroStandardFareIn = 1050;
inline constexpr int kMetroReentryFareIn = 1250;
inline constexpr int kMetroAdditionalFareOut = 200;
inline constexpr int kMetroTransferFarePerClass = 300;
inline constexpr int kMetroTransferReentryFareIn = 600;
inline constexpr TransferRule kMetroTransferRule{kMetroTransport, kBusTransport, 600};

// The station number of a command line argument: exactly one digit from 0
// to 4, the stations whose trip logs the settlement collects.
std::optional<int> stationNumber(std::string_view argument);

// The distance class from the station in the journey id's first character
// (0 when it is no digit) to `station`: differences 3 and 4 count as 2 and
// 1, 5 and 6 as 0, the others as they are.
int distanceClass(std::string_view journeyId, int station);

// The standard rules: entry after an open entry, entry, exit within class
// 1, exit at class 2, and no rule (Nothing) for any other class.
FeeFunction Standard_Fee_Controller(int lastInout, int tapInout, int distanceClass);

// The metro decision from the last record (with the tap's direction), the
// record before it, the lag since the last record and the distance class.
FeeFunction decideMetroFare(const CardInfo& card, const CardInfo& before, int lag,
                            int distanceClass);

// distanceClass of cinfo.journey_id and identifier.
int distance();

void Standard_Fee_in();
void NonCalculate_Fee_in();
void Standard_Fee_out();
void Additional_Fee_out();
void Transfer_Fee_in();
void Transfer_Fee_out();
void Transfer_NonCalculate_Fee_in();

void Calculate_Controller(void*);
