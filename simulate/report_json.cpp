#include "simulate/report_json.h"

#include <cmath>

#include "driving/clock_follower.h"
#include "simulate/journey_report.h"

using nlohmann::ordered_json;

namespace {

// `value` rounded to `places` decimals, as the report gives measured
// seconds, shares and rates.
double rounded(double value, int places) {
  const double scale = std::pow(10.0, places);
  return std::round(value * scale) / scale;
}

ordered_json lagObject(const LagSummary& lag) {
  return {{"p50", lag.p50}, {"p99", lag.p99}, {"max", lag.max}, {"taps", lag.count}};
}

}  // namespace

std::string reportJson(const DayReport& r) {
  const long long moved = movedToBus(r);
  const double cpu = r.driver.cpuSeconds() + r.children.cpuSeconds();
  ordered_json json;
  json["riders"] = r.riders;
  json["from"] = clockText(r.fromMinute);
  json["hours"] = rounded(r.minutes / 60.0, 2);
  json["seed"] = r.seed;
  json["chaos_seconds"] = r.chaosSeconds ? ordered_json(rounded(*r.chaosSeconds, 2)) : nullptr;
  json["world"] = r.world;
  json["taps_planned"] = r.tapsPlanned;
  json["taps_answered"] = r.tapsAnswered;
  json["taps_charged"] = r.tapsCharged;
  json["commands_answered"] = r.commandsAnswered;
  json["mistyped"] = r.mistyped;
  json["refused"] = ordered_json::object();
  for (const auto& [printed, count] : r.refused) json["refused"][printed] = count;
  json["top_ups"] = {{"count", r.topUps}, {"amount", r.topUpAmount}};
  json["fees_charged"] = operatorsJson(r.feesCharged);
  json["statement_fees"] = operatorsJson(r.statementFees);
  json["settled"] = operatorsJson(r.settled);
  json["transfer_revenue_moved"] = {{"from", moved >= 0 ? "METRO" : "BUS"},
                                    {"to", moved >= 0 ? "BUS" : "METRO"},
                                    {"amount", moved >= 0 ? moved : -moved}};
  json["transfer_journeys"] = r.transferJourneys;
  json["apportionment"] = apportionmentJson(r.journeys);
  json["statement_cycles"] = r.statement.size();
  json["kills"] = r.kills;
  json["kills_by_program"] = ordered_json::object();
  for (const auto& [program, count] : r.killsOf) json["kills_by_program"][program] = count;
  json["taps_resent"] = r.resentAfterKill;
  json["taps_found_on_card_after_kill"] = r.answeredByCard;
  json["taps_resent_after_time_read_error"] = r.resentAfterClockError;
  json["audit"] = r.auditRun && r.auditDifferences.empty() ? ordered_json("reconciled")
                                                           : ordered_json(r.auditDifferences);
  json["tap_lag_minutes"] = lagObject(r.lag);
  ordered_json morning = {{"from", clockText(kMorningPeakFrom)}, {"to", clockText(kMorningPeakTo)}};
  morning.update(lagObject(r.morningLag));
  json["tap_lag_minutes"]["morning_peak"] = morning;
  json["taps_per_second"] = rounded(r.tapsPerSecond, 1);
  json["taps_per_second_peak"] = r.peakTapsPerSecond;
  json["real_seconds"] = rounded(r.realSeconds, 1);
  json["play_seconds"] = rounded(r.playSeconds, 1);
  json["driver"] = {{"cpu_seconds", rounded(r.driver.cpuSeconds(), 2)},
                    {"cpu_share", rounded(cpu > 0 ? r.driver.cpuSeconds() / cpu : 0, 3)},
                    {"peak_memory_mib", rounded(r.driver.peakKib / 1024.0, 1)},
                    {"setup_cpu_seconds", rounded(r.setupCpuSeconds, 2)}};
  json["programs_cpu_seconds"] = rounded(r.children.cpuSeconds(), 2);
  json["cut_short"] = r.cutShortBy != 0 ? ordered_json(signalName(r.cutShortBy)) : nullptr;
  json["differences"] = r.differences;
  // Text that is not UTF-8 (a world's path) is written with U+FFFD in its
  // place rather than refused.
  return json.dump(2, ' ', false, ordered_json::error_handler_t::replace) + "\n";
}
