// What a simulated day came to: the figures the driver counted while the
// taps were answered, what the statement and the audit say afterwards,
// and what the driver cost. The report writers (summary, report.json,
// report.html) read it and nothing else.
#pragma once

#include <array>
#include <cstring>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "common/formats/record_format.h"
#include "common/formats/statement.h"
#include "common/process/process_calls.h"
#include "simulate/day_journeys.h"
#include "simulate/demand_model.h"
#include "simulate/percentile.h"

struct DayReport {
  // What was asked.
  int riders = 0;
  int fromMinute = 0;
  int minutes = 0;
  unsigned long long seed = 0;
  std::optional<double> chaosSeconds;
  std::string world;
  int firstDay = 0;  // the clock's day at the start

  // Taps: planned, answered (each planned tap once, after any mistyped
  // try, top-up or re-send), and every command the terminals answered.
  long long tapsPlanned = 0;
  long long tapsAnswered = 0;
  long long tapsCharged = 0;  // answered with a record on the card
  long long commandsAnswered = 0;
  long long mistyped = 0;
  std::map<std::string, long long, std::less<>> refused;  // by what the terminal printed
  long long topUps = 0;
  long long topUpAmount = 0;
  OperatorAmounts feesCharged = {0, 0};  // from the cards' records
  long long transferJourneys = 0;        // journeys the terminals carried across modes

  // Faults.
  long long kills = 0;
  std::map<std::string, long long> killsOf;  // by program
  long long answeredByCard = 0;              // unanswered at a kill, found on the card
  long long resentAfterKill = 0;
  long long resentAfterClockError = 0;  // "Time read error!"

  // The statement, read once the settlement stopped.
  std::vector<StatementLine> statement;
  OperatorAmounts statementFees = {0, 0};
  OperatorAmounts settled = {0, 0};

  // The audit.
  bool auditRun = false;
  std::vector<std::string> auditDifferences;
  OperatorAmounts auditCharged = {0, 0};
  OperatorAmounts auditWaiting = {0, 0};

  // Timing.
  LagSummary lag;
  LagSummary morningLag;   // taps planned in the morning peak
  double realSeconds = 0;  // the whole run
  double playSeconds = 0;  // from the first tap sent to the last answer
  double tapsPerSecond = 0;
  long long peakTapsPerSecond = 0;
  Rusage driver;
  Rusage children;
  double setupCpuSeconds = 0;  // of driver: planning the day and provisioning its cards

  // The signal that cut the day short (SIGINT, SIGTERM, SIGHUP); 0 when
  // it was played to its end.
  int cutShortBy = 0;

  // For the charts: per simulated hour from midnight of the first day.
  std::vector<std::array<long long, kTerminalCount>> tapsPerHour;
  std::vector<OperatorAmounts> feesPerHour;
  std::map<long long, std::array<long long, 2>> feeSpread;  // fee -> taps per operator

  // The journeys read back from the cards once the world stopped.
  DayJourneys journeys;

  // Why the run did not reconcile (empty when it did).
  std::vector<std::string> differences;
};

// The morning peak the lag is also given for: taps planned from 07:00 to 09:00.
inline constexpr int kMorningPeakFrom = 7 * 60;
inline constexpr int kMorningPeakTo = 9 * 60;

// "SIGTERM" for SIGTERM.
inline std::string signalName(int signal) {
  const char* abbreviation = sigabbrev_np(signal);
  return abbreviation ? std::string("SIG") + abbreviation : "signal " + std::to_string(signal);
}

// How much the settlement moved to the bus from the metro: the bus's
// shares less the bus's fees (negative when it moved the other way).
inline long long movedToBus(const DayReport& report) {
  return report.settled[kBusOperator] - report.statementFees[kBusOperator];
}
